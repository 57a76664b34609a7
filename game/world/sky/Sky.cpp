#include "game/world/sky/Sky.h"

#include <algorithm>
#include <cmath>

#include "game/core/display/Display.h"
#include "game/world/chunk/TextureList.h"
#include "platform/gfx/GfxStates.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kTwoPi = 2.0f * kPi;
constexpr float kSkyDepth = 0.9999f;

struct SkyState {
    SkyParams params;
    std::vector<uint32_t> handles;  // interface handles in list order
    float cloudOffset = 0.0f;
} g_sky;

// The forward direction with a defined heading: a view straight up or down has none, so it is
// nudged a little towards +y.
Vec3 Nudged(Vec3 f) {
    if (std::fabs(f.x) < 0.0001f && std::fabs(f.y) < 0.0001f) f.y = 0.001f;
    return f;
}

// Unsigned angle between the forward direction and the ground plane.
float Pitch(const Vec3& f) {
    const float g = std::sqrt(f.x * f.x + f.y * f.y);
    const float len = std::sqrt(g * g + f.z * f.z);
    return std::acos(std::min(1.0f, len > 0.0f ? g / len : 1.0f));
}

ScreenVertex SkyVertex(float x, float y, float rhw, float u, float v) {
    return ScreenVertex{x, y, kSkyDepth, rhw, 0xFFFFFFFFu, 0xFF000000u, u, v};
}

void AddQuad(SkyMesh& m, const ScreenVertex (&corners)[4]) {
    const uint16_t base = static_cast<uint16_t>(m.vertices.size());
    for (const ScreenVertex& v : corners) m.vertices.push_back(v);
    for (uint16_t i : {0, 2, 1, 1, 2, 3}) m.indices.push_back(static_cast<uint16_t>(base + i));
}

void Draw(RenderInterface* r, SkyMesh& m) {
    if (m.indices.empty()) return;
    r->DrawIndexed(plat::rs::kTriangleList, static_cast<uint32_t>(m.vertices.size()), m.vertices.data(),
                   static_cast<uint32_t>(m.indices.size()), m.indices.data(), 0);
}

}  // namespace

int32_t SkyLoad(ChunkStream& s, uint32_t, RenderInterface* render, const WorldBounds&) {
    SkyParams& p = g_sky.params;
    g_sky.handles.clear();
    const uint32_t first = s.U32();
    if (first == kSkyLayoutMarker) {
        p.horizonTexture = s.I32();
        p.layerTexture = s.I32();
        p.thirdTexture = s.I32();
        s.U32();  // the editor's "activated", not used here
        float* floats[] = {&p.horizonRepeats, &p.layerRepeats, &p.horizonSpan, &p.unused,
                           &p.layerSpan,      &p.horizonLift,  &p.cloudSpeed};
        float read[7];
        for (float& f : read) f = s.F32();
        if (!s.Ok()) return -1;
        for (int i = 0; i < 7; ++i) *floats[i] = read[i];
    } else {
        p.horizonTexture = static_cast<int32_t>(first);
        p.layerTexture = s.I32();
        p.thirdTexture = s.I32();
        s.U32();
        if (!s.Ok()) return -1;
    }
    return LoadTextureList(s, render, 0, &g_sky.handles);
}

void SkyUpdate(uint32_t elapsedMs) {
    const SkyParams& p = g_sky.params;
    if (p.layerSpan == 0.0f) return;
    float& o = g_sky.cloudOffset;
    o += static_cast<float>(elapsedMs) / 1000.0f * p.cloudSpeed * 512.0f / p.layerSpan;
    if (!std::isfinite(o)) o = 0.0f;
    // A remainder rather than repeated steps: a huge speed cannot make this loop for long.
    if (o >= 512.0f || o < -512.0f) o = std::fmod(o, 512.0f);
}

void SkyFree(RenderInterface* render) {
    if (render)
        for (uint32_t h : g_sky.handles)
            if (h) render->ReleaseTexture(h);
    g_sky.handles.clear();
    const SkyParams defaults;
    SkyParams& p = g_sky.params;
    const int32_t kept[3] = {p.horizonTexture, p.layerTexture, p.thirdTexture};
    p = defaults;
    p.horizonTexture = kept[0];
    p.layerTexture = kept[1];
    p.thirdTexture = kept[2];
    g_sky.cloudOffset = 0.0f;
}

const SkyParams& CurrentSky() { return g_sky.params; }
float SkyCloudOffset() { return g_sky.cloudOffset; }
void SkySetCloudOffset(float offset) { g_sky.cloudOffset = offset; }

uint32_t SkyTextureHandle(int32_t index) {
    // The editor writes -1 for "none"; an index past the list has no texture either.
    if (index < 0 || static_cast<size_t>(index) >= g_sky.handles.size()) return 0;
    return g_sky.handles[static_cast<size_t>(index)];
}

float SkyHeadingAngle(const Vec3& forward) {
    const Vec3 f = Nudged(forward);
    const float len = std::sqrt(f.x * f.x + f.y * f.y);
    const float c = std::clamp(f.y / len, -1.0f, 1.0f);
    float angle = std::acos(c);
    // The cross product with +y has z = x: turning right runs the angle down from 2 pi.
    if (f.x > 0.0f) angle = kTwoPi - angle;
    return angle;
}

float SkyHorizonY(const Vec3& forward, float verticalFov, float h) {
    const Vec3 f = Nudged(forward);
    const float shift = Pitch(f) * h / verticalFov;
    return f.z < 0.0f ? h / 2.0f - shift : h / 2.0f + shift;
}

