// Text through the viewports' drawing context: quads of the font atlas in the text colour, an opaque
// box behind them when asked, and the frame's states given back afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "editor/render/TextContext.h"

namespace qv {
namespace {

class Text : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FontAtlas::Editor().Ok()) << "the DejaVu font is installed by scripts/setup";
        layer.SetTexture(3);
        device.calls.clear();
        device.draws.clear();
    }
    RecordingDevice device;
    RenderLayer layer{&device, 200, 100};
    TextContext dc{&layer};
};

TEST_F(Text, TransparentTextIsOneDrawOfGlyphQuadsInTheTextColour) {
    dc.SetBkMode(1);
    EXPECT_EQ(dc.SetTextColor(0x0000FF), 0u) << "black at first";
    ASSERT_EQ(dc.TextOut(10, 20, "w 64 h 64", -1), 1);
    ASSERT_EQ(device.draws.size(), 1u);
    EXPECT_EQ(device.draws[0].size(), 6u * 6) << "six characters drawn; the spaces only move the pen";
    for (const ScreenVertex& v : device.draws[0]) {
        EXPECT_EQ(v.colour, 0xFFFF0000u) << "0x00BBGGRR red becomes ARGB red";
        EXPECT_GE(v.sx, 9.0f);
        EXPECT_GE(v.sy, 19.0f);
        EXPECT_LT(v.sy, 20.0f + FontAtlas::Editor().LineHeight());
        EXPECT_GE(v.u, 0.0f);
        EXPECT_LE(v.v, 1.0f);
    }
    const auto& c = device.calls;
    EXPECT_NE(std::find(c.begin(), c.end(), "texture " + std::to_string(kFontTextureSlot)), c.end());
    EXPECT_NE(std::find(c.begin(), c.end(), "state 27 1"), c.end());
    EXPECT_EQ(c.back(), "texture 3") << "the layer's texture comes back";
    EXPECT_NE(std::find(c.begin(), c.end(), "state 27 0"), c.end());
}

TEST_F(Text, OpaqueModeDrawsTheBackgroundBoxFirstAndContextsStartAsNew) {
    dc.SetBkColor(0x00FF00);
    ASSERT_EQ(dc.TextOut(0, 0, "AB", 1), 1);
    ASSERT_EQ(device.draws.size(), 2u);
    EXPECT_EQ(device.draws[0].size(), 6u);
    EXPECT_EQ(device.draws[0][0].colour, 0xFF00FF00u);
    EXPECT_EQ(device.draws[1].size(), 6u) << "length 1 draws only 'A'";
    EXPECT_EQ(device.draws[1][0].colour, 0xFF000000u);
    dc.SetTextColor(0xFFFFFF);
    dc.SetBkMode(1);
    dc.Reset();
    EXPECT_EQ(dc.SetBkMode(1), 2);
    EXPECT_EQ(dc.SetTextColor(0), 0u);
}

TEST_F(Text, ExtentGrowsWithTheTextAndAMissingFontDrawsNothing) {
    int32_t w1 = 0, w2 = 0, h = 0;
    dc.GetTextExtent("Rock", -1, &w1, &h);
    dc.GetTextExtent("Rock.bmp", -1, &w2, nullptr);
    EXPECT_GT(w1, 15);
    EXPECT_GT(w2, w1);
    EXPECT_GE(h, 12);
    int32_t w0 = -1;
    dc.GetTextExtent(nullptr, -1, &w0, nullptr);
    EXPECT_EQ(w0, 0);

    const FontAtlas missing("/nonexistent/font.ttf", 13.0f);
    EXPECT_FALSE(missing.Ok());
    TextContext none(&layer, &missing);
    EXPECT_EQ(none.TextOut(0, 0, "x", -1), 0);
    EXPECT_TRUE(device.draws.empty());
}

TEST(FontAtlasGlyphs, PrintableCharactersHaveQuadsOthersFallBack) {
    const FontAtlas& f = FontAtlas::Editor();
    GlyphQuad q{}, r{};
    float advance = 0;
    ASSERT_TRUE(f.Glyph('A', 0, &q, &advance));
    EXPECT_GT(advance, 5.0f);
    EXPECT_LT(q.y0, 0.0f) << "above the baseline";
    EXPECT_GT(q.x1, q.x0);
    EXPECT_FALSE(f.Glyph(' ', 0, nullptr, &advance));
    EXPECT_GT(advance, 0.0f);
    ASSERT_TRUE(f.Glyph('\x7f', 0, &q, nullptr));
    ASSERT_TRUE(f.Glyph('?', 0, &r, nullptr));
    EXPECT_EQ(q.s0, r.s0) << "unprintable characters draw as '?'";
    // Glyphs' coverage exists inside their atlas rectangle.
    ASSERT_TRUE(f.Glyph('W', 0, &q, nullptr));
    int covered = 0;
    for (int y = static_cast<int>(q.t0 * FontAtlas::kHeight); y < static_cast<int>(q.t1 * FontAtlas::kHeight); ++y)
        for (int x = static_cast<int>(q.s0 * FontAtlas::kWidth); x < static_cast<int>(q.s1 * FontAtlas::kWidth); ++x)
            covered += f.Coverage()[static_cast<size_t>(y) * FontAtlas::kWidth + static_cast<size_t>(x)] > 128;
    EXPECT_GT(covered, 10);
}

}  // namespace
}  // namespace qv
