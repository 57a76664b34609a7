#include "platform/session/Session.h"

#include <enet/enet.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/bytes/ByteIO.h"
#include "platform/session/SessionFrames.h"
#include "platform/session/tests/SessionTestSupport.h"

namespace plat {
namespace {

using test::HasType;
using test::Recorder;

std::vector<uint8_t> Message(uint8_t type, uint8_t sender, uint8_t extra = 0, size_t size = 8) {
    std::vector<uint8_t> m(size, 0);
    m[0] = static_cast<uint8_t>(size);
    m[1] = type;
    m[2] = sender;
    m[4] = extra;
    return m;
}

// A host and some clients, each a separate session with its own recorder.
struct Party {
    explicit Party(uint32_t maxPlayers, SessionOptions options = test::LoopbackOptions()) : max(maxPlayers), opts(options) {
        host.Init(hostLog.Handler(), max, test::TestApplication(), opts);
        EXPECT_EQ(host.Host("Game", "Host", "H", 1), 0);
    }
    int AddClient(const std::string& name) {
        auto s = std::make_unique<Session>();
        auto r = std::make_unique<Recorder>();
        s->Init(r->Handler(), max, test::TestApplication(), opts);
        int rc = s->JoinAddress("127.0.0.1", host.GamePort(), name, name.data(), static_cast<uint32_t>(name.size()));
        clients.push_back(std::move(s));
        logs.push_back(std::move(r));
        return rc;
    }
    uint32_t max;
    SessionOptions opts;
    Recorder hostLog;
    Session host;
    std::vector<std::unique_ptr<Recorder>> logs;      // outlive the sessions that call them
    std::vector<std::unique_ptr<Session>> clients;
};

TEST(Session, EveryMachineSeesTheSameSlotsNamesAndData) {
    Party p(4);
    for (const char* name : {"Ann", "Bob", "Cyd"}) ASSERT_EQ(p.AddClient(name), 0) << name;
    EXPECT_EQ(p.host.GetLocalPlayer(), 1u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(p.clients[i]->GetLocalPlayer(), i + 2);

    const char* names[] = {"Host", "Ann", "Bob", "Cyd"};
    std::vector<Session*> all{&p.host};
    for (auto& c : p.clients) all.push_back(c.get());
    for (Session* s : all) {
        ASSERT_TRUE(test::Eventually([&] { return s->PlayerCount() == 4; }));
        for (uint32_t slot = 1; slot <= 4; ++slot) {
            SessionPlayerView v;
            ASSERT_TRUE(s->PlayerAt(slot, v));
            EXPECT_EQ(v.name, names[slot - 1]);
        }
    }
    // Every machine hears of the three others through 152, with name and data inline.
    for (auto& log : p.logs) ASSERT_TRUE(log->WaitFor(HasType(kMsgNewPlayer, 3)));
    ASSERT_TRUE(p.hostLog.WaitFor(HasType(kMsgNewPlayer, 3)));
    for (const auto& r : p.logs[0]->All()) {
        if (r.type() != kMsgNewPlayer) continue;
        EXPECT_TRUE(r.local);
        uint32_t slot = LoadU32(r.bytes.data() + kNewPlayerSlotAt);
        EXPECT_NE(slot, 2u) << "a machine is not told of itself";
        EXPECT_STREQ(reinterpret_cast<const char*>(r.bytes.data() + kNewPlayerNameAt), names[slot - 1]);
        EXPECT_EQ(LoadU32(r.bytes.data() + kNewPlayerLengthAt), slot == 1 ? 1u : 3u);
    }

    // Data changes reach every other machine as 147.
    ASSERT_EQ(p.clients[1]->SetPlayerData("xyz!", 4), 0);
    auto dataFrom3 = [](const std::vector<test::Received>& v) {
        for (const auto& r : v)
            if (r.type() == kMsgPlayerData && LoadU32(r.bytes.data() + 4) == 3 && LoadU32(r.bytes.data() + 8) == 4) return true;
        return false;
    };
    EXPECT_TRUE(p.hostLog.WaitFor(dataFrom3));
    EXPECT_TRUE(p.logs[0]->WaitFor(dataFrom3));
    EXPECT_TRUE(p.logs[2]->WaitFor(dataFrom3));
}

TEST(Session, SendToAllIncludesTheSenderAndSendToSlotReachesOnlyThatSlot) {
    Party p(4);
    ASSERT_EQ(p.AddClient("Ann"), 0);
    ASSERT_EQ(p.AddClient("Bob"), 0);
    auto chat = Message(13, 2);
    ASSERT_EQ(p.clients[0]->Send(chat.data(), 8, 0, true, false), 0);
    auto fromSlot2 = [](const std::vector<test::Received>& v) {
        for (const auto& r : v)
            if (r.type() == 13 && r.slot == 2 && !r.local) return true;
        return false;
    };
    EXPECT_TRUE(p.hostLog.WaitFor(fromSlot2));
    EXPECT_TRUE(p.logs[0]->WaitFor(fromSlot2)) << "the sender's own copy";
    EXPECT_TRUE(p.logs[1]->WaitFor(fromSlot2)) << "relayed through the host";

    auto direct = Message(29, 3, 42);
    ASSERT_EQ(p.clients[1]->Send(direct.data(), 8, 2, true, false), 0);
    EXPECT_TRUE(p.logs[0]->WaitFor(HasType(29)));
    // Ordered after the direct message on the same path: a to-all marker.
    auto marker = Message(31, 3);
    ASSERT_EQ(p.clients[1]->Send(marker.data(), 8, 0, true, false), 0);
    ASSERT_TRUE(p.hostLog.WaitFor(HasType(31)));
    ASSERT_TRUE(p.logs[1]->WaitFor(HasType(31)));
    EXPECT_EQ(p.hostLog.Count(29), 0u);
    EXPECT_EQ(p.logs[1]->Count(29), 0u);
}

TEST(Session, GuaranteedMessagesArriveInOrderThroughTheRelay) {
    Party p(3);
    ASSERT_EQ(p.AddClient("Ann"), 0);
    ASSERT_EQ(p.AddClient("Bob"), 0);
    ASSERT_TRUE(p.logs[1]->WaitFor(HasType(kMsgNewPlayer, 2)));
    for (int i = 0; i < 200; ++i) {
        auto m = Message(28, 2, static_cast<uint8_t>(i));
        ASSERT_EQ(p.clients[0]->Send(m.data(), 8, 0, true, true), 0);
    }
    ASSERT_TRUE(p.logs[1]->WaitFor(HasType(28, 200)));
    int expected = 0;
    for (const auto& r : p.logs[1]->All()) {
        if (r.type() != 28) continue;
        EXPECT_EQ(r.bytes[4], expected);
        ++expected;
    }
}

TEST(Session, LeavesAndLossAreRaisedOnTheOtherMachines) {
    Party p(4);
    ASSERT_EQ(p.AddClient("Ann"), 0);
    ASSERT_EQ(p.AddClient("Bob"), 0);
    ASSERT_TRUE(p.logs[1]->WaitFor(HasType(kMsgNewPlayer, 2)));
    p.clients[0]->Leave();
    EXPECT_EQ(p.clients[0]->GetLocalPlayer(), 0u);
    auto left2 = [](const std::vector<test::Received>& v) {
        for (const auto& r : v)
            if (r.type() == kMsgPlayerLeft && r.local && LoadU32(r.bytes.data() + 4) == 2) return true;
        return false;
    };
    EXPECT_TRUE(p.hostLog.WaitFor(left2));
    EXPECT_TRUE(p.logs[1]->WaitFor(left2));
    // The freed slot goes to the next newcomer.
    ASSERT_EQ(p.AddClient("Cyd"), 0);
    EXPECT_EQ(p.clients.back()->GetLocalPlayer(), 2u);

    p.host.Leave();
    EXPECT_TRUE(p.logs[1]->WaitFor(HasType(kMsgSessionLost)));
    EXPECT_TRUE(p.logs[2]->WaitFor(HasType(kMsgSessionLost)));
    EXPECT_TRUE(test::Eventually([&] { return p.clients[1]->GetLocalPlayer() == 0; }));
    auto m = Message(13, 3);
    EXPECT_EQ(p.clients[1]->Send(m.data(), 8, 0, true, false), -1) << "no slot, nothing sent";
}

TEST(Session, APlayerBeyondTheLimitIsRefusedAtOnce) {
    Party p(3);
    ASSERT_EQ(p.AddClient("Ann"), 0);
    ASSERT_EQ(p.AddClient("Bob"), 0);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(p.AddClient("Cyd"), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(4)) << "refused, not timed out";
    EXPECT_EQ(p.clients.back()->GetLocalPlayer(), 0u);
    EXPECT_EQ(p.host.PlayerCount(), 3u);
}

TEST(Session, SendsWithoutASlotAndBadArgumentsAreRefused) {
    Session s;
    uint8_t m[8] = {8, 13, 1, 0};
    EXPECT_EQ(s.Send(m, 8, 0, true, false), -1);
    EXPECT_EQ(s.SetPlayerData("x", 1), -1);
    EXPECT_EQ(s.Host("x", "y", nullptr, 0), -1) << "not initialised";
    ASSERT_EQ(s.Init(nullptr, 4, test::TestApplication(), test::LoopbackOptions()), 0);
    ASSERT_EQ(s.Host("x", "y", nullptr, 0), 0);
    EXPECT_EQ(s.Send(m, 3, 0, true, false), -1);
    EXPECT_EQ(s.Send(m, 513, 0, true, false), -1);
    EXPECT_EQ(s.Send(m, 8, 5, true, false), -1);
    uint8_t big[57] = {};
    EXPECT_EQ(s.SetPlayerData(big, 57), -1);
    EXPECT_EQ(s.Init(nullptr, 9, test::TestApplication()), -1);
}

// A raw ENet peer on loopback, for a host that never answers and for a client that misbehaves.
struct RawPeer {
    ENetHost* host = nullptr;
    ENetPeer* peer = nullptr;
    ~RawPeer() {
        if (host) enet_host_destroy(host);
    }
    bool Connect(uint16_t port) {
        host = enet_host_create(nullptr, 1, 2, 0, 0);
        ENetAddress a{};
        enet_address_set_host_ip(&a, "127.0.0.1");
        a.port = port;
        peer = enet_host_connect(host, &a, 2, frames::kConnectMagic);
        return Pump([&](ENetEvent& ev) { return ev.type == ENET_EVENT_TYPE_CONNECT; }, 5000);
    }
    void Send(const std::vector<uint8_t>& bytes, bool reliable = true) {
        enet_peer_send(peer, reliable ? 0 : 1, enet_packet_create(bytes.data(), bytes.size(), reliable ? ENET_PACKET_FLAG_RELIABLE : 0));
        enet_host_flush(host);
    }
    // Services until `until` says so or the time is up; returns whether it did.
    bool Pump(const std::function<bool(ENetEvent&)>& until, int ms) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            ENetEvent ev;
            if (enet_host_service(host, &ev, 10) > 0) {
                bool done = until(ev);
                if (ev.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(ev.packet);
                if (done) return true;
            }
        }
        return false;
    }
};

TEST(Session, AJoinWhoseHostNeverAssignsASlotFailsAfterTheTimeOutAndLeaves) {
    ENetAddress a{};
    enet_address_set_host_ip(&a, "127.0.0.1");
    a.port = 0;
    ENetHost* mute = enet_host_create(&a, 4, 2, 0, 0);
    ASSERT_NE(mute, nullptr);
    ENetAddress bound{};
    enet_socket_get_address(mute->socket, &bound);
    std::atomic<bool> stop{false};
    std::atomic<int> disconnects{0};
    std::thread server([&] {
        while (!stop) {
            ENetEvent ev;
            while (enet_host_service(mute, &ev, 5) > 0) {
                if (ev.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(ev.packet);
                if (ev.type == ENET_EVENT_TYPE_DISCONNECT) ++disconnects;
            }
        }
    });
    Session s;
    s.Init(nullptr, 8, test::TestApplication(), test::LoopbackOptions());
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(s.JoinAddress("127.0.0.1", bound.port, "Ann", nullptr, 0), -1);
    auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(took, std::chrono::milliseconds(4900));
    EXPECT_LT(took, std::chrono::seconds(30));
    EXPECT_EQ(s.GetLocalPlayer(), 0u);
    EXPECT_TRUE(test::Eventually([&] { return disconnects > 0; })) << "the connection is closed, not dropped";
    stop = true;
    server.join();
    enet_host_destroy(mute);
}

TEST(Session, TheHostTakesNothingForgedFromAClient) {
    Party p(4);
    ASSERT_EQ(p.AddClient("Ann"), 0);  // slot 2
    RawPeer raw;
    ASSERT_TRUE(raw.Connect(p.host.GamePort()));
    // Before its hello the raw peer has no slot: its game frames are dropped.
    auto early = Message(13, 3);
    raw.Send(frames::Game(3, 0, early.data(), 8));
    uint8_t info[3] = {1, 2, 3};
    raw.Send(frames::Hello(test::TestApplication(), "Raw", info, 3));
    uint32_t assigned = 0;
    ASSERT_TRUE(raw.Pump([&](ENetEvent& ev) {
        frames::Frame f;
        if (ev.type == ENET_EVENT_TYPE_RECEIVE && frames::Decode(ev.packet->data, ev.packet->dataLength, f) && f.kind == frames::kAssign)
            assigned = f.slot;
        return assigned != 0;
    }, 5000));
    EXPECT_EQ(assigned, 3u);
    ASSERT_TRUE(p.hostLog.WaitFor(HasType(kMsgNewPlayer, 2)));

    auto spoofed = Message(29, 2);  // claims slot 2's identity
    raw.Send(frames::Game(2, 0, spoofed.data(), 8));
    auto local = Message(kMsgNewPlayer, 3, 0, 32);  // a local type from the wire
    raw.Send(frames::Game(3, 0, local.data(), 32));
    auto left = Message(kMsgPlayerLeft, 3);
    raw.Send(frames::Game(3, 1, left.data(), 8));
    raw.Send(frames::Assign(5));       // only hosts assign
    raw.Send(frames::Left(2));         // only hosts announce leaves
    raw.Send(frames::Roster(2, "Evil", nullptr, 0));
    std::vector<uint8_t> huge(600, 6);
    huge[0] = frames::kGame;
    huge[1] = 3;
    raw.Send(huge);
    raw.Send(frames::Game(3, 9, early.data(), 8));  // no slot 9
    auto fine = Message(31, 3);                       // then one good message: it must still arrive
    raw.Send(frames::Game(3, 0, fine.data(), 8));
    ASSERT_TRUE(p.hostLog.WaitFor(HasType(31)));
    ASSERT_TRUE(p.logs[0]->WaitFor(HasType(31)));
    for (const auto& r : p.hostLog.All()) {
        EXPECT_NE(r.type(), 29);
        EXPECT_NE(r.type(), 13);
        if (r.type() == kMsgPlayerLeft) ADD_FAILURE() << "forged leave";
        if (r.type() == kMsgNewPlayer) {
            EXPECT_TRUE(r.local);
        }
    }
    EXPECT_EQ(p.logs[0]->Count(29), 0u);
    EXPECT_EQ(p.logs[0]->Count(kMsgPlayerLeft), 0u);
    EXPECT_EQ(p.host.PlayerCount(), 3u);
    SessionPlayerView v;
    ASSERT_TRUE(p.clients[0]->PlayerAt(2, v));
    EXPECT_EQ(v.name, "Ann");
}

TEST(Session, ASilentPlayerIsDroppedAndRaisesALeave) {
    SessionOptions o = test::LoopbackOptions();
    o.keepAliveMs = 100;
    o.silenceLimitMs = 800;
    Party p(4, o);
    RawPeer raw;
    ASSERT_TRUE(raw.Connect(p.host.GamePort()));
    raw.Send(frames::Hello(test::TestApplication(), "Mute", nullptr, 0));
    ASSERT_TRUE(p.hostLog.WaitFor(HasType(kMsgNewPlayer)));
    // The raw peer answers no ping: after the silence limit the host drops it.
    EXPECT_TRUE(p.hostLog.WaitFor(HasType(kMsgPlayerLeft), 15000));
    EXPECT_EQ(p.host.PlayerCount(), 1u);
}

TEST(Session, AClientWhoseHostFallsSilentGivesUpItsSlot) {
    // A raw host that assigns slot 2 and then says nothing more (ENet itself stays connected).
    ENetAddress a{};
    enet_address_set_host_ip(&a, "127.0.0.1");
    ENetHost* mute = enet_host_create(&a, 2, 2, 0, 0);
    ASSERT_NE(mute, nullptr);
    ENetAddress bound{};
    enet_socket_get_address(mute->socket, &bound);
    std::atomic<bool> stop{false};
    std::thread server([&] {
        while (!stop) {
            ENetEvent ev;
            while (enet_host_service(mute, &ev, 5) > 0) {
                if (ev.type != ENET_EVENT_TYPE_RECEIVE) continue;
                frames::Frame f;
                if (frames::Decode(ev.packet->data, ev.packet->dataLength, f) && f.kind == frames::kHello) {
                    auto assign = frames::Assign(2);
                    enet_peer_send(ev.peer, 0, enet_packet_create(assign.data(), assign.size(), ENET_PACKET_FLAG_RELIABLE));
                }
                enet_packet_destroy(ev.packet);
            }
        }
    });
    SessionOptions o = test::LoopbackOptions();
    o.keepAliveMs = 100;
    o.silenceLimitMs = 800;
    Recorder log;
    Session s;
    s.Init(log.Handler(), 8, test::TestApplication(), o);
    ASSERT_EQ(s.JoinAddress("127.0.0.1", bound.port, "Ann", nullptr, 0), 0);
    EXPECT_EQ(s.GetLocalPlayer(), 2u);
    EXPECT_TRUE(log.WaitFor(HasType(kMsgSessionLost), 15000));
    EXPECT_EQ(s.GetLocalPlayer(), 0u);
    stop = true;
    server.join();
    s.Close();
    enet_host_destroy(mute);
}

}  // namespace
}  // namespace plat
