// The bike-point budget, the cut-back of a custom bike over budget, and the six-word record with the
// bike's tier.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "game/frontend/flow/FlowState.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/pages/options/BikeSetupRules.h"

namespace kes {
namespace {

TEST(BikePointBudget, GrowsWithTheCareerTotalUpToTheCap) {
    const struct {
        float bikePoints, careerTotal;
        int32_t budget;
    } kCases[] = {
        {100, 0, 100},      {100, 150, 162},  // (0.1)^0.6 x 250 = 62.8: the whole part
        {100, 1500, 350},   // 1500 adds 250, capped
        {50, 1500, 300},    {340, 1500, 350}, {100.9f, 0, 100},
        {0, 0, 0},          {-40, 0, 0},      // an edited profile: never below 0
        {100, -1500, 100},  // a negative total earns nothing (no NaN from the power)
        {NAN, NAN, 0},      {INFINITY, 0, 0},  // not a number a profile can hold
    };
    for (const auto& c : kCases)
        EXPECT_EQ(BikePointBudget(c.bikePoints, c.careerTotal), c.budget) << c.bikePoints << " " << c.careerTotal;
}

TEST(KeepWithinBudget, TheMovedSliderGivesBackTheExcess) {
    const struct {
        int32_t values[4], stored[4], budget, expected[4];
        const char* why;
    } kCases[] = {
        {{90, 10, 10, 10}, {10, 10, 10, 10}, 100, {70, 10, 10, 10}, "rises to 70 and no further"},
        {{10, 10, 10, 60}, {10, 10, 10, 10}, 100, {10, 10, 10, 60}, "within budget: untouched"},
        {{10, 10, 10, 80}, {10, 10, 10, 10}, 100, {10, 10, 10, 70}, "the fourth slider"},
        {{50, 50, 50, 50}, {50, 50, 50, 50}, 100, {50, 50, 50, 50}, "nothing moved: nothing cut"},
        {{80, 90, 10, 10}, {10, 10, 10, 10}, 100, {0, 80, 10, 10}, "both moved: the first gives all, then the second"},
        {{30, 90, 90, 10}, {10, 90, 90, 10}, 100, {0, 90, 90, 10}, "the others alone over budget: stops at 0"},
    };
    for (const auto& c : kCases) {
        int32_t v[4] = {c.values[0], c.values[1], c.values[2], c.values[3]};
        KeepWithinBudget(v, c.stored, c.budget);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i], c.expected[i]) << c.why << ", slider " << i + 1;
    }
}

TEST(FillBikeSetup, WordsAndTierFromTheRaceSetup) {
    const struct {
        uint32_t bikeClass, params[4], tier;
        int32_t expected[4];  // parameters 1-4 as whole numbers
    } kCases[] = {
        {0, {}, 0, {64, 48, 25, 12}},           {1, {}, 1, {23, 41, 39, 21}},
        {2, {}, 2, {11, 36, 59, 44}},           {3, {}, 2, {100, 100, 100, 100}},
        {4, {10, 20, 30, 32}, 0, {10, 20, 30, 32}},  // 0.32032
        {4, {10, 20, 30, 33}, 1, {10, 20, 30, 33}},  // 0.33033
        {4, {10, 20, 30, 65}, 1, {10, 20, 30, 65}},  // 0.65065
        {4, {10, 20, 30, 66}, 2, {10, 20, 30, 66}},  // 0.66066
        {4, {500, 0, 0, 0}, 0, {100, 0, 0, 0}},      // a whole number beyond the slider's range
        {9, {}, 0, {64, 48, 25, 12}},           // no such class: the first preset
    };
    for (const auto& c : kCases) {
        GameFlowState& flow = Flow();
        flow.setupValue0 = 2;
        flow.setupValue1 = 1;
        flow.setupClass = c.bikeClass;
        for (int i = 0; i < 4; ++i) flow.setupParams[i] = c.params[i];
        BikeSetup s;
        EXPECT_EQ(FillBikeSetup(&s), c.tier) << "class " << c.bikeClass << " p4 " << c.params[3];
        EXPECT_EQ(s.value0, 2u);
        EXPECT_EQ(s.value1, 1u);
        // The words carry parameters 4, 2, 3, 1, each the whole number times 0.01001 in single precision.
        const float scaled[4] = {static_cast<float>(c.expected[3]) * 0.01001f, static_cast<float>(c.expected[1]) * 0.01001f,
                                 static_cast<float>(c.expected[2]) * 0.01001f, static_cast<float>(c.expected[0]) * 0.01001f};
        const float got[4] = {s.param4, s.param2, s.param3, s.param1};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(std::bit_cast<uint32_t>(got[i]), std::bit_cast<uint32_t>(scaled[i])) << "word " << i + 1;
    }
    EXPECT_EQ(std::bit_cast<uint32_t>(12 * 0.01001f), 0x3DF6017Au) << "class 0's fourth parameter, bit for bit";
}

}  // namespace
}  // namespace kes
