#include <gtest/gtest.h>

#include <cmath>

#include "game/core/sprite/Sprites.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/particles/Particles.h"
#include "game/world/physics/tests/BikeTestSupport.h"
#include "platform/sys/CrtRand.h"

namespace kes {
namespace {

class ParticlesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(ParticlesInit(nullptr, 64), 0); }
    void TearDown() override {
        ParticlesFree();
        FreeSprites();
    }
    static bool Spawn(uint8_t surface, Vec3 at = {0, 50, 10}, uint32_t sizeClass = 0) {
        return SpawnParticle(nullptr, 0.0f, at, {0, 0, 0}, surface, sizeClass);
    }
};

TEST(ParticleLists, SurfaceCodesChooseTheirList) {
    struct Case {
        uint8_t code;
        uint32_t list;
    };
    const Case cases[] = {{64, 0}, {65, 0}, {80, 1}, {81, 1}, {16, 2}, {17, 2}, {48, 2}, {144, 2},
                          {32, 3}, {33, 3}, {254, 4}, {0, 5},  {1, 5},  {2, 5}};
    for (const Case& c : cases) EXPECT_EQ(ParticleListOf(c.code), c.list) << int(c.code);
}

TEST(ParticleLists, EmissionIntervalFollowsSidewaysMotionAndSpeed) {
    struct Case {
        float sideways, speed;
        int32_t interval;
    };
    const Case cases[] = {{0, 0, 100}, {0, 1, 0}, {1, 0, 100}, {0.5f, 0.5f, 75}, {0, 0.5f, 50}};
    for (const Case& c : cases) EXPECT_EQ(ParticleEmissionInterval(c.sideways, c.speed), c.interval) << c.sideways << " " << c.speed;
}

TEST(ParticlePool, EmptyPoolDropsEverySpawnAndDrawsNothing) {
    ASSERT_EQ(ParticlesInit(nullptr, 0), 0);
    EXPECT_FALSE(SpawnParticle(nullptr, 0, {0, 0, 0}, {0, 0, 0}, 16, 0));
    EXPECT_EQ(ParticleCount(), 0u);
    TableRender render;
    Matrix4 vp{};
    render.viewProjection = &vp;
    ParticlesDraw(WorldView{}, &render);
    EXPECT_TRUE(render.draws.empty());
    ParticlesFree();
}

TEST_F(ParticlesTest, GroundAndExhaustParticlesStartAsTheirKindSays) {
    FlatGround ground(20.0f);
    ASSERT_TRUE(SpawnParticle(&ground, 1.0f, {0, 0, 5}, {1, 2, 3}, 16, 2));
    const SprayParticle* g = ParticleListHead(2);
    ASSERT_NE(g, nullptr);
    EXPECT_FLOAT_EQ(g->position.z, 20.8f);  // raised to 0.8 above the ground
    EXPECT_FLOAT_EQ(g->width, 6.7f * 3.9f);
    EXPECT_FLOAT_EQ(g->growth, 0.5f * 1.1f);
    EXPECT_EQ(g->life, 792);
    EXPECT_EQ(g->frameCount, 23u);
    EXPECT_LT(g->firstFrame, 3u);
    EXPECT_EQ(g->cell->uMax - g->cell->uMin, 1.0f / 8.0f);
    EXPECT_EQ(g->colour, 0xFFFFFFFFu);  // no colour map in this world: the picture's own colour
    ASSERT_TRUE(SpawnParticle(&ground, 1.0f, {0, 0, 5}, {1, 2, 3}, kExhaustSurface, 1));
    const SprayParticle* e = ParticleListHead(4);
    ASSERT_NE(e, nullptr);
    EXPECT_FLOAT_EQ(e->position.z, 5.0f);  // exhaust is not raised
    EXPECT_FLOAT_EQ(e->acceleration.z, 7.0f);
    EXPECT_FLOAT_EQ(e->width, 2.0f);
    EXPECT_EQ(e->colour, 0xFFFFFFFFu);
    EXPECT_EQ(e->life, 500);
    EXPECT_EQ(e->frameCount, 20u);
}

