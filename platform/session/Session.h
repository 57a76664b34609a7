#pragma once
// A multiplayer session of up to eight players over ENet, in a star through the host: the host
// assigns every newcomer its slot (1 is the host), keeps the roster that every machine mirrors with
// the same slots, and relays game messages. Guaranteed messages travel on a reliable ordered
// channel, the rest on an unreliable one. One session thread owns ENet; it calls the handler with
// every game message and with the local messages for joins (152), data (147), leaves (153) and a
// lost session (146).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/session/SessionTypes.h"

namespace plat {

struct SessionPlayerView {
    std::string name;
    std::vector<uint8_t> data;
};

class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Stores the handler, the player limit (1..8) and the application id. 0 or -1.
    int Init(SessionHandler handler, uint32_t maxPlayers, const SessionGuid& application,
             const SessionOptions& options = {});
    // Opens a session and takes slot 1. 0 or -1.
    int Host(const std::string& sessionName, const std::string& playerName, const void* data, uint32_t size);
    // Joins the session found on the local network with this instance id, or at an address.
    // Waits for the host's slot up to the join time-out; on failure leaves and returns -1.
    int Join(const SessionGuid& instance, const std::string& playerName, const void* data, uint32_t size);
    int JoinAddress(const std::string& address, uint16_t port, const std::string& playerName,
                    const void* data, uint32_t size);
    // Closes the session and stops the session thread; no handler call runs after it returns.
    int Leave();
    void Close();
    int SetHandler(SessionHandler handler);

    uint32_t GetLocalPlayer() const;  // 1..8, 0 none, kSessionJoining while a join waits
    // Publishes the local player's data (at most 56 bytes) to every machine, guaranteed.
    int SetPlayerData(const void* data, uint32_t size);
    // Sends a game message (4..512 bytes) to one slot or to all (target 0, the sender included).
    // Never blocks on the network: -1 without a local slot, else 0.
    int Send(const uint8_t* message, uint32_t length, uint32_t target, bool guaranteed, bool async);

    bool IsHost() const;
    uint32_t MaxPlayers() const;
    uint32_t PlayerCount() const;
    bool PlayerAt(uint32_t slot, SessionPlayerView& out) const;
    SessionGuid Instance() const;
    std::string Name() const;
    uint16_t GamePort() const;       // the port the host listens on
    uint16_t DiscoveryPort() const;  // the port the host answers queries on, 0 none
    uint64_t BytesSent() const;      // bytes ENet put on the wire (ENet headers included)
    uint64_t PacketsSent() const;    // datagrams ENet sent

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace plat
