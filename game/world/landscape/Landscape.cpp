#include "game/world/landscape/Landscape.h"

#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>

#include "game/core/config/Config.h"
#include "game/core/image/ImageDecode.h"
#include "game/core/maths/VecMath.h"
#include "game/core/render/RenderInterface.h"
#include "game/world/landscape/LandscapeTables.h"
#include "game/world/landscape/LandscapeTextures.h"
#include "game/world/maps/LightMap.h"
#include "platform/bytes/ByteIO.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

constexpr uint32_t kShortHeader = 52;
constexpr uint32_t kLongHeader = 76;
constexpr uint32_t kMinChunk = 76;
constexpr float kBigExtent = 4500.0f;
// Grids beyond this many knots a side are refused before anything is allocated.
constexpr uint32_t kMaxKnots = 8192;

Landscape g_land;
bool g_present = false;
// The weight-table rows, taken once the tables are built: the table surface's queries read them
// without a call each.
const float (*g_weightRows)[4] = nullptr;

int32_t Fail(int32_t code) {
    g_land = Landscape();
    g_present = false;
    return code;
}

bool Finite(float v) { return std::isfinite(v); }

// Checks that the grid, the tiles and the box fit together, so that every query and every
// bordered tile sample stays inside the height grid.
bool GridConsistent(const Landscape& l) {
    if (l.w < 2 || l.h < 2 || l.w > kMaxKnots || l.h > kMaxKnots) return false;
    if (l.cx == 0 || l.cy == 0 || l.tw == 0 || l.th == 0) return false;
    if (static_cast<uint64_t>(l.tw) * l.cx > l.w || static_cast<uint64_t>(l.th) * l.cy > l.h) return false;
    if (!(l.cellX > 0.0f) || !(l.cellY > 0.0f) || !Finite(l.cellX) || !Finite(l.cellY)) return false;
    const WorldBounds& b = l.bounds;
    for (float v : {b.minX, b.minY, b.minZ, b.maxX, b.maxY, b.maxZ})
        if (!Finite(v)) return false;
    return b.maxX > b.minX && b.maxY > b.minY;
}

int32_t Wrap(int32_t i, uint32_t n) {
    const int32_t m = static_cast<int32_t>(n);
    if (i < 0) return i + m;
    if (i >= m) return i - m;
    return i;
}

// The tiles' heights, extents and neighbours; their textures are entered by EnterTileTextures.
void BuildTileGeometry(Landscape& l) {
    const uint32_t bw = l.cx + 3, bh = l.cy + 3;
    l.tiles.assign(static_cast<size_t>(l.tw) * l.th, LandscapeTile());
    for (uint32_t j = 0; j < l.th; ++j) {
        for (uint32_t i = 0; i < l.tw; ++i) {
            LandscapeTile& t = l.tiles[j * l.tw + i];
            t.heights.resize(static_cast<size_t>(bw) * bh);
            t.light.assign(t.heights.size(), 255);
            float lo = INFINITY, hi = -INFINITY;
            for (uint32_t r = 0; r < bh; ++r) {
                const int32_t row = Wrap(static_cast<int32_t>(j * l.cy + r) - 1, l.h);
                for (uint32_t c = 0; c < bw; ++c) {
                    const int32_t col = Wrap(static_cast<int32_t>(i * l.cx + c) - 1, l.w);
                    const float v = l.heights[static_cast<size_t>(row) * l.w + col];
                    t.heights[r * bw + c] = v;
                    lo = v < lo ? v : lo;
                    hi = v > hi ? v : hi;
                }
            }
            t.x0 = static_cast<float>(i) * l.tileX;
            t.y0 = static_cast<float>(j) * l.tileY;
            t.x1 = t.x0 + l.tileX;
            t.y1 = t.y0 + l.tileY;
            t.minHeight = lo;
            t.maxHeight = hi;
            const float dz = hi - lo;
            t.radius = 0.5f * std::sqrt(l.tileX * l.tileX + l.tileY * l.tileY + dz * dz);
            t.left = static_cast<int32_t>(j * l.tw + (i + l.tw - 1) % l.tw);
            t.right = static_cast<int32_t>(j * l.tw + (i + 1) % l.tw);
            t.down = static_cast<int32_t>(((j + l.th - 1) % l.th) * l.tw + i);
            t.up = static_cast<int32_t>(((j + 1) % l.th) * l.tw + i);
        }
    }
}

void EnterTileTextures(Landscape& l) {
    for (size_t k = 0; k < l.tiles.size(); ++k) l.tiles[k].texture = l.tileGrid[k];
}

