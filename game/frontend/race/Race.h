#pragma once
// A race session: everything between RaceStart and RaceEnd. The game flow calls RaceStart, then the
// run loop (which drives the race through the four frame callbacks RaceStart installs), then RaceEnd.
#include <cstdint>

#include "game/core/sprite/Sprites.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/session/RaceSession.h"
#include "game/world/chunk/WorldView.h"

namespace kes {

class RenderInterface;
struct RacerDesc;
struct ViewRecord;

// Loads the world and creates the racers: `playerCount` descriptors, then `computerCount` computer
// riders copied from descriptor 0. Returns 0, or the world loader's error code (nothing is left
// loaded then).
int32_t RaceStart(RenderInterface* renderer, const WorldRecord* world, RacerDesc* descs, uint32_t playerCount,
                  uint32_t computerCount);
// Frees the session; with a table, writes one row per racer slot first.
void RaceEnd(ResultRow* results);

// The frame callbacks RaceStart installs.
void RaceStepUpdate(uint32_t step);
void RaceStepPostUpdate(uint32_t step);
void RaceRenderWorld(ViewRecord* view);
void RaceDrawOverlays(ViewRecord* view);

// The world loader's progress: the loading screen with the bar filled to `fraction` (0..1).
void LoadProgress(float fraction);

// The loading screen's file under "FrontEnd\Loading\" for a world identifier.
const char* LoadingScreenName(uint32_t identifier);
// The bar's width in pixels for a fraction of the load (at most 496).
int32_t LoadingBarWidth(float fraction);
// The countdown's sprite in phases 4-7; null in any other phase.
const Sprite* CountdownSprite(uint32_t phase);
// What the world's drawing needs of the frame's view.
WorldView WorldViewOf(const ViewRecord& view);

}  // namespace kes
