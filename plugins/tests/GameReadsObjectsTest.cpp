// Objects placed in the editor stand where the game draws them: the object placer's "OBJT" chunk is
// byte for byte what the game's world writer makes of the same data, and the game's reader puts every
// vertex of every instance where the editor's transform puts it, with the flags the game acts on.
#include <cmath>

#include "PluginKit.h"
#include "editor/mesh/EditorMesh.h"
#include "game/core/maths/FastMath.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/objects/PlacedObjects.h"
#include "game/world/path/Vec3Ops.h"
#include "game/world/writer/WorldWriter.h"
#include "plugins/object/ObjectPlugin.h"
#include "plugins/shared/MemoryStream.h"

namespace qvtest {
namespace {

class GameReadsObjects : public OnePluginFixture<qv::ObjectPlugin> {
protected:
    void TearDown() override {
        kes::ObjectTypesFree();
        OnePluginFixture::TearDown();
    }
};

// The editor's data as the world writer takes it.
kes::ObjectsData AsWriterData(qv::ObjectPlugin& p, qv::PluginHost& host) {
    kes::ObjectsData d;
    d.showObjects = p.showObjects;
    for (int32_t t = 1; t <= host.GetMeshCount(); ++t) {
        const qv::EditorMesh& m = *host.GetMesh(static_cast<uint32_t>(t));
        kes::ObjectMeshData type;
        type.name = m.name;
        for (uint32_t v = 0; v < m.vertexCount; ++v) {
            const qv::MeshVertex& s = m.frames[v];
            type.vertices.push_back({s.x, s.y, s.z, s.nx, s.ny, s.nz, s.u, s.v});
        }
        type.faces = m.faces;
        type.texture = m.groups[0].textureIndex;
        type.colour = m.groups[0].colour;
        type.flags = m.groups[0].flags;
        d.types.push_back(type);
        d.sounds1.push_back(p.types[static_cast<size_t>(t - 1)].sound1);
        d.sounds2.push_back(p.types[static_cast<size_t>(t - 1)].sound2);
    }
    for (const qv::ObjectInstance& in : p.instances) {
        kes::ObjectInstanceData o;
        o.x = in.x, o.y = in.y, o.groundHeight = in.groundHeight;
        o.rotX = in.rotX, o.rotY = in.rotY, o.rotZ = in.rotZ;
        o.scale = in.scale, o.heightAbove = in.heightAbove, o.type = in.type;
        o.up = {in.up.x, in.up.y, in.up.z};
        o.flags = in.flags, o.id = in.id;
        d.instances.push_back(o);
    }
    return d;
}

TEST_F(GameReadsObjects, InstancesStandWhereTheGameDrawsThem) {
    kes::InitTrigTables();
    const qv::Vec3 tilted{0.2f / std::sqrt(1.04f), 0.0f, 1.0f / std::sqrt(1.04f)};
    const int32_t a = plugin->AppendInstance(0, 120, -80, 5);
    plugin->instances[static_cast<size_t>(a)].rotX = 0.3f;
    plugin->instances[static_cast<size_t>(a)].rotY = 0.2f;
    plugin->instances[static_cast<size_t>(a)].rotZ = 1.1f;
    plugin->instances[static_cast<size_t>(a)].scale = 1.5f;
    plugin->instances[static_cast<size_t>(a)].heightAbove = 2;
    plugin->instances[static_cast<size_t>(a)].up = tilted;
    plugin->instances[static_cast<size_t>(a)].flags = 0;
    plugin->SetTypeFlag(0, qv::kObjectCollision, true);
    plugin->SetTypeFlag(0, qv::kObjectFacing, true);
    plugin->types[0].sound2 = "wind.wav";

    qv::MemoryStream out;
    uint32_t size = 0;
    ASSERT_EQ(plugin->SaveChunk(&out, &size), 0);
    ASSERT_EQ(size, out.bytes().size());
    EXPECT_EQ(out.bytes(), kes::WorldWriter::ObjectChunk(AsWriterData(*plugin, *editor->Host(0))));

    kes::MemoryPack pack(out.bytes());
    kes::ChunkStream s(pack, size);
    kes::TableRender render;
    ASSERT_EQ(kes::ObjectTypesLoad(s, size, &render), 0);
    kes::WorldObjectsLoad();
    ASSERT_EQ(kes::PlacedObjects().size(), 3u);
    EXPECT_EQ(kes::ObjectTypeAt(0)->sound2, "wind.wav");
    const qv::EditorMesh& mesh = *editor->Host(0)->GetMesh(1);
    for (size_t i = 0; i < 3; ++i) {
        const kes::PlacedObject& o = kes::PlacedObjects()[i];
        EXPECT_EQ(o.stored.flags & (kes::kObjectKeepFaces | kes::kObjectBillboard), kes::kObjectKeepFaces | kes::kObjectBillboard);
        const qv::Matrix4 m = qv::InstanceTransform(plugin->instances[i]);
        for (uint32_t v = 0; v < mesh.vertexCount; ++v) {
            const qv::MeshVertex& p = mesh.frames[v];
            const kes::Vec3 game = kes::TransformPoint(o.world, {p.x, p.y, p.z});
            const float editor[3] = {p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12],
                                     p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13],
                                     p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14]};
            // The game turns with its sine table: a few thousandths of a unit apart at most.
            EXPECT_NEAR(game.x, editor[0], 0.05f) << i << " " << v;
            EXPECT_NEAR(game.y, editor[1], 0.05f) << i << " " << v;
            EXPECT_NEAR(game.z, editor[2], 0.05f) << i << " " << v;
        }
    }
}

}  // namespace
}  // namespace qvtest