// Brings (x, y) into the box with at most three steps in all; false when that is not enough.
bool WrapPoint(float* x, float* y) {
    const WorldBounds& b = g_land.bounds;
    // Nearly every query lies in the box already: no step would be taken.
    if (*x >= b.minX && *x < b.maxX && *y >= b.minY && *y < b.maxY) return true;
    const float ex = b.maxX - b.minX, ey = b.maxY - b.minY;
    int budget = 3;
    while (*x >= b.maxX && budget > 0) *x -= ex, --budget;
    while (*y >= b.maxY && budget > 0) *y -= ey, --budget;
    while (*x < b.minX && budget > 0) *x += ex, --budget;
    while (*y < b.minY && budget > 0) *y += ey, --budget;
    return *x >= b.minX && *x < b.maxX && *y >= b.minY && *y < b.maxY;
}

// Finds the tile, the cell inside it and the fractions (0..1) of the point in the cell.
struct CellSpot {
    const LandscapeTile* tile;
    int32_t c, r;
    float fx, fy;
    uint32_t rowX, rowY;  // weight-table rows
};

int32_t TableRow(float local, float cell) {
    const int32_t row = -plat::FloatToInt(local * -512.0f / cell);
    return row < 0 ? 0 : row > 512 ? 512 : row;
}

// What a query needs of the point's place inside its cell: the weight-table rows (the table surface)
// or the fractions (the exact surface). Each pair costs two divisions, so only the one asked for is
// worked out; the other is left unset.
enum class CellWeights { kTableRows, kFractions };

// One axis of a point's place, which depends on that axis's coordinate alone: the tile, the cell
// inside it and the rest of the coordinate in the cell.
struct AxisSpot {
    int32_t tile, cell;
    float rest;
};

// `from` is the coordinate less the box's minimum on the axis. Always in line: every ground query
// goes through here twice, and a call costs a good part of the work.
[[gnu::always_inline]] inline AxisSpot LocateAxis(float from, float tileSize, uint32_t tiles, float cellSize, uint32_t cells) {
    int32_t i = plat::FloatToInt(from / tileSize);
    // The box may reach past the last whole tile: such points belong to the last tile.
    i = i < 0 ? 0 : i >= static_cast<int32_t>(tiles) ? static_cast<int32_t>(tiles) - 1 : i;
    const float local = from - static_cast<float>(i) * tileSize;
    int32_t c = plat::FloatToInt(local / cellSize);
    float rest = local - static_cast<float>(c) * cellSize;
    if (c < 0) c = 0, rest = 0.0f;
    if (c >= static_cast<int32_t>(cells)) c = static_cast<int32_t>(cells) - 1, rest = cellSize;
    return {i, c, rest};
}

[[gnu::always_inline]] inline AxisSpot LocateX(float x) {
    const Landscape& l = g_land;
    return LocateAxis(x - l.bounds.minX, l.tileX, l.tw, l.cellX, l.cx);
}

[[gnu::always_inline]] inline AxisSpot LocateY(float y) {
    const Landscape& l = g_land;
    return LocateAxis(y - l.bounds.minY, l.tileY, l.th, l.cellY, l.cy);
}

const LandscapeTile* TileAt(const AxisSpot& x, const AxisSpot& y) {
    return &g_land.tiles[static_cast<size_t>(y.tile) * g_land.tw + x.tile];
}

template <CellWeights kWeights>
bool Locate(float x, float y, CellSpot* s) {
    if (!g_present || !WrapPoint(&x, &y)) return false;
    const Landscape& l = g_land;
    const AxisSpot ax = LocateX(x), ay = LocateY(y);
    s->tile = TileAt(ax, ay);
    s->c = ax.cell;
    s->r = ay.cell;
    if constexpr (kWeights == CellWeights::kTableRows) {
        s->rowX = static_cast<uint32_t>(TableRow(ax.rest, l.cellX));
        s->rowY = static_cast<uint32_t>(TableRow(ay.rest, l.cellY));
    } else {
        s->fx = ax.rest / l.cellX;
        s->fy = ay.rest / l.cellY;
    }
    return true;
}

bool InsideBox(float x, float y) {
    const WorldBounds& b = g_land.bounds;
    return x >= b.minX && x < b.maxX && y >= b.minY && y < b.maxY;
}

// The 4 x 4 knots around the point's cell, from the tile's bordered grid (one knot of border before
// the cell's corner), weighted by wx across and wy down. The knots are read through one row pointer:
// the sums are the same, without an index worked out per knot.
float Blend(const CellSpot& s, const float* wx, const float* wy) {
    const size_t stride = g_land.cx + 3;
    const float* knots = s.tile->heights.data() + static_cast<size_t>(s.r) * stride + static_cast<size_t>(s.c);
    float sum = 0.0f;
    for (int a = 0; a < 4; ++a) {
        const float* line = knots + static_cast<size_t>(a) * stride;
        float row = 0.0f;
        for (int b = 0; b < 4; ++b) row += wx[b] * line[b];
        sum += wy[a] * row;
    }
    return sum;
}

}  // namespace

