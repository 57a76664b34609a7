// Feeds arbitrary bytes to the collision-mesh reader as one chunk, then runs a collision against
// every mesh it kept.
#include <cstdint>
#include <vector>

#include "game/core/maths/FastMath.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/collision/CollisionMeshes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (kes::InitTrigTables(), true);
    (void)ready;
    kes::MemoryPack pack(std::vector<uint8_t>(data, data + size));
    kes::ChunkStream s(pack, static_cast<uint32_t>(size));
    kes::LoadCollisionChunk(s, static_cast<uint32_t>(size));
    kes::ObjectSphere spheres[2] = {};
    spheres[0].radius = 1.0f;
    spheres[1].centre = {0, 0, 1};
    spheres[1].radius = 2.0f;
    kes::RacerContactSubject o;
    o.spheres = spheres;
    o.sphereCount = 2;
    o.contact = [](void*, uint32_t, void*) {};
    kes::Matrix4 id{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    for (int32_t i = 0; i < kes::CollisionMeshCount(); ++i) kes::CollideObjectWithMesh(o, i, 1.0f, id, id, 0, 1, &o);
    kes::FreeCollisionMeshes();
    return 0;
}
