#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/bikelab/BikeRun.h"
#include "tools/bikelab/BikeScript.h"

namespace tools {
namespace {

TEST(BikeScriptParser, ReadsEveryCommand) {
    const char* text =
        "# a comment\n"
        "ground ramp 20 6 15\n"
        "bike 1 0.25 1.5   # trailing comment\n"
        "assist 2\n"
        "start 1 2 3 90\n"
        "end 4.5\n"
        "anim 450\n"
        "at 0 throttle\n"
        "at 1.5 brake left hop steer=-0.5 combo=2 buttons=9\r\n"
        "at 2 none";
    BikeScript s;
    std::string error;
    ASSERT_TRUE(ParseBikeScript(text, &s, &error)) << error;
    EXPECT_EQ(s.ground.kind, GroundKind::Ramp);
    EXPECT_EQ(s.ground.b, 6.0f);
    EXPECT_EQ(s.params.topSpeedFactor, 1.0f);
    EXPECT_EQ(s.params.engineClass, 0.25f);
    EXPECT_EQ(s.params.airControl, 1.5f);
    EXPECT_EQ(s.params.landingAssist, 2u);
    EXPECT_EQ(s.start.z, 3.0f);
    EXPECT_EQ(s.headingDegrees, 90.0f);
    EXPECT_EQ(s.end, 4.5);
    ASSERT_EQ(s.phases.size(), 3u);
    EXPECT_EQ(s.phases[0].bytes[kes::kControlThrottle], 1);
    EXPECT_EQ(s.phases[1].bytes[kes::kControlBrake], 1);
    EXPECT_EQ(s.phases[1].bytes[kes::kControlLeft], 1);
    EXPECT_EQ(s.phases[1].bytes[kes::kControlHop], 1);
    EXPECT_TRUE(s.phases[1].analog[0]);
    EXPECT_EQ(s.phases[1].levels[0], -0.5f);
    EXPECT_EQ(s.phases[2].bytes[kes::kControlThrottle], 0);
    EXPECT_EQ(s.animMs, 450u);
    EXPECT_EQ(s.phases[0].combo, -1);
    EXPECT_EQ(s.phases[1].combo, 2);
    EXPECT_EQ(s.phases[1].buttons, 9u);
}

TEST(BikeScriptParser, RejectsDamagedLinesWithTheirLineNumber) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"ground wobble\n", "line 1: unknown ground"},
        {"\n\nground ramp 1 2\n", "line 3: unknown ground"},
        {"ground ramp 0 5 0\n", "line 1: ramp needs"},
        {"ground slope nan\n", "line 1: bad grade"},
        {"ground slope 1e39\n", "line 1: bad grade"},
        {"ground random -4\n", "line 1: bad seed"},
        {"bike 3 0.5\n", "line 1: bad bike value"},
        {"bike -1 0.5\n", "line 1: bike values must not be negative"},
        {"start 1 2\n", "line 1: start needs"},
        {"start 1 2 inf\n", "line 1: bad start value"},
        {"end 4000\n", "line 1: end needs"},
        {"at -1 throttle\n", "line 1: at needs"},
        {"at 2 throttle\nat 1 brake\n", "line 2: time goes back"},
        {"at 0 throtle\n", "line 1: unknown control 'throtle'"},
        {"at 0 steer=2\n", "line 1: analog level"},
        {"at 0 steer=\n", "line 1: analog level"},
        {"fly 1\n", "line 1: unknown command 'fly'"},
        {"at 0 combo=3\n", "line 1: combo table"},
        {"at 0 buttons=16\n", "line 1: trick buttons"},
        {"anim 0\n", "line 1: anim needs"},
        {"at 1x\n", "line 1: at needs"},
        {"assist 3\n", "line 1: assist needs 0, 1 or 2"},
        {"assist\n", "line 1: assist needs 0, 1 or 2"},
    };
    for (const Case& c : cases) {
        BikeScript s;
        std::string error;
        EXPECT_FALSE(ParseBikeScript(c.text, &s, &error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << " gave " << error;
    }
}

TEST(BikeRunner, SameScriptGivesByteIdenticalTrajectories) {
    BikeScript s;
    std::string error;
    ASSERT_TRUE(ParseBikeScript("ground random 9 12\nend 6\nat 0 throttle\nat 2 throttle left\nat 3 brake right\n"
                                "at 4 throttle hop\n",
                                &s, &error))
        << error;
    const RunResult a = RunBikeScript(s);
    const RunResult b = RunBikeScript(s);
    ASSERT_TRUE(a.finite);
    EXPECT_EQ(a.steps, 1320u);  // 6 s at 1.1 units per ms, one step per 5.0
    EXPECT_EQ(TrajectoryCsv(a.rows), TrajectoryCsv(b.rows));
    EXPECT_EQ(a.rows.size(), 600u);
}

// The program itself: its CSV on standard output is the same on every run.
TEST(BikelabProgram, PrintsTheSameCsvTwice) {
    const std::string dir = GRAVELON_BINARY_DIR;
    const std::string script = dir + "/tests/bikelab_program_test.txt";
    {
        std::ofstream out(script);
        out << "ground ramp 60 6 20\nend 4\nat 0 throttle\n";
    }
    auto run = [&](const std::string& outPath) {
        const std::string cmd = dir + "/bin/bikelab " + script + " --every 10 > " + outPath;
        return std::system(cmd.c_str());
    };
    ASSERT_EQ(run(dir + "/tests/bikelab_a.csv"), 0);
    ASSERT_EQ(run(dir + "/tests/bikelab_b.csv"), 0);
    auto slurp = [](const std::string& path) {
        std::ifstream in(path);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    };
    const std::string a = slurp(dir + "/tests/bikelab_a.csv");
    EXPECT_EQ(a, slurp(dir + "/tests/bikelab_b.csv"));
    EXPECT_EQ(a.rfind("time,x,y,z,speed,riding,contact\n", 0), 0u);
    // 40 rows of data; the bike left the ground over the ramp (a row with contact 0 while riding).
    EXPECT_NE(a.find(",1,0\n"), std::string::npos);
    const std::string bad = dir + "/tests/bikelab_bad.txt";
    {
        std::ofstream out(bad);
        out << "ground nowhere\n";
    }
    EXPECT_NE(std::system((dir + "/bin/bikelab " + bad + " > /dev/null 2>&1").c_str()), 0);
}

struct CsvRow {
    double time;
    int riding, contact;
};

// Runs the bikelab program on a script and reads its rows (time, riding, contact).
std::vector<CsvRow> RunBikelab(const std::string& name, const std::string& text, const std::string& options = "") {
    const std::string dir = GRAVELON_BINARY_DIR;
    const std::string script = dir + "/tests/" + name + ".txt";
    const std::string csv = dir + "/tests/" + name + ".csv";
    std::ofstream(script) << text;
    EXPECT_EQ(std::system((dir + "/bin/bikelab " + script + " " + options + " > " + csv).c_str()), 0) << text;
    std::ifstream in(csv);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "time,x,y,z,speed,riding,contact");
    std::vector<CsvRow> rows;
    while (std::getline(in, line)) {
        CsvRow r{};
        float x, y, z, speed;
        EXPECT_EQ(std::sscanf(line.c_str(), "%lf,%f,%f,%f,%f,%d,%d", &r.time, &x, &y, &z, &speed, &r.riding, &r.contact), 7)
            << line;
        rows.push_back(r);
    }
    return rows;
}

