#include "game/world/aitrack/AiTrack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "game/core/maths/FastMath.h"
#include "game/world/aitrack/tests/LoopTrackWorld.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/race/RaceRacers.h"
#include "game/world/writer/WorldWriter.h"
#include "platform/bytes/ByteIO.h"
#include "platform/sys/CrtRand.h"

namespace kes::test {
namespace {

WorldBounds Box(float size) {
    WorldBounds b;
    b.maxX = b.maxY = size;
    b.maxZ = 100;
    return b;
}

// Reads the bytes as one chunk and indexes the gates, as a world load does.
int32_t Load(const std::vector<uint8_t>& bytes, const WorldBounds& bounds = Box(1000)) {
    MemoryPack pack(bytes);
    ChunkStream s(pack, static_cast<uint32_t>(bytes.size()));
    const int32_t r = ReadAiRouteChunk(s, static_cast<uint32_t>(bytes.size()), bounds);
    IndexAiWaypoints();
    return r;
}

AiNodeData Node(float x, float y, std::vector<int32_t> links) {
    AiNodeData n;
    n.centre = {x, y, 0};
    n.leftEdge = {x, y + 10, 0};
    n.rightEdge = {x, y - 10, 0};
    n.links = std::move(links);
    return n;
}

// A chain 0 -> 1 -> 2 -> 0 along +x.
AiTrackData Triangle() {
    AiTrackData t;
    t.nodes = {Node(0, 0, {1}), Node(100, 0, {2}), Node(200, 0, {0})};
    return t;
}

class AiTrackTest : public ::testing::Test {
protected:
    void SetUp() override { InitTrigTables(); }
    void TearDown() override { FreeAiRoute(); }
};

TEST_F(AiTrackTest, ReadsWhatTheEditorSavesInBothLayouts) {
    for (bool current : {true, false}) {
        SCOPED_TRACE(current ? "current layout" : "older layout");
        AiTrackData t = Triangle();
        t.currentLayout = current;
        t.startNode = 1;
        t.nodes[1].stunt = 1;
        t.nodes[1].tightTurn = 2;
        t.nodes[1].topSpeed = 90;
        t.nodes[1].leftWidth = 12.5f;
        t.nodes[1].rightWidth = 7.0f;
        ASSERT_EQ(Load(WorldWriter::AiTrackChunk(t)), 0);
        ASSERT_EQ(GetAiGateCount(), 3);
        const AiGate* start = GetStartGate();
        ASSERT_EQ(start, GetAiGateByIndex(1));
        // The editor numbers the main path from the start node.
        EXPECT_EQ(start->waypoint, 0);
        EXPECT_EQ(GetAiGateByIndex(2)->waypoint, 1);
        EXPECT_EQ(GetAiGateByIndex(0)->waypoint, 2);
        EXPECT_EQ(GetAiWaypointMax(), 2);
        EXPECT_EQ(start->reference.x, 100.0f);
        EXPECT_EQ(start->endA.y, 10.0f);
        EXPECT_EQ(start->endB.y, -10.0f);
        EXPECT_EQ(start->radius, 12.5f);
        EXPECT_EQ(start->second, 7.0f);
        EXPECT_EQ(start->aimMode, kAimTightTurn);
        EXPECT_EQ(start->trickFlag, 1);
        EXPECT_EQ(start->speedLimit, 90);
        ASSERT_EQ(start->links.size(), 1u);
        EXPECT_EQ(start->links[0], GetAiGateByIndex(2));
        EXPECT_FALSE(AiTrackHasBitmap());
    }
}

TEST_F(AiTrackTest, WaypointIndexBucketsLanesAndStopsAtAGap) {
    struct Case {
        const char* name;
        std::vector<uint8_t> waypoints;
        int32_t max;
        std::vector<int32_t> lanes;  // of waypoints 0..3
    };
    const Case cases[] = {
        {"lanes", {0, 1, 1, 2}, 2, {1, 2, 1, 0}},
        {"a gap ends the route before it", {0, 1, 3}, 1, {1, 1, 0, 0}},
        {"no gate at waypoint 0", {1, 2}, 0, {0, 0, 0, 0}},
        {"a sixth lane and a number past 99 are left out", {0, 1, 1, 1, 1, 1, 1, 120}, 1, {1, 5, 0, 0}},
        {"only the start gate at its waypoint", {0, 0, 1, 0}, 1, {1, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AiTrackData t;
        t.numberPath = false;
        for (uint8_t w : c.waypoints) {
            t.nodes.push_back(Node(10.0f * w, 0, {}));
            t.nodes.back().sequence = w;
        }
        ASSERT_EQ(Load(WorldWriter::AiTrackChunk(t)), 0);
        EXPECT_EQ(GetAiWaypointMax(), c.max);
        for (int32_t w = 0; w < 4; ++w) {
            EXPECT_EQ(GetAiLaneCount(w), c.lanes[static_cast<size_t>(w)]) << "waypoint " << w;
            EXPECT_EQ(GetAiGate(w, c.lanes[static_cast<size_t>(w)]), nullptr);
        }
        for (int32_t w = 0; w <= GetAiWaypointMax() && GetAiLaneCount(0) > 0; ++w)
            EXPECT_NE(GetAiGate(w, 0), nullptr) << "every waypoint up to the highest has a gate";
    }
    EXPECT_EQ(GetAiGate(-1, 0), nullptr);
    EXPECT_EQ(GetAiGate(100, 0), nullptr);
}

TEST_F(AiTrackTest, StartPoseOnTheStartGate) {
    Vec3 p, h;
    GetStartPose(0, 4, &p, &h);
    EXPECT_EQ(p.x, 500.0f);
    EXPECT_EQ(p.z, 100.0f);
    EXPECT_EQ(h.y, 1.0f);

    AiTrackData t;
    AiNodeData n = Node(5, 0, {});
    n.leftEdge = {0, 0, 0};
    n.rightEdge = {10, 0, 0};
    t.nodes = {n};
    ASSERT_EQ(Load(WorldWriter::AiTrackChunk(t)), 0);
    GetStartPose(0, 4, &p, &h);
    EXPECT_NEAR(h.x, 0.0f, 1e-6f);
    EXPECT_NEAR(h.y, 1.0f, 1e-3f);
    EXPECT_NEAR(p.x, 10.0f / 5.5f, 1e-5f);
    EXPECT_NEAR(p.y, 1.0f, 1e-3f);
    Vec3 p3;
    GetStartPose(3, 4, &p3, &h);
    EXPECT_NEAR(p3.x, 40.0f / 5.5f, 1e-5f);

    // A gate of no length gives every racer its end point, facing +y rather than nowhere.
    t.nodes[0].rightEdge = t.nodes[0].leftEdge;
    ASSERT_EQ(Load(WorldWriter::AiTrackChunk(t)), 0);
    GetStartPose(2, 4, &p, &h);
    EXPECT_EQ(h.y, 1.0f);
    EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
}

TEST_F(AiTrackTest, OnTrackBitmapAddressing) {
    EXPECT_TRUE(IsOnTrack(5, 5)) << "no bitmap: everywhere is track";
    AiTrackData t = Triangle();
    t.hasMap = true;
    t.mapWidth = 100;
    t.mapHeight = 2;
    t.mapBits.assign(26, 0);
    t.mapBits[12] = 1u << 3;  // row 0, column 99
    t.mapBits[13] = 1u;       // row 1, column 0
    ASSERT_EQ(Load(WorldWriter::AiTrackChunk(t), Box(1000)), 0);
    ASSERT_TRUE(AiTrackHasBitmap());
    EXPECT_TRUE(IsOnTrack(995, 10));
    EXPECT_FALSE(IsOnTrack(985, 10));
    EXPECT_TRUE(IsOnTrack(5000, -300)) << "beyond the box: the nearest edge cell";
    EXPECT_TRUE(IsOnTrack(-50, 700));
    EXPECT_FALSE(IsOnTrack(-50, 10));
}

TEST_F(AiTrackTest, DamagedChunksAreRefusedOrMadeHarmless) {
    const std::vector<uint8_t> good = WorldWriter::AiTrackChunk(Triangle());
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int32_t gates;
    };
    std::vector<Case> cases;
    {
        std::vector<uint8_t> b = good;
        plat::StoreU32(b.data() + 8, 3);  // start index = gate count
        cases.push_back({"start index past the gates", b, 3});
    }
    {
        AiTrackData t = Triangle();
        t.nodes[0].links = {1, 7, -1};
        cases.push_back({"links past the last gate", WorldWriter::AiTrackChunk(t), 3});
    }
    {
        std::vector<uint8_t> b = good;
        plat::StoreU32(b.data() + 4, 0x40000000u);
        cases.push_back({"gate count past the chunk", b, 0});
    }
    {
        std::vector<uint8_t> b = good;
        plat::StoreU32(b.data() + 12 + 4 + 12, 0x7FFFFFFFu);  // first gate's link count
        cases.push_back({"link count past the chunk", b, 0});
    }
    {
        std::vector<uint8_t> b = good;
        plat::StoreU32(b.data() + 12, 0xFFFFFFF0u);  // first gate's record size
        cases.push_back({"record size past the chunk", b, 0});
    }
    {
        std::vector<uint8_t> b(good.begin(), good.begin() + 40);
        cases.push_back({"cut inside the first gate", b, 0});
    }
    {
        AiTrackData t = Triangle();
        t.hasMap = true;
        t.mapWidth = 0xFFFFFFF0u;
        t.mapHeight = 0xFFFFFFF0u;
        cases.push_back({"bitmap larger than the chunk", WorldWriter::AiTrackChunk(t), 3});
        t.mapWidth = 0;
        t.mapHeight = 5;
        cases.push_back({"bitmap of zero width", WorldWriter::AiTrackChunk(t), 3});
    }
    cases.push_back({"empty chunk", {}, 0});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Load(c.bytes), 0);
        EXPECT_EQ(GetAiGateCount(), c.gates);
        EXPECT_FALSE(AiTrackHasBitmap());
        EXPECT_TRUE(IsOnTrack(1, 1));
        if (c.gates > 0) {
            EXPECT_EQ(GetStartGate(), GetAiGateByIndex(0));
        }
        for (int32_t i = 0; i < GetAiGateCount(); ++i)
            for (const AiGate* link : GetAiGateByIndex(i)->links) EXPECT_NE(link, nullptr);
    }
}

TEST_F(AiTrackTest, RecordSizesOtherThan56) {
    // A record of 60 bytes: the four extra bytes are skipped; a record of 52 leaves the behaviour
    // bytes 0.
    for (uint32_t size : {60u, 52u}) {
        SCOPED_TRACE(size);
        plat::ByteWriter w;
        w.U32(kAiTrackMarker);
        w.U32(2);
        w.U32(0);
        for (int g = 0; g < 2; ++g) {
            w.U32(size);
            std::vector<uint8_t> record(size, 0);
            plat::StoreF32(record.data(), 100.0f * static_cast<float>(g));  // reference x
            if (size > 52) {
                record[52] = static_cast<uint8_t>(g);
                record[55] = 77;
            }
            w.Bytes(record.data(), record.size());
        }
        w.U32(0);
        ASSERT_EQ(Load(w.Take()), 0);
        ASSERT_EQ(GetAiGateCount(), 2);
        EXPECT_EQ(GetAiGateByIndex(1)->reference.x, 100.0f);
        EXPECT_EQ(GetAiGateByIndex(1)->speedLimit, size > 52 ? 77 : 0);
        EXPECT_TRUE(GetAiGateByIndex(0)->links.empty());
    }
}

TEST_F(AiTrackTest, RandomTrackPointsLieOnTheTrackAndNeverHang) {
    const std::vector<uint8_t> world = WorldWriter::AiTrackChunk(LoopTrackGates());
    const WorldBounds box = Box(LoopTrack::kWorld);
    ASSERT_EQ(Load(world, box), 0);
    ASSERT_TRUE(AiTrackHasBitmap());
    plat::SimSrand(7);
    uint32_t count = 0;
    PlaceRandomTrackPoints(&count, 2, box);
    EXPECT_EQ(count, 40u);
    ASSERT_EQ(GetTrackPointCount(), 40u);
    for (uint32_t i = 0; i < 40; ++i) EXPECT_TRUE(IsOnTrack(GetTrackPoints()[i].x, GetTrackPoints()[i].y)) << i;

    // A ground box where the bitmap marks no track: each point falls back to a gate's point.
    WorldBounds empty;
    empty.minX = empty.minY = 700;
    empty.maxX = empty.maxY = 900;
    PlaceRandomTrackPoints(&count, 2, empty);
    EXPECT_EQ(GetTrackPoints()[0].x, GetAiGateByIndex(0)->reference.x);

    // Other modes keep the points.
    const float kept = GetTrackPoints()[5].x;
    PlaceRandomTrackPoints(&count, 1, box);
    EXPECT_EQ(count, 40u);
    EXPECT_EQ(GetTrackPoints()[5].x, kept);
}

TEST_F(AiTrackTest, FreeLeavesNoGates) {
    ASSERT_EQ(Load(WorldWriter::AiTrackChunk(Triangle())), 0);
    FreeAiRoute();
    EXPECT_EQ(GetAiGateCount(), 0);
    EXPECT_EQ(GetStartGate(), nullptr);
    EXPECT_EQ(GetAiLaneCount(0), 0);
    EXPECT_EQ(GetAiWaypointMax(), 0);
}

}  // namespace
}  // namespace kes::test
