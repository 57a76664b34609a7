// The main page: the kind of race, the tutorials, the options and quitting. The first choice after
// start-up goes through the profile page, which then leads on to the chosen page.
#include "game/app/loop/FrameLoop.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/pages/select/SelectPagesInternal.h"
#include "game/net/NetGame.h"

namespace kes {

namespace {

constexpr uint32_t kLocalNetwork = 1, kOnlineDirectory = 2;

enum MainItem : uint32_t {
    kFamily1 = 2,
    kFamily2 = 3,
    kFamily3 = 4,
    kChampionship = 5,
    kLanGame = 6,
    kOnlineGame = 7,
    kOptions = 8,
    kQuit = 9,
    kTutorials = 10,
};

MenuItem g_items[] = {
    {kItemTitle, 69, 137, 1},         {kItemTitle, 322, 137, 2},        {kItemMenuButton, 109, 210, 4},
    {kItemMenuButton, 109, 249, 5},   {kItemMenuButton, 109, 289, 6},   {kItemMenuButton, 109, 329, 7},
    {kItemMenuButton, 364, 210, 8},   {kItemMenuButton, 364, 249, 9},   {kItemMenuButton, 364, 329, 10},
    {kItemBottomButton, 269, 424, 3}, {kItemMenuButton, 364, 289, 147}, {},
};

bool Clicked(uint32_t item) { return (g_items[item].state & kItemClicked) != 0; }

// Until a profile has been chosen since start-up, the profile page comes first and its ok leads on.
void OpenThroughProfile(uint32_t target) {
    GameFlowState& flow = Flow();
    if (flow.pageAfterProfile == 0) {
        flow.pageAfterProfile = target;
        flow.returnPage = static_cast<int32_t>(target);
        SetMenuPage(kProfilePage);
        return;
    }
    SetMenuPage(target);
}

void MainPageEnter() {
    Flow().worldFamily = 0;
    if (NetIsActive()) NetShutdown();
}

void MainPageUpdate() {
    GameFlowState& flow = Flow();
    if (Clicked(kQuit)) {
        RequestQuit(1);
    } else if (Clicked(kOptions)) {
        OpenThroughProfile(kOptionsPage);
    } else if (Clicked(kFamily1) || Clicked(kFamily2) || Clicked(kFamily3)) {
        flow.worldFamily = Clicked(kFamily1) ? 1 : Clicked(kFamily2) ? 2 : 3;
        OpenThroughProfile(kWorldPage);
    } else if (Clicked(kChampionship)) {
        flow.worldFamily = kFamilyChampionship;
        OpenThroughProfile(kChampionshipPage);
    } else if (Clicked(kLanGame) || Clicked(kOnlineGame)) {
        const bool lan = Clicked(kLanGame);
        flow.networkKind = lan ? kLocalNetwork : kOnlineDirectory;
        flow.worldFamily = kFamilyChampionship;
        OpenThroughProfile(lan ? kNetworkListPage : kOnlineListPage);
    } else if (Clicked(kTutorials)) {
        SetMenuPage(kMoviePage);
    }
}

}  // namespace

void InstallMainPage() { SetMenuPageEntry(kMainPage, MenuPage{1, g_items, MainPageUpdate, nullptr, MainPageEnter, nullptr}); }

void InstallMainPages() {
    InstallMainPage();
    InstallWorldPage();
    InstallMoviePage();
}

}  // namespace kes
