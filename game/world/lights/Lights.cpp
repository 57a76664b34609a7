#include "game/world/lights/Lights.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "game/core/objects/SceneNode.h"

namespace kes {

namespace {

struct LightTable {
    std::vector<Light*> active;   // in the order added
    std::vector<Light> records;
    std::vector<float> work;      // three sums per vertex
    uint32_t workSize = 0;
    bool created = false;
} g_lights;

// The light object's rows from its direction; a vertical direction has no sideways axis of its
// own, so a fixed one stands in.
Matrix4 DirectionMatrix(const Vec3& d) {
    Matrix4 m{};
    const float s = std::sqrt(std::max(0.0f, 1.0f - d.z * d.z));
    if (s < 1e-4f) {
        const Vec3 r0{1, 0, 0};
        const Vec3 r2{r0.y * d.z - r0.z * d.y, r0.z * d.x - r0.x * d.z, r0.x * d.y - r0.y * d.x};
        const float rows[3][3] = {{r0.x, r0.y, r0.z}, {d.x, d.y, d.z}, {r2.x, r2.y, r2.z}};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) m.m[r * 4 + c] = rows[r][c];
    } else {
        const float rows[3][3] = {
            {d.y / s, -d.x / s, 0}, {d.x, d.y, d.z}, {-d.x * d.z / s, -d.y * d.z / s, s}};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) m.m[r * 4 + c] = rows[r][c];
    }
    m.m[15] = 1.0f;
    return m;
}

void Products(Light& l) {
    l.litRed = l.red * l.intensity;
    l.litGreen = l.green * l.intensity;
    l.litBlue = l.blue * l.intensity;
}

// The inverse rotation of m: its adjugate with each row normalised, divided by the sign of the
// determinant so that a mirrored matrix (placed objects are mirrored in x) turns the light the
// right way too; for a proper rotation that is the adjugate itself.
void InverseRotation(const Matrix4& m, float a[3][3]) {
    const float* r = m.m;
    const float x[3] = {r[0], r[1], r[2]}, y[3] = {r[4], r[5], r[6]}, z[3] = {r[8], r[9], r[10]};
    const float adj[3][3] = {
        {y[1] * z[2] - y[2] * z[1], x[2] * z[1] - x[1] * z[2], x[1] * y[2] - x[2] * y[1]},
        {y[2] * z[0] - y[0] * z[2], x[0] * z[2] - x[2] * z[0], x[2] * y[0] - x[0] * y[2]},
        {y[0] * z[1] - y[1] * z[0], x[1] * z[0] - x[0] * z[1], x[0] * y[1] - x[1] * y[0]},
    };
    const float det = x[0] * adj[0][0] + x[1] * adj[1][0] + x[2] * adj[2][0];
    const float sign = det < 0.0f ? -1.0f : 1.0f;
    for (int i = 0; i < 3; ++i) {
        const float len = std::sqrt(adj[i][0] * adj[i][0] + adj[i][1] * adj[i][1] + adj[i][2] * adj[i][2]);
        for (int j = 0; j < 3; ++j) a[i][j] = len > 0.0f ? sign * adj[i][j] / len : 0.0f;
    }
}

// One pass of at most the work size; true when a light counted.
bool LightPass(const Matrix4& m, float radius, const SourceVertex* src, uint32_t* out, uint32_t n, uint32_t alpha) {
    float* work = g_lights.work.data();
    bool counted = false;
    const Vec3 t{m.m[12], m.m[13], m.m[14]};
    for (Light* l : g_lights.active) {
        if (l->intensity == 0.0f) continue;
        if (l->type == kLightAmbient) {
            for (uint32_t i = 0; i < n; ++i) {
                float* w = work + 3 * i;
                if (!counted) w[0] = w[1] = w[2] = 0.0f;
                w[0] += l->litRed, w[1] += l->litGreen, w[2] += l->litBlue;
            }
            counted = true;
        } else if (l->type == kLightPoint) {
            Matrix4 lw;
            GetObjectMatrix(l->object, &lw);
            const Vec3 p{lw.m[12] - t.x, lw.m[13] - t.y, lw.m[14] - t.z};
            const float reach = radius + l->outerRange;
            if (reach * reach < p.x * p.x + p.y * p.y + p.z * p.z) continue;
            if (!counted) std::fill(work, work + 3 * static_cast<size_t>(n), 0.0f);
            counted = true;
            float a[3][3];
            InverseRotation(m, a);
            // The light in the object's own space (row vector times the inverse rotation).
            const Vec3 lo{p.x * a[0][0] + p.y * a[1][0] + p.z * a[2][0], p.x * a[0][1] + p.y * a[1][1] + p.z * a[2][1],
                          p.x * a[0][2] + p.y * a[1][2] + p.z * a[2][2]};
            const float len = std::sqrt(lo.x * lo.x + lo.y * lo.y + lo.z * lo.z);
            if (len == 0.0f) continue;
            const Vec3 d{lo.x / len, lo.y / len, lo.z / len};
            for (uint32_t i = 0; i < n; ++i) {
                const SourceVertex& v = src[i];
                const float facing = v.nx * d.x + v.ny * d.y + v.nz * d.z;
                if (!(facing > 0.0f)) continue;
                const float dx = lo.x - v.x, dy = lo.y - v.y, dz = lo.z - v.z;
                const float d2 = dx * dx + dy * dy + dz * dz;
                if (!(d2 < l->outerSquared)) continue;
                const float weight = d2 <= l->innerSquared ? facing : (d2 - l->innerSquared) * l->falloff * facing;
                float* w = work + 3 * i;
                w[0] += weight * l->litRed, w[1] += weight * l->litGreen, w[2] += weight * l->litBlue;
            }
        }
    }
    for (uint32_t i = 0; i < n; ++i) {
        if (!counted) {
            out[i] = alpha << 24;
            continue;
        }
        const float* w = work + 3 * i;
        auto channel = [](float c) {
            const long v = std::lrint(c);
            return static_cast<uint32_t>(v < 0 ? 0 : v > 255 ? 255 : v);
        };
        out[i] = alpha << 24 | channel(w[0]) << 16 | channel(w[1]) << 8 | channel(w[2]);
    }
    return counted;
}

