#include "game/core/maths/FastMath.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

namespace kes {
namespace {

constexpr double kTwoPi = 6.283185307179586;

class FastMathTest : public ::testing::Test {
protected:
    void SetUp() override { InitTrigTables(); }
};

// Switches the rounding mode for one scope, as a frame does.
class RoundingScope {
public:
    explicit RoundingScope(int mode) : saved_(std::fegetround()) { std::fesetround(mode); }
    ~RoundingScope() { std::fesetround(saved_); }
    RoundingScope(const RoundingScope&) = delete;
    RoundingScope& operator=(const RoundingScope&) = delete;

private:
    int saved_;
};

struct SqrtCase {
    float input;
    float expected;
};

TEST_F(FastMathTest, SqrtIsExactOnTableBoundaries) {
    const SqrtCase cases[] = {
        {0.0f, 0.0f},   {-0.0f, 0.0f},  {1.0f, 1.0f},    {4.0f, 2.0f},   {0.25f, 0.5f},
        {9.0f, 3.0f},   {100.0f, 10.0f}, {65536.0f, 256.0f}, {1.0f / 1024.0f, 1.0f / 32.0f},
        {2.0f, static_cast<float>(std::sqrt(2.0))}, {0.5f, static_cast<float>(std::sqrt(0.5))},
    };
    for (const SqrtCase& c : cases) {
        EXPECT_EQ(FastSqrt(c.input), c.expected) << "sqrt of " << c.input;
    }
}

TEST_F(FastMathTest, SqrtOfRandomPositiveFloatsIsWithinTheTableQuantisation) {
    std::mt19937 random(12345);
    // Every normal float exponent from 2^-126 to 2^127, with random mantissas.
    std::uniform_int_distribution<uint32_t> bitsOf(0x00800000u, 0x7F7FFFFFu);
    const double bound = std::ldexp(1.0, -13);
    for (int i = 0; i < 1000000; ++i) {
        const uint32_t bits = bitsOf(random);
        float x;
        std::memcpy(&x, &bits, sizeof x);
        const double exact = std::sqrt(static_cast<double>(x));
        const float fast = FastSqrt(x);
        ASSERT_LE(std::fabs(fast - exact) / exact, bound) << "x = " << x;
        // The table holds roots of the lower end of each step, so the result never overshoots.
        ASSERT_LE(fast, static_cast<float>(exact)) << "x = " << x;
    }
}

TEST_F(FastMathTest, SineAndCosineFollowTheTrueFunctionsWithinOneStep) {
    // One step is 2 pi / 4096; the table value may be up to half a step (nearest) away.
    const double halfStep = kTwoPi / 4096.0 / 2.0 + 1e-6;
    for (double angle = -20.0; angle <= 20.0; angle += 0.01) {
        const float a = static_cast<float>(angle);
        ASSERT_NEAR(FastSin(a), std::sin(a), halfStep) << a;
        ASSERT_NEAR(FastCos(a), std::cos(a), halfStep) << a;
    }
}

TEST_F(FastMathTest, SineIsPeriodicAndNegativeAnglesReadFromTheTopOfTheTable) {
    const float* table = SineTable();
    const float angles[] = {0.1f, 0.7853982f, 1.5f, 3.0f, 4.0f, 6.0f};
    for (float a : angles) {
        const float turned = a + static_cast<float>(kTwoPi);
        EXPECT_EQ(SineTableIndex(turned), SineTableIndex(a)) << a;
        EXPECT_EQ(FastSin(turned), FastSin(a)) << a;
        EXPECT_EQ(FastCos(turned), FastCos(a)) << a;

        const int index = SineTableIndex(a);
        EXPECT_EQ(SineTableIndex(-a), (4096 - index) & 0xFFF) << a;
        EXPECT_EQ(FastSin(-a), table[(4096 - index) & 0xFFF]) << a;
        EXPECT_NEAR(FastSin(-a), -FastSin(a), 1e-6f) << a;
        EXPECT_EQ(FastCos(a), table[index + 1024]) << a;
    }
}

TEST_F(FastMathTest, TableEntriesOfQuarterTurns) {
    const float* table = SineTable();
    EXPECT_EQ(table[0], 0.0f);
    EXPECT_EQ(table[1024], 1.0f);
    EXPECT_EQ(table[3072], -1.0f);
    EXPECT_NEAR(table[5119], table[1023], 1e-7f);  // the quarter turn past the end repeats the start
    EXPECT_EQ(FastCos(0.0f), 1.0f);
}

TEST_F(FastMathTest, InsideAFrameTheAngleStepIsTruncated) {
    // An angle whose scaled value is 10.7: to nearest it falls on step 11, truncated on step 10.
    const float angle = 10.7f / kAngleToSineIndex;
    const double scaled = static_cast<double>(angle) * kAngleToSineIndex;
    ASSERT_GT(scaled, 10.6);
    ASSERT_LT(scaled, 10.8);
    const float* table = SineTable();

    struct ModeCase {
        int mode;
        int positiveIndex;
        int negativeIndex;
    };
    const ModeCase cases[] = {
        {FE_TONEAREST, 11, 4096 - 11},
        {FE_TOWARDZERO, 10, 4096 - 10},
    };
    for (const ModeCase& c : cases) {
        RoundingScope scope(c.mode);
        EXPECT_EQ(SineTableIndex(angle), c.positiveIndex) << c.mode;
        EXPECT_EQ(SineTableIndex(-angle), c.negativeIndex) << c.mode;
        EXPECT_EQ(FastSin(angle), table[c.positiveIndex]) << c.mode;
        EXPECT_EQ(FastCos(angle), table[c.positiveIndex + 1024]) << c.mode;
    }
    EXPECT_NE(table[10], table[11]);
}

TEST_F(FastMathTest, AnglesTooLargeForTheConversionReadEntryZero) {
    const float angles[] = {
        4.0e6f,  -4.0e6f,  1.0e30f, -1.0e30f,
        std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
        std::numeric_limits<float>::quiet_NaN(),
    };
    for (float a : angles) {
        EXPECT_EQ(SineTableIndex(a), 0) << a;
        EXPECT_EQ(FastSin(a), 0.0f) << a;
        EXPECT_EQ(FastCos(a), 1.0f) << a;
    }
    // Just inside the 32-bit range the step is still taken from the angle.
    const float inside = 3.0e6f;  // scaled about 1.96e9
    EXPECT_EQ(SineTableIndex(inside),
              static_cast<int>(std::llrint(static_cast<double>(inside) * kAngleToSineIndex) & 0xFFF));
}

TEST_F(FastMathTest, TablesDoNotDependOnTheCallersRoundingMode) {
    float sineNearest[kSineTableSize];
    uint32_t sqrtNearest[kSqrtTableSize];
    std::memcpy(sineNearest, SineTable(), sizeof sineNearest);
    std::memcpy(sqrtNearest, SqrtMantissaTable(), sizeof sqrtNearest);
    {
        RoundingScope scope(FE_TOWARDZERO);
        InitTrigTables();
    }
    EXPECT_EQ(std::memcmp(sineNearest, SineTable(), sizeof sineNearest), 0);
    EXPECT_EQ(std::memcmp(sqrtNearest, SqrtMantissaTable(), sizeof sqrtNearest), 0);
}

TEST(FloatAbsTest, DropsTheSign) {
    EXPECT_EQ(FloatAbs(-2.5), 2.5);
    EXPECT_EQ(FloatAbs(2.5), 2.5);
    EXPECT_FALSE(std::signbit(FloatAbs(-0.0)));
}

}  // namespace
}  // namespace kes
