// Network races run by the real program, headless, one process per player on loopback: the game
// flow's network race branch from the host's start to the results and back to the game room,
// checked by exit code, the printed racers and the event log of pages and phases.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "game/frontend/flow/tests/FlowProgram.h"

namespace kes::testing {
namespace {

constexpr uint32_t kWorldId = 4242;
constexpr int kReturn = 28;
// A lap of the oval takes the computer under a minute of game time: 1500 frames of 40 ms; the
// countdown, the five seconds after the last finisher and the results page add a few hundred.
constexpr int kMostFrames = 6000;

struct Player {
    std::string name;
    std::string role;
    fs::path folder;
    pid_t pid = -1;
    int exitCode = -1;
    std::map<std::string, std::string> env;
};

class NetRaceProgram : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::path(::testing::TempDir()) /
                ("netrace_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
                 std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        std::string error;
        ASSERT_TRUE(tools::test::CopyDefaultDataPack(root_ / "Kestrun.dat", &error)) << error;
        ASSERT_TRUE(tools::WritePack((root_ / "Tracks.dat").string(), {{"readme.txt", {'h', 'i'}, false}}, &error))
            << error;
        const std::vector<uint8_t> world = ListedRaceWorld(kWorldId, 0, "Ovale", "A test world");
        std::ofstream(root_ / "Oval.wld", std::ios::binary)
            .write(reinterpret_cast<const char*>(world.data()), static_cast<std::streamsize>(world.size()));
        // The results page leaves on Return, pressed now and then all through the run.
        std::ofstream script(root_ / "input.txt");
        for (int f = 100; f < kMostFrames; f += 40)
            script << f << " key " << kReturn << " down\n" << f + 1 << " key " << kReturn << " up\n";
    }
    void TearDown() override {
        for (Player& p : players_)
            if (p.pid > 0) {
                kill(p.pid, SIGKILL);
                waitpid(p.pid, nullptr, 0);
            }
        if (!HasFailure() && !std::getenv("GRAVELON_KEEP_TEST_FOLDERS")) fs::remove_all(root_);
    }

    // A player's own game folder (its own settings, profiles and event log) sharing the content.
    Player& AddPlayer(const std::string& name, bool host, bool withWorld = true) {
        Player p;
        p.name = name;
        p.role = host ? "host" : "client";
        p.folder = root_ / name;
        fs::create_directories(p.folder / "Tracks");
        fs::create_hard_link(root_ / "Kestrun.dat", p.folder / "Kestrun.dat");
        fs::create_hard_link(root_ / "Tracks.dat", p.folder / "Tracks.dat");
        if (withWorld) fs::create_hard_link(root_ / "Oval.wld", p.folder / "Tracks" / "Oval.wld");
        fs::copy_file(fs::path(GRAVELON_BINARY_DIR) / "bin" / "NetRaceTestProgram", p.folder / "NetRaceTestProgram");
        players_.push_back(p);
        return players_.back();
    }

