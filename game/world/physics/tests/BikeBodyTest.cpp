#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "game/core/maths/VecMath.h"
#include "game/world/physics/ResponseCurves.h"
#include "game/world/physics/tests/BikeTestSupport.h"

namespace kes {
namespace {

float Distance(const Vec3& a, const Vec3& b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// 5 s of game time at 200 steps per second.
constexpr int kSecond = 200;

TEST(BikeReset, PlacesTheBodyAtTheRequestedPoseWithRestLengthsFromIt) {
    FlatGround ground;
    TestBike t(&ground, BikeParams{}, {10.0f, 20.0f, 5.0f}, {1.0f, 0.0f, 0.0f});
    const BikeBody& b = *t.bike;
    const Particle* p = b.body.particles;
    EXPECT_NEAR(b.centre.x, 10.0f, 1e-4f);
    EXPECT_NEAR(b.centre.y, 20.0f, 1e-4f);
    EXPECT_NEAR(b.centre.z, 5.0f, 1e-4f);
    EXPECT_NEAR(Distance(p[0].position, p[1].position), 5.0f, 0.01f);
    EXPECT_NEAR(p[2].position.z - p[0].position.z, 3.5f, 0.01f);
    EXPECT_NEAR(p[3].position.z - p[1].position.z, 3.5f, 0.01f);
    // Turned onto the heading +x (within one table step of the sine).
    EXPECT_NEAR(b.forward.x, 1.0f, 0.002f);
    EXPECT_NEAR(b.forward.y, 0.0f, 0.002f);
    // Rest lengths belong to the simulation scale, twice the world's.
    EXPECT_NEAR(b.body.springs[0].restLength, 10.0f, 0.01f);
    EXPECT_NEAR(b.body.springs[4].restLength, std::sqrt(100.0f + 49.0f), 0.01f);
    EXPECT_EQ(b.body.springs[6].limitOnly, 1);
    EXPECT_EQ(b.body.springs[6].minLength, 4.5f);
    EXPECT_EQ(b.body.springs[7].maxLength, 8.0f);
    EXPECT_FLOAT_EQ(b.topSpeed, 110.0f);
    EXPECT_EQ(b.riding, 1);
}

TEST(BikeReset, FirstStepRunsWithTheBrakeHeldAndNoDrive) {
    FlatGround ground;
    TestBike t(&ground, BikeParams{}, {0.0f, 0.0f, 1.4f});
    t.Run(1, [](BikeBody& b, int) { b.controls[kControlThrottle] = 1; });
    EXPECT_EQ(t.bike->wheelDrag[0], 30.0f);
    EXPECT_EQ(t.bike->wheelDrag[1], 1.0f);
    EXPECT_LT(std::fabs(t.bike->meanVelocity.y), 0.01f);
}

TEST(BikeRide, DroppedOnFlatGroundSettlesUprightAndStaysAtRest) {
    FlatGround ground;
    TestBike t(&ground);
    t.Run(2 * kSecond);
    const Vec3 settled = t.bike->centre;
    t.Run(10 * kSecond);
    const BikeBody& b = *t.bike;
    EXPECT_EQ(b.riding, 1);
    EXPECT_EQ(b.contactBits, 3u);
    EXPECT_GT(b.up.z, 0.999f);
    EXPECT_LT(Distance(b.centre, settled), 0.05f);
    EXPECT_LT(t.MaxGroundSpeed(), 0.05f);
}

TEST(BikeRide, TopSpeedOnFlatGroundRisesWithTheBikeClass) {
    FlatGround ground;
    std::vector<float> topSpeeds;
    for (float factor : {0.0f, 0.5f, 1.0f}) {
        BikeParams params;
        params.topSpeedFactor = factor;
        TestBike t(&ground, params);
        t.Run(kSecond / 2);
        float fastest = 0.0f;
        t.Run(20 * kSecond, [&fastest](BikeBody& b, int) {
            b.controls[kControlThrottle] = 1;
            fastest = std::fmax(fastest, b.speed);
        });
        const float expectedTop = 70.0f + 80.0f * factor;
        EXPECT_EQ(t.bike->riding, 1);
        EXPECT_GT(fastest, expectedTop * 0.9f) << factor;
        EXPECT_LT(fastest, expectedTop * 1.1f) << factor;
        topSpeeds.push_back(fastest);
    }
    EXPECT_LT(topSpeeds[0] + 20.0f, topSpeeds[1]);
    EXPECT_LT(topSpeeds[1] + 20.0f, topSpeeds[2]);
}

TEST(BikeRide, BrakingBringsTheBikeToRest) {
    FlatGround ground;
    TestBike t(&ground);
    t.Hold(4 * kSecond, {kControlThrottle});
    ASSERT_GT(t.bike->speed, 80.0f);
    t.Hold(8 * kSecond, {kControlBrake});
    EXPECT_EQ(t.bike->riding, 1);
    EXPECT_LT(t.MaxGroundSpeed(), 0.1f);
    const Vec3 stopped = t.bike->centre;
    t.Hold(2 * kSecond, {kControlBrake});
    EXPECT_LT(Distance(t.bike->centre, stopped), 0.1f);
}

TEST(BikeSteering, RampFollowsTheRateWhileHeldAndReturnsWhenReleased) {
    FlatGround ground;
    TestBike t(&ground);
    t.Run(kSecond);  // settle with both wheels down
    ASSERT_EQ(t.bike->contactBits, 3u);
    const float expected[] = {0.5f, 1.5f, 3.0f, 5.0f, 7.0f, 9.0f, 11.0f, 13.0f, 15.0f, 17.0f,
                              19.0f, 21.0f, 23.0f, 25.0f, 27.0f, 29.0f, 29.0f, 29.0f};
    for (float angle : expected) {
        t.Hold(1, {kControlLeft});
        EXPECT_FLOAT_EQ(t.bike->steerAngle, angle);
    }
    for (int i = 0; i < 28; ++i) {
        t.Run(1);
        EXPECT_FLOAT_EQ(t.bike->steerAngle, 28.0f - static_cast<float>(i));
    }
    t.Run(2);
    EXPECT_EQ(t.bike->steerAngle, 0.0f);
    // Right is the mirror image.
    for (int i = 0; i < 30; ++i) t.Hold(1, {kControlRight});
    EXPECT_FLOAT_EQ(t.bike->steerAngle, -29.0f);
}

TEST(BikeSteering, HeldSteeringTurnsTheRidingBikeAndItStaysUp) {
    FlatGround ground;
    TestBike t(&ground);
    t.Hold(2 * kSecond, {kControlThrottle});
    t.Hold(3 * kSecond, {kControlThrottle, kControlLeft});
    EXPECT_EQ(t.bike->riding, 1);
    EXPECT_LT(t.bike->centre.x, -20.0f);  // left of the start line when heading +y
    t.Hold(3 * kSecond, {kControlThrottle});
    EXPECT_EQ(t.bike->riding, 1);
    EXPECT_GT(t.bike->up.z, 0.95f);
}

TEST(BikeHop, SecondHopWaitsOutTheCooldown) {
    FlatGround ground;
    TestBike t(&ground);
    t.Run(kSecond);
    t.Hold(1, {kControlHop});
    EXPECT_EQ(t.bike->hopCooldown, 149);
    float highest = 0.0f;
    t.Run(60, [&highest](BikeBody& b, int) { highest = std::fmax(highest, b.centre.z); });
    EXPECT_EQ(t.bike->hopCooldown, 89);
    // Asking again during the cooldown starts nothing.
    t.Run(60, [&highest](BikeBody& b, int) {
        b.controls[kControlHop] = 1;
        highest = std::fmax(highest, b.centre.z);
    });
    EXPECT_EQ(t.bike->hopCooldown, 29);
    EXPECT_GT(highest, 4.0f);  // the push-off lifted the bike clear of its resting height (2.8)
    t.Run(29);
    EXPECT_EQ(t.bike->hopCooldown, 0);
    t.Run(kSecond);
    ASSERT_NE(t.bike->contactBits, 0u);
    t.Hold(1, {kControlHop});
    EXPECT_EQ(t.bike->hopCooldown, 149);
    EXPECT_EQ(t.bike->riding, 1);
}

TEST(BikeJump, LeavesTheRampAndLandsRiding) {
    RampGround ground(60.0f, 6.0f, 20.0f);
    TestBike t(&ground);
    int airborneSteps = 0;
    float peak = 0.0f;
    t.Run(5 * kSecond, [&](BikeBody& b, int) {
        b.controls[kControlThrottle] = 1;
        if (b.contactBits == 0 && b.centre.y > 80.0f) ++airborneSteps;
        peak = std::fmax(peak, b.centre.z);
    });
    EXPECT_GT(airborneSteps, 100);   // more than half a second in the air
    EXPECT_GT(peak, 10.0f);
    EXPECT_GT(t.bike->centre.y, 200.0f);
    EXPECT_EQ(t.bike->riding, 1);
    t.Hold(kSecond, {kControlThrottle});
    EXPECT_EQ(t.bike->riding, 1);
    EXPECT_NE(t.bike->contactBits, 0u);
    EXPECT_GE(t.events.smallLandings + t.events.bigLandings, 1);
}

// The landing assist takes over the air control only for a player's (or replayed) bike on a route,
// falling within 30 of the ground, with no air lean held.
TEST(BikeLandingAssist, HelpsOnlyAFallingPlayerBikeOnARouteWithoutAirLean) {
    FlatGround ground;
    const struct {
        uint32_t assist;
        uint8_t route;
        int32_t controlClass;
        bool airLean;
        float height;
        bool helped;
    } cases[] = {
        {1, 1, kClassLocal, false, 20.0f, true},    {2, 1, kClassReplay, false, 20.0f, true},
        {0, 1, kClassLocal, false, 20.0f, false},   {1, 0, kClassLocal, false, 20.0f, false},
        {1, 1, kClassComputer, false, 20.0f, false}, {1, 1, kClassLocal, true, 20.0f, false},
        {1, 1, kClassLocal, false, 60.0f, false},  // too high above the ground: not yet
    };
    for (const auto& c : cases) {
        BikeParams params;
        params.landingAssist = c.assist;
        TestBike t(&ground, params, {0.0f, 0.0f, c.height}, {0.0f, 1.0f, 0.0f}, c.controlClass);
        t.bike->hasRoute = c.route;
        bool helped = false;
        t.Run(kSecond / 4, [&](BikeBody& b, int) {
            if (c.airLean) b.controls[kControlAirLeanLeft] = 1;
            if (b.contactBits == 0 && !b.airSteerFresh) helped = true;
        });
        EXPECT_EQ(helped, c.helped) << "assist " << c.assist << " route " << int(c.route) << " class "
                                    << c.controlClass << " lean " << c.airLean << " height " << c.height;
    }
}

TEST(BikeGround, DepthCodesSinkTheWheelAndDeepOnesEndRiding) {
    FlatGround shallow(0.0f, 150);
    TestBike a(&shallow);
    a.Run(2 * kSecond);
    EXPECT_EQ(a.bike->riding, 1);
    EXPECT_EQ(a.bike->surface.code, kDepthSurfaceCode);
    // (150 - 144) / 111 x 10 = 0.54 below the ground, plus the wheel radius.
    EXPECT_NEAR(a.bike->body.particles[0].position.z, -0.5405f + 1.2f, 0.02f);
    FlatGround deep(0.0f, 190);
    TestBike b(&deep);
    b.Run(2 * kSecond);
    EXPECT_EQ(b.bike->riding, 0);
}

TEST(BikeGround, TopParticleOnTheGroundWithTheBikeUpsideDownEndsRiding) {
    // A top particle touching the ground slowly ends riding only when the bike is upside down.
    struct Case {
        float turn;  // about the forward axis
        int riding;
    };
    for (const Case c : {Case{0.0f, 1}, Case{3.1415926f, 0}}) {
        FlatGround ground;
        TestBike t(&ground, BikeParams{}, {0.0f, 0.0f, 20.0f});  // in the air, clear of the ground
        BikeBody& b = *t.bike;
        b.RotateAbout({0.0f, 1.0f, 0.0f}, c.turn);
        b.FrameAndContactStage();  // the body's axes follow the turn
        ASSERT_EQ(b.riding, 1) << c.turn;
        ASSERT_EQ(b.up.z < 0.2f, c.riding == 0) << c.turn;
        Particle& top = b.body.particles[2];
        top.position.z = top.radius - 0.2f;  // below its contact height, sinking slowly
        top.velocity = {0.0f, 0.0f, -1.0f};
        b.GroundContactStage();
        EXPECT_EQ(top.contactTimer, 5) << "the top particle is on the ground; turn " << c.turn;
        EXPECT_EQ(b.riding, c.riding) << c.turn;
    }
    // Dropped upside down, the bike stops riding on the step its top particles reach the ground.
    FlatGround ground;
    TestBike t(&ground, BikeParams{}, {0.0f, 0.0f, 2.0f});
    t.bike->RotateAbout({0.0f, 1.0f, 0.0f}, 3.1415926f);
    int steps = 0;
    while (t.bike->riding == 1 && steps < kSecond) {
        t.Run(1);
        ++steps;
    }
    const Particle* p = t.bike->body.particles;
    EXPECT_EQ(t.bike->riding, 0);
    EXPECT_TRUE(p[2].contactTimer == 5 || p[3].contactTimer == 5) << "ended by a top particle's touch";
    EXPECT_LT(t.bike->up.z, 0.2f);
}

TEST(BikeDeterminism, SameControlsGiveIdenticalBytes) {
    RandomGround ground(11, 8.0f);
    auto run = [&ground]() {
        TestBike t(&ground);
        std::vector<unsigned char> bytes;
        t.Run(8 * kSecond, [&bytes](BikeBody& b, int step) {
            b.controls[kControlThrottle] = (step / 300) % 3 != 2;
            b.controls[kControlLeft] = (step / 250) % 4 == 1;
            b.controls[kControlBrake] = (step / 300) % 3 == 2;
            b.controls[kControlHop] = step % 400 == 0;
            for (int i = 0; i < 4; ++i) {
                const Particle& p = b.body.particles[i];
                const float v[6] = {p.position.x, p.position.y, p.position.z, p.velocity.x, p.velocity.y, p.velocity.z};
                const auto* pb = reinterpret_cast<const unsigned char*>(v);
                bytes.insert(bytes.end(), pb, pb + sizeof(v));
            }
        });
        return bytes;
    };
    const std::vector<unsigned char> first = run();
    const std::vector<unsigned char> second = run();
    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(0, std::memcmp(first.data(), second.data(), first.size()));
}

TEST(BikeSnapshots, InterpolationBlendsPositionsComponentwise) {
    FlatGround ground;
    TestBike t(&ground);
    BikeSnapshot a, b, mid;
    TakeBikeSnapshot(*t.bike, &a);
    t.Hold(kSecond, {kControlThrottle});
    TakeBikeSnapshot(*t.bike, &b);
    InterpolateBikeSnapshots(a, b, 0.25f, &mid);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(mid.positions[i].y, b.positions[i].y * 0.25f + a.positions[i].y * 0.75f);
    }
    EXPECT_EQ(sizeof(BikeSnapshot), 76u);
}

TEST(BikeScore, ShownScoreFollowsTheTargetByTwoPerStep) {
    FlatGround ground;
    TestBike t(&ground);
    t.bike->scoreTarget = 5.0f;
    const float expected[] = {2.0f, 4.0f, 5.0f, 5.0f};
    for (float e : expected) {
        t.Run(1);
        EXPECT_EQ(t.bike->scoreShown, e);
    }
}

TEST(BikeCurves, TheFirstBikeFillsTheSharedCurves) {
    FlatGround ground;
    TestBike t(&ground);
    EXPECT_EQ(TurnRateCurve.count, 11);
    EXPECT_EQ(DriveCurveB.points[0], 150.0f);
}

}  // namespace
}  // namespace kes