int32_t LandscapeLoad(ChunkStream& s, uint32_t size, RenderInterface* render, const WorldBounds& worldBounds,
                      LandscapeProgressFn progress) {
    LandscapeFree();
    BuildLandscapeTables();
    g_weightRows = CatmullRomRows();
    if (size < kMinChunk) return Fail(kWorldOutOfMemory);
    s.U16();
    const uint16_t kind = s.U16();
    uint8_t head[kLongHeader];
    const uint32_t headBytes = kind == 0 ? kShortHeader : kLongHeader;
    if (!s.Bytes(head, headBytes)) return Fail(kWorldOutOfMemory);

    Landscape& l = g_land;
    l.w = plat::LoadU32(head + 8);
    l.h = plat::LoadU32(head + 12);
    l.cx = plat::LoadU32(head + 20);
    l.cy = plat::LoadU32(head + 24);
    l.cellX = plat::LoadF32(head + 28);
    l.cellY = plat::LoadF32(head + 32);
    l.tw = plat::LoadU32(head + 44);
    l.th = plat::LoadU32(head + 48);
    if (kind == 0) {
        l.bounds = worldBounds;
    } else {
        l.bounds = {plat::LoadF32(head + 52), plat::LoadF32(head + 56), plat::LoadF32(head + 60),
                    plat::LoadF32(head + 64), plat::LoadF32(head + 68), plat::LoadF32(head + 72)};
    }
    if (!GridConsistent(l)) return Fail(kWorldOutOfMemory);
    l.texStepX = 0.99609375f / static_cast<float>(l.cx);
    l.texStepY = 0.99609375f / static_cast<float>(l.cy);
    l.big = (l.bounds.maxX - l.bounds.minX) >= kBigExtent && (l.bounds.maxY - l.bounds.minY) >= kBigExtent;
    l.tileX = static_cast<float>(l.cx) * l.cellX;
    l.tileY = static_cast<float>(l.cy) * l.cellY;
    const uint32_t detail = g_Config.landscapeDetail > 2 ? 2 : g_Config.landscapeDetail;
    l.textureSize = 1u << (detail + 6);
    l.u0 = 0.5f / static_cast<float>(l.textureSize);
    l.u1 = 1.0f - 1.0f / static_cast<float>(l.textureSize - 1);

    const uint64_t heightBytes = static_cast<uint64_t>(l.w) * l.h * 4;
    const uint64_t tileBytes = static_cast<uint64_t>(l.tw) * l.th * 2;
    if (heightBytes + tileBytes > s.Remaining()) return Fail(kWorldOutOfMemory);
    {
        // The stored fields are read straight into the grids' memory and each is then decoded in
        // its own place: no second copy of a grid of half a million heights.
        l.heights.resize(static_cast<size_t>(l.w) * l.h);
        auto* heightBytesAt = reinterpret_cast<uint8_t*>(l.heights.data());
        if (!s.Bytes(heightBytesAt, static_cast<size_t>(heightBytes))) return Fail(kWorldOutOfMemory);
        for (size_t k = 0; k < l.heights.size(); ++k) {
            const float v = plat::LoadF32(heightBytesAt + k * 4);
            l.heights[k] = std::isfinite(v) ? v : 0.0f;
        }
        l.tileGrid.resize(static_cast<size_t>(l.tw) * l.th);
        auto* tileBytesAt = reinterpret_cast<uint8_t*>(l.tileGrid.data());
        if (!s.Bytes(tileBytesAt, static_cast<size_t>(tileBytes))) return Fail(kWorldOutOfMemory);
        for (size_t k = 0; k < l.tileGrid.size(); ++k) l.tileGrid[k] = plat::LoadU16(tileBytesAt + k * 2);
    }

    // The tiles depend on the heights alone: they are built on a thread of their own while the
    // textures load (which touch nothing of the landscape), or here when no thread can be started.
    std::thread tileBuilder;
    try {
        tileBuilder = std::thread([&l] { BuildTileGeometry(l); });
    } catch (const std::system_error&) {
        BuildTileGeometry(l);
    }
    std::vector<uint32_t> handles;
    const int32_t textures = LoadLandscapeTextures(s, render, l.textureSize, progress, &handles);
    if (tileBuilder.joinable()) tileBuilder.join();
    if (textures != 0) {
        if (render) render->ReleaseAllTextures();
        return Fail(textures);
    }
    l.textureCount = static_cast<uint32_t>(handles.size());
    // Tile entries name the n-th texture of the list (0 none); out-of-range entries draw untextured.
    for (uint16_t& t : l.tileGrid) t = (t >= 1 && t <= handles.size()) ? static_cast<uint16_t>(handles[t - 1]) : 0;
    EnterTileTextures(l);
    g_present = true;
    return 0;
}

