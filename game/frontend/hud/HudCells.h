#pragma once
// Where each HUD picture lies in the HUD textures: the glyph cells of "TEXT" (digits, separators,
// ordinal suffixes, letters, slash), the map marker and signs of "ID", the balance-gauge pieces of
// "RuskGiroStuff" and the buttons of the replay panel textures. The contentgen tool paints its
// pictures to these same cells, so both sides read them from here.
#include <cstdint>

#include "game/core/sprite/Sprites.h"

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
constexpr uint32_t kReplayButtonCount = 7;  // bits of HudRaceInfo::replayButtonsOn
constexpr uint32_t kReplaySpeedCount = 6;
enum ReplayButton : uint32_t {
    kReplayButtonMode = 0,
    kReplayButtonRecord = 1,
    kReplayButtonPlay = 2,
    kReplayButtonStop = 3,
    kReplayButtonBack = 4,
    kReplayButtonForward = 5,
    kReplayButtonSave = 6,
};
const TextureRect& ReplayButtonCell(uint32_t button);
const TextureRect& ReplaySpeedCell(uint32_t speed);

// The texture size every HUD picture is painted at.
constexpr uint32_t kHudTextureSize = 256;

}  // namespace kes
