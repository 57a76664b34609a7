#include "game/frontend/session/RaceSession.h"

#include <atomic>
#include <string>

#include "platform/sys/EventLog.h"

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
    if (g_racePhase != phase) plat::LogEvent("phase " + std::to_string(phase));
    g_racePhase = phase;
}

void SetRacePhaseBroadcast(RacePhaseBroadcast broadcast) { g_broadcast = broadcast; }

uint32_t WorldCount() { return static_cast<uint32_t>(g_WorldList.size()); }

const WorldRecord* WorldAt(uint32_t index) { return index < g_WorldList.size() ? &g_WorldList[index] : nullptr; }

const WorldRecord* WorldFindNth(uint32_t n, uint32_t kind) {
    for (const WorldRecord& w : g_WorldList)
        if (w.kind == kind && n-- == 0) return &w;
    return nullptr;
}

const WorldRecord* WorldIndexOf(uint32_t identifier) {
    for (const WorldRecord& w : g_WorldList)
        if (w.identifier == identifier) return &w;
    return nullptr;
}

}  // namespace kes
