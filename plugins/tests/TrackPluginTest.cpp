// The AI track plug-in: the "AITK" bytes laid out field by field, the main path's numbering, the edge
// rule, deleting, the text dump, damaged chunks and dumps, and editing with the mouse and the panel.
#include <cmath>

#include "PluginKit.h"
#include "TestViewport.h"
#include "platform/bytes/ByteIO.h"
#include "plugins/morvik/TrackPlugin.h"
#include "plugins/shared/MemoryStream.h"

namespace qvtest {
namespace {

using qv::TrackGraph;
using qv::TrackNode;

enum : int { kActivate = 1001, kAddPoint = 1003, kSetStart = 1004, kDelPoint = 1005, kTopSpeed = 1006, kStunt = 1007,
             kTight = 1008, kLoadBmp = 1011, kDelBmp = 1013, kDump = 1014, kRead = 1015 };

TrackNode At(float x, float y, std::vector<int32_t> links) {
    TrackNode n;
    n.centre = {x, y, 0};
    n.links = std::move(links);
    return n;
}

// A triangle of nodes 0 -> 1 -> 2 -> 0.
TrackGraph Loop() {
    TrackGraph g;
    g.nodes = {At(0, 0, {1}), At(100, 0, {2}), At(50, 80, {0})};
    qv::ComputeAllEdges(g);
    return g;
}

std::vector<uint8_t> Written(TrackGraph g) {
    qv::MemoryStream out;
    qv::ChunkWriter w(&out);
    qv::WriteTrackChunk(w, g);
    EXPECT_EQ(w.Written(), qv::TrackChunkBytes(g));
    EXPECT_EQ(w.Written(), out.bytes().size());
    return out.bytes();
}

bool Read(const std::vector<uint8_t>& bytes, TrackGraph* g) {
    qv::MemoryStream in(bytes);
    qv::ChunkReader r(&in, static_cast<uint32_t>(bytes.size()));
    return qv::ReadTrackChunk(r, g);
}

TEST(TrackChunk, BytesAreLaidOutFieldByField) {
    TrackGraph g = Loop();
    g.nodes[1].hints = 0x7B010200u | 0x55;  // speed 123, stunt, tight; the stale sequence number is renumbered
    g.nodes[2].leftWidth = 12.5f;
    const std::vector<uint8_t> b = Written(g);
    ASSERT_EQ(b.size(), 208u);
    EXPECT_EQ(plat::LoadU32(&b[0]), 1000u);
    EXPECT_EQ(plat::LoadU32(&b[4]), 3u);
    EXPECT_EQ(plat::LoadU32(&b[8]), 0u);
    const size_t second = 12 + 64;  // size word, record, one link
    EXPECT_EQ(plat::LoadU32(&b[second]), 56u);
    EXPECT_EQ(plat::LoadF32(&b[second + 4]), 100.0f);
    EXPECT_EQ(plat::LoadU32(&b[second + 4 + 12]), 1u);   // link count
    EXPECT_EQ(plat::LoadU32(&b[second + 4 + 16]), 0u);   // the memory word
    EXPECT_EQ(plat::LoadF32(&b[second + 4 + 20]), g.nodes[1].leftEdge.x);
    EXPECT_EQ(plat::LoadF32(&b[second + 4 + 32]), g.nodes[1].rightEdge.x);
    EXPECT_EQ(plat::LoadU32(&b[second + 4 + 52]), 0x7B010201u);
    EXPECT_EQ(plat::LoadU32(&b[second + 60]), 2u);       // the link
    EXPECT_EQ(plat::LoadF32(&b[12 + 128 + 4 + 44]), 12.5f);
    EXPECT_EQ(plat::LoadU32(&b[204]), 0u);               // no map, nothing after

    g.hasMap = true;
    g.map.width = 13;
    g.map.height = 5;
    g.map.bits.assign(10, 0);
    g.map.bits[9] = 0x81;
    const std::vector<uint8_t> withMap = Written(g);
    ASSERT_EQ(withMap.size(), 208u + 8 + 10);
    EXPECT_EQ(plat::LoadU32(&withMap[204]), 1u);
    EXPECT_EQ(plat::LoadU32(&withMap[208]), 13u);
    EXPECT_EQ(plat::LoadU32(&withMap[212]), 5u);
    EXPECT_EQ(withMap.back(), 0x81);

    TrackGraph back;
    ASSERT_TRUE(Read(withMap, &back));
    ASSERT_EQ(back.nodes.size(), 3u);
    EXPECT_EQ(back.nodes[2].links, std::vector<int32_t>{0});
    EXPECT_EQ(back.nodes[1].hints, 0x7B010201u);
    EXPECT_TRUE(back.hasMap);
    EXPECT_EQ(back.map.bits, g.map.bits);
    EXPECT_EQ(Written(back), withMap);
}

TEST(TrackChunk, TheMainPathIsNumberedAlongFirstLinks) {
    struct Case {
        const char* what;
        std::vector<std::vector<int32_t>> links;
        int32_t start;
        std::vector<uint32_t> sequence;
    } cases[] = {
        {"loop stops on the start", {{1}, {2}, {0}}, 0, {0, 1, 2}},
        {"loop from the middle", {{1}, {2}, {0}}, 1, {2, 0, 1}},
        {"chain ends without links", {{1}, {2}, {}}, 0, {0, 1, 2}},
        {"branch off the path", {{1, 3}, {2}, {0}, {2}}, 0, {0, 1, 2, 0}},
        {"start beyond the nodes", {{1}, {0}}, 5, {0, 0}},
        {"no start", {{1}, {0}}, -1, {0, 0}},
    };
    for (const Case& c : cases) {
        TrackGraph g;
        for (const auto& l : c.links) g.nodes.push_back(At(0, 0, l));
        for (TrackNode& n : g.nodes) n.hints = 0xFF0000EEu;
        g.startNode = c.start;
        qv::NumberMainPath(g);
        for (size_t i = 0; i < c.sequence.size(); ++i) EXPECT_EQ(g.nodes[i].hints, 0xFF000000u | c.sequence[i]) << c.what << " " << i;
    }
    // A chain longer than 256 nodes wraps its numbers.
    TrackGraph longChain;
    for (int i = 0; i < 300; ++i) longChain.nodes.push_back(At(0, 0, i < 299 ? std::vector<int32_t>{i + 1} : std::vector<int32_t>{}));
    qv::NumberMainPath(longChain);
    EXPECT_EQ(longChain.nodes[299].hints & 0xFF, 299u & 0xFF);
}

TEST(TrackChunk, OlderLayoutHasTheNodeCountFirstAndNoMap) {
    const std::vector<uint8_t> now = Written(Loop());
    std::vector<uint8_t> older(now.begin() + 4, now.end() - 4);  // count, start, nodes
    TrackGraph g;
    ASSERT_TRUE(Read(older, &g));
    EXPECT_EQ(g.nodes.size(), 3u);
    EXPECT_FALSE(g.hasMap);
}

TEST(TrackChunk, DamagedChunksAreRefused) {
    const std::vector<uint8_t> good = Written(Loop());
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
    } cases[] = {
        {"node count beyond the chunk", 4, 0x7FFFFFFFu},
        {"negative link count", 12 + 4 + 12, 0xFFFFFFFFu},
        {"link to no node", 12 + 60, 99},
        {"negative link", 12 + 60, 0xFFFFFFFEu},
        {"map flag neither 0 nor 1", 204, 2},
        {"map larger than the chunk", 204, 1},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        plat::StoreU32(&bad[c.at], c.value);
        TrackGraph g;
        EXPECT_FALSE(Read(bad, &g)) << c.what;
    }
    TrackGraph g;
    EXPECT_FALSE(Read({good.begin(), good.begin() + 100}, &g));
    EXPECT_FALSE(Read({0xE8, 0x03, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}, &g));
}

TEST(TrackEdges, FollowTheTurnAndStayFiniteWhereNothingLinks) {
    struct Case {
        const char* what;
        TrackGraph g;
        size_t node;
        qv::Vec3 left, right;
    } cases[] = {
        // Along +x: the left edge lies to the left of the way forward (+y).
        {"straight", [] { TrackGraph g; g.nodes = {At(-10, 0, {1}), At(0, 0, {2}), At(10, 0, {})}; return g; }(), 1,
         {0, 10, 0}, {0, -10, 0}},
        // One link and nobody before it: across the way to its successor.
        {"first of a chain", [] { TrackGraph g; g.nodes = {At(0, 0, {1}), At(0, 10, {})}; return g; }(), 0,
         {-10, 0, 0}, {10, 0, 0}},
        // A left turn, +x then +y: the edges lie on the bisector, the left one outside the turn.
        {"left turn", [] { TrackGraph g; g.nodes = {At(-10, 0, {1}), At(0, 0, {2}), At(0, 10, {})}; return g; }(), 1,
         {-7.0710678f, 7.0710678f, 0}, {7.0710678f, -7.0710678f, 0}},
        {"alone", [] { TrackGraph g; g.nodes = {At(5, 6, {})}; return g; }(), 0, {5, 6, 0}, {5, 6, 0}},
    };
    for (Case& c : cases) {
        qv::ComputeAllEdges(c.g);
        const TrackNode& n = c.g.nodes[c.node];
        EXPECT_NEAR(n.leftEdge.x, c.left.x, 1e-4f) << c.what;
        EXPECT_NEAR(n.leftEdge.y, c.left.y, 1e-4f) << c.what;
        EXPECT_NEAR(n.rightEdge.x, c.right.x, 1e-4f) << c.what;
        EXPECT_NEAR(n.rightEdge.y, c.right.y, 1e-4f) << c.what;
    }
}

TEST(TrackEdges, DeletingRenumbersLinksAndTheStart) {
    TrackGraph g;
    g.nodes = {At(0, 0, {1, 2}), At(10, 0, {2}), At(20, 0, {3}), At(30, 0, {0})};
    g.startNode = 3;
    qv::DeleteNode(g, 1);
    ASSERT_EQ(g.nodes.size(), 3u);
    EXPECT_EQ(g.nodes[0].links, std::vector<int32_t>{1});
    EXPECT_EQ(g.nodes[1].links, std::vector<int32_t>{2});
    EXPECT_EQ(g.nodes[2].links, std::vector<int32_t>{0});
    EXPECT_EQ(g.startNode, 2);
    qv::DeleteNode(g, 0);
    EXPECT_EQ(g.startNode, 1);
    EXPECT_EQ(g.nodes[1].links, std::vector<int32_t>{});
}

TEST(TrackDump, WritesAndReadsBackEveryNode) {
    TrackGraph g = Loop();
    g.nodes[0].links.push_back(2);
    g.nodes[1].hints = 0xFF01020Au;  // a negative number in the dump
    g.nodes[2].links.clear();
    const std::string text = qv::FormatTrackDump(g.nodes);
    EXPECT_EQ(text.substr(0, 63), "AI track text dump\n3 nodes\n0.000000, 0.000000, 0.000000\n2\n1,2,\n");
    EXPECT_NE(text.find(", -16711158\n"), std::string::npos);
    std::vector<TrackNode> back;
    ASSERT_TRUE(qv::ParseTrackDump(text, &back));
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].links, (std::vector<int32_t>{1, 2}));
    EXPECT_TRUE(back[2].links.empty());
    EXPECT_EQ(back[1].hints, 0xFF01020Au);
    EXPECT_EQ(qv::FormatTrackDump(back), text);
    std::string crlf;
    for (char ch : text) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    EXPECT_TRUE(qv::ParseTrackDump(crlf, &back));
    const struct {
        const char* what;
        std::string text;
    } bad[] = {
        {"link to no node", "x\n1 nodes\n0, 0, 0\n1\n4,\n0, 0, 0, 0, 0, 0\n1, 1, 0\n"},
        {"link count differs", "x\n1 nodes\n0, 0, 0\n2\n0,\n0, 0, 0, 0, 0, 0\n1, 1, 0\n"},
        {"too few lines", "x\n2 nodes\n0, 0, 0\n0\n\n0, 0, 0, 0, 0, 0\n1, 1, 0\n"},
        {"not a number", "x\n1 nodes\n0, zero, 0\n0\n\n0, 0, 0, 0, 0, 0\n1, 1, 0\n"},
        {"negative count", "x\n-1 nodes\n"},
    };
    for (const auto& b : bad) EXPECT_FALSE(qv::ParseTrackDump(b.text, &back)) << b.what;
}

