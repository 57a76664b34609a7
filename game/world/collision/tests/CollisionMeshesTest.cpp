#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <vector>

#include "game/core/maths/FastMath.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/chunk/WorldSounds.h"
#include "game/world/collision/CollisionMeshes.h"
#include "game/world/path/Vec3Ops.h"
#include "game/world/writer/WorldWriter.h"

namespace kes {
namespace {

const Matrix4 kIdentity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

void Load(const std::vector<uint8_t>& bytes) {
    MemoryPack pack(bytes);
    ChunkStream s(pack, static_cast<uint32_t>(bytes.size()));
    EXPECT_EQ(LoadCollisionChunk(s, static_cast<uint32_t>(bytes.size())), 0);
}

CollisionMesh Named(const char* name) {
    CollisionMesh m;
    std::strncpy(m.name, name, sizeof m.name - 1);
    return m;
}

struct Event {
    uint32_t event;
    SurfaceContact c;
};

// One moving sphere of radius R at position p, recording every report.
class CollisionMeshesTest : public ::testing::Test {
protected:
    void SetUp() override { InitTrigTables(); }
    void TearDown() override {
        FreeCollisionMeshes();
        WorldSounds() = WorldSoundHooks();
    }
    void Collide(Vec3 p, float R, int32_t mesh = 0, float scale = 1.0f, const Matrix4& world = kIdentity,
                 const Matrix4& rotation = kIdentity) {
        events.clear();
        sphere = {};
        sphere.radius = R;
        RacerContactSubject o;
        o.position = p;
        o.spheres = &sphere;
        o.sphereCount = 1;
        o.user = this;
        o.contact = [](void* user, uint32_t event, void* info) {
            static_cast<CollisionMeshesTest*>(user)->events.push_back({event, *static_cast<SurfaceContact*>(info)});
        };
        CollideObjectWithMesh(o, mesh, scale, world, rotation, 7, 8, source);
    }
    ObjectSphere sphere{};
    std::vector<Event> events;
    const void* source = this;
};

TEST_F(CollisionMeshesTest, ReadsWhatTheWriterWritesAndMatchesNamesExactly) {
    CollisionMesh a = Named("tree");
    a.spheres.push_back({{1, 2, 3}, 4, 0.5f});
    a.cylinders.push_back({{0, 0, 0}, 1, 5, 0, 0, 1, {}});
    a.boxes.push_back({{0, 0, 0}, 2, 3, 4, 0, 0, 0, 0, {}, {}});
    CollisionMesh b = Named("Tree");
    Load(WorldWriter::CollisionChunk({a, b}));
    ASSERT_EQ(CollisionMeshCount(), 2);
    EXPECT_EQ(FindCollisionMesh("tree"), 0);
    EXPECT_EQ(FindCollisionMesh("Tree"), 1);
    EXPECT_EQ(FindCollisionMesh("TREE"), -1);
    EXPECT_EQ(GetCollisionSphereCount(0), 1);
    ObjectSphere s[1] = {};
    CopyCollisionSpheres(s, 0);
    EXPECT_EQ(s[0].radius, 4.0f);
    EXPECT_EQ(s[0].centre.z, 3.0f);
    const CollisionMesh* m = CollisionMeshAt(0);
    EXPECT_NEAR(m->cylinders[0].end.z, 5.0f, 1e-5f);
    // Positive sizes: every face normal points out of the box (away from its centre).
    const MeshBox& box = m->boxes[0];
    const Vec3 centre{1, 1.5f, 2};
    for (int k = 0; k < 6; ++k) EXPECT_LT(Dot(box.normals[k], centre) + box.offsets[k], 0.0f) << k;
    FreeCollisionMeshes();
    EXPECT_EQ(FindCollisionMesh("tree"), -1);
}

TEST_F(CollisionMeshesTest, SolidSphereTouchIsStrict) {
    CollisionMesh m = Named("s");
    m.spheres.push_back({{0, 0, 0}, 2, 1.5f});
    Load(WorldWriter::CollisionChunk({m}));
    Collide({3, 0, 0}, 1);  // exactly R + r
    EXPECT_TRUE(events.empty());
    Collide({2.5f, 0, 0}, 1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event, kContactTouch);
    EXPECT_FLOAT_EQ(events[0].c.point.x, 2.0f);
    EXPECT_FLOAT_EQ(events[0].c.normal.x, 1.0f);
    EXPECT_EQ(events[0].c.approachLimit, FLT_MAX);
    EXPECT_EQ(events[0].c.shapeValue, 1.5f);
    EXPECT_EQ(events[0].c.soundA, 7);
    EXPECT_EQ(events[0].c.soundB, 8);
    // The world matrix places and scales the solid.
    Matrix4 world = kIdentity;
    world.m[0] = world.m[5] = world.m[10] = 2.0f;
    world.m[12] = 10.0f;
    Collide({14.5f, 0, 0}, 1, 0, 2.0f, world);  // solid radius 4 at x = 10
    ASSERT_EQ(events.size(), 1u);
    EXPECT_FLOAT_EQ(events[0].c.point.x, 14.0f);
}

TEST_F(CollisionMeshesTest, CylinderRegions) {
    CollisionMesh m = Named("c");
    m.cylinders.push_back({{0, 0, 0}, 1, 10, 0, 0, 1, {}});  // upright, radius 1, z 0..10
    m.cylinders.push_back({{20, 0, 0}, 1, 0, 0, 0, 1, {}});  // no length: a sphere at its base
    Load(WorldWriter::CollisionChunk({m}));
    struct Case {
        const char* where;
        Vec3 at;
        bool touch;
        Vec3 point, normal;
    } cases[] = {
        {"beside the mantle", {1.5f, 0, 5}, true, {1, 0, 5}, {1, 0, 0}},
        {"beyond the mantle", {2.5f, 0, 5}, false, {}, {}},
        {"over the far cap", {0.5f, 0, 10.5f}, true, {0.5f, 0, 10}, {0, 0, 1}},
        {"over the rim", {1.3f, 0, 10.3f}, true, {1, 0, 10}, {0.70710677f, 0, 0.70710677f}},
        {"before the base cap", {0, 0.5f, -0.5f}, true, {0, 0.5f, 0}, {0, 0, -1}},
        {"beyond reach of the cap", {0, 0, 11.5f}, false, {}, {}},
        {"zero-length cylinder", {21.5f, 0, 0}, true, {21, 0, 0}, {1, 0, 0}},
    };
    for (const Case& c : cases) {
        Collide(c.at, 1);
        ASSERT_EQ(events.size(), c.touch ? 1u : 0u) << c.where;
        if (!c.touch) continue;
        EXPECT_NEAR(events[0].c.point.x, c.point.x, 1e-4f) << c.where;
        EXPECT_NEAR(events[0].c.point.y, c.point.y, 1e-4f) << c.where;
        EXPECT_NEAR(events[0].c.point.z, c.point.z, 1e-4f) << c.where;
        EXPECT_NEAR(events[0].c.normal.x, c.normal.x, 1e-4f) << c.where;
        EXPECT_NEAR(events[0].c.normal.z, c.normal.z, 1e-4f) << c.where;
        EXPECT_TRUE(Finite(events[0].c.point));
    }
}

TEST_F(CollisionMeshesTest, BoxFacesReportWithTheEdgeTolerance) {
    CollisionMesh m = Named("b");
    m.boxes.push_back({{0, 0, 0}, 10, 10, 2, 0, 0, 0, 0, {}, {}});
    Load(WorldWriter::CollisionChunk({m}));
    Collide({5, 5, 2.5f}, 1);  // above the top face
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event, kContactFace);
    EXPECT_NEAR(events[0].c.point.z, 2.0f, 1e-5f);
    EXPECT_NEAR(events[0].c.normal.z, 1.0f, 1e-5f);
    Collide({10.2f, 5, 2.5f}, 1);  // past the edge by 0.2: 0.2 x 10 = 2 > 0.3
    EXPECT_TRUE(events.empty());
    Collide({10.02f, 5, 2.5f}, 1);  // past by 0.02: 0.2 <= 0.3 still counts
    EXPECT_EQ(events.size(), 1u);
    Collide({10.5f, 5, 1.5f}, 1);  // beside the x face, within reach of the top plane too
    ASSERT_EQ(events.size(), 1u);
    EXPECT_NEAR(events[0].c.normal.x, 1.0f, 1e-5f);
    Collide({10.5f, 5, 2.5f}, 1);  // over the edge but outside both faces by more than the tolerance
    EXPECT_TRUE(events.empty());
    Collide({10.02f, 5, 2.02f}, 1);  // at the edge: both the top and the side report

