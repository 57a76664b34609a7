#include "game/world/maps/LightMap.h"

namespace kes {

namespace {

constexpr uint32_t kMarker = 1000;
constexpr uint64_t kLightBits = 1ull << 8;

struct LightState {
    MapBitmap racer;
    MapBitmap ground;
    uint32_t version = 0;
} g_light;

bool ReadOne(ChunkStream& s, const WorldBounds& bounds, MapBitmap* map) {
    if (ReadMapBitmap(s, kLightBits, map) && map->Place(bounds)) return true;
    map->Clear();
    return false;
}

uint8_t Sample(const MapBitmap& m, float x, float y) {
    if (!m.Present()) return 255;
    uint32_t c, r;
    MapClampedCell(m, x, y, &c, &r);
    return m.pixels[static_cast<size_t>(r) * m.rowBytes + c];
}

}  // namespace

int32_t LightMapLoad(ChunkStream& s, const WorldBounds& bounds) {
    LightMapFree();
    const uint32_t first = s.U32();
    if (!s.Ok()) return 1;
    g_light.version = first;
    bool ok = true;
    if (first != kMarker) {
        s.Seek(s.Tell() - 4);
        ok = ReadOne(s, bounds, &g_light.racer);
    } else {
        if (s.U32() != 0) ok = ReadOne(s, bounds, &g_light.racer);
        if (ok && s.U32() != 0) ok = ReadOne(s, bounds, &g_light.ground);
        ok = ok && s.Ok();
    }
    if (!ok) {
        g_light.racer.Clear();
        g_light.ground.Clear();
        return 1;
    }
    return 0;
}

void LightMapFree() { g_light = LightState(); }

uint8_t LightMapSample(float x, float y) { return Sample(g_light.racer, x, y); }
uint8_t GroundLightSample(float x, float y) { return Sample(g_light.ground, x, y); }
bool LightMapPresent() { return g_light.racer.Present(); }
bool GroundLightPresent() { return g_light.ground.Present(); }
uint32_t LightMapVersion() { return g_light.version; }

void LightMapSetBounds(const WorldBounds& bounds) {
    if (g_light.racer.Present()) g_light.racer.Place(bounds);
    if (g_light.ground.Present()) g_light.ground.Place(bounds);
}

}  // namespace kes
