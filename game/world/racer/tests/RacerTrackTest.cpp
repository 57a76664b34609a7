#include <cmath>
#include <cstring>

#include "game/world/aitrack/AiTrack.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/racer/BikeState.h"
#include "game/world/racer/tests/RacerTestSupport.h"
#include "game/world/writer/WorldWriter.h"

namespace kes::test {
namespace {

// A straight track of five gates along +y, 100 apart, 40 wide, linked in a loop.
struct StraightTrack : RacerScene {
    void SetUp() override {
        RacerScene::SetUp();
        AiTrackData t;
        for (int k = 0; k < 5; ++k) {
            AiNodeData n;
            const float y = 100.0f * static_cast<float>(k);
            n.centre = {0, y, 0};
            n.leftEdge = {-20, y, 0};
            n.rightEdge = {20, y, 0};
            n.links = {(k + 1) % 5};
            t.nodes.push_back(n);
        }
        std::vector<uint8_t> payload = WorldWriter::AiTrackChunk(t);
        const uint32_t size = static_cast<uint32_t>(payload.size());
        MemoryPack pack(std::move(payload));
        ChunkStream stream(pack, size);
        WorldBounds b;
        b.minX = b.minY = -1000;
        b.maxX = b.maxY = 1000;
        ASSERT_EQ(ReadAiRouteChunk(stream, size, b), 0);
        IndexAiWaypoints();
        ASSERT_EQ(GetAiWaypointMax(), 4);
    }
    void TearDown() override {
        RacerScene::TearDown();
        FreeAiRoute();
    }
    // The racer's state comes in once from its player, its stamp set to `stamp` (laps x 1000 +
    // progress), as if sent at network clock 5.
    static void ReceiveStateOnce(RacerRecord* r, float stamp) {
        static uint8_t block[kNetBlockSize];
        static uint32_t clock;
        NetPackBikeState(*r->bike, nullptr, block);
        WriteBlockFloat(block + kNetBlockStamp, stamp);
        clock = 5;
        RacerHooks().netTake = [](int32_t, uint8_t* out, uint32_t size) {
            std::memcpy(out, block, size);
            const uint32_t c = clock;
            clock = 0;
            return c;
        };
    }
};

TEST_F(StraightTrack, FallenBikeIsPutBackOnTheLineBetweenTheLastGates) {
    RacerRecord* r = Make(kRacerLocal, 100, -300);
    ASSERT_NE(r, nullptr);
    BikeBody& b = *r->bike;
    const struct {
        bool passed;
        int32_t lastGate;
        Vec3 at;
        float wantX, wantY;
    } cases[] = {
        {false, 3, {35, 150, 1}, 100.0f, -300.0f},  // never passed a gate: the start pose
        {true, 3, {35, 150, 1}, -20.0f, 150.0f},    // between gates 1 and 2: onto their line
        {true, 3, {35, 260, 1}, -20.0f, 200.0f},    // past gate 2: the segment's end
        {true, 3, {35, 50, 1}, -20.0f, 200.0f},     // before gate 1: onto the next segment, from its start
        {true, 0, {35, 350, 1}, -20.0f, 350.0f},    // gate 0 wraps to the last waypoints
    };
    for (const auto& c : cases) {
        b.passedGate = c.passed ? 1 : 0;
        b.lastGatePassed = c.lastGate;
        for (int i = 0; i < 4; ++i) b.body.particles[i].position = c.at;
        b.centre = c.at;
        ResetBikeOntoTrack(r);
        EXPECT_NEAR(b.centre.x, c.wantX, 0.5f) << c.lastGate << " " << c.at.y;
        EXPECT_NEAR(b.centre.y, c.wantY, 0.5f) << c.lastGate << " " << c.at.y;
        EXPECT_EQ(b.resnap, 1);
        if (c.passed) {
            EXPECT_EQ(b.currentGate, c.lastGate);
            EXPECT_GT(b.forward.y, 0.9f);  // facing along the course
        }
    }
}

TEST_F(StraightTrack, GapInTheNumberingFallsBackToTheStart) {
    RacerRecord* r = Make(kRacerComputer, 5, 5);
    ASSERT_NE(r, nullptr);
    r->bike->passedGate = 1;
    r->bike->lastGatePassed = 77;  // no such waypoint
    ResetBikeOntoTrack(r);
    EXPECT_NEAR(r->bike->centre.x, 5.0f, 0.5f);
    EXPECT_NEAR(r->bike->centre.y, 5.0f, 0.5f);
}

TEST_F(StraightTrack, StampGateWithinTheCountIsKept) {
    RacerRecord* r = Make(kRacerRemote);
    ASSERT_NE(r, nullptr);
    ReceiveStateOnce(r, 2003.25f);
    Frame(10);
    EXPECT_EQ(r->laps, 2u);
    EXPECT_EQ(r->bike->currentGate, 3);
}

// A state sent before a lap and received after the lap was counted does not take the lap back.
TEST_F(StraightTrack, AnOlderStampDoesNotLowerTheLaps) {
    RacerRecord* r = Make(kRacerRemote);
    ASSERT_NE(r, nullptr);
    r->laps = 3;
    ReceiveStateOnce(r, 2003.25f);
    Frame(10);
    EXPECT_EQ(r->laps, 3u);
    EXPECT_EQ(r->bike->currentGate, 3) << "the gate still comes from the stamp";
}

}  // namespace
}  // namespace kes::test