float SkyPitchBandV(float pitch) {
    return pitch < kPi / 2.0f ? 1.0f - 2.0f * pitch / kPi : 2.0f * pitch / kPi;
}

SkyMesh SkyBackdropBuild(const WorldView& view, const SkyParams& p) {
    SkyMesh m;
    const int32_t span = plat::FloatToInt(p.horizonSpan);
    if (span <= 0 || view.farPlane <= 0.0f) return m;
    const float w = static_cast<float>(view.screenWidth), perColumn = w / p.horizonSpan;
    const float foot = SkyHorizonY(view.forward, view.verticalFov, static_cast<float>(view.screenHeight)) + p.horizonLift;
    const float top = foot - 128.0f * perColumn, rhw = 1.0f / view.farPlane;
    const float o = p.horizonRepeats * 512.0f / kTwoPi * SkyHeadingAngle(view.forward);
    const float end = o + static_cast<float>(span);
    // At most a few quads per screen: a span of thousands of columns is cut off.
    for (float column = o; column < end && m.vertices.size() < 4096;) {
        const float tile = std::floor(column / 256.0f);
        const float quadEnd = std::min((tile + 1.0f) * 256.0f, end);
        const bool lowerHalf = static_cast<int64_t>(tile) % 2 != 0;
        const float v0 = lowerHalf ? 0.501953125f : 1.0f / 512.0f, v1 = lowerHalf ? 0.998046875f : 0.498046875f;
        const float u0 = (column - tile * 256.0f) / 256.0f, u1 = (quadEnd - tile * 256.0f) / 256.0f;
        const float x0 = (column - o) * perColumn, x1 = (quadEnd - o) * perColumn;
        AddQuad(m, {SkyVertex(x0, top, rhw, u0, v0), SkyVertex(x1, top, rhw, u1, v0), SkyVertex(x0, foot, rhw, u0, v1),
                    SkyVertex(x1, foot, rhw, u1, v1)});
        column = quadEnd;
    }
    return m;
}

SkyMesh SkyLayerBuild(const WorldView& view, const SkyParams& p, float cloudOffset) {
    SkyMesh m;
    const float w = static_cast<float>(view.screenWidth), h = static_cast<float>(view.screenHeight);
    const Vec3 f = Nudged(view.forward);
    const float bottom = SkyHorizonY(f, view.verticalFov, h) + p.horizonLift;
    if (bottom <= 0.0f || view.verticalFov <= 0.0f) return m;
    const float u0 = (p.layerRepeats * 512.0f / kTwoPi * SkyHeadingAngle(f) + cloudOffset) / 512.0f;
    const float u1 = u0 + static_cast<float>(plat::FloatToInt(p.layerSpan)) / 512.0f;
    // Height above the horizon of a screen row, and back.
    const float lookUp = f.z < 0.0f ? -Pitch(f) : Pitch(f);
    auto rowPitch = [&](float y) { return lookUp + (h / 2.0f - y) * view.verticalFov / h; };
    auto pitchRow = [&](float pitch) { return h / 2.0f - (pitch - lookUp) * h / view.verticalFov; };
    auto v = [&](float pitch) { return SkyPitchBandV(std::clamp(pitch, 0.0f, 3.0f * kPi / 4.0f)); };
    // Rows at the top, at every band edge between and at the foot, so that v follows the bands.
    std::vector<float> rows{0.0f};
    for (float band : {0.0f, kPi / 4.0f, 3.0f * kPi / 8.0f, kPi / 2.0f, 5.0f * kPi / 8.0f, 3.0f * kPi / 4.0f}) {
        const float y = pitchRow(band);
        if (y > 0.0f && y < bottom) rows.push_back(y);
    }
    rows.push_back(bottom);
    std::sort(rows.begin(), rows.end());
    for (size_t i = 0; i + 1 < rows.size(); ++i) {
        const float y0 = rows[i], y1 = rows[i + 1];
        if (y1 <= y0) continue;
        const float va = v(rowPitch(y0)), vb = v(rowPitch(y1));
        AddQuad(m, {SkyVertex(0, y0, 1.0f, u0, va), SkyVertex(w, y0, 1.0f, u1, va), SkyVertex(0, y1, 1.0f, u0, vb),
                    SkyVertex(w, y1, 1.0f, u1, vb)});
    }
    return m;
}

void SkyDraw(const WorldView& view, RenderInterface* r) {
    if (!r || g_sky.handles.empty()) return;
    namespace rs = plat::rs;
    if (const uint32_t layer = SkyTextureHandle(g_sky.params.layerTexture)) {
        r->SelectTexture(layer);
        SkyMesh m = SkyLayerBuild(view, g_sky.params, g_sky.cloudOffset);
        Draw(r, m);
    }
    if (const uint32_t horizon = SkyTextureHandle(g_sky.params.horizonTexture)) {
        r->SetState(kStateImmediateBlend, 1);
        r->SetState(rs::kSrcBlend, rs::kBlendSrcAlpha);
        r->SetState(rs::kDestBlend, rs::kBlendInvSrcAlpha);
        r->SelectTexture(horizon);
        SkyMesh m = SkyBackdropBuild(view, g_sky.params);
        Draw(r, m);
        r->SetState(kStateImmediateBlend, 0);
        r->SetState(rs::kSrcBlend, rs::kBlendOne);
        r->SetState(rs::kDestBlend, rs::kBlendZero);
    }
}

}  // namespace kes
