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

NetPlayerInfo LocalPlayerInfo() {
    NetPlayerInfo info;
    if (const Profile* p = FrontEnd().profile.get()) {
        info.words[0] = p->GetBikeSkin();
        info.words[1] = p->GetRiderSkin();
    }
    BikeSetup setup;
    FillBikeSetup(&setup);
    info.words[2] = setup.value0;
    std::memcpy(&info.words[3], &setup.param4, 4);
    std::memcpy(&info.words[4], &setup.param2, 4);
    std::memcpy(&info.words[5], &setup.param3, 4);
    std::memcpy(&info.words[6], &setup.param1, 4);
    info.words[7] = setup.value1;
    return info;
}

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
