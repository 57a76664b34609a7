// The HUD's pure rules: lap-time digits, centred lines, blanked numbers, the blinking message, map
// markers, gauge colours and the arrow and wrong-way timers.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "game/frontend/hud/Hud.h"
#include "game/frontend/hud/HudCells.h"
#include "game/frontend/hud/HudLayout.h"

namespace kes {
namespace {

// What a quad shows, read back from its cell: "0"-"9", ":" minutes and "." seconds separator, " " blank.
std::string LargeGlyph(const Sprite& q) {
    for (uint32_t d = 0; d < 10; ++d)
        if (q.rect == &LargeDigitCell(d)) return std::to_string(d);
    if (q.rect == &MinutesSeparatorCell()) return ":";
    if (q.rect == &SecondsSeparatorCell()) return ".";
    return "?";
}

std::string Glyphs(const Sprite* q, uint32_t n, const TextureRect& (*cell)(uint32_t)) {
    std::string s;
    for (uint32_t i = 0; i < n; ++i) {
        char c = '?';
        for (uint32_t d = 0; d < 10; ++d)
            if (q[i].rect == &cell(d)) c = static_cast<char>('0' + d);
        if (q[i].rect == &BlankCell()) c = ' ';
        s += c;
    }
    return s;
}

// A lap-time group as a caller keeps it: separators in quads 3 and 6, digits changed per frame.
std::vector<Sprite> LapGroup() {
    std::vector<Sprite> q(8, Sprite{0, 0, 0, 0, kHudDepth, kHudWhite, &BlankCell()});
    q[2].rect = &SecondsSeparatorCell();
    q[5].rect = &MinutesSeparatorCell();
    return q;
}

// Reads the group left to right (quad 8 down to quad 1).
std::string Shown(const std::vector<Sprite>& q) {
    std::string s;
    for (size_t i = q.size(); i-- > 0;) s += LargeGlyph(q[i]);
    return s;
}

TEST(HudLapTime, DigitsAndHoursFromMilliseconds) {
    const struct {
        uint32_t ms;
        const char* shown;
        uint32_t hours;
    } cases[] = {
        {0, "00:00.00", 0},
        {83456, "01:23.45", 0},
        {59999, "00:59.99", 0},        // 59.999 s: the thousandth is dropped, not rounded
        {60000, "01:00.00", 0},
        {3599990, "59:59.99", 0},
        {3600000, "00:00.00", 1},      // whole hours are returned, not shown
        {7384560, "03:04.56", 2},
        {360000000, "00:00.00", 100},  // 100 hours
        {4294967295u, "02:47.29", 1193},
    };
    for (const auto& c : cases) {
        auto q = LapGroup();
        EXPECT_EQ(HudFormatLapTime(c.ms, q.data(), 7), c.hours) << c.ms;
        EXPECT_EQ(Shown(q), c.shown) << c.ms;
    }
}

TEST(HudLapTime, SeparatorsAndGeometryAreLeftAlone) {
    auto q = LapGroup();
    for (size_t i = 0; i < q.size(); ++i) q[i].left = static_cast<float>(i);
    HudFormatLapTime(83456, q.data(), 0);
    EXPECT_EQ(q[2].rect, &SecondsSeparatorCell());
    EXPECT_EQ(q[5].rect, &MinutesSeparatorCell());
    for (size_t i = 0; i < q.size(); ++i) EXPECT_EQ(q[i].left, static_cast<float>(i));
}

TEST(HudCentredLine, PlacesGlyphsOnTheSixteenUnitPitch) {
    Sprite q[kCentredLineMax];
    const std::string text = "NEW TRACK UNLOCKED";
    ASSERT_EQ(LayoutCentredLine(text, 0.1f, 0.2f, q), 18u);
    for (uint32_t i = 0; i < 18; ++i) {
        EXPECT_FLOAT_EQ(q[i].left, static_cast<float>((40 - 18) * 8 + 16 * i) * 0.0015625f) << i;
        EXPECT_NEAR(q[i].right - q[i].left, 0.0375f, 1e-6f) << i;
        EXPECT_EQ(q[i].top, 0.1f);
        EXPECT_EQ(q[i].bottom, 0.2f);
        EXPECT_EQ(q[i].colour, kHudWhite);
        EXPECT_EQ(q[i].z, kHudDepth);
    }
    EXPECT_EQ(q[0].rect, &LetterCell('N' - 'A'));
    EXPECT_EQ(q[3].rect, &BlankCell());
    EXPECT_EQ(q[17].rect, &LetterCell('D' - 'A'));
}

TEST(HudCentredLine, OtherCharactersNeverReadPastTheLetters) {
    Sprite q[kCentredLineMax];
    const std::string text = std::string("aZ9!") + '\xE9' + '@' + '\0' + '[';
    ASSERT_EQ(LayoutCentredLine(text, 0, 1, q), 8u);
    EXPECT_EQ(q[0].rect, &LetterCell(0));  // lower case folds to capitals
    EXPECT_EQ(q[1].rect, &LetterCell(25));
    EXPECT_EQ(q[2].rect, &DigitCell(9));
    for (uint32_t i = 3; i < 8; ++i) EXPECT_EQ(q[i].rect, &BlankCell()) << i;
}

TEST(HudCentredLine, LongTextIsCutToFortyAndStaysOnScreen) {
    Sprite q[kCentredLineMax];
    ASSERT_EQ(LayoutCentredLine(std::string(55, 'A'), 0, 1, q), kCentredLineMax);
    EXPECT_FLOAT_EQ(q[0].left, 0.0f);
    EXPECT_NEAR(q[kCentredLineMax - 1].left, 0.975f, 1e-6f);  // 39 x 16 units: no quad beyond the forty
    EXPECT_EQ(LayoutCentredLine("", 0, 1, q), 0u);
}

TEST(HudNumbers, LeadingZerosBlankUpToTheLimit) {
    const struct {
        uint32_t value, digits, blank;
        const char* shown;
    } cases[] = {
        {0, 5, 4, "    0"},    {7, 5, 4, "    7"},     {1234, 5, 4, " 1234"}, {99999, 5, 4, "99999"},
        {123456, 5, 4, "23456"}, {0, 7, 6, "      0"}, {40, 2, 1, "40"},     {5, 2, 1, " 5"},
        {0, 3, 2, "  0"},      {305, 3, 2, "305"},     {5, 4, 0, "0005"},    {100, 3, 2, "100"},
    };
    for (const auto& c : cases) {
        Sprite q[8] = {};
        LayoutNumber(c.value, c.digits, c.blank, DigitCell, q);
        EXPECT_EQ(Glyphs(q, c.digits, DigitCell), c.shown) << c.value;
    }
}

TEST(HudMessage, BlinksSevenHundredMillisecondsOfEachSecond) {
    const struct {
        uint32_t timer;
        bool shown;
    } cases[] = {{0, false}, {300, false}, {301, true}, {999, true}, {1000, false}, {1250, false},
                 {1300, false}, {1301, true}, {1999, true}, {2000, false}, {10000, false}, {9999, true}};
    for (const auto& c : cases) EXPECT_EQ(MessageVisible(c.timer), c.shown) << c.timer;
}

TEST(HudOrdinals, SuffixesFollowEnglish) {
    const struct {
        uint32_t n, suffix;
    } cases[] = {{1, 0}, {2, 1}, {3, 2}, {4, 3}, {8, 3}, {0, 3}, {11, 3}, {12, 3}, {13, 3}, {21, 0}, {22, 1}, {111, 3}};
    for (const auto& c : cases) EXPECT_EQ(OrdinalSuffix(c.n), c.suffix) << c.n;
}

TEST(HudMap, MarkersOnlyInsideTheMap) {
    const struct {
        float x, y;
        bool drawn;
        float cx, cy;
    } cases[] = {
        {0.0f, 0.0f, true, kMapLeft, kMapBottom},  // world origin: the map's bottom-left corner
        {1.0f, 1.0f, true, kMapRight, kMapTop},
        {0.5f, 0.5f, true, (kMapLeft + kMapRight) / 2, (kMapTop + kMapBottom) / 2},
        {1.2f, 0.5f, false, 0, 0},
        {0.5f, -0.01f, false, 0, 0},
        {NAN, 0.5f, false, 0, 0},
    };
    for (const auto& c : cases) {
        Sprite m{};
        ASSERT_EQ(PlaceMapMarker(c.x, c.y, 0xFF123456u, &m), c.drawn) << c.x << "," << c.y;
        if (!c.drawn) continue;
        EXPECT_NEAR((m.left + m.right) / 2, c.cx, 1e-6f);
        EXPECT_NEAR((m.top + m.bottom) / 2, c.cy, 1e-6f);
        EXPECT_NEAR(m.right - m.left, 0.0125f, 1e-6f);
        EXPECT_NEAR(m.bottom - m.top, 0.016667f, 1e-6f);
        EXPECT_EQ(m.colour, 0xFF123456u);
        EXPECT_EQ(m.rect, &MapMarkerCell());
    }
}

TEST(HudGauge, BarColourByMagnitude) {
    const struct {
        float magnitude;
        uint32_t colour;
    } cases[] = {{0.0f, 0xFF00FF00u}, {0.1f, 0xFF00FF00u}, {0.15f, 0xFFFFFF00u}, {0.3f, 0xFFFFFF00u},
                 {0.4f, 0xFFFF0000u}, {0.9f, 0xFFFF0000u}, {1.0f, 0xFFFFFFFFu}, {3.0f, 0xFFFFFFFFu}};
    for (const auto& c : cases) EXPECT_EQ(GaugeBarColour(c.magnitude), c.colour) << c.magnitude;
}

TEST(HudTimers, ArrowShowsOnTheThirtyFirstFrameAndResets) {
    ArrowDelay delay;
    for (int frame = 1; frame <= 30; ++frame) EXPECT_FALSE(delay.Frame(true)) << frame;
    EXPECT_TRUE(delay.Frame(true));
    EXPECT_TRUE(delay.Frame(true));
    EXPECT_FALSE(delay.Frame(false));
    for (int frame = 1; frame <= 30; ++frame) EXPECT_FALSE(delay.Frame(true)) << frame;
    EXPECT_TRUE(delay.Frame(true));
}

TEST(HudTimers, WrongWayAfterMoreThanFourSecondsBackwards) {
    WrongWayTimer timer;
    EXPECT_FALSE(timer.Frame(true, -0.31f, 4000));  // exactly 4000 ms is not yet "more than"
    EXPECT_TRUE(timer.Frame(true, -0.31f, 1));
    EXPECT_FALSE(timer.Frame(true, -0.3f, 10));      // -0.3 itself resets
    EXPECT_EQ(timer.Elapsed(), 0u);
    EXPECT_FALSE(timer.Frame(true, -1.0f, 3000));
    EXPECT_FALSE(timer.Frame(false, -1.0f, 3000));   // off the bike: nothing shown, nothing counted
    EXPECT_EQ(timer.Elapsed(), 3000u);
    EXPECT_TRUE(timer.Frame(true, -1.0f, 1001));
    EXPECT_FALSE(timer.Frame(true, NAN, 10));        // an undefined direction is not "backwards"
    EXPECT_EQ(timer.Elapsed(), 0u);
    EXPECT_TRUE(timer.Frame(true, -1.0f, 0xFFFFFFF0u));
    EXPECT_TRUE(timer.Frame(true, -1.0f, 0xFFFFFFF0u));  // saturates instead of wrapping to 0
    EXPECT_EQ(timer.Elapsed(), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace kes
