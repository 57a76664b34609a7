#include "game/frontend/hud/HudCells.h"

#include <array>

namespace kes {

namespace {

using hudcell::Box;

constexpr TextureRect Rect(const Box& b) { return {b.uMin, b.vMin, b.uMax, b.vMax}; }

template <size_t N, class Cell>
constexpr std::array<TextureRect, N> Table(Cell cell) {
    std::array<TextureRect, N> cells{};
    for (size_t i = 0; i < N; ++i) cells[i] = Rect(cell(static_cast<uint32_t>(i)));
    return cells;
}

constexpr auto kLargeDigits = Table<10>([](uint32_t d) { return hudcell::DigitRow(0, d); });
constexpr auto kDigits = Table<10>([](uint32_t d) { return hudcell::DigitRow(1, d); });
constexpr auto kSecondDigits = Table<10>([](uint32_t d) { return hudcell::DigitRow(2, d); });
constexpr auto kPositionDigits = Table<10>(hudcell::PositionDigit);
constexpr auto kSuffixes = Table<4>([](uint32_t i) { return hudcell::kSuffixes[i]; });
constexpr auto kLetters = Table<26>(hudcell::Letter);
constexpr auto kReplayButtons = Table<kReplayButtonCount>(hudcell::ReplayButton);
constexpr auto kReplaySpeeds = Table<kReplaySpeedCount>(hudcell::ReplaySpeed);

constexpr TextureRect kMinutesSeparator = Rect(hudcell::kMinutesSeparator);
constexpr TextureRect kSecondsSeparator = Rect(hudcell::kSecondsSeparator);
constexpr TextureRect kSlash = Rect(hudcell::kSlash);
constexpr TextureRect kBlank{0.0f, 0.0f, 0.0f, 0.0f};
constexpr TextureRect kMapMarker = Rect(hudcell::kMapMarker);
constexpr TextureRect kWrongWaySign = Rect(hudcell::kWrongWaySign);
constexpr TextureRect kMapFrame = Rect(hudcell::kMapFrame);
constexpr TextureRect kGyroMarker = Rect(hudcell::kGyroMarker);
constexpr TextureRect kGyroBar = Rect(hudcell::kGyroBar);

// Out-of-range numbers fall on the blank cell rather than reading past a table.
template <size_t N>
const TextureRect& Pick(const std::array<TextureRect, N>& cells, uint32_t i) {
    return i < N ? cells[i] : kBlank;
}

}  // namespace

const TextureRect& LargeDigitCell(uint32_t digit) { return Pick(kLargeDigits, digit); }
const TextureRect& DigitCell(uint32_t digit) { return Pick(kDigits, digit); }
const TextureRect& SecondDigitCell(uint32_t digit) { return Pick(kSecondDigits, digit); }
const TextureRect& PositionDigitCell(uint32_t digit) { return Pick(kPositionDigits, digit); }
const TextureRect& MinutesSeparatorCell() { return kMinutesSeparator; }
const TextureRect& SecondsSeparatorCell() { return kSecondsSeparator; }
const TextureRect& OrdinalSuffixCell(uint32_t suffix) { return Pick(kSuffixes, suffix); }
const TextureRect& LetterCell(uint32_t letter) { return Pick(kLetters, letter); }
const TextureRect& SlashCell() { return kSlash; }
const TextureRect& BlankCell() { return kBlank; }
const TextureRect& MapMarkerCell() { return kMapMarker; }
const TextureRect& WrongWaySignCell() { return kWrongWaySign; }
const TextureRect& MapFrameCell() { return kMapFrame; }
const TextureRect& GyroMarkerCell() { return kGyroMarker; }
const TextureRect& GyroBarCell() { return kGyroBar; }
const TextureRect& ReplayButtonCell(uint32_t button) { return Pick(kReplayButtons, button); }
const TextureRect& ReplaySpeedCell(uint32_t speed) { return Pick(kReplaySpeeds, speed); }

}  // namespace kes
