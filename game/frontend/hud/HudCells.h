#pragma once
// The HUD's cells (HudCellLayout.h) as the sprite batcher takes them: one lasting TextureRect per
// cell, so that a sprite can point at it. Indices beyond a table give the blank cell.
#include <cstdint>

#include "game/core/sprite/Sprites.h"
#include "game/frontend/hud/HudCellLayout.h"

namespace kes {

// Cells of the "TEXT" texture.
const TextureRect& LargeDigitCell(uint32_t digit);   // lap-time digits
const TextureRect& DigitCell(uint32_t digit);        // counters, scores, messages
const TextureRect& SecondDigitCell(uint32_t digit);  // racer counts, points
const TextureRect& PositionDigitCell(uint32_t digit);
const TextureRect& MinutesSeparatorCell();
const TextureRect& SecondsSeparatorCell();
// 0 "st", 1 "nd", 2 "rd", 3 "th".
const TextureRect& OrdinalSuffixCell(uint32_t suffix);
const TextureRect& LetterCell(uint32_t letter);  // 0 = A .. 25 = Z
const TextureRect& SlashCell();
const TextureRect& BlankCell();  // all zero: draws nothing

// Cells of the "ID" texture.
const TextureRect& MapMarkerCell();
const TextureRect& WrongWaySignCell();
const TextureRect& MapFrameCell();

// Cells of the "RuskGiroStuff" texture.
const TextureRect& GyroMarkerCell();
const TextureRect& GyroBarCell();

// The replay panel: the same cells in "ReplayOff" and "ReplayOn".
constexpr uint32_t kReplayButtonCount = hudcell::kReplayButtonCount;  // bits of HudRaceInfo::replayButtonsOn
constexpr uint32_t kReplaySpeedCount = hudcell::kReplaySpeedCount;
const TextureRect& ReplayButtonCell(uint32_t button);
const TextureRect& ReplaySpeedCell(uint32_t speed);

}  // namespace kes