class TrackTest : public OnePluginFixture<qv::TrackPlugin> {
protected:
    void Press(int x, int y) { plugin->Press({&view, x, y, 0, 0}); }
    RecordingViewport view;
};

TEST_F(TrackTest, AddPointPressesBuildALoopThatDragsAndSaves) {
    plat::Dialog& d = Panel(0);
    EXPECT_FALSE(d.IsEnabled(kAddPoint));
    ASSERT_TRUE(d.UserClick(kActivate));
    ASSERT_TRUE(d.UserClick(kAddPoint));
    Press(100, 100);
    Press(300, 100);
    Press(200, 250);
    Press(101, 99);  // on node 0's centre: closes the loop
    ASSERT_EQ(plugin->graph.nodes.size(), 3u);
    EXPECT_EQ(plugin->graph.nodes[2].links, std::vector<int32_t>{0});
    EXPECT_EQ(plugin->selected, 0);
    for (const TrackNode& n : plugin->graph.nodes) EXPECT_TRUE(std::isfinite(n.leftEdge.x) && std::isfinite(n.rightEdge.y));

    // Select a node's right edge and drag it: both widths follow the handle's distance.
    ASSERT_TRUE(d.UserClick(kAddPoint));
    const qv::Vec3 right = plugin->graph.nodes[1].rightEdge;
    Press(static_cast<int>(std::lround(right.x)), static_cast<int>(std::lround(right.y)));
    EXPECT_EQ(plugin->selected, 1);
    EXPECT_EQ(plugin->dragHandle, 2);
    const qv::Vec3 centre = plugin->graph.nodes[1].centre;
    plugin->Drag({&view, 0, 20, 0, 0});
    const float expected = std::hypot(right.x - centre.x, right.y + 20 - centre.y);
    EXPECT_NEAR(plugin->graph.nodes[1].leftWidth, expected, 1e-3f);
    EXPECT_NEAR(plugin->graph.nodes[1].rightWidth, expected, 1e-3f);
    plugin->mainPort.OnMessage(nullptr, qv::kMsgSelectRelease, 0, 0);
    plugin->Drag({&view, 5, 0, 0, 0});  // the centre now
    EXPECT_EQ(plugin->graph.nodes[1].centre.x, 305.0f);

    ASSERT_TRUE(d.UserType(kTopSpeed, "300"));
    ASSERT_TRUE(d.UserClick(kStunt));
    ASSERT_TRUE(d.UserClick(kTight));
    EXPECT_EQ(plugin->graph.nodes[1].hints & 0xFFFFFF00u, 0xFF010200u);
    ASSERT_TRUE(d.UserClick(kSetStart));
    Press(200, 250);
    EXPECT_EQ(plugin->graph.startNode, 2);

    qv::MemoryStream out;
    uint32_t size = 0;
    ASSERT_EQ(plugin->SaveChunk(&out, &size), 0);
    EXPECT_EQ(size, out.bytes().size());
    EXPECT_EQ(plat::LoadU32(&out.bytes()[8]), 2u);
    editor->world.Reset(true, true);
    EXPECT_FALSE(plugin->HasChunk());
    qv::MemoryStream in(out.bytes());
    ASSERT_EQ(plugin->LoadChunk(&in, size), 0);
    EXPECT_TRUE(plugin->active);
    EXPECT_EQ(plugin->graph.nodes[2].hints & 0xFF, 0u);  // the path numbered from the start
    EXPECT_EQ(plugin->graph.nodes[0].hints & 0xFF, 1u);
}