namespace kes {
namespace {

TEST(BikeSounds, LandingSoundFollowsTheImpactSpeed) {
    struct Case {
        float dropHeight;  // centre height above the resting height; impact speed is about sqrt(60 h)
        int small;
        int big;
    };
    const Case cases[] = {{2.0f, 0, 0}, {16.0f, 1, 0}, {60.0f, 0, 1}};
    for (const Case& c : cases) {
        FlatGround ground;
        TestBike t(&ground, BikeParams{}, {0.0f, 0.0f, 2.8f + c.dropHeight});
        t.Run(3 * kSecond);
        EXPECT_EQ(t.events.smallLandings > 0 ? 1 : 0, c.small) << c.dropHeight;
        EXPECT_EQ(t.events.bigLandings > 0 ? 1 : 0, c.big) << c.dropHeight;
    }
}

TEST(BikeSounds, CrashedBodyBounceVolumeFollowsTheImpact) {
    struct Case {
        float impact;
        int crashes;
        int volume;
    };
    const Case cases[] = {{60.0f, 1, 0}, {80.0f, 1, 0}, {32.5f, 1, -2750}, {5.0f, 0, 1}};
    for (const Case& c : cases) {
        FlatGround ground;
        TestBike t(&ground, BikeParams{}, {0.0f, 0.0f, 10.0f});
        BikeBody& b = *t.bike;
        b.riding = 0;
        b.body.particles[0].position.z = 0.5f;  // below the contact height of 1.11
        b.body.particles[0].velocity = {0.0f, 0.0f, -c.impact};
        b.GroundContactStage();
        EXPECT_EQ(t.events.crashes, c.crashes) << c.impact;
        EXPECT_EQ(t.events.lastCrashVolume, c.volume) << c.impact;
        // A small bounce is kept: a tenth of the impact.
        EXPECT_NEAR(b.body.particles[0].velocity.z, 0.1f * c.impact, 0.01f * c.impact + 0.01f);
    }
}

TEST(BikeComputer, GroundContactRunsEveryThirdStep) {
    FlatGround ground;
    TestBike t(&ground, BikeParams{}, {0.0f, 0.0f, 3.0f}, {0.0f, 1.0f, 0.0f}, kClassComputer);
    std::vector<int> countdowns;
    for (int i = 0; i < 6; ++i) {
        t.bike->GroundContactStage();
        countdowns.push_back(t.bike->groundCountdown);
    }
    EXPECT_EQ(countdowns, (std::vector<int>{2, 1, 0, 2, 1, 0}));
    t.Run(3 * kSecond);
    EXPECT_EQ(t.bike->riding, 1);
    EXPECT_NE(t.bike->contactBits, 0u);
}

}  // namespace
}  // namespace kes

