#include "game/frontend/session/RaceSession.h"

#include <atomic>

namespace kes {
namespace {
std::atomic<uint32_t> g_racePhase{0};
std::atomic<RacePhaseBroadcast> g_broadcast{nullptr};
}  // namespace

uint32_t g_HostFlagWord = 0;
uint32_t g_ReceivedHostFlagWord = 0;
std::vector<WorldRecord> g_WorldList;

uint32_t RacePhase() { return g_racePhase; }

void SetRacePhase(uint32_t phase, uint32_t fromNetwork) {
    RacePhaseBroadcast broadcast = g_broadcast;
    if (!fromNetwork && broadcast) broadcast(phase);
    g_racePhase = phase;
}

void SetRacePhaseBroadcast(RacePhaseBroadcast broadcast) { g_broadcast = broadcast; }

const WorldRecord* WorldAt(uint32_t index) { return index < g_WorldList.size() ? &g_WorldList[index] : nullptr; }

int WorldIndexOf(uint32_t identifier) {
    for (size_t i = 0; i < g_WorldList.size(); ++i)
        if (g_WorldList[i].identifier == identifier) return static_cast<int>(i);
    return -1;
}

}  // namespace kes
