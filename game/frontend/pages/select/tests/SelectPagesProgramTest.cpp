// The choosing pages run by the real program, headless, operated by GRAVELON_INPUT scripts of clicks
// at the pages' item positions; the event log of pages, the words printed by the stand-in pages,
// the profile files and the screen grabs (checked by region) show what the player did.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/app/loop/tests/ScreenGrab.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/worlds/tests/WorldFiles.h"
#include "tools/contentgen/tests/DefaultContent.h"
#include "tools/contentgen/ContentGen.h"
#include "tools/packtool/PackWriter.h"

namespace kes {
namespace {

namespace fs = std::filesystem;
using namespace kes::testing;

// A script of clicks, keys and typed characters, one action every few frames. The pointer moves
// relatively: it is first pushed into the top left corner, then moved to the target.
class Script {
public:
    Script& Click(int x, int y) {
        Line("move -1000 -1000");
        Line("move " + std::to_string(x) + " " + std::to_string(y));
        Line("mouse 0 down");
        frame_ += 1;
        Line("mouse 0 up");
        frame_ += 4;
        return *this;
    }
    // Presses at (x, y), moves by dx and lets go there.
    Script& Drag(int x, int y, int dx) {
        Line("move -1000 -1000");
        Line("move " + std::to_string(x) + " " + std::to_string(y));
        Line("mouse 0 down");
        Line("move " + std::to_string(dx) + " 0");
        Line("mouse 0 up");
        frame_ += 4;
        return *this;
    }
    Script& Key(const std::string& name) {
        Line("key " + name + " down");
        Line("key " + name + " up");
        frame_ += 4;
        return *this;
    }
    Script& Type(const std::string& text) {
        for (unsigned char c : text) Line("char " + std::to_string(c));
        frame_ += 3;
        return *this;
    }
    Script& Grab() {
        Line("move -1000 -1000");  // the pointer out of the checked regions
        Key("F12");
        return *this;
    }
    std::string Text() const { return text_.str(); }

private:
    void Line(const std::string& event) { text_ << frame_++ << " " << event << "\n"; }
    std::ostringstream text_;
    int frame_ = 5;
};

// Click points: the centres of the items' pictures at their 640 x 480 positions.
struct At {
    int x, y;
};
At Bottom(int x, int y) { return {x + 49, y + 19}; }
At MenuButton(int x, int y) { return {x + 86, y + 19}; }
At Arrow(int x, int y) { return {x + 16, y + 17}; }
At ListRow(int x, int y, int row) { return {x + 60, y + 15 + 14 * (row - 1) + 7}; }       // small list
At LargeListRow(int x, int y, int row) { return {x + 70, y + 70 + 20 * (row - 1) + 10}; }  // profile list

const At kMainFamily1 = MenuButton(109, 210), kMainFamily2 = MenuButton(109, 249), kMainFamily3 = MenuButton(109, 289), kMainChampionship = MenuButton(109, 329),
         kMainOptions = MenuButton(364, 329), kMainTutorials = MenuButton(364, 289), kMainQuit = Bottom(269, 424);
const At kProfileOk = Bottom(507, 413), kProfileNew = MenuButton(460, 115), kProfileDelete = MenuButton(460, 163),
         kProfileEdit = MenuButton(460, 299);
const At kRiderOk = Bottom(507, 413), kRiderCancel = Bottom(374, 413), kRiderName = {378 + 105, 125 + 37},
         kRiderSkinRight = Arrow(572, 253), kBikeSkinLeft = Arrow(364, 321);
const At kWorldOk = Bottom(518, 413), kWorldModeRight = Arrow(592, 254), kWorldModeLeft = Arrow(384, 251);
const At kChampAdd = Arrow(145, 440), kChampRemove = Arrow(194, 440), kChampOk = Bottom(518, 413),
         kChampAddAll = Bottom(399, 359);
const At kFirstMovie = {167 + 12, 119 + 8};

// Every grab of these pages is a whole 640 x 480 screen.
struct Grab : testing::ScreenGrab {
    bool Load(const fs::path& p) { return ScreenGrab::Load(p) && width == 640 && height == 480; }
};

bool Bright(const std::array<int, 3>& c) { return c[0] > 150 && c[1] > 150 && c[2] > 150; }
// Font 3 letters are light yellow, those of the small fonts light grey.
bool Lettering(const std::array<int, 3>& c) { return c[0] > 180 && c[1] > 160; }
bool Orange(const std::array<int, 3>& c) { return c[0] > 200 && c[1] > 100 && c[1] < 200 && c[2] < 110; }
bool Coloured(const std::array<int, 3>& c) {
    return std::max({c[0], c[1], c[2]}) - std::min({c[0], c[1], c[2]}) > 40;
}
bool PreviewGreen(const std::array<int, 3>& c) { return c[1] > 150 && c[0] < 80 && c[2] < 80; }

// A 16 x 16 picture of 24 bits, all one green, as a world stores its preview.
std::vector<uint8_t> GreenPreview() {
    std::vector<uint8_t> b;
    auto u16 = [&](uint16_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); };
    Put32(&b, 40);
    Put32(&b, 16);
    Put32(&b, 16);
    u16(1);
    u16(24);
    Put32(&b, 0);
    Put32(&b, 16 * 16 * 3);
    for (int i = 0; i < 4; ++i) Put32(&b, 0);
    for (int i = 0; i < 16 * 16; ++i) b.insert(b.end(), {20, 210, 20});
    return b;
}

std::vector<uint8_t> WorldWithPreview(uint32_t id, uint32_t kind, const std::string& name) {
    std::vector<uint8_t> info = InfoChunkBody(id, kind, name, "ONE\rDEUX\rTROIS FR\rVIER");
    info.resize(info.size() - 4);
    Put32(&info, 1);
    const std::vector<uint8_t> picture = GreenPreview();
    info.insert(info.end(), picture.begin(), picture.end());
    return WorldFile({{Tag("HEAD"), {9, 9, 9, 9}}, {Tag("TINF"), info}});
}

class SelectPagesProgram : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        folder_ = fs::path(GRAVELON_BINARY_DIR) / "tests" / "select_pages" / test;
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "Tracks");
        std::string error;
        ASSERT_TRUE(tools::test::CopyDefaultDataPack(folder_ / "Kestrun.dat", &error)) << error;
        ASSERT_TRUE(tools::WritePack((folder_ / "Tracks.dat").string(),
                                     {{"_select.wld", SimpleWorld(9, 0, "MENU"), false},
                                      {"a.wld", SimpleWorld(1001, 0, "VALLEE"), false},
                                      {"b.wld", WorldWithPreview(1002, 0, "CRETE@CRESTA@CRETE FR"), false},
                                      {"c.wld", SimpleWorld(1003, 0, "DUNE"), false},
                                      {"d.wld", SimpleWorld(2002, 1, "STADE"), false},
                                      {"e.wld", SimpleWorld(2003, 1, "ARENE"), false},
                                      {"f.wld", SimpleWorld(3001, 2, "CARRIERE"), false},
                                      {"g.wld", SimpleWorld(4001, 2, "BONUS"), false}},
                                     &error))
            << error;
        fs::copy_file(fs::path(GRAVELON_BINARY_DIR) / "bin" / "SelectPagesProgram", folder_ / "SelectPagesProgram");
    }

    // Profiles saved before the run, as the program finds them in its profiles folder.
    void SaveProfile(const char* name, uint32_t unlocks = 0) {
        ASSERT_EQ(EnterProfilesFolder(folder_.string()), 0);
        Profile p;
        p.SetName(name);
        p.settings[kSettingUnlocks - kProfileFirstSetting] = unlocks;
        ASSERT_EQ(p.Save(name), 0);
    }

    int Run(const Script& script, std::string* output) {
        std::ofstream(folder_ / "input.txt") << script.Text();
        const std::string command = "GRAVELON_QUIT_AFTER_FRAMES=3000 GRAVELON_FRAME_MS=10 GRAVELON_HEADLESS=1 GRAVELON_SEED=5 "
                                    "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null GRAVELON_INPUT='" +
                                    (folder_ / "input.txt").string() + "' GRAVELON_REGISTRY='" +
                                    (folder_ / "registry.store").string() + "' GRAVELON_EVENT_LOG='" +
                                    (folder_ / "events.txt").string() + "' timeout 300 '" +
                                    (folder_ / "SelectPagesProgram").string() + "' /NOCONFIG /WINDOW > '" +
                                    (folder_ / "out.txt").string() + "' 2>&1";
        const int status = std::system(command.c_str());
        std::ifstream log(folder_ / "out.txt");
        output->assign(std::istreambuf_iterator<char>(log), {});
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<std::string> PagesEntered() const {
        std::ifstream in(folder_ / "events.txt");
        std::vector<std::string> pages;
        for (std::string line; std::getline(in, line);)
            if (line.rfind("page ", 0) == 0) pages.push_back(line.substr(5));
        return pages;
    }

    Grab LoadGrab(int number) const {
        char name[16];
        std::snprintf(name, sizeof name, "PIC%04d.BMP", number);
        Grab g;
        EXPECT_TRUE(g.Load(folder_ / "Grabs" / name)) << name;
        return g;
    }

    fs::path Profiles() const { return folder_ / "Profiles"; }
    fs::path folder_;
};

