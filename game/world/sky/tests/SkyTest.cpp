#include <gtest/gtest.h>

#include <cmath>

#include "game/world/chunk/MemoryPack.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/sky/LensFlare.h"
#include "game/world/sky/Sky.h"
#include "game/world/writer/WorldWriter.h"
#include "platform/gfx/GfxStates.h"

namespace kes {
namespace {

constexpr float kPi = 3.14159265358979f;

class SkyTest : public ::testing::Test {
protected:
    void TearDown() override {
        SkyFree(&render);
        SkySetCloudOffset(0);
    }
    int32_t Load(const std::vector<uint8_t>& bytes) {
        MemoryPack pack(bytes);
        ChunkStream s(pack, static_cast<uint32_t>(bytes.size()));
        return SkyLoad(s, static_cast<uint32_t>(bytes.size()), &render, WorldBounds{});
    }
    static SkyData TwoTextures() {
        SkyData d;
        d.textures.push_back({"horizon.bmp", DibPicture::Solid(8, 8, 200, 220, 240)});
        d.textures.push_back({"clouds.bmp", DibPicture::Solid(8, 8, 60, 110, 160)});
        d.wallTexture = 0;
        d.overheadTexture = 1;
        d.wallTiles = 3.0f;
        d.overheadTiles = 5.0f;
        d.wallWidth = 320.0f;
        d.wallHeight = 77.0f;
        d.overheadWidth = 480.0f;
        d.horizonAdjust = 40.0f;
        d.speed = 25.0f;
        return d;
    }
    TableRender render;
};

TEST_F(SkyTest, EditorChunkLoadsEveryValueInItsPlace) {
    ASSERT_EQ(Load(WorldWriter::SkyChunk(TwoTextures())), 0);
    const SkyParams& p = CurrentSky();
    EXPECT_EQ(p.horizonTexture, 0);
    EXPECT_EQ(p.layerTexture, 1);
    EXPECT_EQ(p.thirdTexture, -1);
    EXPECT_EQ(p.horizonRepeats, 3.0f);
    EXPECT_EQ(p.layerRepeats, 5.0f);
    EXPECT_EQ(p.horizonSpan, 320.0f);
    EXPECT_EQ(p.unused, 77.0f);
    EXPECT_EQ(p.layerSpan, 480.0f);
    EXPECT_EQ(p.horizonLift, 40.0f);
    EXPECT_EQ(p.cloudSpeed, 25.0f);
    EXPECT_NE(SkyTextureHandle(0), 0u);
    EXPECT_NE(SkyTextureHandle(1), 0u);
    // Freed: the textures go back, the values return to their defaults, the indices stay.
    SkyFree(&render);
    EXPECT_EQ(render.releases, 2u);
    EXPECT_EQ(CurrentSky().horizonSpan, 640.0f);
    EXPECT_EQ(CurrentSky().cloudSpeed, 100.0f);
    EXPECT_EQ(CurrentSky().layerTexture, 1);
}

TEST_F(SkyTest, OlderLayoutKeepsTheValuesItDoesNotCarry) {
    SkyData d = TwoTextures();
    d.oldLayout = true;
    d.wallTexture = 1;
    d.overheadTexture = 0;
    ASSERT_EQ(Load(WorldWriter::SkyChunk(d)), 0);
    EXPECT_EQ(CurrentSky().horizonTexture, 1);
    EXPECT_EQ(CurrentSky().layerTexture, 0);
    EXPECT_EQ(CurrentSky().horizonSpan, 640.0f);
    EXPECT_EQ(CurrentSky().horizonLift, 100.0f);
}

TEST_F(SkyTest, IndicesOutsideTheListDrawNothingOfTheirPart) {
    struct Case {
        const char* what;
        int32_t horizon, layer;
        size_t draws;
    };
    const Case cases[] = {
        {"both valid", 0, 1, 2},       {"horizon none (-1)", -1, 1, 1}, {"layer past the list", 0, 2, 1},
        {"both none", -1, -1, 0},      {"huge index", 1000000, -5, 0},
    };
    WorldView view;
    for (const Case& c : cases) {
        SkyData d = TwoTextures();
        d.wallTexture = c.horizon;
        d.overheadTexture = c.layer;
        ASSERT_EQ(Load(WorldWriter::SkyChunk(d)), 0) << c.what;
        render.draws.clear();
        SkyDraw(view, &render);
        EXPECT_EQ(render.draws.size(), c.draws) << c.what;
        SkyFree(&render);
    }
    // A sky without textures draws nothing at all.
    SkyData empty;
    ASSERT_EQ(Load(WorldWriter::SkyChunk(empty)), 0);
    render.draws.clear();
    render.states.clear();
    SkyDraw(view, &render);
    EXPECT_TRUE(render.draws.empty());
    EXPECT_TRUE(render.states.empty());
}

TEST_F(SkyTest, HorizonBlendsOverWhatIsThereAndPutsTheStatesBack) {
    ASSERT_EQ(Load(WorldWriter::SkyChunk(TwoTextures())), 0);
    render.states.clear();
    SkyDraw(WorldView{}, &render);
    namespace rs = plat::rs;
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {
        {666, 1}, {rs::kSrcBlend, rs::kBlendSrcAlpha}, {rs::kDestBlend, rs::kBlendInvSrcAlpha},
        {666, 0}, {rs::kSrcBlend, rs::kBlendOne},      {rs::kDestBlend, rs::kBlendZero}};
    EXPECT_EQ(render.states, expected);
}

TEST_F(SkyTest, DamagedChunksFailWithoutKeepingTextures) {
    std::vector<uint8_t> bytes = WorldWriter::SkyChunk(TwoTextures());
    for (size_t cut : {size_t{0}, size_t{3}, size_t{20}, size_t{47}, bytes.size() - 1}) {
        std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        EXPECT_NE(Load(part), 0) << cut;
        SkyFree(&render);
    }
}

TEST(SkyClouds, OffsetScrollsAndWrapsIntoOneTurnOfThePicture) {
    struct Case {
        float start;
        uint32_t ms;
        float speed, span, expected;
    };
    const Case cases[] = {
        {500.0f, 375, 100.0f, 640.0f, 18.0f},    // adds 30
        {0.0f, 1000, 100.0f, 640.0f, 80.0f},
        {-500.0f, 375, -100.0f, 640.0f, -18.0f},  // negative speeds wrap upwards
        {0.0f, 100, 1e30f, 640.0f, 0.0f},         // never stuck, stays in range
    };
    for (const Case& c : cases) {
        SkyData d;
        d.speed = c.speed;
        d.overheadWidth = c.span;
        TableRender render;
        const std::vector<uint8_t> bytes = WorldWriter::SkyChunk(d);
        MemoryPack pack(bytes);
        ChunkStream s(pack, static_cast<uint32_t>(bytes.size()));
        ASSERT_EQ(SkyLoad(s, static_cast<uint32_t>(bytes.size()), &render, WorldBounds{}), 0);
        SkySetCloudOffset(c.start);
        SkyUpdate(c.ms);
        const float o = SkyCloudOffset();
        if (c.speed < 1e20f) {
            EXPECT_NEAR(o, c.expected, 1e-3f) << c.start;
        }
        EXPECT_GE(o, -512.0f);
        EXPECT_LT(o, 512.0f);
        SkyFree(&render);
        SkySetCloudOffset(0);
    }
}

TEST(SkyGeometry, HeadingRunsRoundTheVerticalAxis) {
    struct Case {
        Vec3 forward;
        float angle;
    };
    const Case cases[] = {
        {{0, 1, 0}, 0.0f}, {{-1, 0, 0}, kPi / 2}, {{0, -1, 0}, kPi}, {{1, 0, 0}, 3 * kPi / 2},
        {{0, 1, -0.5f}, 0.0f},  // pitch does not change the heading
    };
    for (const Case& c : cases) EXPECT_NEAR(SkyHeadingAngle(c.forward), c.angle, 1e-4f) << c.forward.x << c.forward.y;
    // Straight up or down has no heading of its own: a defined value, not NaN.
    EXPECT_TRUE(std::isfinite(SkyHeadingAngle({0, 0, 1})));
    EXPECT_TRUE(std::isfinite(SkyHorizonY({0, 0, -1}, 0.75f, 480)));
}

TEST(SkyGeometry, HorizonRowFollowsThePitch) {
    EXPECT_NEAR(SkyHorizonY({0, 1, 0}, 0.75f, 480), 240.0f, 1e-3f);
    const float p = 0.2f;
    EXPECT_NEAR(SkyHorizonY({0, std::cos(p), -std::sin(p)}, 0.75f, 480), 240.0f - p * 480 / 0.75f, 0.05f);
    EXPECT_NEAR(SkyHorizonY({0, std::cos(p), std::sin(p)}, 0.75f, 480), 240.0f + p * 480 / 0.75f, 0.05f);
}

TEST(SkyGeometry, QuarterTurnMovesTheBackdropByOneWholePicture) {
    SkyParams p;  // 4 repeats: a quarter turn is 512 columns
    WorldView a, b;
    b.forward = {-1, 0, 0};
    const SkyMesh ma = SkyBackdropBuild(a, p), mb = SkyBackdropBuild(b, p);
    ASSERT_FALSE(ma.vertices.empty());
    ASSERT_EQ(ma.vertices.size(), mb.vertices.size());
    for (size_t i = 0; i < ma.vertices.size(); ++i) {
        EXPECT_NEAR(ma.vertices[i].u, mb.vertices[i].u, 1e-3f) << i;
        EXPECT_NEAR(ma.vertices[i].v, mb.vertices[i].v, 1e-3f) << i;
        EXPECT_NEAR(ma.vertices[i].sx, mb.vertices[i].sx, 0.05f) << i;
    }
    // The quads cover the screen's width, 640 columns over 640 pixels: three quads of the halves.
    EXPECT_EQ(ma.indices.size(), 3u * 6u);
    EXPECT_FLOAT_EQ(ma.vertices.front().sx, 0.0f);
    EXPECT_FLOAT_EQ(ma.vertices.back().sx, 640.0f);
    EXPECT_FLOAT_EQ(ma.vertices[0].v, 1.0f / 512.0f);  // columns 0-255: the top half
    EXPECT_FLOAT_EQ(ma.vertices[4].v, 0.501953125f);   // 256-511: the bottom half
    EXPECT_FLOAT_EQ(ma.vertices[0].sz, 0.9999f);
    EXPECT_FLOAT_EQ(ma.vertices[0].rhw, 1.0f / a.farPlane);
    // Foot at the horizon row plus the lift; top 128 picture rows above it.
    EXPECT_FLOAT_EQ(ma.vertices[2].sy, 240.0f + 100.0f);
    EXPECT_FLOAT_EQ(ma.vertices[0].sy, 340.0f - 128.0f);
}

TEST(SkyGeometry, LayerRunsFromTheTopToTheBackdropsFootWithTheBands) {
    SkyParams p;
    WorldView view;
    const SkyMesh m = SkyLayerBuild(view, p, 256.0f);
    ASSERT_FALSE(m.vertices.empty());
    EXPECT_FLOAT_EQ(m.vertices.front().sy, 0.0f);
    EXPECT_FLOAT_EQ(m.vertices.back().sy, 340.0f);
    EXPECT_FLOAT_EQ(m.vertices.front().u, 0.5f);  // heading 0, half a picture of cloud offset
    EXPECT_FLOAT_EQ(m.vertices[1].u, 0.5f + 640.0f / 512.0f);
    // Higher rows show smaller v (towards the zenith); the horizon row has v 1.
    // Below the horizon the picture's bottom row is stretched down to the foot.
    for (size_t i = 0; i + 2 < m.vertices.size(); i += 4) EXPECT_LE(m.vertices[i].v, m.vertices[i + 2].v);
    EXPECT_LT(m.vertices[0].v, m.vertices[2].v);
    EXPECT_FLOAT_EQ(m.vertices.back().v, 1.0f);
    EXPECT_FLOAT_EQ(SkyPitchBandV(0.0f), 1.0f);
    EXPECT_FLOAT_EQ(SkyPitchBandV(kPi / 4), 0.5f);
    EXPECT_FLOAT_EQ(SkyPitchBandV(5 * kPi / 8), 1.25f);
}

TEST(LensFlareLayout, FadeIsWholeInTheMiddleAndFallsToTheEdges) {
    struct Case {
        float x, y, fade;
    };
    const Case cases[] = {{320, 240, 1.0f}, {160, 120, 1.0f}, {80, 240, 0.5f}, {320, 60, 0.5f}, {0, 0, 0.0f}, {600, 450, 0.25f}};
    for (const Case& c : cases) EXPECT_NEAR(FlareFade(c.x, c.y, 640, 480), c.fade, 1e-4f) << c.x << "," << c.y;
}

TEST(LensFlareLayout, SunAtTheCentreStacksEverySpriteOnIt) {
    FlareSprite s[5];
    FlareLayout(320, 240, 640, 480, s);
    const float sizes[5] = {40, 20, 60, 60, 70};
    for (int i = 0; i < 5; ++i) {
        EXPECT_FLOAT_EQ(s[i].x, 320.0f);
        EXPECT_FLOAT_EQ(s[i].y, 240.0f);
        EXPECT_FLOAT_EQ(s[i].size, sizes[i]);
    }
    // Off centre the sprites line up through the centre, the first on the sun.
    FlareLayout(400, 200, 640, 480, s);
    EXPECT_FLOAT_EQ(s[0].x, 400.0f);
    EXPECT_FLOAT_EQ(s[3].x, 280.0f);
    EXPECT_FLOAT_EQ(s[3].y, 260.0f);
}

}  // namespace
}  // namespace kes
