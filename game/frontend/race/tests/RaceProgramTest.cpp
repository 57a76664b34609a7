// One race run by the real program, headless, from the loading to the way out: the phases in the
// event log, computer riders through their lap, the result rows, and a screen grab while racing
// checked by region.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "game/app/loop/tests/ScreenGrab.h"
#include "game/frontend/worlds/tests/WorldFiles.h"
#include "tools/contentgen/tests/DefaultContent.h"
#include "tools/contentgen/ContentGen.h"
#include "tools/packtool/PackWriter.h"
#include "tools/racelab/RaceWorld.h"

namespace kes {
namespace {

namespace fs = std::filesystem;

using Grab = testing::ScreenGrab;

// The generated world's grass.
bool Grass(const std::array<int, 3>& c) { return c[1] > c[0] + 20 && c[1] > c[2] + 40 && c[1] > 100; }

class RaceProgram : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path(::testing::TempDir()) / ("race_program_" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "Tracks");
        std::string error;
        ASSERT_TRUE(tools::test::CopyDefaultDataPack(folder_ / "Kestrun.dat", &error)) << error;
        ASSERT_TRUE(tools::WritePack((folder_ / "Tracks.dat").string(),
                                     {{"One.wld", kes::testing::SimpleWorld(1, 0, "Un"), false}}, &error))
            << error;
        ASSERT_TRUE(tools::SaveRaceWorld((folder_ / "Race.wld").string()));
        fs::copy_file(fs::path(GRAVELON_BINARY_DIR) / "bin" / "RaceTestProgram", folder_ / "RaceTestProgram");
    }
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(folder_);
    }

    int Run(const std::string& script, const std::string& world, const std::string& extra, std::string* output) {
        std::ofstream(folder_ / "input.txt") << script;
        const std::string command =
            "GRAVELON_QUIT_AFTER_FRAMES=1500 GRAVELON_FRAME_MS=100 GRAVELON_SEED=5 GRAVELON_HEADLESS=1 "
            "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null GRAVELON_TEST_LAPS=1 " + extra +
            " GRAVELON_TEST_WORLD='" + world + "' GRAVELON_INPUT='" + (folder_ / "input.txt").string() +
            "' GRAVELON_REGISTRY='" + (folder_ / "registry.store").string() + "' GRAVELON_EVENT_LOG='" +
            (folder_ / "events.txt").string() + "' '" + (folder_ / "RaceTestProgram").string() + "' /NOCONFIG /WINDOW > '" +
            (folder_ / "out.txt").string() + "' 2>&1";
        const int status = std::system(command.c_str());
        std::ifstream log(folder_ / "out.txt");
        output->assign(std::istreambuf_iterator<char>(log), {});
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // The phases of the event log, in order.
    std::string Events() const {
        std::ifstream in(folder_ / "events.txt");
        std::string all, line;
        while (std::getline(in, line))
            if (line.rfind("phase ", 0) == 0) all += line + ";";
        return all;
    }
    fs::path folder_;
};

// Space ends the intro, F12 grabs the screen during the countdown and a few seconds into the race, Esc leaves once all is
// done (the computer riders' lap takes under 50 s of the 70).
constexpr const char* kScript = R"(10 key SPACE down
11 key SPACE up
45 key F12 down
46 key F12 up
100 key F12 down
101 key F12 up
700 key ESC down
701 key ESC up
)";

