#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

#include "game/world/physics/GeneratedGround.h"
#include "game/world/racer/ControlMapping.h"
#include "game/world/racer/Racer.h"
#include "game/world/tricks/Tricks.h"

namespace kes {
namespace {

struct Mapping : ::testing::Test {
    void SetUp() override {
        ResetControlMapping();
        env.ground = &ground;
        bike = std::make_unique<BikeBody>(env, BikeParams{}, kClassLocal, Vec3{0, 0, 3}, Vec3{0, 1, 0});
    }
    void Press(std::initializer_list<uint32_t> actions) {
        for (uint32_t& w : in.words) w = 0;
        for (uint32_t a : actions) in.words[a] = 1;
    }
    void Air(bool now, bool before) {
        bike->contactBits = now ? 0u : 3u;
        bike->lastContactBits = before ? 0u : 3u;
    }
    std::vector<int> Bytes() const {
        std::vector<int> on;
        for (int i = 0; i < 10; ++i)
            if (bike->controls[i]) on.push_back(i);
        return on;
    }
    FlatGround ground;
    BikeEnvironment env;
    std::unique_ptr<BikeBody> bike;
    PlayerInput in;
    int32_t axes[3] = {0, 0, 0};
};

TEST_F(Mapping, DigitalKeysOnTheGroundAndInTheAir) {
    const struct {
        bool air;
        std::initializer_list<uint32_t> keys;
        std::vector<int> bytes;
    } cases[] = {
        {false, {kActionSwapA, kActionLeft}, {2, 6}},
        {false, {kActionRight, kActionUp}, {3, 5}},
        {false, {kActionThrottle, kActionBrake, kActionDown}, {0, 1, 4}},
        // In the air with both swaps or neither: left and right lean, the air keys steer.
        {true, {kActionLeft, kActionAirRight}, {3, 7}},
        {true, {kActionSwapA, kActionSwapB, kActionRight, kActionAirLeft}, {2, 8}},
        // With exactly one swap held the roles change places.
        {true, {kActionSwapA, kActionLeft, kActionAirRight}, {2, 8}},
        {true, {kActionSwapB, kActionRight, kActionAirLeft}, {3, 7}},
    };
    for (const auto& c : cases) {
        Air(c.air, c.air);
        Press(c.keys);
        EXPECT_EQ(DigitalControls(*bike, in, 0, axes, 8), 0u);
        EXPECT_EQ(Bytes(), c.bytes);
        EXPECT_EQ(bike->analogModes[0], 0u);
        EXPECT_EQ(bike->analogLevels[2], 0.0f);
    }
}

TEST_F(Mapping, GiveUpOnlyFromTheRacingPhase) {
    Press({kActionGiveUp});
    DigitalControls(*bike, in, 0, axes, 7);
    EXPECT_EQ(bike->controls[kControlGiveUp], 0);
    DigitalControls(*bike, in, 0, axes, 8);
    EXPECT_EQ(bike->controls[kControlGiveUp], 1);
}

TEST_F(Mapping, JoystickAddsDirectionsForDeviceOne) {
    Press({});
    axes[0] = -400;
    axes[1] = 300;
    Air(false, false);
    DigitalControls(*bike, in, 1, axes, 8);
    EXPECT_EQ(Bytes(), (std::vector<int>{2, 4}));
    DigitalControls(*bike, in, 0, axes, 8);
    EXPECT_TRUE(Bytes().empty());
}

TEST_F(Mapping, ComboCaptureTurnsDirectionsIntoTrickButtons) {
    ControlMapping().comboCountdown = 50;
    Press({kActionUp, kActionRight, kActionBrake, kActionThrottle});
    EXPECT_EQ(DigitalControls(*bike, in, 0, axes, 8), 1u + 8u);
    EXPECT_EQ(Bytes(), std::vector<int>{1});  // only the brake passes through
}

TEST_F(Mapping, AnalogDeadZoneAndSquaring) {
    const struct {
        int32_t x;
        float level;  // steering level reached after many steps
    } cases[] = {{100, 0.0f}, {300, 0.015625f}, {600, 0.25f}, {1000, 1.0f}, {-600, -0.25f}};
    for (const auto& c : cases) {
        ResetControlMapping();
        Air(false, false);
        Press({});
        axes[0] = c.x;
        for (int i = 0; i < 200; ++i) AnalogControls(*bike, in, axes, 8);
        EXPECT_NEAR(bike->analogLevels[0], c.level, 1e-5) << c.x;
        EXPECT_EQ(bike->controls[kControlRight], c.level > 0 ? 1 : 0) << c.x;
        EXPECT_EQ(bike->controls[kControlLeft], c.level < 0 ? 1 : 0) << c.x;
        EXPECT_EQ(bike->analogModes[0], 1u);
    }
}

TEST_F(Mapping, AnalogLevelsMoveAtMostTwoHundredthsPerStep) {
    Air(false, false);
    Press({});
    axes[0] = 1000;
    bike->analogLevels[0] = 0.0f;
    AnalogControls(*bike, in, axes, 8);
    EXPECT_FLOAT_EQ(bike->analogLevels[0], 0.02f);
}

TEST_F(Mapping, AirStickCountsOnlyOnceMovedFromTakeOff) {
    Press({});
    axes[0] = 600;
    Air(true, false);  // the first airborne step: the stick's rest
    AnalogControls(*bike, in, axes, 8);
    EXPECT_EQ(ControlMapping().stickMoved, 0);
    EXPECT_EQ(bike->analogLevels[0], 0.0f);
    Air(true, true);
    axes[0] = 700;
    AnalogControls(*bike, in, axes, 8);
    EXPECT_EQ(ControlMapping().stickMoved, 1);
}

TEST_F(Mapping, TrickKeysOpenAndSwitchComboWindows) {
    Press({kActionTrickA});
    HandleTrickButtons(*bike, in, 0);
    EXPECT_EQ(ControlMapping().comboCountdown, kComboWindowSteps - 1);
    EXPECT_EQ(GetTrickMode(), 0);
    Press({kActionTrickB});
    HandleTrickButtons(*bike, in, 0);
    EXPECT_EQ(GetTrickMode(), 2);
    ResetControlMapping();
    Press({kActionTrickB});
    HandleTrickButtons(*bike, in, 0);
    EXPECT_EQ(GetTrickMode(), 1);
    Press({});
    for (int i = 0; i < 2 * kComboWindowSteps && ControlMapping().comboCountdown > 0; ++i) HandleTrickButtons(*bike, in, 0);
    EXPECT_EQ(ControlMapping().comboCountdown, 0);
}

TEST_F(Mapping, DigitalLatchFollowsTheKeysUntilTheStickMoves) {
    Press({kActionLeft});
    UpdateDigitalLatch(in, axes);
    EXPECT_EQ(ControlMapping().latch, 1);
    Press({});
    axes[1] = 400;
    UpdateDigitalLatch(in, axes);
    EXPECT_EQ(ControlMapping().latch, 1);
    axes[1] = 600;
    UpdateDigitalLatch(in, axes);
    EXPECT_EQ(ControlMapping().latch, 0);
}

}  // namespace
}  // namespace kes

