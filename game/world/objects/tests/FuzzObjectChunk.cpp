// Feeds arbitrary bytes to the placed-object reader as one chunk, then builds, draws and collides.
#include <cstdint>
#include <vector>

#include "game/core/maths/FastMath.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/objects/PlacedObjects.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (kes::InitTrigTables(), true);
    (void)ready;
    static kes::TableRender render;
    kes::MemoryPack pack(std::vector<uint8_t>(data, data + size));
    kes::ChunkStream s(pack, static_cast<uint32_t>(size));
    kes::ObjectTypesLoad(s, static_cast<uint32_t>(size), &render);
    kes::WorldObjectsLoad();
    kes::WorldView view;
    view.groundMinX = view.groundMinY = -1e4f;
    view.groundMaxX = view.groundMaxY = 1e4f;
    kes::WorldObjectsDraw(view, &render);
    kes::ObjectSphere sphere{};
    sphere.radius = 1.0f;
    for (size_t i = 0; i < kes::PlacedObjects().size() && i < 8; ++i) {
        kes::RacerContactSubject o;
        o.position = kes::PlacedObjects()[i].stored.position;
        o.spheres = &sphere;
        o.sphereCount = 1;
        o.radius = 2.0f;
        o.contact = [](void*, uint32_t, void*) {};
        kes::CollidePlacedObjects(o);
    }
    if (!kes::PlacedObjects().empty()) kes::PlacedObjectTake(kes::PlacedObjects()[0].stored.id, nullptr, nullptr);
    kes::WorldObjectsDraw(view, &render);
    render.draws.clear();
    for (uint32_t h = 1; h < kes::kHandleTableSize && render.Handles()[0]; ++h) render.ReleaseTexture(h);
    kes::ObjectTypesFree();
    return 0;
}