TEST_F(RaceProgram, OneRaceFromTheIntroToTheWayOut) {
    std::string out;
    ASSERT_EQ(Run(kScript, (folder_ / "Race.wld").string(), "", &out), 0) << out;
    EXPECT_NE(out.find("race: start 0\n"), std::string::npos) << out;
    EXPECT_NE(out.find("race: loop ended with 3 in phase 11\n"), std::string::npos) << out;
    EXPECT_EQ(Events(), "phase 1;phase 3;phase 4;phase 5;phase 6;phase 7;phase 8;phase 9;phase 10;phase 11;");

    // The three computer riders rode their lap; the first through is in first place.
    const std::regex racer(R"(race: racer (\d) kind (\d) laps (\d+) finished (\d) place (\d))");
    int computers = 0, finishers = 0;
    for (std::sregex_iterator i(out.begin(), out.end(), racer), end; i != end; ++i) {
        const std::smatch& m = *i;
        if (m[2] == "2") {
            ++computers;
            EXPECT_GE(std::stoi(m[3]), 1) << m[0];
        }
        if (m[4] == "1") {
            ++finishers;
            EXPECT_EQ(m[5], "1") << m[0];
        }
    }
    EXPECT_EQ(computers, 3);
    EXPECT_EQ(finishers, 1);

    // A row per racer slot: four racers with places 1-4, the empty slots' rows untouched.
    const std::regex row(R"(race: row (\d) place (\d) best (\d+) score (\d+))");
    std::vector<int> places;
    for (std::sregex_iterator i(out.begin(), out.end(), row), end; i != end; ++i) {
        const int slot = std::stoi((*i)[1]), place = std::stoi((*i)[2]);
        if (slot < 4) {
            places.push_back(place);
        } else {
            EXPECT_EQ(place, 0) << (*i)[0];
        }
        if (place == 1) {
            EXPECT_GT(std::stoi((*i)[3]), 20000) << "the winner's lap time";
        }
    }
    ASSERT_EQ(places.size(), 4u);
    for (int p : places) {
        EXPECT_GE(p, 1);
        EXPECT_LE(p, 4);
    }
    EXPECT_NE(out.find("race: callbacks cleared 1"), std::string::npos);

    // The grab while racing, kept in the build folder to look at: grass under the horizon, the
    // local rider in the middle in front of the camera, black sky (the world has none).
    Grab countdown;
    ASSERT_TRUE(countdown.Load(folder_ / "Grabs" / "PIC0000.BMP"));
    fs::copy_file(folder_ / "Grabs" / "PIC0000.BMP", fs::path(GRAVELON_BINARY_DIR) / "tests" / "race_program_countdown.bmp",
                  fs::copy_options::overwrite_existing);
    const auto yellow = [](const auto& c) { return c[0] > 200 && c[1] > 170 && c[2] < 90; };
    EXPECT_GT(countdown.Count(240, 180, 400, 300, yellow), 1500) << "the countdown's digit in the middle";
    EXPECT_EQ(countdown.Count(0, 330, 640, 480, yellow), 0) << "and not below it";

    Grab grab;
    ASSERT_TRUE(grab.Load(folder_ / "Grabs" / "PIC0001.BMP"));
    fs::copy_file(folder_ / "Grabs" / "PIC0001.BMP", fs::path(GRAVELON_BINARY_DIR) / "tests" / "race_program_racing.bmp",
                  fs::copy_options::overwrite_existing);
    ASSERT_EQ(grab.width, 640u);
    ASSERT_EQ(grab.height, 480u);
    EXPECT_GT(grab.Count(0, 300, 640, 480, Grass), 640 * 180 * 8 / 10) << "the ground in front";
    EXPECT_GT(grab.Count(300, 150, 340, 260, [](const auto& c) { return !Grass(c); }), 300) << "the rider";
    EXPECT_GT(grab.Count(0, 0, 640, 60, [](const auto& c) { return c[0] + c[1] + c[2] < 30; }), 640 * 60 * 9 / 10)
        << "nothing left over from the menus above the horizon";
}

TEST_F(RaceProgram, AWorldThatDoesNotLoadLeavesNothingBehind) {
    std::ofstream(folder_ / "Broken.wld", std::ios::binary).write("QVED\x40\0\0\0HEAD", 12);
    std::string out;
    ASSERT_EQ(Run("", (folder_ / "Broken.wld").string(), "", &out), 0) << out;
    const std::smatch m = [&] {
        std::smatch r;
        std::regex_search(out, r, std::regex(R"(race: start (-?\d+))"));
        return r;
    }();
    ASSERT_FALSE(m.empty()) << out;
    EXPECT_NE(m[1], "0");
    EXPECT_NE(out.find("race: callbacks cleared 1"), std::string::npos) << out;
    EXPECT_EQ(out.find("race: loop ended"), std::string::npos);
}

}  // namespace
}  // namespace kes
