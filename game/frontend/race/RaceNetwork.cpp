// The racers' link to the network game: the local racer sends its bike state at every send tick,
// remote racers take the newest state their player sent, and both keep to the network clock.
#include "game/frontend/race/RaceState.h"
#include "game/net/NetGame.h"
#include "game/world/racer/Racer.h"

namespace kes {
namespace {

// The local racer's state goes to every player; its player index is the sender's own slot anyway.
void SendBikeState(int32_t, const uint8_t* block, uint32_t size) { NetSendBikeState(block, size); }

uint32_t TakeBikeState(int32_t netPlayer, uint8_t* block, uint32_t size) {
    return netPlayer < 0 ? 0 : NetTakeBikeState(static_cast<uint32_t>(netPlayer), block, size);
}

}  // namespace

void InstallNetworkHooks() {
    RacerHookTable& h = RacerHooks();
    h.netMode = NetGetMode;
    h.netTickDue = NetTickDue;
    h.netClock = NetGetClock;
    h.netAdvanceClock = NetAdvanceClock;
    h.netTickPeriod = NetGetTickPeriod;
    h.netSend = SendBikeState;
    h.netTake = TakeBikeState;
}

void RemoveNetworkHooks() {
    RacerHookTable& h = RacerHooks();
    h.netMode = nullptr;
    h.netTickDue = nullptr;
    h.netClock = nullptr;
    h.netAdvanceClock = nullptr;
    h.netTickPeriod = nullptr;
    h.netSend = nullptr;
    h.netTake = nullptr;
}

}  // namespace kes
