// The settings, controls and bike set-up pages run by the real program, headless, operated by
// GRAVELON_INPUT scripts that click where a player clicks; the settings store, the profile file, the
// event log of pages and the screen grabs (kept under the build folder) are checked.
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
#include "game/core/config/ConfigRecord.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/worlds/tests/WorldFiles.h"
#include "platform/registry/RegistryStore.h"
#include "tools/contentgen/tests/DefaultContent.h"
#include "tools/contentgen/ContentGen.h"
#include "tools/packtool/PackWriter.h"

namespace kes {
namespace {

namespace fs = std::filesystem;

using Grab = testing::ScreenGrab;

[[maybe_unused]] bool Orange(const std::array<int, 3>& c) { return c[0] > 200 && c[1] > 100 && c[1] < 200 && c[2] < 110; }
[[maybe_unused]] bool Light(const std::array<int, 3>& c) { return c[0] > 200 && c[1] > 200 && c[2] > 200; }
bool Chosen(const std::array<int, 3>& c) { return c[0] > 200 && c[1] > 190 && c[2] < 140; }
[[maybe_unused]] bool Bright(const std::array<int, 3>& c) { return c[0] > 150 && c[1] > 150 && c[2] > 150; }

// A script of player actions, frame by frame. The pointer moves by relative steps: a big move to the
// top left corner first makes every target absolute.
class Script {
public:
    Script& Point(int x, int y) {
        Line("move -1000 -1000");
        Line("move " + std::to_string(x) + " " + std::to_string(y));
        return *this;
    }
    Script& Click(int x, int y) {
        Point(x, y);
        Line("mouse 0 down", 2);
        Line("mouse 0 up", 2);
        return *this;
    }
    Script& Drag(int x, int y, int dx) {
        Point(x, y);
        Line("mouse 0 down", 2);
        Line("move " + std::to_string(dx) + " 0", 2);
        Line("mouse 0 up", 2);
        return *this;
    }
    Script& Key(const std::string& key) {
        Line("key " + key + " down");
        Line("key " + key + " up", 2);
        return *this;
    }
    // A screen grab with the pointer out of the way.
    Script& Grab() {
        Point(639, 479);
        return Key("F12");
    }
    const std::string& Text() const { return text_; }

private:
    void Line(const std::string& what, uint32_t after = 1) {
        frame_ += after;
        text_ += std::to_string(frame_) + " " + what + "\n";
    }
    uint32_t frame_ = 5;
    std::string text_;
};

class OptionsProgram : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        folder_ = fs::path(::testing::TempDir()) / ("options_program_" + std::to_string(getpid()) + "_" + name);
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "Tracks");
        std::string error;
        ASSERT_TRUE(tools::test::CopyDefaultDataPack(folder_ / "Kestrun.dat", &error)) << error;
        using namespace kes::testing;
        ASSERT_TRUE(tools::WritePack((folder_ / "Tracks.dat").string(), {{"One.wld", SimpleWorld(1, 0, "Un"), false}},
                                     &error))
            << error;
        fs::copy_file(fs::path(GRAVELON_BINARY_DIR) / "bin" / "OptionsTestPage", folder_ / "OptionsTestPage");
        // The grabs stay beside the build for a person to look at.
        shots_ = fs::path(GRAVELON_BINARY_DIR) / "screenshots" / "options" / name;
        fs::remove_all(shots_);
        fs::create_directories(shots_);
    }
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(folder_);
    }

    int Run(uint32_t page, const Script& script, std::string* output) {
        std::ofstream(folder_ / "input.txt") << script.Text() << "1000 key ESC down\n";
        const std::string command =
            "GRAVELON_QUIT_AFTER_FRAMES=1200 GRAVELON_FRAME_MS=10 GRAVELON_SEED=7 GRAVELON_HEADLESS=1 "
            "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null GRAVELON_TEST_PAGE=" +
            std::to_string(page) + " GRAVELON_EVENT_LOG='" + (folder_ / "events.txt").string() + "' GRAVELON_INPUT='" +
            (folder_ / "input.txt").string() + "' GRAVELON_REGISTRY='" + (folder_ / "registry.store").string() +
            "' '" + (folder_ / "OptionsTestPage").string() + "' /NOCONFIG /WINDOW > '" + (folder_ / "out.txt").string() +
            "' 2>&1";
        const int status = std::system(command.c_str());
        std::ifstream log(folder_ / "out.txt");
        output->assign(std::istreambuf_iterator<char>(log), {});
        for (const auto& entry : fs::directory_iterator(folder_ / "Grabs", ec_))
            fs::copy_file(entry.path(), shots_ / entry.path().filename(), fs::copy_options::overwrite_existing, ec_);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Events() {
        std::ifstream in(folder_ / "events.txt");
        std::string text((std::istreambuf_iterator<char>(in)), {}), pages;
        for (size_t at = 0; (at = text.find("page ", at)) != std::string::npos; at += 5)
            pages += text.substr(at + 5, text.find('\n', at) - at - 5) + " ";
        return pages;
    }
    bool LoadGrab(int n, Grab* grab) {
        char name[16];
        std::snprintf(name, sizeof name, "PIC%04d.BMP", n);
        return grab->Load(folder_ / "Grabs" / name);
    }
    ConfigRecord StoredSettings() {
        plat::RegistryStore store((folder_ / "registry.store").string());
        plat::RegValue value;
        ConfigRecord record;
        record.version = 0;
        if (store.QueryValue(plat::RegKeyPath(plat::kHKeyLocalMachine, "Software\\Halvex\\Gravelon"), "Config",
                             value) == plat::RegStatus::Ok)
            ParseConfigRecord(value.data, record);
        return record;
    }
    Profile StoredProfile() {
        EXPECT_EQ(EnterProfilesFolder(folder_.string()), 0);
        Profile p;
        EXPECT_EQ(p.Load("Tester"), 0) << "the profile file was written";
        return p;
    }

    fs::path folder_, shots_;
    std::error_code ec_;
};