TEST_F(TrackTest, DeletingTheSelectedNodeSelectsTheOneBefore) {
    plugin->active = true;
    plugin->graph = Loop();
    plat::Dialog& d = Panel(0);
    plugin->selected = 2;
    ASSERT_TRUE(d.UserClick(kDelPoint));
    EXPECT_EQ(plugin->selected, 1);
    plugin->selected = 0;
    ASSERT_TRUE(d.UserClick(kDelPoint));
    EXPECT_EQ(plugin->selected, -1);
    EXPECT_EQ(plugin->graph.nodes.size(), 1u);
}

TEST_F(TrackTest, TheMapComesFromAGreyBitmapOfTheRightSize) {
    plat::Dialog& d = Panel(0);
    ASSERT_TRUE(d.UserClick(kActivate));
    WriteBitmap("small.bmp", qv::GreyBitmap(128, 128, 200));
    plat::ScriptNextFiles({Path("small.bmp")});
    ASSERT_TRUE(d.UserClick(kLoadBmp));
    EXPECT_FALSE(plugin->graph.hasMap);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Error|Must be 256x256 8-bit grayscale BMP"});
    qv::Dib map = qv::GreyBitmap(256, 256, 0);
    map.pixels[3] = 129;      // bottom row, x 3
    map.pixels[256 + 8] = 128;  // not above 128
    WriteBitmap("map.bmp", map);
    plat::ScriptNextFiles({Path("map.bmp")});
    ASSERT_TRUE(d.UserClick(kLoadBmp));
    ASSERT_TRUE(plugin->graph.hasMap);
    EXPECT_EQ(plugin->graph.map.bits.size(), 32u * 256u);
    EXPECT_EQ(plugin->graph.map.bits[0], 0x08);
    EXPECT_EQ(plugin->graph.map.bits[33], 0x00);
    EXPECT_TRUE(plugin->HasChunk());
    ASSERT_TRUE(d.UserClick(kDelBmp));
    EXPECT_FALSE(plugin->graph.hasMap);
}

