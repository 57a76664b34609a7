// Feeds arbitrary bytes to the sky reader as one chunk, then scrolls and draws it.
#include <cstdint>
#include <vector>

#include "game/world/chunk/MemoryPack.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/sky/Sky.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static kes::TableRender render;
    kes::MemoryPack pack(std::vector<uint8_t>(data, data + size));
    kes::ChunkStream s(pack, static_cast<uint32_t>(size));
    kes::SkyLoad(s, static_cast<uint32_t>(size), &render, kes::WorldBounds{});
    kes::SkyUpdate(450);
    kes::WorldView view;
    kes::SkyDraw(view, &render);
    view.forward = {0.6f, 0.0f, -0.8f};
    kes::SkyDraw(view, &render);
    render.draws.clear();
    render.states.clear();
    kes::SkyFree(&render);
    return 0;
}
