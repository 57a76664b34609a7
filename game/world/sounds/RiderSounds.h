#pragma once
// The rider's cries: 12 pain and 10 crash voices loaded once, duplicated for every rider body,
// played at the body's head (particle 2) without repeating over themselves.
#include <cstdint>

namespace kes {

class ParticleBody;
class SoundVoice;

constexpr uint32_t kPainSounds = 12;
constexpr uint32_t kCrashCries = 10;

// A rider body's own voices and what it played last (-1 none).
struct RiderImpactVoices {
    const ParticleBody* body = nullptr;
    SoundVoice* pain[kPainSounds] = {};
    SoundVoice* crash[kCrashCries] = {};
    int32_t lastCrash = -1;
    int32_t lastPain = -1;
};

// 0, or -1 without a sound system.
int32_t LoadImpactSounds();
void FreeImpactSounds();
// The 22 master voices: the pain sounds, then the crash cries.
SoundVoice* const* GetImpactSoundTable();
void CreateRiderImpactVoices(RiderImpactVoices& rider, const ParticleBody* body);
void FreeRiderImpactVoices(RiderImpactVoices& rider);
void PlayRiderCrashSound(RiderImpactVoices& rider);
// A new pain cry only once the last one has ended and no particle of the body is in contact.
void PlayRiderPainSound(RiderImpactVoices& rider);
void StopRiderSounds(RiderImpactVoices& rider);

}  // namespace kes
