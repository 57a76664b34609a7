#pragma once
// Types shared by the session layer, its discovery and the game that uses them.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace plat {

using SessionGuid = std::array<uint8_t, 16>;

constexpr uint32_t kSessionMaxMessage = 512;     // longest game message a session carries
constexpr uint32_t kSessionMaxPlayerData = 56;   // longest player data a session carries
constexpr uint32_t kSessionNameChars = 31;       // session name characters kept
constexpr uint32_t kSessionPlayerNameChars = 15; // player name characters kept
constexpr uint32_t kSessionMaxSlots = 8;
constexpr uint32_t kSessionJoining = 0xFFFFFFFFu; // local slot while a join waits for its slot

// Types of the messages the session layer makes for the local machine only. They never travel on
// the wire, and a game message of a type in 144..153 arriving from the wire is dropped.
constexpr uint8_t kMsgSlotAssigned = 144; // the host's answer to a newcomer (carried by the session)
constexpr uint8_t kMsgSlotCleared = 145;
constexpr uint8_t kMsgSessionLost = 146;  // {4, 146, 0, 0}
constexpr uint8_t kMsgPlayerData = 147;   // {size, 147, 0, 0, u32 slot, u32 length, data}
constexpr uint8_t kMsgNewPlayer = 152;    // {size, 152, 0, 0, u32 slot, name[16], u32 length, data}
constexpr uint8_t kMsgPlayerLeft = 153;   // {8, 153, 0, 0, u32 slot}
constexpr uint8_t kMsgPing = 161;         // the keep-alive ping the session sends every period
constexpr bool IsLocalOnlyType(uint8_t type) { return type >= 144 && type <= 153; }

// Offsets of the local messages' fields (the data is carried inline, never as a pointer).
constexpr uint32_t kPlayerDataSlotAt = 4, kPlayerDataLengthAt = 8, kPlayerDataBytesAt = 12;
constexpr uint32_t kNewPlayerSlotAt = 4, kNewPlayerNameAt = 8, kNewPlayerLengthAt = 24, kNewPlayerDataAt = 28;

// Receives every game message with its length and the slot it came from (the session has checked
// that slot against the connection); `local` is set for the messages the session made itself.
using SessionHandler = std::function<void(const uint8_t* message, uint32_t length, uint32_t slot, bool local)>;

struct SessionOptions {
    std::string bindAddress;          // address the host listens on; empty = every interface
    uint16_t gamePort = 26010;        // 0 = any free port (tests)
    uint16_t discoveryPort = 26011;   // where a host answers search queries; 0 = any free port
    bool answerDiscovery = true;
    uint32_t joinTimeoutMs = 5000;    // a join that gets no slot in this time fails
    uint32_t silenceLimitMs = 60000;  // players silent this long are dropped
    uint32_t keepAliveMs = 10000;     // period of the keep-alive ping and the silence check
};

}  // namespace plat
