// bikelab on the generated loop track: computer riders lapping it, a player's bike facing the wrong
// way, and every trick performed from the jump. The real program, run headless on a world file
// written under the build folder.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/world/aitrack/tests/LoopTrackWorld.h"

namespace tools {
namespace {

using Loop = kes::test::LoopTrack;

struct Row {
    double t;
    float x, y, z, speed;
    int riding, contact, laps, gate;
    float progress;
    int wrongWay, trick, trickTotal;
    float score;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<Row> ParseRows(const std::string& csv) {
    std::vector<Row> rows;
    std::istringstream in(csv);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        Row r{};
        if (std::sscanf(line.c_str(), "%lf,%f,%f,%f,%f,%d,%d,%d,%d,%f,%d,%d,%d,%f", &r.t, &r.x, &r.y, &r.z, &r.speed,
                        &r.riding, &r.contact, &r.laps, &r.gate, &r.progress, &r.wrongWay, &r.trick, &r.trickTotal,
                        &r.score) == 14)
            rows.push_back(r);
    }
    return rows;
}

// Where a rider stands in the race: laps, then the gate and the way toward it (the gate before the
// start/finish counts as the last).
float Stamp(const Row& r) {
    return 1000.0f * static_cast<float>(r.laps) + (r.gate == 0 ? 99.0f : static_cast<float>(r.gate)) + r.progress;
}

struct LabRun {
    int exitCode;
    std::string out, err;
};

class AiRiderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::vector<uint8_t> world = kes::test::LoopTrackWorld();
        std::ofstream out(WorldPath(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(world.data()), static_cast<std::streamsize>(world.size()));
    }
    static std::string Own(const std::string& name) {
        return std::string(GRAVELON_BINARY_DIR) + "/tests/" + name + "_" + std::to_string(::getpid());
    }
    static std::string WorldPath() { return Own("bikelab_loop_track") + ".wld"; }

    static LabRun Bikelab(const std::string& args, const std::string& tag) {
        const std::string out = Own("bikelab_" + tag) + ".out", err = Own("bikelab_" + tag) + ".err";
        const std::string cmd = std::string(GRAVELON_BINARY_DIR) + "/bin/bikelab " + args + " > " + out + " 2> " + err;
        const int status = std::system(cmd.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
    }

    static LabRun Script(const std::string& body, const std::string& tag) {
        const std::string path = Own("bikelab_" + tag) + ".txt";
        std::ofstream(path) << "world " << WorldPath() << "\n" << body;
        return Bikelab(path + " --every 2 --route", tag);
    }
};

TEST_F(AiRiderTest, OneComputerRiderLapsThreeTimesWithRisingProgress) {
    const LabRun run = Bikelab("--riders 1 " + WorldPath() + " --seconds 300 --trace 1", "one_rider");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("rider 0: laps 3,"), std::string::npos) << run.err;
    const std::vector<Row> rows = ParseRows(run.out);
    ASSERT_GT(rows.size(), 1000u);
    EXPECT_EQ(rows.back().laps, 3);

    // Started just past the start/finish gate: heading for gate 1, no lap, a little of the way.
    EXPECT_EQ(rows.front().laps, 0);
    EXPECT_EQ(rows.front().gate, 1);
    EXPECT_LT(std::fabs(rows.front().progress), 0.1f);

    kes::Vec3 gates[Loop::kGates], heading;
    for (int k = 0; k < Loop::kGates; ++k)
        Loop::At(Loop::kStartS + Loop::Length() * static_cast<float>(k) / Loop::kGates, &gates[k], &heading);
    int checked = 0, lapChanges = 0;
    for (size_t i = 1; i < rows.size(); ++i) {
        const Row& a = rows[i - 1];
        const Row& b = rows[i];
        if (a.riding && b.riding) {
            // Rises step by step (a rider may fall back a little on a wide line, never a gate).
            EXPECT_GE(Stamp(b), Stamp(a) - 0.05f) << "at " << b.t;
        }
        if (b.laps != a.laps) {
            ++lapChanges;
            EXPECT_EQ(b.laps, a.laps + 1);
            EXPECT_EQ(a.gate, 0) << "a lap is counted only at the start/finish gate";
            EXPECT_EQ(b.gate, 1);
        }
        // The progress toward gate k is the way from gate k - 1 along the line between the two.
        if (b.riding && b.gate >= 1 && b.progress > 0.05f && b.progress < 0.95f) {
            const kes::Vec3& from = gates[b.gate - 1];
            const kes::Vec3& to = gates[b.gate];
            const float ux = to.x - from.x, uy = to.y - from.y;
            const float expected = ((b.x - from.x) * ux + (b.y - from.y) * uy) / (ux * ux + uy * uy);
            EXPECT_NEAR(b.progress, expected, 0.02f) << "at " << b.t;
            ++checked;
        }
    }
    EXPECT_EQ(lapChanges, 3);
    EXPECT_GT(checked, 1000);
}

TEST_F(AiRiderTest, EightRidersFinishOnTheTrackTheSameWayTwice) {
    const LabRun first = Bikelab("--riders 8 " + WorldPath() + " --seconds 400", "eight_first");
    const LabRun second = Bikelab("--riders 8 " + WorldPath() + " --seconds 400", "eight_second");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.err, second.err) << "the same run twice: the same lap times and trajectory hash";
    std::istringstream lines(first.err);
    std::string line;
    int riders = 0;
    while (std::getline(lines, line)) {
        unsigned index = 0, laps = 0;
        if (std::sscanf(line.c_str(), "rider %u: laps %u,", &index, &laps) != 2) continue;
        ++riders;
        EXPECT_EQ(laps, 3u) << line;
        const size_t off = line.find("longest off track ");
        ASSERT_NE(off, std::string::npos);
        // Never off the track longer than it takes to put a fallen rider back (3001 ms), with a
        // frame to spare.
        EXPECT_LE(std::atof(line.c_str() + off + 18), 3.02) << line;
    }
    EXPECT_EQ(riders, 8);
    EXPECT_NE(first.err.find("hash "), std::string::npos);
}

