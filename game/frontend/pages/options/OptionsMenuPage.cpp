// The options menu (page 1): the doors to the profile, controls, display and sound pages; leaving it
// writes the settings.
#include "game/app/loop/FrameLoop.h"
#include "game/core/config/Config.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/pages/options/PageHelpers.h"
#include "game/frontend/pages/options/SettingsPages.h"

namespace kes {

namespace {

MenuItem g_items[] = {
    {kItemTitle, 185, 24, 10},
    {kItemMenuButton, 222, 119, 12},  // profile
    {kItemMenuButton, 222, 175, 15},  // controls
    {kItemMenuButton, 222, 233, 13},  // display
    {kItemMenuButton, 222, 294, 14},  // sound
    {kItemBottomButton, 374, 413, 11},
    {},
};

void OptionsMenuUpdate() {
    MenuKeys& keys = MenuKeyWords();
    if (Clicked(g_items[1])) {
        // The profile page is shared with the main page: it comes back here.
        Flow().returnPage = static_cast<int32_t>(kOptionsMenuPage);
        SetMenuPage(kProfilePage);
        return;
    }
    if (Clicked(g_items[2])) return SetMenuPage(kControlsPage);
    if (Clicked(g_items[3])) return SetMenuPage(kDisplayPage);
    if (Clicked(g_items[4])) return SetMenuPage(kSoundPage);
    if (Clicked(g_items[5]) || keys.esc || keys.enter) {
        SaveConfig();
        SetMenuPage(kMainPage);
    }
}

}  // namespace

void InstallOptionsPages() {
    SetMenuPageEntry(kOptionsMenuPage, MenuPage{3, g_items, OptionsMenuUpdate, nullptr, nullptr, nullptr});
    InstallDisplayPage();
    InstallSoundPage();
    InstallInRaceMenuPage();
}

}  // namespace kes
