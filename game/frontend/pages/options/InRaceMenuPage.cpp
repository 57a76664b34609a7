// The in-race menu (page 8), shown over the frozen race picture: continue, retire or quit, and the
// doors to the display, sound and controls pages.
#include "game/app/loop/FrameLoop.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/pages/options/PageHelpers.h"
#include "game/frontend/pages/options/SettingsPages.h"
#include "game/frontend/session/RaceSession.h"
#include "game/net/NetGame.h"

namespace kes {

namespace {

constexpr uint32_t kNetClient = 1;
constexpr uint32_t kNetHost = 2;
constexpr uint32_t kLeaveRacePhase = 11;
constexpr uint32_t kQuitChampionshipText = 57;
constexpr uint32_t kLeaveNetworkGameText = 3;

MenuItem g_items[] = {
    {kItemHeadingPanel, 28, 18, 54},
    {kItemMenuButton, 122, 119, 55},  // continue
    {kItemMenuButton, 122, 175, 56},  // retire
    {kItemMenuButton, 122, 233, 57},  // quit the championship or the network game
    {kItemMenuButton, 372, 119, 13},  // display
    {kItemMenuButton, 372, 175, 14},  // sound
    {kItemMenuButton, 372, 233, 15},  // controls
    {},
};

void ShowItemsForNetworkMode() {
    const uint32_t mode = NetGetMode();
    if (mode == kNetClient) {
        SetInert(g_items[2], true);
        SetInert(g_items[3], false);
        g_items[3].label = kLeaveNetworkGameText;
    } else if (mode == kNetHost) {
        SetInert(g_items[2], false);
        SetInert(g_items[3], false);
        g_items[3].label = kLeaveNetworkGameText;
    } else {
        SetInert(g_items[2], false);
        SetInert(g_items[3], Flow().worldFamily != kFamilyChampionship);
        g_items[3].label = kQuitChampionshipText;
    }
}

void InRaceMenuUpdate() {
    ShowItemsForNetworkMode();
    MenuKeys& keys = MenuKeyWords();
    if (Clicked(g_items[1]) || keys.enter || keys.esc) {
        keys.enter = keys.esc = 0;
        RequestQuit(2);
        return;
    }
    if (Clicked(g_items[2])) {
        SetRacePhase(kLeaveRacePhase, 0);
        if (NetGetMode() == 0) Flow().RaceOutcome = kOutcomeRetired;
        RequestQuit(3);
        return;
    }
    if (Clicked(g_items[3])) {
        Flow().RaceOutcome = kOutcomeSessionLost;
        RequestQuit(3);
        return;
    }
    if (Clicked(g_items[4])) return SetMenuPage(kDisplayPage);
    if (Clicked(g_items[5])) return SetMenuPage(kSoundPage);
    if (Clicked(g_items[6])) return SetMenuPage(kControlsPage);
}

}  // namespace

void InstallInRaceMenuPage() {
    // Set up before the first frame too, so that no hidden item flashes on entry.
    SetMenuPageEntry(kInRaceMenuPage, MenuPage{0, g_items, InRaceMenuUpdate, nullptr, ShowItemsForNetworkMode, nullptr});
}

}  // namespace kes
