// Tricks of the bike body: refusals, the request window, the balance game, points and the landing
// score of the rotation turned in the air.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "game/core/maths/VecMath.h"
#include "game/world/physics/tests/BikeTestSupport.h"
#include "platform/sys/CrtRand.h"

namespace kes {
namespace {

class CheerEvents : public RecordingEvents {
public:
    void OnCheer() override { ++cheers; }
    int cheers = 0;
};

class BikeTricksTest : public ::testing::Test {
protected:
    BikeTricksTest() : t(&ground) {
        t.bike->env.events = &events;
        t.bike->riderAnim = &anim;
        TrickBalanceKickCountdown() = 50;
    }
    FlatGround ground{0.0f};
    TestBike t;
    CheerEvents events;
    TimedRiderAnimation anim{100};
};

TEST_F(BikeTricksTest, StartRefusals) {
    struct Case {
        uint32_t trick;
        uint32_t contact;
        float speed;
        uint32_t airAssist;
        int32_t controlClass;
        uint32_t animation;
    };
    const Case cases[] = {
        {3, 0, 90, 2, kClassLocal, 3},      // air-only, in the air, two-axis balance with airAssist 2
        {3, 0, 90, 1, kClassLocal, 0},      // two-axis balance needs airAssist 2
        {3, 3, 90, 2, kClassLocal, 0},      // air-only on the ground
        {22, 3, 40, 2, kClassLocal, 0},     // not on the ground below 50
        {22, 3, 60, 2, kClassLocal, 34},
        {22, 0, 40, 2, kClassLocal, 34},    // in the air at any speed
        {1, 0, 90, 0, kClassLocal, 0},      // a balance trick with the computer's air handling
        {1, 0, 90, 0, kClassComputer, 1},   // ... unless the computer rides
        {4, 3, 0, 0, kClassLocal, 4},       // any time, not scored by balance
        {0, 0, 90, 2, kClassLocal, 0},      // no trick
        {25, 0, 90, 2, kClassLocal, 0},
    };
    for (const Case& c : cases) {
        BikeBody& b = *t.bike;
        b.trickRequest = c.trick;
        b.contactBits = c.contact;
        b.speed = c.speed;
        b.params.airAssist = c.airAssist;
        b.controlClass = c.controlClass;
        EXPECT_EQ(b.StartTrick(), c.animation) << "trick " << c.trick << " contact " << c.contact << " speed "
                                               << c.speed << " assist " << c.airAssist << " class " << c.controlClass;
    }
}

TEST_F(BikeTricksTest, ARequestOpensAWindowThenTheTrickPlaysAndScoresTenPoints) {
    BikeBody& b = *t.bike;
    b.RequestTrick(4);
    EXPECT_EQ(b.trickWindow, 30);
    b.RequestTrick(9);
    EXPECT_EQ(b.trickWindow, 30) << "an open window is not opened again";
    EXPECT_EQ(b.trickRequest, 9u);
    for (int i = 0; i < 29; ++i) b.UpdateTricks();
    EXPECT_EQ(b.trickAnim, 0u);
    b.UpdateTricks();
    EXPECT_EQ(b.trickAnim, 9u);
    EXPECT_EQ(anim.Animation(), 9u);
    EXPECT_EQ(events.cheers, 1);
    anim.Advance(200);
    b.UpdateTricks();
    EXPECT_EQ(b.trickAnim, 0u);
    EXPECT_EQ(b.trickRequest, 0u);
    EXPECT_TRUE(anim.AnimValuesClear());
    EXPECT_EQ(b.trickScoreDelay, 30);
    for (int i = 0; i < 29; ++i) b.UpdateTricks();
    EXPECT_EQ(b.trickPoints, 0.0f);
    b.UpdateTricks();
    EXPECT_EQ(b.trickPoints, 10.0f);

    // While the rider's animation still shows, no window opens.
    anim.StartRiderAnim(3);
    b.RequestTrick(4);
    EXPECT_EQ(b.trickWindow, 0);
}

TEST_F(BikeTricksTest, LostBalanceEndsTheRideForGood) {
    BikeBody& b = *t.bike;
    b.trickAnim = 1;
    b.trickUsesBalance = 1;
    b.trickKind = kTrickAirOnly;
    b.contactBits = 0;
    b.trickBalance.Start(1);
    b.trickBalance.point = {0.999f, 0, 0};
    b.trickBalance.drift = {0.005f, 0, 0};
    b.UpdateTrickBalance();
    EXPECT_EQ(b.riding, 0);
    b.trickBalance.point = {0, 0, 0};
    b.UpdateTrickBalance();
    EXPECT_EQ(b.riding, 0) << "a later round never puts the rider back on";

    // An air trick with a wheel down plays the balance game three times a step.
    b.riding = 1;
    b.contactBits = 1;
    b.trickBalance.point = {0, 0, 0};
    b.trickBalance.drift = {0.005f, 0, 0};
    TrickBalanceKickCountdown() = 50;
    b.UpdateTrickBalance();
    EXPECT_NEAR(b.trickBalance.point.x, 0.015f, 1e-6f);
}

struct Award {
    const char* name;
    float airTurn, trickPoints;
    uint32_t landingAssist;
    int32_t points, total;
    float multiplier;
};

TEST_F(BikeTricksTest, LandingAwards) {
    const Award awards[] = {
        {"rotation only", 1.9f, 0, 0, 50, 95, 1.9f},
        {"trick only", 0, 40, 0, 40, 40, 1.0f},
        {"both", 1.5f, 40, 0, 40, 60, 1.5f},
        {"both with the landing assist", 1.5f, 40, 1, 20, 30, 1.5f},
    };
    for (const Award& a : awards) {
        SCOPED_TRACE(a.name);
        BikeBody& b = *t.bike;
        b.riding = 1;
        b.contactBits = b.lastContactBits = 3;
        b.airCounter = 0;
        b.trickAnim = 0;
        b.airTurn = a.airTurn;
        b.trickPoints = a.trickPoints;
        b.params.landingAssist = a.landingAssist;
        b.scoreTarget = 100;
        b.UpdateLandingScore();
        EXPECT_EQ(b.trickMessage.timerMs, 2000u);
        EXPECT_EQ(b.trickMessage.points, a.points);
        EXPECT_EQ(b.trickMessage.total, a.total);
        EXPECT_FLOAT_EQ(b.trickMessage.multiplier, a.multiplier);
        EXPECT_EQ(b.scoreTarget, 100.0f + static_cast<float>(a.total));
        EXPECT_EQ(b.airTurn, 0.0f);
        EXPECT_EQ(b.trickPoints, 0.0f);
    }
}

// Flies the bike's frame through the air for `steps` steps, turning forward and up about side by
// `turn` radians in all over the first `turnSteps`, then lands and waits out the landing hold.
void Fly(BikeBody& b, int steps, int turnSteps, float turn) {
    b.side = {1, 0, 0};
    b.forward = {0, 1, 0};
    b.up = {0, 0, 1};
    b.contactBits = 3;
    b.UpdateLandingScore();
    b.lastContactBits = 3;
    b.contactBits = 0;
    for (int i = 0; i < steps; ++i) {
        b.UpdateLandingScore();
        const float a = turn * static_cast<float>(std::min(i + 1, turnSteps)) / static_cast<float>(turnSteps);
        b.forward = {0, std::cos(a), std::sin(a)};
        b.up = {0, -std::sin(a), std::cos(a)};
        b.lastContactBits = 0;
    }
    b.contactBits = 3;
    for (int i = 0; i < 60; ++i) {
        b.UpdateLandingScore();
        b.lastContactBits = 3;
    }
}

TEST_F(BikeTricksTest, AFullSomersaultScoresAndAFlatJumpDoesNot) {
    BikeBody& b = *t.bike;
    b.scoreTarget = 0;
    // The samples every 19 steps after take-off take in the whole turn by the third.
    Fly(b, 58, 56, 6.2831855f);
    EXPECT_NEAR(b.trickMessage.multiplier, 1.9f, 0.01f);
    EXPECT_EQ(b.trickMessage.points, 50);
    EXPECT_GE(b.trickMessage.total, 94);
    EXPECT_LE(b.trickMessage.total, 95);
    EXPECT_EQ(b.scoreTarget, static_cast<float>(b.trickMessage.total));
    EXPECT_EQ(b.airTurn, 0.0f) << "awarded and cleared";

    b.scoreTarget = 0;
    b.trickMessage = TrickMessage();
    Fly(b, 58, 56, 0.0f);
    EXPECT_EQ(b.scoreTarget, 0.0f);
    EXPECT_EQ(b.trickMessage.timerMs, 0u);
    EXPECT_EQ(b.airTurn, 0.0f);
}

TEST_F(BikeTricksTest, OppositeAxesJustPastMinusOneStayFinite) {
    BikeBody& b = *t.bike;
    b.riding = 1;
    b.contactBits = 0;
    b.lastContactBits = 0;
    b.airTurn = 1.0f;
    b.airCounter = 2;
    b.savedAxes[0] = {1.0000001f, 0, 0};
    b.side = {-1.0000001f, 0, 0};
    b.savedAxes[1] = b.forward;
    b.savedAxes[2] = b.up;
    b.UpdateLandingScore();
    EXPECT_TRUE(std::isfinite(b.airTurn));
    EXPECT_NEAR(b.airTurn, 1.225f, 1e-3f);
}

TEST_F(BikeTricksTest, AFallClearsTheTrickScore) {
    BikeBody& b = *t.bike;
    b.airTurn = 1.5f;
    b.trickPoints = 20;
    b.trickMessage.timerMs = 2000;
    b.riding = 0;
    b.UpdateLandingScore();
    EXPECT_EQ(b.airTurn, 0.0f);
    EXPECT_EQ(b.trickPoints, 0.0f);
    EXPECT_EQ(b.trickMessage.timerMs, 0u);
}

}  // namespace
}  // namespace kes
