// Music and effects levels as the program's own gains.
#include "game/core/mixer/Mixer.h"

#include "platform/audio/AudioGains.h"

namespace kes {
namespace {

float g_saved[2] = {1.0f, 1.0f};

float Current(int kind) { return kind == kMixerMusic ? plat::MusicGain() : plat::EffectsGain(); }

}  // namespace

int MixerFindVolume(int kind) {
    if (kind != kMixerMusic && kind != kMixerEffects) return -1;
    g_saved[kind] = Current(kind);
    return 0;
}

void MixerSetVolume(int kind, float level) {
    if (kind == kMixerMusic) plat::SetMusicGain(level);
    else if (kind == kMixerEffects) plat::SetEffectsGain(level);
}

void MixerSaveVolumes() {
    MixerFindVolume(kMixerMusic);
    MixerFindVolume(kMixerEffects);
}

void MixerRestoreVolumes() {
    MixerSetVolume(kMixerMusic, g_saved[kMixerMusic]);
    MixerSetVolume(kMixerEffects, g_saved[kMixerEffects]);
}

float MixerSavedLevel(int kind) {
    return kind == kMixerMusic || kind == kMixerEffects ? g_saved[kind] : 0.0f;
}

}  // namespace kes
