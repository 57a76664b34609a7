#include "game/frontend/replay/Replay.h"

// Placeholder until the recorder lands: a race runs without a replay.
namespace kes {

int32_t ReplayAlloc(uint32_t) { return 0; }
int32_t ReplayFree() { return 0; }
void ReplayRewind() {}
uint32_t ReplayIsPlaying() { return 0; }
int32_t ReplayScreen(uint32_t) { return 0; }

}  // namespace kes
