// The network game list (pages 9 and 15): the games found on the local network or in the online
// directory, with host, join and refresh. The search reports games from its own thread; the found
// games are kept under the list lock, and the page turns them into text lines on the game thread.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "game/core/text/TextTable.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/lobby/LobbyInternal.h"
#include "game/frontend/pages/lobby/LobbyText.h"
#include "game/frontend/pages/select/SelectShared.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

enum GameListItem : uint32_t { kPanel = 0, kBack = 1, kHost = 2, kJoin = 3, kRefresh = 4, kList = 5, kUp = 6, kDown = 7 };

constexpr int32_t kSearchDelayMs = 1000;
constexpr uint32_t kStepMs = 10;
constexpr uint32_t kLanPanelText = 65, kOnlinePanelText = 9;
constexpr uint32_t kLanSearchingText = 184, kOnlineSearchingText = 185;

MenuItem g_items[] = {
    {kItemHeadingPanel, 156, 15, kLanPanelText}, {kItemBottomButton, 518, 413, 43}, {kItemMenuButton, 395, 130, 62},
    {kItemMenuButton, 395, 187, 66},             {kItemMenuButton, 395, 243, 67},   {kItemWideList, 37, 110},
    {kItemUpArrow, 306, 127},                    {kItemDownArrow, 306, 339},        {},
};

struct GameListState {
    // Shared with the search thread: the found games under the lock; the flags stand alone.
    std::mutex lock;
    std::vector<ServerRecord> games;
    std::atomic<uint32_t> searching{0};
    std::atomic<uint32_t> status{0};
    std::atomic<bool> searchFailed{false};  // the search failed: the page drops the network kind

    // Game thread only.
    int32_t countdown = 0;
    size_t shownCount = 0;
    std::vector<std::string> lines;
    std::vector<const char*> rows;
    int32_t selected = 0;
} g_list;

bool Clicked(uint32_t item) { return (g_items[item].state & kItemClicked) != 0; }

uint32_t& Kind() { return Flow().networkKind; }

void ClearListItem() {
    MenuItem& list = g_items[kList];
    list.list = nullptr;
    list.maximum = 0;
    list.value = 0;
    list.firstRow = 0;
    g_list.lines.clear();
    g_list.rows.clear();
    g_list.shownCount = 0;
    g_list.selected = 0;
}

// Stops the search (no report runs after this) and forgets what it found.
void StopAndClear() {
    StopGameSearch();
    {
        std::lock_guard lock(g_list.lock);
        g_list.games.clear();
        g_list.games.shrink_to_fit();
    }
    g_list.countdown = 0;
    g_list.searching = 0;
    ClearListItem();
}

void GameListEnter() {
    g_items[kPanel].label = Kind() == kOnlineDirectory ? kOnlinePanelText : kLanPanelText;
    g_list.status = 0;
    g_list.searchFailed = false;
    if (LobbyStartNetwork(Kind() == kOnlineDirectory) != 0) {
        g_list.status = kStatusNetworkFailed;
        Kind() = kNoNetwork;
    }
    StopAndClear();
    // Without a network no search will run: the status line shows why instead of "searching".
    if (Kind() == kNoNetwork) return;
    g_list.countdown = kSearchDelayMs;
    g_list.searching = 1;
}

void GameListLeave() {
    // The search must not report into a list that is gone.
    StopAndClear();
}

void RebuildLines() {
    std::lock_guard lock(g_list.lock);
    if (g_list.games.size() == g_list.shownCount) return;
    g_list.shownCount = g_list.games.size();
    g_list.lines.clear();
    for (const ServerRecord& game : g_list.games) g_list.lines.push_back(GameListLine(game));
    g_list.rows.clear();
    for (const std::string& line : g_list.lines) g_list.rows.push_back(line.c_str());
    g_list.rows.push_back(nullptr);
    MenuItem& list = g_items[kList];
    const bool empty = g_list.lines.empty();
    list.list = empty ? nullptr : g_list.rows.data();
    list.maximum = empty ? 0.0f : static_cast<float>(g_list.lines.size()) - 0.1f;
}

