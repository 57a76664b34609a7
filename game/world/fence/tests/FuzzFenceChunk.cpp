// Feeds arbitrary bytes to the fence reader as one chunk, then builds, draws and collides.
#include <cstdint>
#include <vector>

#include "game/world/chunk/MemoryPack.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/fence/Fences.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static kes::TableRender render;
    kes::MemoryPack pack(std::vector<uint8_t>(data, data + size));
    kes::ChunkStream s(pack, static_cast<uint32_t>(size));
    kes::LoadFenceChunk(s, static_cast<uint32_t>(size), &render);
    kes::BuildFences();
    kes::WorldView view;
    view.groundMinX = view.groundMinY = -1e9f;
    view.groundMaxX = view.groundMaxY = 1e9f;
    kes::DrawFences(view, &render);
    kes::ObjectSphere sphere{};
    sphere.radius = 1.0f;
    for (const kes::FenceGroup& g : kes::FenceGroups()) {
        for (const kes::FencePanel& p : g.panels) {
            kes::RacerContactSubject o;
            o.position = {p.v[0].x, p.v[0].y, p.v[0].z + 0.5f};
            o.spheres = &sphere;
            o.sphereCount = 1;
            o.radius = 2.0f;
            o.contact = [](void*, uint32_t, void* info) { static_cast<kes::SurfaceContact*>(info)->approachLimit = 0; };
            kes::CollideFences(o);
        }
    }
    render.draws.clear();
    render.states.clear();
    while (render.Handles()[0]) {
        for (uint32_t h = 1; h < kes::kHandleTableSize; ++h) render.ReleaseTexture(h);
    }
    kes::FreeFences();
    return 0;
}
