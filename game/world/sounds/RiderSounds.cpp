#include "game/world/sounds/RiderSounds.h"

#include <string>

#include "game/world/physics/ParticleBody.h"
#include "game/world/sounds/SoundLoad.h"
#include "platform/sys/CrtRand.h"

namespace kes {

namespace {

// The pain sounds, then the crash cries.
SoundVoice* g_masters[kPainSounds + kCrashCries] = {};

Vec3 Head(const RiderImpactVoices& r) {
    return r.body && r.body->particles && r.body->particleCount > 2 ? r.body->particles[2].position : Vec3{0, 0, 0};
}

bool Touching(const ParticleBody* body) {
    if (!body || !body->particles) return false;
    for (uint32_t i = 0; i < body->particleCount; ++i)
        if (body->particles[i].contactTimer != 0) return true;
    return false;
}

}  // namespace

int32_t LoadImpactSounds() {
    FreeImpactSounds();
    AudioSystem* audio = PlayingAudio();
    if (!audio) return -1;
    for (uint32_t i = 0; i < kPainSounds; ++i)
        g_masters[i] = LoadGameSound(audio, ("IKImpact\\pain" + std::to_string(i + 1) + ".wav").c_str());
    for (uint32_t i = 0; i < kCrashCries; ++i)
        g_masters[kPainSounds + i] = LoadGameSound(audio, ("IKOffBike\\crashing" + std::to_string(i + 1) + ".wav").c_str());
    return 0;
}

void FreeImpactSounds() {
    for (SoundVoice*& v : g_masters) DropVoice(v);
}

SoundVoice* const* GetImpactSoundTable() { return g_masters; }

void CreateRiderImpactVoices(RiderImpactVoices& r, const ParticleBody* body) {
    FreeRiderImpactVoices(r);
    r.body = body;
    if (!PlayingAudio()) return;
    for (uint32_t i = 0; i < kPainSounds; ++i) r.pain[i] = g_masters[i] ? g_masters[i]->Duplicate(0) : nullptr;
    for (uint32_t i = 0; i < kCrashCries; ++i)
        r.crash[i] = g_masters[kPainSounds + i] ? g_masters[kPainSounds + i]->Duplicate(0) : nullptr;
}

void FreeRiderImpactVoices(RiderImpactVoices& r) {
    for (SoundVoice*& v : r.pain) DropVoice(v);
    for (SoundVoice*& v : r.crash) DropVoice(v);
    r.lastCrash = r.lastPain = -1;
}

void PlayRiderCrashSound(RiderImpactVoices& r) {
    const int32_t pick = plat::CrtRand() % static_cast<int32_t>(kCrashCries);
    PlayFromStart(r.crash[pick], Head(r));
    r.lastCrash = pick;
}

void PlayRiderPainSound(RiderImpactVoices& r) {
    const int32_t pick = plat::CrtRand() % static_cast<int32_t>(kPainSounds);
    if (r.lastPain >= 0) {
        SoundVoice* last = r.pain[r.lastPain];
        if (last && last->IsPlaying(0)) return;
        // A body still in contact would cry again at every bump: wait until it is clear.
        if (Touching(r.body)) return;
        r.lastPain = -1;
        return;
    }
    if (r.lastCrash >= 0 && r.crash[r.lastCrash]) r.crash[r.lastCrash]->Stop();
    PlayFromStart(r.pain[pick], Head(r));
    r.lastPain = pick;
}

void StopRiderSounds(RiderImpactVoices& r) {
    if (r.lastCrash >= 0 && r.crash[r.lastCrash]) r.crash[r.lastCrash]->Stop();
    if (r.lastPain >= 0 && r.pain[r.lastPain]) r.pain[r.lastPain]->Stop();
}

}  // namespace kes
