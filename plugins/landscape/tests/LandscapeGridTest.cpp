// The ground without the editor: the spline surface, the patch table and the edits, on small grids
// where every value can be checked, and on the default grid where the edges and the imprint matter.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "plugins/landscape/LandscapeEdit.h"
#include "plugins/landscape/LandscapeGrid.h"
#include "plugins/shared/ChunkBitmap.h"

namespace qv {
namespace {

// A grid of kx x ky knots, 10 units apart from (0, 0), with `perCell` knots a cell and heights f(c, r).
template <class F>
LandscapeGrid Small(uint32_t kx, uint32_t ky, uint32_t perCell, F f) {
    LandscapeGrid g;
    g.record.knotsX = kx;
    g.record.knotsY = ky;
    g.record.knotsPerCellX = g.record.knotsPerCellY = perCell;
    g.record.cellsX = CellsFor(kx, perCell);
    g.record.cellsY = CellsFor(ky, perCell);
    const float b[6] = {0, 0, 0, 10.0f * static_cast<float>(kx - 1), 10.0f * static_cast<float>(ky - 1), 100};
    std::memcpy(g.record.bounds, b, sizeof b);
    g.UpdateSpacing();
    g.heights.resize(size_t{kx} * ky);
    for (uint32_t r = 0; r < ky; ++r)
        for (uint32_t c = 0; c < kx; ++c) g.Height(c, r) = f(c, r);
    g.cells.assign(size_t{g.record.cellsX} * g.record.cellsY, 0);
    return g;
}

float Bumpy(uint32_t c, uint32_t r) { return 3.0f * std::sin(0.7f * static_cast<float>(c)) + 2.0f * std::cos(1.3f * static_cast<float>(r)); }

TEST(SplineWeights, EndsAndSums) {
    const auto& first = SplineWeightRow(0);
    const auto& last = SplineWeightRow(2048);
    EXPECT_EQ(first[0], 0.0f);
    EXPECT_EQ(first[1], 1.0f);
    EXPECT_EQ(first[2], 0.0f);
    EXPECT_NEAR(last[2], 1.0f, 1e-6);
    EXPECT_NEAR(last[1], 0.0f, 1e-6);
    for (uint32_t k = 0; k < kSplineRows; k += 7) {
        const auto& w = SplineWeightRow(k);
        EXPECT_NEAR(w[0] + w[1] + w[2] + w[3], 1.0f, 1e-6) << k;
    }
}

TEST(SplineSurface, KnotsEdgesAndOutsideTakeTheStoredHeights) {
    const LandscapeGrid g = Small(9, 7, 2, Bumpy);
    // Every knot, the last column and row included, gives its own height.
    for (uint32_t r = 0; r < 7; ++r)
        for (uint32_t c = 0; c < 9; ++c) EXPECT_FLOAT_EQ(g.HeightAt(g.KnotX(c), g.KnotY(r)), g.Height(c, r)) << c << "," << r;
    // Off the grid the nearest edge answers.
    EXPECT_FLOAT_EQ(g.HeightAt(-50, -50), g.Height(0, 0));
    EXPECT_FLOAT_EQ(g.HeightAt(500, 500), g.Height(8, 6));
    EXPECT_FLOAT_EQ(g.HeightAt(-5, g.KnotY(3)), g.Height(0, 3));
    EXPECT_FLOAT_EQ(g.HeightAt(std::nanf(""), g.KnotY(2)), g.Height(0, 2));
}

TEST(SplineSurface, FlatGroundAndPlanesGiveTheirNormals) {
    const LandscapeGrid flat = Small(6, 6, 1, [](uint32_t, uint32_t) { return 4.5f; });
    for (float x : {0.0f, 3.3f, 25.0f, 49.9f, 50.0f}) {
        EXPECT_FLOAT_EQ(flat.HeightAt(x, 17.0f), 4.5f);
        const Vec3 n = flat.NormalAt(x, 17.0f);
        EXPECT_FLOAT_EQ(n.z, 1.0f);
    }
    // z = 0.2 x + 0.1 y: the spline reproduces a plane inside the grid, and the normal is (-a, -b, 1).
    const LandscapeGrid plane = Small(8, 8, 2, [](uint32_t c, uint32_t r) { return 2.0f * c + 1.0f * r; });
    const Vec3 n = plane.NormalAt(33.0f, 41.0f);
    const float len = std::sqrt(0.2f * 0.2f + 0.1f * 0.1f + 1.0f);
    EXPECT_NEAR(n.x, -0.2f / len, 1e-3);
    EXPECT_NEAR(n.y, -0.1f / len, 1e-3);
    EXPECT_NEAR(n.z, 1.0f / len, 1e-3);
    EXPECT_NEAR(plane.HeightAt(33.0f, 41.0f), 0.2f * 33.0f + 0.1f * 41.0f, 2e-3);
}

TEST(PatchTable, LinksWrapAndBlocksWrapAroundTheGrid) {
    LandscapeGrid one = Small(4, 4, 2, Bumpy);  // (4 + 2 - 2) / 2 = 2 cells? no: one cell needs perCell 3
    one = Small(4, 4, 3, Bumpy);
    ASSERT_EQ(one.record.cellsX, 1u);
    one.BuildPatches();
    const LandscapePatch& p = one.patches.patches[0];
    EXPECT_EQ(p.left, 0u);
    EXPECT_EQ(p.right, 0u);
    EXPECT_EQ(p.nextRow, 0u);
    EXPECT_EQ(p.previousRow, 0u);
    // Block of 6 x 6 from knot -1 (the last one, wrapped) to knot 4 (wrapped to 0).
    const float* block = &one.patches.heights[p.block];
    EXPECT_EQ(block[0], one.Height(3, 3));
    EXPECT_EQ(block[1 * 6 + 1], one.Height(0, 0));
    EXPECT_EQ(block[5 * 6 + 5], one.Height(0, 0));
}

TEST(PatchTable, ADivisionWiderThanTheGridWrapsItsBlockManyTimes) {
    LandscapeGrid g = Small(4, 4, 1, Bumpy);
    ASSERT_TRUE(SetDivisionX(g, 100));
    ASSERT_TRUE(SetDivisionY(g, 100));
    ASSERT_EQ(g.record.cellsX, 1u);
    g.BuildPatches();
    const float* block = &g.patches.heights[g.patches.patches[0].block];
    EXPECT_EQ(block[0], g.Height(3, 3));
    EXPECT_EQ(block[102 * 103 + 102], g.Height(101 % 4, 101 % 4));
}

TEST(PatchTable, RefreshAfterAStrokeEqualsAFullBuild) {
    LandscapeGrid g = Small(100, 90, 6, Bumpy);
    g.BuildPatches();
    KnotSelection s;
    s.Resize(g.heights.size());
    s.Add(45 * 100 + 50);
    const KnotRange touched = DragHeights(g, s, Brush{true, 80.0f, 2.0f}, 300.0f);
    ASSERT_TRUE(touched.any);
    g.RefreshPatches(touched.firstColumn, touched.lastColumn, touched.firstRow, touched.lastRow);
    LandscapeGrid full = g;
    full.BuildPatches();
    EXPECT_EQ(g.patches.heights, full.patches.heights);
    for (size_t i = 0; i < g.patches.patches.size(); ++i) EXPECT_EQ(g.patches.patches[i].boxMax[2], full.patches.patches[i].boxMax[2]);
}

TEST(Brush, StrokesAtCornersAndEdgesStayOnTheGrid) {
    // A brush wider than the grid, centred on each corner and on an edge: every knot within the radius
    // drops by the cosine weight, nothing else moves, and nothing outside the grid is touched.
    const uint32_t corners[][2] = {{0, 0}, {19, 0}, {0, 14}, {19, 14}, {10, 14}};
    for (const auto& at : corners) {
        LandscapeGrid g = Small(20, 15, 2, [](uint32_t, uint32_t) { return 0.0f; });
        KnotSelection s;
        s.Resize(g.heights.size());
        s.Add(static_cast<int32_t>(at[1] * 20 + at[0]));
        DragHeights(g, s, Brush{true, 120.0f, 2.0f}, 100.0f);
        for (uint32_t r = 0; r < 15; ++r)
            for (uint32_t c = 0; c < 20; ++c) {
                const float dx = 10.0f * (static_cast<float>(c) - at[0]), dy = 10.0f * (static_cast<float>(r) - at[1]);
                const float d = std::sqrt(dx * dx + dy * dy);
                const float want = d < 120.0f ? -std::pow(std::cos(d / 120.0f * 1.5707964f), 2.0f) : 0.0f;
                ASSERT_NEAR(g.Height(c, r), want, 1e-5) << at[0] << "," << at[1] << " knot " << c << "," << r;
            }
    }
}

TEST(Brush, SeveralSelectedMoveOnlyThemselves) {
    LandscapeGrid g = Small(10, 10, 2, [](uint32_t, uint32_t) { return 1.0f; });
    KnotSelection s;
    s.Resize(g.heights.size());
    s.Add(11);
    s.Add(12);
    DragHeights(g, s, Brush{false, 50, 2}, 50.0f);
    EXPECT_FLOAT_EQ(g.heights[11], 0.5f);
    EXPECT_FLOAT_EQ(g.heights[12], 0.5f);
    EXPECT_FLOAT_EQ(g.heights[13], 1.0f);
    // With the brush, lastPicked (12) is the centre and only selected knots move.
    DragHeights(g, s, Brush{true, 15.0f, 1.0f}, 100.0f);
    EXPECT_FLOAT_EQ(g.heights[12], -0.5f);
    EXPECT_NEAR(g.heights[11], 0.5f - std::cos(10.0f / 15.0f * 1.5707964f), 1e-6);
    EXPECT_FLOAT_EQ(g.heights[13], 1.0f);
}

TEST(Wraparound, OutermostKnotsMeetInTheMiddle) {
    LandscapeGrid g = Small(40, 40, 2, [](uint32_t c, uint32_t r) { return static_cast<float>(c * 3 + r); });
    const LandscapeGrid before = g;
    Wraparound(g, 25);
    // After both passes the four corners and each edge pair agree: the ground tiles.
    for (uint32_t r = 0; r < 40; ++r) EXPECT_FLOAT_EQ(g.Height(0, r), g.Height(39, r)) << r;
    for (uint32_t c = 0; c < 40; ++c) EXPECT_FLOAT_EQ(g.Height(c, 0), g.Height(c, 39)) << c;
    EXPECT_EQ(g.Height(15, 20), before.Height(15, 20));  // the middle is untouched
    LandscapeGrid same = before;
    Wraparound(same, 0);
    EXPECT_EQ(same.heights, before.heights);
    Wraparound(same, 500);  // limited to 100: each knot pair blended once, never past the middle
    for (uint32_t r = 0; r < 40; ++r) EXPECT_FLOAT_EQ(same.Height(0, r), same.Height(39, r));
}

TEST(Imprint, DefaultGridTakesTheCentreAndRampsItsSurroundings) {
    LandscapeGrid g;
    g.MakeDefault();
    ASSERT_EQ(ImprintStart(721, 145), 288u);
    std::vector<float> src(145 * 145);
    for (size_t i = 0; i < src.size(); ++i) src[i] = 100.0f + static_cast<float>(i % 145);
    ASSERT_TRUE(ImprintCenter(g, src, 145, 0.35f));
    EXPECT_EQ(g.Height(288, 288), src[0]);
    EXPECT_EQ(g.Height(288 + 144, 288 + 144), src[145 * 145 - 1]);
    // The block before the centre reaches the centre's border at its far edge and stays 0 at its near one.
    const auto ramp = [](float i) { const float v = (i - 0.65f * 145.0f) / (0.35f * 145.0f); return v > 0 ? v * v * v : 0.0f; };
    EXPECT_FLOAT_EQ(g.Height(300, 287), ramp(144) * src[300 - 288]);
    EXPECT_EQ(g.Height(300, 143), 0.0f);
    EXPECT_FLOAT_EQ(g.Height(287, 287), ramp(144) * ramp(144) * src[0]);
    EXPECT_FLOAT_EQ(g.Height(287 + 146, 300), ramp(144) * src[(300 - 288) * 145 + 144]);
    EXPECT_EQ(g.Height(100, 100), 0.0f);  // outside the 3 x 3 blocks
}

TEST(Imprint, GridsTooSmallOnEitherAxisAreRefusedUnchanged) {
    const std::vector<float> src(145 * 145, 7.0f);
    for (auto [kx, ky] : {std::pair{100u, 100u}, {577u, 721u}, {721u, 500u}, {1000u, 720u}}) {
        LandscapeGrid g = Small(kx, ky, 18, [](uint32_t, uint32_t) { return 1.0f; });
        const std::vector<float> before = g.heights;
        EXPECT_FALSE(ImprintCenter(g, src, 145, 0.35f)) << kx << "x" << ky;
        EXPECT_EQ(g.heights, before);
    }
    LandscapeGrid fits = Small(721, 721, 18, [](uint32_t, uint32_t) { return 1.0f; });
    EXPECT_TRUE(ImprintCenter(fits, src, 145, 0.35f));
}

TEST(AsciiHeights, ParserCases) {
    struct Case {
        const char* what;
        std::string text;
        bool found;
        uint32_t kx, ky;
        std::vector<float> values;
    };
    const std::string longLine = "Size " + std::string(300, '9') + "\n";
    const Case cases[] = {
        {"plain", "Knots 2 2\n1.5\n2\n3\n4\n", true, 2, 2, {1.5f, 2, 3, 4}},
        {"header, blanks, tabs, lower case, CR LF", "Landscape Plugin V1.1\r\n\r\n\tknots\t2  1\r\n  7.25 rest\r\n\r\n-3\r\n", true, 2, 1, {7.25f, -3}},
        {"long line before", longLine + "KNOTS 1 2\n5\n6\n", true, 1, 2, {5, 6}},
        {"early end leaves zeros", "Knots 2 2\n1\n2\n", true, 2, 2, {1, 2, 0, 0}},
        {"garbage values read as 0", "Knots 2 1\nabc\n1e39\n", true, 2, 1, {0, 0}},
        {"no knots line", "Size 1 1\n1\n", false, 0, 0, {}},
        {"a count of 0", "Knots 0 4\n", false, 0, 0, {}},
        {"negative count", "Knots -3 4\n", false, 0, 0, {}},
        {"too many: counts only", "Knots 5000 721\n1\n", true, 5000, 721, {}},
    };
    for (const Case& c : cases) {
        const std::optional<AsciiHeights> h = ParseAsciiHeights(std::vector<uint8_t>(c.text.begin(), c.text.end()));
        ASSERT_EQ(h.has_value(), c.found) << c.what;
        if (!h) continue;
        EXPECT_EQ(h->knotsX, c.kx) << c.what;
        EXPECT_EQ(h->knotsY, c.ky) << c.what;
        EXPECT_EQ(h->values, c.values) << c.what;
    }
}

TEST(AsciiHeights, ExportReadsBackToSixDecimals) {
    const LandscapeGrid g = Small(31, 17, 3, [](uint32_t c, uint32_t r) { return Bumpy(c, r) * 123.456f; });
    const std::string text = ExportText(g);
    EXPECT_EQ(text.rfind("Landscape Plugin V1.1\nExported landscape geometry\n", 0), 0u);
    EXPECT_NE(text.find("\n\n\nSize 300.000000 160.000000\nKnots 31 17\n"), std::string::npos);
    const std::optional<AsciiHeights> back = ParseAsciiHeights(std::vector<uint8_t>(text.begin(), text.end()));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->values.size(), g.heights.size());
    for (size_t i = 0; i < g.heights.size(); ++i) EXPECT_NEAR(back->values[i], g.heights[i], 5e-7 + 1e-6 * std::fabs(g.heights[i]));
}

TEST(Displacement, RedOfThePixelWithTheBottomRowFirst) {
    Dib d;
    d.header.width = d.header.height = 5;
    d.header.bitCount = 8;
    d.header.sizeImage = RowBytes(5, 8) * 5;
    d.colourTable.assign(1024, 0);
    for (int i = 0; i < 256; ++i) d.colourTable[i * 4 + 2] = static_cast<uint8_t>(255 - i);  // red falls with the index
    d.pixels.assign(d.header.sizeImage, 0);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c) d.pixels[static_cast<size_t>(r) * 8 + c] = static_cast<uint8_t>(10 * r + c);
    const std::vector<float> h = DisplacementHeights(d, 510.0f);
    // Stored row 0 is the bottom row: knot row 0.
    EXPECT_FLOAT_EQ(h[0], (255 - 0) * 2.0f);
    EXPECT_FLOAT_EQ(h[1 * 5 + 3], (255 - 13) * 2.0f);
    Dib colour = d;
    colour.header.bitCount = 24;
    colour.colourTable.clear();
    colour.header.sizeImage = RowBytes(5, 24) * 5;
    colour.pixels.assign(colour.header.sizeImage, 0);
    colour.pixels[RowBytes(5, 24) * 4 + 3 * 2 + 2] = 51;  // red of column 2, stored row 4
    EXPECT_FLOAT_EQ(DisplacementHeights(colour, 5.0f)[4 * 5 + 2], 1.0f);
}

