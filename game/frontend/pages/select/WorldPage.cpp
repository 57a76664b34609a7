// The world page: the world of a single race of one family, the race option (laps, time limit or
// points), the number of computer riders and the game mode.
#include <string>
#include <vector>

#include "game/core/config/Config.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/select/RaceOptions.h"
#include "game/frontend/pages/select/SelectPagesInternal.h"
#include "game/frontend/pages/select/SelectShared.h"
#include "game/frontend/pages/select/WorldChoice.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/session/RaceSession.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

enum WorldItem : uint32_t {
    kPanel = 0,
    kBack = 2,
    kOk = 3,
    kSelection = 5,
    kUp = 6,
    kDown = 7,
    kNameList = 8,
    kOptionSlider = 9,
    kRidersSlider = 10,
    kModeValue = 11,
    kModeLeft = 12,
    kModeRight = 13,
    kDescription = 17,
};

MenuItem g_items[] = {
    {kItemHeadingPanel, 28, 18, 4},    {kItemBottomButton, 280, 413, 43}, {kItemBottomButton, 399, 413, 43},
    {kItemBottomButton, 518, 413, 11}, {kItemPicture, 77, 73},            {kItemScrollBar, 254, 294},
    {kItemUpArrow, 243, 254},          {kItemDownArrow, 244, 400},        {kItemListBox, 83, 252},
    {kItemSlider, 387, 95},            {kItemSlider, 387, 165, 45},       {kItemValueText, 418, 251},
    {kItemLeftArrow, 384, 251},        {kItemRightArrow, 592, 254},
    // A row that never does anything, kept hidden: the description box would cover half of it.
    {kItemValueText, 418, 300, 0, nullptr, 0, kItemHidden},   {kItemLeftArrow, 384, 300, 0, nullptr, 0, kItemHidden},
    {kItemRightArrow, 592, 303, 0, nullptr, 0, kItemHidden},  {kItemDescriptionField, 280, 310},
    {},
};

struct WorldPageState {
    std::vector<WorldChoice> worlds;
    std::vector<std::string> names;
    std::vector<const char*> rows;  // null-ended, for the name list
    OptionSlider meaning = OptionSlider::Laps;
    std::string optionCaption, ridersCaption, description;
} g_page;

constexpr uint32_t kModeTexts[3] = {46, 47, 148};

bool Clicked(uint32_t item) { return (g_items[item].state & kItemClicked) != 0; }

// The option slider's label, range and value, and whether the riders slider is live, for the
// current family and game mode.
void LabelOptionSlider() {
    const OptionSliderSetup setup = OptionSliderFor(g_Config, Flow().worldFamily);
    MenuItem& slider = g_items[kOptionSlider];
    g_page.meaning = setup.meaning;
    slider.label = setup.label;
    slider.maximum = setup.maximum;
    slider.value = setup.value;
    MenuItem& riders = g_items[kRidersSlider];
    // A slider without a range can be neither dragged nor shown with a knob: the point hunt has no
    // computer riders.
    riders.maximum = g_Config.gameMode == kGameModePoints ? 0.0f : 7.5f;
    riders.value = static_cast<float>(g_Config.raceOption1);
    g_items[kModeValue].label = kModeTexts[g_Config.gameMode <= kGameModePoints ? g_Config.gameMode : kGameModeRace];
}

// Keeps the world list's words and the chosen world in step with the selection.
void ShowSelection(int32_t selection) {
    const auto count = static_cast<int32_t>(g_page.worlds.size());
    GameFlowState& flow = Flow();
    g_items[kNameList].value = static_cast<float>(selection);
    g_items[kSelection].value = static_cast<float>(selection);
    if (selection < 0 || selection >= count) {
        // An empty family: nothing may be raced, not even a world chosen on an earlier visit.
        flow.chosenWorld = 0;
        g_page.description.clear();
        g_items[kDescription].text = g_page.description.c_str();
        return;
    }
    flow.selectedWorld = static_cast<uint32_t>(selection);
    const WorldChoice& choice = g_page.worlds[static_cast<size_t>(selection)];
    flow.chosenWorld = choice.identifier;
    flow.chosenWorldKind = choice.kind;
    const WorldRecord* world = WorldAt(choice.index);
    g_page.description = world ? WorldDescriptionInLanguage(*world) : std::string();
    g_items[kDescription].text = g_page.description.c_str();
}

