#include "platform/sys/Fpu.h"

#include <cfenv>
#include <climits>
#include <cmath>

namespace plat {
namespace {
// 2^31 as a float: every float below it (and at or above -2^31) converts without overflow.
constexpr float kTwo31 = 2147483648.0f;

bool InIntRange(float v) { return v >= -kTwo31 && v < kTwo31; }  // false for NaN too
}  // namespace

int RoundWithCurrentMode(float value) {
    // Floats next to +-2^31 are whole numbers, so rounding cannot bring an out-of-range value back.
    if (!InIntRange(value)) return INT_MIN;
    return static_cast<int>(std::lrintf(value));
}

bool RoundingTowardZero() { return std::fegetround() == FE_TOWARDZERO; }

TowardZeroRounding::TowardZeroRounding() : previous_(std::fegetround()) { std::fesetround(FE_TOWARDZERO); }

TowardZeroRounding::~TowardZeroRounding() { std::fesetround(previous_); }

}  // namespace plat
