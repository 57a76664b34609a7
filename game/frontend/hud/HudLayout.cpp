#include "game/frontend/hud/HudLayout.h"

#include <algorithm>
#include <cmath>

#include "game/frontend/hud/HudCells.h"

namespace kes {

uint32_t FormatLapDigits(uint32_t ms, Sprite* quads) {
    // Quads 3 and 6 keep their separator cells.
    quads[0].rect = &LargeDigitCell(ms / 10 % 10);
    quads[1].rect = &LargeDigitCell(ms / 100 % 10);
    quads[3].rect = &LargeDigitCell(ms / 1000 % 10);
    quads[4].rect = &LargeDigitCell(ms / 10000 % 6);
    quads[6].rect = &LargeDigitCell(ms / 60000 % 10);
    quads[7].rect = &LargeDigitCell(ms / 600000 % 6);
    return ms / 3600000;
}

uint32_t LayoutCentredLine(std::string_view text, float top, float bottom, Sprite* quads) {
    const uint32_t n = static_cast<uint32_t>(std::min<size_t>(text.size(), kCentredLineMax));
    for (uint32_t i = 0; i < n; ++i) {
        // 24-unit glyphs on a 16-unit pitch in a 640-unit-wide screen.
        const float left = static_cast<float>((kCentredLineMax - n) * 8 + 16 * i) * 0.0015625f;
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const TextureRect* cell = &BlankCell();
        if (c >= 'A' && c <= 'Z') cell = &LetterCell(c - 'A');
        else if (c >= 'a' && c <= 'z') cell = &LetterCell(c - 'a');
        else if (c >= '0' && c <= '9') cell = &DigitCell(c - '0');
        quads[i] = {left, top, left + 0.0375f, bottom, kHudDepth, kHudWhite, cell};
    }
    return n;
}

void LayoutNumber(uint32_t value, uint32_t digits, uint32_t blankLeading, const TextureRect& (*cell)(uint32_t),
                  Sprite* quads) {
    uint32_t v = value;
    for (uint32_t i = digits; i-- > 0;) {
        quads[i].rect = &cell(v % 10);
        v /= 10;
    }
    for (uint32_t i = 0; i < blankLeading && i < digits; ++i) {
        if (quads[i].rect != &cell(0)) break;
        quads[i].rect = &BlankCell();
    }
}

bool MessageVisible(uint32_t timerMs) { return timerMs != 0 && timerMs % 1000 > 300; }

uint32_t OrdinalSuffix(uint32_t n) {
    if (n % 100 >= 11 && n % 100 <= 13) return 3;
    switch (n % 10) {
        case 1: return 0;
        case 2: return 1;
        case 3: return 2;
        default: return 3;
    }
}

bool PlaceMapMarker(float x, float y, uint32_t colour, Sprite* marker) {
    // The negated tests also turn away NaN.
    if (!(x >= 0.0f && x <= 1.0f && y >= 0.0f && y <= 1.0f)) return false;
    const float cx = kMapLeft + x * (kMapRight - kMapLeft);
    const float cy = kMapTop + (1.0f - y) * (kMapBottom - kMapTop);
    constexpr float kHalfWidth = 0.0125f / 2, kHalfHeight = 0.016667f / 2;
    *marker = {cx - kHalfWidth, cy - kHalfHeight, cx + kHalfWidth, cy + kHalfHeight, kHudDepth, colour,
               &MapMarkerCell()};
    return true;
}

uint32_t GaugeBarColour(float magnitude) {
    if (magnitude < 0.15f) return 0xFF00FF00u;
    if (magnitude < 0.4f) return 0xFFFFFF00u;
    if (magnitude < 1.0f) return 0xFFFF0000u;
    return kHudWhite;
}

bool ArrowDelay::Frame(bool state) {
    if (!state) {
        frames_ = 0;
        return false;
    }
    if (frames_ < kFrames) ++frames_;
    else return true;
    return false;
}

bool WrongWayTimer::Frame(bool riding, float dot, uint32_t ms) {
    if (!riding) return false;  // the time neither grows nor resets while off the bike
    if (!(dot < kLimit)) {
        ms_ = 0;
        return false;
    }
    ms_ = ms_ > UINT32_MAX - ms ? UINT32_MAX : ms_ + ms;
    return ms_ > kShowAfterMs;
}

}  // namespace kes
