#include "game/world/models/RiderDumps.h"

#include <algorithm>

#include "game/core/render/RenderInterface.h"
#include "platform/bytes/ByteIO.h"

namespace kes {

namespace {

int16_t BigEndianI16(const uint8_t* p) { return static_cast<int16_t>((p[0] << 8) | p[1]); }

}  // namespace

RiderDumpResult ReadRiderNodeDump(const uint8_t* data, size_t size, uint32_t vertexCount, RiderNodeLists* out) {
    RiderDumpResult result;
    for (auto& list : *out) list.clear();
    size_t at = 0;
    for (auto& list : *out) {
        if (!data || size - at < 4) return result.complete = false, result;
        const uint32_t n = plat::LoadU32(data + at);
        at += 4;
        // A count beyond the file takes the indices that are there and ends the reading.
        const size_t present = std::min<size_t>(n, (size - at) / 4);
        for (size_t k = 0; k < present; ++k, at += 4) {
            const uint32_t index = plat::LoadU32(data + at);
            if (index < vertexCount) list.push_back(index);
            else ++result.dropped;
        }
        if (present < n) return result.complete = false, result;
    }
    return result;
}

RiderDumpResult ReadRiderBoneDump(const uint8_t* data, size_t size, uint32_t vertexCount, RiderBoneLists* out) {
    RiderDumpResult result;
    for (auto& list : *out) list.clear();
    size_t at = 0;
    for (auto& list : *out) {
        if (!data || size - at < 2) return result.complete = false, result;
        const int16_t count = BigEndianI16(data + at);
        at += 2;
        const size_t n = count > 0 ? static_cast<size_t>(count) : 0;
        const size_t present = std::min(n, (size - at) / 2);
        for (size_t k = 0; k < present; ++k, at += 2) {
            const int16_t index = BigEndianI16(data + at);
            if (index >= 0 && static_cast<uint32_t>(index) < vertexCount) list.push_back(static_cast<uint32_t>(index));
            else ++result.dropped;
        }
        if (present < n) return result.complete = false, result;
    }
    return result;
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
