// racelab, the real program, racing on the generated world headless: computer racers finish their
// laps, the same inputs give the same hashes (with and without sound), a local racer follows its
// input script, and a scripted sequence of frame times keeps everything finite.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "tools/racelab/RaceRun.h"
#include "tools/racelab/RaceWorld.h"
#include "tools/racelab/tests/RacelabRun.h"

namespace tools {
namespace {

using test::FinalHash;
using test::LabRun;
using test::Racelab;

std::string Own(const std::string& name) { return test::OwnPath("racelab_", name); }

int CountMatches(const std::string& out, const std::string& pattern) {
    std::regex re(pattern);
    return static_cast<int>(std::distance(std::sregex_iterator(out.begin(), out.end(), re), std::sregex_iterator()));
}

class RacelabTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        world_ = Own("world") + ".wld";
        ASSERT_TRUE(SaveRaceWorld(world_));
    }
    static void TearDownTestSuite() { std::remove(world_.c_str()); }
    static inline std::string world_;
};

TEST_F(RacelabTest, EightComputerRacersFinishThreeLapsTheSameWayEveryTime) {
    const LabRun a = Racelab(world_ + " --computers 8 --laps 3");
    ASSERT_EQ(a.exitCode, 0) << a.out;
    EXPECT_EQ(CountMatches(a.out, "racer [0-7] computer laps=3 "), 8) << a.out;
    EXPECT_NE(a.out.find("finite=1 finished=1 camera_above_ground=1"), std::string::npos) << a.out;
    EXPECT_GT(CountMatches(a.out, "\nt=[0-9]+ hash="), 60);
    const LabRun b = Racelab(world_ + " --computers 8 --laps 3");
    const LabRun sound = Racelab(world_ + " --computers 8 --laps 3 --sound");
    ASSERT_FALSE(FinalHash(a.out).empty());
    EXPECT_EQ(FinalHash(a.out), FinalHash(b.out));
    EXPECT_EQ(FinalHash(a.out), FinalHash(sound.out));
    EXPECT_EQ(a.out, sound.out);  // every per-second hash and lap time alike
}

TEST_F(RacelabTest, ScriptedFrameTimesStayFiniteAndRepeat) {
    const std::string args = world_ + " --computers 4 --laps 1 --max-seconds 120";
    const LabRun a = Racelab(args, "GRAVELON_FRAME_MS=7,16,25,202");
    const LabRun b = Racelab(args + " --frames 7,16,25,202", "");
    EXPECT_TRUE(a.exitCode == 0 || a.exitCode == 3) << a.out;
    EXPECT_NE(a.out.find("finite=1"), std::string::npos) << a.out;
    EXPECT_EQ(FinalHash(a.out), FinalHash(b.out));
    // Another cut of the same time plays out differently (the steps fall elsewhere).
    const LabRun c = Racelab(args, "GRAVELON_FRAME_MS=10");
    EXPECT_NE(FinalHash(a.out), FinalHash(c.out));
}

TEST_F(RacelabTest, LocalRacerFollowsItsInputScript) {
    const std::string script = Own("input") + ".txt";
    {
        std::ofstream s(script);
        s << "# full throttle from the start, never a turn\n1 key 30 down\n";
    }
    const std::string args = world_ + " --computers 2 --local --laps 1 --max-seconds 20 --input " + script;
    const LabRun a = Racelab(args);
    const LabRun b = Racelab(args);
    std::remove(script.c_str());
    EXPECT_EQ(a.exitCode, 3) << a.out;  // nobody finishes a lap in 20 s
    EXPECT_NE(a.out.find("racer 0 local"), std::string::npos) << a.out;
    EXPECT_EQ(FinalHash(a.out), FinalHash(b.out));
    // Without throttle the local bike stays at the start: the hashes differ from the scripted run.
    const LabRun idle = Racelab(world_ + " --computers 2 --local --laps 1 --max-seconds 20");
    EXPECT_NE(FinalHash(a.out), FinalHash(idle.out));
}

// The race drawn through the display device: the chase camera behind the first racer on the start
// straight looks down the track, so the lower middle of the frame is the lit green ground and the
// near plane never cut into it. The picture stays under the build folder for a person to look at.
TEST_F(RacelabTest, DrawnRaceShowsTheGroundInFrontOfTheCamera) {
    const std::string shot = std::string(GRAVELON_BINARY_DIR) + "/tests/racelab_race.ppm";
    const LabRun a = Racelab(world_ + " --computers 2 --laps 1 --max-seconds 3 --render real --shot " + shot);
    ASSERT_EQ(a.exitCode, 3) << a.out;
    EXPECT_NE(a.out.find("camera_above_ground=1"), std::string::npos) << a.out;
    std::ifstream in(shot, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, depth = 0;
    in >> magic >> w >> h >> depth;
    in.get();
    ASSERT_EQ(magic, "P6");
    ASSERT_EQ(w, static_cast<int>(kRaceShotWidth));
    ASSERT_EQ(h, static_cast<int>(kRaceShotHeight));
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    ASSERT_TRUE(in);
    // Mean colour of the lower middle band (rows 75-95 % of the height, the middle half of the width).
    long r = 0, g = 0, b = 0, n = 0;
    for (int y = h * 3 / 4; y < h * 95 / 100; ++y)
        for (int x = w / 4; x < w * 3 / 4; ++x, ++n) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            r += p[0], g += p[1], b += p[2];
        }
    EXPECT_GT(g / n, 40) << r / n << " " << g / n << " " << b / n;
    EXPECT_GT(g / n, r / n) << r / n << " " << g / n << " " << b / n;
    EXPECT_GT(g / n, b / n) << r / n << " " << g / n << " " << b / n;
}

TEST_F(RacelabTest, BadArgumentsAndMissingFilesAreRefused) {
    EXPECT_EQ(Racelab("").exitCode, 1);
    EXPECT_EQ(Racelab(Own("missing") + ".wld").exitCode, 1);
    EXPECT_EQ(Racelab(world_ + " --frames 0,10").exitCode, 1);
    EXPECT_EQ(Racelab(world_ + " --local --input " + Own("nothere")).exitCode, 1);
    EXPECT_EQ(Racelab(world_ + " --render paper").exitCode, 1);
    EXPECT_EQ(Racelab(world_ + " --max-seconds 1 --shot " + Own("noshot") + ".ppm").exitCode, 1);  // no device
}

}  // namespace
}  // namespace tools
