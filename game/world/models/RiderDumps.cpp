#include "game/world/models/RiderDumps.h"

#include <algorithm>

#include "game/core/render/RenderInterface.h"
#include "platform/bytes/ByteIO.h"

namespace kes {

namespace {

int16_t BigEndianI16(const uint8_t* p) { return static_cast<int16_t>((p[0] << 8) | p[1]); }

}  // namespace

namespace {

// Reads count-prefixed index lists of one word width; counts below 0 read as empty lists.
template <size_t kLists, size_t kWidth, typename ReadWord>
RiderDumpResult ReadLists(const uint8_t* data, size_t size, uint32_t vertexCount,
                          std::array<std::vector<uint32_t>, kLists>* out, ReadWord word) {
    RiderDumpResult result;
    for (auto& list : *out) list.clear();
    size_t at = 0;
    for (auto& list : *out) {
        if (!data || size - at < kWidth) return result.complete = false, result;
        const int64_t count = word(data + at);
        at += kWidth;
        const size_t n = count > 0 ? static_cast<size_t>(count) : 0;
        // A count beyond the file takes the indices that are there and ends the reading.
        const size_t present = std::min(n, (size - at) / kWidth);
        for (size_t k = 0; k < present; ++k, at += kWidth) {
            const int64_t index = word(data + at);
            if (index >= 0 && index < static_cast<int64_t>(vertexCount)) list.push_back(static_cast<uint32_t>(index));
            else ++result.dropped;
        }
        if (present < n) return result.complete = false, result;
    }
    return result;
}

}  // namespace

RiderDumpResult ReadRiderNodeDump(const uint8_t* data, size_t size, uint32_t vertexCount, RiderNodeLists* out) {
    return ReadLists<kRiderNodeCount, 4>(data, size, vertexCount, out,
                                         [](const uint8_t* p) { return static_cast<int64_t>(plat::LoadU32(p)); });
}

RiderDumpResult ReadRiderBoneDump(const uint8_t* data, size_t size, uint32_t vertexCount, RiderBoneLists* out) {
    return ReadLists<kRiderBoneCount, 2>(data, size, vertexCount, out,
                                         [](const uint8_t* p) { return static_cast<int64_t>(BigEndianI16(p)); });
}

void ExtendRiderBoneLists(const SourceVertex* frame0, uint32_t vertexCount, RiderBoneLists* bones) {
    if (!frame0) return;
    int64_t largest = -1;
    for (const auto& list : *bones)
        for (uint32_t i : list) largest = std::max<int64_t>(largest, i);
    for (uint32_t v = static_cast<uint32_t>(largest + 1); v < vertexCount; ++v) {
        const SourceVertex& p = frame0[v];
        for (auto& list : *bones) {
            const bool same = std::any_of(list.begin(), list.end(), [&](uint32_t i) {
                return frame0[i].x == p.x && frame0[i].y == p.y && frame0[i].z == p.z;
            });
            if (same) {
                list.push_back(v);
                break;
            }
        }
    }
}

}  // namespace kes
