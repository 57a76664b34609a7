// The championship set-up page: the ordered list of worlds a championship (or a network game) is
// raced on, and its race options. The lists live as long as the program; a change of the profile's
// unlock word starts them anew.
#include <string>
#include <vector>

#include "game/core/config/Config.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/pages/select/ChampionshipLists.h"
#include "game/frontend/pages/select/RaceOptions.h"
#include "game/frontend/pages/select/SelectPagesInternal.h"
#include "game/frontend/pages/select/SelectShared.h"
#include "game/frontend/pages/select/WorldChoice.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/session/RaceSession.h"
#include "game/net/NetGame.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

enum ChampionshipItem : uint32_t {
    kBack = 2,
    kOk = 3,
    kAvailableValue = 5,
    kAvailableUp = 6,
    kAvailableDown = 7,
    kAvailableList = 8,
    kChosenValue = 9,
    kChosenUp = 10,
    kChosenDown = 11,
    kChosenList = 12,
    kFirstSlider = 13,
    kRidersSlider = 14,
    kTimeSlider = 15,
    kAdd = 16,
    kRemove = 17,
    kMoveUp = 18,
    kMoveDown = 19,
    kClear = 20,
    kAddAll = 21,
    kShuffle = 22,
    kModeValue = 23,
    kModeLeft = 24,
    kModeRight = 25,
};

constexpr uint32_t kFewestAlone = 5, kFewestNetwork = 1;
constexpr uint32_t kLapsText = 44, kPointsText = 191, kRaceModeText = 47, kPointsModeText = 148;

MenuItem g_items[] = {
    {kItemHeadingPanel, 28, 18, 7},     {kItemBottomButton, 280, 413, 43},  {kItemBottomButton, 399, 413, 43},
    {kItemBottomButton, 518, 413, 11},  {kItemPicture, 77, 73},             {kItemScrollBar, 21, 294},
    {kItemUpArrow, 10, 254},            {kItemDownArrow, 9, 400},           {kItemListBox, 44, 252},
    {kItemScrollBar, 339, 294},         {kItemUpArrow, 328, 254},           {kItemDownArrow, 326, 400},
    {kItemListBox, 187, 252},           {kItemSlider, 387, 95, 44},         {kItemSlider, 387, 21, 45},
    {kItemSlider, 387, 169, 116},       {kItemRightArrow, 145, 440},        {kItemLeftArrow, 194, 440},
    {kItemUpArrow, 264, 440},           {kItemDownArrow, 304, 440},         {kItemBottomButton, 399, 309, 129},
    {kItemBottomButton, 399, 359, 130}, {kItemBottomButton, 518, 309, 131}, {kItemValueText, 418, 243},
    {kItemLeftArrow, 384, 243},         {kItemRightArrow, 592, 246},        {},
};

// One of the two lists as the page shows it: the list item, its selection value and arrows, the
// highlighted row and the names.
struct ShownList {
    uint32_t list, value, up, down;
    int32_t row = 0;
    std::vector<std::string> names;
    std::vector<const char*> rows;
};

struct ChampionshipPageState {
    ChampionshipLists lists;
    int64_t builtForUnlocks = -1;  // no lists made yet
    uint32_t focus = 0;            // 0 available, 1 chosen
    ShownList shown[2] = {{kAvailableList, kAvailableValue, kAvailableUp, kAvailableDown},
                          {kChosenList, kChosenValue, kChosenUp, kChosenDown}};
    std::string captions[3];
} g_page;

bool Clicked(uint32_t item) { return (g_items[item].state & kItemClicked) != 0; }
bool NetworkGame() { return NetIsActive() != 0; }

const std::vector<uint32_t>& Worlds(uint32_t which) {
    return which == 0 ? g_page.lists.Available() : g_page.lists.Chosen();
}

uint32_t Unlocks() {
    const Profile* p = FrontEnd().profile.get();
    return p ? p->GetKey(kSettingUnlocks) : 0;
}

