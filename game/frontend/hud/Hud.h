#pragma once
// The race overlay drawn over the 3D picture each frame: mini-map, lap and race times, position,
// trick names, the blinking message line, the balance gauge, the direction arrow, the wrong-way
// warning and the replay panel. Loaded when a race starts and freed when it ends.
#include <cstdint>
#include <string>

#include "game/core/maths/MathTypes.h"
#include "game/core/sprite/Sprites.h"
#include "game/world/chunk/WorldTypes.h"

namespace kes {

class RenderInterface;
struct RacerRecord;

constexpr int32_t kHudOutOfMemory = static_cast<int32_t>(0x8007000E);

// What the race session tells the HUD about the race, set before each draw.
struct HudRaceInfo {
    uint32_t mapOverlay = 1;     // toggled by F9
    uint32_t secondOverlay = 1;  // toggled by F10: the trick counters
    uint32_t laps = 4;           // the race's lap count
    bool pointsMode = false;     // game mode 2: the 40 track points
    bool network = false;
    uint32_t raceMinutes = 0;    // time limit of a timed world
    bool replay = false;         // a replay plays
    uint32_t replayFrame = 0;
    uint32_t replayButtonsOn = 0;  // one bit per replay button that is on
    uint32_t replaySpeed = 0;      // 0-5: the lit speed button
    uint32_t frameMs = 0;          // time since the last draw for the wrong-way warning; 0: the race clock's step
    // A message of the race for the viewed racer (an unlock, say) and its countdown; while the
    // countdown runs it replaces the bike's trick-score message on the message line.
    std::string message;
    uint32_t messageTimerMs = 0;
    // The ground the mini-map spans; an empty box (maxX <= minX) means the loaded world's box.
    WorldBounds mapBox;
};
HudRaceInfo& HudInfo();

// 0, or kHudOutOfMemory when the direction arrow cannot be made.
int32_t HudLoad(RenderInterface* renderer);
void HudFree();
// Fills eight quads (right to left) with the digits of `ms`; returns the whole hours. Sprites carry
// no texture of their own: `texture` is the one the group is drawn with, selected before drawing.
uint32_t HudFormatLapTime(uint32_t ms, Sprite* quads, uint32_t texture);
// The draw pass; nothing when `viewed` is null.
void HudDraw(RacerRecord* const* racers, uint32_t racerCount, const RacerRecord* viewed, const Matrix4& camera);

// What HudLoad made: whether the arrow mesh is there, and the texture handles in load order
// ("RuskGiroStuff", "TEXT", "ID", "ReplayOff", "ReplayOn", "RuskArrowStuff"; 0 when missing).
bool HudArrowLoaded();
uint32_t HudTextureHandle(uint32_t which);

}  // namespace kes
