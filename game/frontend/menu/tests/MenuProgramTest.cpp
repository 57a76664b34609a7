// The test pages run by the real program, headless, operated by a GRAVELON_INPUT script; the screen
// grabs are checked by region.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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

using Grab = testing::ScreenGrab;

bool Orange(const std::array<int, 3>& c) { return c[0] > 200 && c[1] > 100 && c[1] < 200 && c[2] < 110; }
bool Light(const std::array<int, 3>& c) { return c[0] > 200 && c[1] > 200 && c[2] > 200; }
// The small outlined font is light grey once filtered down to its 8 x 10 cells.
bool Bright(const std::array<int, 3>& c) { return c[0] > 150 && c[1] > 150 && c[2] > 150; }
bool Sky(const std::array<int, 3>& c) { return c[2] > c[0] + 20 && c[2] > 120; }
bool Dark(const std::array<int, 3>& c) { return c[0] < 70 && c[1] < 70 && c[2] < 80; }

class MenuProgram : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path(::testing::TempDir()) / ("menu_program_" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "Tracks");
        std::string error;
        ASSERT_TRUE(tools::test::CopyDefaultDataPack(folder_ / "Kestrun.dat", &error)) << error;
        using namespace kes::testing;
        ASSERT_TRUE(tools::WritePack((folder_ / "Tracks.dat").string(),
                                     {{"One.wld", SimpleWorld(1, 0, "Un"), false}, {"Two.wld", SimpleWorld(2, 1, "Deux"), true}},
                                     &error))
            << error;
        std::ofstream((folder_ / "Tracks" / "Loose.wld"), std::ios::binary).write("QVED\4\0\0\0", 8);
        fs::copy_file(fs::path(GRAVELON_BINARY_DIR) / "bin" / "MenuTestPage", folder_ / "MenuTestPage");
    }
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(folder_);
    }

    int Run(const std::string& script, std::string* output) {
        std::ofstream(folder_ / "input.txt") << script;
        const std::string command = "GRAVELON_QUIT_AFTER_FRAMES=400 GRAVELON_FRAME_MS=10 GRAVELON_HEADLESS=1 "
                                    "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy GRAVELON_INPUT='" +
                                    (folder_ / "input.txt").string() + "' GRAVELON_REGISTRY='" +
                                    (folder_ / "registry.store").string() + "' '" + (folder_ / "MenuTestPage").string() +
                                    "' /NOCONFIG /WINDOW > '" + (folder_ / "out.txt").string() + "' 2>&1";
        const int status = std::system(command.c_str());
        std::ifstream log(folder_ / "out.txt");
        output->assign(std::istreambuf_iterator<char>(log), {});
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    fs::path folder_;
};

// Pointer moves are relative; the pointer starts at (320, 240).
constexpr const char* kScript = R"(# OK button (569, 449): a click
5 move 249 209
8 mouse 0 down
10 mouse 0 up
# the text box (335, 317): a click starts an entry; J, e acute, @, b, Backspace, Return
15 move -234 -132
18 mouse 0 down
20 mouse 0 up
25 char 74
26 char 233
27 char 64
28 char 98
29 char 8
30 char 13
# the slider's knob (38, 244): dragged 75 pixels right
35 move -297 -73
38 mouse 0 down
40 move 75 0
42 mouse 0 up
# the right arrow (76, 167): two clicks
44 move -37 -77
46 mouse 0 down
47 mouse 0 up
49 mouse 0 down
50 mouse 0 up
# Down, Down, Up: the list's selection
52 key DOWN down
53 key DOWN up
55 key DOWN down
56 key DOWN up
58 key UP down
59 key UP up
# away from the checked regions, then a grab of page A
60 move 150 -120
62 key F12 down
63 key F12 up
# Return held over many steps: one page on, not two
70 key RETURN down
90 key RETURN up
95 key F12 down
96 key F12 up
# Esc leaves
100 key ESC down
101 key ESC up
)";

