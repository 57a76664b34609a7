#include "game/world/water/Water.h"

#include <algorithm>
#include <cmath>

#include "game/core/maths/Segment2D.h"
#include "game/world/chunk/TextureList.h"
#include "game/world/path/Vec3Ops.h"

namespace kes {

namespace {

std::vector<WaterArea> g_areas;
std::vector<uint32_t> g_frames;  // texture handles, frame k = g_frames[k - 1]

// Twice the signed area in the ground plane (positive counter-clockwise).
float SignedArea2(const std::vector<Vec3>& p) {
    float a = 0.0f;
    for (size_t i = 0; i < p.size(); ++i) {
        const Vec3& u = p[i];
        const Vec3& v = p[(i + 1) % p.size()];
        a += u.x * v.y - v.x * u.y;
    }
    return a;
}

bool DiagonalCrossesAnEdge(const std::vector<Vec3>& p, const std::vector<uint16_t>& ring, size_t from, size_t to) {
    const Vec3& a = p[ring[from]];
    const Vec3& b = p[ring[to]];
    for (size_t e = 0; e < ring.size(); ++e) {
        const size_t f = (e + 1) % ring.size();
        if (e == from || e == to || f == from || f == to) continue;
        const Vec3& c = p[ring[e]];
        const Vec3& d = p[ring[f]];
        float x, y;
        if (IntersectSegments2D(a.x, a.y, b.x, b.y, c.x, c.y, d.x, d.y, &x, &y) == kSegmentsCross) return true;
    }
    return false;
}

void BuildArea(WaterArea* a) {
    const size_t n = a->outline.size();
    a->vertices.clear();
    a->lit.clear();
    a->triangles.clear();
    if (n == 0) return;
    float minX = a->outline[0].x, minY = a->outline[0].y, maxX = minX, maxY = minY;
    for (const Vec3& v : a->outline) {
        minX = std::min(minX, v.x);
        minY = std::min(minY, v.y);
        maxX = std::max(maxX, v.x);
        maxY = std::max(maxY, v.y);
    }
    a->minX = minX;
    a->minY = minY;
    a->maxX = maxX;
    a->maxY = maxY;
    for (const Vec3& v : a->outline)
        a->vertices.push_back({v.x, v.y, v.z, 0, 0, 1, (v.x - minX) * a->scaleX, (v.y - minY) * a->scaleY});
    a->lit.resize(n);
    a->triangles = WaterTriangulate(a->outline);
}

}  // namespace

std::vector<uint16_t> WaterTriangulate(const std::vector<Vec3>& outline) {
    std::vector<uint16_t> out;
    if (outline.size() < 3 || outline.size() > 0xFFFF) return out;
    std::vector<uint16_t> ring(outline.size());
    for (size_t i = 0; i < ring.size(); ++i) ring[i] = static_cast<uint16_t>(i);
    // The convexity test takes counter-clockwise outlines; a clockwise one is walked backwards.
    if (SignedArea2(outline) < 0.0f) std::reverse(ring.begin(), ring.end());
    while (ring.size() > 3) {
        bool clipped = false;
        const size_t m = ring.size();
        for (size_t k = 1; k <= m && !clipped; ++k) {
            const size_t prev = (k - 1) % m, mid = k % m, next = (k + 1) % m;
            const Vec3 a = outline[ring[prev]], b = outline[ring[mid]], c = outline[ring[next]];
            const float cross = (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
            if (cross < 0.0f || DiagonalCrossesAnEdge(outline, ring, prev, next)) continue;
            out.insert(out.end(), {ring[prev], ring[mid], ring[next]});
            ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(mid));
            clipped = true;
        }
        if (!clipped) break;  // not a simple polygon: stop rather than loop
    }
    if (ring.size() == 3) out.insert(out.end(), {ring[0], ring[1], ring[2]});
    for (size_t t = 0; t + 2 < out.size(); t += 3) std::swap(out[t + 1], out[t + 2]);
    return out;
}

int32_t WaterLoad(ChunkStream& s, uint32_t, RenderInterface* render) {
    // A chunk read before this one had its textures released with its handle table.
    WaterFree(nullptr);
    std::vector<uint32_t> frames;
    const int32_t textures = LoadTextureList(s, render, 0, &frames);
    g_frames = frames;
    if (textures != 0) return textures;
    const uint32_t count = s.U32();
    if (!s.Ok() || count > s.Remaining() / kWaterAreaBytes) return -1;
    std::vector<WaterArea> areas(count);
    for (WaterArea& a : areas) {
        s.U32();
        const uint32_t n = s.U32();
        s.U32();
        a.scaleX = s.F32();
        a.scaleY = s.F32();
        a.frame = s.U32();
        s.U32();
        if (!s.Ok() || n > s.Remaining() / 12) return -1;
        if (!std::isfinite(a.scaleX) || !std::isfinite(a.scaleY)) a.scaleX = a.scaleY = 0.0f;
        a.outline.resize(n);
        for (Vec3& v : a.outline) {
            v.x = s.F32();
            v.y = s.F32();
            v.z = s.F32();
            if (!Finite(v)) return -1;
        }
        // A first frame outside 1..T starts at 1.
        if (a.frame < 1 || a.frame > frames.size()) a.frame = 1;
        BuildArea(&a);
    }
    if (!s.Ok()) return -1;
    g_areas = std::move(areas);
    return 0;
}

bool WaterQuery(float x, float y, float* surfaceHeight) {
    bool any = false;
    for (const WaterArea& a : g_areas) {
        if (a.outline.size() < 3) continue;
        if (!(x >= a.minX && x < a.maxX && y >= a.minY && y < a.maxY)) continue;
        int winding = 0;
        const size_t n = a.outline.size();
        for (size_t i = 0; i < n; ++i) {
            const Vec3& p = a.outline[i];
            const Vec3& q = a.outline[(i + 1) % n];
            const bool up = p.y <= y && q.y > y, down = q.y <= y && p.y > y;
            if (!up && !down) continue;
            const float crossX = p.x + (y - p.y) / (q.y - p.y) * (q.x - p.x);
            if (crossX >= x) winding += up ? 1 : -1;
        }
        if (winding != 0) {
            if (surfaceHeight) *surfaceHeight = a.outline[0].z;
            any = true;
        }
    }
    return any;
}

void WaterDraw(const WorldView& view, RenderInterface* render) {
    if (!render) return;
    for (WaterArea& a : g_areas) {
        if (a.triangles.empty()) continue;
        if (a.maxX < view.groundMinX || a.minX > view.groundMaxX || a.maxY < view.groundMinY || a.minY > view.groundMaxY)
            continue;
        render->SetColour(0xFFFFFF);
        render->TransformVertices(nullptr, a.lit.data(), static_cast<int32_t>(a.vertices.size()), a.vertices.data(), 0,
                                  nullptr, 1);
        render->SelectTexture(a.frame >= 1 && a.frame <= g_frames.size() ? g_frames[a.frame - 1] : 0);
        render->DrawIndexed(4, static_cast<uint32_t>(a.lit.size()), a.lit.data(), static_cast<uint32_t>(a.triangles.size()),
                            a.triangles.data(), 0);
    }
}

void WaterUpdate(uint32_t elapsedMs) {
    const uint32_t frames = static_cast<uint32_t>(g_frames.size());
    for (WaterArea& a : g_areas) {
        a.accumulatorMs += elapsedMs;
        a.frame += a.accumulatorMs / kWaterFrameMs;
        a.accumulatorMs %= kWaterFrameMs;
        if (a.frame > frames) a.frame = 1;
    }
}

void WaterFree(RenderInterface* render) {
    if (render)
        for (uint32_t h : g_frames)
            if (h) render->ReleaseTexture(h);
    std::vector<uint32_t>().swap(g_frames);
    std::vector<WaterArea>().swap(g_areas);
}

const std::vector<WaterArea>& WaterAreas() { return g_areas; }

}  // namespace kes
