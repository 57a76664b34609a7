#pragma once
// The local player's race recorded step by step into one buffer: played back as an instant replay,
// saved to and loaded from the demo files, stepped by key frame.
#include <cstdint>

namespace kes {

constexpr int32_t kReplayOutOfMemory = static_cast<int32_t>(0x8007000E);

// Allocates the buffer and empties it (0), or kReplayOutOfMemory.
int32_t ReplayAlloc(uint32_t size);
int32_t ReplayFree();
void ReplayRewind();
uint32_t ReplayIsPlaying();
// The replay keys of one frame; 1 after handling, 0 when there is nothing to do.
int32_t ReplayScreen(uint32_t ms);

}  // namespace kes
