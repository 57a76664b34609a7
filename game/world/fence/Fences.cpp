#include "game/world/fence/Fences.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "game/world/chunk/TextureList.h"
#include "game/world/chunk/WorldSounds.h"
#include "game/world/landscape/Landscape.h"
#include "game/world/path/Vec3Ops.h"
#include "platform/gfx/GfxStates.h"

namespace kes {

namespace {

constexpr float kUvInset = 1.0f / 256.0f, kUvFar = 255.0f / 256.0f;
constexpr float kSameDirection = 0.86f;  // about 30.7 degrees
constexpr float kEdgeTolerance = -1.3f;

struct FenceState {
    std::vector<uint32_t> textures;  // handle per material
    std::vector<FenceMaterial> materials;
    std::vector<FenceLine> lines;
    std::vector<FenceGroup> groups;
    std::vector<const FenceGroup*> visible;
} g;

const FenceMaterial* MaterialOf(uint32_t panelMaterial) {
    return panelMaterial >= 1 && panelMaterial <= g.materials.size() ? &g.materials[panelMaterial - 1] : nullptr;
}

Vec3 GroundPoint(float x, float y, Vec3* normal) {
    if (!LandscapePresent()) {
        *normal = {0, 0, 1};
        return {x, y, 0};
    }
    const float h = LandscapeHeightAt(x, y);
    LandscapeNormalAt(x, y, h, normal);
    return {x, y, h};
}

Vec3 GroundDirection(const FencePanel& p) {
    return Normalised({p.v[1].x - p.v[0].x, p.v[1].y - p.v[0].y, 0});
}

Vec3 Corner(const FencePanel& p, int k) { return {p.v[k].x, p.v[k].y, p.v[k].z}; }

bool ReadLines(ChunkStream& s, std::vector<FenceLine>* out) {
    const uint32_t count = s.U32();
    if (!s.Ok() || count > s.Remaining() / 40) return false;
    std::vector<FenceLine> lines(count);
    for (FenceLine& line : lines) {
        s.U32();
        s.U32();
        s.U32();
        const int32_t panels = s.I32();
        line.height = s.F32();
        if (!ReadPointList(s, &line.curve, nullptr)) return false;
        if (panels < 0 || static_cast<uint64_t>(panels) > s.Remaining() / 4) return false;
        line.materials.resize(static_cast<size_t>(panels));
        for (uint32_t& m : line.materials) m = s.U32();
        if (!s.Ok()) return false;
        if (!std::isfinite(line.height)) line.height = 0;
    }
    *out = std::move(lines);
    return true;
}

bool ReadMaterials(ChunkStream& s, uint32_t version, uint32_t count, std::vector<FenceMaterial>* out) {
    std::vector<FenceMaterial> materials(count);
    for (FenceMaterial& m : materials) {
        m.breakable = s.U32();
        m.breakThreshold = s.F32();
        m.brokenMaterial = s.I32();
        s.Bytes(m.name, sizeof m.name);
        m.name[sizeof m.name - 1] = '\0';
        if (!std::isfinite(m.breakThreshold)) m.breakThreshold = 0;
        if (version == kFenceVersion) {
            s.U32();
            const uint32_t n = s.U32();
            if (!s.Ok() || n >= s.Remaining()) return false;
            std::string name(n + 1, '\0');
            s.Bytes(name.data(), n + 1);
            name.resize(std::strlen(name.c_str()));
            m.soundName = name;
        }
        if (!s.Ok()) return false;
    }
    *out = std::move(materials);
    return true;
}

void BuildLine(const FenceLine& line) {
    const size_t n = line.materials.size();
    if (line.curve.Count() < kMinPathPoints || n == 0) return;
    std::vector<FencePanel> panels(n);
    for (size_t i = 0; i < n; ++i) {
        const float t0 = static_cast<float>(i) / static_cast<float>(n);
        const float t1 = std::min(1.0f, t0 + 1.0f / static_cast<float>(n));
        Vec3 a{}, b{};
        EvalPointList(line.curve, t0, &a);
        EvalPointList(line.curve, t1, &b);
        Vec3 na, nb;
        const Vec3 ga = GroundPoint(a.x, a.y, &na), gb = GroundPoint(b.x, b.y, &nb);
        const Vec3 ta = ga + na * line.height, tb = gb + nb * line.height;
        FencePanel& p = panels[i];
        p.v[0] = {ga.x, ga.y, ga.z, 0, 0, 1, kUvInset, kUvFar};
        p.v[1] = {gb.x, gb.y, gb.z, 0, 0, 1, kUvFar, kUvFar};
        p.v[2] = {ta.x, ta.y, ta.z, 0, 0, 1, kUvInset, kUvInset};
        p.v[3] = {tb.x, tb.y, tb.z, 0, 0, 1, kUvFar, kUvInset};
    }
    for (size_t start = 0; start < n;) {
        const Vec3 dir = GroundDirection(panels[start]);
        size_t end = start + 1;
        while (end < n && Dot(GroundDirection(panels[end]), dir) >= kSameDirection) ++end;
        FenceGroup grp;
        grp.height = line.height;
        grp.minX = grp.maxX = panels[start].v[0].x;
        grp.minY = grp.maxY = panels[start].v[0].y;
        for (size_t i = start; i < end; ++i) {
            const FencePanel& p = panels[i];
            const Vec3 ga = Corner(p, 0);
            const Vec3 normal = Normalised(Cross(Corner(p, 2) - ga, Corner(p, 3) - ga));
            grp.panels.push_back(p);
            grp.normals.push_back(normal);
            grp.offsets.push_back(Dot(normal, ga));
            grp.materials.push_back(line.materials[i]);
            grp.broken.push_back(0);
            for (const SourceVertex& v : p.v) {
                grp.minX = std::min(grp.minX, v.x);
                grp.maxX = std::max(grp.maxX, v.x);
                grp.minY = std::min(grp.minY, v.y);
                grp.maxY = std::max(grp.maxY, v.y);
            }
        }
        g.groups.push_back(std::move(grp));
        start = end;
    }
}

void BreakPanel(FenceGroup& grp, size_t i, Vec3 at) {
    const FenceMaterial* m = MaterialOf(grp.materials[i]);
    if (!m) return;
    const std::string sound = m->soundName;
    grp.materials[i] = static_cast<uint32_t>(m->brokenMaterial) + 1;
    grp.broken[i] = 1;
    if (sound == "None") return;
    const size_t dot = sound.rfind('.');
    const std::string name = dot == std::string::npos ? sound : sound.substr(0, dot);
    if (WorldSounds().fenceBreak) WorldSounds().fenceBreak(name.c_str(), at);
}

}  // namespace

int32_t LoadFenceChunk(ChunkStream& s, uint32_t, RenderInterface* render) {
    FreeFences();
    s.Skip(8);
    const uint32_t count = s.U32();
    if (!s.Ok() || count > s.Remaining() / kMinTextureRecordBytes) return -1;
    std::vector<uint32_t> textures;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t handle = 0;
        const int32_t r = render ? render->LoadTextureRecord(s, &handle, 0, 0) : -1;
        if (r < 0) return r;
        if (r != 0) return -1;
        textures.push_back(handle);
    }
    const uint32_t version = s.U32();
    if (version != kFenceVersion && version != kFenceVersionOld) return -1;
    std::vector<FenceLine> lines;
    std::vector<FenceMaterial> materials;
    if (!ReadLines(s, &lines)) return -1;
    s.U32();
    if (!ReadMaterials(s, version, count, &materials)) return -1;
    // The words after the materials and the fence waves are left: sounds come from the sound
    // manager by name.
    g.textures = std::move(textures);
    g.lines = std::move(lines);
    g.materials = std::move(materials);
    return 0;
}