void WorldPageEnter() {
    ClampWorldPageOptions(g_Config);
    const uint32_t family = Flow().worldFamily >= 1 && Flow().worldFamily <= 3 ? Flow().worldFamily : 1;
    g_items[kPanel].label = 3 + family;  // texts 4, 5 and 6
    LabelOptionSlider();

    const Profile* profile = FrontEnd().profile.get();
    g_page.worlds = WorldsOfKind(family - 1, profile ? profile->GetKey(kSettingUnlocks) : 0);
    g_page.names.clear();
    g_page.rows.clear();
    for (const WorldChoice& w : g_page.worlds) g_page.names.push_back(w.name);
    for (const std::string& n : g_page.names) g_page.rows.push_back(n.c_str());
    g_page.rows.push_back(nullptr);
    g_items[kNameList].list = g_page.rows.data();

    const auto count = static_cast<float>(g_page.worlds.size());
    g_items[kNameList].maximum = count > 0 ? count - 0.5f : 0.0f;
    g_items[kSelection].maximum = count > 0 ? count - 0.1f : 0.0f;
    g_items[kNameList].firstRow = 0;
    if (Flow().selectedWorld >= g_page.worlds.size()) Flow().selectedWorld = 0;
    ShowSelection(g_page.worlds.empty() ? -1 : static_cast<int32_t>(Flow().selectedWorld));
}

void StoreSliders() {
    MenuItem& option = g_items[kOptionSlider];
    const uint32_t shown = StoreOptionSlider(g_Config, g_page.meaning, option.value);
    g_page.optionCaption = OptionCaption(g_page.meaning, shown);
    option.text = g_page.optionCaption.c_str();
    MenuItem& riders = g_items[kRidersSlider];
    if (riders.maximum > 0) g_Config.raceOption1 = static_cast<uint32_t>(plat::FloatToInt(riders.value));
    g_page.ridersCaption = OptionCaption(OptionSlider::Laps, g_Config.raceOption1);
    riders.text = g_page.ridersCaption.c_str();
}

void WorldPageUpdate() {
    MenuKeys& keys = MenuKeyWords();
    if (Clicked(kBack) || keys.esc) {
        SetMenuPage(kMainPage);
        return;
    }
    if ((Clicked(kOk) || keys.enter) && !g_page.worlds.empty()) {
        SetMenuPage(kBikeSetupPage);
        return;
    }
    StoreSliders();

    const bool lower = Clicked(kModeLeft) && g_Config.gameMode > kGameModePractice;
    const bool raise = Clicked(kModeRight) && g_Config.gameMode < kGameModePoints;
    if (lower || raise) {
        g_Config.gameMode += raise ? 1 : -1;
        LabelOptionSlider();
        StoreSliders();
    }

    if (g_page.worlds.empty()) return;
    MenuItem& list = g_items[kNameList];
    int32_t selection = plat::FloatToInt(list.value);
    if (Clicked(kUp) || keys.up) --selection;
    if (Clicked(kDown) || keys.down) ++selection;
    keys.up = keys.down = 0;
    if (const int32_t row = ClickedListRow(list); row >= 0) selection = row;
    // The selection value's knob is dragged: it leads.
    if (MenuFocus() == &g_items[kSelection]) selection = plat::FloatToInt(g_items[kSelection].value);
    selection = ClampSelection(selection, list.maximum);
    if (selection != plat::FloatToInt(list.value) || Flow().chosenWorld != g_page.worlds[static_cast<size_t>(selection)].identifier) {
        ShowSelection(selection);
    } else if (MenuFocus() != &g_items[kSelection]) {
        g_items[kSelection].value = static_cast<float>(selection);
    }
}

void DrawWorldPreview() {
    const size_t selected = Flow().selectedWorld;
    if (selected < g_page.worlds.size()) DrawWorldPreviewPicture(WorldAt(g_page.worlds[selected].index));
}

}  // namespace

void InstallWorldPage() {
    SetMenuPageEntry(kWorldPage, MenuPage{2, g_items, WorldPageUpdate, DrawWorldPreview, WorldPageEnter, nullptr});
}

}  // namespace kes
