#include <gtest/gtest.h>

#include <cmath>

#include "game/world/file/tests/WorldTestSupport.h"
#include "game/world/ground/LandscapeGround.h"
#include "game/world/landscape/Landscape.h"
#include "game/world/physics/tests/BikeTestSupport.h"

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

// A bike on a world read from a world file rides as it does on the generated ground of the same shape:
// it settles on the loaded landscape, climbs its slope under throttle and stays riding, with the
// physics map's surface under its wheels.
TEST(LandscapeGround, ABikeRidesAWorldLoadedFromAFileAsOnTheSameGeneratedGround) {
    constexpr float kGrade = 0.1f;  // uphill along +y, the bike's heading
    constexpr uint8_t kSurface = 33;
    RecordingRender render;
    WorldWriter w;
    w.Header(TestBounds());
    w.Landscape(SmallLandscape([](uint32_t, uint32_t r) { return kGrade * 10.0f * static_cast<float>(r); }));
    PhysicsData phys;
    phys.hasPhysicsMap = true;
    phys.physicsMap = DibPicture::Grey(8, 8, kSurface);
    w.Physics(phys);
    ASSERT_EQ(LoadBytes(w.Finish(), &render, "bike_world"), 0);

    struct Ride {
        Vec3 settled, climbed;
        int riding;
        uint32_t contactBits;
        uint8_t surface;
    };
    auto ride = [](const GroundQuery& ground) {
        TestBike t(&ground, BikeParams{}, {180.0f, 40.0f, 3.0f});
        t.Run(400);  // two seconds to settle
        Ride r{};
        r.settled = t.bike->centre;
        t.Hold(600, {kControlThrottle});  // three seconds uphill
        r.climbed = t.bike->centre;
        r.riding = t.bike->riding;
        r.contactBits = t.bike->contactBits;
        r.surface = ground.SurfaceAt(t.bike->centre.x, t.bike->centre.y);
        return r;
    };
    const Ride loaded = ride(WorldGround());
    // The generated slope with the same surface everywhere.
    struct SurfacedSlope : SlopeGround {
        SurfacedSlope() : SlopeGround(kGrade) {}
        uint8_t SurfaceAt(float, float) const override { return kSurface; }
    } slope;
    const Ride generated = ride(slope);

    EXPECT_EQ(loaded.riding, 1);
    EXPECT_NE(loaded.contactBits, 0u);
    EXPECT_EQ(loaded.surface, kSurface);
    // Resting on the landscape: the centre sits as high above the ground below it as on the generated
    // slope, and the climb follows the loaded heights.
    const float settledAbove = loaded.settled.z - WorldGround().HeightAt(loaded.settled.x, loaded.settled.y);
    EXPECT_NEAR(settledAbove, generated.settled.z - slope.HeightAt(generated.settled.x, generated.settled.y), 0.1f);
    EXPECT_GT(loaded.climbed.y - loaded.settled.y, 50.0f) << "the throttle carried it up the hill";
    EXPECT_NEAR(loaded.climbed.z - WorldGround().HeightAt(loaded.climbed.x, loaded.climbed.y), settledAbove, 1.0f);
    EXPECT_NEAR(loaded.climbed.y, generated.climbed.y, 0.5f);
    EXPECT_NEAR(loaded.climbed.z, generated.climbed.z, 0.1f);
    EXPECT_NEAR(loaded.climbed.x, generated.climbed.x, 0.1f);

    WorldUnload();
    DestroyAllTextureContainers();
}

}  // namespace
}  // namespace kes::test
