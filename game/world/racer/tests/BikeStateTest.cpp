#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "game/world/physics/GeneratedGround.h"
#include "game/world/racer/BikeState.h"
#include "game/world/rider/RiderBody.h"

namespace kes {
namespace {

struct State : ::testing::Test {
    FlatGround ground;
    BikeEnvironment env{&ground};
    BikeBody a{env, BikeParams{}, kClassLocal, {10, 20, 3}, {0, 1, 0}};
    BikeBody b{env, BikeParams{}, kClassNetwork, {0, 0, 3}, {1, 0, 0}};
};

TEST_F(State, NetworkStateRoundTrips) {
    a.body.particles[2].velocity = {1.5f, -2.0f, 3.25f};
    a.steerAngle = -0.25f;
    a.throttleLevel = 0.5f;
    a.riding = 0;
    RiderBody rider;
    rider.body.particles[2].position = {7, 8, 9};
    uint8_t block[kNetBikeStateSize];
    NetPackBikeState(a, &rider, block);
    uint8_t riding = 9;
    ASSERT_TRUE(NetUnpackBikeState(b, block, &riding));
    EXPECT_EQ(riding, 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(b.body.particles[i].position.x, a.body.particles[i].position.x);
    EXPECT_EQ(b.body.particles[2].velocity.z, 3.25f);
    EXPECT_NEAR(b.steerAngle, -0.25f, 1e-3);
    EXPECT_NEAR(b.throttleLevel, 0.5f, 1e-4);
    EXPECT_EQ(ReadBlockVec3(block + kNetRiderPosition).y, 8.0f);
    // While riding the rider's fields are zeros.
    a.riding = 1;
    NetPackBikeState(a, &rider, block);
    EXPECT_EQ(ReadBlockVec3(block + kNetRiderPosition).y, 0.0f);
}

TEST_F(State, DamagedStateIsRefused) {
    uint8_t block[kNetBikeStateSize];
    NetPackBikeState(a, nullptr, block);
    const Vec3 before = b.body.particles[0].position;
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 3e9f}) {
        uint8_t damaged[kNetBikeStateSize];
        std::memcpy(damaged, block, sizeof damaged);
        WriteBlockFloat(damaged + 52, bad);
        EXPECT_FALSE(NetUnpackBikeState(b, damaged, nullptr));
        EXPECT_EQ(b.body.particles[0].position.x, before.x);
    }
}

TEST_F(State, ControlsRoundTripWithoutTheGiveUpInTheReplayForm) {
    for (int i = 0; i < 10; ++i) a.controls[i] = (i % 2) ? 1 : 0;
    a.controls[kControlGiveUp] = 1;
    a.analogModes[1] = 1;
    a.analogLevels[0] = -0.5f;
    uint8_t replay[kBikeControlsSize], network[kBikeControlsSize];
    PackBikeControls(a, false, replay);
    PackBikeControls(a, true, network);
    EXPECT_EQ(replay[1] & 2, 0);
    EXPECT_EQ(network[1] & 2, 2);
    UnpackBikeControls(b, replay);
    for (int i : {kControlThrottle, kControlBrake, kControlLeft, kControlRight, kControlPitchBack,
                  kControlPitchForward, kControlHop})
        EXPECT_EQ(b.controls[i], a.controls[i]) << i;
    EXPECT_EQ(b.analogModes[1], 1u);
    EXPECT_NEAR(b.analogLevels[0], -0.5f, 1e-4);
}

}  // namespace
}  // namespace kes
