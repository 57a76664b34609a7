#include <cmath>

#include "game/world/racer/tests/RacerTestSupport.h"
#include "game/world/racer/BikeState.h"
#include "game/world/rider/RiderBody.h"

namespace kes::test {
namespace {

struct BumpyScene : RacerScene {
    void SetUp() override {
        ground = std::make_unique<RandomGround>(11, 25.0f, 40.0f, true);
        RacerScene::SetUp();
    }
};

float Distance(Vec3 a, Vec3 b) { return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z)); }

TEST_F(BumpyScene, CrashStartsFromThePoseTumblesAndTheRacerIsResetAfterTheDelay) {
    RaceContext().gameMode = 1;
    RacerRecord* r = Make(kRacerComputer, 200, 200);
    ASSERT_NE(r, nullptr);
    for (int i = 0; i < 20; ++i) Frame(10);
    r->bike->riding = 0;  // the rider falls off
    Frame(10);
    ASSERT_EQ(r->crashed[0], 1);
    ASSERT_NE(r->crashedObject, nullptr);
    EXPECT_EQ(r->crashedObject->tag, 0x13456780u);
    EXPECT_EQ(r->crashedObject->sphereCount, kRiderParticles);
    // The ragdoll starts on the bike: every particle within reach of the drawn bike's centre.
    Vec3 c = {0, 0, 0};
    for (const Vec3& p : r->drawn.positions) c = {c.x + p.x * 0.25f, c.y + p.y * 0.25f, c.z + p.z * 0.25f};
    for (uint32_t i = 0; i < kRiderParticles; ++i) EXPECT_LT(Distance(r->riderBody->body.particles[i].position, c), 10.0f) << i;
    EXPECT_GT(r->riderBody->body.particles[0].velocity.z, 15.0f);  // thrown up off the bike

    // It tumbles; the bike stays down for just over 3 s, then racer and rider are back together.
    bool reset = false;
    int frames = 0;
    for (; frames < 1000 && !reset; ++frames) {
        Frame(10);
        ASSERT_TRUE(r->riderBody->Finite()) << frames;
        reset = r->bike->riding != 0;
    }
    EXPECT_TRUE(reset);
    EXPECT_GE(frames, 299);
    EXPECT_LE(frames, 302);
    Frame(10);
    EXPECT_EQ(r->crashed[0], 0);
    EXPECT_EQ(r->crashedObject, nullptr);
}

TEST_F(BumpyScene, RagdollTumblesTenSecondsWithoutNaN) {
    RaceContext().gameMode = 0;  // nobody picks the rider up
    RacerRecord* r = Make(kRacerLocal, 300, 300);
    ASSERT_NE(r, nullptr);
    for (int i = 0; i < 10; ++i) Frame(10);
    // Thrown hard: the bike launched fast before the fall.
    for (int i = 0; i < 4; ++i) r->bike->body.particles[i].velocity = {80, 30, 20};
    r->bike->riding = 0;
    float worstDepth = 0;
    for (int i = 0; i < 1000; ++i) {
        Frame(10);
        ASSERT_TRUE(r->riderBody->Finite()) << i;
        for (uint32_t k = 0; k < kRiderParticles; ++k) {
            const Vec3& p = r->riderBody->body.particles[k].position;
            worstDepth = std::fmax(worstDepth, ground->HeightAt(p.x, p.y) - p.z);
        }
    }
    EXPECT_EQ(r->crashed[0], 1);
    EXPECT_LT(worstDepth, 14.0f);
    EXPECT_NEAR(r->crashedObject->position.x, r->riderBody->body.particles[2].position.x, 1e-3);
}

TEST_F(RacerScene, LocalRiderStaysDownUntilAskedOutsideTimedModes) {
    PlayerInput input;
    RaceContext().gameMode = 0;
    RacerRecord* r = Make(kRacerLocal, 0, 0, &input);
    ASSERT_NE(r, nullptr);
    Frame(10);
    r->bike->riding = 0;
    for (int i = 0; i < 500; ++i) Frame(10);
    EXPECT_EQ(r->bike->riding, 0);
    input.words[kActionToStart] = 1;
    Frame(10);
    EXPECT_EQ(input.words[kActionToStart], 0u);  // taken when read
    EXPECT_EQ(r->bike->riding, 1);
    EXPECT_EQ(r->crashed[0], 0);
    EXPECT_NEAR(r->bike->centre.x, r->startPos.x, 3.0f);
}

TEST_F(RacerScene, GiveUpPushActsOnlyNearTheGround) {
    RacerRecord* r = Make(kRacerComputer, 0, 0);
    ASSERT_NE(r, nullptr);
    Frame(10);
    r->bike->riding = 0;
    Frame(10);
    ASSERT_EQ(r->crashed[0], 1);
    RiderBody& body = *r->riderBody;
    for (float height : {10.0f, 80.0f}) {
        for (uint32_t i = 0; i < kRiderParticles; ++i) {
            body.body.particles[i].position.z = height;
            body.body.particles[i].velocity = {0, 0, 0};
            body.body.particles[i].force = {0, 0, 0};
        }
        body.accumulator = 0.0f;
        r->bike->controls[kControlGiveUp] = 1;
        TickRiderBody(r->crashedObject, 0, r);
        EXPECT_EQ(body.body.particles[0].force.z > 0.0f, height < 50.0f) << height;
    }
}

TEST_F(RacerScene, RemoteRiderIsMovedOntoTheReceivedPosition) {
    RacerRecord* r = Make(kRacerRemote, 0, 0);
    ASSERT_NE(r, nullptr);
    Frame(10);
    r->bike->riding = 0;
    r->receivedRiding = 0;
    Frame(10);
    ASSERT_EQ(r->crashed[0], 1);
    const Vec3 target = {50, 60, 7};
    for (int a = 0; a < 3; ++a) {
        WriteBlockFloat(r->netBlock + kNetRiderPosition + 4 * a, (&target.x)[a]);
        WriteBlockFloat(r->netBlock + kNetRiderVelocity + 4 * a, 0.0f);
    }
    for (uint32_t i = 0; i < kRiderParticles; ++i) r->riderBody->body.particles[i].velocity = {3, 0, 0};
    TickRiderBody(r->crashedObject, 0, r);
    const Vec3 p2 = r->riderBody->body.particles[2].position;
    EXPECT_NEAR(p2.x, 50.0f, 1e-3);
    EXPECT_NEAR(p2.y, 60.0f, 1e-3);
    EXPECT_NEAR(p2.z, 7.0f, 1e-3);
    EXPECT_NEAR(r->riderBody->body.particles[2].velocity.x, 0.0f, 1e-3);
}

}  // namespace
}  // namespace kes::test
