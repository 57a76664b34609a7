#include <gtest/gtest.h>

#include <cmath>

#include "game/core/maths/FastMath.h"
#include "game/world/chunk/ContactSubject.h"
#include "game/world/physics/GeneratedGround.h"
#include "game/world/rider/RiderBody.h"
#include "platform/sys/CrtRand.h"

namespace kes {
namespace {

// A rider standing upright at (x, y) on the ground, scaled to the game's size (shoulders 1.2 apart).
void PoseUpright(RiderBody& r, const GroundQuery& g, float x, float y, float lift) {
    const float h = g.HeightAt(x, y);
    for (uint32_t i = 0; i < kRiderParticles; ++i) {
        const Vec3 s = kRiderRestShape[i];
        r.body.particles[i].position = {x + s.x * 0.2f, y, h + lift + (s.z + 13.0f) * 0.2f};
    }
    r.body.Reset();
    r.StartCrash();
}

int g_pains = 0;

struct RiderFixture : ::testing::Test {
    void SetUp() override {
        InitTrigTables();
        plat::SimSrand(1);
        g_pains = 0;
        RiderSounds() = RiderSoundHooks();
        RiderSounds().pain = [](void*, const Vec3&) { ++g_pains; };
    }
    void TearDown() override { RiderSounds() = RiderSoundHooks(); }
};

TEST_F(RiderFixture, ConstructorBuildsTheRestShapeAndSprings) {
    RiderBody r;
    ASSERT_TRUE(r.Ready());
    EXPECT_EQ(r.body.particles[1].mass, 4.0f);
    EXPECT_EQ(r.body.particles[12].mass, 1.0f);
    EXPECT_EQ(r.body.particles[10].position.z, -13.0f);
    EXPECT_EQ(r.body.timeStep, 0.001f);
    EXPECT_EQ(r.body.gravity.z, -30.0f);
    // The spring from shoulder to shoulder rests at their distance; limit springs start disabled.
    EXPECT_FLOAT_EQ(r.body.springs[0].restLength, 6.0f);
    EXPECT_EQ(r.body.springs[11].limitOnly, 1);
    EXPECT_EQ(r.body.springs[11].enabled, 0);
    EXPECT_EQ(r.body.springs[22].limitOnly, 0);
}

TEST_F(RiderFixture, StartCrashFindsJointsBentPastTheirLimits) {
    RiderBody r;
    // The rest shape: both arms straight out (cosine -1 at the shoulders and elbows: within the
    // limits), the knees straight, the legs spread (entry 9: cosine between the thighs above 0.7).
    r.StartCrash();
    EXPECT_EQ(r.contactPushTimer, kRiderContactPushTicks);
    EXPECT_EQ(r.bent[0], 0);
    EXPECT_EQ(r.bent[1], 0);
    const Vec3 t1 = {1 - 3, 0, -10 + 7}, t2 = {5 - 3, 0, -10 + 7};
    const float c = (t1.x * t2.x + t1.z * t2.z) / (std::sqrt(t1.x * t1.x + t1.z * t1.z) * std::sqrt(t2.x * t2.x + t2.z * t2.z));
    EXPECT_EQ(r.bent[9], c > 0.7f ? 1 : 0);
    // Fold the left forearm back onto the upper arm: the elbow is bent past -0.9.
    r.body.particles[4].position = {-1, 0, 0};
    r.StartCrash();
    EXPECT_EQ(r.bent[1], 1);
    const float l1 = r.body.springs[3].restLength, l2 = r.body.springs[4].restLength;
    EXPECT_NEAR(r.joints[1].limitLength, std::sqrt(l1 * l1 + l2 * l2 + 2 * 0.9f * l1 * l2), 1e-4);
}

TEST_F(RiderFixture, JointLimitSpringFollowsTheDistanceTable) {
    RiderBody r;
    r.StartCrash();
    const RiderJoint& j = r.joints[1];  // elbow: ends 0 and 4
    struct Case {
        float handX;
        bool bent;
        bool enabled;
    } cases[] = {{-6.0f, false, false}, {-1.0f, false, true}, {-1.0f, true, true}};
    for (const Case& c : cases) {
        r.body.particles[4].position = {c.handX, 0, 0};
        r.bent[1] = c.bent ? 1 : 0;
        r.bentLength[1] = 2.0f;
        r.UpdateJointLimits();
        const Spring& s = r.body.springs[j.limitSpring];
        EXPECT_EQ(s.enabled != 0, c.enabled) << c.handX;
        if (c.enabled) {
            EXPECT_EQ(s.minLength, c.bent ? 2.0f : j.limitLength);
        }
    }
    // A bent joint opened past its limit length loses the flag.
    r.bent[1] = 1;
    r.body.particles[4].position = {-6.0f, 0, 0};
    r.UpdateJointLimits();
    EXPECT_EQ(r.bent[1], 0);
}

TEST_F(RiderFixture, TenMillisecondsRunElevenTicksAndOneGroundPass) {
    FlatGround ground(-1000.0f);
    RiderBody r;
    r.ground = &ground;
    r.StartCrash();
    r.accumulator = 0.0f;
    int ticks = 0, passes = 0;
    r.accumulator += 10.0f * 1.1f;
    while (r.accumulator >= 1.0f) {
        r.accumulator -= 1.0f;
        const int before = r.groundDivider;
        r.Tick();
        ++ticks;
        if (r.groundDivider == 0 && before != 0) ++passes;
    }
    EXPECT_EQ(ticks, 11);
    EXPECT_EQ(passes, 1);
}

TEST_F(RiderFixture, RestLengthsEaseToTheCrashLengths) {
    FlatGround ground(-1000.0f);
    RiderBody r;
    r.ground = &ground;
    r.StartCrash();
    float worst = 0.0f;
    for (uint32_t s = 0; s < kRiderEasedSprings; ++s)
        worst = std::fmax(worst, std::fabs(r.body.springs[s].restLength - kRiderCrashLengths[s]));
    const int needed = static_cast<int>(std::ceil(worst / 0.02f));
    for (int i = 0; i < needed + 1 && r.easing; ++i) r.Tick();
    EXPECT_EQ(r.easing, 0);
    for (uint32_t s = 0; s < kRiderEasedSprings; ++s) EXPECT_EQ(r.body.springs[s].restLength, kRiderCrashLengths[s]);
}

TEST_F(RiderFixture, AParticleAtRestUnderTheGroundStaysFinite) {
    FlatGround ground(0.0f);
    RiderBody r;
    r.ground = &ground;
    PoseUpright(r, ground, 0, 0, 0.0f);
    for (uint32_t i = 0; i < kRiderParticles; ++i) {
        r.body.particles[i].velocity = {0, 0, 0};
        r.body.particles[i].position.z = -0.5f;
    }
    r.GroundContact();
    EXPECT_TRUE(r.Finite());
    for (uint32_t i = 0; i < kRiderParticles; ++i) EXPECT_GE(r.body.particles[i].position.z, 0.5f);
    EXPECT_GT(g_pains, 0);
}

TEST_F(RiderFixture, GroundTakesAwayTheMotionIntoIt) {
    FlatGround ground(0.0f);
    RiderBody r;
    r.ground = &ground;
    PoseUpright(r, ground, 0, 0, 0.0f);
    Particle& limb = r.body.particles[8];
    limb.position.z = -0.2f;
    limb.velocity = {0, 0, -10};
    r.GroundContact();
    // The head-on fall into the ground is stopped, never sped up.
    EXPECT_GE(limb.velocity.z, -1e-3f);
}

TEST_F(RiderFixture, TumblesTenSecondsOnBumpyGroundWithoutFault) {
    RandomGround ground(7, 30.0f, 40.0f, true);
    RiderBody r;
    r.ground = &ground;
    PoseUpright(r, ground, 100, 100, 3.0f);
    for (uint32_t i = 0; i < kRiderParticles; ++i) r.body.particles[i].velocity = {60.0f, 20.0f, i < 3 ? 30.0f : 10.0f};
    float worstDepth = 0.0f;
    for (int tick = 0; tick < 11000; ++tick) {
        r.Tick();
        ASSERT_TRUE(r.Finite()) << tick;
        for (uint32_t i = 0; i < kRiderParticles; ++i) {
            const Vec3& p = r.body.particles[i].position;
            worstDepth = std::fmax(worstDepth, ground.HeightAt(p.x, p.y) - p.z);
        }
    }
    // The ground pass runs every 11 ticks and surface codes sink the level by up to 10.
    EXPECT_LT(worstDepth, 14.0f);
    const Vec3 v = r.MeanVelocity();
    EXPECT_LT(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z), 300.0f);
}

TEST_F(RiderFixture, LimitVelocitiesShortensDeviationsAroundTheMean) {
    RiderBody r;
    for (uint32_t i = 0; i < kRiderParticles; ++i) r.body.particles[i].velocity = {10, 0, 0};
    r.body.particles[5].velocity = {10, 0, 130};
    const Vec3 mean = r.MeanVelocity();  // deviations are measured from the mean before the call
    r.LimitVelocities(25.0f, 0.0f);
    const Particle& p = r.body.particles[5];
    const float dev = std::sqrt((p.velocity.x - mean.x) * (p.velocity.x - mean.x) +
                                (p.velocity.z - mean.z) * (p.velocity.z - mean.z));
    EXPECT_NEAR(dev, 25.0f, 1e-3);
    const Vec3 mean2 = r.MeanVelocity();
    const float before = p.velocity.z - mean2.z;
    r.LimitVelocities(-1.0f, 0.5f);
    EXPECT_NEAR(r.body.particles[5].velocity.z - mean2.z, before * 0.5f, 1e-3);
}

TEST_F(RiderFixture, ObjectContactActsOnlyAfterThePushDelay) {
    RiderBody r;
    r.StartCrash();
    SectorObject other{};
    ObjectSphere own{}, theirs{};
    own.radius = theirs.radius = 1.0f;
    other.position = {1.5f, 0, 0};
    ContactInfo info{};
    info.ownIndex = 4;
    info.ownSphere = &own;
    info.other = &other;
    info.otherSphere = &theirs;
    RiderBodyContact(r, false, {0, 0, 0}, kContactObject, &info);
    EXPECT_EQ(r.forceCountdown[4], 0);
    r.contactPushTimer = 0;
    RiderBodyContact(r, false, {0, 0, 0}, kContactObject, &info);
    EXPECT_EQ(r.forceCountdown[4], kRiderContactTicks);
    EXPECT_LT(r.contactForce[4].x, 0.0f);  // pushed away from the other sphere
}

TEST_F(RiderFixture, FaceContactPushesOutAndSlows) {
    RiderBody r;
    r.StartCrash();
    Particle& p = r.body.particles[2];
    p.position = {0, 0, 0.5f};
    p.velocity = {0, 0, -10};
    SurfaceContact c;
    c.sphereIndex = 2;
    c.point = {0, 0, 0};
    c.normal = {0, 0, 1};
    RiderBodyContact(r, false, {0, 0, 0}, kContactFace, &c);
    EXPECT_FLOAT_EQ(p.position.z, 1.0f);
    EXPECT_NEAR(p.velocity.z, (-10.0f - 2.0f) * 0.98f, 1e-4);
    EXPECT_EQ(r.bodyContactCountdown, 1);
    EXPECT_EQ(g_pains, 1);
}

}  // namespace
}  // namespace kes