TEST_F(MenuProgram, TestPagesAreOperatedAndDrawnHeadless) {
    std::string out;
    ASSERT_EQ(Run(kScript, &out), 0) << out;
    EXPECT_NE(out.find("menu: 2 worlds"), std::string::npos) << out;
    EXPECT_NE(out.find("World list: Loose.wld left out (not a world file)"), std::string::npos) << out;
    EXPECT_NE(out.find("menu: ok clicked"), std::string::npos) << out;
    EXPECT_NE(out.find("menu: text entry started"), std::string::npos) << out;
    EXPECT_NE(out.find("menu: typed 4A 84 2A "), std::string::npos) << "J, e acute as glyph 132, @ kept as *\n" << out;
    EXPECT_NE(out.find("menu: page 1"), std::string::npos) << out;
    EXPECT_EQ(out.find("menu: page 2"), std::string::npos) << "a held key went through two pages\n" << out;
    EXPECT_NE(out.find("menu: loop ended with 5 on page 1"), std::string::npos) << out;
    EXPECT_NE(out.find("menu: counter 2 ok 1 spot 0 slider 50 caption 5 list 1"), std::string::npos) << out;

    Grab a, b;
    ASSERT_TRUE(a.Load(folder_ / "Grabs" / "PIC0000.BMP")) << out;
    ASSERT_TRUE(b.Load(folder_ / "Grabs" / "PIC0001.BMP")) << out;
    ASSERT_EQ(a.width, 640u);
    ASSERT_EQ(a.height, 480u);
    // Page A: the sky of background 1 beside the title, the orange OK and menu buttons, their
    // labels in light text, the list box's dark frame with its rows of light text.
    EXPECT_GT(a.Count(560, 30, 630, 60, Sky), 1800);
    EXPECT_GT(a.Count(524, 434, 614, 466, Orange), 1000);
    EXPECT_GT(a.Count(567, 437, 600, 455, Light), 20) << "the OK label";
    EXPECT_GT(a.Count(24, 94, 188, 126, Orange), 2000);
    EXPECT_GT(a.Count(101, 96, 160, 114, Light), 40) << "the menu button's label";
    EXPECT_GT(a.Count(470, 100, 600, 270, Dark), 6000) << "the list box";
    EXPECT_GT(a.Count(468, 105, 540, 260, Bright), 300) << "the list rows";
    // Page B: the title's blue panel and its label, the panel's text.
    EXPECT_GT(b.Count(215, 18, 425, 55, [](const std::array<int, 3>& c) { return c[2] > 150 && c[0] < 120; }), 2000);
    EXPECT_GT(b.Count(290, 180, 520, 260, Bright), 250) << "the panel's wrapped text";
    EXPECT_EQ(b.Count(360, 230, 520, 365, Bright), 0) << "nothing below the panel's two lines";
    EXPECT_FALSE(fs::exists(folder_ / "Grabs" / "PIC0002.BMP"));
}

TEST_F(MenuProgram, SeparatePressesWalkThePagesAndTheListPagesDraw) {
    std::string out;
    ASSERT_EQ(Run("5 key RETURN down\n6 key RETURN up\n10 key RETURN down\n11 key RETURN up\n"
                  "15 move 300 200\n20 key F12 down\n21 key F12 up\n25 key ESC down\n26 key ESC up\n",
                  &out),
              0)
        << out;
    EXPECT_NE(out.find("menu: page 1"), std::string::npos) << out;
    EXPECT_NE(out.find("menu: page 2"), std::string::npos) << out;
    EXPECT_NE(out.find("menu: loop ended with 5 on page 2"), std::string::npos) << out;
    Grab c;
    ASSERT_TRUE(c.Load(folder_ / "Grabs" / "PIC0000.BMP")) << out;
    // The wide list (330, 200): its dark frame, its rows from the first, the selection bar on row 4.
    EXPECT_GT(c.Count(340, 210, 600, 440, Dark), 20000);
    EXPECT_GT(c.Count(349, 223, 420, 300, Bright), 250) << "the wide list's rows";
    EXPECT_GT(c.Count(350, 271, 570, 282, [](const std::array<int, 3>& p) { return p[0] > 70 && p[0] > p[2] + 30; }), 1500)
        << "the selection bar on row 4";
}

}  // namespace
}  // namespace kes
