#include "game/world/sounds/SoundEffects.h"

#include <string>
#include <string_view>

#include "game/world/chunk/WorldSounds.h"
#include "game/world/sounds/BikeSounds.h"
#include "game/world/sounds/SoundLoad.h"
#include "platform/bytes/AsciiCase.h"

namespace kes {

namespace {

SoundVoice* g_effects[kSoundEffectCount] = {};

void Impact(int32_t effect, Vec3 at, bool restart) {
    SoundVoice* v = GetSoundEffect(effect);
    if (!v) return;
    if (restart) {
        v->SetVolume(0);
        v->SetPlayPosition(0);
        v->Stop();
    }
    v->SetPosition(&at);
    if (!v->IsPlaying(0)) v->Play(0);
}

void FenceBreak(const char* name, Vec3 at) { PlayFromStart(GetSoundEffect(FindSoundEffect(name)), at); }

}  // namespace

const char* SoundEffectName(uint32_t index) { return index < kSoundEffectCount ? kSoundEffectNames[index] : nullptr; }

int32_t LoadSoundEffects() {
    FreeSoundEffects();
    AudioSystem* audio = PlayingAudio();
    if (!audio) return -1;
    for (uint32_t i = 0; i < kSoundEffectCount; ++i)
        g_effects[i] = LoadGameSound(audio, (std::string("ColSounds\\") + kSoundEffectNames[i]).c_str());
    return 0;
}

void FreeSoundEffects() {
    for (SoundVoice*& v : g_effects) DropVoice(v);
}

int32_t FindSoundEffect(const char* name) {
    if (!name) return -1;
    std::string_view n(name);
    if (plat::EqualNoCase(n, "NONE")) return -1;
    for (uint32_t i = 0; i < kSoundEffectCount; ++i) {
        const std::string_view full(kSoundEffectNames[i]);
        // Fence materials name their sound without the extension.
        if (plat::EqualNoCase(n, full) || plat::EqualNoCase(n, full.substr(0, full.size() - 4))) return static_cast<int32_t>(i);
    }
    return -1;
}

SoundVoice* GetSoundEffect(int32_t index) {
    return index >= 0 && static_cast<uint32_t>(index) < kSoundEffectCount ? g_effects[index] : nullptr;
}

void PlaySoundEffectAt(int32_t index, int32_t volume, const Vec3& at) {
    SoundVoice* v = GetSoundEffect(index);
    if (!v || v->IsPlaying(0)) return;
    v->SetVolume(volume);
    PlayFromStart(v, at);
}

void RestartSoundEffectAt(int32_t index, const Vec3& at) {
    SoundVoice* v = GetSoundEffect(index);
    if (!v) return;
    v->SetVolume(0);
    PlayFromStart(v, at);
}

void InstallWorldSoundHooks() {
    WorldSoundHooks& hooks = WorldSounds();
    hooks.findEffect = FindSoundEffect;
    hooks.impact = Impact;
    hooks.fenceBreak = FenceBreak;
}

void BikeSoundEvents::OnLandSound(bool big) { PlayLandSound(slot_, big); }
void BikeSoundEvents::OnCrashSound(int volume) { PlayCrashSound(slot_, volume); }
void BikeSoundEvents::OnEffectSound(int32_t effect, int volume, const Vec3& at) { PlaySoundEffectAt(effect, volume, at); }

}  // namespace kes