TEST(Resize, CountsAreLimitedAndOverlapKept) {
    LandscapeGrid g = Small(6, 5, 2, [](uint32_t c, uint32_t r) { return static_cast<float>(10 * r + c); });
    g.cells[0] = 3;
    KnotSelection s;
    s.Resize(g.heights.size());
    s.Add(7);
    ASSERT_TRUE(ResizeKnotsX(g, s, 3));  // 3 becomes 4
    EXPECT_EQ(g.record.knotsX, 4u);
    EXPECT_EQ(g.Height(3, 2), 23.0f);
    EXPECT_EQ(g.record.cellsX, 2u);
    EXPECT_FLOAT_EQ(g.record.knotSpacingX, 50.0f / 3.0f);
    EXPECT_EQ(s.bits.size(), 20u);
    ASSERT_TRUE(ResizeKnotsY(g, s, 5000));  // 5000 becomes 1000
    EXPECT_EQ(g.record.knotsY, 1000u);
    EXPECT_EQ(g.Height(1, 4), 41.0f);
    EXPECT_EQ(g.Height(1, 5), 0.0f);
    EXPECT_EQ(g.record.cellsY, 500u);
    ASSERT_TRUE(SetDivisionX(g, 0));  // a division of 0 becomes 1
    EXPECT_EQ(g.record.knotsPerCellX, 1u);
    EXPECT_EQ(g.record.cellsX, 3u);
    EXPECT_EQ(g.cells[0], 3);
    EXPECT_EQ(g.cells.size(), 3u * 500);
}