using Pages = std::vector<std::string>;

TEST_F(SelectPagesProgram, FirstRunMakesAProfileChoosesAWorldAndBuildsAChampionship) {
    Script s;
    s.Click(kMainFamily1.x, kMainFamily1.y);  // through the profile page, the first time
    s.Grab();                                 // 0: the empty profile page
    s.Click(kProfileNew.x, kProfileNew.y);
    s.Click(kRiderName.x, kRiderName.y);
    s.Type(std::string(8, '\b') + "Ann Rider X1Z\r");  // the thirteenth character is refused
    s.Click(kRiderSkinRight.x, kRiderSkinRight.y).Click(kRiderSkinRight.x, kRiderSkinRight.y);
    s.Click(kBikeSkinLeft.x, kBikeSkinLeft.y);
    s.Grab();  // 1: the rider page
    s.Click(kRiderOk.x, kRiderOk.y);
    s.Grab();  // 2: the profile page with the new profile
    s.Click(kProfileOk.x, kProfileOk.y);
    s.Key("DOWN");                    // the second world, with a preview
    s.Drag(387 + 8 + 30 + 10, 95 + 36 + 8, 55);  // laps 4 -> 6
    s.Click(kWorldModeRight.x, kWorldModeRight.y).Click(kWorldModeLeft.x, kWorldModeLeft.y);
    s.Grab();  // 3: the world page
    s.Key("RETURN");
    s.Key("ESC");
    s.Click(kMainChampionship.x, kMainChampionship.y);  // straight on now
    for (int i = 0; i < 4; ++i) s.Click(kChampAdd.x, kChampAdd.y);
    s.Click(kChampOk.x, kChampOk.y);  // four: refused
    s.Click(kChampAdd.x, kChampAdd.y);
    s.Click(ListRow(187, 252, 2).x, ListRow(187, 252, 2).y);
    s.Click(kChampRemove.x, kChampRemove.y);
    s.Key("RETURN");  // four again: refused
    s.Click(kChampAddAll.x, kChampAddAll.y);
    s.Grab();  // 4: the championship page
    s.Click(kChampOk.x, kChampOk.y);
    s.Key("ESC");
    s.Click(kMainTutorials.x, kMainTutorials.y);
    s.Click(kFirstMovie.x, kFirstMovie.y);  // no movie pack: the movie counts as ended
    s.Key("ESC");
    s.Click(kMainQuit.x, kMainQuit.y);

    std::string out;
    ASSERT_EQ(Run(s, &out), 0) << out;
    EXPECT_EQ(PagesEntered(), (Pages{"0", "5", "6", "5", "7", "11", "0", "12", "11", "0", "14", "0"})) << out;
    EXPECT_NE(out.find("select: loop ended with 1 on page 0"), std::string::npos) << out;
    EXPECT_NE(out.find("select: bike family 1 world 1002 kind 0 selected 1 laps 6 time 7 points 10 riders 7 mode 1 "
                       "championship\n"),
              std::string::npos)
        << out;
    // Add took 1001, 1002, 1003, 2002 and 2003; the second chosen (1002) went back to the available
    // list and add all appended what was left there: 1002 and 3001 (4001 is locked).
    EXPECT_NE(out.find("select: bike family 4 world 1001 kind 0 selected 1 laps 6 time 7 points 10 riders 7 mode 1 "
                       "championship 1001 1003 2002 2003 1002 3001\n"),
              std::string::npos)
        << out;

    // The profile: its file, its name cut to twelve characters, the skins chosen with the arrows.
    const fs::path file = Profiles() / "Ann_Rider_X1.prf";
    ASSERT_TRUE(fs::exists(file)) << out;
    EXPECT_EQ(fs::file_size(file), 12u + kProfileFileOverhead);
    ASSERT_EQ(EnterProfilesFolder(folder_.string()), 0);
    Profile saved;
    ASSERT_EQ(saved.Load("Ann Rider X1"), 0);
    EXPECT_STREQ(saved.GetName(), "Ann Rider X1");
    uint32_t riderSkin = 0, riderCount = 0, bikeSkin = 0, bikeCount = 0;
    const size_t at = out.find("select: profile 'Ann Rider X1' rider skin ");
    ASSERT_NE(at, std::string::npos) << out;
    ASSERT_EQ(std::sscanf(out.c_str() + at, "select: profile 'Ann Rider X1' rider skin %u of %u bike skin %u of %u",
                          &riderSkin, &riderCount, &bikeSkin, &bikeCount),
              4)
        << out;
    ASSERT_GT(riderCount, 0u);
    ASSERT_GT(bikeCount, 0u);
    EXPECT_EQ(riderSkin, 2 % riderCount);
    EXPECT_EQ(bikeSkin, bikeCount - 1);
    EXPECT_NE(out.find("settings 'Ann Rider X1'"), std::string::npos) << "the last profile is remembered\n" << out;

    // The grabs, by region.
    const Grab emptyProfiles = LoadGrab(0), rider = LoadGrab(1), profiles = LoadGrab(2), world = LoadGrab(3),
               championship = LoadGrab(4);
    EXPECT_GT(rider.Count(390, 170, 580, 195, Lettering), 80) << "the typed name in the name box";
    EXPECT_GT(rider.Count(60, 140, 300, 375, Coloured), 3000) << "the rider and bike in the preview frame";
    EXPECT_GT(profiles.Count(30, 182, 180, 202, Lettering), 80) << "the new profile's row in the list";
    EXPECT_GT(profiles.Count(238, 80, 440, 248, Coloured), 800) << "the highlighted profile's rider and bike";
    EXPECT_EQ(emptyProfiles.Count(30, 182, 180, 202, Lettering), 0) << "an empty list";
    EXPECT_GT(profiles.Count(231, 250, 420, 275, Lettering), 100) << "the profile's name over its statistics";
    EXPECT_GT(profiles.Count(231, 300, 440, 440, Bright), 300) << "the statistics block";
    EXPECT_GT(world.Count(100, 95, 265, 228, PreviewGreen), 15000) << "the chosen world's preview";
    EXPECT_GT(world.Count(99, 267, 230, 300, Bright), 100) << "the world names";
    EXPECT_GT(world.Count(300, 318, 480, 336, Bright), 60) << "the description in French";
    EXPECT_GT(world.Count(520, 430, 610, 466, Orange), 1000) << "the ok button";
    EXPECT_GT(championship.Count(200, 267, 330, 360, Bright), 250) << "the chosen list's six names";
    EXPECT_EQ(championship.Count(60, 267, 180, 360, Bright), 0) << "nothing left to choose";
}

