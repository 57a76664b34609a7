#include "game/frontend/pages/select/ChampionshipLists.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/sys/CrtRand.h"

namespace kes {
namespace {

using List = std::vector<uint32_t>;

// Every world is in exactly one of the two lists, whatever the player did.
void ExpectEachWorldOnce(const ChampionshipLists& lists, List all) {
    List seen = lists.Available();
    seen.insert(seen.end(), lists.Chosen().begin(), lists.Chosen().end());
    std::sort(seen.begin(), seen.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(seen, all);
}

TEST(ChampionshipLists, AddMovesTheHighlightedWorldToTheEndOfTheChosenList) {
    ChampionshipLists lists;
    lists.Reset({5, 0, 2, 3});
    EXPECT_EQ(lists.Available(), (List{0, 2, 3, 5}));
    EXPECT_TRUE(lists.Add(2));
    EXPECT_TRUE(lists.Add(0));
    EXPECT_EQ(lists.Chosen(), (List{3, 0}));
    EXPECT_EQ(lists.Available(), (List{2, 5}));
    EXPECT_FALSE(lists.Add(2)) << "a row past the list";
    ExpectEachWorldOnce(lists, {0, 2, 3, 5});
}

TEST(ChampionshipLists, RemovePutsTheWorldBackInItsSortedPlace) {
    ChampionshipLists lists;
    lists.Reset({0, 2, 3, 5});
    ASSERT_TRUE(lists.Add(2));  // 3
    EXPECT_EQ(lists.Available(), (List{0, 2, 5}));
    EXPECT_TRUE(lists.Remove(0));
    EXPECT_EQ(lists.Available(), (List{0, 2, 3, 5}));
    EXPECT_TRUE(lists.Chosen().empty());
    EXPECT_FALSE(lists.Remove(0)) << "nothing chosen";
}

TEST(ChampionshipLists, MovesKeepTheSelectionOnTheMovedWorld) {
    ChampionshipLists lists;
    lists.Reset({0, 1, 2});
    lists.AddAll();
    EXPECT_EQ(lists.MoveDown(0), 1u);
    EXPECT_EQ(lists.Chosen(), (List{1, 0, 2}));
    EXPECT_EQ(lists.MoveUp(2), 1u);
    EXPECT_EQ(lists.Chosen(), (List{1, 2, 0}));
    EXPECT_EQ(lists.MoveUp(0), 0u) << "the first stays first";
    EXPECT_EQ(lists.MoveDown(2), 2u) << "the last stays last";
    EXPECT_EQ(lists.MoveDown(7), 7u) << "a row past the list changes nothing";
    EXPECT_EQ(lists.Chosen(), (List{1, 2, 0}));
}

TEST(ChampionshipLists, AddAllLeavesNoWorldInBothLists) {
    ChampionshipLists lists;
    lists.Reset({0, 1, 2, 3});
    ASSERT_TRUE(lists.Add(3));
    lists.AddAll();
    EXPECT_EQ(lists.Chosen(), (List{3, 0, 1, 2}));
    EXPECT_TRUE(lists.Available().empty());
    ASSERT_TRUE(lists.Remove(0));
    ExpectEachWorldOnce(lists, {0, 1, 2, 3});
}

TEST(ChampionshipLists, ShuffleOfOneWorldLeavesTheListAlone) {
    ChampionshipLists lists;
    lists.Reset({4, 9});
    ASSERT_TRUE(lists.Add(1));
    plat::CrtSrand(7);
    const int next = plat::CrtRand();
    plat::CrtSrand(7);
    lists.Shuffle();
    EXPECT_EQ(lists.Chosen(), (List{9}));
    EXPECT_EQ(plat::CrtRand(), next) << "no random number drawn";
}

TEST(ChampionshipLists, ShuffleMixesTheChosenWorldsAndRepeatsWithTheSeed) {
    const List all = {0, 1, 2, 3, 4, 5, 6, 7};
    auto shuffled = [&](uint32_t seed) {
        ChampionshipLists lists;
        lists.Reset(all);
        lists.AddAll();
        plat::CrtSrand(seed);
        lists.Shuffle();
        ExpectEachWorldOnce(lists, all);
        return lists.Chosen();
    };
    EXPECT_EQ(shuffled(3), shuffled(3));
    EXPECT_NE(shuffled(3), all);
}

TEST(ChampionshipLists, ResetEmptiesTheChosenList) {
    ChampionshipLists lists;
    lists.Reset({0, 1});
    lists.AddAll();
    lists.Reset({0, 1, 2});
    EXPECT_TRUE(lists.Chosen().empty());
    EXPECT_EQ(lists.Available(), (List{0, 1, 2}));
}

}  // namespace
}  // namespace kes