void UpdateSelection() {
    MenuKeys& keys = MenuKeyWords();
    MenuItem& list = g_items[kList];
    int32_t selection = g_list.selected;
    if (Clicked(kUp) || keys.up) --selection;
    if (Clicked(kDown) || keys.down) ++selection;
    keys.up = keys.down = 0;
    if (MenuFocus() == &list) selection = plat::FloatToInt(list.value);
    if (const int32_t row = ClickedListRow(list); row >= 0) selection = row;
    g_list.selected = ClampSelection(selection, list.maximum);
    if (MenuFocus() != &list) list.value = static_cast<float>(g_list.selected);
}

void Join() {
    ServerRecord game;
    {
        std::lock_guard lock(g_list.lock);
        if (g_list.games.empty() || g_list.shownCount == 0) return;
        const size_t at = std::min(static_cast<size_t>(g_list.selected), g_list.games.size() - 1);
        game = g_list.games[at];
    }
    const NetPlayerInfo info = LocalPlayerInfo();
    if (NetJoinGame(LocalPlayerName(), &info, game.session) == 0) {
        SetMenuPage(kGameRoomPage);
        return;
    }
    // The join stopped the search: the player stays and may refresh.
    g_list.searching = 0;
}

void GameListUpdate() {
    if (g_list.searchFailed.exchange(false)) Kind() = kNoNetwork;
    const uint32_t kind = Kind();
    if (kind != kNoNetwork && g_list.countdown > 0) {
        g_list.countdown -= static_cast<int32_t>(kStepMs);
        if (g_list.countdown <= 0) {
            g_list.countdown = 0;
            if (StartGameSearch(OnGameFound, kind == kOnlineDirectory) != 0) {
                // No search runs: nothing will end it, so the page must not wait for one.
                g_list.status = kStatusSearchNotStarted;
                g_list.searching = 0;
            }
        }
    }
    RebuildLines();
    UpdateSelection();

    MenuKeys& keys = MenuKeyWords();
    if (Clicked(kBack) || keys.esc) {
        keys.esc = 0;
        StopAndClear();
        NetShutdown();
        SetMenuPage(kLobbyMainPage);
        return;
    }
    if (kind == kNoNetwork) return;
    if (Clicked(kHost)) {
        SetMenuPage(kHostPage);
        return;
    }
    if (Clicked(kJoin)) {
        Join();
        return;
    }
    if (Clicked(kRefresh) && g_list.countdown == 0 && !g_list.searching) {
        StopAndClear();
        g_list.searching = 1;
        g_list.countdown = kSearchDelayMs;
    }
}

void GameListStatus() {
    uint32_t text = 0;
    if (g_list.searching)
        text = Kind() == kOnlineDirectory ? kOnlineSearchingText : kLanSearchingText;
    else
        text = g_list.status;
    if (text) DrawMenuText(nullptr, 240, 420, GetText(static_cast<int>(text)), 3, true, 44);
}

}  // namespace

void OnGameFound(const ServerRecord* record) {
    if (reinterpret_cast<uintptr_t>(record) == ~uintptr_t{0}) {
        g_list.status = kStatusSearchFailed;
        g_list.searching = 0;
        g_list.searchFailed = true;
        return;
    }
    if (!record) {
        g_list.searching = 0;
        return;
    }
    std::lock_guard lock(g_list.lock);
    for (const ServerRecord& game : g_list.games)
        if (std::equal(std::begin(game.session), std::end(game.session), record->session)) return;
    try {
        g_list.games.push_back(*record);
    } catch (const std::bad_alloc&) {
        // The game is dropped; the list stays as it was.
    }
}

uint32_t GameListStatusText() { return g_list.status; }
bool GameListSearching() { return g_list.searching != 0; }
uint32_t GameListGameCount() {
    std::lock_guard lock(g_list.lock);
    return static_cast<uint32_t>(g_list.games.size());
}

void InstallGameListPages() {
    const MenuPage page{2, g_items, GameListUpdate, GameListStatus, GameListEnter, GameListLeave};
    SetMenuPageEntry(kGameListPage, page);
    SetMenuPageEntry(kOnlineGameListPage, page);
}

}  // namespace kes
