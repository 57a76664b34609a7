#include "game/world/flat/FlatAreas.h"

#include <algorithm>

#include "game/world/chunk/TextureList.h"

namespace kes {

namespace {
std::vector<FlatRecord> g_flat;
}  // namespace

void SortFlatRecords(std::vector<FlatRecord>* records) {
    // The keys compare as signed words (the wrapped difference), largest first. Comparing by the
    // difference itself is no strict ordering for keys 2^31 apart, so the signed values are
    // compared instead, which gives the same order wherever the difference is meaningful.
    std::stable_sort(records->begin(), records->end(), [](const FlatRecord& a, const FlatRecord& b) {
        return static_cast<int32_t>(a[7]) > static_cast<int32_t>(b[7]);
    });
}

int32_t LoadFlatChunk(ChunkStream& s, uint32_t, RenderInterface* render) {
    FreeFlat();
    // Texture n of the list gets handle n + 1 of the flat-area table.
    const int32_t textures = LoadTextureList(s, render, 0, nullptr);
    if (textures != 0) return textures;
    s.U32();
    const uint32_t f = s.U32();
    if (!s.Ok() || f > s.Remaining() / 32) return -1;
    std::vector<FlatRecord> records(f);
    for (FlatRecord& rec : records)
        for (uint32_t& w : rec) w = s.U32();
    if (!s.Ok()) return -1;
    SortFlatRecords(&records);
    g_flat = std::move(records);
    return 0;
}

void FreeFlat() { std::vector<FlatRecord>().swap(g_flat); }

const std::vector<FlatRecord>& FlatRecords() { return g_flat; }

}  // namespace kes
