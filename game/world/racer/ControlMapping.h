#pragma once
// How a local player's keys and joystick become the bike's control bytes and analog levels, and how
// the trick buttons open combo windows. Program-wide state, like the single local player it serves.
#include <cstdint>

#include "game/world/physics/BikeBody.h"

namespace kes {

struct PlayerInput;
class ForceFeedback;

constexpr int32_t kComboWindowSteps = 200;

struct ControlMappingState {
    float analogRest[3] = {0, 0, 0};  // joystick axes at calibration
    uint8_t latch = 0;                // the keys took over from the joystick
    int32_t latchAxes[3] = {0, 0, 0}; // raw axes when the latch was set
    int32_t comboCountdown = 0;       // steps left in the open combo window
    int32_t feedbackTimer = 0;        // ms
    uint8_t kickPending = 0;
    uint8_t stickMoved = 0;           // the stick left its rest values in the air
    float airRest[3] = {0, 0, 0};     // the stick at take-off
    uint8_t comboFinished = 0;        // a combo ended during the frame's steps
    uint8_t trickLock = 0;            // tricks are not started while set
};
ControlMappingState& ControlMapping();
void ResetControlMapping();

// Clears the latch when the stick moved more than 500 from where it was when the keys took over;
// then sets it (and stores the axes) while a direction key is held.
void UpdateDigitalLatch(const PlayerInput& in, const int32_t axes[3]);

// The control bytes of one step. Return the trick buttons (up 1, down 2, left 4, right 8) while a
// combo window or a trick window is open, else 0.
uint32_t DigitalControls(BikeBody& bike, const PlayerInput& in, int32_t controlDevice, const int32_t axes[3],
                         int32_t racePhase);
uint32_t AnalogControls(BikeBody& bike, const PlayerInput& in, const int32_t axes[3], int32_t racePhase);

// Trick keys A and B open and switch combo windows; while a window is open the buttons are fed to
// the recogniser and a completed combo requests its trick.
void HandleTrickButtons(BikeBody& bike, const PlayerInput& in, uint32_t buttons);

// Force feedback of one step (analog path): landing shakes, the ground pushes the stick.
void UpdateForceFeedback(BikeBody& bike, ForceFeedback& feedback, uint32_t frameMs);

}  // namespace kes
