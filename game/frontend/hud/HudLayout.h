#pragma once
// The HUD's pure rules, kept apart from drawing so that each can be checked alone: lap-time digits,
// centred text lines, numbers with blanked leading zeros, the blinking message, map marker
// placement, gauge colours and the two timers that persist between frames.
#include <cstdint>
#include <string_view>

#include "game/core/sprite/Sprites.h"

namespace kes {

constexpr float kHudDepth = 0.001f;
constexpr uint32_t kHudWhite = 0xFFFFFFFFu;
constexpr uint32_t kCurrentLapColour = 0xFFFF4A32u;

// Fills the cells of eight quads (right to left) with the digits of `ms`; returns the whole hours.
uint32_t FormatLapDigits(uint32_t ms, Sprite* quads);

// The most characters of a centred line; longer texts are cut.
constexpr uint32_t kCentredLineMax = 40;
// Lays `text` out as a centred line between heights top and bottom: letters (either case) from the
// letter cells, digits from the digit cells, anything else blank. Returns the quads used.
uint32_t LayoutCentredLine(std::string_view text, float top, float bottom, Sprite* quads);

// Writes `value` as `digits` digits into quads (left to right) from a digit set, showing at most
// `blankLeading` leading zeros as blanks. Values too large for the digits show their low digits.
void LayoutNumber(uint32_t value, uint32_t digits, uint32_t blankLeading, const TextureRect& (*cell)(uint32_t),
                  Sprite* quads);

// The message line shows 700 ms of each second while its timer runs.
bool MessageVisible(uint32_t timerMs);

// 0 "st", 1 "nd", 2 "rd", 3 "th" for a lap number or place.
uint32_t OrdinalSuffix(uint32_t n);

// The map rectangle and the marker for map position (x, y); false (no marker) outside 0..1.
constexpr float kMapLeft = 0.0203125f, kMapTop = 0.7375f, kMapRight = 0.1953125f, kMapBottom = 0.9708334f;
bool PlaceMapMarker(float x, float y, uint32_t colour, Sprite* marker);

// The colour of an active balance-gauge bar for a value of the given magnitude.
uint32_t GaugeBarColour(float magnitude);

// Step 7's delay: the arrow shows from the 31st consecutive frame of the arrow state.
class ArrowDelay {
public:
    static constexpr uint32_t kFrames = 30;
    // One frame: whether the state holds; returns whether the arrow is drawn this frame.
    bool Frame(bool state);
    void Reset() { frames_ = 0; }

private:
    uint32_t frames_ = 0;
};

// Step 8's timer: time facing against the course while riding; the sign shows after 4000 ms.
class WrongWayTimer {
public:
    static constexpr uint32_t kShowAfterMs = 4000;
    static constexpr float kLimit = -0.3f;
    // One frame of ms with the heading-course dot product; returns whether the sign is drawn.
    bool Frame(bool riding, float dot, uint32_t ms);
    void Reset() { ms_ = 0; }
    uint32_t Elapsed() const { return ms_; }

private:
    uint32_t ms_ = 0;
};

}  // namespace kes
