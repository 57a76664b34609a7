#include "game/world/maps/PhysMap.h"

#include "platform/bytes/ByteIO.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

constexpr uint32_t kMarker = 1000;
constexpr uint64_t kSurfaceBits = 1ull << 8;

struct PhysState {
    MapBitmap surface;
    MapBitmap colour;
    uint32_t wrap = 0;
} g_phys;

bool ReadPlaced(ChunkStream& s, uint64_t bits, const WorldBounds& bounds, MapBitmap* map) {
    if (ReadMapBitmap(s, bits, map) && map->Place(bounds)) return true;
    map->Clear();
    return false;
}

// Column and row of the map at (x, y): clamped, or wrapped round at most ten times per axis.
bool Cell(const MapBitmap& m, float x, float y, uint32_t* column, uint32_t* row) {
    if (!g_phys.wrap) {
        MapClampedCell(m, x, y, column, row);
        return true;
    }
    int c = plat::FloatToInt((x - m.originX) * m.scaleX);
    int r = plat::FloatToInt((y - m.originY) * m.scaleY);
    const int w = static_cast<int>(m.width), h = static_cast<int>(m.height);
    for (int i = 0; i < 10 && c < 0; ++i) c += w;
    for (int i = 0; i < 10 && c >= w; ++i) c -= w;
    for (int i = 0; i < 10 && r < 0; ++i) r += h;
    for (int i = 0; i < 10 && r >= h; ++i) r -= h;
    if (c < 0 || c >= w) c = 0;
    if (r < 0 || r >= h) r = 0;
    *column = static_cast<uint32_t>(c);
    *row = static_cast<uint32_t>(r);
    return true;
}

}  // namespace

int32_t PhysMapLoad(ChunkStream& s, const WorldBounds& bounds) {
    PhysMapFree();
    const uint64_t colourBits = (1ull << 24) | (1ull << 32);
    const uint32_t first = s.U32();
    if (!s.Ok()) return 1;
    if (first != kMarker) {
        // The older layout: one surface map whose header starts with the word just read.
        s.Seek(s.Tell() - 4);
        return ReadPlaced(s, kSurfaceBits, bounds, &g_phys.surface) ? 0 : 1;
    }
    g_phys.wrap = s.U32();
    int32_t result = 0;
    if (s.U32() != 0 && !ReadPlaced(s, kSurfaceBits, bounds, &g_phys.surface)) return 1;
    if (!s.Ok()) return 1;
    if (s.U32() != 0 && !ReadPlaced(s, colourBits, bounds, &g_phys.colour)) result = 1;
    return s.Ok() ? result : 1;
}

void PhysMapFree() { g_phys = PhysState(); }

uint8_t PhysMapSample(float x, float y) {
    const MapBitmap& m = g_phys.surface;
    if (!m.Present()) return 0;
    uint32_t c, r;
    Cell(m, x, y, &c, &r);
    return m.pixels[static_cast<size_t>(r) * m.rowBytes + c];
}

uint32_t PhysColourSample(float x, float y) {
    const MapBitmap& m = g_phys.colour;
    if (!m.Present()) return 0;
    uint32_t c, r;
    Cell(m, x, y, &c, &r);
    return plat::LoadU32(&m.pixels[static_cast<size_t>(r) * m.rowBytes + c * 4]);
}

bool PhysMapPresent() { return g_phys.surface.Present(); }
bool PhysColourPresent() { return g_phys.colour.Present(); }
bool PhysMapWraps() { return g_phys.wrap != 0; }
const MapBitmap& PhysSurfaceMap() { return g_phys.surface; }
const MapBitmap& PhysColourMap() { return g_phys.colour; }

}  // namespace kes
