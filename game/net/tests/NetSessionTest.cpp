// The network layer over a real session on loopback: this process hosts, plain sessions join it.
#include <enet/enet.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "game/net/NetState.h"
#include "game/net/tests/NetTestSupport.h"
#include "platform/bytes/ByteIO.h"
#include "platform/session/SessionFrames.h"
#include "platform/session/tests/SessionTestSupport.h"

namespace kes {
namespace {

using plat::test::HasType;
using plat::test::Recorder;

class LiveHost : public test::HostedGame {
protected:
    // A plain session that joins the hosted game as a client.
    std::unique_ptr<plat::Session> Join(Recorder& log, const std::string& name, uint32_t word0) {
        auto s = std::make_unique<plat::Session>();
        s->Init(log.Handler(), kNetSlots, net::kNetApplicationGuid, test::Loopback());
        uint8_t info[56] = {};
        plat::StoreU32(info, word0);
        EXPECT_EQ(s->JoinAddress("127.0.0.1", NetSession().GamePort(), name, info, 56), 0);
        return s;
    }
};

TEST_F(LiveHost, AJoinerFillsItsSlotAndGetsTheRaceSettings) {
    g_Config.raceOption2 = 6;
    g_Config.raceOption4 = 11;
    NetSetWorldIdentifier(321);
    Recorder log;
    auto client = Join(log, "Ann", 5150);
    ASSERT_EQ(client->GetLocalPlayer(), 2u);
    ASSERT_TRUE(plat::test::Eventually([] {
        bool in = NetLock()[1].inUse == 1;
        NetUnlock();
        return in;
    }));
    NetPlayerSlot* slots = NetLock();
    EXPECT_STREQ(slots[1].name, "Ann");
    EXPECT_EQ(slots[1].info.words[0], 5150u);
    EXPECT_EQ(slots[0].inUse, 0u) << "the local slot keeps in-use 0";
    EXPECT_STREQ(slots[0].name, "Host");
    NetUnlock();

    // Its join message is answered with the race settings.
    uint8_t join[4] = {4, 23, 2, 1};
    ASSERT_EQ(client->Send(join, 4, 1, true, true), 0);
    ASSERT_TRUE(test::StepUntil([&] { return HasType(24)(log.All()); })) << "answered at a network step";
    for (const auto& r : log.All()) {
        if (r.type() != 24) continue;
        EXPECT_EQ(r.slot, 1u);
        EXPECT_EQ(plat::LoadU32(r.bytes.data() + 4), 11u);
        EXPECT_EQ(plat::LoadU32(r.bytes.data() + 8), 6u);
        EXPECT_EQ(plat::LoadU32(r.bytes.data() + 24), 321u);
    }

    // New player data reaches the slot.
    uint8_t info[56] = {};
    plat::StoreU32(info, 6160);
    ASSERT_EQ(client->SetPlayerData(info, 56), 0);
    EXPECT_TRUE(plat::test::Eventually([] {
        bool changed = NetLock()[1].info.words[0] == 6160;
        NetUnlock();
        return changed;
    }));

    // A ping is answered to its sender, a clock request to the connection that asked.
    uint8_t ping[12] = {12, 161, 2, 0};
    plat::StoreU32(ping + 8, 777);
    ASSERT_EQ(client->Send(ping, 12, 0, false, false), 0);
    uint8_t clockRequest[8] = {8, 25, 200, 0, 9, 9, 9, 9};
    ASSERT_EQ(client->Send(clockRequest, 8, 1, true, false), 0);
    ASSERT_TRUE(log.WaitFor([](const std::vector<plat::test::Received>& v) {
        bool pong = false, clock = false;
        for (const auto& r : v) {
            if (r.type() == 162 && r.slot == 1 && r.bytes[2] == 1 && r.bytes[3] == 2 && plat::LoadU32(r.bytes.data() + 8) == 777)
                pong = true;
            if (r.type() == 26 && r.bytes[3] == 2 && plat::LoadU32(r.bytes.data() + 4) == 0x09090909) clock = true;
        }
        return pong && clock;
    }));

    client->Leave();
    EXPECT_TRUE(plat::test::Eventually([] {
        bool gone = NetLock()[1].inUse == 0;
        NetUnlock();
        return gone;
    }));
}

struct Found {
    std::mutex m;
    std::map<std::string, ServerRecord> games;
    int ends = 0;
};
Found* g_found = nullptr;
void OnGame(const ServerRecord* r) {
    std::lock_guard lock(g_found->m);
    if (r) g_found->games[r->name] = *r;
    else ++g_found->ends;
}

TEST_F(LiveHost, TheGameSearchFindsTwoHostsAndStopsCleanly) {
    plat::Session other;  // a second host of the same game, as another machine would run it
    other.Init(nullptr, 4, net::kNetApplicationGuid, test::Loopback());
    ASSERT_EQ(other.Host("Other race", "Bob", nullptr, 0), 0);
    Recorder log;
    auto client = Join(log, "Ann", 1);
    Found found;
    g_found = &found;
    NetSetSearchTargets({{"127.0.0.1", NetSession().DiscoveryPort()}, {"127.0.0.1", other.DiscoveryPort()}});
    ASSERT_EQ(StartGameSearch(OnGame, 0), 0);
    ASSERT_TRUE(plat::test::Eventually([&] {
        std::lock_guard lock(found.m);
        return found.games.size() == 2 && found.games["Race"].players == 2;
    }));
    StopGameSearch();
    std::lock_guard lock(found.m);
    EXPECT_EQ(found.games["Race"].maxPlayers, 8u);
    EXPECT_EQ(found.games["Other race"].players, 1u);
    EXPECT_EQ(found.games["Other race"].maxPlayers, 4u);
    plat::SessionGuid id = NetSession().Instance();
    EXPECT_EQ(std::memcmp(found.games["Race"].session, id.data(), 16), 0);
    const int endsAtStop = found.ends;
    found.m.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    found.m.lock();
    EXPECT_EQ(found.ends, endsAtStop) << "no callback after StopGameSearch returned";
    NetSetSearchTargets({});
}

// Random datagrams and random frames at a live host: nothing changes that a stranger may not
// change, nothing crashes, and the host still serves a real client afterwards.
TEST_F(LiveHost, SprayedPacketsChangeNothingAndCrashNothing) {
    Recorder log;
    auto honest = Join(log, "Ann", 1);
    const std::string before = test::Snapshot();
    std::mt19937 rng(1234);
    auto randomBytes = [&](size_t maxLen) {
        std::vector<uint8_t> b(rng() % (maxLen + 1));
        for (auto& x : b) x = static_cast<uint8_t>(rng());
        return b;
    };

    // 1. Raw UDP garbage at the game port and the discovery port.
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(fd, 0);
    for (uint16_t port : {NetSession().GamePort(), NetSession().DiscoveryPort()}) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        for (int i = 0; i < 1500; ++i) {
            auto b = randomBytes(700);
            sendto(fd, b.data(), b.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        }
    }
    close(fd);

    // 2. A connected stranger that sends random frames, and random game messages in good frames.
    ENetHost* raw = enet_host_create(nullptr, 1, 2, 0, 0);
    ENetAddress a{};
    enet_address_set_host_ip(&a, "127.0.0.1");
    a.port = NetSession().GamePort();
    ENetPeer* peer = enet_host_connect(raw, &a, 2, plat::frames::kConnectMagic);
    auto pump = [&](int ms) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        ENetEvent ev;
        while (std::chrono::steady_clock::now() < end)
            if (enet_host_service(raw, &ev, 5) > 0 && ev.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(ev.packet);
    };
    pump(300);
    auto send = [&](const std::vector<uint8_t>& b, bool reliable) {
        ENetPacket* p = enet_packet_create(b.data(), b.size(), reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
        if (enet_peer_send(peer, reliable ? 0 : 1, p) < 0) enet_packet_destroy(p);
    };
    for (int i = 0; i < 500; ++i) send(randomBytes(600), i % 2 == 0);
    send(plat::frames::Hello(net::kNetApplicationGuid, "Raw", nullptr, 0), true);
    pump(200);
    const auto sprayEnd = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int i = 0; i < 3000 && std::chrono::steady_clock::now() < sprayEnd; ++i) {
        std::vector<uint8_t> m = randomBytes(520);
        if (m.size() >= 4 && i % 3 == 0) m[0] = static_cast<uint8_t>(m.size());  // often a plausible size byte
        if (m.size() >= 4 && i % 5 == 0) m[1] = static_cast<uint8_t>(13 + rng() % 150);  // types of the set
        uint8_t origin = static_cast<uint8_t>(i % 7 == 0 ? 3 : rng());
        std::vector<uint8_t> frame{plat::frames::kGame, origin, static_cast<uint8_t>(rng() % 10)};
        frame.insert(frame.end(), m.begin(), m.end());
        send(frame, i % 2 == 0);
        if (i % 100 == 0) pump(5);
    }
    pump(500);
    enet_peer_disconnect_now(peer, 0);
    enet_host_destroy(raw);

    // What a stranger in slot 3 may change: its own slot, ready flag, racer and chat lines.
    auto outsideSlot3 = [](std::string s) {
        std::istringstream in(s);
        std::string line, out;
        int n = 0;
        while (std::getline(in, line)) {
            ++n;
            if (n == 1) out += line + '\n';
            if (n == 2) out += line.substr(0, 2) + line.substr(3) + '\n';
            if (n >= 3 && n <= 10 && n != 5) out += line + '\n';
        }
        return out;
    };
    EXPECT_EQ(outsideSlot3(test::Snapshot()), outsideSlot3(before));
    EXPECT_EQ(racers[1].lapIndex, 0u);
    EXPECT_EQ(racers[1].points, 0u);
    uint8_t state[144];
    EXPECT_EQ(NetTakeBikeState(1, state, 144), 0u) << "no state was forged for slot 2";

    // The host still works: the honest client's chat arrives and it is answered.
    uint8_t chat[9] = {9, 13, 2, 0, 4, 'a', 'b', 'c', 0};
    ASSERT_EQ(honest->Send(chat, 9, 0, true, false), 0);
    EXPECT_TRUE(plat::test::Eventually([] {
        NetLock();
        bool seen = std::string(NetChatLines()[5]) == "2>abc";
        NetUnlock();
        return seen;
    }));
}

// A join whose host never gives a slot fails after the join time-out and leaves the game unchanged.
TEST(NetJoin, AHostThatNeverAssignsASlotFailsTheJoin) {
    ENetAddress a{};
    enet_address_set_host_ip(&a, "127.0.0.1");
    ENetHost* mute = enet_host_create(&a, 2, 2, 0, 0);
    ASSERT_NE(mute, nullptr);
    ENetAddress bound{};
    enet_socket_get_address(mute->socket, &bound);
    std::atomic<bool> stop{false};
    std::thread server([&] {
        ENetEvent ev;
        while (!stop)
            while (enet_host_service(mute, &ev, 5) > 0)
                if (ev.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(ev.packet);
    });
    NetSetSessionOptions(test::Loopback());
    ASSERT_EQ(NetInit(0), 0);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_NE(NetJoinGameAt("Ann", nullptr, "127.0.0.1", bound.port), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(4900));
    EXPECT_EQ(NetGetMode(), 0u);
    EXPECT_EQ(SessionGetLocalPlayer(), 0u);
    uint8_t m[8] = {8, 29, 2, 0};
    EXPECT_EQ(SessionSend(m, 0, 1, 1), -1);
    NetShutdown();
    stop = true;
    server.join();
    enet_host_destroy(mute);
}

// The race settings reach a client while its game thread runs frames that read them: nothing
// changes until the message has been received, and the step right after applies all of it at once.
TEST(NetClient, RaceSettingsReachTheConfigAtTheNextStep) {
    g_Config = ConfigRecord{};
    const ConfigRecord defaults;
    plat::Session host;  // the host's machine
    Recorder hostLog;
    host.Init(hostLog.Handler(), kNetSlots, net::kNetApplicationGuid, test::Loopback());
    ASSERT_EQ(host.Host("Race", "Host", nullptr, 0), 0);
    NetSetSessionOptions(test::Loopback());
    ASSERT_EQ(NetInit(0), 0);
    ASSERT_EQ(NetJoinGameAt("Ann", nullptr, "127.0.0.1", host.GamePort()), 0);
    ASSERT_TRUE(hostLog.WaitFor(HasType(23))) << "the join message";

    uint8_t settings[28] = {28, 24, 1, 0};
    plat::StoreU32(settings + 4, 9);   // minutes
    plat::StoreU32(settings + 8, 6);   // laps
    plat::StoreU32(settings + 12, 2);  // game mode
    plat::StoreU32(settings + 16, 0x55);
    plat::StoreU32(settings + 20, 1);
    plat::StoreU32(settings + 24, 777);
    std::atomic<bool> sent{false};
    std::thread sender([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        host.Send(settings, 28, 0, true, true);
        sent = true;
    });

    // The frame loop: a step every 10 ms, and the race and the HUD reading the settings in between.
    bool applied = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!applied && std::chrono::steady_clock::now() < end) {
        bool received;
        {
            std::lock_guard lock(net::State().lock);
            received = net::State().pending.settings;
        }
        NetAdvanceClock(10);
        const bool all = g_Config.raceOption4 == 9 && g_Config.raceOption2 == 6 && g_Config.gameMode == 2 &&
                         g_ReceivedHostFlagWord == 0x55 && NetWorldIdentifier() == 777;
        if (received) {
            EXPECT_TRUE(all) << "applied at the step after it was received";
        }
        if (!all) {
            EXPECT_EQ(g_Config.raceOption4, defaults.raceOption4) << "never half applied";
            EXPECT_EQ(g_Config.raceOption2, defaults.raceOption2);
            EXPECT_EQ(g_Config.gameMode, defaults.gameMode);
        }
        applied = all;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    sender.join();
    EXPECT_TRUE(sent);
    EXPECT_TRUE(applied);
    NetShutdown();
    host.Close();
    g_Config = ConfigRecord{};
}

// Shutting down while a client floods the host with messages: the session thread stops first.
TEST_F(LiveHost, ShutdownWhileMessagesArriveIsOrderly) {
    Recorder log;
    auto client = Join(log, "Ann", 1);
    std::atomic<bool> stop{false};
    std::thread flood([&] {
        uint8_t m[8] = {8, 31, 2, 0, 1, 0, 0, 0};
        for (int i = 0; i < 200000 && !stop; ++i) client->Send(m, 8, 0, true, true);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(NetShutdown(), 0);
    stop = true;
    flood.join();
    EXPECT_EQ(NetIsActive(), 0u);
}

}  // namespace
}  // namespace kes