void LandscapeFinish() {
    if (!g_present || LightMapVersion() != 1000 || !GroundLightPresent()) return;
    Landscape& l = g_land;
    LightMapSetBounds(l.bounds);
    const uint32_t bw = l.cx + 3, bh = l.cy + 3;
    for (uint32_t j = 0; j < l.th; ++j)
        for (uint32_t i = 0; i < l.tw; ++i) {
            LandscapeTile& t = l.tiles[j * l.tw + i];
            for (uint32_t r = 0; r < bh; ++r) {
                const int32_t row = Wrap(static_cast<int32_t>(j * l.cy + r) - 1, l.h);
                for (uint32_t c = 0; c < bw; ++c) {
                    const int32_t col = Wrap(static_cast<int32_t>(i * l.cx + c) - 1, l.w);
                    t.light[r * bw + c] = GroundLightSample(l.bounds.minX + static_cast<float>(col) * l.cellX,
                                                            l.bounds.minY + static_cast<float>(row) * l.cellY);
                }
            }
        }
}

void LandscapeFree() {
    Landscape().tiles.swap(g_land.tiles);
    g_land = Landscape();
    g_present = false;
}

bool LandscapePresent() { return g_present; }
const Landscape& CurrentLandscape() { return g_land; }

float LandscapeHeightAt(float x, float y) {
    CellSpot s;
    if (!Locate<CellWeights::kTableRows>(x, y, &s)) return 0.0f;
    // Locate keeps both rows within 0..512.
    return Blend(s, g_weightRows[s.rowX], g_weightRows[s.rowY]);
}

float LandscapeHeightExact(float x, float y) {
    CellSpot s;
    if (!Locate<CellWeights::kFractions>(x, y, &s)) return 0.0f;
    float wx[4], wy[4];
    CatmullRomWeights(s.fx, wx);
    CatmullRomWeights(s.fy, wy);
    return Blend(s, wx, wy);
}

void LandscapeNormalAt(float x, float y, float height, Vec3* out) {
    const float sx = g_present ? g_land.cellX * 10.0f / 512.0f : 1.0f;
    const float sy = g_present ? g_land.cellY * 10.0f / 512.0f : 1.0f;
    // The two side heights are taken from the exact surface: over a step of 10/512 of a cell the
    // weight table's 1/512 rows would make the slope up to a tenth wrong.
    // The caller's height comes from the table as well, so the centre is taken exactly too.
    const float left = x - sx, ahead = y + sy;
    float h, hLeft, hAhead;
    if (g_present && InsideBox(x, y) && InsideBox(left, y) && InsideBox(x, ahead)) {
        // The three points share their coordinates two by two, and each axis of a place depends on
        // its own coordinate alone: every axis is located and weighted once.
        const AxisSpot ax = LocateX(x), aLeft = LocateX(left), ay = LocateY(y), aAhead = LocateY(ahead);
        float wx[4], wLeft[4], wy[4], wAhead[4];
        CatmullRomWeights(ax.rest / g_land.cellX, wx);
        CatmullRomWeights(aLeft.rest / g_land.cellX, wLeft);
        CatmullRomWeights(ay.rest / g_land.cellY, wy);
        CatmullRomWeights(aAhead.rest / g_land.cellY, wAhead);
        h = Blend({TileAt(ax, ay), ax.cell, ay.cell, 0.0f, 0.0f, 0, 0}, wx, wy);
        hLeft = Blend({TileAt(aLeft, ay), aLeft.cell, ay.cell, 0.0f, 0.0f, 0, 0}, wLeft, wy);
        hAhead = Blend({TileAt(ax, aAhead), ax.cell, aAhead.cell, 0.0f, 0.0f, 0, 0}, wx, wAhead);
    } else {
        h = g_present ? LandscapeHeightExact(x, y) : height;
        hLeft = LandscapeHeightExact(left, y);
        hAhead = LandscapeHeightExact(x, ahead);
    }
    const Vec3 a = {-sx, 0.0f, hLeft - h};
    const Vec3 b = {0.0f, sy, hAhead - h};
    // b x a points up, out of the ground; a x b would point into it.
    Vec3Cross(&b, &a, out);
    Vec3Normalize(out);
    if (out->x == 0.0f && out->y == 0.0f && out->z == 0.0f) *out = {0.0f, 0.0f, 1.0f};
}

void LandscapeWrapOffset(float x, float y, float* dx, float* dy) {
    const WorldBounds& b = g_land.bounds;
    *dx = x < b.minX ? b.maxX - b.minX : x >= b.maxX ? -(b.maxX - b.minX) : 0.0f;
    *dy = y < b.minY ? b.maxY - b.minY : y >= b.maxY ? -(b.maxY - b.minY) : 0.0f;
    if (!g_present) *dx = *dy = 0.0f;
}

}  // namespace kes