TEST_F(TrackTest, DumpReadReplacesTheNodesAndKeepsTheStartInRange) {
    plugin->active = true;
    plugin->graph = Loop();
    plugin->graph.startNode = 2;
    plat::Dialog& d = Panel(0);
    plat::ScriptNextFiles({Path("track.txt")});
    ASSERT_TRUE(d.UserClick(kDump));
    plugin->graph.nodes.resize(1);
    plugin->graph.nodes[0].links.clear();
    plugin->selected = 0;
    plat::ScriptNextFiles({Path("track.txt")});
    ASSERT_TRUE(d.UserClick(kRead));
    ASSERT_EQ(plugin->graph.nodes.size(), 3u);
    EXPECT_EQ(plugin->graph.nodes[1].links, std::vector<int32_t>{2});
    EXPECT_EQ(plugin->selected, -1);
    // A dump of one node read back: the start (2) would name no node.
    plugin->graph.nodes.resize(1);
    plugin->graph.nodes[0].links.clear();
    plat::ScriptNextFiles({Path("one.txt")});
    ASSERT_TRUE(d.UserClick(kDump));
    plat::ScriptNextFiles({Path("one.txt")});
    ASSERT_TRUE(d.UserClick(kRead));
    EXPECT_EQ(plugin->graph.startNode, 0);
}

