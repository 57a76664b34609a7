// The host page (page 10): the player names the game and opens it, then sets up its races.
#include <algorithm>
#include <cstring>
#include <string>

#include "game/core/config/Config.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/lobby/LobbyInternal.h"

namespace kes {

namespace {

enum HostItem : uint32_t { kPanel = 0, kBack = 1, kHost = 2, kValue = 3, kValueLeft = 4, kValueRight = 5, kName = 6 };

constexpr uint32_t kNamedGameText = 63;
constexpr uint32_t kNameChars = 16;

// The value text and its arrows have nothing to choose: they stay inert.
MenuItem g_items[] = {
    {kItemHeadingPanel, 149, 6, 60},
    {kItemBottomButton, 300, 413, 43},
    {kItemBottomButton, 433, 413, 62},
    {kItemValueText, 258, 150, kNamedGameText, nullptr, 0, kItemHidden},
    {kItemLeftArrow, 224, 150, 0, nullptr, 0, kItemHidden},
    {kItemRightArrow, 432, 153, 0, nullptr, 0, kItemHidden},
    {kItemTextBox, 223, 213, 61},
    {},
};

struct HostPageState {
    bool editing = false;
    std::string shownName;
} g_page;

bool Clicked(uint32_t item) { return (g_items[item].state & kItemClicked) != 0; }

std::string StoredName() {
    const auto& field = g_Config.hostedName;
    return std::string(field.data(), strnlen(field.data(), field.size()));
}

void StoreName(const std::string& name) {
    auto& field = g_Config.hostedName;
    field.fill(0);
    std::memcpy(field.data(), name.data(), std::min(name.size(), field.size() - 1));
}

void ShowStoredName() {
    g_page.shownName = StoredName();
    g_items[kName].text = g_page.shownName.c_str();
}

void HostPageEnter() {
    g_page.editing = false;
    ShowStoredName();
}

void HostPageUpdate() {
    MenuItem& name = g_items[kName];
    if (g_page.editing) {
        if (MenuState() != kMenuNormal) return;
        // Return leaves the item in state 2; Escape keeps the stored name.
        g_page.editing = false;
        if (name.state == kItemClicked) StoreName(TextEntryText());
        name.state = 0;
        ShowStoredName();
        return;
    }
    const NetPlayerInfo info = LocalPlayerInfo();
    if (Clicked(kHost)) {
        const std::string game = StoredName();
        if (NetHostGame(LocalPlayerName(), &info, game.c_str()) == 0) SetMenuPage(kLobbyChampionshipPage);
        return;
    }
    if (Clicked(kBack)) {
        SetMenuPage(kGameListPage);
        return;
    }
    g_Config.hostedNameEntered = 1;
    g_items[kValue].label = kNamedGameText;
    if (Clicked(kName)) {
        g_page.editing = true;
        StartTextEntry(&name, StoredName(), kNameChars);
        return;
    }
    ShowStoredName();
}

}  // namespace

void InstallHostPage() { SetMenuPageEntry(kHostPage, MenuPage{2, g_items, HostPageUpdate, nullptr, HostPageEnter, nullptr}); }

}  // namespace kes