    void Start(Player& p, uint32_t players) {
        std::string command = "GRAVELON_QUIT_AFTER_FRAMES=" + std::to_string(kMostFrames) + " GRAVELON_FRAME_MS=" +
                              std::to_string(kFrameMs) +
                              " GRAVELON_SEED=7 GRAVELON_HEADLESS=1 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "
                              "ALSOFT_DRIVERS=null GRAVELON_TEST_LAPS=1 GRAVELON_NET_AUTOPILOT=1 GRAVELON_NET_ROLE=" +
                              p.role + " GRAVELON_NET_NAME=" + p.name + " GRAVELON_NET_PLAYERS=" + std::to_string(players) +
                              " GRAVELON_NET_WORLD=" + std::to_string(kWorldId) + " GRAVELON_NET_PORT_FILE='" +
                              (root_ / "port.txt").string() + "' GRAVELON_INPUT='" + (root_ / "input.txt").string() +
                              "' GRAVELON_REGISTRY='" + (p.folder / "registry.store").string() + "' GRAVELON_EVENT_LOG='" +
                              (p.folder / "events.txt").string() + "' ";
        for (const auto& [k, v] : p.env) command += k + "=" + v + " ";
        // The program itself takes the shell's process, so that the test can kill it; the test's own
        // time limit ends a run that hangs.
        command += "exec '" + (p.folder / "NetRaceTestProgram").string() + "' /NOCONFIG /WINDOW > '" +
                   (p.folder / "out.txt").string() + "' 2>&1";
        p.pid = fork();
        if (p.pid == 0) {
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    void Wait(Player& p) {
        int status = 0;
        waitpid(p.pid, &status, 0);
        p.pid = -1;
        p.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Waits (generously) until the player's output holds `text`.
    bool WaitForOutput(const Player& p, const std::string& text, int seconds = 600) {
        for (int i = 0; i < seconds * 10; ++i) {
            if (Output(p).find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    static std::string Output(const Player& p) {
        std::ifstream in(p.folder / "out.txt");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static std::vector<std::string> Events(const Player& p) {
        std::vector<std::string> lines;
        std::ifstream in(p.folder / "events.txt");
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    static bool EventsHave(const Player& p, const std::string& event) {
        for (const std::string& e : Events(p))
            if (e == event) return true;
        return false;
    }
    static std::string EventText(const Player& p) {
        std::string all;
        for (const std::string& e : Events(p)) all += e + ", ";
        return all;
    }

    // The racers a player saw at the end of the race: network player -> (kind, laps, distance moved).
    struct Seen {
        int kind = 0, laps = 0, moved = 0;
    };
    static std::map<int, Seen> RacersSeen(const Player& p) {
        std::map<int, Seen> seen;
        const std::string out = Output(p);
        const std::regex line(R"(net: racer \d kind (\d) player (\d) laps (\d+) finished \d moved (\d+))");
        for (std::sregex_iterator i(out.begin(), out.end(), line), end; i != end; ++i)
            seen[std::stoi((*i)[2])] = Seen{std::stoi((*i)[1]), std::stoi((*i)[3]), std::stoi((*i)[4])};
        return seen;
    }

    // Everything a player who raced to the end and went back to the game room leaves behind.
    void ExpectRacedToTheGameRoom(const Player& p) {
        const std::string out = Output(p);
        EXPECT_EQ(p.exitCode, 0) << p.name << "\n" << out;
        EXPECT_NE(out.find("net: run loop ended with 3"), std::string::npos) << p.name << "\n" << out;
        EXPECT_NE(out.find("net: race ended in phase 11"), std::string::npos) << p.name << "\n" << out;
        const std::vector<std::string> events = Events(p);
        const auto at = [&](const std::string& e) { return std::find(events.begin(), events.end(), e) - events.begin(); };
        EXPECT_LT(at("phase 3"), at("phase 8")) << EventText(p);
        EXPECT_LT(at("phase 8"), at("phase 11")) << EventText(p);
        EXPECT_LT(at("phase 11"), at("page 22")) << EventText(p);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back(), "page 13") << p.name << ": " << EventText(p);
    }

    fs::path root_;
    std::vector<Player> players_;
};

TEST_F(NetRaceProgram, TwoPlayersRaceALapAndMeetAgainInTheGameRoom) {
    AddPlayer("Hostess", true);
    AddPlayer("Guest", false);
    Start(players_[0], 2);
    Start(players_[1], 2);
    Wait(players_[0]);
    Wait(players_[1]);
    for (const Player& p : players_) {
        ExpectRacedToTheGameRoom(p);
        EXPECT_NE(Output(p).find("net: chat heard"), std::string::npos) << Output(p);
        EXPECT_NE(Output(p).find("net: race start 0 with 2 players"), std::string::npos) << Output(p);
    }
    // Each side saw the other's racer ride its lap: a remote racer (kind 4) for the other slot.
    const std::map<int, Seen> host = RacersSeen(players_[0]), guest = RacersSeen(players_[1]);
    ASSERT_EQ(host.count(1), 1u) << Output(players_[0]);
    ASSERT_EQ(guest.count(0), 1u) << Output(players_[1]);
    EXPECT_EQ(host.at(1).kind, 4);
    EXPECT_EQ(guest.at(0).kind, 4);
    EXPECT_EQ(host.at(0).kind, 1);
    EXPECT_EQ(guest.at(1).kind, 1);
    EXPECT_GE(host.at(1).laps, 1);
    EXPECT_GE(guest.at(0).laps, 1);
    EXPECT_GT(host.at(1).moved, 100);
    EXPECT_GT(guest.at(0).moved, 100);
}

TEST_F(NetRaceProgram, APlayerKilledMidRaceLeavesTheOthersRacing) {
    AddPlayer("Hostess", true);
    for (int i = 2; i <= 4; ++i) AddPlayer("Guest" + std::to_string(i), false);
    // One at a time, so that each guest takes the next slot.
    Start(players_[0], 4);
    for (size_t i = 1; i < players_.size(); ++i) {
        Start(players_[i], 4);
        ASSERT_TRUE(WaitForOutput(players_[i], "net: in slot " + std::to_string(i + 1))) << Output(players_[i]);
    }
    Player& victim = players_[2];
    for (int i = 0; i < 6000 && !EventsHave(victim, "phase 8"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(EventsHave(victim, "phase 8")) << EventText(victim);
    kill(victim.pid, SIGKILL);
    Wait(victim);
    for (size_t i = 0; i < players_.size(); ++i)
        if (i != 2) Wait(players_[i]);
    for (size_t i = 0; i < players_.size(); ++i) {
        if (i == 2) continue;
        ExpectRacedToTheGameRoom(players_[i]);
        EXPECT_NE(Output(players_[i]).find("race start 0 with 4 players"), std::string::npos) << Output(players_[i]);
        // The killed player's racer (slot 3, player 2) left every race.
        EXPECT_EQ(RacersSeen(players_[i]).count(2), 0u) << Output(players_[i]);
        EXPECT_EQ(RacersSeen(players_[i]).size(), 3u) << Output(players_[i]);
    }
}

TEST_F(NetRaceProgram, AGuestWithoutTheWorldLeavesAndTheHostRacesOn) {
    AddPlayer("Hostess", true);
    AddPlayer("Guest", false, false);
    Start(players_[0], 2);
    Start(players_[1], 2);
    Wait(players_[1]);
    Wait(players_[0]);
    const Player& guest = players_[1];
    EXPECT_EQ(guest.exitCode, 0) << Output(guest);
    EXPECT_NE(Output(guest).find("is not in the world list; leaving the game"), std::string::npos) << Output(guest);
    EXPECT_EQ(Output(guest).find("net: race start"), std::string::npos) << Output(guest);
    ASSERT_FALSE(Events(guest).empty());
    EXPECT_EQ(Events(guest).back(), "page 0") << EventText(guest);
    // The host does not wait for the guest who left: it races alone to the end.
    ExpectRacedToTheGameRoom(players_[0]);
}

TEST_F(NetRaceProgram, PlayersInSlotsWithAGapRaceTogether) {
    AddPlayer("Hostess", true);
    Player& leaver = AddPlayer("Guest2", false);
    leaver.env["GRAVELON_NET_LEAVE"] = "1";
    AddPlayer("Guest3", false);
    players_[0].env["GRAVELON_NET_START_WITH"] = "2";
    Start(players_[0], 3);
    Start(players_[1], 3);
    ASSERT_TRUE(WaitForOutput(players_[1], "net: in slot 2")) << Output(players_[1]);
    Start(players_[2], 3);
    for (Player& p : players_) Wait(p);
    EXPECT_EQ(players_[1].exitCode, 0) << Output(players_[1]);
    ExpectRacedToTheGameRoom(players_[0]);
    ExpectRacedToTheGameRoom(players_[2]);
    // Slots 1 and 3 in use: each side rides its own racer and the other's as a remote one.
    const std::map<int, Seen> host = RacersSeen(players_[0]), guest = RacersSeen(players_[2]);
    ASSERT_EQ(host.size(), 2u) << Output(players_[0]);
    ASSERT_EQ(guest.size(), 2u) << Output(players_[2]);
    EXPECT_EQ(host.at(2).kind, 4);
    EXPECT_EQ(guest.at(0).kind, 4);
    EXPECT_GE(host.at(2).laps, 1);
    EXPECT_GE(guest.at(0).laps, 1);
}

// A third player who sends bursts of forged, misdirected, local-only and mis-sized messages all
// through the race changes nothing for the other two: the host's phases run in order once each,
// the world and the racers stay, and both ride to the results and back to the game room.
TEST_F(NetRaceProgram, AHostilePeerChangesNothing) {
    AddPlayer("Hostess", true);
    AddPlayer("Guest", false);
    Player& hostile = AddPlayer("Mallory", false);
    hostile.env["GRAVELON_NET_HOSTILE"] = "1";
    Start(players_[0], 3);
    Start(players_[1], 3);
    ASSERT_TRUE(WaitForOutput(players_[1], "net: in slot 2")) << Output(players_[1]);
    Start(players_[2], 3);
    for (Player& p : players_) Wait(p);
    EXPECT_EQ(hostile.exitCode, 0) << Output(hostile);
    for (int i = 0; i < 2; ++i) {
        ExpectRacedToTheGameRoom(players_[i]);
        EXPECT_NE(Output(players_[i]).find("race start 0 with 3 players"), std::string::npos) << Output(players_[i]);
    }
    std::vector<std::string> phases;
    for (const std::string& e : Events(players_[0]))
        if (e.rfind("phase ", 0) == 0) phases.push_back(e);
    EXPECT_EQ(phases, (std::vector<std::string>{"phase 3", "phase 4", "phase 5", "phase 6", "phase 7", "phase 8",
                                                "phase 9", "phase 10", "phase 11"}))
        << EventText(players_[0]);
    // The host and the honest guest each rode their lap and saw the other ride it.
    const std::map<int, Seen> host = RacersSeen(players_[0]), guest = RacersSeen(players_[1]);
    ASSERT_EQ(host.count(1), 1u) << Output(players_[0]);
    ASSERT_EQ(guest.count(0), 1u) << Output(players_[1]);
    EXPECT_GE(host.at(0).laps, 1);
    EXPECT_GE(guest.at(1).laps, 1);
    EXPECT_GT(host.at(1).moved, 100);
    EXPECT_GT(guest.at(0).moved, 100);
}

}  // namespace
}  // namespace kes::testing