TEST_F(AiRiderTest, ABikeRiddenBackwardsFacesTheWrongWay) {
    // The first straight runs toward +x: heading 90 faces -x, heading -90 faces +x.
    for (const int heading : {90, -90}) {
        SCOPED_TRACE(heading);
        const LabRun run = Script("start 700 500 3 " + std::to_string(heading) + "\nend 3\nat 0 throttle\n",
                               "wrong_way_" + std::to_string(heading + 90));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<Row> rows = ParseRows(run.out);
        ASSERT_FALSE(rows.empty());
        for (const Row& r : rows) {
            if (r.t > 0.2) {
                EXPECT_EQ(r.wrongWay, heading == 90 ? 1 : 0) << "at " << r.t;
            }
        }
    }
}

// A combo on its table, pressed from just before the jump's lip (button, release, button ...).
std::string ComboScript(int table, const std::vector<int>& codes, int animMs) {
    std::ostringstream s;
    s << "start 700 500 3 -90\nend 6\nanim " << animMs << "\nat 0 throttle\nat 3.05 throttle combo=" << table << "\n";
    double t = 3.10;
    for (int code : codes) {
        s << "at " << t << " throttle buttons=" << code << "\nat " << t + 0.05 << " throttle\n";
        t += 0.10;
    }
    return s.str();
}

struct TrickCase {
    int trick, table;
    std::vector<int> codes;
    int animation;
    bool balance;
};

const TrickCase kTricks[] = {
    {1, 1, {4, 1}, 1, true},         {2, 1, {2, 1}, 2, true},         {3, 2, {1, 8}, 3, true},
    {4, 0, {2, 2}, 4, false},        {5, 2, {1, 1}, 5, true},         {6, 2, {1, 2}, 6, true},
    {7, 2, {2, 2}, 7, true},         {8, 0, {1, 2}, 8, false},        {9, 0, {1, 1}, 9, false},
    {10, 1, {4, 4}, 10, true},       {11, 0, {1, 4}, 11, false},      {12, 0, {1, 8}, 12, false},
    {13, 2, {2, 1}, 15, true},       {14, 2, {4, 2}, 19, true},       {15, 2, {4, 1, 8}, 24, true},
    {16, 2, {4, 8, 2}, 25, true},    {17, 2, {8, 4, 1}, 26, true},    {18, 2, {2, 8}, 27, true},
    {19, 1, {8, 8}, 29, true},       {20, 2, {8, 1, 2}, 32, true},    {21, 1, {2, 2}, 33, true},
    {22, 1, {2, 4}, 34, true},       {23, 2, {8, 2, 1}, 35, true},    {24, 1, {2, 8}, 36, true},
};

TEST_F(AiRiderTest, EveryTrickFromTheJumpScoresOnLanding) {
    for (const TrickCase& c : kTricks) {
        SCOPED_TRACE("trick " + std::to_string(c.trick));
        const LabRun run = Script(ComboScript(c.table, c.codes, 500), "trick_" + std::to_string(c.trick));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<Row> rows = ParseRows(run.out);
        ASSERT_FALSE(rows.empty());
        bool played = false, inAir = false;
        for (const Row& r : rows) {
            if (r.trick == c.animation) {
                played = true;
                if (r.contact == 0) inAir = true;
            }
            EXPECT_TRUE(r.trick == 0 || r.trick == c.animation) << "at " << r.t;
        }
        EXPECT_TRUE(played);
        EXPECT_TRUE(inAir);
        EXPECT_EQ(rows.back().riding, 1);
        // A flat jump turns nothing: the trick's points alone, 10 for a trick that is not scored by
        // the balance game.
        if (c.balance) {
            EXPECT_GT(rows.back().score, 0.0f);
        } else {
            EXPECT_EQ(rows.back().score, 10.0f);
        }
        EXPECT_EQ(rows.back().score, static_cast<float>(rows.back().trickTotal));
    }
}

TEST_F(AiRiderTest, AnAirTrickStillRunningOnLandingCrashesAndOneAskedOnTheGroundNeverStarts) {
    const LabRun late = Script(ComboScript(1, {4, 1}, 3000), "trick_late");
    ASSERT_EQ(late.exitCode, 0) << late.err;
    const std::vector<Row> rows = ParseRows(late.out);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back().riding, 0);
    EXPECT_EQ(rows.back().score, 0.0f);

    const LabRun ground = Script("start 700 500 3 -90\nend 3\nat 0 throttle\nat 1.0 throttle combo=1\n"
                              "at 1.1 throttle buttons=4\nat 1.15 throttle\nat 1.2 throttle buttons=1\nat 1.25 throttle\n",
                              "trick_ground");
    ASSERT_EQ(ground.exitCode, 0) << ground.err;
    for (const Row& r : ParseRows(ground.out)) {
        EXPECT_EQ(r.trick, 0);
        EXPECT_EQ(r.riding, 1);
    }
}

}  // namespace
}  // namespace tools
