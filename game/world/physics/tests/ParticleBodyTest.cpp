#include <gtest/gtest.h>

#include <cmath>

#include "game/core/maths/FastMath.h"
#include "game/world/physics/ParticleBody.h"

namespace kes {
namespace {

class TwoParticles : public ::testing::Test {
protected:
    void SetUp() override {
        InitTrigTables();
        body.particleCount = 2;
        body.springCount = 1;
        body.Allocate();
        ASSERT_NE(body.springs, nullptr);
        for (uint32_t i = 0; i < 2; ++i) {
            body.particles[i].mass = 1.0f;
            body.particles[i].position = {0.0f, 0.0f, 0.0f};
        }
        body.springs[0].a = 0;
        body.springs[0].b = 1;
        body.classes[0] = {100.0f, 0.0f, 1.0f};
    }
    ParticleBody body;
};

TEST_F(TwoParticles, CoincidentParticlesGiveNoForceAndZeroLength) {
    body.Reset();
    body.ApplySpringForces();
    EXPECT_EQ(body.particles[0].force.x, 0.0f);
    EXPECT_EQ(body.particles[0].force.y, 0.0f);
    EXPECT_EQ(body.particles[0].force.z, 0.0f);
    EXPECT_EQ(body.springs[0].lastLength, 0.0f);
}

TEST_F(TwoParticles, LimitSpringInsideItsBandOnlyTracksLength) {
    body.particles[1].position = {5.0f, 0.0f, 0.0f};
    body.springs[0].limitOnly = 1;
    body.springs[0].minLength = 4.0f;
    body.springs[0].maxLength = 8.0f;
    body.Reset();
    body.particles[1].position = {6.0f, 0.0f, 0.0f};
    body.ApplySpringForces();
    EXPECT_EQ(body.particles[0].force.x, 0.0f);
    EXPECT_NEAR(body.springs[0].lastLength, 6.0f, 0.01f);
    // Leaving the band: the damping rate is measured from the length of the previous step.
    body.classes[0] = {0.0f, 1.0f, 1.0f};
    body.particles[1].position = {9.0f, 0.0f, 0.0f};
    body.ApplySpringForces();
    // f = c / dt x (9 - 6) = 300; the first applied force of a fresh history is twice f.
    EXPECT_NEAR(body.particles[0].force.x, 600.0f, 2.0f);
}

TEST_F(TwoParticles, SmoothingFollowsTheTrendOfTheLastTwoSteps) {
    body.particles[1].position = {2.0f, 0.0f, 0.0f};
    body.springs[0].restFromPose = 0;
    body.springs[0].restLength = 1.0f;
    body.Reset();
    body.ApplySpringForces();  // f = 100: e1 = e2 = 100, applied = (300 + 100) / 2
    EXPECT_NEAR(body.particles[0].force.x, 200.0f, 0.2f);
    EXPECT_NEAR(body.particles[1].force.x, -200.0f, 0.2f);
    body.ClearForces();
    body.ApplySpringForces();  // f = 100 again: e1 = 0, e2 = -100, applied = ((-100 + 0 + 100) + 100) / 2
    EXPECT_NEAR(body.particles[0].force.x, 50.0f, 0.2f);
    body.ClearForces();
    body.ApplySpringForces();  // steady: e1 = e2 = 0, applied = f
    EXPECT_NEAR(body.particles[0].force.x, 100.0f, 0.2f);
}

TEST(ParticleBodyLimits, ForceAndSpeedAreCappedAndFixedParticlesStay) {
    InitTrigTables();
    ParticleBody body;
    body.particleCount = 3;
    body.springCount = 0;
    body.Allocate();
    for (uint32_t i = 0; i < 3; ++i) {
        body.particles[i].mass = 1.0f;
        body.particles[i].position = {0.0f, 0.0f, 0.0f};
    }
    body.particles[2].fixed = 1;
    body.timeStep = 0.01f;
    body.Reset();
    body.particles[1].velocity = {400.0f, 0.0f, 0.0f};
    body.AddForce(0, 6000.0f, 0.0f, 0.0f);
    body.AddForce(2, 10.0f, 0.0f, 0.0f);
    body.Step();
    EXPECT_NEAR(body.particles[0].velocity.x, 5000.0f * 0.01f, 0.05f);
    EXPECT_NEAR(body.particles[1].velocity.x, 300.0f, 0.1f);
    EXPECT_EQ(body.particles[2].position.x, 0.0f);
    EXPECT_EQ(body.particles[2].velocity.x, 0.0f);
    EXPECT_EQ(body.particles[2].force.x, 0.0f);
}

TEST(ParticleBodyLimits, FreeFallMatchesTheClosedForm) {
    InitTrigTables();
    ParticleBody body;
    body.particleCount = 1;
    body.springCount = 0;
    body.Allocate();
    body.particles[0].mass = 2.0f;
    body.particles[0].position = {0.0f, 0.0f, 100.0f};
    body.gravity = {0.0f, 0.0f, -60.0f};
    body.timeStep = 0.005f;
    body.Reset();
    for (int i = 0; i < 200; ++i) body.Step();
    EXPECT_NEAR(body.particles[0].position.z, 100.0f - 30.0f * 1.0f, 0.01f);
    EXPECT_NEAR(body.particles[0].velocity.z, -60.0f, 0.01f);
}

TEST(ParticleBodyFaults, BadMassesTimeStepsAndForcesStayFinite) {
    InitTrigTables();
    ParticleBody body;
    body.particleCount = 4;
    body.springCount = 0;
    body.Allocate();
    const float masses[4] = {0.0f, -1.0f, NAN, INFINITY};
    for (uint32_t i = 0; i < 4; ++i) {
        body.particles[i].mass = masses[i];
        body.particles[i].position = {1.0f, 2.0f, 3.0f};
    }
    body.timeStep = 0.0f;
    body.Reset();
    EXPECT_EQ(body.invTimeStep, 0.0f);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(body.particles[i].invMass, 0.0f) << i;  // immovable instead of infinite
    }
    body.timeStep = 0.01f;
    body.Reset();
    body.particles[0].mass = 1.0f;
    body.particles[0].invMass = 1.0f;
    body.AddForce(0, INFINITY, 1.0e30f, -1.0e38f);
    body.AddForce(1, NAN, 0.0f, 0.0f);
    body.AddForce(99, 1.0f, 1.0f, 1.0f);  // out of range: ignored
    body.Step();
    for (uint32_t i = 0; i < 4; ++i) {
        const Particle& p = body.particles[i];
        EXPECT_TRUE(std::isfinite(p.position.x) && std::isfinite(p.position.y) && std::isfinite(p.position.z));
        EXPECT_TRUE(std::isfinite(p.velocity.x) && std::isfinite(p.velocity.y) && std::isfinite(p.velocity.z));
    }
    EXPECT_NEAR(body.particles[0].velocity.x, 50.0f, 0.5f);  // the infinite force counts as 5000 along x
}

}  // namespace
}  // namespace kes
