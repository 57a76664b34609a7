#include "game/frontend/hud/HudCells.h"

#include <array>

namespace kes {

namespace {

constexpr float kDigitPitch = 0.09375f;  // 24 texels of 256

template <size_t N>
constexpr std::array<TextureRect, N> DigitRow(float top, float bottom) {
    std::array<TextureRect, N> row{};
    for (size_t i = 0; i < N; ++i)
        row[i] = {kDigitPitch * static_cast<float>(i), top, kDigitPitch * static_cast<float>(i + 1), bottom};
    return row;
}

constexpr auto kLargeDigits = DigitRow<10>(0.0f, 0.09375f);
constexpr auto kDigits = DigitRow<10>(0.09375f, 0.1875f);
constexpr auto kSecondDigits = DigitRow<10>(0.1875f, 0.28125f);

// Eight 32-texel cells to a row from (0, 80).
constexpr std::array<TextureRect, 10> PositionDigits() {
    std::array<TextureRect, 10> cells{};
    for (size_t i = 0; i < 10; ++i) {
        const float u = 0.125f * static_cast<float>(i % 8), v = 0.3125f + 0.125f * static_cast<float>(i / 8);
        cells[i] = {u, v, u + 0.125f, v + 0.125f};
    }
    return cells;
}
constexpr auto kPositionDigits = PositionDigits();

constexpr TextureRect kMinutesSeparator{0.9375f, 0.0f, 1.0f, 0.0625f};
constexpr TextureRect kSecondsSeparator{0.9375f, 0.0625f, 1.0f, 0.125f};
constexpr TextureRect kSuffixes[4] = {{0.1875f, 0.71875f, 0.28125f, 0.78125f},
                                      {0.28125f, 0.71875f, 0.375f, 0.78125f},
                                      {0.8125f, 0.5625f, 0.90625f, 0.625f},
                                      {0.90625f, 0.5625f, 1.0f, 0.625f}};

// The letters run from (0.4375, 0.71875) to the right edge (A-F), then fill the two rows below
// from the left edge (G-P, Q-Z): 6 + 10 + 10 cells of 24 texels.
constexpr std::array<TextureRect, 26> Letters() {
    std::array<TextureRect, 26> cells{};
    for (size_t i = 0; i < 26; ++i) {
        float u, v;
        if (i < 6) {
            u = 0.4375f + kDigitPitch * static_cast<float>(i);
            v = 0.71875f;
        } else {
            u = kDigitPitch * static_cast<float>((i - 6) % 10);
            v = 0.71875f + kDigitPitch * static_cast<float>(1 + (i - 6) / 10);
        }
        cells[i] = {u, v, u + kDigitPitch, v + kDigitPitch};
    }
    return cells;
}
constexpr auto kLetters = Letters();

constexpr TextureRect kSlash{0.375f, 0.46875f, 0.5f, 0.59375f};
constexpr TextureRect kBlank{0.0f, 0.0f, 0.0f, 0.0f};

constexpr TextureRect kMapMarker{0.0f, 0.5625f, 0.0546875f, 0.6171875f};
constexpr TextureRect kWrongWaySign{0.0f, 0.0f, 1.0f, 0.25f};
constexpr TextureRect kMapFrame{0.5f, 0.5f, 1.0f, 1.0f};

constexpr TextureRect kGyroMarker{0.0f, 0.0f, 0.25f, 0.25f};
constexpr TextureRect kGyroBar{0.25f, 0.0f, 0.5f, 0.0625f};

// Replay buttons: 64-texel cells, four to a row; speed buttons: 32-texel cells on the row below.
constexpr std::array<TextureRect, kReplayButtonCount> ReplayButtons() {
    std::array<TextureRect, kReplayButtonCount> cells{};
    for (size_t i = 0; i < kReplayButtonCount; ++i) {
        const float u = 0.25f * static_cast<float>(i % 4), v = 0.25f * static_cast<float>(i / 4);
        cells[i] = {u, v, u + 0.25f, v + 0.25f};
    }
    return cells;
}
constexpr auto kReplayButtons = ReplayButtons();
constexpr std::array<TextureRect, kReplaySpeedCount> ReplaySpeeds() {
    std::array<TextureRect, kReplaySpeedCount> cells{};
    for (size_t i = 0; i < kReplaySpeedCount; ++i) {
        const float u = 0.125f * static_cast<float>(i);
        cells[i] = {u, 0.5f, u + 0.125f, 0.625f};
    }
    return cells;
}
constexpr auto kReplaySpeeds = ReplaySpeeds();

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
const TextureRect& OrdinalSuffixCell(uint32_t suffix) { return suffix < 4 ? kSuffixes[suffix] : kBlank; }
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
