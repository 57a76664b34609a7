#include "game/world/maps/CameraZones.h"

#include <algorithm>
#include <vector>

namespace kes {

namespace {

constexpr uint32_t kRecordBytes = 68;
std::vector<CameraZone> g_zones;

bool Holds(const CameraZone& z, const Vec3& p) {
    return z.minX < p.x && p.x <= z.maxX && z.minY < p.y && p.y <= z.maxY;
}

}  // namespace

int32_t CameraZonesLoad(ChunkStream& s) {
    CameraZonesFree();
    if (s.U32() != 2) return 0;
    const uint32_t count = s.U32();
    if (!s.Ok() || count > s.Remaining() / kRecordBytes) return 1;
    std::vector<CameraZone> zones(count);
    for (CameraZone& z : zones) {
        float f[17];
        for (float& v : f) v = s.F32();
        z = {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], {}};
        std::copy(f + 8, f + 17, z.settings);
        // The editor stores two corners; the box is whatever they span.
        if (z.minX > z.maxX) std::swap(z.minX, z.maxX);
        if (z.minY > z.maxY) std::swap(z.minY, z.maxY);
    }
    if (!s.Ok()) return 1;
    g_zones = std::move(zones);
    return 0;
}

void CameraZonesFree() { std::vector<CameraZone>().swap(g_zones); }

uint32_t CameraZoneCount() { return static_cast<uint32_t>(g_zones.size()); }

int32_t CameraZoneContains(const Vec3& p, int32_t hint, Vec3* out) {
    if (g_zones.empty()) return -1;
    int32_t found = -1;
    if (hint >= 0 && static_cast<size_t>(hint) < g_zones.size() && Holds(g_zones[hint], p)) {
        found = hint;
    } else {
        for (size_t i = 0; i < g_zones.size() && found < 0; ++i)
            if (Holds(g_zones[i], p)) found = static_cast<int32_t>(i);
    }
    if (found < 0) return -1;
    const CameraZone& z = g_zones[found];
    if (out) *out = {z.x, z.y, z.z + z.height};
    return found;
}

const CameraZone* CameraZoneAt(int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < g_zones.size() ? &g_zones[index] : nullptr;
}

}  // namespace kes
