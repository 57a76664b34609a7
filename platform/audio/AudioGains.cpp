#include "platform/audio/AudioGains.h"

#include <atomic>

namespace plat {
namespace {

std::atomic<float> g_music{1.0f};
std::atomic<float> g_effects{1.0f};

float Clamp(float g) { return g < 0.0f ? 0.0f : g > 1.0f ? 1.0f : g; }

}  // namespace

void SetMusicGain(float gain) { g_music = Clamp(gain); }
float MusicGain() { return g_music; }
void SetEffectsGain(float gain) { g_effects = Clamp(gain); }
float EffectsGain() { return g_effects; }

}  // namespace plat