void RebuildAvailable() {
    std::vector<uint32_t> offered;
    for (const WorldChoice& w : RaceableWorlds(Unlocks())) offered.push_back(w.index);
    g_page.lists.Reset(std::move(offered));
    g_page.builtForUnlocks = Unlocks();
    g_page.focus = 0;
    g_page.shown[0].row = g_page.shown[1].row = 0;
}

// The names in the settings' language, the ranges and the highlighted rows of both lists.
void ShowLists() {
    for (uint32_t which = 0; which < 2; ++which) {
        ShownList& s = g_page.shown[which];
        const std::vector<uint32_t>& worlds = Worlds(which);
        s.names.clear();
        s.rows.clear();
        for (uint32_t index : worlds) {
            const WorldRecord* w = WorldAt(index);
            s.names.push_back(w ? WorldNameInLanguage(*w) : std::string());
        }
        for (const std::string& n : s.names) s.rows.push_back(n.c_str());
        s.rows.push_back(nullptr);
        const auto count = static_cast<float>(worlds.size());
        MenuItem& list = g_items[s.list];
        MenuItem& value = g_items[s.value];
        list.list = s.rows.data();
        list.maximum = count > 0 ? count - 0.5f : 0.0f;
        value.maximum = count > 0 ? count - 0.1f : 0.0f;
        s.row = ClampSelection(s.row, list.maximum);
        list.value = static_cast<float>(s.row);
        if (MenuFocus() != &value) value.value = static_cast<float>(s.row);
    }
}

// The first slider, the time-limit slider and the mode value for the game mode.
void LabelSliders() {
    const bool points = g_Config.gameMode == kGameModePoints;
    MenuItem& first = g_items[kFirstSlider];
    first.label = points ? kPointsText : kLapsText;
    first.maximum = points ? 35.5f : 5.5f;
    first.value = points ? static_cast<float>(g_Config.raceOption3) - 5.0f : static_cast<float>(g_Config.raceOption2) - 3.0f;
    MenuItem& time = g_items[kTimeSlider];
    time.maximum = points ? 0.0f : 19.5f;
    time.value = static_cast<float>(g_Config.raceOption4) - 1.0f;
    g_items[kModeValue].label = points ? kPointsModeText : kRaceModeText;
}

void ChampionshipSetupEnter() {
    ClampChampionshipOptions(g_Config);
    const bool network = NetworkGame();
    if (!network || g_Config.gameMode < kGameModeRace || g_Config.gameMode > kGameModePoints)
        g_Config.gameMode = kGameModeRace;
    LabelSliders();
    MenuItem& riders = g_items[kRidersSlider];
    riders.maximum = network ? 0.0f : 4.5f;
    riders.value = static_cast<float>(g_Config.raceOption1) - 3.0f;
    if (g_page.builtForUnlocks != static_cast<int64_t>(Unlocks())) RebuildAvailable();
    ShowLists();
}

void ChampionshipSetupLeave() {
    GameFlowState& flow = Flow();
    const std::vector<uint32_t>& chosen = g_page.lists.Chosen();
    const WorldRecord* first = chosen.empty() ? nullptr : WorldAt(chosen.front());
    flow.chosenWorld = first ? first->identifier : 0;
    if (first) flow.chosenWorldKind = first->kind;
    flow.championship = chosen;
    flow.championshipTotal = static_cast<uint32_t>(chosen.size());
}

// Arrows, keys, clicks and the dragged selection value of both lists; using a list focuses it.
void UpdateSelections() {
    MenuKeys& keys = MenuKeyWords();
    for (uint32_t which = 0; which < 2; ++which) {
        ShownList& s = g_page.shown[which];
        MenuItem& list = g_items[s.list];
        MenuItem& value = g_items[s.value];
        int32_t row = s.row;
        bool used = false;
        if (Clicked(s.up)) --row, used = true;
        if (Clicked(s.down)) ++row, used = true;
        if (const int32_t clicked = ClickedListRow(list); clicked >= 0) row = clicked, used = true;
        if (MenuFocus() == &value) row = plat::FloatToInt(value.value), used = true;
        if (used) g_page.focus = which;
        if (g_page.focus == which) row += (keys.down ? 1 : 0) - (keys.up ? 1 : 0);
        s.row = ClampSelection(row, list.maximum);
    }
    keys.up = keys.down = 0;
}

