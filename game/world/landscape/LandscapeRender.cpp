#include <cmath>
#include <vector>

#include "game/core/config/Config.h"
#include "game/core/maths/FastMath.h"
#include "game/core/render/RenderInterface.h"
#include "game/world/landscape/Landscape.h"
#include "game/world/landscape/LandscapeTables.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

struct Tuning {
    uint32_t cap = 32;
    float reliefScale = 5.0f;
    float divisor = 33.0f;
} g_tuning;

struct DynamicLight {
    Vec3 position{};
    float radiusSquared = 0;
};
DynamicLight g_lights[16];
uint32_t g_triangles = 0;

constexpr uint32_t kMaxSubdivision = 48;

// Work buffers of the draw, sized once for the largest tile grid.
struct Work {
    std::vector<SourceVertex> source;
    std::vector<ScreenVertex> screen;
    std::vector<std::vector<uint16_t>> grids;  // index lists per subdivision
    std::vector<uint32_t> drawn;                // subdivision of each tile in range, 0 not drawn
    Work() {
        source.resize((kMaxSubdivision + 1) * (kMaxSubdivision + 1));
        screen.resize(source.size());
        grids.resize(kMaxSubdivision + 1);
        for (uint32_t s = 1; s <= kMaxSubdivision; ++s) {
            auto& g = grids[s];
            for (uint32_t b = 0; b < s; ++b)
                for (uint32_t a = 0; a < s; ++a) {
                    const uint16_t p = static_cast<uint16_t>(b * (s + 1) + a);
                    const uint16_t q = static_cast<uint16_t>(p + s + 1);
                    g.insert(g.end(), {p, static_cast<uint16_t>(p + 1), q, static_cast<uint16_t>(p + 1),
                                       static_cast<uint16_t>(q + 1), q});
                }
        }
    }
};

Work& TheWork() {
    static Work w;
    return w;
}

float PlaneDot(const Vec4& p, float x, float y, float z) { return p.x * x + p.y * y + p.z * z + p.w; }

// Height and light of the tile's surface at cell coordinates (cx, cy) inside the tile.
void SampleTile(const Landscape& l, const LandscapeTile& t, float cx, float cy, float* height, float* light) {
    int32_t c = plat::FloatToInt(cx), r = plat::FloatToInt(cy);
    if (c >= static_cast<int32_t>(l.cx)) c = static_cast<int32_t>(l.cx) - 1;
    if (r >= static_cast<int32_t>(l.cy)) r = static_cast<int32_t>(l.cy) - 1;
    const float fx = cx - static_cast<float>(c), fy = cy - static_cast<float>(r);
    const float* wx = CatmullRomRow(static_cast<uint32_t>(plat::FloatToInt(fx * 512.0f)));
    const float* wy = CatmullRomRow(static_cast<uint32_t>(plat::FloatToInt(fy * 512.0f)));
    const uint32_t bw = l.cx + 3;
    float sum = 0.0f;
    for (int a = 0; a < 4; ++a) {
        float row = 0.0f;
        for (int b = 0; b < 4; ++b) row += wx[b] * t.heights[static_cast<size_t>(r + a) * bw + static_cast<size_t>(c + b)];
        sum += wy[a] * row;
    }
    *height = sum;
    const auto lightAt = [&](int32_t cc, int32_t rr) {
        return static_cast<float>(t.light[static_cast<size_t>(rr + 1) * bw + static_cast<size_t>(cc + 1)]);
    };
    const float l0 = lightAt(c, r) + (lightAt(c + 1, r) - lightAt(c, r)) * fx;
    const float l1 = lightAt(c, r + 1) + (lightAt(c + 1, r + 1) - lightAt(c, r + 1)) * fx;
    *light = l0 + (l1 - l0) * fy;
}

}  // namespace

void LandscapeTuneForRace(uint32_t raceKind) {
    g_tuning.cap = 32;
    g_tuning.reliefScale = raceKind == 1 ? 1.0f : 5.0f;
    g_tuning.divisor = 20.0f;
}

void LandscapeTuneDefaults() { g_tuning = Tuning(); }

uint32_t LandscapeSubdivision(float reach, uint32_t cap) {
    if (reach > static_cast<float>(cap)) return cap;
    const int32_t n = plat::FloatToInt(reach);
    if (n < 2) return 0;
    if (n < 4) return 2;
    if (n < 8) return 4;
    if (n < 16) return 8;
    if (n < 32) return 16;
    const uint32_t up = (static_cast<uint32_t>(n) + 15) / 16 * 16;
    return up > cap ? cap : up;
}

