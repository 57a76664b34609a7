// An AI track drawn in the editor is the track the game's computer riders follow: the plug-in's
// "AITK" chunk read by the game gives the same gates, numbered along the main path from the start,
// the on-track map over the world box, and the riders' start line on the start gate.
#include <cmath>

#include "PluginKit.h"
#include "TestViewport.h"
#include "game/world/aitrack/AiTrack.h"
#include "game/world/chunk/MemoryPack.h"
#include "plugins/morvik/TrackPlugin.h"

namespace qvtest {
namespace {

class GameReadsTrack : public OnePluginFixture<qv::TrackPlugin> {
protected:
    void TearDown() override {
        kes::FreeAiRoute();
        OnePluginFixture::TearDown();
    }
};

TEST_F(GameReadsTrack, GatesWaypointsMapAndStartLine) {
    // A square loop of four nodes laid with "Add Point" presses (top-down, one pixel a unit), closed
    // on the first; the start on the second; the third a tight turn with a stunt at 90 km/h.
    RecordingViewport view;
    plugin->active = true;
    plugin->mode = qv::TrackMode::AddPoint;
    for (auto [x, y] : {std::pair{100, 100}, {400, 100}, {400, 400}, {100, 400}, {100, 100}})
        plugin->Press({&view, x, y, 0, 0});
    ASSERT_EQ(plugin->graph.nodes.size(), 4u);
    plugin->graph.startNode = 1;
    plugin->graph.nodes[2].hints = (90u << 24) | qv::kHintStunt | qv::kHintTight;
    plugin->graph.hasMap = true;
    plugin->graph.map.width = plugin->graph.map.height = 8;
    plugin->graph.map.bits.assign(8, 0);
    plugin->graph.map.bits[0] = 0x01;  // the bottom-left cell only
    const std::vector<uint8_t> body = Saved();

    kes::MemoryPack pack(body);
    kes::ChunkStream s(pack, static_cast<uint32_t>(body.size()));
    const kes::WorldBounds bounds{0, 0, 0, 800, 800, 100};
    ASSERT_EQ(kes::ReadAiRouteChunk(s, static_cast<uint32_t>(body.size()), bounds), 0);
    kes::IndexAiWaypoints();
    ASSERT_EQ(kes::GetAiGateCount(), 4);
    EXPECT_EQ(kes::GetStartGateIndex(), 1);
    EXPECT_EQ(kes::GetAiWaypointMax(), 3);
    for (int i = 0; i < 4; ++i) {
        const qv::TrackNode& n = plugin->graph.nodes[static_cast<size_t>(i)];
        const kes::AiGate* g = kes::GetAiGateByIndex(i);
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->reference.x, n.centre.x) << i;
        EXPECT_EQ(g->endA.y, n.leftEdge.y) << i;
        EXPECT_EQ(g->endB.x, n.rightEdge.x) << i;
        EXPECT_EQ(g->radius, n.leftWidth) << i;
        EXPECT_EQ(g->waypoint, static_cast<uint8_t>((i + 3) % 4)) << i;  // 1 -> 2 -> 3 -> 0
    }
    const kes::AiGate* turn = kes::GetAiGateByIndex(2);
    EXPECT_EQ(turn->speedLimit, 90);
    EXPECT_EQ(turn->aimMode, qv::kHintTight >> 8);
    EXPECT_EQ(turn->trickFlag, 1);
    EXPECT_EQ(kes::GetAiGate(0, 0), kes::GetStartGate());
    EXPECT_TRUE(kes::AiTrackHasBitmap());
    EXPECT_TRUE(kes::IsOnTrack(10, 10));
    EXPECT_FALSE(kes::IsOnTrack(700, 700));
    // The rider lines up between the start gate's ends, facing across it.
    kes::Vec3 position{}, heading{};
    kes::GetStartPose(0, 1, &position, &heading);
    const kes::AiGate* start = kes::GetStartGate();
    const float dx = start->endB.x - start->endA.x, dy = start->endB.y - start->endA.y;
    const float t = ((position.x - start->endA.x) * dx + (position.y - start->endA.y) * dy) / (dx * dx + dy * dy);
    EXPECT_GT(t, 0.0f);
    EXPECT_LT(t, 1.0f);
    EXPECT_NEAR(heading.x * dx + heading.y * dy, 0.0f, 1e-3f);
}

}  // namespace
}  // namespace qvtest