TEST_F(SelectPagesProgram, ProfilesAreEditedRenamedAndDeleted) {
    SaveProfile("Ann");
    SaveProfile("Bob");
    Script s;
    s.Click(kMainOptions.x, kMainOptions.y);  // the options, through the profile page the first time
    s.Click(LargeListRow(10, 112, 2).x, LargeListRow(10, 112, 2).y);
    s.Click(kProfileEdit.x, kProfileEdit.y);
    s.Click(kRiderName.x, kRiderName.y);
    s.Type("\b\b\bRob\r");
    s.Click(kRiderOk.x, kRiderOk.y);
    s.Grab();  // 0: Ann and Rob
    s.Click(LargeListRow(10, 112, 1).x, LargeListRow(10, 112, 1).y);
    s.Click(kProfileDelete.x, kProfileDelete.y);
    s.Grab();  // 1: Rob alone
    s.Click(kProfileOk.x, kProfileOk.y);
    s.Key("ESC");
    s.Click(kMainQuit.x, kMainQuit.y);

    std::string out;
    ASSERT_EQ(Run(s, &out), 0) << out;
    EXPECT_EQ(PagesEntered(), (Pages{"0", "5", "6", "5", "1", "0"})) << out;
    EXPECT_TRUE(fs::exists(Profiles() / "Rob.prf"));
    EXPECT_FALSE(fs::exists(Profiles() / "Bob.prf")) << "the old name's file goes with a rename";
    EXPECT_FALSE(fs::exists(Profiles() / "Ann.prf"));
    EXPECT_NE(out.find("select: profile 'Rob'"), std::string::npos) << out;
    EXPECT_GT(LoadGrab(0).Count(30, 202, 180, 222, Lettering), 30) << "Rob, second";
    const Grab alone = LoadGrab(1);
    EXPECT_GT(alone.Count(30, 182, 180, 202, Lettering), 30) << "Rob, first";
    EXPECT_EQ(alone.Count(30, 202, 180, 222, Lettering), 0) << "nothing below";
}

