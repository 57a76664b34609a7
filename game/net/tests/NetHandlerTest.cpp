#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "game/net/tests/NetTestSupport.h"
#include "platform/bytes/ByteIO.h"
#include "platform/sys/Clock.h"

namespace kes {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Msg(uint8_t type, uint8_t sender, size_t size, std::initializer_list<uint32_t> words = {}) {
    Bytes m(size, 0);
    m[0] = static_cast<uint8_t>(size);
    m[1] = type;
    m[2] = sender;
    size_t at = 4;
    for (uint32_t w : words) {
        if (at + 4 <= size) plat::StoreU32(m.data() + at, w);
        at += 4;
    }
    return m;
}
Bytes Chat(uint8_t sender, const std::string& text) {
    Bytes m(text.size() + 6, 0);
    m[0] = static_cast<uint8_t>(m.size());
    m[1] = 13;
    m[2] = sender;
    m[4] = static_cast<uint8_t>(text.size() + 1);
    std::memcpy(m.data() + 5, text.data(), text.size());
    return m;
}
Bytes TrackPoints(uint32_t count) {
    Bytes m(488, 0);
    m[0] = 0xE8;
    m[1] = 27;
    plat::StoreU32(m.data() + 4, count);
    for (uint32_t i = 0; i < 40; ++i) plat::StoreF32(m.data() + 8 + 12 * i, static_cast<float>(i));
    return m;
}
Bytes Bike(uint8_t sender, uint32_t stamp, uint8_t fill, size_t payload = 144) {
    Bytes m(payload + 8, fill);
    m[0] = static_cast<uint8_t>(payload + 8);
    m[1] = 19;
    m[2] = sender;
    m[3] = 0;
    plat::StoreU32(m.data() + 4, stamp);
    return m;
}
void Handle(const Bytes& m, uint32_t sender) { NetGameMessageHandler(m.data(), static_cast<uint32_t>(m.size()), sender); }
// The game thread's network step, which applies what the handler received.
void Step() { NetAdvanceClock(10); }
// What a race settings message {minutes, laps, mode, host flag word, 1, world} leaves behind.
void ExpectSettings(uint32_t minutes, uint32_t laps, uint32_t mode, uint32_t hostFlagWord, uint32_t world) {
    EXPECT_EQ(g_Config.raceOption4, minutes);
    EXPECT_EQ(g_Config.raceOption2, laps);
    EXPECT_EQ(g_Config.gameMode, mode);
    EXPECT_EQ(g_ReceivedHostFlagWord, hostFlagWord);
    EXPECT_EQ(NetWorldIdentifier(), world);
}

class Handler : public test::HostedGame {};

// Messages that must change nothing: damaged, from the wrong slot, or of a type the wire never carries.
TEST_F(Handler, MalformedAndForgedMessagesChangeNothing) {
    struct Case {
        const char* what;
        Bytes bytes;
        uint32_t sender;
    };
    std::vector<Case> cases = {
        {"ready claiming another slot", Msg(17, 3, 4), 2},
        {"ready from slot 0 byte", Msg(17, 0, 4), 2},
        {"ready from slot 9 byte", Msg(17, 9, 4), 2},
        {"ready one byte long", [] { auto m = Msg(17, 2, 5); return m; }(), 2},
        {"ready with a size byte that lies", [] { auto m = Msg(17, 2, 4); m[0] = 5; return m; }(), 2},
        {"start from a client", Msg(16, 2, 4), 2},
        {"setup done from a client", Msg(21, 2, 4), 2},
        {"phase from a client", Msg(22, 0, 8, {5}), 2},
        {"phase cut short", Msg(22, 0, 7, {5}), 1},
        {"the host's own phase, heard back", Msg(22, 0, 8, {5}), 1},
        {"settings from a client", Msg(24, 1, 28, {9, 9, 9, 9, 1, 9}), 3},
        {"settings cut short", Msg(24, 1, 27, {9, 9, 9, 9, 1, 9}), 1},
        {"track points from a client", TrackPoints(10), 2},
        {"track points with 41 points", TrackPoints(41), 1},
        {"track points with 0xFFFFFFFF points", TrackPoints(0xFFFFFFFF), 1},
        {"track points cut short", [] { auto m = TrackPoints(10); m.pop_back(); return m; }(), 1},
        {"lap claiming another slot", Msg(28, 3, 16, {0, 5000, 5000}), 2},
        {"lap cut short", Msg(28, 2, 15, {0, 5000, 5000}), 2},
        {"points claiming another slot", Msg(29, 3, 8, {50}), 2},
        {"points too long", Msg(29, 2, 9, {50}), 2},
        {"in-menu claiming another slot", Msg(31, 4, 8, {1}), 2},
        {"pong claiming another slot", Msg(162, 3, 12, {1, 5}), 2},
        {"chat claiming another slot", Chat(3, "hi"), 2},
        {"chat with no text byte", [] { auto m = Chat(2, "hi"); m[4] = 0; return m; }(), 2},
        {"chat whose text length runs past the message", [] { auto m = Chat(2, "hi"); m[4] = 200; return m; }(), 2},
        {"bike state with no payload", Bike(2, 5, 1, 0), 2},
        {"bike state claiming another slot", Bike(3, 5, 1), 2},
        {"new player from the wire", Msg(152, 2, 32, {5}), 2},
        {"player left from the wire", Msg(153, 2, 8, {2}), 2},
        {"player data from the wire", Msg(147, 2, 16, {2}), 2},
        {"slot assignment from the wire", Msg(144, 2, 8, {5}), 2},
        {"slot cleared from the wire", Msg(145, 2, 8), 2},
        {"type below the set", Msg(12, 2, 8), 2},
        {"type above the set", Msg(163, 2, 8), 2},
        {"too short for a header", Bytes{3, 17, 2}, 2},
        {"sender beyond the table", Msg(17, 9, 4), 9},
    };
    const std::string before = test::Snapshot();
    for (const Case& c : cases) {
        Handle(c.bytes, c.sender);
        EXPECT_EQ(test::Snapshot(), before) << c.what;
    }
    // The same local messages are refused by the session thunk unless the session made them.
    for (uint8_t type : {144, 145, 146, 147, 152, 153}) {
        Bytes m = Msg(type, 0, 32, {3, 0, 0, 0, 0, 0, 0});
        NetGameMessageThunk(m.data(), 32, 2, false);
        EXPECT_EQ(test::Snapshot(), before) << int(type);
    }
}

TEST_F(Handler, LocalPlayerMessagesAreCheckedBeforeTheyTouchTheTable) {
    auto newPlayer = [](uint32_t slot, const char* name, uint32_t dataLength, uint32_t length) {
        Bytes m(length, 0);
        m[0] = static_cast<uint8_t>(length);
        m[1] = 152;
        if (length >= 28) {
            plat::StoreU32(m.data() + 4, slot);
            std::memcpy(m.data() + 8, name, std::min<size_t>(std::strlen(name), 16));
            plat::StoreU32(m.data() + 24, dataLength);
        }
        if (length >= 32) plat::StoreU32(m.data() + 28, 4242);
        return m;
    };
    const std::string before = test::Snapshot();
    for (const Bytes& bad : {newPlayer(9, "Nine", 56, 84), newPlayer(0, "Zero", 56, 84), newPlayer(1, "Self", 56, 84),
                             newPlayer(3, "Long", 57, 85), newPlayer(3, "Lies", 56, 80), newPlayer(3, "Short", 0, 20)}) {
        NetGameMessageThunk(bad.data(), static_cast<uint32_t>(bad.size()), 0, true);
        EXPECT_EQ(test::Snapshot(), before);
    }
    Bytes good = newPlayer(3, "A name far too long", 56, 84);
    NetGameMessageThunk(good.data(), 84, 3, true);
    NetPlayerSlot* slots = NetLock();
    EXPECT_EQ(slots[2].inUse, 1u);
    EXPECT_STREQ(slots[2].name, "A name far too ");
    EXPECT_EQ(slots[2].info.words[0], 4242u);
    NetUnlock();
    Bytes left = Msg(153, 0, 8, {3});
    NetGameMessageThunk(left.data(), 8, 3, true);
    EXPECT_EQ(NetLock()[2].inUse, 0u);
    NetUnlock();
}

TEST_F(Handler, HostAndPlayerMessagesTakeEffect) {
    Handle(Msg(17, 2, 4), 2);
    EXPECT_EQ(NetReadyFlag(2), 1u);
    Handle(Msg(16, 1, 4), 1);
    EXPECT_EQ(NetStartFlag(), 1u);
    Handle(Msg(21, 1, 4), 1);
    EXPECT_EQ(NetSetupDoneFlag(), 1u);
    Handle(Msg(22, 0, 8, {5}), 0);  // as a client's handler takes the host's phase
    Step();
    EXPECT_EQ(RacePhase(), 5u);
    Handle(Msg(24, 1, 28, {12, 3, 2, 0xABCD, 1, 4242}), 1);
    Step();
    ExpectSettings(12, 3, 2, 0xABCD, 4242);
    Handle(TrackPoints(40), 1);
    EXPECT_EQ(NetTrackPointsFlag(), 1u);
    EXPECT_EQ(GetTrackPointCount(), 40u);
    EXPECT_EQ(GetTrackPoints()[39].x, 39.0f);
    Handle(Msg(29, 3, 8, {50}), 3);
    Step();
    EXPECT_EQ(racers[2].points, 50u);
    Handle(Msg(31, 4, 8, {1}), 4);
    NetLock()[3].inUse = 1;
    NetUnlock();
    EXPECT_EQ(NetAnyPlayerInMenu(), 1u);
    // A message the game hands in itself (slot 0) is taken with its own sender byte.
    Handle(Msg(17, 5, 4), 0);
    EXPECT_EQ(NetReadyFlag(5), 1u);
}

// The reset before a race clears what the last race left (bike states, ready flags, setup done) and
// keeps the start: a client may reset after the host's start message has already arrived.
TEST_F(Handler, ResettingTheGameFlagsKeepsTheStart) {
    Handle(Bike(2, 500, 7), 2);
    Handle(Msg(17, 2, 4), 2);
    Handle(Msg(17, 3, 4), 3);
    Handle(Msg(21, 1, 4), 1);
    Handle(Msg(16, 1, 4), 1);
    Handle(TrackPoints(10), 1);
    ASSERT_EQ(NetReadyFlag(2), 1u);
    ASSERT_EQ(NetSetupDoneFlag(), 1u);
    ASSERT_EQ(NetStartFlag(), 1u);
    ASSERT_EQ(NetTrackPointsFlag(), 1u);

    NetResetGameFlags();
    for (uint32_t slot = 1; slot <= kNetSlots; ++slot) EXPECT_EQ(NetReadyFlag(slot), 0u) << slot;
    EXPECT_EQ(NetSetupDoneFlag(), 0u);
    EXPECT_EQ(NetStartFlag(), 1u) << "the start that has arrived stays";
    EXPECT_EQ(NetTrackPointsFlag(), 1u);
    uint8_t state[144];
    EXPECT_EQ(NetTakeBikeState(1, state, 144), 0u) << "the fresh flag is cleared";
    Handle(Bike(2, 3, 9), 2);  // the stamp is cleared too: a low stamp of the new race is taken
    EXPECT_EQ(NetTakeBikeState(1, state, 144), 3u);
    EXPECT_EQ(state[0], 9);
}

TEST_F(Handler, ChatLinesKeepSixOldestFirstAndNeverSpill) {
    const std::string longText(31, 'x');
    Handle(Chat(2, longText), 2);
    const char* const* lines = NetChatLines();
    EXPECT_EQ(std::string(lines[5]), "2>" + std::string(29, 'x'));
    for (int i = 1; i <= 6; ++i) Handle(Chat(3, "line" + std::to_string(i)), 3);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(std::string(lines[i]), "3>line" + std::to_string(i + 1));
    Handle(Chat(4, "seventh"), 4);
    EXPECT_EQ(std::string(lines[0]), "3>line2");
    EXPECT_EQ(std::string(lines[5]), "4>seventh");
    for (int i = 0; i < 6; ++i) EXPECT_LT(std::strlen(lines[i]), 32u);
}

TEST_F(Handler, BikeStatesKeepOnlyTheNewestStampPerSender) {
    uint8_t state[144];
    EXPECT_EQ(NetTakeBikeState(1, state, 144), 0u) << "nothing yet";
    Handle(Bike(2, 200, 7), 2);
    Handle(Bike(2, 200, 8), 2);  // the same stamp again
    Handle(Bike(2, 150, 9), 2);  // older
    Handle(Bike(3, 10, 3), 3);   // another sender's stamps are its own
    EXPECT_EQ(NetTakeBikeState(1, state, 144), 200u);
    EXPECT_EQ(state[0], 7);
    EXPECT_EQ(state[143], 7);
    EXPECT_EQ(NetTakeBikeState(1, state, 144), 0u) << "taken once";
    EXPECT_EQ(NetTakeBikeState(2, state, 144), 10u);
    EXPECT_EQ(state[0], 3);
    Handle(Bike(2, 201, 5, 100), 2);  // a state shorter than the caller's record is not taken
    EXPECT_EQ(NetTakeBikeState(1, state, 144), 0u);
    EXPECT_EQ(NetTakeBikeState(8, state, 144), 0u) << "no player index 8";
    NetResetGameFlags();
    Handle(Bike(2, 1, 6), 2);  // after a reset any stamp is new
    EXPECT_EQ(NetTakeBikeState(1, state, 144), 1u);
}

TEST_F(Handler, TheClockTicksEveryPeriodAndAClientStartsWithATickDue) {
    EXPECT_EQ(NetGetTickPeriod(), 100u);
    EXPECT_EQ(NetTickDue(), 1u);
    struct Step {
        uint32_t elapsed, clock, due;
    } steps[] = {{10, 10, 0}, {80, 90, 0}, {10, 100, 1}, {10, 110, 0}, {250, 360, 1}, {40, 400, 1}, {99, 499, 0}};
    for (const Step& s : steps) {
        NetAdvanceClock(s.elapsed);
        EXPECT_EQ(NetGetClock(), s.clock);
        EXPECT_EQ(NetTickDue(), s.due) << s.clock;
    }
    uint8_t state[144] = {};
    NetSendBikeState(state, 144);
    EXPECT_EQ(NetTickDue(), 0u);
}

TEST_F(Handler, LapsFollowTheRules) {
    // A remote lap: index must match, phase below 9, mode 2 sets the finish at every lap.
    g_Config.raceOption2 = 2;
    g_Config.gameMode = 1;
    auto lap = [](uint8_t sender, uint32_t index, uint32_t time, uint32_t raceTime) {
        return Msg(28, sender, 16, {index, time, raceTime});
    };
    auto handleLap = [](const Bytes& m, uint32_t sender) {
        Handle(m, sender);
        Step();
    };
    handleLap(lap(2, 1, 5000, 5000), 2);
    EXPECT_EQ(racers[1].lapIndex, 0u) << "index mismatch";
    handleLap(lap(2, 0, 61000, 61000), 2);
    EXPECT_EQ(racers[1].lapIndex, 1u);
    EXPECT_EQ(racers[1].lapTimes[0], 61000u);
    EXPECT_EQ(racers[1].bestLap, 61000u);
    EXPECT_EQ(racers[1].finishTime, 0u);
    EXPECT_EQ(GetRaceBestLap(), 61000u);
    EXPECT_EQ(GetRaceBestLapHolder(), 101u);
    handleLap(lap(2, 1, 59000, 120000), 2);
    EXPECT_EQ(racers[1].finishTime, 120000u) << "the lap count is reached";
    EXPECT_EQ(racers[1].bestLap, 59000u);

    g_Config.gameMode = 2;
    handleLap(lap(3, 0, 70000, 70000), 3);
    EXPECT_EQ(racers[2].finishTime, 70000u) << "mode 2: every lap sets the finish";

    // The local racer's own laps: the index stops at 8.
    RacerRecord& mine = racers[0];
    for (int i = 0; i < 12; ++i) {
        AddLapTime(&mine, 1000 + i);
        EXPECT_EQ(RecordLap(&mine), 0);
    }
    EXPECT_EQ(mine.lapIndex, 8u);
    EXPECT_EQ(mine.bestLap, 1000u);
    // Once the first racer is through the others race on: their laps still count, here and remotely.
    SetRacePhase(9, 1);
    EXPECT_EQ(RecordLap(&mine), 0);
    handleLap(lap(4, 0, 50000, 50000), 4);
    EXPECT_EQ(racers[3].lapIndex, 1u) << "a later finisher's lap counts";
    EXPECT_EQ(racers[3].laps, 1u);
    // From phase 10, when all are done, nothing is recorded.
    SetRacePhase(10, 1);
    EXPECT_EQ(RecordLap(&mine), -1);
    handleLap(lap(4, 1, 40000, 90000), 4);
    EXPECT_EQ(racers[3].lapIndex, 1u) << "refused once the race is over";
    EXPECT_EQ(racers[3].lapTimes[1], 40000u) << "the time is stored before the phase check";
    EXPECT_EQ(RecordLap(&racers[5]), 0) << "a remote racer's laps come from its owner";
    ResetLapTimes(&mine);
    EXPECT_EQ(mine.lapIndex, 0u);
    EXPECT_EQ(mine.bestLap, 0u);
    EXPECT_EQ(mine.lapTimes[8], 0u);
}

// What arrives between two steps leaves the game thread's records alone until the next step, which
// applies all of it: every lap in order, the latest points and phase, the phase after the laps.
TEST_F(Handler, WhatArrivesBetweenStepsLandsTogetherAtTheNextStep) {
    g_Config.raceOption2 = 5;
    NetSetWorldIdentifier(0);
    Handle(Msg(24, 1, 28, {12, 3, 1, 0xAB, 1, 4242}), 1);
    Handle(Msg(28, 2, 16, {0, 61000, 61000}), 2);
    Handle(Msg(28, 2, 16, {1, 59000, 120000}), 2);
    Handle(Msg(29, 3, 8, {10}), 3);
    Handle(Msg(29, 3, 8, {20}), 3);
    Handle(Msg(22, 0, 8, {9}), 0);
    Handle(TrackPoints(12), 1);
    EXPECT_EQ(g_Config.raceOption2, 5u);
    EXPECT_EQ(g_Config.raceOption4, ConfigRecord{}.raceOption4);
    EXPECT_EQ(NetWorldIdentifier(), 0u);
    EXPECT_EQ(racers[1].lapIndex, 0u);
    EXPECT_EQ(racers[2].points, 0u);
    EXPECT_EQ(RacePhase(), 0u);

    Step();
    ExpectSettings(12, 3, 1, 0xAB, 4242);
    EXPECT_EQ(racers[1].lapIndex, 2u) << "both laps, in order, before the race-over phase";
    EXPECT_EQ(racers[1].laps, 2u) << "a lap message counts the lap even when no bike state carries it";
    EXPECT_EQ(racers[1].bestLap, 59000u);
    EXPECT_EQ(racers[1].raceTime, 120000u);
    EXPECT_EQ(racers[2].points, 20u) << "the latest points";
    EXPECT_EQ(RacePhase(), 9u);
    EXPECT_EQ(GetTrackPointCount(), 12u);
    EXPECT_EQ(NetTrackPointsFlag(), 1u);

    // Applied once: a later step changes nothing that the game thread set meanwhile.
    g_Config.raceOption2 = 7;
    Step();
    EXPECT_EQ(g_Config.raceOption2, 7u);
}

// The track-points flag rises only with the points in place, also when it is polled between steps.
TEST_F(Handler, TheTrackPointsFlagComesWithThePoints) {
    SetTrackPoints(0, nullptr);
    Handle(TrackPoints(33), 1);
    EXPECT_EQ(GetTrackPointCount(), 0u) << "not before the game thread looks";
    EXPECT_EQ(NetTrackPointsFlag(), 1u);
    EXPECT_EQ(GetTrackPointCount(), 33u);
    EXPECT_EQ(GetTrackPoints()[32].x, 32.0f);
}

// A sender cannot pile up laps between two steps: nine are kept (a whole race), the rest dropped.
TEST_F(Handler, LapsBetweenTwoStepsAreBounded) {
    SetRacePhase(0, 1);
    for (uint32_t i = 0; i < 20; ++i) Handle(Msg(28, 2, 16, {i, 1000 + i, 1000 * (i + 1)}), 2);
    Step();
    EXPECT_EQ(racers[1].lapIndex, 8u);
    EXPECT_EQ(racers[1].lapTimes[8], 1008u);
    EXPECT_EQ(racers[1].raceTime, 9000u) << "the ninth lap was the last one kept";
}

TEST_F(Handler, APongSetsTheAnsweringSlotsRoundTrip) {
    Bytes pong = Msg(162, 3, 12, {1, plat::TickMs() - 250});
    Handle(pong, 3);
    uint32_t rtt = NetLock()[2].roundTrip;
    NetUnlock();
    EXPECT_GE(rtt, 250u);
    EXPECT_LT(rtt, 20000u);
}

TEST(NetLifecycle, ShutdownIsSafeWhenInactiveAndSendsNeedASlot) {
    EXPECT_EQ(NetShutdown(), 0);
    EXPECT_EQ(NetIsActive(), 0u);
    uint8_t m[8] = {8, 29, 1, 0};
    EXPECT_EQ(SessionSend(m, 0, 1, 1), -1);
    NetSetSessionOptions(test::Loopback());
    ASSERT_EQ(NetInit(0), 0);
    EXPECT_EQ(NetInit(0), 0) << "already active";
    EXPECT_EQ(SessionSend(m, 0, 1, 1), -1) << "no slot before hosting or joining";
    EXPECT_EQ(NetSetLocalPlayerInfo(nullptr), -1);
    EXPECT_EQ(NetAnyPlayerInMenu(), 0u);
    EXPECT_EQ(NetShutdown(), 0);
    EXPECT_EQ(NetGetMode(), 0u);
}

}  // namespace
}  // namespace kes
