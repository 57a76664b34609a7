#include <gtest/gtest.h>

#include <cmath>

#include "game/world/chunk/MemoryPack.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/water/Water.h"
#include "game/world/writer/WorldWriter.h"

namespace kes {
namespace {

class WaterTest : public ::testing::Test {
protected:
    void TearDown() override { WaterFree(&render); }
    int32_t Load(const std::vector<uint8_t>& bytes) {
        MemoryPack pack(bytes);
        ChunkStream s(pack, static_cast<uint32_t>(bytes.size()));
        return WaterLoad(s, static_cast<uint32_t>(bytes.size()), &render);
    }
    TableRender render;
};

WaterData Square(float z, uint32_t frames) {
    WaterData w;
    for (uint32_t i = 0; i < frames; ++i) w.frames.push_back({"water" + std::to_string(i), DibPicture::Solid(8, 8, 0, 0, 200)});
    w.areas.push_back({{{0, 0, z}, {10, 0, z}, {10, 10, z}, {0, 10, z}}, 0.1f, 0.1f, 1});
    return w;
}

float TriangleArea(const std::vector<Vec3>& p, uint16_t a, uint16_t b, uint16_t c) {
    return 0.5f * ((p[b].x - p[a].x) * (p[c].y - p[a].y) - (p[c].x - p[a].x) * (p[b].y - p[a].y));
}

TEST_F(WaterTest, SquareAnswersInsideWithItsHeightAndMaxIsExclusive) {
    ASSERT_EQ(Load(WorldWriter::WaterChunk(Square(2.0f, 1))), 0);
    float h = 0;
    EXPECT_TRUE(WaterQuery(5, 5, &h));
    EXPECT_EQ(h, 2.0f);
    EXPECT_TRUE(WaterQuery(0.5f, 0.5f, &h));
    EXPECT_FALSE(WaterQuery(10, 5, &h));
    EXPECT_FALSE(WaterQuery(5, 10, &h));
    EXPECT_FALSE(WaterQuery(-1, 5, &h));
    ASSERT_EQ(WaterAreas().size(), 1u);
    EXPECT_EQ(WaterAreas()[0].triangles.size(), 6u);
    EXPECT_FLOAT_EQ(WaterAreas()[0].vertices[2].u, 1.0f);
}

TEST_F(WaterTest, ConcaveOutlineGivesTrianglesThatCoverItExactly) {
    // An L of 6 points, counter-clockwise and clockwise.
    std::vector<Vec3> l = {{0, 0, 0}, {10, 0, 0}, {10, 4, 0}, {4, 4, 0}, {4, 10, 0}, {0, 10, 0}};
    for (bool reversed : {false, true}) {
        std::vector<Vec3> outline = l;
        if (reversed) std::reverse(outline.begin(), outline.end());
        const std::vector<uint16_t> t = WaterTriangulate(outline);
        ASSERT_EQ(t.size(), 12u) << reversed;
        float sum = 0;
        for (size_t i = 0; i < t.size(); i += 3) {
            // The winding is reversed after clipping: every triangle turns clockwise.
            const float a = TriangleArea(outline, t[i], t[i + 2], t[i + 1]);
            EXPECT_GT(a, 0.0f);
            sum += a;
            const float cx = (outline[t[i]].x + outline[t[i + 1]].x + outline[t[i + 2]].x) / 3;
            const float cy = (outline[t[i]].y + outline[t[i + 1]].y + outline[t[i + 2]].y) / 3;
            EXPECT_FALSE(cx > 4 && cy > 4) << "triangle outside the L";
        }
        EXPECT_NEAR(sum, 64.0f, 1e-3f);
    }
    // Degenerate outlines end without a loop or a wild index.
    for (const std::vector<Vec3>& bad : {std::vector<Vec3>{}, std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}},
                                         std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}},
                                         std::vector<Vec3>{{0, 0, 0}, {10, 10, 0}, {10, 0, 0}, {0, 10, 0}}}) {
        for (uint16_t i : WaterTriangulate(bad)) EXPECT_LT(i, bad.size());
    }
}

TEST_F(WaterTest, FramesAdvanceEveryTwoHundredMillisecondsAndWrap) {
    ASSERT_EQ(Load(WorldWriter::WaterChunk(Square(0, 4))), 0);
    WaterUpdate(650);
    EXPECT_EQ(WaterAreas()[0].frame, 4u);
    EXPECT_EQ(WaterAreas()[0].accumulatorMs, 50u);
    WaterUpdate(200);
    EXPECT_EQ(WaterAreas()[0].frame, 1u);
    EXPECT_EQ(WaterAreas()[0].accumulatorMs, 50u);
    WorldView view;
    view.groundMaxX = view.groundMaxY = 100;
    WaterDraw(view, &render);
    ASSERT_EQ(render.draws.size(), 1u);
    EXPECT_EQ(render.draws[0].indices, 6u);
    view.groundMinX = 20;  // the area lies outside the view's ground box
    WaterDraw(view, &render);
    EXPECT_EQ(render.draws.size(), 1u);
    WaterFree(&render);
    EXPECT_EQ(render.releases, 4u);
    EXPECT_FALSE(WaterQuery(5, 5, nullptr));
}

TEST_F(WaterTest, DamagedChunksAreRefusedOrHarmless) {
    const std::vector<uint8_t> good = WorldWriter::WaterChunk(Square(1, 0));
    const size_t areas = 12, record = 16;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int32_t result;
    } cases[] = {
        {"area count past the chunk", WithU32(good, areas, 100), -1},
        {"vertex count past the chunk", WithU32(good, record + 4, 0x40000000u), -1},
        {"vertex not finite", WithU32(good, record + 28, 0x7FC00000u), -1},
        {"cut short", std::vector<uint8_t>(good.begin(), good.end() - 1), -1},
        {"two points: never water", WithU32(std::vector<uint8_t>(good.begin(), good.end() - 24), record + 4, 2), 0},
        {"first frame out of range", WithU32(good, record + 20, 99), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Load(c.bytes), c.result) << c.what;
        EXPECT_FALSE(WaterQuery(0.5f, 0.5f, nullptr) && c.result != 0) << c.what;
        WaterUpdate(1000);
        for (const WaterArea& a : WaterAreas()) EXPECT_GE(a.frame, 1u);
    }
}

}  // namespace
}  // namespace kes
