#include <gtest/gtest.h>

#include <cmath>

#include "game/world/file/tests/WorldTestSupport.h"
#include "game/world/ground/LandscapeGround.h"
#include "game/world/landscape/Landscape.h"

namespace kes::test {
namespace {

TEST(LandscapeGround, AnswersTheBikesQueriesFromTheLoadedWorld) {
    RecordingRender render;
    WorldWriter w;
    w.Header(TestBounds());
    w.Landscape(SmallLandscape([](uint32_t c, uint32_t) { return 0.2f * 10.0f * static_cast<float>(c); }));
    PhysicsData phys;
    phys.hasPhysicsMap = true;
    phys.physicsMap = DibPicture::Grey(8, 8, 33);
    w.Physics(phys);
    ASSERT_EQ(LoadBytes(w.Finish(), &render), 0);
    const GroundQuery& ground = WorldGround();
    EXPECT_NEAR(ground.HeightAt(100.0f, 50.0f), 20.0f, 0.02f);
    EXPECT_EQ(ground.HeightAt(100.0f, 50.0f), LandscapeHeightAt(100.0f, 50.0f));
    Vec3 n;
    ground.NormalAt(100.0f, 50.0f, ground.HeightAt(100.0f, 50.0f), &n);
    EXPECT_NEAR(n.x, -0.2f / std::sqrt(1.04f), 0.01f);
    EXPECT_GT(n.z, 0.9f);
    EXPECT_EQ(ground.SurfaceAt(100.0f, 50.0f), 33);
    EXPECT_FLOAT_EQ(ground.NormalStep(), 10.0f * 10.0f / 512.0f);
    float water = 0;
    EXPECT_FALSE(ground.WaterAt(100.0f, 50.0f, &water));
    WorldUnload();
    DestroyAllTextureContainers();
    EXPECT_EQ(ground.HeightAt(100.0f, 50.0f), 0.0f);
    EXPECT_EQ(ground.SurfaceAt(100.0f, 50.0f), 0);
}

TEST(LandscapeGround, AnswersWaterFromTheWorldsWaterChunkUntilUnload) {
    RecordingRender render;
    WorldWriter w;
    w.Header(TestBounds());
    w.Landscape(SmallLandscape([](uint32_t, uint32_t) { return 0.0f; }));
    WaterData water;
    water.frames.push_back({"water.bmp", DibPicture::Solid(8, 8, 20, 60, 200)});
    water.areas.push_back({{{40, 40, 1.5f}, {80, 40, 1.5f}, {80, 80, 1.5f}, {40, 80, 1.5f}}, 0.1f, 0.1f, 1});
    w.Water(water);
    ASSERT_EQ(LoadBytes(w.Finish(), &render), 0);
    const GroundQuery& ground = WorldGround();
    float h = 0;
    EXPECT_TRUE(ground.WaterAt(60.0f, 60.0f, &h));
    EXPECT_EQ(h, 1.5f);
    EXPECT_FALSE(ground.WaterAt(20.0f, 60.0f, &h));
    EXPECT_EQ(WorldHandleTable(ChunkTag("WATR"))[0], 1u);
    WorldUnload();
    DestroyAllTextureContainers();
    EXPECT_FALSE(ground.WaterAt(60.0f, 60.0f, &h));
    EXPECT_EQ(WorldHandleTable(ChunkTag("WATR"))[0], 0u);
}

}  // namespace
}  // namespace kes::test
