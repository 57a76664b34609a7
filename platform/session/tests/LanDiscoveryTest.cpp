#include "platform/session/LanDiscovery.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "platform/session/Session.h"
#include "platform/session/tests/SessionTestSupport.h"

namespace plat {
namespace {

TEST(LanDiscovery, FindsTwoHostsOnLoopbackAndStopsCleanly) {
    Session a, b;
    a.Init(nullptr, 8, test::TestApplication(), test::LoopbackOptions());
    b.Init(nullptr, 4, test::TestApplication(), test::LoopbackOptions());
    ASSERT_EQ(a.Host("First race", "Ann", nullptr, 0), 0);
    ASSERT_EQ(b.Host("Second race", "Bob", nullptr, 0), 0);
    ASSERT_NE(a.DiscoveryPort(), 0);
    ASSERT_NE(b.DiscoveryPort(), 0);
    Session other;  // a session of another application is not reported
    SessionGuid otherApp = test::TestApplication();
    otherApp[0] ^= 0xFF;
    other.Init(nullptr, 8, otherApp, test::LoopbackOptions());
    ASSERT_EQ(other.Host("Other", "Cyd", nullptr, 0), 0);

    std::mutex m;
    std::map<std::string, DiscoveredSession> found;
    int ends = 0;
    std::atomic<int> callsAfterStop{0};
    std::atomic<bool> stopped{false};
    LanSearch search;
    std::vector<DiscoveryTarget> targets{{"127.0.0.1", a.DiscoveryPort()}, {"127.0.0.1", b.DiscoveryPort()},
                                         {"127.0.0.1", other.DiscoveryPort()}};
    ASSERT_EQ(search.Start(test::TestApplication(), targets, [&](const DiscoveredSession* s) {
        if (stopped) ++callsAfterStop;
        std::lock_guard lock(m);
        if (s) found[s->name] = *s;
        else ++ends;
    }, 60000), 0);
    ASSERT_TRUE(test::Eventually([&] {
        std::lock_guard lock(m);
        return found.size() >= 2;
    }));
    search.Stop();
    stopped = true;
    {
        std::lock_guard lock(m);
        ASSERT_EQ(found.size(), 2u);
        EXPECT_EQ(found["First race"].players, 1u);
        EXPECT_EQ(found["First race"].maxPlayers, 8u);
        EXPECT_EQ(found["First race"].gamePort, a.GamePort());
        EXPECT_EQ(found["First race"].instance, a.Instance());
        EXPECT_EQ(found["Second race"].maxPlayers, 4u);
        EXPECT_EQ(found["Second race"].address, "127.0.0.1");
        EXPECT_EQ(ends, 0) << "stopped before the round ended";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(callsAfterStop, 0);

    // A session found by the search can be joined by its id alone.
    Session c;
    c.Init(nullptr, 8, test::TestApplication(), test::LoopbackOptions());
    ASSERT_EQ(c.Join(b.Instance(), "Dan", nullptr, 0), 0);
    EXPECT_EQ(c.GetLocalPlayer(), 2u);
    SessionGuid unknown{};
    Session d;
    d.Init(nullptr, 8, test::TestApplication(), test::LoopbackOptions());
    EXPECT_EQ(d.Join(unknown, "Eve", nullptr, 0), -1);
}

TEST(LanDiscovery, ARoundEndsWithTheEndMarkAndBadRepliesAreIgnored) {
    SessionGuid app = test::TestApplication();
    DiscoveredSession s;
    s.name = "Race";
    s.players = 2;
    s.maxPlayers = 8;
    s.gamePort = 1234;
    auto reply = EncodeDiscoveryReply(app, s);
    DiscoveredSession out;
    ASSERT_TRUE(DecodeDiscoveryReply(reply.data(), reply.size(), app, out));
    EXPECT_EQ(out.name, "Race");
    auto bad = reply;
    bad[38] = 9;  // more players than the maximum
    EXPECT_FALSE(DecodeDiscoveryReply(bad.data(), bad.size(), app, out));
    EXPECT_FALSE(DecodeDiscoveryReply(reply.data(), reply.size() - 1, app, out));
    auto noName = reply;
    std::fill(noName.begin() + 40, noName.end(), 'x');  // unterminated name stays within 31
    ASSERT_TRUE(DecodeDiscoveryReply(noName.data(), noName.size(), app, out));
    EXPECT_EQ(out.name.size(), 31u);

    std::atomic<int> ends{0};
    LanSearch search;
    ASSERT_EQ(search.Start(app, {{"127.0.0.1", 9}}, [&](const DiscoveredSession* d) { ends += d ? 100 : 1; }, 300), 0);
    EXPECT_TRUE(test::Eventually([&] { return ends.load() == 1; }));
    search.Stop();
    EXPECT_EQ(ends, 1);
}

}  // namespace
}  // namespace plat