TEST_F(ParticlesTest, ParticlesAgeThroughTheirFramesAndDie) {
    // Counted down with signed timers: a particle advances its frames and dies, whatever the steps.
    for (uint32_t step : {40u, 7u, 33u}) {
        ASSERT_TRUE(Spawn(16));
        ASSERT_TRUE(Spawn(kExhaustSurface));
        uint32_t lastFrame = ParticleListHead(2)->frame;
        int groundDeath = -1, exhaustDeath = -1;
        for (int t = step; t <= 1200; t += static_cast<int>(step)) {
            ParticlesUpdate(step);
            if (const SprayParticle* p = ParticleListHead(2)) {
                EXPECT_GE(p->frame, lastFrame);
                lastFrame = p->frame;
            } else if (groundDeath < 0) {
                groundDeath = t;
            }
            if (!ParticleListHead(4) && exhaustDeath < 0) exhaustDeath = t;
        }
        EXPECT_GE(groundDeath, 660) << step;
        EXPECT_LE(groundDeath, 792 + static_cast<int>(step)) << step;
        EXPECT_GE(exhaustDeath, 475) << step;
        EXPECT_LE(exhaustDeath, 500 + static_cast<int>(step)) << step;
        EXPECT_GT(lastFrame, 10u);
        EXPECT_EQ(ParticleCount(), 0u);
    }
}

TEST_F(ParticlesTest, FullPoolDropsSpawnsAndRecoversOnceParticlesDie) {
    for (int i = 0; i < 64; ++i) ASSERT_TRUE(Spawn(static_cast<uint8_t>(i % 3 ? 16 : 254)));
    EXPECT_FALSE(Spawn(16));
    EXPECT_EQ(ParticleCount(), 64u);
    for (int i = 0; i < 30; ++i) ParticlesUpdate(40);
    EXPECT_EQ(ParticleCount(), 0u);
    for (int i = 0; i < 64; ++i) ASSERT_TRUE(Spawn(16)) << i;
}

TEST_F(ParticlesTest, OnlyParticlesInFrontAndOnScreenAreDrawn) {
    TableRender render;
    ASSERT_EQ(InitSprites(&render, 16, 640, 480), 0);
    // Camera at the origin looking along +y: x right, z up, depth 0..1 between 1 and 1001.
    const float a = 1001.0f / 1000.0f, b = -1001.0f / 1000.0f;
    Matrix4 vp{{320, 0, 0, 0, 320, a, 240, 1, 0, 0, -240, 0, 0, b, 0, 0}};
    render.viewProjection = &vp;
    const Vec3 spots[] = {{0, 50, 0}, {0, -50, 0}, {0, 2000, 0}, {500, 50, 0}, {3, 40, 2}};
    for (const Vec3& p : spots) ASSERT_TRUE(Spawn(16, p));
    ParticlesDraw(WorldView{}, &render);
    EXPECT_EQ(ParticlesDrawn(), 2u);
    ASSERT_EQ(render.draws.size(), 1u);
    EXPECT_EQ(render.draws[0].vertices, 8u);
}

TEST_F(ParticlesTest, BikeOnDirtThrowsDustAndExhaustUnderThrottle) {
    FlatGround dirt(0.0f, 16);
    TestBike t(&dirt);
    ParticleEmitterState state;
    plat::CrtSrand(3);
    uint32_t exhaust = 0;
    for (int frame = 0; frame < 60; ++frame) {
        ParticlesUpdate(40);
        t.Run(8, [&](BikeBody& b, int) {
            b.controls[kControlThrottle] = 1;
            ParticlesEmitFromBike(b, state, nullptr);
        });
        exhaust = std::max(exhaust, ParticleListCount(4));
    }
    EXPECT_GT(t.bike->speed, 10.0f);
    EXPECT_GT(ParticleListCount(2), 5u);  // surface 16: its own list
    EXPECT_EQ(ParticleListCount(0) + ParticleListCount(1) + ParticleListCount(3) + ParticleListCount(5), 0u);
    EXPECT_GT(exhaust, 0u);
    // Spray lands behind the moving bike.
    const SprayParticle* p = ParticleListHead(2);
    ASSERT_NE(p, nullptr);
    EXPECT_LT(p->position.y, t.bike->centre.y);
}

}  // namespace
}  // namespace kes
