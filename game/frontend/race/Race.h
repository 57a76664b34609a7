#pragma once
// A race session: everything between RaceStart and RaceEnd. The game flow calls RaceStart, then the
// run loop (which drives the race through the four frame callbacks RaceStart installs), then RaceEnd.
#include <cstdint>

#include "game/frontend/flow/FlowState.h"
#include "game/frontend/session/RaceSession.h"

namespace kes {

class RenderInterface;
struct RacerDesc;

// Loads the world and creates the racers: `playerCount` descriptors, then `computerCount` computer
// riders copied from descriptor 0. Returns 0, or the world loader's error code (nothing is left
// loaded then).
int32_t RaceStart(RenderInterface* renderer, const WorldRecord* world, RacerDesc* descs, uint32_t playerCount,
                  uint32_t computerCount);
// Frees the session; with a table, writes one row per racer slot first.
void RaceEnd(ResultRow* results);

}  // namespace kes