namespace kes {
namespace {

// One fixture per way a riding bike loses its rider in the frame and steering stages.
class BikeCrashCauses : public ::testing::Test {
protected:
    void SetUp() override {
        t = std::make_unique<TestBike>(&ground);
        t->Run(kSecond);  // settled, both wheels down
        ASSERT_EQ(t->bike->contactBits, 3u);
        ASSERT_EQ(t->bike->riding, 1);
    }
    void AddForwardVelocity(float dv) {
        BikeBody& b = *t->bike;
        for (int i = 0; i < 4; ++i) {
            Particle& p = b.body.particles[i];
            p.velocity.x += b.forward.x * dv;
            p.velocity.y += b.forward.y * dv;
            p.velocity.z += b.forward.z * dv;
        }
    }
    FlatGround ground;
    std::unique_ptr<TestBike> t;
};

TEST_F(BikeCrashCauses, FrontalImpactAbove1500PerSecond) {
    AddForwardVelocity(14.0f);  // 100 x 14 = 1400: survives
    t->bike->FrameAndContactStage();
    EXPECT_EQ(t->bike->riding, 1);
    AddForwardVelocity(-16.0f);  // 100 x 16 = 1600: thrown off
    t->bike->FrameAndContactStage();
    EXPECT_EQ(t->bike->riding, 0);
}

TEST_F(BikeCrashCauses, LeanBeyond72DegreesWithBothWheelsDown) {
    BikeBody& b = *t->bike;
    const Vec3 axis = b.forward;
    b.RotateAbout(axis, 1.15f);
    b.FrameAndContactStage();
    b.SteeringAndWheelStage();
    EXPECT_NEAR(std::fabs(b.leanAngle), 1.15f, 0.01f);
    EXPECT_EQ(b.riding, 1);
    b.RotateAbout(axis, 0.2f);
    b.FrameAndContactStage();
    b.SteeringAndWheelStage();
    EXPECT_EQ(b.riding, 0);
}

TEST_F(BikeCrashCauses, FoldedBody) {
    BikeBody& b = *t->bike;
    Particle* p = b.body.particles;
    // The front top point swings back past the rear top point.
    p[3].position = {p[2].position.x - b.forward.x * 2.5f, p[2].position.y - b.forward.y * 2.5f, p[2].position.z};
    b.FrameAndContactStage();
    EXPECT_EQ(b.riding, 0);
}

TEST_F(BikeCrashCauses, GiveUpByteIsLeftToTheController) {
    t->Hold(kSecond, {kControlGiveUp});
    EXPECT_EQ(t->bike->riding, 1);
}

}  // namespace
}  // namespace kes
