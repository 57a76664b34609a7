#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "game/world/racer/BikeState.h"
#include "game/world/racer/tests/RacerTestSupport.h"

namespace kes::test {
namespace {

TEST(RacerScheduler, StepsAndFractionPerFrame) {
    const struct {
        uint32_t ms;
        uint32_t steps;
        float rest;
    } cases[] = {{4, 0, 4.4f}, {5, 1, 0.5f}, {10, 2, 1.0f}, {202, 44, 2.2f}};
    for (const auto& c : cases) {
        RacerRecord r;
        EXPECT_EQ(AccumulateSteps(&r, c.ms), c.steps) << c.ms;
        EXPECT_NEAR(r.accumulator, c.rest, 1e-4) << c.ms;
    }
    RacerRecord r;
    uint32_t steps = 0;
    for (int i = 0; i < 1000; ++i) steps += AccumulateSteps(&r, 10);
    EXPECT_NEAR(static_cast<double>(steps), 2200.0, 1.0);
}

TEST_F(RacerScene, CreationRefusesUnknownKindsAndBrokenParts) {
    EXPECT_EQ(Make(0), nullptr);
    EXPECT_EQ(Make(7), nullptr);
    EXPECT_EQ(LiveObjectCount(), 0u);
    // A rider model that cannot make the rider's instance fails the racer and leaves nothing behind.
    RacerHooks().createRider = [](int32_t) -> void* { return nullptr; };
    EXPECT_EQ(Make(kRacerComputer), nullptr);
    EXPECT_EQ(LiveObjectCount(), 0u);
    RacerHooks().createRider = nullptr;
    // Without a ground nothing can stand anywhere.
    RaceContext().ground = nullptr;
    EXPECT_EQ(Make(kRacerComputer), nullptr);
}

TEST_F(RacerScene, KindsPickTheirControllerClassAndContact) {
    const struct {
        int32_t kind;
        ObjectUpdateFn controller;
        int32_t controlClass;
        bool contact;
    } cases[] = {
        {kRacerLocal, ControlLocalRacer, kClassLocal, true},    {kRacerComputer, ControlComputerRacer, kClassComputer, true},
        {kRacerInert, ControlNone, kClassNetwork, true},        {kRacerRemote, ControlRemoteRacer, kClassNetwork, true},
        {kRacerMenu, ControlMenuRacer, kClassInert, false},     {kRacerReplay, ControlReplayRacer, kClassReplay, true},
    };
    float x = 0;
    for (const auto& c : cases) {
        RacerRecord* r = Make(c.kind, x += 50.0f, 0);
        ASSERT_NE(r, nullptr) << c.kind;
        EXPECT_EQ(r->object->update, c.controller) << c.kind;
        EXPECT_EQ(r->bike->controlClass, c.controlClass) << c.kind;
        EXPECT_EQ(r->object->contact != nullptr, c.contact) << c.kind;
        EXPECT_EQ(r->object->tag, kRacerTag);
        EXPECT_FLOAT_EQ(r->startPos.z, 2.0f);
    }
}

TEST_F(RacerScene, RemoteNamesAreUpperCasedAndBounded) {
    std::string longName(200, 'a');
    RacerDesc d;
    d.kind = kRacerRemote;
    d.name = longName.c_str();
    RacerRecord* r = CreateRacer(&d);
    ASSERT_NE(r, nullptr);
    racers.push_back(r);
    EXPECT_EQ(std::strlen(r->name), 63u);
    EXPECT_EQ(r->name[0], 'A');
    d.name = "caf\xe9";
    RacerRecord* r2 = CreateRacer(&d);
    ASSERT_NE(r2, nullptr);
    racers.push_back(r2);
    EXPECT_STREQ(r2->name, "CAF\xc9");
    d.kind = kRacerComputer;
    RacerRecord* r3 = CreateRacer(&d);
    ASSERT_NE(r3, nullptr);
    racers.push_back(r3);
    EXPECT_EQ(r3->name, nullptr);
}

TEST_F(RacerScene, FrameOfFiveMsRunsOneStepAndInterpolatesAtOneTenth) {
    RacerRecord* r = Make(kRacerComputer);
    ASSERT_NE(r, nullptr);
    Frame(10);  // the first frame resnaps after the placing reset
    const float before = r->accumulator;
    Frame(4);
    EXPECT_NEAR(r->accumulator, before + 4.4f - (before + 4.4f >= 5.0f ? 5.0f : 0.0f), 1e-4);
    r->accumulator = 0.0f;
    Frame(5);
    EXPECT_NEAR(r->accumulator, 0.5f, 1e-5);
    // drawn = previous + (current - previous) x 0.1
    for (int i = 0; i < 4; ++i) {
        const float expect = r->current.positions[i].x * 0.1f + r->previous.positions[i].x * 0.9f;
        EXPECT_NEAR(r->drawn.positions[i].x, expect, 1e-3);
    }
}

TEST_F(RacerScene, ResnapNeverBlendsAcrossATeleport) {
    RacerRecord* r = Make(kRacerLocal);
    ASSERT_NE(r, nullptr);
    Frame(10);
    Frame(10);
    r->bike->Reset({500, 500, 3}, {0, 1, 0}, r->bike->params);
    r->accumulator = 3.0f;
    Frame(1);  // 1.1 units: no step of its own, only the resnap's
    EXPECT_EQ(r->bike->resnap, 0);
    EXPECT_NEAR(r->accumulator, 1.1f, 1e-5);  // the local controller zeroes it first
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(r->previous.positions[i].x, 500.0f, 20.0f);
        EXPECT_NEAR(r->drawn.positions[i].x, 500.0f, 20.0f);
    }
}

TEST_F(RacerScene, NineSpheresFollowTheCurrentSnapshot) {
    RacerRecord* r = Make(kRacerComputer);
    ASSERT_NE(r, nullptr);
    const Vec3 p[4] = {{10, 20, 3}, {10, 30, 3}, {10, 20, 6}, {10, 30, 6}};
    for (int i = 0; i < 4; ++i) r->current.positions[i] = p[i];
    UpdateRacerSpheres(r);
    EXPECT_EQ(r->object->position.x, 10.0f);
    EXPECT_EQ(r->object->position.y, 20.0f);
    EXPECT_EQ(r->object->sphereCount, 9u);
    EXPECT_EQ(r->object->spheres, r->spheres);
    const float third = std::bit_cast<float>(0x3EAAAAABu), two = std::bit_cast<float>(0x3F2AAAABu);
    const Vec3 r1 = {0, 10, 0}, r2 = {0, 0, 3}, r3 = {0, 10, 3};
    const struct {
        Vec3 c;
        float radius;
        uint32_t flags;
    } want[9] = {
        {{0, 0, 0}, 1.2f, 0},
        {r1, 1.2f, 0},
        {r2, 0.5f, 0},
        {r3, 0.5f, 0},
        {{0, 5, 1.5f}, 8.0f, kSphereNotSolid},
        {{0, 10 * third, 3 * third}, 1.6f, 0},
        {{0, 10 * two, 3 * two}, 1.6f, 0},
        {{0, 10 * two, 3 * third}, 1.6f, 0},
        {{0, 10 * third, 3 * two}, 1.6f, 0},
    };
    for (int i = 0; i < 9; ++i) {
        EXPECT_FLOAT_EQ(r->spheres[i].centre.x, want[i].c.x) << i;
        EXPECT_FLOAT_EQ(r->spheres[i].centre.y, want[i].c.y) << i;
        EXPECT_FLOAT_EQ(r->spheres[i].centre.z, want[i].c.z) << i;
        EXPECT_EQ(r->spheres[i].radius, want[i].radius) << i;
        EXPECT_EQ(r->spheres[i].flags, want[i].flags) << i;
    }
    // The previous centre is kept before the move.
    UpdateRacerSpheres(r);
    EXPECT_FLOAT_EQ(r->spheres[1].unused[1], 10.0f);
}

// The network side of a remote racer, as the tests set it.
struct FakeNet {
    static inline uint32_t clock = 1000;
    static inline uint32_t stamp = 0;
    static inline uint32_t advanced = 0;
    static inline uint8_t block[kNetBlockSize];
};

TEST_F(RacerScene, RemoteIntakeLimitsTheLagAndSplitsTheStamp) {
    RacerRecord* r = Make(kRacerRemote);
    ASSERT_NE(r, nullptr);
    RacerHooks().netClock = [] { return FakeNet::clock; };
    RacerHooks().netTickPeriod = [] { return 100u; };
    RacerHooks().netAdvanceClock = [](uint32_t ms) { FakeNet::advanced += ms; };
    RacerHooks().netTake = [](int32_t, uint8_t* out, uint32_t size) {
        std::memcpy(out, FakeNet::block, size);
        const uint32_t s = FakeNet::stamp;
        FakeNet::stamp = 0;
        return s;
    };
    NetPackBikeState(*r->bike, nullptr, FakeNet::block);
    WriteBlockFloat(FakeNet::block + kNetBlockStamp, 3012.5f);
    const struct {
        uint32_t stamp;
        float units;  // gathered by a 10 ms frame with the lag
        uint32_t advanced;
    } cases[] = {{1010, 11.0f, 10}, {990, 22.0f, 0}, {700, 66.0f, 0}};
    for (const auto& c : cases) {
        FakeNet::stamp = c.stamp;
        FakeNet::advanced = 0;
        r->accumulator = 0.0f;
        Frame(10);
        EXPECT_NEAR(r->accumulator, std::fmod(c.units, 5.0f), 1e-3) << c.stamp;
        EXPECT_EQ(FakeNet::advanced, c.advanced) << c.stamp;
    }
    EXPECT_EQ(r->laps, 3u);
    EXPECT_EQ(r->bike->currentGate, 0);  // no AI track: gate 12 is past the gate count
}

// A state whose crashed-rider fields are damaged is dropped whole: nothing of it stays in the racer's
// block for the crashed rider to take.
TEST_F(RacerScene, RemoteRacerDropsADamagedStateWhole) {
    RacerRecord* r = Make(kRacerRemote);
    ASSERT_NE(r, nullptr);
    RacerHooks().netTake = [](int32_t, uint8_t* out, uint32_t size) {
        std::memcpy(out, FakeNet::block, size);
        return 1000u;
    };
    NetPackBikeState(*r->bike, nullptr, FakeNet::block);
    WriteBlockFloat(FakeNet::block + kNetRiderPosition, std::numeric_limits<float>::quiet_NaN());
    WriteBlockFloat(FakeNet::block + kNetRiderVelocity + 4, 1.0f);
    Frame(10);
    for (uint32_t at = kNetRiderPosition; at < kNetRiderVelocity + 12; ++at) EXPECT_EQ(r->netBlock[at], 0) << at;
    EXPECT_TRUE(std::isfinite(r->bike->body.particles[0].position.x));
}

TEST_F(RacerScene, MenuBikeIsResetAtOnceAndDrawnAroundTheOrigin) {
    RacerRecord* r = Make(kRacerMenu, 300, 300);
    ASSERT_NE(r, nullptr);
    Frame(10);
    r->bike->riding = 0;
    Frame(10);
    EXPECT_EQ(r->bike->riding, 1);
    EXPECT_EQ(r->crashed[0], 0);
    Vec3 mean = {0, 0, 0};
    for (const Vec3& p : r->drawn.positions) mean = {mean.x + p.x, mean.y + p.y, mean.z + p.z};
    EXPECT_NEAR(mean.x, 0.0f, 1e-3);
    EXPECT_NEAR(mean.y, 0.0f, 1e-3);
    EXPECT_NEAR(mean.z, 0.0f, 1e-3);
}

TEST_F(RacerScene, InertRacerStaysWhereItWasMade) {
    RacerRecord* r = Make(kRacerInert, 40, 40);
    ASSERT_NE(r, nullptr);
    const Vec3 before = r->bike->centre;
    for (int i = 0; i < 50; ++i) Frame(10);
    EXPECT_EQ(r->bike->centre.x, before.x);
    EXPECT_EQ(r->bike->centre.z, before.z);
}

}  // namespace
}  // namespace kes::test

