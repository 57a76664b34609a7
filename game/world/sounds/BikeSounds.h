#pragma once
// The engine sounds of the bikes: master voices of one class's engine set and the shared crash,
// landing and cheer voices, duplicated into up to ten per-bike slots, and the per-step crossfade
// that picks the engine voice by the bike's state. Volumes are hundredths of a decibel (0 full,
// -3000 the silent end of a fade). Without a sound system every operation does nothing.
#include <cstdint>

#include "game/core/maths/MathTypes.h"

namespace kes {

class BikeBody;
class SoundVoice;

constexpr uint32_t kBikeSoundSlots = 10;

enum EngineVoice : uint32_t {
    kConstant1, kConstant2, kConstant3, kConstant4,
    kDecelerateWithBrake, kDecelerateWithout, kFreeRevs, kTickover, kSkid,
    kEngineVoiceCount,
};

struct BikeSoundSlot {
    SoundVoice* engine[kEngineVoiceCount] = {};
    SoundVoice* crash[6] = {};
    int32_t lastCrash = -1;
    SoundVoice* success[8] = {};
    SoundVoice* landSmall = nullptr;
    SoundVoice* landBig = nullptr;
    Vec3 position{};
    // Written by the bike's step.
    uint8_t moving = 0, throttle = 0, withBrake = 0, skidding = 0;
    int32_t decelerationMs = 0;  // counts down after the throttle is let go
    float engineLevel = 0;       // 0..1
    uint8_t onGround = 0;
};

// Loads the engine set of bikeClass (0 "Bikes\Sound125", 1 "Bikes\Sound250", 2 "Bikes\Sound400")
// and the shared voices, each from a file on disk or else the data pack; no slot is handed out
// after it. 0, or -1 without a sound system. The first argument is not read.
int32_t LoadBikeSounds(uint32_t flag, uint32_t bikeClass);
void FreeBikeSounds();
// The next unused slot with its own voices, or null once ten are out or without a sound system.
BikeSoundSlot* AllocBikeSoundSlot();
// The crossfade of every handed-out slot for a step of ms.
void UpdateBikeSounds(uint32_t ms);
void PlayCrashSound(BikeSoundSlot* slot, int32_t volume);
void PlayLandSound(BikeSoundSlot* slot, bool big);
void PlayCheerSound(BikeSoundSlot* slot);

// The fades: a voice placed at the slot and brought 100 hundredths of a decibel per ms towards
// full (started silent and looping when it was not playing) or towards -3000, where it stops.
// immediate: a voice not yet playing starts at full volume at a little varied pitch.
void FadeIn(const BikeSoundSlot& slot, SoundVoice* voice, uint32_t ms, bool immediate = false);
void FadeOut(SoundVoice* voice, uint32_t ms, bool stopNow = false);

// What the bike's step writes into its slot: the position (centre), on-ground (any contact bit),
// the brake byte, the slide flag, the engine level (speed ratio) and moving (riding); the throttle
// flag follows the throttle byte, and letting it go starts a 1000 ms deceleration countdown.
void SyncBikeSoundSlot(BikeSoundSlot& slot, const BikeBody& bike);

}  // namespace kes
