// Feeds arbitrary bytes to the water reader as one chunk, then queries, animates and draws it.
#include <cstdint>
#include <vector>

#include "game/world/chunk/MemoryPack.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/water/Water.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static kes::TableRender render;
    kes::MemoryPack pack(std::vector<uint8_t>(data, data + size));
    kes::ChunkStream s(pack, static_cast<uint32_t>(size));
    kes::WaterLoad(s, static_cast<uint32_t>(size), &render);
    float h;
    kes::WaterQuery(5.0f, 5.0f, &h);
    kes::WaterUpdate(450);
    kes::WorldView view;
    view.groundMinX = view.groundMinY = -1e9f;
    view.groundMaxX = view.groundMaxY = 1e9f;
    kes::WaterDraw(view, &render);
    render.draws.clear();
    kes::WaterFree(&render);
    return 0;
}