// Options menu -> sound: the effects volume dragged down and 3D sound switched off; -> display: the
// effects level stepped and the screen mode moved on; OK; back to the main page.
TEST_F(OptionsProgram, SoundAndDisplaySettingsReachTheMixerAndTheStore) {
    Script s;
    s.Grab()
        .Click(308, 313)          // options: SOUND
        .Drag(226, 162, -60)      // the effects slider's knob (at 100): 60 pixels left is 40 points
        .Click(575, 180)          // 3D sound: right arrow
        .Grab()
        .Click(563, 442)          // OK
        .Click(308, 252)          // options: DISPLAY
        .Click(575, 315)          // effects level: right arrow (2 wraps to 0)
        .Drag(89, 209, 150)       // the screen-mode slider's knob, to the end of the list
        .Grab()
        .Click(556, 432)          // OK
        .Click(423, 432);         // options: BACK
    std::string out;
    ASSERT_EQ(Run(1, s, &out), 0) << out;
    EXPECT_EQ(Events(), "1 3 1 2 1 0 ") << out;
    EXPECT_NE(out.find("options: volumes music 60 effects 60 3d 0 swap 0"), std::string::npos) << out;
    EXPECT_NE(out.find("options: gains music 0.60 effects 0.60"), std::string::npos) << out;
    const ConfigRecord stored = StoredSettings();
    EXPECT_EQ(stored.effectsVolume, 60u);
    EXPECT_EQ(stored.hardware3DSound, 0u);
    EXPECT_EQ(stored.raceStartOption, 0u);
    // The mode list is the machine's: the last mode differs from the start's 640 x 480 x 16, and the
    // screen now runs at the stored one.
    EXPECT_FALSE(stored.screenWidth == 640 && stored.screenHeight == 480 && stored.bitsPerPixel == 16);
    const std::string screen =
        "options: screen " + std::to_string(stored.screenWidth) + "x" + std::to_string(stored.screenHeight) + "\n";
    EXPECT_NE(out.find(screen), std::string::npos) << out;

    Grab options, sound, display;
    ASSERT_TRUE(LoadGrab(0, &options) && LoadGrab(1, &sound) && LoadGrab(2, &display)) << out;
    // The options menu: four orange menu buttons with light labels, the OK button.
    for (int y : {119, 175, 233, 294}) {
        EXPECT_GT(options.Count(226, y + 4, 390, y + 35, Orange), 3000) << "menu button at y " << y;
        EXPECT_GT(options.Count(300, y + 4, 390, y + 26, Light), 40) << "its label at y " << y;
    }
    EXPECT_GT(options.Count(380, 417, 468, 449, Orange), 1500);
    // The sound page: the volume captions and the two choice texts.
    EXPECT_GT(sound.Count(250, 134, 295, 150, Bright), 15) << "effects caption";
    EXPECT_GT(sound.Count(250, 254, 295, 270, Bright), 15) << "music caption";
    EXPECT_GT(sound.Count(390, 165, 555, 192, Bright), 80) << "3D sound choice";
    EXPECT_GT(sound.Count(390, 285, 555, 312, Bright), 80) << "stereo choice";
    EXPECT_GT(sound.Count(352, 162, 382, 192, Orange), 300) << "an arrow";
    // The display page: the mode's description under the slider's label, the five choice rows.
    EXPECT_GT(display.Count(90, 172, 240, 192, Bright), 60) << "the screen mode";
    for (int y : {197, 245, 295, 345}) EXPECT_GT(display.Count(390, y + 4, 555, y + 32, Bright), 60) << "row " << y;
    EXPECT_GT(display.Count(88, 384, 252, 412, Bright), 60) << "filtering row";
}

