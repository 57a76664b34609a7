#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "game/core/forcefeedback/ForceFeedback.h"
#include "game/core/maths/FastMath.h"
#include "platform/sys/CrtRand.h"

namespace kes {
namespace {

struct Call {
    bool start;
    int32_t x, y, magnitude;
};

class Recorder : public ForceDevice {
public:
    explicit Recorder(std::vector<Call>* calls) : calls_(calls) {}
    void StartEffect(bool, int32_t x, int32_t y, int32_t m) override { calls_->push_back({true, x, y, m}); }
    void UpdateEffect(int32_t x, int32_t y, int32_t m) override { calls_->push_back({false, x, y, m}); }
    void SetGain(float) override {}

private:
    std::vector<Call>* calls_;
};

class ForceFeedbackTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitTrigTables();
        plat::CrtSrand(1);
        ff.Init(nullptr, nullptr, std::make_unique<Recorder>(&calls));
    }
    std::vector<Call> calls;
    ForceFeedback ff;
};

TEST_F(ForceFeedbackTest, DivisorFollowsStrengthAndASecondShakeIsIgnored) {
    ff.StartShake(1000, 1.0f);
    EXPECT_FLOAT_EQ(ff.joltDivisor, 2.0f);
    EXPECT_FLOAT_EQ(std::abs(ff.shakeX), 1.0f);
    ff.StartShake(50, 0.0f);
    EXPECT_EQ(ff.shakeLength, 1000);
    EXPECT_FLOAT_EQ(ff.joltDivisor, 2.0f);
    ForceFeedback other;
    other.StartShake(100, 0.0f);
    EXPECT_FLOAT_EQ(other.joltDivisor, 8.0f);
}

TEST_F(ForceFeedbackTest, ShortShakeJoltsEveryFrameAndStaysInRange) {
    ff.StartShake(10, 0.5f);
    calls.clear();
    ff.Update(3);
    ff.Update(3);
    ff.Update(3);
    EXPECT_EQ(calls.size(), 3u);  // next jolt = rand mod 1 = 0: a jolt every update
    ff.Update(3);
    EXPECT_EQ(ff.shakeRemaining, 0);
    EXPECT_EQ(calls.size(), 4u);
    ff.Update(3);  // over: nothing more
    EXPECT_EQ(calls.size(), 4u);
    for (const Call& c : calls) {
        EXPECT_LE(std::abs(c.x), 5000);
        EXPECT_LE(std::abs(c.y), 5000);
        EXPECT_GT(c.magnitude, 0);  // the scaled shake is felt
    }
}

TEST_F(ForceFeedbackTest, LongShakeWaitsBetweenJolts) {
    ff.StartShake(1000, 1.0f);
    calls.clear();
    int updates = 0;
    while (ff.shakeRemaining > 0 && updates < 1000) {
        ff.Update(10);
        ++updates;
        EXPECT_LT(ff.nextJolt, 50);
        EXPECT_LE(std::abs(ff.shakeX), 1.0f);
        EXPECT_LE(std::abs(ff.shakeY), 1.0f);
    }
    EXPECT_EQ(updates, 100);
    EXPECT_LT(calls.size(), 100u);
    EXPECT_GT(calls.size(), 1u);
}

TEST_F(ForceFeedbackTest, SetForceSendsDirectionAndMagnitude) {
    calls.clear();
    ff.SetForce(3000.0, -4000.0);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].x, 3000);
    EXPECT_EQ(calls[0].y, -4000);
    EXPECT_NEAR(calls[0].magnitude, 5000, 5);
}

// (-1, -1) asks for a random angle (rand mod 360) and the shake strength; only that pair does.
TEST_F(ForceFeedbackTest, MinusOneTwiceTakesARandomAngleAndTheShakeStrength) {
    ff.shakeStrength = 0.5f;
    for (uint32_t seed : {1u, 7u, 12345u}) {
        plat::CrtSrand(seed);
        const double angle = (plat::CrtRand() % 360) * 3.14159265358979 / 180.0;
        plat::CrtSrand(seed);
        calls.clear();
        ff.SetEffect(-1.0, -1.0);
        ASSERT_EQ(calls.size(), 1u) << seed;
        EXPECT_TRUE(calls[0].start);
        EXPECT_EQ(calls[0].x, std::lround(std::cos(angle) * 10000.0)) << seed;
        EXPECT_EQ(calls[0].y, std::lround(std::sin(angle) * 10000.0)) << seed;
        EXPECT_EQ(calls[0].magnitude, 5000) << seed;
    }
    // One -1 alone is taken as it stands, and draws no random number.
    plat::CrtSrand(3);
    const int next = plat::CrtRand();
    plat::CrtSrand(3);
    calls.clear();
    ff.SetEffect(-1.0, 0.3);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].x, 9998);   // cos(-1 degree)
    EXPECT_EQ(calls[0].y, -175);   // sin(-1 degree)
    EXPECT_EQ(calls[0].magnitude, 3000);
    EXPECT_EQ(plat::CrtRand(), next);
}

TEST(ForceFeedbackNoDevice, EveryCallSucceedsAndDoesNothing) {
    ForceFeedback ff;
    ff.Init(nullptr, nullptr);
    EXPECT_EQ(ff.found, 0u);
    ff.SetGain(0.5f);
    EXPECT_FLOAT_EQ(ff.gain, 5000.0f);
    ff.SetEffect(-1.0, -1.0);
    ff.SetForce(1, 2);
    ff.StartShake(10, 1.0f);
    ff.Update(20);
    EXPECT_EQ(ff.shakeRemaining, 0);
    ff.Release();
}

}  // namespace
}  // namespace kes
