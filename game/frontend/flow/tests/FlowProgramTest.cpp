// The game flow run by the real program, headless, with scripted input: a race from the command
// line, a race chosen in the menus, and a championship; checked by exit code, event log, the saved
// profile and settings.
#include <algorithm>
#include <cstdio>
#include <regex>

#include "game/frontend/flow/tests/FlowProgram.h"
#include "game/app/loop/tests/ScreenGrab.h"
#include "game/core/pack/PackFile.h"
#include "tools/contentgen/demos/ShippedDemos.h"

namespace kes::testing {
namespace {

constexpr int kThrottle = 54;  // right Shift
constexpr int kLeft = 203;
constexpr int kEsc = 1;
constexpr int kReturn = 28;
constexpr int kGrab = 88;  // F12


// Screen colours: the test world's grass, its missing sky, and the HUD's.
bool Grass(const Rgb& c) { return c[1] > c[0] + 20 && c[1] > c[2] + 40 && c[1] > 100; }
bool Black(const Rgb& c) { return c[0] + c[1] + c[2] < 30; }
bool White(const Rgb& c) { return c[0] > 235 && c[1] > 235 && c[2] > 235; }
bool Dark(const Rgb& c) { return c[0] < 90 && c[1] < 90 && c[2] < 90; }
bool LapRed(const Rgb& c) { return c[0] > 200 && c[1] > 40 && c[1] < 120 && c[2] < 90; }
bool Red(const Rgb& c) { return c[0] > 200 && c[1] < 80 && c[2] < 80; }

int Count(const std::vector<int>& v, int x) { return static_cast<int>(std::count(v.begin(), v.end(), x)); }

// A: a timed world named on the command line, no computer riders, a one-minute limit. The
// opponents' page comes first; then a minute of throttle and steering, Esc once the time is up, the
// main page without any results page, and Quit.
TEST_F(FlowProgram, CommandLineRaceOnATimedWorldReturnsToTheMenus) {
    AddWorld("Timed.wld", 301, 2, "Chrono", "Un@Deux@Trois@Quatre@2");
    ConfigRecord config;
    config.raceOption1 = 0;
    config.raceOption4 = 1;
    config.gameMode = 1;
    StoreSettings(config);
    std::string script = "# the opponents' page\n" + Press(20, kReturn);
    script += Key(200, kThrottle, true);
    for (int f = 400; f < 7000; f += 600) script += Key(f, kLeft, true) + Key(f + 60, kLeft, false);
    script += Key(7400, kThrottle, false);
    script += "# the time is up: leave the race\n" + Press(11000, kEsc) + Press(11100, kEsc);
    script += "# Quit on the main page\n" + Click(11400, 318, 443);
    const int code = Run(script, "'" + (folder_ / "Tracks" / "Timed.wld").string() + "'", FrameOf(12500));
    ASSERT_EQ(code, 0) << output_ << "\nevents: " << EventText();
    const std::vector<int> pages = EventsOf("page");
    ASSERT_FALSE(pages.empty()) << EventText();
    EXPECT_EQ(pages.front(), 17) << EventText();
    EXPECT_EQ(Count(pages, 18), 0) << "no results after a command-line race: " << EventText();
    EXPECT_EQ(Count(pages, 16), 0) << EventText();
    EXPECT_GE(Count(pages, 0), 1) << EventText();
    const std::vector<int> phases = EventsOf("phase");
    EXPECT_GE(Count(phases, 8), 1) << "the race was run: " << EventText();
    EXPECT_GE(Count(phases, 10), 1) << "the time limit ended it for everyone: " << EventText();
    EXPECT_GE(Count(phases, 11), 1) << "Esc left it: " << EventText();
    Profile profile;
    ASSERT_TRUE(SavedProfile(&profile)) << output_;
    EXPECT_FLOAT_EQ(profile.GetStat(6), 1.0f) << "one race started on a timed world";
    ConfigRecord stored;
    ASSERT_TRUE(SettingsStored(&stored));
    EXPECT_EQ(stored.raceOption4, 1u);
}

// Until the race is over, Esc opens the in-race menu and the second Esc closes it again; once it is
// over (phase 10) the first Esc leaves, and Return accepts the results page.
std::string LeaveWhenOver(int from, int to, int every) {
    std::string s;
    for (int f = from; f < to; f += every) s += Press(f, kEsc) + Press(f + 100, kEsc) + Press(f + 200, kReturn);
    return s;
}

// B: from the main page a new profile is made and a lap race run against three computer riders to
// its end; the results page follows and the profile keeps the race in its statistics. Two screen
// grabs while racing show the landscape, the player's bike and rider and the HUD (kept in the build
// folder's flow_screens/ to look at).
TEST_F(FlowProgram, MenuRaceWithANewProfileShowsResultsAndKeepsStatistics) {
    AddWorld("Lap.wld", 101, 0, "Boucle");
    ConfigRecord config;
    config.raceOption1 = 3;
    config.raceOption2 = 3;
    config.gameMode = 1;
    StoreSettings(config);
    std::string script = "# family 1, then NEW profile\n" + Click(20, 195, 229) + Click(60, 546, 134);
    script += "# the name box: the default name erased, then C, I, Return\n" + Click(100, 483, 162);
    for (int t = 106; t < 130; t += 2) script += Char(t, 8);
    script += Char(130, 67) + Char(132, 73) + Char(135, 13);
    script += "# rider page OK, profile page OK, world page Return, RACE\n" + Click(160, 556, 432) +
              Click(200, 556, 432) + Press(240, kReturn) + Click(280, 558, 438);
    script += "# screen grabs from the intro on, between the in-race menu's visits\n";
    const std::vector<int> grabTicks = {2000, 2500, 2900, 3350, 3850, 4350, 4850, 5350, 5850};
    for (int t : grabTicks) script += Press(t, kGrab);
    script += LeaveWhenOver(3000, 22500, 1500);
    script += "# Quit on the main page\n" + Click(23000, 318, 443);
    const int code = Run(script, "", FrameOf(24000));
    ASSERT_EQ(code, 0) << output_ << "\nevents: " << EventText();
    const fs::path keep = fs::path(GRAVELON_BINARY_DIR) / "flow_screens";
    fs::create_directories(keep);
    // How long the intro lasts varies: the grabs showing the running lap time were taken while racing.
    int racing = 0;
    for (size_t i = 0; i < grabTicks.size(); ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "PIC%04zu.BMP", i);
        SCOPED_TRACE(name);
        ScreenGrab grab;
        ASSERT_TRUE(grab.Load(folder_ / "Grabs" / name)) << output_;
        fs::copy_file(folder_ / "Grabs" / name, keep / (std::string("menu_race_") + name),
                      fs::copy_options::overwrite_existing);
        if (grab.Count(56, 24, 176, 48, LapRed) <= 300) continue;
        ++racing;
        ASSERT_EQ(grab.width, 640u);
        ASSERT_EQ(grab.height, 480u);
        // The landscape: the ground fills the lower part (between the map and the direction arrow);
        // the world has no sky, so the top is black.
        EXPECT_GT(grab.Count(140, 300, 640, 420, Grass), 500 * 120 * 9 / 10) << "ground";
        EXPECT_GT(grab.Count(0, 0, 640, 60, Black), 640 * 60 * 8 / 10) << "no sky";
        // The chase view: the player's bike and rider stand in the middle, below the horizon.
        EXPECT_GT(grab.Count(290, 140, 350, 270, [](const Rgb& c) { return !Grass(c) && !Black(c); }), 1000)
            << "bike and rider";
        // The HUD besides the running lap time: the place digit, the mini-map's dark panel with the
        // player's red marker.
        EXPECT_GT(grab.Count(540, 24, 588, 72, White), 250) << "place digit";
        EXPECT_GT(grab.Count(13, 354, 125, 466, Dark), 10000) << "map panel";
        EXPECT_GT(grab.Count(13, 354, 125, 466, Red), 12) << "the player's marker";
    }
    EXPECT_GE(racing, 2) << "grabs while racing";
    const std::vector<int> pages = EventsOf("page");
    for (int page : {5, 6, 7, 11, 16}) EXPECT_GE(Count(pages, page), 1) << page << ": " << EventText();
    const std::vector<int> phases = EventsOf("phase");
    EXPECT_GE(Count(phases, 10), 1) << "the race ran to its end: " << EventText();
    ASSERT_TRUE(fs::exists(folder_ / "Profiles" / "CI.prf")) << output_;
    EXPECT_EQ(fs::file_size(folder_ / "Profiles" / "CI.prf"), 2u + 1045u);
    Profile profile;
    std::string name;
    ASSERT_TRUE(SavedProfile(&profile, &name));
    EXPECT_EQ(name, "CI.prf");
    EXPECT_FLOAT_EQ(profile.GetStat(0), 1.0f) << "one lap race started";
    ConfigRecord stored;
    ASSERT_TRUE(SettingsStored(&stored));
    EXPECT_EQ(std::string(stored.text.data()), "CI") << "the last profile";
}

// The replay keys while racing (the profile's default keys): N turns the replay off and on again;
// while it is off nothing is recorded or saved. Then 2 picks demo slot 2, V records, B stops and S
// saves the recording as the world's demo of that slot in the replay folder.
TEST_F(FlowProgram, ReplayKeysRecordTheRaceAndSaveItAsADemo) {
    constexpr int kToggle = 49, kSave = 31, kRecord = 47, kStop = 48, kSlot2 = 3;
    AddWorld("Lap.wld", 101, 0, "Boucle");
    ConfigRecord config;
    config.raceOption1 = 0;
    config.gameMode = 1;
    StoreSettings(config);
    std::string script = "# the opponents' page\n" + Press(20, kReturn);
    script += Key(200, kThrottle, true);
    script += "# racing from about tick 1500: N turns the replay off, and record and save do nothing\n" +
              Press(1750, kToggle) + Press(1800, kRecord) + Press(1850, kStop) + Press(1900, kSave);
    script += "# replay on again, slot 2, record, ride, stop, save\n" + Press(2000, kToggle) +
              Press(2050, kSlot2) + Press(2100, kRecord);
    for (int f = 2200; f < 2800; f += 200) script += Key(f, kLeft, true) + Key(f + 40, kLeft, false);
    script += Press(2800, kStop) + Press(2900, kSave);
    script += "# retire\n" + Press(3200, kEsc) + Click(3300, 208, 194) + Press(3500, kReturn) + Press(3600, kReturn);
    script += "# Quit on the main page\n" + Click(4000, 318, 443);
    const int code = Run(script, "'" + (folder_ / "Tracks" / "Lap.wld").string() + "'", FrameOf(5000));
    ASSERT_EQ(code, 0) << output_ << "\nevents: " << EventText();
    EXPECT_GE(Count(EventsOf("phase"), 8), 1) << EventText();
    EXPECT_FALSE(fs::exists(folder_ / "Replay" / "Boucle1.dem")) << "saved while the replay was off";
    const fs::path demo = folder_ / "Replay" / "Boucle2.dem";
    ASSERT_TRUE(fs::exists(demo)) << output_;
    std::ifstream in(demo, std::ios::binary);
    const std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    // The header {0, world identifier, 1, 0, 0, 125}, then the records, starting with a key frame.
    ASSERT_GE(bytes.size(), 24u + 279u);
    const uint32_t header[6] = {0, 101, 1, 0, 0, 125};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(plat::LoadU32(bytes.data() + 4 * i), header[i]) << "header word " << i;
    EXPECT_EQ(bytes[24], 1) << "the first record is a key frame";
    // About seven seconds of riding at 100 steps a second: a key frame every 25 steps.
    size_t keyFrames = 0;
    for (size_t at = 24; at < bytes.size(); at += bytes[at] == 1 ? 279 : 12) keyFrames += bytes[at] == 1 ? 1 : 0;
    EXPECT_GE(keyFrames, 20u);
}

// D: a championship of five worlds, each race left by retiring: race results and standings after
// each race, the final standings after the last, then the main page.
TEST_F(FlowProgram, ChampionshipOfFiveRetiredRacesShowsStandingsBetweenRaces) {
    for (uint32_t i = 0; i < 5; ++i) AddWorld("Champ" + std::to_string(i) + ".wld", 111 + i, i % 2, "Manche");
    ConfigRecord config;
    config.raceOption1 = 3;
    config.gameMode = 1;
    StoreSettings(config);
    std::string script = "# championship, profile page OK, ADD ALL, OK, RACE\n" + Click(20, 195, 348) +
                         Click(60, 556, 432) + Click(100, 448, 378) + Click(140, 567, 432) + Click(180, 558, 438);
    // Each cycle: Esc opens the in-race menu, RETIRE, Return on the results and on the standings
    // (cycles that come before a race is running, or after the last, change nothing).
    for (int f = 1500; f < 28000; f += 700)
        script += Press(f, kEsc) + Click(f + 100, 208, 194) + Press(f + 300, kReturn) + Press(f + 400, kReturn);
    script += "# Quit on the main page\n" + Click(28500, 318, 443);
    const int code = Run(script, "", FrameOf(30000));
    ASSERT_EQ(code, 0) << output_ << "\nevents: " << EventText();
    const std::vector<int> pages = EventsOf("page");
    EXPECT_EQ(Count(pages, 12), 1) << EventText();
    EXPECT_EQ(Count(pages, 16), 5) << "the results of every race: " << EventText();
    EXPECT_EQ(Count(pages, 19), 4) << "standings between races: " << EventText();
    EXPECT_EQ(Count(pages, 20), 1) << "final standings: " << EventText();
    EXPECT_EQ(Count(EventsOf("phase"), 11), 5) << EventText();
    ASSERT_FALSE(pages.empty());
    EXPECT_EQ(pages.back(), 0) << EventText();
    Profile profile;
    ASSERT_TRUE(SavedProfile(&profile)) << output_;
    EXPECT_FLOAT_EQ(profile.GetStat(12), 1.0f) << "one championship started";
    EXPECT_FLOAT_EQ(profile.GetStat(0) + profile.GetStat(3), 5.0f) << "five races started";
    EXPECT_FLOAT_EQ(profile.GetStat(2) + profile.GetStat(5), 0.0f) << "retired races score nothing";
}

// A drag on the menu: a press at (x, y), a move by (dx, 0) with the button held, the release.
std::string Drag(int tick, int x, int y, int dx) {
    const int f = FrameOf(tick);
    return At(f, "move -1000 -1000") + At(f + 1, "move " + std::to_string(x) + " " + std::to_string(y)) +
           At(f + 2, "mouse 0 down") + At(f + 3, "move " + std::to_string(dx) + " 0") + At(f + 4, "mouse 0 up");
}

// The first run of a new player through the menus: a profile made on the rider page, a key rebound on
// the controls page, the screen mode and mip mapping changed on the display page, both volumes moved
// on the sound page, a tutorial movie played, a championship of five worlds set up with a custom
// bike, and Quit. Checked by the pages visited, the saved profile and the stored settings.
// The start-up measurement counts the triangles drawn in its ten seconds: the menu's picture and
// line, and the display bike with its rider standing on the menu world. Without the menu world there
// is no bike. With the fixed frame time every run draws the same 250 frames; the detail settings
// follow from the count (the draw distance grows with it).
TEST_F(FlowProgram, TheStartUpMeasurementDrawsTheBikeOnTheMenuWorld) {
    // The triangles counted and the frames they were drawn in, from the event log.
    const auto measured = [&](uint64_t* triangles, uint64_t* frames) {
        const std::regex line(R"(measured (\d+) triangles in (\d+) frames)");
        for (const std::string& e : Events()) {
            std::smatch m;
            if (std::regex_match(e, m, line)) {
                *triangles = std::stoull(m[1]);
                *frames = std::stoull(m[2]);
                return *frames == 250;
            }
        }
        return false;
    };
    const std::string quit = Click(100, 318, 443);
    uint64_t alone = 0, withBike = 0, frames = 0;
    ASSERT_EQ(Run(quit, "", FrameOf(2000)), 0) << output_;
    ASSERT_TRUE(measured(&alone, &frames)) << EventText();
    EXPECT_LT(alone / frames, 500u) << "no menu world, no bike";
    ConfigRecord stored;
    ASSERT_TRUE(SettingsStored(&stored));
    EXPECT_EQ(stored.drawDistance, 0u) << "the least detail for a machine that draws so little";

    UseDefaultTrackPack();
    ASSERT_EQ(Run(quit, "", FrameOf(2000)), 0) << output_;
    ASSERT_TRUE(measured(&withBike, &frames)) << EventText();
    EXPECT_GT((withBike - alone) / frames, 1000u) << "the bike and its rider";
    ASSERT_TRUE(SettingsStored(&stored));
    EXPECT_GT(stored.drawDistance, 0u) << "more detail for a machine that draws the bike as well";
}

TEST_F(FlowProgram, FirstRunWalkThroughProfileOptionsTutorialAndChampionship) {
    constexpr int kUp = 200, kDown = 208, kRight = 205, kNewKey = 37;  // K
    for (uint32_t i = 0; i < 5; ++i) AddWorld("Champ" + std::to_string(i) + ".wld", 211 + i, i % 2, "Manche");
    AddMoviePack();
    UseDefaultTrackPack();
    StoreSettings(ConfigRecord{});
    std::string s = "# Esc skips each of the three intro movies\n" + At(2, "key 1 down") + At(3, "key 1 up") +
                    At(4, "key 1 down") + At(5, "key 1 up") + At(6, "key 1 down") + At(7, "key 1 up");
    s += "# options, through the profile page: NEW\n" + Click(40, 450, 348) + Click(60, 546, 134);
    s += "# the rider page: the default name erased, \"Ana\" typed, Return\n" + Click(100, 483, 162);
    int t = 120;
    for (int i = 0; i < 12; ++i, t += 4) s += Char(t, 8);
    for (int c : {int{'A'}, int{'n'}, int{'a'}, 13}) s += Char(t, c), t += 4;
    s += "# another rider skin and bike skin, then a grab of the page\n" + Press(200, kDown) + Press(220, kUp) +
         Press(240, kDown) + Press(260, kRight);
    s += Press(300, kGrab);
    s += "# rider page OK, profile page OK: the options menu\n" + Click(340, 556, 432) + Click(380, 556, 432);
    // The controls list: rows 12 px apart from y 141 in the frame at (34, 118); the first binding's
    // name starts at character 17, 7 px each from x 53.
    s += "# controls: the third line clicked twice, K pressed, BACK\n" + Click(420, 308, 194) +
         Click(460, 175, 171) + Click(500, 175, 171) + Press(540, kNewKey) + Click(580, 556, 432);
    // The screen mode slider's knob sits at the first mode of the list (the 640 x 480 start-up mode).
    s += "# display: the screen mode slider dragged on, mip mapping switched, OK\n" + Click(620, 308, 252) +
         Drag(660, 91, 209, 40) + Click(700, 367, 362) + Click(740, 556, 432);
    // Volume knobs: at x + 18 + 1.5 x volume, y + 44; a pixel of drag is 2/3 of a percent.
    s += "# sound: effects 100 -> 60, music 60 -> 80, OK; options BACK\n" + Click(780, 308, 313) +
         Drag(820, 226, 162, -60) + Drag(860, 166, 282, 30) + Click(900, 563, 442) + Click(940, 423, 432);
    s += "# tutorials: the first movie, then back\n" + Click(980, 450, 308) + Click(1020, 188, 138) +
         Press(1200, kEsc) + Click(1300, 576, 452);
    // The custom bike's first two sliders (at (125, 162) and (125, 217), knobs at the new profile's
    // 10) are raised to 40 and 30, within the 100 points a new profile has.
    s += "# championship: ADD ALL, OK, the custom bike, BACK to the set-up, Esc to the main page\n" +
         Click(1340, 195, 348) + Click(1380, 448, 378) + Click(1420, 567, 432) + Click(1460, 62, 349) +
         Drag(1500, 158, 206, 45) + Drag(1540, 158, 261, 30) + Click(1580, 440, 438) + Press(1620, kEsc);
    s += "# Quit on the main page\n" + Click(1660, 318, 443);
    const int code = Run(s, "", FrameOf(2500));
    ASSERT_EQ(code, 0) << output_ << "\nevents: " << EventText();

    // The rider page's grab, kept in the build folder's flow_screens/ to look at.
    const fs::path keep = fs::path(GRAVELON_BINARY_DIR) / "flow_screens";
    fs::create_directories(keep);
    ScreenGrab rider;
    ASSERT_TRUE(rider.Load(folder_ / "Grabs" / "PIC0000.BMP")) << output_;
    fs::copy_file(folder_ / "Grabs" / "PIC0000.BMP", keep / "rider_page.bmp", fs::copy_options::overwrite_existing);
    // The turning rider on the bike stands in the preview frame (255 x 246 at (53, 134)), whose panel is
    // dark grey; the rest of the frame's width beside the page's right-hand items shows no racer.
    const auto lit = [](const Rgb& c) { return std::max({c[0], c[1], c[2]}) > 110; };
    EXPECT_GT(rider.Count(60, 140, 300, 375, lit), 4000) << "the rider and bike in the preview";
    EXPECT_LT(rider.Count(60, 140, 300, 375, lit), 240 * 235 / 2) << "and the frame's panel around them";
    int movies = 0;
    for (const std::string& e : Events()) movies += e == "movie Tutorial\\basiccntrl.bik" ? 1 : 0;
    EXPECT_EQ(movies, 1) << "the first tutorial movie played: " << EventText();
    const std::vector<int> pages = EventsOf("page");
    const std::vector<int> expected = {0, 5, 6, 5, 1, 4, 1, 2, 1, 3, 1, 0, 14, 0, 12, 11, 12, 0};
    EXPECT_EQ(pages, expected) << EventText();
    Profile profile;
    std::string name;
    ASSERT_TRUE(SavedProfile(&profile, &name)) << output_;
    EXPECT_EQ(name, "Ana.prf");
    EXPECT_EQ(profile.GetKey(2), static_cast<uint32_t>(kNewKey)) << "the rebound key";
    EXPECT_NE(profile.GetKey(1), static_cast<uint32_t>(kNewKey)) << "only the chosen line changed";
    EXPECT_FLOAT_EQ(profile.GetStat(kStatBikeClass), 4.0f) << "the custom bike chosen";
    EXPECT_FLOAT_EQ(profile.GetStat(kStatCustomBike), 40.0f);
    EXPECT_FLOAT_EQ(profile.GetStat(kStatCustomBike + 1), 30.0f);
    EXPECT_FLOAT_EQ(profile.GetStat(kStatCustomBike + 2), 10.0f);
    const Profile fresh;
    EXPECT_TRUE(profile.GetRiderSkin() != fresh.GetRiderSkin() || profile.GetBikeSkin() != fresh.GetBikeSkin())
        << "other skins chosen";
    ConfigRecord stored;
    ASSERT_TRUE(SettingsStored(&stored));
    const ConfigRecord start;
    EXPECT_EQ(stored.effectsVolume, 60u);
    EXPECT_EQ(stored.musicVolume, 80u);
    EXPECT_NE(stored.mipMapping, start.mipMapping);
    EXPECT_TRUE(stored.screenWidth != start.screenWidth || stored.screenHeight != start.screenHeight ||
                stored.bitsPerPixel != start.bitsPerPixel)
        << "another screen mode: " << stored.screenWidth << " x " << stored.screenHeight << " x " << stored.bitsPerPixel;
    EXPECT_EQ(std::string(stored.text.data()), "Ana") << "the last profile";
}

// The demos that come with the game: on the world the first one was recorded on, in practice, slot
// key 1 and the load key L load "1.dem" from the replay folder, and the rider plays it through to its
// end; then slot 6 (a demo of another world, or of this one when there are fewer worlds) is tried.
TEST_F(FlowProgram, ShippedDemoLoadsAndPlaysThroughInTheGame) {
    constexpr int kLoad = 38, kStop = 48, kSlot1 = 2, kSlot6 = 7;
    const fs::path content = fs::path(GRAVELON_BINARY_DIR) / "content";
    std::vector<tools::DemoWorld> worlds;
    std::string error;
    ASSERT_TRUE(tools::ShippedDemoWorlds((content / "Tracks.dat").string(), &worlds, &error)) << error;
    // The world as a loose file named on the command line.
    kes::PackFile pack;
    ASSERT_EQ(pack.Open((content / "Tracks.dat").string().c_str(), "rb", 0, worlds[0].offset,
                        static_cast<int32_t>(worlds[0].size)),
              kes::kOk);
    std::vector<uint8_t> world(static_cast<size_t>(std::max(pack.Size(), 0)));
    ASSERT_EQ(pack.Read(world.data(), static_cast<uint32_t>(world.size())), kes::kOk);
    std::ofstream(folder_ / "Tracks" / "Demo.wld", std::ios::binary)
        .write(reinterpret_cast<const char*>(world.data()), static_cast<std::streamsize>(world.size()));
    fs::create_directories(folder_ / "Replay");
    for (uint32_t slot : {1u, 6u})
        fs::copy_file(tools::ShippedDemoPath(content.string(), slot), tools::ShippedDemoPath(folder_.string(), slot));
    ConfigRecord config;
    config.raceOption1 = 0;
    config.gameMode = 0;
    StoreSettings(config);
    // Both the opponents' page of a timed world and the race's start are passed with Return.
    std::string script = Press(20, kReturn) + Press(1700, kSlot1) + Press(1750, kLoad);
    script += "# the demo lasts half a minute (and then plays again): stop, slot 6, load\n" + Press(5950, kStop) +
              Press(6000, kSlot6) + Press(6050, kLoad);
    script += "# retire\n" + Press(6500, kEsc) + Click(6600, 208, 194) + Press(6800, kReturn) + Press(6900, kReturn);
    script += "# Quit on the main page\n" + Click(7300, 318, 443);
    const int code = Run(script, "'" + (folder_ / "Tracks" / "Demo.wld").string() + "'", FrameOf(8000));
    ASSERT_EQ(code, 0) << output_ << "\nevents: " << EventText();
    const std::vector<std::string> events = Events();
    const auto at = [&](const std::string& prefix) {
        return std::find_if(events.begin(), events.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
    };
    const auto loaded = at("demo 1.dem loaded");
    ASSERT_NE(loaded, events.end()) << EventText();
    const auto through = std::find_if(loaded, events.end(), [](const std::string& e) {
        return e.rfind("replay played through ", 0) == 0;
    });
    ASSERT_NE(through, events.end()) << "the demo played to its end: " << EventText();
    EXPECT_NE(*through, "replay played through 0 key frames");
    // The sixth demo is loaded when it was recorded on the same world, and refused (saying so) when not.
    if (worlds[5].name == worlds[0].name)
        EXPECT_NE(at("demo 6.dem loaded"), events.end()) << EventText();
    else
        EXPECT_TRUE(std::any_of(events.begin(), events.end(),
                                [](const std::string& e) { return e.find("6.dem refused") != std::string::npos; }))
            << EventText();
}

}  // namespace
}  // namespace kes::testing
