#pragma once
// The session layer's own frames, the first byte of every ENet packet between host and clients.
// Clients talk only to the host (star); the host assigns slots, keeps the roster and relays game
// messages, tagging each with the slot it came from.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/session/SessionTypes.h"

namespace plat::frames {

constexpr uint8_t kProtocolVersion = 1;
constexpr uint32_t kConnectMagic = 0x47524E31;  // connection data of an ENet connect ("GRN1")

enum Kind : uint8_t {
    kHello = 1,   // client -> host: version, application, name, data
    kAssign = 2,  // host -> newcomer: the 8-byte slot message {8, 144, 0, 0, u32 slot}
    kRoster = 3,  // host -> client: a player of the session (slot, name, data)
    kData = 4,    // client -> host: new data of the sender; host -> client: slot, data
    kLeft = 5,    // host -> client: a player left (slot)
    kGame = 6,    // either way: origin slot, target slot (0 = all), game message
};

// Reasons a host gives when it closes a connection at once.
enum Refusal : uint32_t { kRefusedFull = 1, kRefusedApplication = 2, kRefusedMalformed = 3 };

struct Frame {
    Kind kind{};
    uint8_t version = 0;
    SessionGuid application{};
    uint8_t slot = 0;     // kAssign, kRoster, kData (host side), kLeft; origin of kGame
    uint8_t target = 0;   // kGame
    std::string name;     // kHello, kRoster
    const uint8_t* bytes = nullptr;  // player data, or the game message
    uint32_t length = 0;
};

// Reads one packet; false when its layout is wrong in any way (the packet is then dropped).
bool Decode(const uint8_t* packet, size_t size, Frame& out);

std::vector<uint8_t> Hello(const SessionGuid& application, const std::string& name, const uint8_t* data, uint32_t length);
std::vector<uint8_t> Assign(uint32_t slot);
std::vector<uint8_t> Roster(uint32_t slot, const std::string& name, const uint8_t* data, uint32_t length);
std::vector<uint8_t> Data(uint32_t slot, const uint8_t* data, uint32_t length);
std::vector<uint8_t> Left(uint32_t slot);
std::vector<uint8_t> Game(uint32_t origin, uint32_t target, const uint8_t* message, uint32_t length);

// The first 15 characters of a name, stopping at a zero.
std::string CutName(const std::string& name, size_t chars = kSessionPlayerNameChars);

}  // namespace plat::frames
