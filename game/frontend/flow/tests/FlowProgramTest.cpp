// The game flow run by the real program, headless, with scripted input: a race from the command
// line, a race chosen in the menus, and a championship; checked by exit code, event log, the saved
// profile and settings.
#include <algorithm>

#include "game/frontend/flow/tests/FlowProgram.h"

namespace kes::testing {
namespace {

constexpr int kThrottle = 54;  // right Shift
constexpr int kLeft = 203;
constexpr int kEsc = 1;
constexpr int kReturn = 28;

std::string Key(int frame, int code, bool down) {
    return std::to_string(frame) + " key " + std::to_string(code) + (down ? " down\n" : " up\n");
}
std::string Press(int frame, int code) { return Key(frame, code, true) + Key(frame + 2, code, false); }
// A click at (x, y) of the 640 x 480 menu: the pointer is first pushed into the top left corner.
std::string Click(int frame, int x, int y) {
    return std::to_string(frame) + " move -1000 -1000\n" + std::to_string(frame + 1) + " move " + std::to_string(x) +
           " " + std::to_string(y) + "\n" + std::to_string(frame + 3) + " mouse 0 down\n" +
           std::to_string(frame + 5) + " mouse 0 up\n";
}

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
    const int code = Run(script, "'" + (folder_ / "Tracks" / "Timed.wld").string() + "'", 12500);
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

}  // namespace
}  // namespace kes::testing
