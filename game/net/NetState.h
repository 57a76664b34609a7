#pragma once
// The network layer's process-global state, shared by its source files.
#include <atomic>
#include <mutex>

#include "game/net/NetGame.h"

namespace kes::net {

// One remote player's newest bike state. Its own lock keeps a reader from taking a half-written state.
struct BikeInbox {
    std::mutex lock;
    uint8_t buffer[kNetBikeStateMax] = {};
    uint32_t length = 0;
    uint32_t stamp = 0;
    bool fresh = false;
};

struct NetState {
    NetState() {
        for (uint32_t i = 0; i < kChatLines; ++i) chatLines[i] = chatText[i];
    }
    std::recursive_mutex lock;  // the net lock: slots and chat lines
    NetPlayerSlot slots[kNetSlots];
    char chatText[kChatLines][kChatLineBytes] = {};
    const char* chatLines[kChatLines] = {};

    BikeInbox inbox[kNetSlots];
    std::atomic<uint32_t> ready[kNetSlots] = {};
    std::atomic<uint32_t> startFlag{0};
    std::atomic<uint32_t> setupDone{0};
    std::atomic<uint32_t> trackPointsReceived{0};
    std::atomic<uint32_t> mode{0};
    std::atomic<uint32_t> worldIdentifier{0};
    std::atomic<uint32_t> active{0};
    uint32_t online = 0;

    // Game thread only.
    uint32_t clock = 0;
    uint32_t remainder = 0;
    uint32_t tickDue = 0;
    uint32_t tickPeriod = 100;

    // The race clock and best lap.
    std::atomic<uint32_t> raceClock{0};
    std::atomic<uint32_t> raceBestLap{0};
    std::atomic<uint32_t> raceBestLapHolder{0};

    plat::Session session;
    plat::SessionOptions options;
};

NetState& State();

// Clears the slot table and points the chat ring at its lines in order.
void ResetTables();

// The fixed id of the game's sessions: the same in every copy of the game.
constexpr plat::SessionGuid kNetApplicationGuid = {0x6b, 0x65, 0x73, 0x74, 0x72, 0x75, 0x6e, 0x2d,
                                                   0x4e, 0x45, 0x54, 0x2d, 0x31, 0x39, 0x39, 0x39};

// The lengths of the message types whose size is fixed.
constexpr uint32_t kTrackPointsLength = 488;

}  // namespace kes::net
