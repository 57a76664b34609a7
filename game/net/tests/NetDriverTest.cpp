// A whole network game on loopback, one process per player as the game runs: a host and seven clients.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <vector>

#include "game/net/tests/DriverProcess.h"

namespace kes {
namespace {

using test::DriverProcess;

class EightPlayers : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 8; ++i) {
            players.push_back(std::make_unique<DriverProcess>());
            ASSERT_TRUE(players.back()->Started());
        }
        std::string reply = Host().Command("host Host Race");
        ASSERT_EQ(reply.rfind("port ", 0), 0u) << reply;
        port = std::stoi(reply.substr(5));
        for (int i = 1; i < 8; ++i) {
            std::string name = "P" + std::to_string(i + 1);
            ASSERT_EQ(players[i]->Command("join " + name + " " + std::to_string(port)), "joined " + std::to_string(i + 1));
        }
    }
    DriverProcess& Host() { return *players[0]; }
    std::vector<std::unique_ptr<DriverProcess>> players;
    int port = 0;
};

TEST_F(EightPlayers, SlotsChatSettingsHandshakePhasesAndRefusal) {
    // Every machine sees the same slots and names.
    const std::string table = "1:Host,2:P2,3:P3,4:P4,5:P5,6:P6,7:P7,8:P8,";
    for (size_t i = 0; i < players.size(); ++i)
        EXPECT_EQ(players[i]->WaitForEqual("slots", "slots " + std::to_string(i + 1) + " " + table),
                  "slots " + std::to_string(i + 1) + " " + table);

    // A ninth player is refused.
    DriverProcess ninth;
    ASSERT_TRUE(ninth.Started());
    EXPECT_EQ(ninth.Command("join P9 " + std::to_string(port)), "joinfail");

    // Chat reaches every machine, the sender included, as "<slot>><text>".
    EXPECT_EQ(players[2]->Command("chat hi from three"), "ok");
    for (auto& p : players)
        EXPECT_EQ(p->WaitForEqual("chatlines", "chat |||||3>hi from three|"), "chat |||||3>hi from three|");

    // Race settings from the host.
    EXPECT_EQ(Host().Command("settings 5 7 2 4242"), "ok");
    for (auto& p : players) EXPECT_EQ(p->WaitForEqual("config", "config 5 7 2 4242"), "config 5 7 2 4242");

    // The start handshake: 16 to all, 17 from everyone to the host, 21 to all.
    EXPECT_EQ(Host().Command("start"), "ok");
    for (auto& p : players)
        EXPECT_EQ(p->WaitFor("flags", [](const std::string& r) { return r.rfind("flags 1 ", 0) == 0; }).substr(0, 8), "flags 1 ");
    for (auto& p : players) EXPECT_EQ(p->Command("ready"), "ok");
    EXPECT_EQ(Host().WaitForEqual("flags", "flags 1 0 11111111"), "flags 1 0 11111111");
    EXPECT_EQ(Host().Command("setupdone"), "ok");
    for (size_t i = 1; i < players.size(); ++i)
        EXPECT_EQ(players[i]->WaitFor("flags", [](const std::string& r) { return r.rfind("flags 1 1 ", 0) == 0; }).substr(0, 10),
                  "flags 1 1 ");

    // Phases follow the host; a client's own phase change is not broadcast.
    EXPECT_EQ(Host().Command("phase 3"), "ok");
    for (auto& p : players) EXPECT_EQ(p->WaitForEqual("getphase", "phase 3"), "phase 3");
    EXPECT_EQ(players[4]->Command("phase 6"), "ok");
    EXPECT_EQ(Host().Command("phase 4"), "ok");
    for (size_t i = 0; i < players.size(); ++i) {
        if (i == 4) continue;
        EXPECT_EQ(players[i]->WaitForEqual("getphase", "phase 4"), "phase 4");
    }
}

