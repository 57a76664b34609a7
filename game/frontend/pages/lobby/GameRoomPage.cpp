// The game room (page 13): the players of one network game with their round-trip times, the race
// settings, the host's bike and a chat line, until the host starts the race. The host chooses the
// worlds and the bike; a client chooses only its air and landing aids.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "game/app/loop/FrameLoop.h"
#include "game/core/config/Config.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/lobby/LobbyInternal.h"
#include "game/frontend/pages/lobby/LobbyText.h"
#include "game/frontend/pages/options/BikeSetupRules.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/session/RaceSession.h"

namespace kes {

namespace {

enum GameRoomItem : uint32_t {
    kPanel = 0, kLeave = 1, kProfileButton = 2, kStart = 3, kChatEntry = 4, kChatHistory = 5, kPlayers = 6,
    kPlayersUp = 7, kPlayersDown = 8, kWorldSettings = 9, kBikeSetup = 10, kValue0 = 11, kValue0Left = 12,
    kValue0Right = 13, kValue1 = 14, kValue1Left = 15, kValue1Right = 16,
};

constexpr uint32_t kStepMs = 10;
constexpr int32_t kPingPeriodMs = 5000;
constexpr uint32_t kChatChars = 24;
constexpr uint32_t kHostMode = 2;
constexpr uint32_t kHostSlot = 1;
constexpr uint32_t kStartRaceCode = 2;
constexpr uint32_t kValue0Text = 79;  // 79, 81, 83
constexpr uint32_t kValue1Text = 121;  // 121-123

MenuItem g_items[] = {
    {kItemHeadingPanel, 12, 20, 87},
    {kItemBottomButton, 31, 417, 3},
    {kItemMenuButton, 395, 260, 12, nullptr, 0, kItemHidden},
    {kItemBottomButton, 432, 417, 53},
    {kItemTextBox, 378, 140, 88, nullptr, 0, kItemSecondFont},
    {kItemSixLineBox, 376, 3, 89},
    {kItemWideList, 37, 110},
    {kItemUpArrow, 306, 127, 0, nullptr, 0, kItemHidden},
    {kItemDownArrow, 306, 339, 0, nullptr, 0, kItemHidden},
    {kItemMenuButton, 395, 306, 146},
    {kItemMenuButton, 395, 352, 68},
    {kItemValueText, 398, 306},
    {kItemLeftArrow, 364, 306},
    {kItemRightArrow, 572, 310},
    {kItemValueText, 398, 352},
    {kItemLeftArrow, 364, 352},
    {kItemRightArrow, 572, 355},
    {},
};

struct GameRoomState {
    int32_t pingCountdown = 0;
    // A joining client gets its own slot before the session tells it who is already there, so the
    // host counts as gone only once it has been seen in this visit of the room.
    bool hostSeen = false;
    bool chatting = false;
    std::string chatShown;
    // The list's rows: eight player lines, then the race settings and the host's bike.
    std::vector<std::string> lines;
    std::vector<const char*> rows;
    // The chat history as the handler keeps it, copied under the net lock for drawing.
    char chat[kChatLines][kChatLineBytes] = {};
    const char* chatRows[kChatLines + 1] = {};
} g_room;

bool Clicked(uint32_t item) { return (g_items[item].state & kItemClicked) != 0; }
bool Host() { return NetGetMode() == kHostMode; }

void SetInert(uint32_t item, bool inert) {
    MenuItem& i = g_items[item];
    i.flags = inert ? (i.flags | kItemHidden) : (i.flags & ~kItemHidden);
}

Profile* CurrentProfile() { return FrontEnd().profile.get(); }

// The profile's bike set-up into the race set-up words (the host rides what its profile holds).
void CopyProfileToRaceSetup(const Profile& p) {
    GameFlowState& flow = Flow();
    flow.setupValue0 = p.GetValue(0);
    flow.setupValue1 = p.GetValue(1);
    const float stat = p.GetStat(kStatBikeClass);
    flow.setupClass = stat >= 0.0f && stat < static_cast<float>(kBikeClassCount) ? static_cast<uint32_t>(stat) : 0u;
    for (uint32_t i = 0; i < kBikeParams; ++i) {
        const float param = p.GetStat(kStatCustomBike + i);
        flow.setupParams[i] = param > 0.0f ? static_cast<uint32_t>(std::min(param, static_cast<float>(kBikeParamMax))) : 0u;
    }
}

void PublishLocalPlayer() {
    const NetPlayerInfo info = LocalPlayerInfo();
    NetSetLocalPlayerInfo(&info);
}

void ShowRows() {
    g_room.rows.clear();
    for (const std::string& line : g_room.lines) g_room.rows.push_back(line.c_str());
    g_room.rows.push_back(nullptr);
    MenuItem& list = g_items[kPlayers];
    list.list = g_room.rows.data();
    list.maximum = 0;
    list.value = 0;
    list.firstRow = 0;
}

void GameRoomEnter() {
    g_room.pingCountdown = 0;
    g_room.hostSeen = false;
    g_room.chatting = false;
    g_room.chatShown.clear();
    g_items[kChatEntry].text = g_room.chatShown.c_str();
    const bool host = Host();
    for (uint32_t item : {kStart, kWorldSettings, kBikeSetup}) SetInert(item, !host);
    for (uint32_t item : {kValue0, kValue0Left, kValue0Right, kValue1, kValue1Left, kValue1Right}) SetInert(item, host);
    if (host) {
        if (const Profile* p = CurrentProfile()) CopyProfileToRaceSetup(*p);
        // The clients show the host's bike from its record: it follows the profile from now on.
        PublishLocalPlayer();
    }
    g_room.lines.assign(kNetSlots, std::string());
    ShowRows();
    if (host) {
        NetSetWorldIdentifier(Flow().chosenWorld);
        NetSendRaceSettings(g_HostFlagWord);
    }
}

void GameRoomLeave() {
    g_room.lines.assign(1, std::string());
    ShowRows();
    g_items[kPlayers].list = nullptr;
}

void Ping() {
    g_room.pingCountdown -= static_cast<int32_t>(kStepMs);
    if (g_room.pingCountdown >= 0) return;
    g_room.pingCountdown += kPingPeriodMs;
    NetSendPing();
}

// The players' lines and, for a client, the host's bike; false when the client's host has left
// (the network is then shut down).
bool ReadPlayers(std::vector<std::string>& lines, HostBike& bike) {
    const uint32_t local = SessionGetLocalPlayer();
    const bool client = !Host();
    NetPlayerSlot* slots = NetLock();
    if (client && slots[kHostSlot - 1].inUse) g_room.hostSeen = true;
    if (client && !slots[kHostSlot - 1].inUse && g_room.hostSeen) {
        NetUnlock();
        NetShutdown();
        return false;
    }
    // The host's own slot keeps the record it hosted with; its bike is that of its race set-up words.
    bike = HostBikeFromInfo(client ? slots[kHostSlot - 1].info : LocalPlayerInfo());
    lines.assign(kNetSlots, std::string());
    for (uint32_t slot = 1; slot <= kNetSlots; ++slot) {
        const NetPlayerSlot& s = slots[slot - 1];
        if (!s.inUse && slot != local) continue;
        lines[slot - 1] = PlayerLine(slot, s.name, s.roundTrip);
    }
    NetUnlock();
    return true;
}

// A client rides the host's bike: its class and parameters become the race set-up words.
void TakeHostBike(const HostBike& bike) {
    GameFlowState& flow = Flow();
    flow.setupClass = bike.bikeClass;
    for (uint32_t i = 0; i < kBikeParams; ++i) flow.setupParams[i] = static_cast<uint32_t>(bike.params[i]);
}

void CopyChat() {
    NetLock();
    const char* const* lines = NetChatLines();
    for (uint32_t i = 0; i < kChatLines; ++i) {
        std::memset(g_room.chat[i], 0, kChatLineBytes);
        std::strncpy(g_room.chat[i], lines[i], kChatLineBytes - 1);
        g_room.chatRows[i] = g_room.chat[i];
    }
    NetUnlock();
    g_room.chatRows[kChatLines] = nullptr;
    g_items[kChatHistory].list = g_room.chatRows;
}

// Returns true while a chat entry is being typed.
bool UpdateChat() {
    MenuItem& entry = g_items[kChatEntry];
    if (g_room.chatting) {
        if (MenuState() != kMenuNormal) return true;
        g_room.chatting = false;
        if (entry.state == kItemClicked) SendChatLine(TextEntryText());
        entry.state = 0;
        g_room.chatShown.clear();
        entry.text = g_room.chatShown.c_str();
        return false;
    }
    if (Clicked(kChatEntry)) {
        g_room.chatting = true;
        StartTextEntry(&entry, std::string(), kChatChars);
        return true;
    }
    return false;
}

uint32_t StepChoice(uint32_t value, bool down, bool up) {
    if (value > 2) value = 2;
    if (down && value > 0) --value;
    if (up && value < 2) ++value;
    return value;
}

// A client's air and landing aids; a change is published to the other players.
void UpdateChoices() {
    Profile* p = CurrentProfile();
    if (!p) return;
    const uint32_t old0 = p->GetValue(0), old1 = p->GetValue(1);
    const uint32_t value0 = StepChoice(old0, Clicked(kValue0Left), Clicked(kValue0Right));
    uint32_t value1 = std::min(old1, 2u);
    const bool secondRow = value0 != 0;
    for (uint32_t item : {kValue1, kValue1Left, kValue1Right}) SetInert(item, !secondRow);
    if (secondRow) value1 = StepChoice(old1, Clicked(kValue1Left), Clicked(kValue1Right));
    g_items[kValue0].label = kValue0Text + 2 * value0;
    g_items[kValue1].label = kValue1Text + value1;
    GameFlowState& flow = Flow();
    if (value0 == old0 && value1 == old1 && flow.setupValue0 == value0 && flow.setupValue1 == value1) return;
    p->SetValue(0, value0);
    p->SetValue(1, value1);
    flow.setupValue0 = value0;
    flow.setupValue1 = value1;
    PublishLocalPlayer();
}

bool Series() { return Flow().championshipTotal > 1; }

void GameRoomUpdate() {
    Ping();
    if (SessionGetLocalPlayer() == 0) {
        SetMenuPage(kLobbyMainPage);
        return;
    }
    const bool host = Host();
    if (host && Clicked(kWorldSettings)) {
        SetMenuPage(kLobbyChampionshipPage);
        return;
    }
    if (host && Clicked(kBikeSetup)) {
        SetMenuPage(kLobbyBikeSetupPage);
        return;
    }
    if (Clicked(kLeave)) {
        SetMenuPage(kLobbyMainPage);
        return;
    }
    if (host && Clicked(kStart)) {
        NetResetGameFlags();
        NetSendStart();
        RequestQuit(kStartRaceCode);
        return;
    }
    if (!host && NetStartFlag()) {
        NetClearStartFlag();
        NetResetGameFlags();
        RequestQuit(kStartRaceCode);
        return;
    }

    std::vector<std::string> lines;
    HostBike bike;
    if (!ReadPlayers(lines, bike)) return;  // the next step finds no local slot
    if (!host) TakeHostBike(bike);
    lines.emplace_back();
    for (std::string& line : SettingsLines(WorldIndexOf(NetWorldIdentifier()), g_Config, Series()))
        lines.push_back(std::move(line));
    lines.emplace_back();
    for (std::string& line : BikeLines(bike)) lines.push_back(std::move(line));
    g_room.lines = std::move(lines);
    ShowRows();

    CopyChat();
    if (UpdateChat()) return;
    if (!host) UpdateChoices();
}

}  // namespace

void SendChatLine(const std::string& text) {
    if (text.empty()) return;
    uint8_t message[kChatMessageMax];
    NetBuildChat(text.c_str(), message);
    // A message to every player comes back to its sender too, through the same handler as a line from
    // another player: that puts it in the history the room shows. Handing it in here as well would
    // show it twice.
    SessionSend(message, 0, 1, 0);
}

void InstallGameRoomPage() {
    SetMenuPageEntry(kGameRoomPage, MenuPage{2, g_items, GameRoomUpdate, nullptr, GameRoomEnter, GameRoomLeave});
}

}  // namespace kes