void BuildFences() {
    g.groups.clear();
    for (const FenceLine& line : g.lines) BuildLine(line);
}

void DrawFences(const WorldView& view, RenderInterface* render) {
    if (!render || g.groups.empty()) return;
    g.visible.clear();
    for (const FenceGroup& grp : g.groups)
        if (view.groundMinX <= grp.maxX && grp.minX <= view.groundMaxX && view.groundMinY <= grp.maxY &&
            grp.minY <= view.groundMaxY)
            g.visible.push_back(&grp);
    if (g.visible.empty()) return;
    render->SetState(plat::rs::kCullMode, plat::rs::kCullNone);
    static const Matrix4 kIdentity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    uint16_t indices[6] = {0, 2, 3, 0, 3, 1};
    ScreenVertex lit[4];
    for (uint32_t t = 0; t < g.materials.size(); ++t) {
        bool selected = false;
        for (const FenceGroup* grp : g.visible) {
            for (size_t i = 0; i < grp->panels.size(); ++i) {
                if (grp->materials[i] != t + 1) continue;
                if (!selected) {
                    render->SelectTexture(t < g.textures.size() ? g.textures[t] : 0);
                    selected = true;
                }
                render->SetColour(0xFFFFFF);
                render->TransformVertices(&kIdentity, lit, 4, grp->panels[i].v, 0, nullptr, 1);
                render->DrawIndexed(4, 4, lit, 6, indices, 0);
            }
        }
    }
    render->SetState(plat::rs::kCullMode, plat::rs::kCullCCW);
}