    EXPECT_EQ(events.size(), 2u);
    Collide({5, 5, 3.5f}, 1);
    EXPECT_TRUE(events.empty());
    // Placed through a mirror in x (as the placed objects' up basis does) the box stands at x -10..0
    // and its faces still report.
    Matrix4 mirror = kIdentity;
    mirror.m[0] = -1.0f;
    Collide({-5, 5, 2.5f}, 1, 0, 1.0f, mirror, mirror);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_NEAR(events[0].c.normal.z, 1.0f, 1e-5f);
    Collide({-10.5f, 5, 1.0f}, 1, 0, 1.0f, mirror, mirror);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_NEAR(events[0].c.normal.x, -1.0f, 1e-5f);
}

TEST_F(CollisionMeshesTest, SoundOnlySolidsPlayInsteadOfReporting) {
    static std::vector<std::pair<int32_t, bool>> played;
    played.clear();
    WorldSounds().impact = [](int32_t effect, Vec3, bool restart) { played.push_back({effect, restart}); };
    CollisionMesh m = Named("bell");
    m.spheres.push_back({{0, 0, 0}, 1, 0.0f});
    Load(WorldWriter::CollisionChunk({m}));
    Collide({1.5f, 0, 0}, 1);
    Collide({1.5f, 0, 0}, 1);
    int other;
    source = &other;
    Collide({1.5f, 0, 0}, 1);
    EXPECT_TRUE(events.empty());
    const std::vector<std::pair<int32_t, bool>> expected = {{8, true}, {8, false}, {8, true}};
    EXPECT_EQ(played, expected);
}

TEST_F(CollisionMeshesTest, DamagedChunksLeaveNoMeshes) {
    CollisionMesh m = Named("m");
    m.spheres.push_back({{0, 0, 0}, 1, 1});
    const std::vector<uint8_t> good = WorldWriter::CollisionChunk({m});
    const size_t record = kCollisionChunkHeadBytes, solids = record + kCollisionMeshRecordBytes;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"mesh count past the chunk", WithU32(good, 260, 1000)},
        {"a billion spheres", WithU32(good, record + 260, 1000000000u)},
        {"cylinders past the chunk", WithU32(good, record + 268, 0xFFFFFFFFu)},
        {"radius not finite", WithU32(good, solids + 12, 0x7F800000u)},
        {"cut short", std::vector<uint8_t>(good.begin(), good.end() - 3)},
        {"empty", {}},
    };
    for (const Case& c : cases) {
        Load(good);
        Load(c.bytes);
        EXPECT_EQ(CollisionMeshCount(), 0) << c.what;
    }
    // A name that fills all 256 bytes is cut to 255 and still found.
    std::vector<uint8_t> full = good;
    std::memset(full.data() + record, 'x', 256);
    Load(full);
    ASSERT_EQ(CollisionMeshCount(), 1);
    EXPECT_EQ(FindCollisionMesh(std::string(255, 'x').c_str()), 0);
}

}  // namespace
}  // namespace kes
