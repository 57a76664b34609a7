#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "game/world/chunk/MemoryPack.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/chunk/WorldSounds.h"
#include "game/world/fence/Fences.h"
#include "game/world/path/Vec3Ops.h"
#include "game/world/writer/WorldWriter.h"

namespace kes {
namespace {

// A straight fence along x from 0 to 100 (points -10 and 110 shape the ends), n panels, height 2.
FenceLineData Straight(uint32_t panels, uint32_t material) {
    FenceLineData line;
    line.curve.points = {{-10, 0, 0}, {0, 0, 0}, {50, 0, 0}, {100, 0, 0}, {110, 0, 0}};
    line.height = 2.0f;
    line.materials.assign(panels, material);
    return line;
}

FenceData TwoMaterials() {
    FenceData f;
    f.textures = {{"wood", DibPicture::Solid(8, 8, 120, 80, 40)}, {"splinters", DibPicture::Solid(8, 8, 60, 40, 20)}};
    f.materials = {{1, 50.0f, 1, "wood", "crash.wav"}, {0, 0.0f, 0, "splinters", "None"}};
    return f;
}

struct Hit {
    uint32_t event;
    SurfaceContact c;
};

class FencesTest : public ::testing::Test {
protected:
    void TearDown() override {
        FreeFences();
        WorldSounds() = WorldSoundHooks();
    }
    int32_t Load(const std::vector<uint8_t>& bytes) {
        MemoryPack pack(bytes);
        ChunkStream s(pack, static_cast<uint32_t>(bytes.size()));
        const int32_t r = LoadFenceChunk(s, static_cast<uint32_t>(bytes.size()), &render);
        BuildFences();
        return r;
    }
    // One sphere of radius 1 at p; the handler answers every touch by setting the limit to setLimit
    // (negative: leaves it).
    int32_t Touch(Vec3 p, float setLimit = -1) {
        hits.clear();
        sphere = {};
        sphere.radius = 1.0f;
        limit = setLimit;
        RacerContactSubject o;
        o.position = p;
        o.spheres = &sphere;
        o.sphereCount = 1;
        o.radius = 1.5f;
        o.user = this;
        o.contact = [](void* user, uint32_t event, void* info) {
            auto* t = static_cast<FencesTest*>(user);
            auto* c = static_cast<SurfaceContact*>(info);
            t->hits.push_back({event, *c});
            if (t->limit >= 0) c->approachLimit = t->limit;
        };
        return CollideFences(o);
    }
    TableRender render;
    ObjectSphere sphere{};
    std::vector<Hit> hits;
    float limit = -1;
};

TEST_F(FencesTest, BothVersionsReadWhatTheWriterWrites) {
    for (uint32_t version : {kFenceVersion, kFenceVersionOld}) {
        FenceData f = TwoMaterials();
        f.version = version;
        f.lines.push_back(Straight(20, 1));
        ASSERT_EQ(Load(WorldWriter::FenceChunk(f)), 0) << version;
        ASSERT_EQ(FenceMaterials().size(), 2u);
        EXPECT_EQ(FenceMaterials()[0].breakThreshold, 50.0f);
        EXPECT_STREQ(FenceMaterials()[1].name, "splinters");
        EXPECT_EQ(FenceMaterials()[0].soundName, version == kFenceVersion ? "crash.wav" : "None");
        ASSERT_EQ(FenceGroups().size(), 1u);
        EXPECT_EQ(FenceGroups()[0].panels.size(), 20u);
        FreeFences();
    }
}

TEST_F(FencesTest, PanelsStandOnTheGroundAndGroupByDirection) {
    FenceData f = TwoMaterials();
    f.lines.push_back(Straight(10, 2));
    FenceLineData bend;  // a quarter turn
    bend.curve.points = {{0, -10, 0}, {0, 0, 0}, {0, 50, 0}, {50, 100, 0}, {100, 100, 0}, {110, 100, 0}};
    bend.height = 3.0f;
    bend.materials.assign(24, 2);
    f.lines.push_back(bend);
    ASSERT_EQ(Load(WorldWriter::FenceChunk(f)), 0);
    const std::vector<FenceGroup>& g = FenceGroups();
    ASSERT_GE(g.size(), 4u);  // one straight group, then at least three for 90 degrees of turn
    const FencePanel& p = g[0].panels[0];
    EXPECT_NEAR(p.v[0].x, 0.0f, 1e-3f);
    EXPECT_GT(p.v[1].x, 0.0f);
    EXPECT_NEAR(g[0].panels.back().v[1].x, 100.0f, 1e-3f);
    EXPECT_EQ(p.v[2].z, 2.0f);  // top = ground + up x height
    EXPECT_EQ(p.v[0].v, 255.0f / 256.0f);
    EXPECT_NEAR(std::fabs(g[0].normals[0].y), 1.0f, 1e-5f);
    for (size_t k = 1; k < g.size(); ++k) {
        const FenceGroup& grp = g[k];
        auto dir = [](const FencePanel& q) { return Normalised({q.v[1].x - q.v[0].x, q.v[1].y - q.v[0].y, 0}); };
        for (const FencePanel& q : grp.panels) EXPECT_GE(Dot(dir(q), dir(grp.panels[0])), 0.86f);
    }
}

TEST_F(FencesTest, SpheresTouchFromEitherSideAndJustPastTheEnd) {
    FenceData f = TwoMaterials();
    f.lines.push_back(Straight(10, 0));  // material 0: not drawn, still blocks
    ASSERT_EQ(Load(WorldWriter::FenceChunk(f)), 0);
    for (float side : {-1.0f, 1.0f}) {
        ASSERT_EQ(Touch({25, 0.5f * side, 1}), 1);
        ASSERT_EQ(hits.size(), 1u);
        EXPECT_EQ(hits[0].event, kContactTouch);
        EXPECT_NEAR(hits[0].c.normal.y, side, 1e-5f);
        EXPECT_NEAR(hits[0].c.point.y, 0.0f, 1e-5f);
        EXPECT_EQ(hits[0].c.approachLimit, FLT_MAX);
        EXPECT_EQ(hits[0].c.soundA, -1);
    }
    Touch({100.3f, 0.5f, 1});  // past the end by 0.3: 0.3 x 2 = 0.6 <= 1.3
    EXPECT_EQ(hits.size(), 1u);
    Touch({101.0f, 0.5f, 1});  // past by 1.0: 2.0 > 1.3
    EXPECT_TRUE(hits.empty());
    Touch({25, 1.2f, 1});
    EXPECT_TRUE(hits.empty());
    WorldView view;
    view.groundMaxX = view.groundMaxY = 1000;
    DrawFences(view, &render);
    EXPECT_TRUE(render.draws.empty());
}

TEST_F(FencesTest, BreakablePanelsBreakOnlyWhenTheHandlerSaysSo) {
    static std::vector<std::string> sounds;
    sounds.clear();
    WorldSounds().fenceBreak = [](const char* name, Vec3) { sounds.push_back(name); };
    FenceData f = TwoMaterials();
    f.lines.push_back(Straight(10, 1));
    ASSERT_EQ(Load(WorldWriter::FenceChunk(f)), 0);
    Touch({25, 0.5f, 1});  // below the threshold: the handler keeps the limit
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].c.approachLimit, 50.0f);
    EXPECT_EQ(FenceGroups()[0].broken[2], 0u);
    Touch({25, 0.5f, 1}, 0.0f);  // hard enough
    EXPECT_EQ(FenceGroups()[0].broken[2], 1u);
    EXPECT_EQ(FenceGroups()[0].materials[2], 2u);
    EXPECT_EQ(sounds, std::vector<std::string>{"crash"});
    EXPECT_EQ(Touch({25, 0.5f, 1}), 0);  // never blocks again
    WorldView view;
    view.groundMaxX = view.groundMaxY = 1000;
    DrawFences(view, &render);
    ASSERT_EQ(render.draws.size(), 10u);
    EXPECT_EQ(render.draws.back().texture, 2u);  // the broken panel is drawn last, with material 2
    // Threshold 0: everything passes.
    FenceData open = TwoMaterials();
    open.materials[0].breakThreshold = 0.0f;
    open.lines.push_back(Straight(10, 1));
    ASSERT_EQ(Load(WorldWriter::FenceChunk(open)), 0);
    EXPECT_EQ(Touch({25, 0.5f, 1}), 0);
}

