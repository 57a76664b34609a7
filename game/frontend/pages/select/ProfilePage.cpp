// The profile page: every saved profile with the highlighted one's statistics; choose, create, edit
// or delete a profile. It returns to the page that opened it.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "game/core/config/Config.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/pages/select/ProfileList.h"
#include "game/frontend/pages/select/SelectPagesInternal.h"
#include "game/frontend/pages/select/SelectShared.h"
#include "game/app/loop/FrameLoop.h"
#include "game/frontend/pages/select/SkinPreview.h"
#include "platform/sys/Fpu.h"

namespace kes {

void InstallRiderPage();

namespace {

enum ProfileItem : uint32_t {
    kOk = 1,
    kNew = 2,
    kDelete = 4,
    kEdit = 5,
    kStats = 7,
    kList = 8,
    kListUp = 9,
    kListDown = 10,
};

constexpr uint32_t kVisibleRows = 13;
constexpr int32_t kRowSpacing = 18 + 2;  // font 3's height and two pixels

void DrawProfileList();
void DrawProfileStats();

MenuItem g_items[] = {
    {kItemHeading, 89, 20, 50},         {kItemBottomButton, 507, 413, 11}, {kItemMenuButton, 460, 115, 21},
    {kItemMenuButton, 460, 212},        {kItemMenuButton, 460, 163, 23},   {kItemMenuButton, 460, 299, 24},
    {kItemPicture, 233, 75},            {kItemPanel, 219, 240, 0, DrawProfileStats},
    {kItemLargeList, 10, 112, 26, DrawProfileList}, {kItemUpArrow, 180, 188}, {kItemDownArrow, 179, 425},
    {},
};

struct ProfilePageState {
    std::vector<ListedProfile> profiles;
    int32_t selected = 0;
    std::string statsText;
} g_page;

bool Clicked(uint32_t item) { return (g_items[item].state & kItemClicked) != 0; }

Profile& Current() {
    FrontEndResources& fe = FrontEnd();
    if (!fe.profile) fe.profile = std::make_unique<Profile>();
    return *fe.profile;
}

// Makes another profile current and moves the screenshot key with it.
void MakeCurrent(const Profile& profile) {
    Current() = profile;
    RebindGrabKeys();
}

void SetListRange() {
    const auto count = static_cast<float>(g_page.profiles.size());
    g_items[kList].maximum = count > 0 ? count - 0.1f : 0.0f;
    g_items[kList].value = static_cast<float>(g_page.selected);
}

void Relist() {
    g_page.profiles = ListProfiles(Current(), ProfilesFolderUsable(), &g_page.selected);
    // A selection kept from before the list changed may lie past its end (the last one deleted).
    g_page.selected = std::clamp(g_page.selected, 0, std::max(static_cast<int32_t>(g_page.profiles.size()) - 1, 0));
    SetListRange();
}

void ProfilePageEnter() {
    g_page.selected = 0;
    g_items[kList].firstRow = 0;
    Relist();
    CreatePreviewRacer(0, 0);
}

void ProfilePageLeave() {
    DestroyPreviewRacer();
    g_page.profiles.clear();
    const char* name = Current().GetName();
    g_Config.text.fill(0);
    std::memcpy(g_Config.text.data(), name, std::min(std::strlen(name), g_Config.text.size() - 1));
    SaveConfig();
}

void GoToReturnPage() {
    GameFlowState& flow = Flow();
    const int32_t target = flow.returnPage >= 0 ? flow.returnPage : static_cast<int32_t>(kOptionsPage);
    // Back to the default: the options menu, which is what opens this page from then on.
    flow.returnPage = -1;
    SetMenuPage(static_cast<uint32_t>(target));
}

// The preview turns inside the picture frame (211 x 176 at (233, 75)).
constexpr int32_t kPreviewX = 233 + 105, kPreviewY = 75 + 88, kPreviewWidth = 211;

void ProfilePageUpdate() {
    PosePreviewRacer(kPreviewX, kPreviewY, kPreviewWidth, kFrameStepMs);
    MenuKeys& keys = MenuKeyWords();
    if (Clicked(kOk) || keys.enter || keys.esc) {
        PlayMenuSound(kSoundBack);
        const bool any = !g_page.profiles.empty();
        MakeCurrent(any ? g_page.profiles[static_cast<size_t>(g_page.selected)].profile : Profile());
        GoToReturnPage();
        return;
    }
    if (Clicked(kNew)) {
        MakeCurrent(Profile());
        SetMenuPage(kRiderPage);
        return;
    }
    if (Clicked(kDelete) && !g_page.profiles.empty()) {
        DeleteListedProfile(g_page.profiles[static_cast<size_t>(g_page.selected)]);
        Relist();
        if (g_page.profiles.empty()) {
            MakeCurrent(Profile());
            SetMenuPage(kRiderPage);
            return;
        }
        MakeCurrent(g_page.profiles[static_cast<size_t>(g_page.selected)].profile);
        return;
    }
    if (Clicked(kEdit) && !g_page.profiles.empty()) {
        MakeCurrent(g_page.profiles[static_cast<size_t>(g_page.selected)].profile);
        SetMenuPage(kRiderPage);
        return;
    }
    MenuItem& list = g_items[kList];
    int32_t selection = g_page.selected;
    if (Clicked(kListUp) || keys.up) --selection;
    if (Clicked(kListDown) || keys.down) ++selection;
    keys.up = keys.down = 0;
    if (MenuFocus() == &list) selection = plat::FloatToInt(list.value);
    if (const int32_t row = ClickedListRow(list); row >= 0) selection = row;
    g_page.selected = ClampSelection(selection, list.maximum);
    if (MenuFocus() != &list) list.value = static_cast<float>(g_page.selected);
    // The preview wears the highlighted profile's skins.
    if (!g_page.profiles.empty()) {
        const Profile& p = g_page.profiles[static_cast<size_t>(g_page.selected)].profile;
        SetPreviewSkins(RiderSkinIndex(p), BikeSkinIndex(p));
    }
}

void DrawProfileList() {
    const MenuItem& list = g_items[kList];
    const int32_t first = plat::FloatToInt(list.firstRow);
    for (uint32_t row = 0; row < kVisibleRows; ++row) {
        const int32_t index = first + static_cast<int32_t>(row);
        if (index < 0 || index >= static_cast<int32_t>(g_page.profiles.size())) continue;
        DrawMenuText(nullptr, list.x + 20, list.y + 70 + kRowSpacing * static_cast<int32_t>(row),
                     g_page.profiles[static_cast<size_t>(index)].profile.GetName(), 3, false, 44);
    }
}

void DrawProfileStats() {
    if (g_page.selected < 0 || g_page.selected >= static_cast<int32_t>(g_page.profiles.size())) return;
    const MenuItem& box = g_items[kStats];
    const Profile& p = g_page.profiles[static_cast<size_t>(g_page.selected)].profile;
    DrawMenuText(nullptr, box.x + 104, box.y + 16, p.GetName(), 3, true, 44);
    g_page.statsText = ProfileStatsText(p);
    DrawMenuText(nullptr, box.x + 12, box.y + 58, g_page.statsText.c_str(), 4, false, 44);
}

}  // namespace

void InstallProfilePages() {
    SetMenuPageEntry(kProfilePage, MenuPage{3, g_items, ProfilePageUpdate, DrawPreviewRacer, ProfilePageEnter, ProfilePageLeave});
    InstallRiderPage();
}

}  // namespace kes