void LandscapeAddDynamicLight(uint32_t slot, const Vec3& position, float radius) {
    if (slot >= 16 || !LandscapePresent()) return;
    g_lights[slot] = {position, radius * radius};
    auto& l = const_cast<Landscape&>(CurrentLandscape());
    const float lx = position.x - radius - l.bounds.minX, hx = position.x + radius - l.bounds.minX;
    const float ly = position.y - radius - l.bounds.minY, hy = position.y + radius - l.bounds.minY;
    const int32_t i0 = static_cast<int32_t>(std::floor(lx / l.tileX)), i1 = static_cast<int32_t>(std::floor(hx / l.tileX));
    const int32_t j0 = static_cast<int32_t>(std::floor(ly / l.tileY)), j1 = static_cast<int32_t>(std::floor(hy / l.tileY));
    const int32_t tw = static_cast<int32_t>(l.tw), th = static_cast<int32_t>(l.th);
    for (int32_t j = j0; j <= j1 && j - j0 < th; ++j)
        for (int32_t i = i0; i <= i1 && i - i0 < tw; ++i) {
            const int32_t wi = ((i % tw) + tw) % tw, wj = ((j % th) + th) % th;
            // At most three wraps either way, as the tile index search allows.
            if (i < -3 * tw || i >= 4 * tw || j < -3 * th || j >= 4 * th) continue;
            LandscapeTile& t = l.tiles[static_cast<size_t>(wj) * l.tw + wi];
            t.lightMask = static_cast<uint16_t>(t.lightMask | (1u << slot));
            t.lightStamp = l.lightStamp;
        }
}

