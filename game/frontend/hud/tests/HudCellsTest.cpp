// The glyph cells sit where the texture pictures are painted, and no index reads past a table.
#include <gtest/gtest.h>

#include <string>

#include "game/frontend/hud/HudCells.h"

namespace kes {
namespace {

void ExpectCell(const TextureRect& r, float u0, float v0, float u1, float v1, const std::string& what) {
    EXPECT_FLOAT_EQ(r.uMin, u0) << what;
    EXPECT_FLOAT_EQ(r.vMin, v0) << what;
    EXPECT_FLOAT_EQ(r.uMax, u1) << what;
    EXPECT_FLOAT_EQ(r.vMax, v1) << what;
}

TEST(HudCells, DigitRowsAndFixedCells) {
    for (uint32_t i = 0; i < 10; ++i) {
        const float u = 0.09375f * static_cast<float>(i);
        ExpectCell(LargeDigitCell(i), u, 0.0f, u + 0.09375f, 0.09375f, "large " + std::to_string(i));
        ExpectCell(DigitCell(i), u, 0.09375f, u + 0.09375f, 0.1875f, "digit " + std::to_string(i));
        ExpectCell(SecondDigitCell(i), u, 0.1875f, u + 0.09375f, 0.28125f, "second " + std::to_string(i));
    }
    ExpectCell(PositionDigitCell(0), 0.0f, 0.3125f, 0.125f, 0.4375f, "position 0");
    ExpectCell(PositionDigitCell(7), 0.875f, 0.3125f, 1.0f, 0.4375f, "position 7");
    ExpectCell(PositionDigitCell(8), 0.0f, 0.4375f, 0.125f, 0.5625f, "position 8");
    ExpectCell(MinutesSeparatorCell(), 0.9375f, 0.0f, 1.0f, 0.0625f, "minutes");
    ExpectCell(SecondsSeparatorCell(), 0.9375f, 0.0625f, 1.0f, 0.125f, "seconds");
    ExpectCell(OrdinalSuffixCell(0), 0.1875f, 0.71875f, 0.28125f, 0.78125f, "st");
    ExpectCell(OrdinalSuffixCell(3), 0.90625f, 0.5625f, 1.0f, 0.625f, "th");
    ExpectCell(SlashCell(), 0.375f, 0.46875f, 0.5f, 0.59375f, "slash");
    ExpectCell(MapMarkerCell(), 0.0f, 0.5625f, 0.0546875f, 0.6171875f, "marker");
    ExpectCell(BlankCell(), 0, 0, 0, 0, "blank");
}

TEST(HudCells, LettersFillTheTextureFromTheirStart) {
    ExpectCell(LetterCell(0), 0.4375f, 0.71875f, 0.53125f, 0.8125f, "A");
    ExpectCell(LetterCell(5), 0.90625f, 0.71875f, 1.0f, 0.8125f, "F");
    ExpectCell(LetterCell(6), 0.0f, 0.8125f, 0.09375f, 0.90625f, "G");
    ExpectCell(LetterCell(25), 0.84375f, 0.90625f, 0.9375f, 1.0f, "Z");
    for (uint32_t i = 0; i < 26; ++i) {
        EXPECT_LE(LetterCell(i).uMax, 1.0f) << i;
        EXPECT_LE(LetterCell(i).vMax, 1.0f) << i;
    }
}

TEST(HudCells, IndicesBeyondATableGiveTheBlankCell) {
    EXPECT_EQ(&LargeDigitCell(10), &BlankCell());
    EXPECT_EQ(&PositionDigitCell(42), &BlankCell());
    EXPECT_EQ(&OrdinalSuffixCell(4), &BlankCell());
    EXPECT_EQ(&LetterCell(26), &BlankCell());
    EXPECT_EQ(&LetterCell(0xFFFFFFFFu), &BlankCell());
    EXPECT_EQ(&ReplayButtonCell(kReplayButtonCount), &BlankCell());
    EXPECT_EQ(&ReplaySpeedCell(kReplaySpeedCount), &BlankCell());
}

}  // namespace
}  // namespace kes