TEST(Cells, RemoveFillAndRotate) {
    LandscapeGrid g = Small(5, 5, 2, [](uint32_t, uint32_t) { return 0.0f; });  // 2 x 2 cells
    g.cells = {3, 4, 5, 1};
    uint32_t current = 4;
    RemoveTextureInstances(g, 3, &current);
    EXPECT_EQ(g.cells, (std::vector<uint16_t>{0, 3, 4, 1}));
    EXPECT_EQ(current, 3u);
    FillCells(g, 9, true);
    EXPECT_EQ(g.cells, (std::vector<uint16_t>{9, 3, 4, 1}));
    FillCells(g, 2, true);  // nothing empty: no change
    EXPECT_EQ(g.cells, (std::vector<uint16_t>{9, 3, 4, 1}));
    RotateCells(g, Rotate::Up);
    EXPECT_EQ(g.cells, (std::vector<uint16_t>{4, 1, 9, 3}));
    RotateCells(g, Rotate::Down);
    RotateCells(g, Rotate::Right);
    EXPECT_EQ(g.cells, (std::vector<uint16_t>{3, 9, 1, 4}));
    RotateCells(g, Rotate::Left);
    EXPECT_EQ(g.cells, (std::vector<uint16_t>{9, 3, 4, 1}));
}