TEST_F(SelectPagesProgram, DeletingTheLastProfileOpensTheRiderPageAndCancelKeepsTheOldName) {
    SaveProfile("Solo");
    Script s;
    s.Click(kMainFamily3.x, kMainFamily3.y);
    s.Click(kProfileEdit.x, kProfileEdit.y);
    s.Click(kRiderName.x, kRiderName.y);
    s.Type("\b\b\b\bGone\r");
    s.Click(kRiderCancel.x, kRiderCancel.y);  // the name stays
    s.Click(kProfileDelete.x, kProfileDelete.y);
    s.Click(kRiderCancel.x, kRiderCancel.y);
    s.Click(kProfileOk.x, kProfileOk.y);      // no profile left: a new one
    s.Key("RETURN");                          // on to the bike page: the timed worlds
    s.Key("ESC");
    s.Click(kMainQuit.x, kMainQuit.y);

    std::string out;
    ASSERT_EQ(Run(s, &out), 0) << out;
    EXPECT_EQ(PagesEntered(), (Pages{"0", "5", "6", "5", "6", "5", "7", "11", "0"})) << out;
    EXPECT_FALSE(fs::exists(Profiles() / "Gone.prf"));
    EXPECT_FALSE(fs::exists(Profiles() / "Solo.prf"));
    EXPECT_TRUE(fs::is_empty(Profiles())) << "nothing written for the cancelled new profile";
    EXPECT_NE(out.find("select: bike family 3 world 3001 kind 2 selected 0"), std::string::npos)
        << "the locked bonus world is not offered\n"
        << out;
}

