// The pieces the three lobby pages share, and their installation.
#include <cstring>

#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/pages/lobby/LobbyInternal.h"
#include "game/frontend/profile/Profile.h"

namespace kes {

namespace {
LobbyNetInit g_netInit = NetInit;
}  // namespace

LobbyNetInit SetLobbyNetInit(LobbyNetInit init) {
    const LobbyNetInit old = g_netInit;
    g_netInit = init ? init : NetInit;
    return old;
}

int LobbyStartNetwork(uint32_t online) { return g_netInit(online); }

NetPlayerInfo LocalPlayerInfo() { return MakeLocalPlayerInfo(FrontEnd().profile.get()); }

const char* LocalPlayerName() {
    const Profile* p = FrontEnd().profile.get();
    return p ? p->GetName() : "";
}

void InstallLobbyPages() {
    InstallGameListPages();
    InstallHostPage();
    InstallGameRoomPage();
}

}  // namespace kes