#include "game/core/forcefeedback/ForceFeedback.h"

namespace kes {
namespace {

TEST_F(Mapping, LandingShakesAndTheGroundPushesTheStick) {
    ForceFeedback feedback;
    bike->contactBits = 3;      // down now ...
    bike->lastContactBits = 0;  // ... and in the air before: a landing
    for (int w = 0; w < 2; ++w) {
        bike->body.particles[w].velocity = {0, 0, -500};
        bike->body.particles[w].contactNormal = {0, 0, 1};
    }
    UpdateForceFeedback(*bike, feedback, 60);
    EXPECT_EQ(feedback.shakeRemaining, 0);  // the first 100 ms have not passed yet
    UpdateForceFeedback(*bike, feedback, 60);
    EXPECT_EQ(feedback.shakeRemaining, 1500);  // the strongest landing: 1.0 x 1500 ms
    EXPECT_EQ(ControlMapping().kickPending, 0);
    // Rolling on: once the shake is over the stick follows the bike's sideways and forward speed.
    feedback.shakeRemaining = 0;
    bike->lastContactBits = 3;
    bike->meanVelocity = {16, 32, 0};
    bike->side = {1, 0, 0};
    bike->forward = {0, 1, 0};
    UpdateForceFeedback(*bike, feedback, 100);
    EXPECT_DOUBLE_EQ(feedback.lastForceX, 1.0);
    EXPECT_DOUBLE_EQ(feedback.lastForceY, 2.0);
}

}  // namespace
}  // namespace kes