TEST_F(FencesTest, DamagedChunksAreRefusedOrHarmless) {
    FenceData f = TwoMaterials();
    f.lines.push_back(Straight(10, 7));           // a material past the list: not drawn, blocks
    FenceLineData shortLine = Straight(10, 1);
    shortLine.curve.points.resize(3);            // too few points: no panels
    f.lines.push_back(shortLine);
    f.materials[0].brokenMaterial = 99;          // breaks into nothing drawable
    EXPECT_EQ(Load(WorldWriter::FenceChunk(f)), 0);
    EXPECT_EQ(FenceGroups().size(), 1u);
    EXPECT_EQ(Touch({25, 0.5f, 1}, 0.0f), 1);
    WorldView view;
    view.groundMaxX = view.groundMaxY = 1000;
    DrawFences(view, &render);
    EXPECT_TRUE(render.draws.empty());

    FenceData one = TwoMaterials();
    one.lines.push_back(Straight(4, 1));
    const std::vector<uint8_t> good = WorldWriter::FenceChunk(one);
    // Offsets: 8 ignored bytes, T, the texture records, the version, the line count, then per line
    // an ignored word and the line record (two pointer words, panel count, height).
    std::vector<uint8_t> list;
    WorldWriter::AppendTextureList(list, one.textures);
    const size_t version = 12 + list.size() - 12, lines = version + 4, panels = lines + 4 + 12;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"unknown version", WithU32(good, version, 1001)},
        {"line count past the chunk", WithU32(good, lines, 5000)},
        {"panel count past the chunk", WithU32(good, panels, 0x7FFFFFFF)},
        {"negative panel count", WithU32(good, panels, 0xFFFFFFFF)},
        {"point count past the chunk", WithU32(good, panels + 12, 100000)},
        {"texture count past the chunk", WithU32(good, 8, 1000)},
        {"cut inside the sound names", std::vector<uint8_t>(good.begin(), good.end() - 20)},
    };
    EXPECT_EQ(Load(good), 0);
    for (const Case& c : cases) {
        render.ReleaseAllTextures();
        EXPECT_EQ(Load(c.bytes), -1) << c.what;
        EXPECT_TRUE(FenceGroups().empty()) << c.what;
    }
}

}  // namespace
}  // namespace kes
