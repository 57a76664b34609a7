#include "game/world/tricks/Tricks.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace kes::test {
namespace {

// Presses each code in turn (released before the next) and returns every result.
std::vector<int32_t> Press(int32_t table, const std::vector<uint32_t>& codes) {
    SetTrickMode(table);
    ResetTrickInput();
    std::vector<int32_t> results;
    for (uint32_t code : codes) {
        results.push_back(FeedTrickButtons(code));
        EXPECT_EQ(FeedTrickButtons(0), kTrickWaiting) << "a release only waits";
    }
    return results;
}

TEST(TrickCombos, EveryComboGivesItsTrickAndEveryTrickHasOne) {
    struct Combo {
        int32_t table;
        std::vector<uint32_t> codes;
        int32_t trick;
    };
    const Combo combos[] = {
        {0, {1, 1}, 9},     {0, {2, 2}, 4},     {0, {1, 4}, 11},    {0, {1, 8}, 12},    {0, {1, 2}, 8},
        {1, {4, 1}, 1},     {1, {2, 4}, 22},    {1, {2, 8}, 24},    {1, {2, 1}, 2},     {1, {4, 4}, 10},
        {1, {8, 8}, 19},    {1, {2, 2}, 21},    {2, {1, 1}, 5},     {2, {2, 2}, 7},     {2, {1, 8}, 3},
        {2, {4, 2}, 14},    {2, {1, 2}, 6},     {2, {2, 8}, 18},    {2, {2, 1}, 13},    {2, {8, 1, 2}, 20},
        {2, {4, 8, 2}, 16}, {2, {8, 2, 1}, 23}, {2, {4, 1, 8}, 15}, {2, {8, 4, 1}, 17},
    };
    std::set<int32_t> seen;
    for (const Combo& c : combos) {
        SCOPED_TRACE(c.trick);
        const std::vector<int32_t> r = Press(c.table, c.codes);
        for (size_t i = 0; i + 1 < r.size(); ++i) EXPECT_EQ(r[i], kTrickWaiting);
        EXPECT_EQ(r.back(), c.trick);
        seen.insert(c.trick);
    }
    EXPECT_EQ(seen.size(), kTrickCount);
}

TEST(TrickCombos, SequencesThatMatchNothingStartOver) {
    EXPECT_EQ(Press(1, {4, 1}), (std::vector<int32_t>{kTrickWaiting, 1}));
    EXPECT_EQ(Press(2, {8, 8}), (std::vector<int32_t>{kTrickWaiting, kTrickNoCombo}));
    EXPECT_EQ(Press(2, {8, 8, 8, 1, 2}).back(), 20) << "after -2 a new combo starts from scratch";
    EXPECT_EQ(Press(0, {8}), (std::vector<int32_t>{kTrickNoCombo}));
    EXPECT_EQ(Press(3, {1}), (std::vector<int32_t>{kTrickNoCombo})) << "no table 3";
}

TEST(TrickCombos, HeldButtonsAddOnlyTheNewCode) {
    SetTrickMode(1);
    ResetTrickInput();
    EXPECT_EQ(FeedTrickButtons(4), kTrickWaiting);
    EXPECT_EQ(FeedTrickButtons(4), kTrickWaiting) << "holding adds nothing";
    EXPECT_EQ(FeedTrickButtons(4 | 1), 1) << "4 held, 1 added: the sequence 4 1";

    // Two pressed together make one code of their sum, which no combo uses.
    SetTrickMode(0);
    ResetTrickInput();
    EXPECT_EQ(FeedTrickButtons(1 | 2), kTrickNoCombo);
    EXPECT_EQ(GetTrickMode(), 0);
}

TEST(TrickTable, RowsAndNames) {
    EXPECT_EQ(GetTrickInfo(0), nullptr);
    EXPECT_EQ(GetTrickInfo(25), nullptr);
    const TrickInfo* t3 = GetTrickInfo(3);
    ASSERT_NE(t3, nullptr);
    EXPECT_EQ(t3->animation, 3u);
    EXPECT_EQ(t3->kind, kTrickAirOnly);
    EXPECT_EQ(t3->balanceMode, 2u);
    EXPECT_EQ(GetTrickInfo(22)->kind, kTrickNotSlowOnGround);
    EXPECT_EQ(GetTrickInfo(4)->usesBalance, 0u);
    EXPECT_EQ(GetTrickInfo(24)->animation, 36u);
    // The names follow the animation: trick 13 plays animation 15.
    EXPECT_STREQ(GetTrickNameByAnimation(GetTrickInfo(13)->animation), "NO HAND WINDSURF");
    EXPECT_STREQ(GetTrickNameByAnimation(GetTrickInfo(24)->animation), "NAC NAC");
    EXPECT_STREQ(GetTrickNameByAnimation(13), "");
    EXPECT_STREQ(GetTrickNameByAnimation(51), "");
    for (uint32_t t = 1; t <= kTrickCount; ++t)
        EXPECT_STRNE(GetTrickNameByAnimation(GetTrickInfo(t)->animation), "") << "trick " << t << " has a name";
}

TEST(TimedRiderAnimation, PlaysOutAndClears) {
    TimedRiderAnimation a(100);
    EXPECT_TRUE(a.IsRiderAnimStopped());
    EXPECT_TRUE(a.AnimValuesClear());
    a.StartRiderAnim(7);
    a.Advance(50);
    EXPECT_FALSE(a.IsRiderAnimStopped());
    EXPECT_FLOAT_EQ(a.AnimProgress(), 0.5f);
    a.Advance(60);
    EXPECT_TRUE(a.IsRiderAnimStopped());
    EXPECT_EQ(a.AnimProgress(), 1.0f);
    EXPECT_FALSE(a.AnimValuesClear()) << "played out: the progress stays until cleared";
    a.ClearAnimValues();
    EXPECT_TRUE(a.AnimValuesClear());
}

}  // namespace
}  // namespace kes::test
