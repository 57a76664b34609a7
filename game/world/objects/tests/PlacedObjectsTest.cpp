#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "game/core/maths/FastMath.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/chunk/WorldSounds.h"
#include "game/world/collision/CollisionMeshes.h"
#include "game/world/objects/PlacedObjects.h"
#include "game/world/objects/tests/ObjectTestSupport.h"
#include "game/world/path/Vec3Ops.h"

namespace kes::test {
namespace {

ObjectInstanceData At(float x, float y, uint32_t type, uint32_t id, uint32_t flags = 2) {
    ObjectInstanceData in;
    in.x = x;
    in.y = y;
    in.type = type;
    in.id = id;
    in.flags = flags;
    return in;
}

ObjectsData TwoTypes() {
    ObjectsData d;
    d.textures.push_back({"bark", DibPicture::Solid(8, 8, 90, 60, 30)});
    d.types = {Cube("crate"), FlatSquare("pad", 2.0f)};
    d.types[0].texture = 1;
    d.sounds1 = {"thud.wav", "None"};
    d.sounds2 = {"scrape.wav", "step.wav"};
    return d;
}

void PutU32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

struct Touch {
    uint32_t event;
    SurfaceContact c;
};

class PlacedObjectsTest : public ::testing::Test {
protected:
    void SetUp() override { InitTrigTables(); }
    void TearDown() override {
        ObjectTypesFree();
        FreeCollisionMeshes();
        WorldSounds() = WorldSoundHooks();
    }
    int32_t Load(const std::vector<uint8_t>& bytes) {
        MemoryPack pack(bytes);
        ChunkStream s(pack, static_cast<uint32_t>(bytes.size()));
        const int32_t r = ObjectTypesLoad(s, static_cast<uint32_t>(bytes.size()), &render);
        WorldObjectsLoad();
        return r;
    }
    void Collide(Vec3 p, float R) {
        touches.clear();
        sphere = {};
        sphere.radius = R;
        RacerContactSubject o;
        o.position = p;
        o.spheres = &sphere;
        o.sphereCount = 1;
        o.radius = R;
        o.user = this;
        o.contact = [](void* user, uint32_t event, void* info) {
            static_cast<PlacedObjectsTest*>(user)->touches.push_back({event, *static_cast<SurfaceContact*>(info)});
        };
        CollidePlacedObjects(o);
    }
    TableRender render;
    ObjectSphere sphere{};
    std::vector<Touch> touches;
};

TEST_F(PlacedObjectsTest, ReadsTheEditorsChunkWithTypesSoundsAndMatrices) {
    static const char* known[] = {"thud", "scrape", "step"};
    WorldSounds().findEffect = [](const char* name) {
        for (int i = 0; i < 3; ++i)
            if (std::strncmp(name, known[i], std::strlen(known[i])) == 0) return i;
        return -1;
    };
    ObjectsData d = TwoTypes();
    ObjectInstanceData turned = At(100, 50, 0, 9);
    turned.groundHeight = 3;
    turned.heightAbove = 1;
    turned.scale = 2;
    turned.rotZ = 1.5707964f;
    d.instances = {turned, At(120, 50, 1, 10)};
    ASSERT_EQ(Load(WorldWriter::ObjectChunk(d)), 0);
    ASSERT_EQ(ObjectTypeCount(), 2);
    EXPECT_STREQ(ObjectTypeMesh(0)->name, "crate");
    EXPECT_NEAR(ObjectTypeAt(0)->radius, std::sqrt(6.0f), 1e-5f);
    EXPECT_EQ(ObjectTypeAt(0)->effectA, 0);
    EXPECT_EQ(ObjectTypeAt(0)->effectB, 1);
    EXPECT_EQ(ObjectTypeAt(1)->effectA, -1);
    EXPECT_EQ(ObjectTypeAt(1)->effectB, 2);
    EXPECT_EQ(ObjectTypeMesh(0)->frames[0].nz, -1.0f);  // normals' y and z turned round at load
    ASSERT_EQ(PlacedObjects().size(), 2u);
    const PlacedObject& o = PlacedObjects()[0];
    EXPECT_EQ(o.stored.id, 9u);
    EXPECT_NEAR(o.radius, 2.0f * std::sqrt(6.0f), 1e-4f);
    // A corner vertex (1, 0, 0) of the type: scaled by 2, turned a quarter, lifted by the offset.
    const Vec3 p = TransformPoint(o.world, {1, 0, 0});
    EXPECT_NEAR(p.z, 4.0f, 1e-4f);
    EXPECT_NEAR(std::fabs(p.x - 100.0f), 0.0f, 2e-3f);
    EXPECT_NEAR(std::fabs(p.y - 50.0f), 2.0f, 2e-3f);
}

TEST_F(PlacedObjectsTest, RecordSizesShortLongAndMissingSoundLists) {
    ObjectsData d = TwoTypes();
    d.writeSounds = false;
    std::vector<uint8_t> bytes = WorldWriter::ObjectChunk(d);
    bytes.resize(bytes.size() - 4);  // the instance count
    PutU32(bytes, 4);
    auto record = [&](uint32_t size, uint32_t type, uint32_t id) {
        PutU32(bytes, size);
        std::vector<uint8_t> r(size, 0);
        const float scale = 1.0f, up = 1.0f;
        std::memcpy(r.data() + 24, &scale, 4);
        std::memcpy(r.data() + 32, &type, 4);
        std::memcpy(r.data() + 44, &up, 4);
        if (size >= 56) std::memcpy(r.data() + 52, &id, 4);
        bytes.insert(bytes.end(), r.begin(), r.end());
    };
    record(52, 0, 0);
    record(56, 1, 7);
    record(60, 0, 8);   // four extra bytes skipped, the next record still aligned
    record(56, 5, 11);  // type out of range: left out
    ASSERT_EQ(Load(bytes), 0);
    ASSERT_EQ(PlacedObjects().size(), 3u);
    EXPECT_EQ(PlacedObjects()[0].stored.id, 0u);
    EXPECT_EQ(PlacedObjects()[1].stored.id, 7u);
    EXPECT_EQ(PlacedObjects()[2].stored.id, 8u);
    EXPECT_EQ(ObjectTypeAt(0)->sound1, "None");
    EXPECT_EQ(ObjectTypeAt(1)->sound2, "None");
}

TEST_F(PlacedObjectsTest, GridSizeFollowsTheSpread) {
    struct Case {
        float spread;
        int32_t cells;
    } cases[] = {{10000, 64}, {20, 1}, {300, 10}};
    for (const Case& c : cases) {
        ObjectsData d = TwoTypes();
        d.types[0] = Cube("crate", 0.01f);
        d.instances = {At(0, 0, 0, 1), At(c.spread, c.spread, 0, 2)};
        ASSERT_EQ(Load(WorldWriter::ObjectChunk(d)), 0);
        int32_t x, y;
        ObjectGridSize(&x, &y);
        EXPECT_EQ(x, c.cells) << c.spread;
        EXPECT_EQ(y, c.cells) << c.spread;
    }
}

TEST_F(PlacedObjectsTest, MovingSpheresMeetTheTypesCollisionMeshOncePerPass) {
    CollisionMesh m;
    std::strcpy(m.name, "crate");
    m.spheres.push_back({{0, 0, 1}, 1.5f, 1.0f});
    const std::vector<uint8_t> coll = WorldWriter::CollisionChunk({m});
    MemoryPack pack(coll);
    ChunkStream s(pack, static_cast<uint32_t>(coll.size()));
    LoadCollisionChunk(s, static_cast<uint32_t>(coll.size()));
    ObjectsData d = TwoTypes();
    // A big crate over many cells, and a far one to make the grid.
    ObjectInstanceData big = At(100, 100, 0, 1);
    big.scale = 20;
    d.instances = {big, At(400, 400, 0, 2)};
    ASSERT_EQ(Load(WorldWriter::ObjectChunk(d)), 0);
    EXPECT_GT(PlacedObjects()[0].columnSpan, 1);
    Collide({100, 100 + 30 + 0.5f, 20}, 1.0f);  // solid: radius 30 at (100, 100, 20)
    ASSERT_EQ(touches.size(), 1u);
    EXPECT_EQ(touches[0].event, kContactTouch);
    EXPECT_NEAR(touches[0].c.point.y, 130.0f, 1e-3f);
    Collide({100, 135, 20}, 1.0f);
    EXPECT_TRUE(touches.empty());
    Collide({-500, -500, 0}, 1.0f);  // wholly outside the grid
    EXPECT_TRUE(touches.empty());
}

TEST_F(PlacedObjectsTest, KeptFacesReportEventThreeWithTheEdgeTolerance) {
    ObjectsData d = TwoTypes();
    d.instances = {At(50, 50, 1, 1, 1)};  // the pad (4 x 4) with its faces kept in the world
    ASSERT_EQ(Load(WorldWriter::ObjectChunk(d)), 0);
    ASSERT_EQ(PlacedObjects()[0].facePlanes.size(), 2u);
    Collide({50.5f, 50.5f, 0.6f}, 1.0f);
    ASSERT_GE(touches.size(), 1u);
    EXPECT_EQ(touches[0].event, kContactFace);
    EXPECT_NEAR(touches[0].c.point.z, 0.0f, 1e-5f);
    EXPECT_NEAR(touches[0].c.normal.z, 1.0f, 1e-5f);
    EXPECT_EQ(touches[0].c.soundB, -1);
    Collide({52.5f, 50, 0.6f}, 1.0f);  // beyond the edge
    EXPECT_TRUE(touches.empty());
    Collide({50.5f, 50.5f, -0.6f}, 1.0f);  // under the face
    EXPECT_TRUE(touches.empty());
}

TEST_F(PlacedObjectsTest, IdLookupsCopyTakeHideAndLift) {
    ObjectsData d = TwoTypes();
    d.instances = {At(10, 10, 0, 5), At(20, 10, 1, 5), At(30, 10, 0, 6)};
    ASSERT_EQ(Load(WorldWriter::ObjectChunk(d)), 0);
    EXPECT_EQ(PlacedObjectIndex(6), 2);
    EXPECT_EQ(PlacedObjectIndex(99), -1);
    PlacedObjectRecord r;
    float radius = 0;
    ASSERT_TRUE(PlacedObjectCopy(5, &r, &radius));
    EXPECT_EQ(r.position.x, 10.0f);
    EXPECT_NEAR(radius, std::sqrt(6.0f), 1e-5f);
    ASSERT_TRUE(PlacedObjectTake(5, &r, &radius));
    ASSERT_EQ(PlacedObjects().size(), 2u);
    EXPECT_EQ(PlacedObjects()[0].stored.position.x, 20.0f);  // only the first of the two went
    EXPECT_FALSE(PlacedObjectTake(99, &r, &radius));
    PlacedObjectSetVisible(6, 0);
    EXPECT_EQ(PlacedObjects()[1].visible, 0u);
    EXPECT_EQ(PlacedObjectSetHeight(1, 12.0f), 12.0f);
    EXPECT_NEAR(PlacedObjects()[1].world.m[14], 12.0f, 1e-5f);
    // The grid follows the removal: drawing meets only the visible object left.
    WorldView view;
    view.groundMinX = view.groundMinY = -100;
    view.groundMaxX = view.groundMaxY = 100;
    WorldObjectsDraw(view, &render);
    EXPECT_FALSE(render.draws.empty());
    for (const TableRender::Draw& dr : render.draws) EXPECT_EQ(dr.vertices, 4u);  // the pad only
}

TEST_F(PlacedObjectsTest, DamagedChunksAreRefusedAndLeaveNothing) {
    ObjectsData d = TwoTypes();
    d.instances = {At(10, 10, 0, 5)};
    const std::vector<uint8_t> good = WorldWriter::ObjectChunk(d);
    std::vector<uint8_t> list;
    WorldWriter::AppendTextureList(list, d.textures);
    const size_t meshes = list.size(), firstMesh = meshes + 12;
    // The instance count sits before the 60 bytes of the one instance and the sound lists.
    const size_t sounds = (4 + 9) + (4 + 5) + (4 + 11) + (4 + 9);
    const size_t instances = good.size() - sounds - 60 - 4;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"texture count past the chunk", WithU32(good, 8, 1000)},
        {"type count past the chunk", WithU32(good, meshes + 8, 100000)},
        {"mesh face count past the record", WithU32(good, firstMesh + 8 + 128, 60000)},
        {"instance count past the chunk", WithU32(good, instances, 1000000)},
        {"record size past the chunk", WithU32(good, instances + 4, 100000)},
        {"sound name past the chunk", WithU32(good, good.size() - 13, 500)},
        {"cut short", std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(instances) + 30)},
    };
    ASSERT_EQ(Load(good), 0);
    ASSERT_EQ(PlacedObjects().size(), 1u);
    for (const Case& c : cases) {
        for (uint32_t h = 1; h < kHandleTableSize; ++h) render.ReleaseTexture(h);
        EXPECT_EQ(Load(c.bytes), -1) << c.what;
        EXPECT_TRUE(PlacedObjects().empty()) << c.what;
        Collide({10, 10, 1}, 1.0f);
    }
    // A value that is not finite drops only its object.
    std::vector<uint8_t> nan = WithU32(good, instances + 8, 0x7FC00000u);
    EXPECT_EQ(Load(nan), 0);
    EXPECT_TRUE(PlacedObjects().empty());
    EXPECT_EQ(ObjectTypeCount(), 2);
}

}  // namespace
}  // namespace kes::test
