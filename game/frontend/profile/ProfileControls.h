#pragma once
// The current profile's key map bound into the input layer: each action slot's two codes set a word
// of the rider's control block (or a flag of the frame loop or replay screen) while held.
#include <cstdint>

#include "game/frontend/profile/Profile.h"

namespace kes {

class ForceFeedback;

// What the race hands to the local rider's controller: words 0-23 (4-21 bound to keys, 22 and 23
// from settings 259 and 260) and the force-feedback device, or null.
struct ControlBlock {
    uint32_t words[24] = {};
    ForceFeedback* forceFeedback = nullptr;
};

// Flags outside the control block that action slots 14-30 set: the pause and screenshot requests and
// the replay screen's flags. Null leaves the slot unbound. The owner keeps the flag alive.
void SetActionFlag(uint32_t slot, uint32_t* flag);

// The input mode (setting 256) as the rider's controller and race camera read it.
uint32_t ProfileInputMode();

// Removes the bindings a previous call added, clears the block, then binds every action slot with a
// target (slot 16 is bound by the front end itself; slot 15 not in a network game). Force feedback
// (setting 257) is started on the given device when it has not been found yet, and its gain set to
// (setting 258 + 20) / 120.
ControlBlock* ApplyProfileControls(const Profile& profile, ForceFeedback* forceFeedback, bool networkGame);
// Removes every binding ApplyProfileControls added.
void RemoveProfileControls();
// The control block ApplyProfileControls fills.
ControlBlock* ProfileControlBlock();

}  // namespace kes
