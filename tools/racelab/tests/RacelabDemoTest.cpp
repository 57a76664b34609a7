// racelab recording a demo of a scripted local racer and playing it back: the same 20 s give the same
// demo bytes, the playback passes through exactly the recorded key-frame poses, recording leaves the
// race itself untouched, and damaged demos are refused with a message.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "tools/racelab/RaceWorld.h"
#include "tools/racelab/tests/RacelabRun.h"

namespace tools {
namespace {

using test::FinalHash;
using test::LabRun;
using test::Racelab;

std::string Own(const std::string& name) { return test::OwnPath("racelab_demo_", name); }

std::vector<char> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<char>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// "demo keyframes=N poses=H", or empty.
std::string DemoLine(const std::string& out) {
    std::smatch m;
    return std::regex_search(out, m, std::regex("\ndemo keyframes=[0-9]+ poses=[0-9a-f]{16}\n")) ? m[0].str() : "";
}

class RacelabDemoTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        world_ = Own("world") + ".wld";
        ASSERT_TRUE(SaveRaceWorld(world_));
        script_ = Own("input") + ".txt";
        std::ofstream s(script_);
        // Throttle, a right turn, a left turn and a hop: the controls change several times.
        s << "1 key 30 down\n300 key 205 down\n420 key 205 up\n700 key 203 down\n800 key 203 up\n"
             "1200 key 57 down\n1210 key 57 up\n";
    }
    static void TearDownTestSuite() {
        std::remove(world_.c_str());
        std::remove(script_.c_str());
    }
    static std::string Drive() { return world_ + " --computers 2 --local --laps 1 --max-seconds 20 --seed 5 --input " + script_; }
    static constexpr const char* kEnv = "GRAVELON_FRAME_MS=10 GRAVELON_SEED=5";
    static inline std::string world_, script_;
};

TEST_F(RacelabDemoTest, TwentySecondsRecordTheSameDemoTwiceAndPlayBackThroughTheRecordedPoses) {
    const std::string a = Own("a") + ".dem", b = Own("b") + ".dem";
    const LabRun first = Racelab(Drive() + " --record-demo " + a, kEnv);
    const LabRun second = Racelab(Drive() + " --record-demo " + b, kEnv);
    EXPECT_EQ(first.exitCode, 3) << first.out;  // nobody finishes a lap in 20 s
    const std::vector<char> bytes = ReadFile(a);
    ASSERT_GT(bytes.size(), 24u + 279u);
    EXPECT_EQ(bytes, ReadFile(b));
    const std::string recorded = DemoLine(first.out);
    ASSERT_FALSE(recorded.empty()) << first.out;
    EXPECT_NE(recorded.find("keyframes=176 "), std::string::npos) << recorded;  // 20 s x 220 steps / 25

    // Recording changes nothing of the race: the report is the one without it, plus the demo line.
    const LabRun plain = Racelab(Drive(), kEnv);
    std::string withoutDemo = first.out;
    withoutDemo.erase(withoutDemo.find(recorded) + 1);
    EXPECT_EQ(withoutDemo, plain.out);

    const std::string play = world_ + " --computers 2 --laps 1 --max-seconds 60 --play-demo " + a;
    const LabRun played = Racelab(play, kEnv);
    EXPECT_EQ(played.exitCode, 0) << played.out;
    EXPECT_NE(played.out.find("racer 0 replay"), std::string::npos) << played.out;
    EXPECT_EQ(DemoLine(played.out), recorded) << played.out;
    EXPECT_EQ(FinalHash(played.out), FinalHash(Racelab(play, kEnv).out));
    std::remove(a.c_str());
    std::remove(b.c_str());
}

TEST_F(RacelabDemoTest, DamagedDemosAreRefusedWithAMessage) {
    const std::string good = Own("good") + ".dem";
    ASSERT_EQ(Racelab(world_ + " --computers 0 --local --laps 1 --max-seconds 2 --record-demo " + good).exitCode, 3);
    const std::vector<char> bytes = ReadFile(good);
    ASSERT_GT(bytes.size(), 400u);
    struct Case {
        const char* name;
        std::vector<char> bytes;
        const char* message;
    };
    std::vector<char> truncated(bytes.begin(), bytes.end() - 3);
    std::vector<char> otherWorld = bytes;
    otherWorld[4] ^= 1;  // the header's world identifier
    std::vector<char> oversized = bytes;
    oversized.resize(24 + 1024 * 1024 + 1, 0);
    std::vector<char> badRecord = bytes;
    badRecord[24 + 279] = 5;
    const Case cases[] = {{"truncated", truncated, "truncated"},
                          {"other world", otherWorld, "demo of another world"},
                          {"oversized", oversized, "larger than the replay buffer"},
                          {"bad record", badRecord, "unknown record type"}};
    const std::string bad = Own("bad") + ".dem";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(bad, c.bytes);
        const LabRun r = Racelab(world_ + " --computers 1 --laps 1 --play-demo " + bad);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.out.find(std::string("racelab: demo ") + bad + " refused: " + c.message), std::string::npos) << r.out;
    }
    const LabRun missing = Racelab(world_ + " --play-demo " + Own("missing") + ".dem");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.out.find("cannot be opened"), std::string::npos) << missing.out;
    // A recording needs the local racer, and a playback cannot have one.
    EXPECT_EQ(Racelab(world_ + " --record-demo " + bad).exitCode, 1);
    EXPECT_EQ(Racelab(world_ + " --local --play-demo " + good).exitCode, 1);
    std::remove(good.c_str());
    std::remove(bad.c_str());
}

}  // namespace
}  // namespace tools
