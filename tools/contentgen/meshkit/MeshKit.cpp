#include "tools/contentgen/meshkit/MeshKit.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <unistd.h>

#include "exporter/MeshExportUtility.h"
#include "platform/modeller/ModellerScene.h"

namespace tools::meshkit {

namespace {

constexpr float kTwoPi = 6.28318531f;

// The exporter's messages, kept for the error of a refused export.
class QuietUi : public plat::ModellerUi {
public:
    void PushPrompt(const std::string& text, int) override { last = text; }
    void MessageBox(const std::string& text, const std::string&) override { last = text; }
    std::string last;
};

uint32_t MapUv(KitMesh& m, const UvRect& r, float u, float v) {
    return m.Uv(r.u0 + (r.u1 - r.u0) * u, r.v0 + (r.v1 - r.v0) * v);
}

}  // namespace

UvRect Texels(int x0, int y0, int x1, int y1, int size) {
    const float s = static_cast<float>(size);
    return {(static_cast<float>(x0) + 1.0f) / s, (static_cast<float>(y0) + 1.0f) / s, (static_cast<float>(x1) - 1.0f) / s,
            (static_cast<float>(y1) - 1.0f) / s};
}

Frame3 FrameToward(P3 origin, P3 axis, P3 hint) {
    Frame3 f;
    f.origin = origin;
    f.z = Unit(axis);
    P3 y = hint - f.z * Dot(hint, f.z);
    if (plat::Length(y) < 1e-4f) {
        // The hint runs along the axis: any side will do, taken steadily from the world axes.
        const P3 other = std::fabs(f.z.z) < 0.9f ? P3{0, 0, 1} : P3{0, 1, 0};
        y = other - f.z * Dot(other, f.z);
    }
    f.y = Unit(y);
    f.x = plat::Cross(f.y, f.z);
    return f;
}

Frame3 FrameAlong(P3 a, P3 b, P3 hint) { return FrameToward(a, b - a, hint); }

TubeVertices AddTube(KitMesh& m, const Frame3& f, const std::vector<Ring>& rings, uint32_t sides, UvRect uv,
                     uint16_t material, bool capStart, bool capEnd, float seam) {
    TubeVertices t;
    t.first = static_cast<uint32_t>(m.verts.size());
    t.sides = sides;
    t.rings = static_cast<uint32_t>(rings.size());
    // Texture rows follow the length along the tube.
    std::vector<float> along(rings.size(), 0.0f);
    for (size_t i = 1; i < rings.size(); ++i) along[i] = along[i - 1] + std::fabs(rings[i].z - rings[i - 1].z);
    const float length = along.empty() || along.back() <= 0 ? 1.0f : along.back();
    std::vector<uint32_t> uvIndex;
    for (size_t i = 0; i < rings.size(); ++i) {
        const Ring& r = rings[i];
        for (uint32_t s = 0; s <= sides; ++s) {
            const float a = seam + kTwoPi * static_cast<float>(s) / static_cast<float>(sides);
            if (s < sides) m.Vertex(f.At(r.cx + r.rx * std::cos(a), r.cy + r.ry * std::sin(a), r.z));
            uvIndex.push_back(MapUv(m, uv, static_cast<float>(s) / static_cast<float>(sides), 1.0f - along[i] / length));
        }
    }
    auto v = [&](size_t ring, uint32_t s) { return t.first + static_cast<uint32_t>(ring) * sides + s % sides; };
    auto tv = [&](size_t ring, uint32_t s) { return uvIndex[ring * (sides + 1) + s]; };
    for (size_t i = 0; i + 1 < rings.size(); ++i)
        for (uint32_t s = 0; s < sides; ++s) {
            m.Triangle({v(i, s), v(i, s + 1), v(i + 1, s + 1)}, {tv(i, s), tv(i, s + 1), tv(i + 1, s + 1)}, material);
            m.Triangle({v(i, s), v(i + 1, s + 1), v(i + 1, s)}, {tv(i, s), tv(i + 1, s + 1), tv(i + 1, s)}, material);
        }
    auto cap = [&](size_t ring, bool start) {
        const Ring& r = rings[ring];
        const uint32_t centre = m.Vertex(f.At(r.cx, r.cy, r.z));
        const uint32_t centreUv = MapUv(m, uv, 0.5f, start ? 1.0f : 0.0f);
        for (uint32_t s = 0; s < sides; ++s) {
            if (start) m.Triangle({centre, v(ring, s + 1), v(ring, s)}, {centreUv, tv(ring, s + 1), tv(ring, s)}, material);
            else m.Triangle({centre, v(ring, s), v(ring, s + 1)}, {centreUv, tv(ring, s), tv(ring, s + 1)}, material);
        }
    };
    if (capStart && !rings.empty()) cap(0, true);
    if (capEnd && !rings.empty()) cap(rings.size() - 1, false);
    return t;
}

void AddBox(KitMesh& m, const Frame3& f, P3 lo, P3 hi, UvRect uv, uint16_t material) {
    uint32_t c[8];
    for (int i = 0; i < 8; ++i) c[i] = m.Vertex(f.At(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z));
    // Faces counter-clockwise seen from outside: -x, +x, -y, +y, -z, +z.
    const int quads[6][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
    for (const auto& q : quads) {
        const uint32_t t0 = MapUv(m, uv, 0, 1), t1 = MapUv(m, uv, 1, 1), t2 = MapUv(m, uv, 1, 0), t3 = MapUv(m, uv, 0, 0);
        m.Triangle({c[q[0]], c[q[1]], c[q[2]]}, {t0, t1, t2}, material);
        m.Triangle({c[q[0]], c[q[2]], c[q[3]]}, {t0, t2, t3}, material);
    }
}

void AddPanel(KitMesh& m, P3 a, P3 b, P3 c, P3 d, UvRect uv, uint16_t material) {
    const uint32_t front[4] = {m.Vertex(a), m.Vertex(b), m.Vertex(c), m.Vertex(d)};
    const uint32_t t0 = MapUv(m, uv, 0, 1), t1 = MapUv(m, uv, 1, 1), t2 = MapUv(m, uv, 1, 0), t3 = MapUv(m, uv, 0, 0);
    m.Triangle({front[0], front[1], front[2]}, {t0, t1, t2}, material);
    m.Triangle({front[0], front[2], front[3]}, {t0, t2, t3}, material);
    // The back gets vertices of its own, so that each side is lit from its own normal.
    const uint32_t back[4] = {m.Vertex(a), m.Vertex(b), m.Vertex(c), m.Vertex(d)};
    m.Triangle({back[0], back[2], back[1]}, {t0, t2, t1}, material);
    m.Triangle({back[0], back[3], back[2]}, {t0, t3, t2}, material);
}

std::vector<uint8_t> ExportJMesh5(const std::vector<KitMesh>& frames, const std::vector<KitMaterial>& materials,
                                  float scale, std::string* error) {
    plat::ModellerScene scene;
    plat::SceneNode* node = scene.AddNode("generated");
    auto standard = [](const KitMaterial& k) {
        auto m = std::make_shared<plat::SceneMaterial>();
        m->name = k.diffuse.empty() ? "colour" : k.diffuse;
        m->diffuse = k.colour;
        if (!k.diffuse.empty()) m->maps[plat::kMapDiffuse] = std::make_shared<plat::SceneTexmap>(plat::SceneTexmap{plat::kBitmapMapClassId, k.diffuse});
        if (!k.opacity.empty()) m->maps[plat::kMapOpacity] = std::make_shared<plat::SceneTexmap>(plat::SceneTexmap{plat::kBitmapMapClassId, k.opacity});
        return m;
    };
    if (materials.size() == 1) {
        node->material = standard(materials[0]);
    } else {
        node->material = std::make_shared<plat::SceneMaterial>();
        node->material->name = "parts";
        node->material->classId = plat::kMultiMaterialClassId;
        for (const KitMaterial& k : materials) node->material->subMaterials.push_back(standard(k));
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        const KitMesh& k = frames[i];
        plat::MeshKey key;
        key.time = static_cast<plat::SceneTime>(i) * scene.GetTicksPerFrame();
        key.mesh.verts = k.verts;
        for (const auto& uv : k.uvs) key.mesh.tverts.push_back({uv[0], 1.0f - uv[1], 0.0f});
        for (const KitMesh::Face& f : k.faces) {
            key.mesh.faces.push_back({f.v, f.material, 1});
            key.mesh.tvFaces.push_back(f.t);
        }
        node->meshKeys.push_back(std::move(key));
    }
    scene.Select(node);
    QuietUi ui;
    quelm::MeshExportUtility exporter(scene, ui);
    exporter.scale = scale;
    exporter.startFrame = 0;
    exporter.endFrame = static_cast<int32_t>(frames.size()) - 1;
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("contentgen_mesh_" + std::to_string(::getpid()) + ".jm5");
    if (!exporter.ExportJM5(path.string())) {
        *error = "the exporter refused a generated mesh: " + ui.last;
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    std::error_code ec;
    std::filesystem::remove(path, ec);
    if (bytes.empty()) *error = "the exported mesh cannot be read back";
    return bytes;
}

}  // namespace tools::meshkit
