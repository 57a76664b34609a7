#include <gtest/gtest.h>

#include <cfenv>
#include <climits>
#include <cmath>
#include <limits>

#include "platform/sys/Fpu.h"

namespace {

TEST(FloatToInt, TruncatesTowardZeroAndFlagsOutOfRange) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float in;
        int out;
    } cases[] = {{0.0f, 0},          {1.9f, 1},           {-1.9f, -1},         {2.5f, 2},
                 {-0.5f, 0},         {2147483520.0f, 2147483520},              {-2147483648.0f, INT_MIN},
                 {2147483648.0f, INT_MIN}, {-2147483904.0f, INT_MIN},       {1e20f, INT_MIN},
                 {inf, INT_MIN},     {-inf, INT_MIN},     {nan, INT_MIN}};
    for (const Case& c : cases) EXPECT_EQ(plat::FloatToInt(c.in), c.out) << c.in;
}

TEST(FloatToInt, IgnoresTheRoundingMode) {
    std::fesetround(FE_UPWARD);
    EXPECT_EQ(plat::FloatToInt(1.2f), 1);
    EXPECT_EQ(plat::FloatToInt(-1.2f), -1);
    std::fesetround(FE_TONEAREST);
}

TEST(TowardZeroRounding, AppliesForTheScopeAndRestoresThePreviousMode) {
    ASSERT_EQ(std::fegetround(), FE_TONEAREST);
    EXPECT_EQ(plat::RoundWithCurrentMode(2.7f), 3);
    EXPECT_EQ(plat::RoundWithCurrentMode(2.5f), 2);  // to even
    {
        plat::TowardZeroRounding frame;
        EXPECT_TRUE(plat::RoundingTowardZero());
        EXPECT_EQ(plat::RoundWithCurrentMode(2.7f), 2);
        EXPECT_EQ(plat::RoundWithCurrentMode(-2.7f), -2);
        // Arithmetic rounds toward zero as well: 1/3 comes out just below its nearest value.
        volatile float third = 1.0f, three = 3.0f;
        EXPECT_LT(third / three, 0.3333333432674407958984375f);
    }
    EXPECT_FALSE(plat::RoundingTowardZero());
    EXPECT_EQ(std::fegetround(), FE_TONEAREST);

    std::fesetround(FE_UPWARD);
    {
        plat::TowardZeroRounding frame;
        EXPECT_EQ(plat::RoundWithCurrentMode(1.2f), 1);
    }
    EXPECT_EQ(std::fegetround(), FE_UPWARD);
    std::fesetround(FE_TONEAREST);
}

TEST(RoundWithCurrentMode, OutOfRangeGivesIntegerIndefinite) {
    EXPECT_EQ(plat::RoundWithCurrentMode(3e9f), INT_MIN);
    EXPECT_EQ(plat::RoundWithCurrentMode(std::numeric_limits<float>::quiet_NaN()), INT_MIN);
    EXPECT_EQ(plat::RoundWithCurrentMode(-2147483648.0f), INT_MIN);
}

}  // namespace