// Over rolling ground with steering held, the bike leaves the ground at crests. Without the landing
// assist it lands on its side within a second of a landing; with it, it lands riding every time and
// rides on to the end.
TEST(BikelabProgram, LandingAssistLandsACrestRiding) {
    const struct {
        int seed, amplitude, heading;
    } scenes[] = {{2, 10, 45}, {2, 20, 45}, {5, 20, 0}, {6, 20, 45}};
    for (const auto& scene : scenes) {
        const std::string where = "seed " + std::to_string(scene.seed) + " amplitude " +
                                  std::to_string(scene.amplitude) + " heading " + std::to_string(scene.heading);
        auto script = [&](int assist) {
            return "ground random " + std::to_string(scene.seed) + " " + std::to_string(scene.amplitude) +
                   "\nbike 1 0.8\nassist " + std::to_string(assist) + "\nstart 0 0 3 " +
                   std::to_string(scene.heading) + "\nend 8\nat 0 throttle\nat 1 throttle left\n";
        };
        const std::vector<CsvRow> off = RunBikelab("assist_off", script(0));
        double lastAir = -1.0, fall = -1.0;
        for (const CsvRow& r : off) {
            if (r.riding && r.contact == 0) lastAir = r.time;
            if (!r.riding) {
                fall = r.time;
                break;
            }
        }
        ASSERT_GE(fall, 0.0) << where << ": without the assist the bike should fall";
        ASSERT_GE(lastAir, 0.0) << where;
        EXPECT_LE(fall - lastAir, 1.0) << where << ": the fall follows a landing";

        const std::vector<CsvRow> on = RunBikelab("assist_on", script(1));
        ASSERT_EQ(on.size(), 800u) << where;
        int airborne = 0, landings = 0;
        for (size_t i = 0; i < on.size(); ++i) {
            EXPECT_EQ(on[i].riding, 1) << where << " at " << on[i].time;
            if (on[i].contact == 0) ++airborne;
            if (i > 0 && on[i - 1].contact == 0 && on[i].contact != 0) ++landings;
        }
        EXPECT_GT(airborne, 10) << where << ": the crests were jumped";
        EXPECT_GT(landings, 0) << where;
    }
}

// One row per frame (or per N frames), each time once, ending at the script's end.
TEST(BikelabProgram, EveryRowTimeOnceAndInOrder) {
    for (const char* every : {"", "--every 1", "--every 7", "--every 10"}) {
        const std::vector<CsvRow> rows =
            RunBikelab("rows", "ground ramp 20 6 15\nend 2.4\nat 0 throttle\nat 1.2 throttle back airleft\n", every);
        ASSERT_FALSE(rows.empty()) << every;
        for (size_t i = 1; i < rows.size(); ++i) EXPECT_GT(rows[i].time, rows[i - 1].time) << every << " row " << i;
        const int n = *every ? std::atoi(every + 8) : 1;
        EXPECT_EQ(rows.size(), static_cast<size_t>(240 / n)) << every;
    }
}

}  // namespace
}  // namespace tools
