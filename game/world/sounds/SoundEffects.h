#pragma once
// The named sound-effect bank (52 collision and event sounds from "ColSounds\"), the world's sound
// hooks over it, and the sounds a bike's step asks for.
#include <cstdint>

#include "game/core/maths/MathTypes.h"
#include "game/world/physics/BikeBody.h"
#include "game/world/sounds/SoundEffectNames.h"

namespace kes {

class SoundVoice;
struct BikeSoundSlot;

// The file name of effect index (below 52), else null.
const char* SoundEffectName(uint32_t index);
// 0, or -1 without a sound system. Missing files leave their entries null.
int32_t LoadSoundEffects();
void FreeSoundEffects();
// The index of a name (ignoring case, with or without ".wav"); -1 for "NONE" or an unknown name.
int32_t FindSoundEffect(const char* name);
// The voice of an index below 52, else null.
SoundVoice* GetSoundEffect(int32_t index);
// Plays an effect at a point from the start unless its voice is already playing.
void PlaySoundEffectAt(int32_t index, int32_t volume, const Vec3& at);
// Plays an effect at a point from its start at full volume, also when it is already playing.
void RestartSoundEffectAt(int32_t index, const Vec3& at);
// Installs the bank as the world's sound hooks (solids, fences, pickups).
void InstallWorldSoundHooks();

// A bike's landing, crash and world-solid sounds through its slot and the bank.
class BikeSoundEvents : public BikeEventSink {
public:
    explicit BikeSoundEvents(BikeSoundSlot* slot) : slot_(slot) {}
    void OnLandSound(bool big) override;
    void OnCrashSound(int volume) override;
    void OnEffectSound(int32_t effect, int volume, const Vec3& at) override;

private:
    BikeSoundSlot* slot_;
};

}  // namespace kes
