// The rider page: the current profile's name, rider skin and bike skin. Ok keeps the changes (and
// saves the profile), cancel drops them.
#include <memory>
#include <string>

#include "game/app/loop/FrameLoop.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/select/ProfileList.h"
#include "game/frontend/pages/select/SelectPagesInternal.h"
#include "game/frontend/pages/select/SkinPreview.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/skins/SkinList.h"
#include "game/world/models/BikeModels.h"
#include "game/world/models/RiderModel.h"

namespace kes {

void InstallRiderPage();

namespace {

enum RiderItem : uint32_t {
    kOk = 1,
    kRiderLeft = 5,
    kRiderRight = 6,
    kBikeLeft = 7,
    kBikeRight = 8,
    kName = 9,
    kCancel = 10,
};

constexpr uint32_t kNameLength = 12;

MenuItem g_items[] = {
    {kItemHeadingPanel, 28, 18, 16},   {kItemBottomButton, 507, 413, 11}, {kItemBigPicture, 53, 134},
    {kItemValueText, 398, 250, 17},    {kItemValueText, 398, 321, 18},    {kItemLeftArrow, 364, 250},
    {kItemRightArrow, 572, 253},       {kItemLeftArrow, 364, 321},        {kItemRightArrow, 572, 324},
    {kItemTextBox, 378, 125, 19},      {kItemBottomButton, 374, 413, 27}, {},
};

struct RiderPageState {
    std::string name;
    uint32_t riderSkin = 0, bikeSkin = 0;
    bool cancelled = false;
    bool editing = false;
} g_page;

bool Clicked(uint32_t item) { return (g_items[item].state & kItemClicked) != 0; }

SkinList* RiderSkins() { return TheRiderModel().skins.get(); }
SkinList* BikeSkins() { return TheBikeModels().skins.get(); }

uint32_t Step(uint32_t index, int32_t delta, const SkinList* skins) {
    const uint32_t count = skins ? skins->Count() : 0;
    if (count == 0) return 0;
    return static_cast<uint32_t>((static_cast<int64_t>(index) + delta + count) % count);
}

void RiderPageEnter() {
    if (!FrontEnd().profile) FrontEnd().profile = std::make_unique<Profile>();
    const Profile& p = *FrontEnd().profile;
    g_page.name = std::string(p.GetName()).substr(0, kNameLength);
    g_page.riderSkin = RiderSkinIndex(p);
    g_page.bikeSkin = BikeSkinIndex(p);
    g_page.cancelled = false;
    g_page.editing = false;
    g_items[kName].text = g_page.name.c_str();
    CreatePreviewRacer(g_page.riderSkin, g_page.bikeSkin);
}

void RiderPageLeave() {
    DestroyPreviewRacer();
    if (g_page.cancelled || !FrontEnd().profile) return;
    Profile& p = *FrontEnd().profile;
    // Without skins there is nothing chosen: the profile keeps the skins it has.
    if (const SkinList* s = BikeSkins(); s && s->Count()) p.SetBikeSkin(s->GetChecksum(g_page.bikeSkin));
    if (const SkinList* s = RiderSkins(); s && s->Count()) p.SetRiderSkin(s->GetChecksum(g_page.riderSkin));
    if (!ProfilesFolderUsable()) {
        // Nothing is written without the profiles folder; the name still changes for this run.
        if (!g_page.name.empty()) p.SetName(g_page.name);
        return;
    }
    p.Rename(g_page.name);
    p.Save(p.GetName());
}

// The preview turns inside the picture frame (255 x 246 at (53, 134)).
constexpr int32_t kPreviewX = 53 + 127, kPreviewY = 134 + 123, kPreviewWidth = 255;

void RiderPageUpdate() {
    PosePreviewRacer(kPreviewX, kPreviewY, kPreviewWidth, kFrameStepMs);
    MenuKeys& keys = MenuKeyWords();
    MenuItem& name = g_items[kName];
    if (g_page.editing) {
        if (MenuState() != kMenuNormal) return;
        // The entry ended: Return leaves the item in state 2, Escape does not.
        g_page.editing = false;
        if (name.state == kItemClicked) g_page.name = TextEntryText();
        name.state = 0;
        name.text = g_page.name.c_str();
        return;
    }
    if (Clicked(kOk) || keys.enter) {
        PlayMenuSound(kSoundBack);
        g_page.cancelled = false;
        SetMenuPage(kProfilePage);
        return;
    }
    if (Clicked(kCancel) || keys.esc) {
        g_page.cancelled = true;
        SetMenuPage(kProfilePage);
        return;
    }
    if (Clicked(kRiderLeft) || keys.up) g_page.riderSkin = Step(g_page.riderSkin, -1, RiderSkins());
    if (Clicked(kRiderRight) || keys.down) g_page.riderSkin = Step(g_page.riderSkin, 1, RiderSkins());
    if (Clicked(kBikeLeft) || keys.left) g_page.bikeSkin = Step(g_page.bikeSkin, -1, BikeSkins());
    if (Clicked(kBikeRight) || keys.right) g_page.bikeSkin = Step(g_page.bikeSkin, 1, BikeSkins());
    keys.up = keys.down = keys.left = keys.right = 0;
    SetPreviewSkins(g_page.riderSkin, g_page.bikeSkin);
    if (Clicked(kName)) {
        g_page.editing = true;
        StartTextEntry(&name, g_page.name, kNameLength);
        return;
    }
    name.text = g_page.name.c_str();
}

}  // namespace

void InstallRiderPage() {
    SetMenuPageEntry(kRiderPage, MenuPage{3, g_items, RiderPageUpdate, DrawPreviewRacer, RiderPageEnter, RiderPageLeave});
}

}  // namespace kes