bool LightScreenVertices(ScreenVertex* out, int32_t count, const SourceVertex* in, const Matrix4* world, float radius,
                         uint32_t alpha) {
    if (!g_lights.created || g_lights.active.empty() || count <= 0 || !world) return false;
    std::vector<uint32_t> colours(static_cast<size_t>(count));
    LightMeshVertices(*world, radius, in, colours.data(), static_cast<uint32_t>(count), alpha);
    for (int32_t i = 0; i < count; ++i) out[i].diffuse = colours[static_cast<size_t>(i)];
    return true;
}

}  // namespace

int32_t LightListCreate(uint32_t workSize, uint32_t maxLights) {
    LightListFree();
    try {
        g_lights.records.assign(maxLights, Light{});
        g_lights.active.reserve(maxLights);
        g_lights.work.assign(static_cast<size_t>(workSize) * 3, 0.0f);
    } catch (const std::bad_alloc&) {
        LightListFree();
        return kLightOutOfMemory;
    }
    g_lights.workSize = workSize;
    g_lights.created = true;
    return 0;
}

void LightListFree() {
    g_lights.active.clear();
    g_lights.records.clear();
    g_lights.records.shrink_to_fit();
    g_lights.work.clear();
    g_lights.work.shrink_to_fit();
    g_lights.workSize = 0;
    g_lights.created = false;
}

int32_t AddLight(const LightDesc& desc, Light** out) {
    // A free record is found before the scene object is made, so that a full table leaks no object.
    auto free = std::find_if(g_lights.records.begin(), g_lights.records.end(),
                             [](const Light& l) { return l.type == kLightFree; });
    if (free == g_lights.records.end()) return kLightOutOfMemory;
    ObjectDesc od{};
    std::strncpy(od.name, desc.name ? desc.name : "", kObjectNameSize - 1);
    od.x = desc.position.x, od.y = desc.position.y, od.z = desc.position.z;
    SectorObject* object = nullptr;
    if (const int r = CreateObject(&object, &od); r != 0) return r;
    Light& l = *free;
    l = Light{};
    l.object = object;
    object->user = &l;
    object->ownerWords[0] = desc.value;
    l.red = desc.red, l.green = desc.green, l.blue = desc.blue;
    l.intensity = desc.intensity;
    Products(l);
    l.type = desc.type;
    l.innerRange = desc.innerRange, l.outerRange = desc.outerRange;
    l.innerSquared = l.innerRange * l.innerRange;
    l.outerSquared = l.outerRange * l.outerRange;
    // Equal ranges (both standard lights have them) never reach the falloff: keep it finite.
    const float span = l.outerSquared * l.outerSquared - l.innerSquared * l.innerSquared;
    l.falloff = span != 0.0f ? 1.0f / span : 0.0f;
    const Matrix4 m = DirectionMatrix(desc.direction);
    SetObjectMatrix(object, &m);
    if (object->node) object->node->Update();
    g_lights.active.push_back(&l);
    if (out) *out = &l;
    return 0;
}

void SetLightIntensity(Light* l, float intensity) {
    if (!l) return;
    l->intensity = intensity;
    Products(*l);
}

uint32_t GetLightCount() { return static_cast<uint32_t>(g_lights.active.size()); }
Light* GetLight(uint32_t i) { return i < g_lights.active.size() ? g_lights.active[i] : nullptr; }

int32_t RemoveLight(Light* l) {
    auto at = std::find(g_lights.active.begin(), g_lights.active.end(), l);
    if (at == g_lights.active.end()) return 1;
    g_lights.active.erase(at);
    if (l->object) DestroyObject(l->object);
    *l = Light{};
    return 0;
}

bool LightMeshVertices(const Matrix4& m, float radius, const SourceVertex* source, uint32_t* colours, uint32_t count,
                       uint32_t alpha) {
    if (!source || !colours) return false;
    if (!g_lights.created || g_lights.workSize == 0) {
        for (uint32_t i = 0; i < count; ++i) colours[i] = alpha << 24;
        return false;
    }
    bool counted = false;
    for (uint32_t first = 0; first < count; first += g_lights.workSize) {
        const uint32_t n = std::min(g_lights.workSize, count - first);
        counted = LightPass(m, radius, source + first, colours + first, n, alpha) || counted;
    }
    return counted;
}

void InstallSceneLighting() { SetMeshLighting(LightScreenVertices); }

}  // namespace kes
