#pragma once
// Table-driven sine, cosine and square root. Physics and rendering both depend on the quantisation
// (4096 angle steps per turn, 13 mantissa bits of square root), so these are the only versions the
// game uses. InitTrigTables must run once before any of them (the main window does it at start-up).
#include <cstdint>
#include <cstring>

namespace kes {

constexpr int kSineTableSize = 5120;       // one turn of 4096 steps plus a quarter turn for cosine
constexpr int kSineStepsPerTurn = 4096;
constexpr int kCosineTableOffset = 1024;   // a quarter turn
constexpr int kSqrtTableSize = 16384;      // 8192 entries for [2, 4), then 8192 for [1, 2)
constexpr float kAngleToSineIndex = 651.8986f;  // 4096 / (2 pi)

// Fills the square-root table and the sine table.
void InitTrigTables();

// Sine and cosine of an angle in radians, read from the table. The angle is turned into a table
// step with the current rounding mode: toward zero inside a frame, to nearest outside.
float FastSin(float angle);
float FastCos(float angle);

namespace fastmath {
extern uint32_t g_sqrtMantissas[kSqrtTableSize];
constexpr uint32_t kExponentOne = 0x3F800000;  // bits of 1.0f

inline uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline float BitsToFloat(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
}  // namespace fastmath

// Square root of x >= 0 from the exponent and a table of mantissas. Inline: physics takes millions
// of roots a second.
inline float FastSqrt(float x) {
    // The sign bit is dropped: -0.0 gives 0.0 and a slightly negative rounding residue gives a small
    // root instead of an infinity or a huge number.
    const uint32_t bits = fastmath::FloatBits(x) & 0x7FFFFFFFu;
    if (bits == 0) {
        return 0.0f;
    }
    // Half the unbiased exponent, rounded down, re-biased; the lowest exponent bit and the 13 highest
    // mantissa bits pick the mantissa.
    const int32_t halfExponent = static_cast<int32_t>(bits - fastmath::kExponentOne) >> 24;
    const uint32_t exponentField = static_cast<uint32_t>(halfExponent * 0x800000 + 0x3F800000);
    const uint32_t mantissa = fastmath::g_sqrtMantissas[(bits & 0xFFFC00u) >> 10];
    return fastmath::BitsToFloat(exponentField | mantissa);
}

double FloatAbs(double value);

// The table step an angle falls on (0 .. 4095), as FastSin and FastCos use it.
int SineTableIndex(float angle);

// Read-only views of the tables, for code that wants the raw entries.
const float* SineTable();
const uint32_t* SqrtMantissaTable();

}  // namespace kes