namespace kes::test {
namespace {

struct FakeReplay {
    static inline bool playing = false;
    static inline int played = 0;
    static inline int recorded = 0;
};

TEST_F(RacerScene, LocalRacerPlaysItsReplayAndComesBackWithItsOwnBike) {
    FakeReplay::playing = false;
    FakeReplay::played = FakeReplay::recorded = 0;
    RacerHooks().replayPlaying = [] { return FakeReplay::playing; };
    RacerHooks().replayRecord = [](RacerRecord*) { ++FakeReplay::recorded; };
    RacerHooks().replayPlay = [](RacerRecord* r) {
        ++FakeReplay::played;
        r->bike->params.topSpeedFactor = 0.9f;  // the recording's own bike
        r->receivedRiding = 1;
    };
    PlayerInput input;
    RacerRecord* r = Make(kRacerLocal, 0, 0, &input);
    ASSERT_NE(r, nullptr);
    const float ownTopSpeed = r->bike->params.topSpeedFactor;
    Frame(10);
    EXPECT_EQ(FakeReplay::recorded, 2);  // one record per step
    FakeReplay::playing = true;
    Frame(10);
    EXPECT_EQ(r->object->update, ControlReplayRacer);
    EXPECT_EQ(r->bike->controlClass, kClassReplay);
    Frame(10);
    EXPECT_EQ(FakeReplay::played, 2);
    FakeReplay::playing = false;
    Frame(10);
    EXPECT_EQ(r->object->update, ControlLocalRacer);
    EXPECT_EQ(r->bike->controlClass, kClassLocal);
    EXPECT_EQ(r->bike->params.topSpeedFactor, ownTopSpeed);
}

TEST_F(RacerScene, LocalRacerSendsItsStateWhenATickIsDue) {
    static int sent = 0;
    static uint8_t last[kNetBlockSize];
    sent = 0;
    RacerHooks().netMode = [] { return 1u; };
    RacerHooks().netTickDue = [] { return 1u; };
    RacerHooks().netSend = [](int32_t, const uint8_t* block, uint32_t size) {
        ++sent;
        std::memcpy(last, block, size);
    };
    PlayerInput input;
    RacerRecord* r = Make(kRacerLocal, 0, 0, &input);
    ASSERT_NE(r, nullptr);
    r->laps = 2;
    Frame(10);
    EXPECT_EQ(sent, 1);
    EXPECT_NEAR(ReadBlockFloat(last + kNetBlockStamp), 2000.0f + r->progress, 1e-2);
    EXPECT_EQ(ReadBlockFloat(last), r->bike->body.particles[0].position.x);
}

}  // namespace
}  // namespace kes::test