TEST_F(SelectPagesProgram, AFamilyWithoutWorldsCannotBeRacedAndThePointHuntHasNoRiders) {
    std::string error;
    ASSERT_TRUE(tools::WritePack((folder_ / "Tracks.dat").string(), {{"a.wld", SimpleWorld(1001, 0, "VALLEE"), false}},
                                 &error))
        << error;
    Script s;
    s.Click(kMainFamily2.x, kMainFamily2.y);  // no worlds of its kind
    s.Click(kProfileOk.x, kProfileOk.y);
    s.Key("RETURN").Click(kWorldOk.x, kWorldOk.y);    // both refused
    s.Key("ESC");
    s.Click(kMainFamily1.x, kMainFamily1.y);
    s.Click(kWorldModeRight.x, kWorldModeRight.y).Click(kWorldModeRight.x, kWorldModeRight.y);
    s.Grab();  // 0: the point hunt
    s.Click(kWorldOk.x, kWorldOk.y);
    s.Key("ESC");
    s.Click(kMainQuit.x, kMainQuit.y);

    std::string out;
    ASSERT_EQ(Run(s, &out), 0) << out;
    EXPECT_EQ(PagesEntered(), (Pages{"0", "5", "7", "0", "7", "11", "0"})) << out;
    EXPECT_NE(out.find("select: bike family 1 world 1001 kind 0 selected 0 laps 4 time 7 points 10 riders 7 mode 2 "),
              std::string::npos)
        << out;
    const Grab points = LoadGrab(0);
    // The first slider's knob shows points 10 (value 5 of 35.5); the riders slider has none.
    EXPECT_GT(points.Count(387, 95 + 36, 387 + 190, 95 + 53, Orange), 30) << "the points slider's knob";
    EXPECT_EQ(points.Count(387, 165 + 36, 387 + 190, 165 + 53, Orange), 0) << "no knob: no computer riders";
}

