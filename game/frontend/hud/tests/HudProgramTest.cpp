// The HUD drawn by the real program, headless: HudTestRace loads it from the generated data pack
// and draws a race over a landscape picture; an F12 grab from the input script is checked by region
// and kept under the build folder (hud_screens/) for a person to look at.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/app/loop/tests/ScreenGrab.h"
#include "game/frontend/worlds/tests/WorldFiles.h"
#include "tools/contentgen/tests/DefaultContent.h"
#include "tools/contentgen/ContentGen.h"
#include "tools/packtool/PackWriter.h"

namespace kes {
namespace {

namespace fs = std::filesystem;
using Rgb = std::array<int, 3>;

using Grab = testing::ScreenGrab;

// Glyphs are white (tinted by their colour); the landscape picture behind holds no pure white.
bool Dark(const Rgb& c) { return c[0] < 60 && c[1] < 60 && c[2] < 60; }
bool White(const Rgb& c) { return c[0] > 235 && c[1] > 235 && c[2] > 235; }
// The current lap's colour 0xFF4A32 on white glyphs.
bool LapRed(const Rgb& c) { return c[0] > 200 && c[1] > 40 && c[1] < 120 && c[2] < 90; }
bool Red(const Rgb& c) { return c[0] > 200 && c[1] < 80 && c[2] < 80; }
bool Green(const Rgb& c) { return c[1] > 200 && c[0] < 80 && c[2] < 80; }

class HudProgram : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path(::testing::TempDir()) / ("hud_program_" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        std::string error;
        ASSERT_TRUE(tools::test::CopyDefaultDataPack(folder_ / "Kestrun.dat", &error)) << error;
        ASSERT_TRUE(tools::WritePack((folder_ / "Tracks.dat").string(),
                                     {{"One.wld", kes::testing::SimpleWorld(1, 0, "Un"), false}}, &error))
            << error;
        fs::copy_file(fs::path(GRAVELON_BINARY_DIR) / "bin" / "HudTestRace", folder_ / "HudTestRace");
    }
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(folder_);
    }
    int Run(const std::string& script, std::string* output) {
        std::ofstream(folder_ / "input.txt") << script;
        const std::string command = "GRAVELON_QUIT_AFTER_FRAMES=200 GRAVELON_FRAME_MS=10 GRAVELON_HEADLESS=1 "
                                    "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy GRAVELON_INPUT='" +
                                    (folder_ / "input.txt").string() + "' GRAVELON_REGISTRY='" +
                                    (folder_ / "registry.store").string() + "' '" + (folder_ / "HudTestRace").string() +
                                    "' /NOCONFIG /WINDOW > '" + (folder_ / "out.txt").string() + "' 2>&1";
        const int status = std::system(command.c_str());
        std::ifstream log(folder_ / "out.txt");
        output->assign(std::istreambuf_iterator<char>(log), {});
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    fs::path folder_;
};

TEST_F(HudProgram, LapTimePlaceAndMapAreDrawnWhereTheyBelong) {
    std::string out;
    ASSERT_EQ(Run("10 key F12 down\n11 key F12 up\n40 key F12 down\n41 key F12 up\n", &out), 0) << out;
    EXPECT_NE(out.find("hud: load 0"), std::string::npos) << out;
    EXPECT_NE(out.find("hud: loop ended with 3"), std::string::npos) << out;
    Grab g;
    ASSERT_TRUE(g.Load(folder_ / "Grabs" / "PIC0000.BMP")) << out;
    ASSERT_EQ(g.width, 640u);
    ASSERT_EQ(g.height, 480u);
    const fs::path keep = fs::path(GRAVELON_BINARY_DIR) / "hud_screens";
    fs::create_directories(keep);
    fs::copy_file(folder_ / "Grabs" / "PIC0000.BMP", keep / "hud_race.bmp", fs::copy_options::overwrite_existing);

    // The current lap (x 56-176, y 24-48) in the current-lap colour with dark rims; the lap before
    // it on the next line in white.
    EXPECT_GT(g.Count(56, 24, 176, 48, LapRed), 300) << "current lap digits";
    EXPECT_GT(g.Count(56, 64, 176, 88, White), 300) << "previous lap digits";
    EXPECT_EQ(g.Count(56, 64, 176, 88, LapRed), 0);
    // The place (x 540-624, y 24-72): a large white 2 with its suffix, slash and racer count.
    EXPECT_GT(g.Count(540, 24, 588, 72, White), 250) << "place digit";
    EXPECT_GT(g.Count(590, 46, 624, 70, White), 40) << "racer count";
    // The mini-map (13-125 x 354-466): the viewed racer's red marker at (0.7, 0.3) of the map,
    // green's at (0.3, 0.8), each about 8 x 8 pixels.
    const int redX = static_cast<int>(13 + 0.7 * 112), redY = static_cast<int>(354 + 0.7 * 112);
    const int greenX = static_cast<int>(13 + 0.3 * 112), greenY = static_cast<int>(354 + 0.2 * 112);
    EXPECT_GT(g.Count(redX - 5, redY - 5, redX + 5, redY + 5, Red), 12) << "viewed racer's marker";
    EXPECT_GT(g.Count(greenX - 5, greenY - 5, greenX + 5, greenY + 5, Green), 12) << "leader's marker";
    EXPECT_EQ(g.Count(13, 354, 125, 466, Red), g.Count(redX - 6, redY - 6, redX + 6, redY + 6, Red)) << "one red marker";
    // The message line (y 40-64), centred: white letters across the middle.
    EXPECT_GT(g.Count(200, 40, 440, 64, White), 400) << "message line";
    // The middle of the screen holds no HUD.
    EXPECT_EQ(g.Count(250, 250, 390, 330, White), 0);
    EXPECT_EQ(g.Count(250, 250, 390, 330, Dark), 0);

    // Later the bike performs a balance trick facing the wrong way.
    Grab t;
    ASSERT_TRUE(t.Load(folder_ / "Grabs" / "PIC0001.BMP")) << out;
    fs::copy_file(folder_ / "Grabs" / "PIC0001.BMP", keep / "hud_trick.bmp", fs::copy_options::overwrite_existing);
    EXPECT_GT(t.Count(150, 20, 490, 44, White), 400) << "the trick's name";
    EXPECT_EQ(t.Count(150, 44, 490, 64, White), 0) << "no message any more";
    // The wrong-way sign (192-448 x 176-240): red with white letters.
    EXPECT_GT(t.Count(200, 182, 440, 234, Red), 5000) << "wrong-way sign";
    EXPECT_GT(t.Count(250, 190, 440, 226, White), 300) << "its words";
    // The balance marker at (320 + 160 x 0.3, 240 + 160 x 0.2) = (368, 272): a white ring.
    EXPECT_GT(t.Count(348, 252, 388, 292, White), 150) << "balance marker";
    // The bars: x at 0.3 lights the right bar yellow; y at -0.2 lights the lower bar yellow.
    const auto yellow = [](const Rgb& c) { return c[0] > 140 && c[1] > 140 && c[2] < 60; };
    EXPECT_GT(t.Count(400, 236, 480, 244, yellow), 200) << "right bar";
    EXPECT_GT(t.Count(316, 300, 324, 400, yellow), 200) << "lower bar";
    EXPECT_EQ(t.Count(160, 236, 296, 244, yellow), 0) << "left bar stays at its base colour";
    // The direction arrow in front of the camera, low in the middle, leaning to the right.
    const auto arrow = [](const Rgb& c) { return c[0] > 220 && c[1] > 120 && c[2] < 60; };
    EXPECT_GT(t.Count(320, 420, 400, 480, arrow), 400) << "arrow head, right of the middle";
    EXPECT_GT(t.Count(250, 440, 320, 480, arrow), 100) << "arrow shaft";
}

}  // namespace
}  // namespace kes
