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

namespace kes {
namespace {

// Each field of the network state survives a round trip within the precision it is packed with:
// floats exactly, steering to a thousandth, throttle to 1/32500, and the two flags and the trick.
TEST_F(State, EveryNetworkFieldRoundTripsWithinItsPrecision) {
    struct Case {
        float steer, throttle;
        uint8_t riding, slide;
        uint32_t trick;
        float wantSteer, wantThrottle;
    };
    const Case cases[] = {
        {0.0f, 0.0f, 1, 0, 0, 0.0f, 0.0f},
        {-32.768f, 2.0f, 1, 1, 7, -32.768f, 2.0f},
        {32.767f, 0.5f, 0, 0, 0, 32.767f, 0.5f},
        {1.2345f, 1.0f, 1, 1, 24, 1.234f, 1.0f},        // truncated toward zero
        {-1.2345f, 0.00004f, 0, 1, 0, -1.234f, 0.0f},
        {100.0f, 3.0f, 1, 0, 0, 32.767f, 65535.0f / 32500.0f},  // beyond the range: the nearest end
        {-100.0f, -1.0f, 1, 0, 0, -32.768f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.steer);
        BikeBody src{env, BikeParams{}, kClassLocal, {10, 20, 3}, {0, 1, 0}};
        BikeBody dst{env, BikeParams{}, kClassNetwork, {0, 0, 3}, {1, 0, 0}};
        for (int i = 0; i < 4; ++i) {
            src.body.particles[i].position = {1.0f / 3.0f + static_cast<float>(i), -7.25f, 1e5f};
            src.body.particles[i].velocity = {-0.1f * static_cast<float>(i), 299.9f, -1e-7f};
        }
        src.steerAngle = c.steer;
        src.throttleLevel = c.throttle;
        src.riding = c.riding;
        src.slide = c.slide;
        src.trickAnim = c.trick ? 1 : 0;
        src.trickRequest = c.trick;
        uint8_t block[kNetBikeStateSize];
        NetPackBikeState(src, nullptr, block);
        uint8_t riding = 9;
        ASSERT_TRUE(NetUnpackBikeState(dst, block, &riding));
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(std::memcmp(&dst.body.particles[i].position, &src.body.particles[i].position, sizeof(Vec3)), 0);
            EXPECT_EQ(std::memcmp(&dst.body.particles[i].velocity, &src.body.particles[i].velocity, sizeof(Vec3)), 0);
        }
        EXPECT_NEAR(dst.steerAngle, c.wantSteer, 1.01e-3f);  // thousandths, truncated
        EXPECT_NEAR(dst.throttleLevel, c.wantThrottle, 1.0f / 32500.0f);
        EXPECT_EQ(riding, c.riding);
        EXPECT_EQ(dst.riding, c.riding);
        EXPECT_EQ(dst.slide, c.slide);
        EXPECT_EQ(dst.trickRequest, c.trick);
        // The springs take their rest lengths from the restored particles.
        for (uint32_t s = 0; s < dst.body.springCount; ++s) EXPECT_EQ(dst.body.springs[s].lastForce, 0.0f);
        EXPECT_EQ(block[kNetRiderPosition], 0);  // no crashed rider: zeros
    }
}

// A state with any damaged float (bike or crashed rider) or a position beyond the world is refused
// whole: the bike keeps what it had.
TEST_F(State, DamagedFieldsAnywhereInTheNetworkStateAreRefused) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    struct Case {
        uint32_t offset;
        float value;
    };
    const Case cases[] = {{0, nan},     {44, inf},    {48, -inf},   {92, 2e6f},   {kNetRiderPosition, nan},
                          {kNetRiderPosition + 8, 1e7f}, {kNetRiderVelocity, inf}, {kNetRiderVelocity + 8, -nan}};
    uint8_t good[kNetBikeStateSize];
    NetPackBikeState(a, nullptr, good);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        uint8_t block[kNetBikeStateSize];
        std::memcpy(block, good, sizeof block);
        WriteBlockFloat(block + c.offset, c.value);
        b.steerAngle = 0.75f;
        const Vec3 before = b.body.particles[3].position;
        EXPECT_FALSE(NetUnpackBikeState(b, block, nullptr));
        EXPECT_EQ(b.body.particles[3].position.x, before.x);
        EXPECT_EQ(b.steerAngle, 0.75f);
    }
    // A trick number the game does not have is not started; the rest of the state is taken.
    uint8_t block[kNetBikeStateSize];
    std::memcpy(block, good, sizeof block);
    block[125] = 51;
    b.trickRequest = 0;
    EXPECT_TRUE(NetUnpackBikeState(b, block, nullptr));
    EXPECT_EQ(b.trickRequest, 0u);
}

}  // namespace
}  // namespace kes