TEST(Cells, TilingPatternsClipToSmallGridsAndTheCentreNeedsRoom) {
    LandscapeGrid g = Small(21, 21, 2, [](uint32_t, uint32_t) { return 0.0f; });  // 10 x 10 cells
    LayTiling(g);
    EXPECT_EQ(g.cells[9 * 10 + 9], 1 + 8 * 1 + 1);
    LayFrame(g, 65);
    EXPECT_EQ(g.cells[0], 65);
    size_t cell = 0;
    EXPECT_FALSE(CenterCell(g, 0, 0, &cell));
    LandscapeGrid wide;
    wide.MakeDefault();
    ASSERT_TRUE(CenterCell(wide, 1, 2, &cell));
    EXPECT_EQ(cell, 17u * 40 + 18);
    LayFrame(wide, 65);
    EXPECT_EQ(wide.cells[16 * 40 + 16], 0);
    EXPECT_EQ(wide.cells[15 * 40 + 16], 65);
}

TEST(Pictures, TileableRepeatsItsFirstRowAndColumnAndPiecesShareAnEdge) {
    Dib p;
    p.header.width = p.header.height = 255;
    p.header.bitCount = 24;
    p.header.sizeImage = RowBytes(255, 24) * 255;
    p.pixels.resize(p.header.sizeImage);
    for (size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = static_cast<uint8_t>(i * 7 + i / 765);
    const Dib t = WidenTileable(p);
    ASSERT_EQ(t.Width(), 256);
    // Column x, image row y from the top; stored rows run bottom-up.
    for (int y : {0, 100, 254})
        for (int x : {0, 17, 254}) EXPECT_EQ(BitmapPixel(t, x, 255 - y), BitmapPixel(p, x, 254 - y)) << x << "," << y;
    for (int y : {0, 60, 254}) EXPECT_EQ(BitmapPixel(t, 255, 255 - y), BitmapPixel(p, 0, 254 - y)) << y;
    for (int x : {0, 60, 255}) EXPECT_EQ(BitmapPixel(t, x, 0), BitmapPixel(t, x, 255)) << x;

    Dib big = GreyBitmap(2041, 2041, 0);
    for (size_t i = 0; i < big.pixels.size(); ++i) big.pixels[i] = static_cast<uint8_t>(i * 13 + i / 2044);
    const Dib a = CutPiece(big, 0, 0), b = CutPiece(big, 0, 1), below = CutPiece(big, 1, 0);
    EXPECT_EQ(a.colourTable, big.colourTable);
    // Neighbours share a column (the first piece's last is the second's first) and a row.
    for (int y : {0, 77, 255}) EXPECT_EQ(BitmapPixel(a, 255, y), BitmapPixel(b, 0, y)) << y;
    for (int x : {0, 99, 255}) EXPECT_EQ(BitmapPixel(a, x, 0), BitmapPixel(below, x, 255)) << x;
    EXPECT_EQ(BitmapPixel(a, 3, 255), BitmapPixel(big, 3, 2040));  // the top row of the picture
}

}  // namespace
}  // namespace qv
