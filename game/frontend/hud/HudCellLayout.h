#pragma once
// Where each HUD picture lies in the HUD textures, as fractions of the texture (u right, v down):
// the glyph cells of "TEXT", the map marker and signs of "ID", the balance-gauge pieces of
// "RuskGiroStuff" and the replay panel's buttons. The game's HUD draws from these cells and the
// content generator paints its pictures into them, so both read this one header (it needs nothing
// else, so that tools can use it without the game's libraries).
#include <cstdint>

namespace kes::hudcell {

struct Box {
    float uMin, vMin, uMax, vMax;
};

// The texture size every HUD sheet is painted at.
constexpr uint32_t kTextureSize = 256;

constexpr float kDigitPitch = 0.09375f;  // 24 texels

// Digit rows of "TEXT": 0 large (lap times), 1 counters and messages, 2 racer counts and points.
constexpr Box DigitRow(uint32_t row, uint32_t digit) {
    const float u = kDigitPitch * static_cast<float>(digit), v = kDigitPitch * static_cast<float>(row);
    return {u, v, u + kDigitPitch, v + kDigitPitch};
}
// Place digits: 32-texel cells from (0, 80), eight to a row.
constexpr Box PositionDigit(uint32_t digit) {
    const float u = 0.125f * static_cast<float>(digit % 8), v = 0.3125f + 0.125f * static_cast<float>(digit / 8);
    return {u, v, u + 0.125f, v + 0.125f};
}
constexpr Box kMinutesSeparator{0.9375f, 0.0f, 1.0f, 0.0625f};
constexpr Box kSecondsSeparator{0.9375f, 0.0625f, 1.0f, 0.125f};
// "st", "nd", "rd", "th".
constexpr Box kSuffixes[4] = {{0.1875f, 0.71875f, 0.28125f, 0.78125f},
                              {0.28125f, 0.71875f, 0.375f, 0.78125f},
                              {0.8125f, 0.5625f, 0.90625f, 0.625f},
                              {0.90625f, 0.5625f, 1.0f, 0.625f}};
// The letters run from (0.4375, 0.71875) to the right edge (A-F), then fill the two rows below from
// the left edge (G-P, Q-Z): 6 + 10 + 10 cells of 24 texels.
constexpr Box Letter(uint32_t letter) {
    float u = 0.4375f + kDigitPitch * static_cast<float>(letter), v = 0.71875f;
    if (letter >= 6) {
        u = kDigitPitch * static_cast<float>((letter - 6) % 10);
        v = 0.71875f + kDigitPitch * static_cast<float>(1 + (letter - 6) / 10);
    }
    return {u, v, u + kDigitPitch, v + kDigitPitch};
}
constexpr Box kSlash{0.375f, 0.46875f, 0.5f, 0.59375f};

// "ID".
constexpr Box kMapMarker{0.0f, 0.5625f, 0.0546875f, 0.6171875f};
constexpr Box kWrongWaySign{0.0f, 0.0f, 1.0f, 0.25f};
constexpr Box kMapFrame{0.5f, 0.5f, 1.0f, 1.0f};

// "RuskGiroStuff".
constexpr Box kGyroMarker{0.0f, 0.0f, 0.25f, 0.25f};
constexpr Box kGyroBar{0.25f, 0.0f, 0.5f, 0.0625f};

// "ReplayOff" and "ReplayOn" hold the same cells: buttons of 64 texels, four to a row, and the six
// speed buttons of 32 texels on the row below them.
constexpr uint32_t kReplayButtonCount = 7;
constexpr uint32_t kReplaySpeedCount = 6;
// The buttons in cell order; bit b of the HUD's replay word lights button b.
enum ReplayButtonId : uint32_t {
    kReplayButtonMode = 0,
    kReplayButtonRecord = 1,
    kReplayButtonPlay = 2,
    kReplayButtonStop = 3,
    kReplayButtonBack = 4,
    kReplayButtonForward = 5,
    kReplayButtonSave = 6,
};
constexpr Box ReplayButton(uint32_t button) {
    const float u = 0.25f * static_cast<float>(button % 4), v = 0.25f * static_cast<float>(button / 4);
    return {u, v, u + 0.25f, v + 0.25f};
}
constexpr Box ReplaySpeed(uint32_t speed) {
    const float u = 0.125f * static_cast<float>(speed);
    return {u, 0.5f, u + 0.125f, 0.625f};
}

}  // namespace kes::hudcell