// The controls page: a key held by another action is bound to "left" by two clicks on its first
// binding and a press; a capture of "right" is cancelled with Esc; BACK saves the profile.
TEST_F(OptionsProgram, KeysAreReboundAndSavedAndEscCancelsACapture) {
    Script s;
    s.Grab()
        .Click(193, 171)   // line 3 ("left"), first binding: selects the line
        .Click(193, 171)   // the same again: waits for the key
        .Key("Z")          // Z, until now a replay key
        .Click(193, 183)   // line 4 ("right")
        .Click(193, 183)
        .Key("ESC")        // cancels: "right" keeps its key, the page stays
        .Grab()
        .Click(556, 432)   // BACK: the profile is saved
        .Key("ESC");       // the options menu: to the main page
    std::string out;
    ASSERT_EQ(Run(4, s, &out), 0) << out;
    EXPECT_EQ(Events(), "4 1 0 ") << "Esc during the capture did not leave the page\n" << out;
    const Profile p = StoredProfile();
    EXPECT_EQ(p.GetKey(2), 44u) << "left is now Z";
    EXPECT_EQ(p.GetKey(26), 203u) << "Z's old action took left's previous key";
    EXPECT_EQ(p.GetKey(3), 205u) << "the cancelled capture kept right's key";

    Grab before, after;
    ASSERT_TRUE(LoadGrab(0, &before) && LoadGrab(1, &after)) << out;
    // The list's lines of light text and the highlighted binding, the settings column.
    EXPECT_GT(before.Count(55, 140, 260, 380, Bright), 1500) << "the binding lines";
    EXPECT_GT(before.Count(420, 132, 585, 160, Bright), 60) << "input mode";
    EXPECT_GT(before.Count(420, 236, 585, 264, Bright), 60) << "force feedback";
    EXPECT_GT(before.Count(420, 354, 585, 382, Bright), 60) << "air swap";
    // Line 3's first binding changed from LEFT ("GAUCHE") to Z ("W" on the French keyboard): its
    // characters 18-21 went blank (left of them runs the list frame's seam).
    const auto cell = [](const Grab& g) { return g.Count(182, 166, 207, 176, Bright); };
    EXPECT_GT(cell(before), 25);
    EXPECT_LT(cell(after), 5);
}

// The bike set-up page: the custom class chosen, its first slider dragged past what the budget
// allows, RACE.
TEST_F(OptionsProgram, ACustomBikeIsBuiltWithinTheBudget) {
    Script s;
    s.Click(62, 349)           // CUSTOM
        .Drag(158, 206, 150)   // parameter 1's knob (at 10) to the far right
        .Grab()
        .Click(558, 438);      // RACE
    std::string out;
    ASSERT_EQ(Run(11, s, &out), 0) << out;
    EXPECT_NE(out.find("options: loop ended with 2 on page 11"), std::string::npos) << out;
    EXPECT_NE(out.find("options: bike class 4 tier 0 p1 0.7007"), std::string::npos) << out;
    EXPECT_EQ(Events(), "11 ") << out;
    const Profile p = StoredProfile();
    EXPECT_EQ(p.GetStat(kStatBikeClass), 4.0f);
    EXPECT_EQ(p.GetStat(kStatCustomBike), 70.0f) << "a budget of 100 leaves 70 beside three 10s";
    for (uint32_t i = 1; i < 4; ++i) EXPECT_EQ(p.GetStat(kStatCustomBike + i), 10.0f);

    Grab bike;
    ASSERT_TRUE(LoadGrab(0, &bike)) << out;
    EXPECT_GT(bike.Count(17, 334, 107, 365, Chosen), 1500) << "the custom button, lit";
    EXPECT_GT(bike.Count(17, 169, 107, 200, Orange), 1500) << "the first class, not chosen";
    EXPECT_GT(bike.Count(320, 178, 364, 195, Bright), 15) << "parameter 1's caption";
    EXPECT_GT(bike.Count(28, 398, 250, 436, Bright), 100) << "the points box";
    EXPECT_GT(bike.Count(396, 205, 620, 380, Bright), 200) << "the description";
}

// The in-race menu's page over no race picture: its buttons, then Return continues.
TEST_F(OptionsProgram, InRaceMenuShowsItsButtonsAndContinues) {
    Script s;
    s.Grab().Click(458, 175 + 19).Grab().Key("ESC").Key("RETURN");
    std::string out;
    ASSERT_EQ(Run(8, s, &out), 0) << out;
    EXPECT_NE(out.find("options: loop ended with 2 on page 8"), std::string::npos) << out;
    EXPECT_EQ(Events(), "8 3 8 ") << out;
    Grab menu;
    ASSERT_TRUE(LoadGrab(0, &menu)) << out;
    for (int y : {119, 175}) {
        EXPECT_GT(menu.Count(126, y + 4, 290, y + 35, Orange), 3000) << "left column at " << y;
        EXPECT_GT(menu.Count(376, y + 4, 540, y + 35, Orange), 3000) << "right column at " << y;
    }
    EXPECT_LT(menu.Count(126, 237, 290, 268, Orange), 100) << "no championship: no quit button";
}

}  // namespace
}  // namespace kes