TEST_F(TrackTest, WorldBoundsScaleNodesAndWidths) {
    plugin->graph = Loop();
    const float previous[6] = {0, 0, 0, 1000, 1000, 100}, now[6] = {0, 0, 0, 2000, 1000, 100}, none[6] = {0, 0, 0, 0, 0, 0};
    const TrackNode before = plugin->graph.nodes[1];
    editor->bus.Broadcast(&editor->mainPort, qv::kKindWorld, qv::kMsgWorldBoundsChanged,
                          reinterpret_cast<qv::MsgArg>(previous), reinterpret_cast<qv::MsgArg>(now));
    EXPECT_EQ(plugin->graph.nodes[1].centre.x, 200.0f);
    EXPECT_EQ(plugin->graph.nodes[1].leftEdge.x, before.leftEdge.x * 2);
    const float lx = before.leftEdge.x * 2 - 200, ly = before.leftEdge.y;
    EXPECT_NEAR(plugin->graph.nodes[1].leftWidth, std::hypot(lx, ly), 1e-4f);
    editor->bus.Broadcast(&editor->mainPort, qv::kKindWorld, qv::kMsgWorldBoundsChanged,
                          reinterpret_cast<qv::MsgArg>(none), reinterpret_cast<qv::MsgArg>(now));
    EXPECT_EQ(plugin->graph.nodes[1].centre.x, 200.0f);
}

TEST_F(TrackTest, DrawsOnlyInTopDownViewsWhileActiveWithThePanelOpen) {
    plugin->graph = Loop();
    plugin->active = true;
    plugin->DrawViewport(&view);
    EXPECT_TRUE(view.primitives.empty());  // no panel
    Panel(0);
    plugin->selected = 1;
    view.flags = qv::kViewportPerspective;
    plugin->DrawViewport(&view);
    EXPECT_TRUE(view.primitives.empty());
    view.flags = qv::kViewportTopDown;
    plugin->DrawViewport(&view);
    ASSERT_EQ(view.primitives.size(), 1u);
    // Start line, per link an arrow of three strokes and two edge lines, per node three crosses.
    EXPECT_EQ(view.primitives[0].vertices.size(), 2u * (1 + 3 * 5 + 3 * 6));
    EXPECT_EQ(view.primitives[0].vertices[0].colour, 0xFF0000FFu);
}

}  // namespace
}  // namespace qvtest
