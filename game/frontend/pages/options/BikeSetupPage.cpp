// The bike set-up page (page 11): a preset class or a custom bike within the bike-point budget, and
// the air and landing choices. The choices live in the current profile.
#include <cstdio>
#include <cstring>
#include <string>

#include "game/app/loop/FrameLoop.h"
#include "game/core/text/TextTable.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/pages/options/BikeSetupRules.h"
#include "game/frontend/pages/options/PageHelpers.h"
#include "game/frontend/profile/Profile.h"
#include "game/net/NetGame.h"

namespace kes {

namespace {

constexpr uint32_t kNetHost = 2;
constexpr uint32_t kOkText = 11;
constexpr uint32_t kRaceText = 53;
constexpr uint32_t kValue0Text = 79;        // 79, 81, 83; descriptions 80, 82, 84
constexpr uint32_t kValue1Text = 121;       // 121-123
constexpr uint32_t kValue1Description = 152;  // 152-154
constexpr uint32_t kBikePointsText = 164;
constexpr uint32_t kPointsLeftText = 165;
constexpr uint32_t kNoValue1Family = 3;     // worlds of this family have no third landing choice

enum : uint32_t {
    kInfo = 1, kBack = 2, kRace = 3, kClass0 = 4, kClass1 = 5, kClass2 = 6, kClass4 = 7, kSlider1 = 8,
    kValue0 = 12, kValue0Left = 13, kValue0Right = 14, kValue1 = 15, kValue1Left = 16, kValue1Right = 17,
    kDescription = 18, kPointsBox = 19, kClass3 = 20,
};
constexpr uint32_t kClassItems[kBikeClassCount] = {kClass0, kClass1, kClass2, kClass3, kClass4};

MenuItem g_items[] = {
    // The class buttons are small bottom buttons that stay lit while chosen (a radio group).
    {kItemHeadingPanel, 30, 19, 68},
    {kItemBottomButton, 115, 419, 78, nullptr, 0, kItemHidden},
    {kItemBottomButton, 391, 419, 43},
    {kItemBottomButton, 509, 419, 53},
    {kItemBottomButton, 13, 165, 74, nullptr, 0, kItemSticky},
    {kItemBottomButton, 13, 207, 75, nullptr, 0, kItemSticky},
    {kItemBottomButton, 13, 249, 76, nullptr, 0, kItemSticky},
    {kItemBottomButton, 13, 330, 86, nullptr, 0, kItemSticky},
    {kItemSlider, 125, 162, 69},
    {kItemSlider, 125, 217, 70},
    {kItemSlider, 125, 272, 71},
    {kItemSlider, 125, 327, 72},
    {kItemValueText, 98, 111},
    {kItemLeftArrow, 64, 111},
    {kItemRightArrow, 272, 114},
    {kItemValueText, 398, 111},
    {kItemLeftArrow, 364, 111},
    {kItemRightArrow, 572, 114},
    {kItemPanel, 384, 157, 73},
    {kItemDescriptionField, 11, 388},
    {kItemBottomButton, 13, 291, 151, nullptr, 0, kItemSticky},
    {},
};
std::string g_captions[kBikeParams], g_description, g_points;

Profile* CurrentProfile() { return FrontEnd().profile.get(); }
bool SpecialBikeUnlocked(const Profile& p) { return (p.GetKey(kSettingUnlocks) & kSpecialBikeUnlock) != 0; }
uint32_t StoredClass(const Profile& p) {
    const float stat = p.GetStat(kStatBikeClass);
    return stat >= 0.0f && stat < static_cast<float>(kBikeClassCount) ? static_cast<uint32_t>(stat) : 0u;
}
int32_t StoredParam(const Profile& p, uint32_t i) {
    const float stat = p.GetStat(kStatCustomBike + i);
    return stat > 0.0f ? static_cast<int32_t>(std::min(stat, static_cast<float>(kBikeParamMax))) : 0;
}

// The sliders show the class's parameters; only the custom bike's can be dragged.
void ShowClass(const Profile& p, uint32_t bikeClass) {
    for (uint32_t i = 0; i < kBikeParams; ++i) {
        MenuItem& slider = g_items[kSlider1 + i];
        const bool custom = bikeClass == kCustomBikeClass;
        slider.value = static_cast<float>(custom ? StoredParam(p, i) : kPresetBikes[bikeClass][i]);
        slider.flags = custom ? (slider.flags & ~kItemNoDrag) : (slider.flags | kItemNoDrag);
    }
    for (uint32_t c = 0; c < kBikeClassCount; ++c) {
        MenuItem& button = g_items[kClassItems[c]];
        button.state = c == bikeClass ? (button.state | kItemLit) : (button.state & ~kItemLit);
    }
}

void BikeSetupEnter() {
    Profile* p = CurrentProfile();
    for (uint32_t i = 0; i < kBikeParams; ++i) g_items[kSlider1 + i].maximum = 100.0f;
    const bool network = NetGetMode() != 0;
    SetInert(g_items[kBack], network);
    g_items[kRace].label = network ? kOkText : kRaceText;
    if (!p) return;
    uint32_t bikeClass = StoredClass(*p);
    const bool special = SpecialBikeUnlocked(*p);
    SetInert(g_items[kClass3], !special);
    // A locked special bike is not kept: the player rides the class-1 preset instead.
    if (bikeClass == kSpecialBikeClass && !special) bikeClass = 1;
    p->SetStat(kStatBikeClass, static_cast<float>(bikeClass));
    ShowClass(*p, bikeClass);
}

// The race set-up words the race and the network player record are made from.
void CopyChoicesToRaceSetup(const Profile& p) {
    GameFlowState& flow = Flow();
    flow.setupValue0 = p.GetValue(0);
    flow.setupValue1 = p.GetValue(1);
    flow.setupClass = StoredClass(p);
    for (uint32_t i = 0; i < kBikeParams; ++i) flow.setupParams[i] = static_cast<uint32_t>(StoredParam(p, i));
}

void PublishHostChoices(const Profile& p) {
    const NetPlayerInfo info = MakeLocalPlayerInfo(&p);
    NetSetLocalPlayerInfo(&info);
}

void ChooseClass(Profile& p) {
    MenuItem* focus = MenuFocus();
    for (uint32_t c = 0; c < kBikeClassCount; ++c) {
        MenuItem& button = g_items[kClassItems[c]];
        if (focus != &button || !(button.state & kItemLit) || (button.flags & kItemHidden)) continue;
        p.SetStat(kStatBikeClass, static_cast<float>(c));
        ShowClass(p, c);
    }
}

uint32_t StepWithin(uint32_t value, bool down, bool up) {
    if (value > 2) value = 2;
    if (down && value > 0) --value;
    if (up && value < 2) ++value;
    return value;
}

void UpdateChoices(Profile& p) {
    const uint32_t value0 = StepWithin(p.GetValue(0), Clicked(g_items[kValue0Left]), Clicked(g_items[kValue0Right]));
    p.SetValue(0, value0);
    g_items[kValue0].label = kValue0Text + 2 * value0;
    g_description = GetText(static_cast<int>(kValue0Text + 1 + 2 * value0));
    const bool secondRow = value0 != 0;
    for (uint32_t i : {kValue1, kValue1Left, kValue1Right}) SetInert(g_items[i], !secondRow);
    if (secondRow) {
        uint32_t value1 = StepWithin(p.GetValue(1), Clicked(g_items[kValue1Left]), Clicked(g_items[kValue1Right]));
        if (Flow().worldFamily == kNoValue1Family && value1 == 2) value1 = 1;
        p.SetValue(1, value1);
        g_items[kValue1].label = kValue1Text + value1;
        g_description += '@';
        g_description += GetText(static_cast<int>(kValue1Description + value1));
    }
    g_items[kDescription].text = g_description.c_str();
}

void UpdateParameters(Profile& p) {
    const bool custom = StoredClass(p) == kCustomBikeClass;
    const int32_t budget = BikePointBudget(p.GetStat(kStatBikePoints), p.GetStat(kStatColumnTotals + 2));
    int32_t values[kBikeParams], stored[kBikeParams];
    for (uint32_t i = 0; i < kBikeParams; ++i) {
        values[i] = WholeValue(g_items[kSlider1 + i].value);
        stored[i] = StoredParam(p, i);
    }
    if (custom) {
        KeepWithinBudget(values, stored, budget);
        for (uint32_t i = 0; i < kBikeParams; ++i) {
            // A slider cut back keeps its fraction out of the whole value the stats hold.
            if (values[i] != WholeValue(g_items[kSlider1 + i].value)) g_items[kSlider1 + i].value = static_cast<float>(values[i]);
            p.SetStat(kStatCustomBike + i, static_cast<float>(values[i]));
        }
    }
    SetInert(g_items[kPointsBox], !custom);
    int32_t spent = 0;
    for (uint32_t i = 0; i < kBikeParams; ++i) {
        static const char* const kFormats[kBikeParams] = {"%3d", "%3d%%", "%3d", "%3d"};
        char text[16];
        std::snprintf(text, sizeof text, kFormats[i], static_cast<int>(values[i]));
        g_captions[i] = text;
        g_items[kSlider1 + i].text = g_captions[i].c_str();
        spent += values[i];
    }
    char points[96];
    std::snprintf(points, sizeof points, "%-24s %3d@@%-24s %3d", GetText(kBikePointsText), static_cast<int>(budget),
                  GetText(kPointsLeftText), static_cast<int>(budget - spent));
    g_points = points;
    g_items[kPointsBox].text = g_points.c_str();
}

void BikeSetupUpdate() {
    Profile* p = CurrentProfile();
    if (!p) return;
    MenuKeys& keys = MenuKeyWords();
    const uint32_t net = NetGetMode();
    if (net == 0 && (Clicked(g_items[kBack]) || keys.esc)) {
        PlayMenuSound(kSoundBack);
        p->Save(p->GetName());
        SetMenuPage(Flow().worldFamily == kFamilyChampionship ? kChampionshipPage : kWorldPage);
        return;
    }
    if (Clicked(g_items[kRace])) {
        p->Save(p->GetName());
        CopyChoicesToRaceSetup(*p);
        if (net == 0) {
            RequestQuit(2);
            return;
        }
        if (net == kNetHost) PublishHostChoices(*p);
        SetMenuPage(kGameRoomPage);
        return;
    }
    ChooseClass(*p);
    UpdateChoices(*p);
    UpdateParameters(*p);
}

}  // namespace

void InstallBikeSetupPage() {
    SetMenuPageEntry(kBikeSetupPage, MenuPage{2, g_items, BikeSetupUpdate, nullptr, BikeSetupEnter, nullptr});
}

}  // namespace kes
