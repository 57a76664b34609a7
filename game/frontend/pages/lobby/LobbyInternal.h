#pragma once
// What the network lobby pages (game list, host page, game room) share inside this library and show
// to their tests: page numbers, the local player's record, and the network start-up they call.
#include <cstdint>
#include <string>

#include "game/net/NetGame.h"

namespace kes {

enum LobbyPageNumber : uint32_t {
    kLobbyMainPage = 0,
    kGameListPage = 9,
    kHostPage = 10,
    kLobbyBikeSetupPage = 11,
    kLobbyChampionshipPage = 12,
    kGameRoomPage = 13,
    kOnlineGameListPage = 15,
};

// The front end's network kind.
constexpr uint32_t kNoNetwork = 0, kLocalNetwork = 1, kOnlineDirectory = 2;

// Status texts of the game list.
constexpr uint32_t kStatusNetworkFailed = 186, kStatusSearchFailed = 187, kStatusSearchNotStarted = 188;

// The network start-up the game list calls; tests put a failing one in its place.
using LobbyNetInit = int (*)(uint32_t online);
LobbyNetInit SetLobbyNetInit(LobbyNetInit init);
int LobbyStartNetwork(uint32_t online);

// The local player's record as the lobby publishes it: the profile's bike and rider skins, then the
// bike set-up made from the race set-up words.
NetPlayerInfo LocalPlayerInfo();
// The current profile's name ("" without a profile).
const char* LocalPlayerName();

// The game list's search callback and what it keeps (tests read them).
void OnGameFound(const ServerRecord* record);
uint32_t GameListStatusText();
bool GameListSearching();
uint32_t GameListGameCount();

// Sends a chat line (cut to 31 characters) to every player and adds it to the local history; an
// empty line is not sent.
void SendChatLine(const std::string& text);

void InstallGameListPages();
void InstallHostPage();
void InstallGameRoomPage();

}  // namespace kes
