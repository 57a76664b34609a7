// The controls and bike set-up pages run step by step in the test process.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "game/core/input/Input.h"
#include "game/frontend/pages/options/tests/PageTestSupport.h"
#include "game/frontend/profile/ProfileControls.h"

namespace kes {
namespace {

using testing::PageTest;

// Controls page items.
enum : uint32_t {
    kBack = 1, kList = 2, kListUp = 3, kListDown = 4, kMode = 5, kModeL = 6, kModeR = 7, kFeedback = 8,
    kFeedbackL = 9, kFeedbackR = 10, kStrength = 11, kAirSwap = 12, kAirSwapL = 13, kAirSwapR = 14, kDefaults = 18,
};

TEST_F(PageTest, InputModeWrapsBothWays) {
    const struct {
        uint32_t start, item, expected;
    } kCases[] = {{0, kModeL, 3}, {3, kModeR, 0}, {1, kModeL, 0}, {2, kModeR, 3}};
    for (const auto& c : kCases) {
        P().SetKey(kSettingInputMode, c.start);
        SetMenuPage(4);
        Click(c.item);
        EXPECT_EQ(P().GetKey(kSettingInputMode), c.expected) << c.start << " item " << c.item;
        EXPECT_EQ(Item(kMode).label, 105 + c.expected);
    }
}

TEST_F(PageTest, StrengthSliderFollowsOnlyWhileFeedbackIsOn) {
    P().SetKey(kSettingForceFeedback, 0);
    P().SetKey(kSettingForceStrength, 70);
    SetMenuPage(4);
    EXPECT_NE(Item(kStrength).flags & kItemHidden, 0u) << "inert while off";
    EXPECT_EQ(Item(kFeedback).label, 112u);
    Item(kStrength).value = 20;
    Step();
    EXPECT_EQ(P().GetKey(kSettingForceStrength), 70u);
    Click(kFeedbackR);
    EXPECT_EQ(P().GetKey(kSettingForceFeedback), 1u);
    EXPECT_EQ(Item(kFeedback).label, 111u);
    EXPECT_EQ(Item(kStrength).flags & kItemHidden, 0u);
    Item(kStrength).value = 100.5f;
    Step();
    EXPECT_EQ(P().GetKey(kSettingForceStrength), 100u);
    EXPECT_STREQ(Item(kStrength).text, "100 %");
    P().SetKey(kSettingControlOption2, 1);
    Step();
    EXPECT_EQ(P().GetKey(kSettingControlOption2), 0u) << "the page keeps setting 260 at 0";
}

TEST_F(PageTest, AirSwapTogglesAndItsLabelFollows) {
    SetMenuPage(4);
    EXPECT_EQ(Item(kAirSwap).label, 124u);
    Click(kAirSwapL);
    EXPECT_EQ(P().GetKey(kSettingControlOption), 1u);
    EXPECT_EQ(Item(kAirSwap).label, 125u);
    Click(kAirSwapR);
    EXPECT_EQ(P().GetKey(kSettingControlOption), 0u);
}

TEST_F(PageTest, KeysMoveTheSelectionAndDeleteClearsABinding) {
    SetMenuPage(4);
    ASSERT_NE(Item(kList).list, nullptr);
    int lines = 0;
    while (Item(kList).list[lines]) ++lines;
    EXPECT_EQ(lines, 31);
    Press(&MenuKeys::up);
    EXPECT_EQ(Item(kList).value, 0.0f) << "stays on the first line";
    for (int i = 0; i < 40; ++i) Press(&MenuKeys::down);
    EXPECT_EQ(Item(kList).value, 30.0f) << "stays on the last line";
    Click(kListUp);
    EXPECT_EQ(Item(kList).value, 29.0f);
    Press(&MenuKeys::right);
    EXPECT_EQ(Item(kList).barLeft, 26 * 7) << "the highlight on the second binding";
    P().SetKey(29 + 32, 49);
    Press(&MenuKeys::del);
    EXPECT_EQ(P().GetKey(29 + 32), 0u);
    EXPECT_EQ(P().GetKey(29), 48u) << "the first binding stays";
    Press(&MenuKeys::left);
    EXPECT_EQ(Item(kList).barLeft, 17 * 7);
    Press(&MenuKeys::del);
    EXPECT_EQ(P().GetKey(29), 0u);
    Click(kDefaults);
    EXPECT_EQ(P().GetKey(29), 48u) << "default controls";
}

TEST_F(PageTest, ASecondClickOnABindingWaitsForTheNewKey) {
    SetMenuPage(4);
    MenuItem& list = Item(kList);
    const uint32_t old = P().GetKey(2);
    // Line 3 (row 3 of the first page), the first binding's name.
    list.pressRow = 3, list.pressColumn = 20;
    Step();
    EXPECT_EQ(list.value, 2.0f);
    EXPECT_EQ(std::string(list.list[2]).find("------"), std::string::npos) << "a first click only selects";
    list.pressRow = 3, list.pressColumn = 29;
    Step();
    EXPECT_EQ(std::string(list.list[2]).substr(26, 6), "------") << "the second binding waits";
    // While it waits, Esc and the back button do not leave the page.
    Press(&MenuKeys::esc);
    EXPECT_EQ(CurrentMenuPage(), 4);
    EXPECT_EQ(P().GetKey(2), old);
}

TEST_F(PageTest, LeavingTheControlsSavesTheProfile) {
    P().SetKey(kSettingInputMode, 2);
    SetMenuPage(4);
    Press(&MenuKeys::esc);
    EXPECT_EQ(CurrentMenuPage(), 1);
    Profile saved;
    ASSERT_EQ(saved.Load("Tester"), 0);
    EXPECT_EQ(saved.GetKey(kSettingInputMode), 2u);
    Flow().inRace = 1;
    SetMenuPage(4);
    Click(kBack);
    EXPECT_EQ(CurrentMenuPage(), static_cast<int32_t>(kInRaceMenuPage));
}

TEST_F(PageTest, InARaceTheNewKeysActAtOnce) {
    Flow().inRace = 1;
    P().SetKey(0, 30);  // throttle on A
    ASSERT_EQ(InputBindingCount(30), 0u);
    SetMenuPage(4);
    Click(kBack);
    EXPECT_EQ(CurrentMenuPage(), static_cast<int32_t>(kInRaceMenuPage));
    EXPECT_EQ(InputBindingCount(30), 1u) << "bound when the page was left";
    EXPECT_EQ(InputBindingCount(54), 0u) << "the old throttle key is free";
    RemoveProfileControls();
    Flow().inRace = 0;
    SetMenuPage(4);
    P().SetKey(0, 31);
    Click(kBack);
    EXPECT_EQ(InputBindingCount(31), 0u) << "in the front end the race binds the keys when it starts";
}

// Bike set-up items.
enum : uint32_t {
    kBikeBack = 2, kRace = 3, kClass0 = 4, kClass4 = 7, kSlider1 = 8, kValue0 = 12, kValue0L = 13, kValue0R = 14,
    kValue1 = 15, kValue1L = 16, kValue1R = 17, kDescription = 18, kPoints = 19, kClass3 = 20,
};

TEST_F(PageTest, TheSpecialBikeNeedsItsUnlock) {
    const struct {
        uint32_t unlocks, storedClass, classAfter;
        bool specialLive;
    } kCases[] = {
        {0, 3, 1, false},  // a locked special bike is replaced by class 1
        {8, 3, 3, true},   {0, 4, 4, false},  // the custom bike stays
        {15, 2, 2, true},  {0, 0, 0, false},
    };
    for (const auto& c : kCases) {
        P().settings[kSettingUnlocks - kProfileFirstSetting] = c.unlocks;
        P().SetStat(kStatBikeClass, static_cast<float>(c.storedClass));
        SetMenuPage(11);
        EXPECT_EQ((Item(kClass3).flags & kItemHidden) == 0, c.specialLive) << c.unlocks;
        EXPECT_EQ(P().GetStat(kStatBikeClass), static_cast<float>(c.classAfter));
        const uint32_t kButtons[] = {kClass0, kClass0 + 1, kClass0 + 2, kClass3, kClass4};
        const uint32_t button = kButtons[c.classAfter];
        EXPECT_NE(Item(button).state & kItemLit, 0u) << "the class's button is marked";
    }
}

TEST_F(PageTest, ACustomBikeStaysWithinItsBudget) {
    P().SetStat(kStatBikePoints, 100);
    P().SetStat(kStatBikeClass, 4);
    for (uint32_t i = 0; i < 4; ++i) P().SetStat(kStatCustomBike + i, 10);
    SetMenuPage(11);
    EXPECT_EQ(Item(kSlider1).flags & kItemNoDrag, 0u);
    EXPECT_EQ(Item(kPoints).flags & kItemHidden, 0u);
    Item(kSlider1).value = 90.3f;
    Step();
    EXPECT_EQ(Item(kSlider1).value, 70.0f);
    EXPECT_EQ(P().GetStat(kStatCustomBike), 70.0f);
    EXPECT_STREQ(Item(kSlider1).text, " 70");
    EXPECT_STREQ(Item(kSlider1 + 1).text, " 10%");
    const std::string points = Item(kPoints).text;
    EXPECT_EQ(points.substr(points.size() - 3), "  0") << points;
    EXPECT_NE(points.find("100@@"), std::string::npos) << points;
    Item(kSlider1 + 2).value = 100;
    Step();
    EXPECT_EQ(Item(kSlider1 + 2).value, 10.0f) << "nothing left to spend";
}

TEST_F(PageTest, APresetBikeShowsFixedSliders) {
    P().SetStat(kStatBikeClass, 2);
    SetMenuPage(11);
    Step();
    const float preset[4] = {11, 36, 59, 44};
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(Item(kSlider1 + i).value, preset[i]);
        EXPECT_NE(Item(kSlider1 + i).flags & kItemNoDrag, 0u);
    }
    EXPECT_NE(Item(kPoints).flags & kItemHidden, 0u) << "no budget for a preset";
}

TEST_F(PageTest, AirAndLandingChoices) {
    P().SetValue(0, 0);
    SetMenuPage(11);
    Step();
    EXPECT_NE(Item(kValue1).flags & kItemHidden, 0u) << "no landing choice without the air choice";
    EXPECT_EQ(Item(kValue0).label, 79u);
    Click(kValue0L);
    EXPECT_EQ(P().GetValue(0), 0u);
    Click(kValue0R);
    Click(kValue0R);
    Click(kValue0R);
    EXPECT_EQ(P().GetValue(0), 2u);
    EXPECT_EQ(Item(kValue0).label, 83u);
    EXPECT_EQ(Item(kValue1).flags & kItemHidden, 0u);
    P().SetValue(1, 0);
    Click(kValue1R);
    Click(kValue1R);
    EXPECT_EQ(P().GetValue(1), 2u);
    EXPECT_EQ(Item(kValue1).label, 123u);
    Flow().worldFamily = 3;
    Step();
    EXPECT_EQ(P().GetValue(1), 1u) << "family 3 has no third landing choice";
    Click(kValue1R);
    EXPECT_EQ(P().GetValue(1), 1u);
    EXPECT_NE(Item(kDescription).text, nullptr);
}

TEST_F(PageTest, RaceAndBackFromTheBikePage) {
    P().SetStat(kStatBikeClass, 4);
    P().SetStat(kStatCustomBike + 3, 40);
    P().SetValue(0, 2);
    SetMenuPage(11);
    Click(kRace);
    EXPECT_TRUE(QuitRequested()) << "alone the race starts";
    ClearQuitRequest();
    EXPECT_EQ(Flow().setupClass, 4u);
    EXPECT_EQ(Flow().setupParams[3], 40u);
    EXPECT_EQ(Flow().setupValue0, 2u);
    EXPECT_TRUE(std::filesystem::exists(ProfilesPath() + ProfileFileName("Tester", "prf")));
    const struct {
        uint32_t family, page;
    } kCases[] = {{1, 7}, {kFamilyChampionship, 12}};
    for (const auto& c : kCases) {
        Flow().worldFamily = c.family;
        SetMenuPage(11);
        Press(&MenuKeys::esc);
        EXPECT_EQ(CurrentMenuPage(), static_cast<int32_t>(c.page));
    }
    SetMenuPage(11);
    Click(kBikeBack);
    EXPECT_EQ(CurrentMenuPage(), 12);
}

}  // namespace
}  // namespace kes
