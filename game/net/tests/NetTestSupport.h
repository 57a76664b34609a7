#pragma once
// A fixture that hosts a network game in this process on loopback, with snapshots of everything
// the message handler may change.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "game/core/config/Config.h"
#include "game/frontend/session/RaceSession.h"
#include "game/net/NetGame.h"

namespace kes::test {

inline plat::SessionOptions Loopback() {
    plat::SessionOptions o;
    o.bindAddress = "127.0.0.1";
    o.gamePort = 0;
    o.discoveryPort = 0;
    return o;
}

// Everything the handler can change, as text; `from` limits the slots' own state to those listed.
inline std::string Snapshot() {
    std::ostringstream out;
    out << "start " << NetStartFlag() << " setup " << NetSetupDoneFlag() << " points " << NetTrackPointsFlag()
        << " world " << NetWorldIdentifier() << " phase " << RacePhase() << " config " << g_Config.raceOption2 << ','
        << g_Config.raceOption3 << ',' << g_Config.raceOption4 << ',' << g_Config.gameMode << " hostflag "
        << g_ReceivedHostFlagWord << " tp " << GetTrackPointCount() << '\n';
    for (uint32_t s = 1; s <= kNetSlots; ++s) out << NetReadyFlag(s);
    out << '\n';
    NetPlayerSlot* slots = NetLock();
    for (uint32_t i = 0; i < kNetSlots; ++i) {
        const NetPlayerSlot& p = slots[i];
        out << p.inUse << ' ' << p.roundTrip << ' ' << p.name << ' ' << p.inMenu << ' ' << p.info.words[0] << '\n';
    }
    const char* const* lines = NetChatLines();
    for (uint32_t i = 0; i < kChatLines; ++i) out << lines[i] << '|';
    NetUnlock();
    out << '\n';
    for (RacerRecord* r : g_RaceRacers)
        if (r) out << r->lapIndex << ',' << r->lapTimes[0] << ',' << r->raceTime << ',' << r->points << ';';
    return out.str();
}

class HostedGame : public ::testing::Test {
protected:
    void SetUp() override {
        g_Config = ConfigRecord{};
        SetRacePhase(0, 1);
        NetSetSessionOptions(Loopback());
        ASSERT_EQ(NetInit(0), 0);
        NetPlayerInfo info;
        info.words[0] = 77;
        ASSERT_EQ(NetHostGame("Host", &info, "Race"), 0);
        for (uint32_t i = 0; i < kNetSlots; ++i) {
            racers[i] = RacerRecord{};
            racers[i].playerIndex = i;
            racers[i].racerNumber = 100 + i;
            racers[i].controlClass = i == 0 ? 0 : kControlClassRemote;
            g_RaceRacers[i] = &racers[i];
        }
    }
    void TearDown() override {
        NetShutdown();
        for (auto& r : g_RaceRacers) r = nullptr;
        SetRacePhase(0, 1);
    }
    RacerRecord racers[kNetSlots];
};

}  // namespace kes::test
