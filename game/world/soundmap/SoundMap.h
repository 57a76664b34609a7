#pragma once
// The "SNDM" chunk: ambient sound sources placed in the world (water, birds, crowds, machines).
// Each plays one of the chunk's waves at a point, looping or again and again after a fixed or a
// random pause, at a fixed, random or standard frequency; a source acts only while the eye is
// inside its outer distance.
#include <cstdint>
#include <vector>

#include "game/core/maths/MathTypes.h"
#include "game/core/render/RenderInterface.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/WorldView.h"

namespace kes {

class SoundVoice;

constexpr uint32_t kSoundEmitterBytes = 60;

enum : uint32_t { kEmitterLoop = 0, kEmitterFixedPause = 1, kEmitterRandomPause = 2 };
enum : uint32_t { kFrequencyFixed = 0, kFrequencyRandom = 1 };

struct SoundEmitter {
    Vec3 position{};
    float minDistance = 0, maxDistance = 0;
    uint32_t wave = 0;
    float volume = 1.0f;
    uint32_t playMode = kEmitterLoop;
    float fixedPause = 0, shortestPause = 0, longestPause = 0;  // seconds
    uint32_t frequencyMode = kFrequencyFixed;
    uint32_t fixedFrequency = 22050, lowestFrequency = 22050, highestFrequency = 22050;
    // Kept while the world lives.
    float waveLength = 0;  // sample frames of the wave
    float playTime = 0;    // ms left of the current play
    float pause = 0;       // ms left of the pause
    SoundVoice* voice = nullptr;  // null: a wave index outside the list, the source stays silent
};

// Does nothing (0) without a sound system. Otherwise reads the waves and the sources; each source
// gets its own voice of its wave, looping sources start at once. -1 for a damaged chunk (nothing
// kept).
int32_t SoundEmittersLoad(ChunkStream& stream, uint32_t size);
// The elapsed time of the frame, used by the next update.
void SoundEmittersTick(uint32_t elapsedMs);
// Starts and times the sources within hearing of the view's eye.
void SoundEmittersUpdate(const WorldView& view, RenderInterface* render);
void SoundEmittersFree();

const std::vector<SoundEmitter>& SoundEmitters();
// The frequency of the next play: fixed, random in the range, or 22050 Hz; a frequency of 0 (or
// below) stands for the wave's own rate.
uint32_t ChooseEmitterFrequency(const SoundEmitter& emitter);
// The stored volume (0.0 .. 1.0) in hundredths of a decibel: 1.0 gives 0, 0.0 gives -10000.
int32_t EmitterVolume(float volume);

}  // namespace kes