int32_t CollideFences(const RacerContactSubject& o) {
    if (!o.contact || !o.spheres) return 0;
    int32_t reported = 0;
    const Vec3 P = o.position;
    const float rb = o.radius;
    for (FenceGroup& grp : g.groups) {
        if (P.x + rb < grp.minX || P.x - rb > grp.maxX || P.y + rb < grp.minY || P.y - rb > grp.maxY) continue;
        for (size_t i = 0; i < grp.panels.size(); ++i) {
            if (grp.broken[i]) continue;
            const Vec3 n = grp.normals[i];
            const float off = grp.offsets[i];
            if (!(std::fabs(Dot(n, P) - off) <= rb)) continue;
            const FencePanel& panel = grp.panels[i];
            const Vec3 ring[4] = {Corner(panel, 0), Corner(panel, 2), Corner(panel, 3), Corner(panel, 1)};
            for (uint32_t j = 0; j < o.sphereCount && !grp.broken[i]; ++j) {
                const Vec3 C = P + o.spheres[j].centre;
                const float d = Dot(n, C) - off;
                if (!(std::fabs(d) < o.spheres[j].radius)) continue;
                bool inside = true;
                for (int e = 0; e < 4 && inside; ++e)
                    inside = Dot(Cross(ring[(e + 1) % 4] - ring[e], C - ring[e]), n) >= kEdgeTolerance;
                if (!inside) continue;
                const FenceMaterial* m = MaterialOf(grp.materials[i]);
                const bool breakable = m && m->breakable;
                if (breakable && m->breakThreshold == 0.0f) continue;
                SurfaceContact c;
                c.sphereIndex = j;
                c.sphere = &o.spheres[j];
                c.point = C - n * d;
                c.normal = d > 0.0f ? n : -n;
                c.planeOffset = -off;
                c.approachLimit = breakable ? m->breakThreshold : FLT_MAX;
                o.contact(o.user, kContactTouch, &c);
                reported = 1;
                if (breakable && c.approachLimit == 0.0f) BreakPanel(grp, i, c.point);
            }
        }
    }
    return reported;
}

void FreeFences() {
    g = FenceState();
}

const std::vector<FenceGroup>& FenceGroups() { return g.groups; }
const std::vector<FenceMaterial>& FenceMaterials() { return g.materials; }

}  // namespace kes