TEST_F(EightPlayers, BikeStatesLapsPointsPingsLeavesAndLoss) {
    // Bike states travel unreliably, and a session under heavy load may drop one: a state that has not
    // reached every receiver within a few seconds is sent again, with a newer stamp. After each send the
    // sender also sends a state stamped older than every other (1), which no receiver may ever take.
    // Returns the stamp that every receiver took, or "" when none did.
    bool staleTaken = false;
    const auto sendUntilTaken = [&](unsigned value, std::initializer_list<int> receivers) {
        const std::string values = ' ' + std::to_string(value) + ' ' + std::to_string(value);
        for (int attempt = 0; attempt < 4; ++attempt) {
            const std::string sent = players[1]->Command("bike " + std::to_string(value));
            if (sent.rfind("ok ", 0) != 0) return std::string();
            EXPECT_EQ(players[1]->Command("stale 9"), "ok");
            const std::string expected = "take " + sent.substr(3) + values;
            bool everyone = true;
            for (int i : receivers) {
                const std::string got = players[i]->WaitFor(
                    "take 1",
                    [&](const std::string& r) {
                        staleTaken = staleTaken || r.rfind("take 1 ", 0) == 0;
                        return r == expected;
                    },
                    5000);
                everyone = everyone && got == expected;
            }
            if (everyone) return sent.substr(3);
        }
        return std::string();
    };

    // Only the newest stamp per sender is kept; a stale one never replaces it.
    EXPECT_EQ(players[1]->Command("bike 7"), "ok 100");
    const std::string eight = sendUntilTaken(8, {0, 4, 7});
    EXPECT_NE(eight, "") << "the state never reached every machine";
    const std::string ten = sendUntilTaken(10, {4});
    ASSERT_NE(ten, "");
    EXPECT_GT(std::stoul(ten), std::stoul(eight));
    EXPECT_FALSE(staleTaken) << "a state older than the newest replaced it";
    EXPECT_EQ(players[4]->Command("take 1"), "take 0 0 0") << "nothing new";
    EXPECT_EQ(players[4]->Command("take 2"), "take 0 0 0") << "other senders do not interfere";

    // Laps and points reach the racer records of every machine.
    for (auto& p : players) EXPECT_EQ(p->Command("racers"), "ok");
    EXPECT_EQ(players[3]->Command("lap 61000 61500"), "lap 0");
    EXPECT_EQ(players[3]->Command("points 12"), "ok");
    for (size_t i = 0; i < players.size(); ++i) {
        if (i == 3) continue;
        EXPECT_EQ(players[i]->WaitForEqual("racer 3", "racer 1 61000 61500 12 0"), "racer 1 61000 61500 12 0")
            << "player " << i + 1;
    }
    EXPECT_EQ(players[3]->Command("racer 3"), "racer 1 61000 61500 12 0") << "own lap counted once; own points come back";

    // Pings are answered by every machine; the pongs give round-trip times.
    // Loopback round trips take under a millisecond, so the pings are stamped a second early: every
    // pong then shows a round trip of at least 1000 ms, the host's own included (to-all includes it).
    auto allMeasured = [](const std::string& r) {
        if (r.rfind("rtt ", 0) != 0) return false;
        std::istringstream in(r.substr(4));
        std::string v;
        int n = 0;
        while (std::getline(in, v, ',')) {
            if (std::stoul(v) < 1000 || std::stoul(v) > 30000) return false;
            ++n;
        }
        return n == 8;
    };
    // The session's own keep-alive ping (every 10 s, stamped now) may land after the early-stamped one
    // and overwrite its round trips with real ones; a slow machine then asks again.
    auto pingedBack = [&](DriverProcess& p) {
        std::string reply;
        for (int attempt = 0; attempt < 3; ++attempt) {
            EXPECT_EQ(p.Command("pingback 1000"), "ok");
            reply = p.WaitFor("rtt", allMeasured, 6000);
            if (allMeasured(reply)) break;
        }
        return reply;
    };
    EXPECT_TRUE(allMeasured(pingedBack(Host()))) << Host().Command("rtt");
    EXPECT_TRUE(allMeasured(pingedBack(*players[5]))) << players[5]->Command("rtt");

    // A client that leaves is seen leaving on every other machine.
    EXPECT_EQ(players[7]->Command("leave"), "left");
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ(players[i]->WaitFor("events", [](const std::string& r) { return r.find("8,") != std::string::npos; }),
                  "events 0 " + std::to_string(i + 1) + " 8,");
    const std::string seven = "1:Host,2:P2,3:P3,4:P4,5:P5,6:P6,7:P7,";
    EXPECT_EQ(players[2]->WaitForEqual("slots", "slots 3 " + seven), "slots 3 " + seven);

    // A host that leaves loses the session for every client.
    EXPECT_EQ(Host().Command("leave"), "left");
    for (size_t i = 1; i < 7; ++i)
        EXPECT_EQ(players[i]->WaitFor("events", [](const std::string& r) { return r.rfind("events 1 0 ", 0) == 0; }),
                  "events 1 0 8,");
}

}  // namespace
}  // namespace kes
