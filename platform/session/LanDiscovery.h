#pragma once
// Finding hosted sessions on the local network: a searcher sends a small UDP query (broadcast by
// default) and every host of the same application answers with its session's description.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/session/SessionTypes.h"

namespace plat {

struct DiscoveredSession {
    SessionGuid instance{};
    std::string name;        // at most 31 characters
    uint32_t players = 0;
    uint32_t maxPlayers = 0;
    std::string address;     // where the answer came from (dotted IPv4)
    uint16_t gamePort = 0;
};

struct DiscoveryTarget {
    std::string address;  // dotted IPv4; the broadcast address by default
    uint16_t port = 0;
};

constexpr size_t kDiscoveryQuerySize = 20;
constexpr size_t kDiscoveryReplySize = 72;

std::vector<uint8_t> EncodeDiscoveryQuery(const SessionGuid& application);
bool DecodeDiscoveryQuery(const uint8_t* data, size_t size, SessionGuid& application);
std::vector<uint8_t> EncodeDiscoveryReply(const SessionGuid& application, const DiscoveredSession& session);
bool DecodeDiscoveryReply(const uint8_t* data, size_t size, const SessionGuid& application, DiscoveredSession& out);

// The address of a session this process has found, by its instance id (for a join by id).
bool FindDiscoveredSession(const SessionGuid& instance, std::string& address, uint16_t& port);
void RememberDiscoveredSession(const DiscoveredSession& session);

// Opens the non-blocking UDP socket on which a host answers queries; -1 on failure.
int OpenDiscoverySocket(const std::string& bindAddress, uint16_t port, uint16_t& boundPort);
// Answers every query waiting on the socket with the description `describe` gives.
void AnswerDiscoveryQueries(int socket, const SessionGuid& application,
                            const std::function<DiscoveredSession()>& describe);

// One search round at a time: queries the targets every 500 ms for `roundMs`, reports each answer
// (a session may be reported more than once), then reports nullptr and ends. Stop() returns only
// when the search thread has ended; no callback runs after it returns.
class LanSearch {
public:
    using Callback = std::function<void(const DiscoveredSession*)>;
    LanSearch() = default;
    ~LanSearch();
    LanSearch(const LanSearch&) = delete;
    LanSearch& operator=(const LanSearch&) = delete;

    int Start(const SessionGuid& application, std::vector<DiscoveryTarget> targets, Callback callback,
              uint32_t roundMs = 1500);
    void Stop();
    bool Running() const { return running_; }

    static std::vector<DiscoveryTarget> DefaultTargets();

private:
    void Run(SessionGuid application, std::vector<DiscoveryTarget> targets, uint32_t roundMs);

    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    Callback callback_;
    int socket_ = -1;
};

}  // namespace plat
