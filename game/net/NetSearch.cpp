// The game search on the local network: the session layer's discovery, reported as ServerRecords.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "game/net/NetDirectory.h"
#include "game/net/NetState.h"

namespace kes {
namespace {

std::mutex g_searchLock;
plat::LanSearch g_search;
std::vector<plat::DiscoveryTarget> g_targets = plat::LanSearch::DefaultTargets();

}  // namespace

void NetSetSearchTargets(const std::vector<plat::DiscoveryTarget>& targets) {
    std::lock_guard lock(g_searchLock);
    g_targets = targets.empty() ? plat::LanSearch::DefaultTargets() : targets;
}

int StartGameSearch(GameSearchCallback callback, uint32_t online) {
    if (!callback) return -1;
    if (online) return DirStartSearch(callback);
    std::lock_guard lock(g_searchLock);
    return g_search.Start(net::kNetApplicationGuid, g_targets, [callback](const plat::DiscoveredSession* found) {
        if (!found) {
            callback(nullptr);
            return;
        }
        ServerRecord record;
        std::memcpy(record.name, found->name.data(), std::min<size_t>(found->name.size(), 31));
        record.players = found->players;
        record.maxPlayers = found->maxPlayers;
        std::memcpy(record.session, found->instance.data(), 16);
        callback(&record);
    });
}

void StopGameSearch() {
    DirStopSearch();
    std::lock_guard lock(g_searchLock);
    g_search.Stop();
}

}  // namespace kes