int32_t LandscapeRender(const WorldView& view, RenderInterface* render) {
    g_triangles = 0;
    if (!LandscapePresent() || !render) return 0;
    auto& l = const_cast<Landscape&>(CurrentLandscape());
    Work& work = TheWork();
    ++l.frameStamp;
    const float reachD = ((static_cast<float>(g_Config.drawDistance) * 0.8f + 50.0f) / 100.0f) * l.tileX * 640.0f /
                         g_tuning.divisor;
    int32_t c0 = plat::FloatToInt((view.groundMinX - l.bounds.minX) / l.tileX);
    int32_t c1 = plat::FloatToInt((view.groundMaxX - l.bounds.minX) / l.tileX) + 1;
    int32_t r0 = plat::FloatToInt((view.groundMinY - l.bounds.minY) / l.tileY);
    int32_t r1 = plat::FloatToInt((view.groundMaxY - l.bounds.minY) / l.tileY) + 1;
    const int32_t tw = static_cast<int32_t>(l.tw), th = static_cast<int32_t>(l.th);
    if (!l.big) {
        c0 = c0 < 0 ? 0 : c0 > tw - 1 ? tw - 1 : c0;
        c1 = c1 < 0 ? 0 : c1 > tw - 1 ? tw - 1 : c1;
        r0 = r0 < 0 ? 0 : r0 > th - 1 ? th - 1 : r0;
        r1 = r1 < 0 ? 0 : r1 > th - 1 ? th - 1 : r1;
    } else {
        // A repeating ground draws at most one repeat around the view.
        if (c1 - c0 >= tw) c1 = c0 + tw - 1;
        if (r1 - r0 >= th) r1 = r0 + th - 1;
    }
    const int32_t cols = c1 - c0 + 1, rows = r1 - r0 + 1;
    if (cols <= 0 || rows <= 0) return 0;
    // First pass: the subdivision of every tile in range, 0 for tiles outside the view.
    std::vector<uint32_t>& drawn = work.drawn;
    drawn.assign(static_cast<size_t>(cols) * rows, 0);
    auto tileAt = [&](int32_t i, int32_t j) -> LandscapeTile& {
        const int32_t wi = ((i % tw) + tw) % tw, wj = ((j % th) + th) % th;
        return l.tiles[static_cast<size_t>(wj) * l.tw + wi];
    };
    for (int32_t j = r0; j <= r1; ++j) {
        for (int32_t i = c0; i <= c1; ++i) {
            LandscapeTile& t = tileAt(i, j);
            // Where this repeat of the tile lies in the world.
            const float ox = l.bounds.minX + static_cast<float>(i) * l.tileX;
            const float oy = l.bounds.minY + static_cast<float>(j) * l.tileY;
            const float cx = ox + 0.5f * l.tileX, cy = oy + 0.5f * l.tileY;
            const float cz = 0.5f * (t.minHeight + t.maxHeight);
            const float dx = cx - view.eye.x, dy = cy - view.eye.y, dz = cz - view.eye.z;
            const float distance = std::sqrt(dx * dx + dy * dy + dz * dz) + 1e-3f;
            const float relief = std::fabs(t.maxHeight - t.minHeight);
            const float reliefFactor = relief <= g_tuning.reliefScale ? relief / g_tuning.reliefScale : 1.0f;
            // A flat tile (relief 0) would get no subdivision at all and leave a hole in the ground:
            // every tile in range is drawn, at least as one quad.
            uint32_t s = LandscapeSubdivision(reachD / distance * reliefFactor, g_tuning.cap);
            if (s == 0) s = 1;
            if (s > kMaxSubdivision) s = kMaxSubdivision;
            t.frame = l.frameStamp;
            t.subdivision = s;
            // Frustum: skip the tile when its sphere lies behind any plane; note the planes it crosses.
            t.planeOut = 0x3F;
            t.planeCross = 0;
            bool outside = false;
            for (int p = 0; p < 6 && !outside; ++p)
                if (PlaneDot(view.planes[p], cx, cy, cz) <= -t.radius) outside = true;
            if (outside) continue;
            const bool tall = t.maxHeight - t.minHeight >= 1.0f;
            for (int p = 0; p < 6; ++p)
                for (int k = 0; k < (tall ? 8 : 4); ++k) {
                    const float x = (k & 1) ? ox + l.tileX : ox, y = (k & 2) ? oy + l.tileY : oy;
                    const float z = (k & 4) ? t.maxHeight : t.minHeight;
                    if (PlaneDot(view.planes[p], x, y, z) > 0.0f) t.planeOut &= static_cast<uint8_t>(~(1u << p));
                    else t.planeCross |= static_cast<uint8_t>(1u << p);
                }
            if (!t.planeOut) drawn[static_cast<size_t>(j - r0) * cols + (i - c0)] = s;
        }
    }
    // Second pass: each visible tile's grid. Along an edge shared with a coarser drawn neighbour,
    // the finer tile's edge vertices are laid on the neighbour's edge line so that no crack opens.
    auto neighbour = [&](int32_t i, int32_t j) -> uint32_t {
        if (i < c0 || i > c1 || j < r0 || j > r1) return 0;
        return drawn[static_cast<size_t>(j - r0) * cols + (i - c0)];
    };
    for (int32_t j = r0; j <= r1; ++j) {
        for (int32_t i = c0; i <= c1; ++i) {
            const uint32_t s = drawn[static_cast<size_t>(j - r0) * cols + (i - c0)];
            if (!s) continue;
            LandscapeTile& t = tileAt(i, j);
            const float ox = l.bounds.minX + static_cast<float>(i) * l.tileX;
            const float oy = l.bounds.minY + static_cast<float>(j) * l.tileY;
            const uint32_t side = s + 1, count = side * side;
            for (uint32_t b = 0; b < side; ++b)
                for (uint32_t a = 0; a < side; ++a) {
                    const float fx = static_cast<float>(a) / static_cast<float>(s);
                    const float fy = static_cast<float>(b) / static_cast<float>(s);
                    float height, light;
                    SampleTile(l, t, fx * static_cast<float>(l.cx), fy * static_cast<float>(l.cy), &height, &light);
                    SourceVertex& v = work.source[b * side + a];
                    v = {ox + fx * l.tileX, oy + fy * l.tileY, height, 0, 0, 1,
                         l.u0 + (l.u1 - l.u0) * fx, l.u0 + (l.u1 - l.u0) * (1.0f - fy)};
                    work.screen[b * side + a].diffuse = GreyRamp(static_cast<uint8_t>(light));
                }
            // Edges: 0 left (x = 0), 1 right, 2 lower (y = 0), 3 upper.
            const uint32_t coarse[4] = {neighbour(i - 1, j), neighbour(i + 1, j), neighbour(i, j - 1),
                                        neighbour(i, j + 1)};
            for (int e = 0; e < 4; ++e) {
                const uint32_t n = coarse[e];
                if (!n || n >= s) continue;
                const bool vertical = e < 2;
                const float fixed = (e == 1 || e == 3) ? 1.0f : 0.0f;
                auto edgeHeight = [&](float along) {
                    const float fx = vertical ? fixed : along, fy = vertical ? along : fixed;
                    float h, unusedLight;
                    SampleTile(l, t, fx * static_cast<float>(l.cx), fy * static_cast<float>(l.cy), &h, &unusedLight);
                    return h;
                };
                for (uint32_t k = 1; k < s; ++k) {
                    const float along = static_cast<float>(k) / static_cast<float>(s);
                    const float pos = along * static_cast<float>(n);
                    const uint32_t below = static_cast<uint32_t>(pos);
                    const float frac = pos - static_cast<float>(below);
                    const float h0 = edgeHeight(static_cast<float>(below) / static_cast<float>(n));
                    const float h1 = edgeHeight(static_cast<float>(below + 1) / static_cast<float>(n));
                    const uint32_t a = vertical ? (e == 1 ? s : 0) : k, b = vertical ? k : (e == 3 ? s : 0);
                    work.source[b * side + a].z = h0 + (h1 - h0) * frac;
                }
            }
            render->TransformVertices(nullptr, work.screen.data(), static_cast<int32_t>(count), work.source.data(), 0,
                                      nullptr, 2);
            render->SelectTexture(t.texture);
            auto& indices = work.grids[s];
            g_triangles += static_cast<uint32_t>(indices.size() / 3);
            render->DrawIndexed(4, count, work.screen.data(), static_cast<uint32_t>(indices.size()), indices.data(),
                                t.planeCross ? 0 : 4);
            t.lightStamp = 0;
            t.lightMask = 0;
        }
    }
    l.lightStamp = static_cast<uint16_t>(l.lightStamp + 1);
    if (l.lightStamp == 0) l.lightStamp = 1;
    return 0;
}

uint32_t LandscapeTrianglesDrawn() { return g_triangles; }

}  // namespace kes
