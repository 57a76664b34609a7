#pragma once
// The network layer's process-global state, shared by its source files.
#include <array>
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

// What the handler received for the game thread's own records, kept until the next network step
// applies it (see "What the receive thread may touch" in NetGame.h). Guarded by the net lock.
struct PendingReceived {
    bool settings = false;  // message 24: the race options, the host's flag word, the world
    uint32_t timeLimit = 0, laps = 0, gameMode = 0, hostFlagWord = 0, world = 0;

    bool trackPoints = false;  // message 27
    uint32_t trackPointCount = 0;
    TrackPoint trackPointList[kMaxTrackPoints] = {};

    // Message 28 per sender, in arrival order; a racer has at most nine laps to report.
    std::array<std::array<uint8_t, 16>, kLapSlots> lapMessages[kNetSlots] = {};
    uint32_t lapCount[kNetSlots] = {};

    bool points[kNetSlots] = {};  // message 29: the latest value wins
    uint32_t pointsValue[kNetSlots] = {};

    bool phase = false;  // message 22: the latest phase wins
    uint32_t phaseValue = 0;

    bool settingsRequested = false;  // message 23 on the host: the settings are sent from the game thread
};

struct NetState {
    NetState() {
        for (uint32_t i = 0; i < kChatLines; ++i) chatLines[i] = chatText[i];
    }
    std::recursive_mutex lock;  // the net lock: slots, chat lines and what is pending for the game thread
    NetPlayerSlot slots[kNetSlots];
    char chatText[kChatLines][kChatLineBytes] = {};
    const char* chatLines[kChatLines] = {};
    PendingReceived pending;

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

// Clears the slot table and what is pending, and points the chat ring at its lines in order.
void ResetTables();

// The fixed id of the game's sessions: the same in every copy of the game.
constexpr plat::SessionGuid kNetApplicationGuid = {0x6b, 0x65, 0x73, 0x74, 0x72, 0x75, 0x6e, 0x2d,
                                                   0x4e, 0x45, 0x54, 0x2d, 0x31, 0x39, 0x39, 0x39};

// The lengths of the message types whose size is fixed.
constexpr uint32_t kTrackPointsLength = 488;

}  // namespace kes::net
