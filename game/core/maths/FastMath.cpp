#include "game/core/maths/FastMath.h"

#include <cfenv>
#include <cmath>
#include <cstring>

namespace kes {

namespace fastmath {
uint32_t g_sqrtMantissas[kSqrtTableSize];
}  // namespace fastmath

namespace {

float g_sineTable[kSineTableSize];
using fastmath::g_sqrtMantissas;
using fastmath::FloatBits;
using fastmath::BitsToFloat;

constexpr uint32_t kMantissaMask = 0x7FFFFF;
constexpr uint32_t kExponentOne = fastmath::kExponentOne;

uint32_t SqrtMantissaOf(uint32_t bits) {
    const float root = static_cast<float>(std::sqrt(static_cast<double>(BitsToFloat(bits))));
    return FloatBits(root) & kMantissaMask;
}

}  // namespace

void InitTrigTables() {
    // The tables must come out the same whatever rounding mode the caller is in: replays and
    // network peers rely on identical physics.
    const int savedRounding = std::fegetround();
    std::fesetround(FE_TONEAREST);

    for (uint32_t i = 0; i < kSqrtTableSize / 2; ++i) {
        g_sqrtMantissas[i] = SqrtMantissaOf(0x40000000u | (i << 10));                       // [2, 4)
        g_sqrtMantissas[kSqrtTableSize / 2 + i] = SqrtMantissaOf(kExponentOne | (i << 10));  // [1, 2)
    }
    const double step = static_cast<double>(3.1415927f) / 2048.0;
    for (int i = 0; i < kSineTableSize; ++i) {
        g_sineTable[i] = static_cast<float>(std::sin(static_cast<double>(i) * step));
    }

    std::fesetround(savedRounding);
}

int SineTableIndex(float angle) {
    // The product of two floats is exact in double, so only the conversion rounds, and it does so
    // in the current mode. A value outside the 32-bit range (or NaN) converts to the integer
    // "indefinite" value 0x80000000, whose low 12 bits are 0: such angles read entry 0.
    const double scaled = static_cast<double>(angle) * static_cast<double>(kAngleToSineIndex);
    if (!(std::fabs(scaled) < 2147483648.0)) {
        return 0;
    }
    const long step = std::lrint(scaled);
    return static_cast<int>(static_cast<unsigned long>(step) & (kSineStepsPerTurn - 1));
}

float FastSin(float angle) {
    return g_sineTable[SineTableIndex(angle)];
}

float FastCos(float angle) {
    return g_sineTable[SineTableIndex(angle) + kCosineTableOffset];
}

double FloatAbs(double value) {
    return std::fabs(value);
}

const float* SineTable() {
    return g_sineTable;
}

const uint32_t* SqrtMantissaTable() {
    return g_sqrtMantissas;
}

}  // namespace kes
