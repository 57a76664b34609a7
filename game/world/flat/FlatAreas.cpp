#include "game/world/flat/FlatAreas.h"

#include <algorithm>

#include "game/core/render/RenderInterface.h"

namespace kes {

namespace {
constexpr uint64_t kMinRecordBytes = 4 + 128 + 40;
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
    s.Skip(8);
    const uint32_t count = s.U32();
    if (!s.Ok() || count > s.Remaining() / kMinRecordBytes) return -1;
    for (uint32_t n = 0; n < count; ++n) {
        uint32_t handle = 0;
        const int32_t r = render ? render->LoadTextureRecord(s, &handle, 0, 0) : -1;
        if (r < 0) return r;
        if (r != 0) return -1;
    }
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
