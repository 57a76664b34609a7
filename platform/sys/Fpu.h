#pragma once
// Float-to-integer conversion and the frame's rounding mode. Inside a frame the thread rounds toward
// zero; FloatToInt truncates whatever the mode, and out-of-range values give the x87 "integer
// indefinite" (INT32_MIN) so that results do not depend on the compiler.
#include <cstdint>

namespace plat {

// Inline: the simulation converts millions of coordinates a second.
inline int FloatToInt(float value) {
    constexpr float kTwo31 = 2147483648.0f;  // every float below it, and at or above -2^31, fits
    if (!(value >= -kTwo31 && value < kTwo31)) return INT32_MIN;  // NaN too
    return static_cast<int>(value);
}

// Converts with the thread's current rounding mode (lrintf); out of range and NaN give INT32_MIN.
int RoundWithCurrentMode(float value);

// True while the thread rounds toward zero.
bool RoundingTowardZero();

// Switches the thread to rounding toward zero for its lifetime and restores the previous mode.
class TowardZeroRounding {
public:
    TowardZeroRounding();
    ~TowardZeroRounding();
    TowardZeroRounding(const TowardZeroRounding&) = delete;
    TowardZeroRounding& operator=(const TowardZeroRounding&) = delete;

private:
    int previous_;
};

}  // namespace plat
