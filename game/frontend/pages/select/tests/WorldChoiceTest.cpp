#include "game/frontend/pages/select/WorldChoice.h"

#include <gtest/gtest.h>

#include "game/core/config/Config.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/select/SelectShared.h"
#include "game/frontend/session/RaceSession.h"

namespace kes {
namespace {

// A world list as the list builder leaves it: sorted by kind, then identifier, the menu world last.
class WorldChoiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = g_WorldList;
        g_WorldList.clear();
        Add(1001, 0, "Vallee@Valle@Vallée");
        Add(1002, 0, "Crete");
        Add(2002, 1, "Stade");
        Add(3001, 2, "Carriere");
        Add(4001, 2, "Bonus A");
        Add(4002, 2, "Bonus B");
        Add(4003, 2, "Bonus C");
        Add(0, kSelectWorldKind, "");
    }
    void TearDown() override { g_WorldList = saved_; }
    static void Add(uint32_t id, uint32_t kind, const std::string& name) {
        WorldRecord w;
        w.identifier = id;
        w.kind = kind;
        w.nameText = name;
        w.name = name.substr(0, name.find('@'));
        g_WorldList.push_back(w);
    }
    static std::vector<uint32_t> Ids(const std::vector<WorldChoice>& worlds) {
        std::vector<uint32_t> ids;
        for (const WorldChoice& w : worlds) ids.push_back(w.identifier);
        return ids;
    }
    std::vector<WorldRecord> saved_;
};

TEST_F(WorldChoiceTest, BonusWorldsAreListedOnlyWithTheirUnlockBit) {
    const struct {
        uint32_t unlocks;
        std::vector<uint32_t> timed;
    } cases[] = {
        {0, {3001}},
        {2, {3001, 4002}},
        {1 | 4, {3001, 4001, 4003}},
        {1 | 2 | 4 | 8, {3001, 4001, 4002, 4003}},
    };
    for (const auto& c : cases) EXPECT_EQ(Ids(WorldsOfKind(2, c.unlocks)), c.timed) << "unlocks " << c.unlocks;
}

TEST_F(WorldChoiceTest, KindsKeepListOrderAndIndices) {
    const std::vector<WorldChoice> outdoor = WorldsOfKind(0, 0);
    ASSERT_EQ(outdoor.size(), 2u);
    EXPECT_EQ(outdoor[1].index, 1u);
    EXPECT_TRUE(WorldsOfKind(5, 7).empty()) << "a family without worlds";
}

TEST_F(WorldChoiceTest, RaceableWorldsLeaveOutTheMenuWorldAndLockedBonusWorlds) {
    EXPECT_EQ(Ids(RaceableWorlds(0)), (std::vector<uint32_t>{1001, 1002, 2002, 3001}));
    EXPECT_EQ(RaceableWorlds(7).size(), 7u);
}

TEST_F(WorldChoiceTest, NamesAreInTheSettingsLanguage) {
    const uint32_t language = g_Config.language;
    g_Config.language = 2;
    EXPECT_EQ(WorldsOfKind(0, 0)[0].name, "Vallée");
    EXPECT_EQ(WorldsOfKind(0, 0)[1].name, "Crete") << "a name in one language only";
    g_Config.language = language;
}

TEST(PieceInLanguage, PicksThePieceOrFallsBackToTheFirst) {
    const struct {
        const char* text;
        uint32_t language;
        const char* piece;
    } cases[] = {
        {"En@Es@Fr@De", 0, "En"}, {"En@Es@Fr@De", 2, "Fr"}, {"En@Es@Fr@De", 3, "De"},
        {"En@Es", 2, "En"},       {"En@@Fr", 1, "En"},      {"", 1, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PieceInLanguage(c.text, c.language), c.piece) << c.text << " " << c.language;
}

TEST(ListSelection, ClicksChooseTheVisibleRowAndSelectionsStayInTheList) {
    MenuItem list{kItemListBox, 0, 0};
    list.firstRow = 4;
    EXPECT_EQ(ClickedListRow(list), -1) << "no press on the rows";
    list.pressRow = 3;
    EXPECT_EQ(ClickedListRow(list), 6);
    EXPECT_EQ(ClickedListRow(list), -1) << "a press is used once";
    EXPECT_EQ(ClampSelection(-1, 4.5f), 0);
    EXPECT_EQ(ClampSelection(9, 4.5f), 4);
    EXPECT_EQ(ClampSelection(3, 0.0f), 0) << "an empty list";
}

}  // namespace
}  // namespace kes