void StoreSliders() {
    const bool points = g_Config.gameMode == kGameModePoints;
    MenuItem& first = g_items[kFirstSlider];
    const uint32_t shown =
        StoreOptionSlider(g_Config, points ? OptionSlider::Points : OptionSlider::Laps, first.value);
    g_page.captions[0] = OptionCaption(OptionSlider::Laps, shown);
    first.text = g_page.captions[0].c_str();
    MenuItem& riders = g_items[kRidersSlider];
    if (riders.maximum > 0) g_Config.raceOption1 = static_cast<uint32_t>(plat::FloatToInt(riders.value)) + 3;
    g_page.captions[1] = OptionCaption(OptionSlider::Laps, g_Config.raceOption1);
    riders.text = g_page.captions[1].c_str();
    MenuItem& time = g_items[kTimeSlider];
    if (!points) StoreOptionSlider(g_Config, OptionSlider::TimeLimit, time.value);
    g_page.captions[2] = OptionCaption(OptionSlider::TimeLimit, g_Config.raceOption4);
    time.text = g_page.captions[2].c_str();
}

void ChampionshipSetupUpdate() {
    MenuKeys& keys = MenuKeyWords();
    const bool network = NetworkGame();
    const uint32_t returnTo = network ? kGameRoomPage : kMainPage;
    if ((Clicked(kBack) && !network) || keys.esc) {
        SetMenuPage(returnTo);
        return;
    }
    const size_t fewest = network ? kFewestNetwork : kFewestAlone;
    if ((Clicked(kOk) || keys.enter) && g_page.lists.Chosen().size() >= fewest) {
        SetMenuPage(network ? kGameRoomPage : kBikeSetupPage);
        return;
    }
    keys.enter = 0;

    ShownList& available = g_page.shown[0];
    ShownList& chosen = g_page.shown[1];
    if (Clicked(kAdd) && g_page.lists.Add(static_cast<uint32_t>(available.row))) g_page.focus = 0;
    if (Clicked(kRemove) && g_page.lists.Remove(static_cast<uint32_t>(chosen.row))) g_page.focus = 1;
    if (Clicked(kMoveUp)) chosen.row = static_cast<int32_t>(g_page.lists.MoveUp(static_cast<uint32_t>(chosen.row)));
    if (Clicked(kMoveDown)) chosen.row = static_cast<int32_t>(g_page.lists.MoveDown(static_cast<uint32_t>(chosen.row)));
    if (Clicked(kClear)) RebuildAvailable();
    if (Clicked(kAddAll)) g_page.lists.AddAll();
    if (Clicked(kShuffle)) g_page.lists.Shuffle();
    ShowLists();
    UpdateSelections();

    if (network) {
        const bool lower = Clicked(kModeLeft) && g_Config.gameMode > kGameModeRace;
        const bool raise = Clicked(kModeRight) && g_Config.gameMode < kGameModePoints;
        if (lower || raise) {
            g_Config.gameMode = raise ? kGameModePoints : kGameModeRace;
            LabelSliders();
        }
    }
    StoreSliders();
    ShowLists();
}

void DrawChampionshipPreview() {
    const ShownList& s = g_page.shown[g_page.focus];
    const std::vector<uint32_t>& worlds = Worlds(g_page.focus);
    if (s.row >= 0 && static_cast<size_t>(s.row) < worlds.size()) DrawWorldPreviewPicture(WorldAt(worlds[static_cast<size_t>(s.row)]));
}

}  // namespace

void InstallChampionshipPage() {
    SetMenuPageEntry(kChampionshipPage, MenuPage{2, g_items, ChampionshipSetupUpdate, DrawChampionshipPreview,
                                                 ChampionshipSetupEnter, ChampionshipSetupLeave});
}

}  // namespace kes
