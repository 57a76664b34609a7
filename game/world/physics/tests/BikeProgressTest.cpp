// Progress along the AI track and the computer's manoeuvre choice, on a straight course of four gates
// along +x (waypoints 0-3 at x = 0, 100, 200, 300, the start gate first).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "game/world/aitrack/AiTrack.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/physics/BikeProgress.h"
#include "game/world/physics/tests/BikeTestSupport.h"
#include "game/world/race/RaceRacers.h"
#include "game/world/writer/WorldWriter.h"

namespace kes {
namespace {

class LapEvents : public RecordingEvents {
public:
    void OnLap() override { ++laps; }
    int laps = 0;
};

void LoadCourse(const AiTrackData& t) {
    const std::vector<uint8_t> bytes = WorldWriter::AiTrackChunk(t);
    MemoryPack pack(bytes);
    ChunkStream s(pack, static_cast<uint32_t>(bytes.size()));
    WorldBounds b;
    b.minX = b.minY = -1000;
    b.maxX = b.maxY = 1000;
    ASSERT_EQ(ReadAiRouteChunk(s, static_cast<uint32_t>(bytes.size()), b), 0);
    IndexAiWaypoints();
}

AiTrackData StraightCourse(float radius = 10.0f) {
    AiTrackData t;
    for (int k = 0; k < 4; ++k) {
        AiNodeData n;
        const float x = 100.0f * static_cast<float>(k);
        n.centre = {x, 0, 0};
        n.leftEdge = {x, 10, 0};
        n.rightEdge = {x, -10, 0};
        n.leftWidth = radius;
        n.links = {(k + 1) % 4};
        t.nodes.push_back(n);
    }
    return t;
}

class BikeProgressTest : public ::testing::Test {
protected:
    void SetUp() override { LoadCourse(StraightCourse()); }
    void TearDown() override {
        FreeAiRoute();
        SetTrackPoints(0, nullptr);
    }
    std::unique_ptr<TestBike> Make(int32_t controlClass) {
        auto t = std::make_unique<TestBike>(&ground, BikeParams{}, Vec3{1.0f, 0.0f, 3.0f}, Vec3{1.0f, 0.0f, 0.0f},
                                            controlClass);
        t->bike->env.events = &events;
        return t;
    }
    // Puts the bike's centre and rear wheel at x (rear one step back at xBefore) without stepping.
    static float ProgressAt(BikeBody& b, float x, float y = 0.0f, float xBefore = NAN) {
        b.centre = {x, y, 3.0f};
        b.rearBeforeStep = {std::isnan(xBefore) ? x : xBefore, y, 1.0f};
        b.body.particles[0].position = {x, y, 1.0f};
        return b.TrackProgress();
    }
    FlatGround ground{0.0f};
    LapEvents events;
};

TEST(PointInQuadTest, StrictlyInsideEitherWayRound) {
    const Vec3 a{0, 0, 0}, b{10, 0, 0}, c{10, 10, 0}, d{0, 10, 0};
    struct Case {
        Vec3 p;
        bool inside;
    };
    const Case cases[] = {{{5, 5, 0}, true}, {{5, 0, 0}, false}, {{10, 5, 0}, false}, {{-1, 5, 0}, false},
                          {{9.9f, 9.9f, 99}, true}};
    for (const Case& c2 : cases) {
        EXPECT_EQ(PointInQuad(c2.p, a, b, c, d), c2.inside) << c2.p.x << "," << c2.p.y;
        EXPECT_EQ(PointInQuad(c2.p, d, c, b, a), c2.inside) << "reversed";
    }
}

TEST_F(BikeProgressTest, GatesPassInOrderAndOnlyTheStartGateCountsALap) {
    auto t = Make(kClassLocal);
    BikeBody& b = *t->bike;
    ASSERT_EQ(b.hasRoute, 1);
    EXPECT_EQ(b.currentGate, 1);
    EXPECT_EQ(b.aimPoint.x, 100.0f) << "a player's bike aims at the reference point";
    // A player's bike passes a gate within twice its radius.
    ProgressAt(b, 79.0f);
    EXPECT_EQ(b.currentGate, 1);
    ProgressAt(b, 81.0f);
    EXPECT_EQ(b.currentGate, 2);
    EXPECT_EQ(b.aimPoint.x, 200.0f);
    ProgressAt(b, 195.0f);
    ProgressAt(b, 295.0f);
    EXPECT_EQ(b.currentGate, 0) << "past the last waypoint the next gate is 0";
    EXPECT_EQ(events.laps, 0);
    // The start gate is passed when the rear wheel crosses its line (here toward +x at x = 0) while
    // the bike is on the route.
    ProgressAt(b, -3.0f, 0.0f, -4.0f);
    EXPECT_EQ(b.currentGate, 0) << "near the start gate but not across it";
    ProgressAt(b, 0.5f, 0.0f, -0.5f);
    EXPECT_EQ(b.currentGate, 1);
    EXPECT_EQ(events.laps, 1);
    EXPECT_EQ(b.laps, 1u);
    EXPECT_EQ(b.passedGate, 1);
}

TEST_F(BikeProgressTest, StartLineCrossings) {
    struct Case {
        const char* name;
        float rearBefore, rearNow, centreX, y;
        bool lap;
    };
    const Case cases[] = {
        {"across", -0.5f, 0.5f, 2.0f, 0.0f, true},
        {"rear wheel ends on the line", -0.5f, 0.0f, 2.0f, 0.0f, true},
        {"not yet", -1.5f, -0.5f, 2.0f, 0.0f, false},
        {"across but off the route", -0.5f, 0.5f, 2.0f, 50.0f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = Make(kClassLocal);
        BikeBody& b = *t->bike;
        b.currentGate = 0;
        events.laps = 0;
        b.centre = {c.centreX, c.y, 3.0f};
        b.rearBeforeStep = {c.rearBefore, c.y, 1.0f};
        b.body.particles[0].position = {c.rearNow, c.y, 1.0f};
        b.TrackProgress();
        EXPECT_EQ(events.laps, c.lap ? 1 : 0);
    }
}

TEST_F(BikeProgressTest, ProgressRunsFromThePreviousGateAndIsClamped) {
    auto t = Make(kClassLocal);
    BikeBody& b = *t->bike;
    b.currentGate = 2;
    struct Case {
        float x, progress;
    };
    for (const Case& c : {Case{150, 0.5f}, Case{110, 0.1f}, Case{80, -0.02f}, Case{175, 0.75f}}) {
        b.currentGate = 2;
        ProgressAt(b, c.x, 0.0f);
        EXPECT_NEAR(b.progress, c.progress, 1e-5f) << c.x;
    }
    // Well past the gate without passing it (off to the side): at most 1.
    b.currentGate = 2;
    ProgressAt(b, 260.0f, 80.0f);
    EXPECT_EQ(b.currentGate, 2);
    EXPECT_EQ(b.progress, 1.0f);
}

TEST_F(BikeProgressTest, TwoGatesAtOnePointGiveNoProgressRatherThanNaN) {
    AiTrackData t = StraightCourse();
    t.nodes[1].centre = t.nodes[0].centre;
    LoadCourse(t);
    auto bike = Make(kClassLocal);
    bike->bike->currentGate = 1;
    ProgressAt(*bike->bike, 50.0f, 30.0f);
    EXPECT_EQ(bike->bike->progress, 0.0f);
}

TEST_F(BikeProgressTest, AimAngleIsPositiveToTheRight) {
    auto t = Make(kClassLocal);
    BikeBody& b = *t->bike;
    b.forward = {1, 0, 0};
    b.aimPoint = {100, -100, 0};
    EXPECT_NEAR(ProgressAt(b, 0.0f, 0.0f), 45.0f, 0.1f);
    b.aimPoint = {100, 100, 0};
    EXPECT_NEAR(ProgressAt(b, 0.0f, 0.0f), -45.0f, 0.1f);
}

TEST_F(BikeProgressTest, AComputerBikeThatPassesNoGateStopsRiding) {
    for (int32_t cls : {kClassComputer, kClassInert}) {
        SCOPED_TRACE(cls);
        auto t = Make(cls);
        BikeBody& b = *t->bike;
        b.hasRoute = 1;
        b.currentGate = 2;
        b.stuckSteps = 2999;
        ProgressAt(b, 150.0f, 80.0f);
        EXPECT_EQ(b.riding, 1);
        ProgressAt(b, 150.0f, 80.0f);
        EXPECT_EQ(b.riding, cls == kClassComputer ? 0 : 1) << "3001 steps without a gate";
        // A reset gives a fresh count.
        b.Reset({150, 0, 3}, {1, 0, 0}, b.params);
        EXPECT_EQ(b.stuckSteps, 0);
    }
}

TEST_F(BikeProgressTest, FortyPointModeMovesOnWithin30AndCountsALapAfterTheLast) {
    std::vector<TrackPoint> points(40);
    for (int i = 0; i < 40; ++i) points[static_cast<size_t>(i)] = {10.0f * static_cast<float>(i), 500.0f, 0.0f};
    SetTrackPoints(40, points.data());
    auto t = Make(kClassLocal);
    BikeBody& b = *t->bike;
    b.env.gameMode = 2;
    b.currentGate = 5;
    ProgressAt(b, 50.0f, 530.0f);
    EXPECT_EQ(b.currentGate, 5) << "30.0 away is not yet there";
    ProgressAt(b, 50.0f, 529.9f);
    EXPECT_EQ(b.currentGate, 6);
    EXPECT_EQ(b.aimPoint.x, 60.0f);
    b.currentGate = 39;
    ProgressAt(b, 390.0f, 500.0f);
    EXPECT_EQ(b.currentGate, 0);
    EXPECT_EQ(events.laps, 1);
    EXPECT_EQ(b.progress, 1.0f) << "measured to the point before the bike moved on";
}

TEST_F(BikeProgressTest, ChooserSteersTowardTheAimAtThreeTenthsAStep) {
    auto t = Make(kClassComputer);
    BikeBody& b = *t->bike;
    b.contactBits = 3;
    b.speed = 0.0f;
    b.steerAngle = 0.0f;
    for (int i = 0; i < 60; ++i) {
        b.aimAngle = 10.0f;  // within the tolerance of 20: toward -15
        for (uint8_t& c : b.controls) c = 0;
        b.ChooseManoeuvre();
        if (i == 0) {
            EXPECT_FLOAT_EQ(b.steerAngle, -0.3f);
            EXPECT_EQ(b.controls[kControlRight], 1);
            EXPECT_EQ(b.controls[kControlLeft], 0);
            EXPECT_EQ(b.controls[kControlThrottle], 1) << "below the speed limit";
        }
    }
    EXPECT_FLOAT_EQ(b.steerAngle, -15.0f);

    // Beyond the tolerance: full lock, braking while the lean does not already lean into the turn.
    struct Case {
        float aim, lean;
        float target;
        int byte;
        bool brake;
    };
    for (const Case& c : {Case{-30.0f, 0.1f, 30.0f, kControlLeft, true}, Case{-30.0f, -0.1f, 30.0f, kControlLeft, false},
                          Case{30.0f, -0.1f, -30.0f, kControlRight, true}, Case{30.0f, 0.1f, -30.0f, kControlRight, false}}) {
        b.steerAngle = c.target - c.target * 0.005f;  // within 0.3 of full lock: lands on it
        b.aimAngle = c.aim;
        b.leanAngle = c.lean;
        for (uint8_t& x : b.controls) x = 0;
        b.ChooseManoeuvre();
        EXPECT_EQ(b.steerAngle, c.target);
        EXPECT_EQ(b.controls[c.byte], 1);
        EXPECT_EQ(b.controls[kControlBrake], c.brake ? 1 : 0) << c.aim << " " << c.lean;
    }
}

TEST_F(BikeProgressTest, GateSpeedLimitAndTightTurn) {
    AiTrackData course = StraightCourse();
    course.nodes[1].topSpeed = 60;
    course.nodes[1].tightTurn = 2;
    LoadCourse(course);
    auto t = Make(kClassComputer);
    BikeBody& b = *t->bike;
    b.contactBits = 3;
    b.currentGate = 1;
    b.lane = 0;
    b.aimAngle = 10.0f;  // beyond the tight turn's tolerance of 5
    b.speed = 75.0f;
    b.ChooseManoeuvre();
    EXPECT_EQ(b.topSpeedNow, 60.0f);
    EXPECT_EQ(b.controls[kControlThrottle], 0);
    EXPECT_EQ(b.controls[kControlBrake], 1);
    EXPECT_EQ(b.aimPoint.x, 100.0f) << "a tight turn aims at the reference point";
    EXPECT_FLOAT_EQ(b.steerAngle, -0.3f) << "full lock right";

    // A limit above the bike's top speed (the editor's 255 for none): its own top speed.
    b.currentGate = 2;
    b.speed = 0.0f;
    b.ChooseManoeuvre();
    EXPECT_EQ(b.topSpeedNow, std::floor(b.topSpeed));
}

TEST_F(BikeProgressTest, InTheAirAComputerBikeTurnsTowardItsAim) {
    auto t = Make(kClassComputer);
    BikeBody& b = *t->bike;
    b.Reset({50, 0, 40}, {1, 0, 0}, b.params);
    b.FrameAndContactStage();
    b.aimPoint = {100, -20, 0};
    const float before = b.TrackProgress();
    ASSERT_GT(before, 10.0f);
    b.aimAngle = before;
    b.contactBits = 0;
    b.ChooseManoeuvre();
    b.FrameAndContactStage();
    const float after = b.TrackProgress();
    EXPECT_NEAR(before - after, 0.5f, 0.05f) << "half a degree toward the aim";
    EXPECT_EQ(b.controls[kControlRight], 1);
}

TEST_F(BikeProgressTest, FacingAgainstTheCourse) {
    auto t = Make(kClassLocal);
    BikeBody& b = *t->bike;
    b.forward = {-1, 0, 0};
    EXPECT_TRUE(b.FacesAgainstCourse());
    b.forward = {0, 1, 0};
    EXPECT_FALSE(b.FacesAgainstCourse());
    b.forward = {1, 0, 0};
    EXPECT_FALSE(b.FacesAgainstCourse());
}

TEST_F(BikeProgressTest, WithoutAStartGateThereIsNoRoute) {
    FreeAiRoute();
    auto t = Make(kClassComputer);
    BikeBody& b = *t->bike;
    EXPECT_EQ(b.hasRoute, 0);
    EXPECT_EQ(ProgressAt(b, 50.0f), 0.0f);
    EXPECT_EQ(b.progress, 0.0f);
    for (uint8_t& c : b.controls) c = 0;
    b.ChooseManoeuvre();
    for (uint8_t c : b.controls) EXPECT_EQ(c, 0);
}

}  // namespace
}  // namespace kes