TEST_F(SelectPagesProgram, AnotherUnlockWordStartsTheChampionshipListsAnew) {
    SaveProfile("Lucky", 1 | 2 | 4);
    SaveProfile("Plain");
    Script s;
    s.Click(kMainChampionship.x, kMainChampionship.y);
    s.Click(LargeListRow(10, 112, 2).x, LargeListRow(10, 112, 2).y);  // Plain
    s.Click(kProfileOk.x, kProfileOk.y);
    s.Click(kChampAddAll.x, kChampAddAll.y);
    s.Key("ESC");
    s.Click(kMainChampionship.x, kMainChampionship.y);  // the same unlocks: the list is kept
    s.Key("RETURN");
    s.Key("ESC");
    s.Click(kMainOptions.x, kMainOptions.y);
    s.Key("RETURN");                                                  // the profile page
    s.Click(LargeListRow(10, 112, 1).x, LargeListRow(10, 112, 1).y);  // Lucky
    s.Click(kProfileOk.x, kProfileOk.y);
    s.Key("ESC");
    s.Click(kMainChampionship.x, kMainChampionship.y);
    s.Key("RETURN");  // the chosen list was emptied: refused
    s.Click(kChampAddAll.x, kChampAddAll.y);
    s.Key("RETURN");
    s.Key("ESC");
    s.Click(kMainQuit.x, kMainQuit.y);

    std::string out;
    ASSERT_EQ(Run(s, &out), 0) << out;
    EXPECT_EQ(PagesEntered(), (Pages{"0", "5", "12", "0", "12", "11", "0", "1", "5", "1", "0", "12", "11", "0"})) << out;
    const size_t first = out.find("select: bike family 4 ");
    ASSERT_NE(first, std::string::npos) << out;
    EXPECT_NE(out.find("championship 1001 1002 1003 2002 2003 3001\n", first), std::string::npos) << out;
    EXPECT_NE(out.find("championship 1001 1002 1003 2002 2003 3001 4001\n", first), std::string::npos)
        << "the bonus world, and no world twice\n"
        << out;
    EXPECT_NE(out.find("select: profile 'Lucky'"), std::string::npos) << out;
}

}  // namespace
}  // namespace kes
