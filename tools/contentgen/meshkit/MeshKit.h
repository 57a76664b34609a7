#pragma once
// Low-polygon shapes for the generated meshes (tubes of rings, boxes), mapped into rectangles of a
// texture atlas, and their export as JMESH5 through the exporter: the shapes become a modeller scene
// whose node carries one mesh key per frame, and quelm's export logic writes the file.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/modeller/SceneMath.h"

namespace tools::meshkit {

using P3 = plat::ScenePoint;

inline float Dot(P3 a, P3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline P3 Unit(P3 a) {
    const float l = plat::Length(a);
    return l > 0 ? a * (1.0f / l) : P3{0, 0, 1};
}
inline P3 Lerp(P3 a, P3 b, float t) { return a + (b - a) * t; }

// A rectangle of the atlas in fractions of its size, top row first (v grows downward).
struct UvRect {
    float u0, v0, u1, v1;
};
// The rectangle of texels x0..x1, y0..y1 of a size x size atlas, pulled in by a texel so that
// filtering never reaches the neighbouring area.
UvRect Texels(int x0, int y0, int x1, int y1, int size = 256);

// A local frame: a point at local (a, b, c) is origin + x a + y b + z c. Right-handed.
struct Frame3 {
    P3 origin{0, 0, 0}, x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
    P3 At(float a, float b, float c) const { return origin + x * a + y * b + z * c; }
    P3 At(P3 p) const { return At(p.x, p.y, p.z); }
};
// The frame at a whose z runs toward b and whose y leans toward hint (x = y cross z).
Frame3 FrameAlong(P3 a, P3 b, P3 hint);
// The frame at origin with z along axis and y toward hint.
Frame3 FrameToward(P3 origin, P3 axis, P3 hint);

// One ring of a tube: at height z of the frame, an ellipse of radii rx (along x) and ry (along y)
// centred at (cx, cy).
struct Ring {
    float z, rx, ry, cx = 0, cy = 0;
};

struct KitMesh {
    struct Face {
        std::array<uint32_t, 3> v, t;
        uint16_t material;
    };
    std::vector<P3> verts;
    std::vector<std::array<float, 2>> uvs;  // u, v as the atlas has them (v downward)
    std::vector<Face> faces;

    uint32_t Vertex(P3 p) {
        verts.push_back(p);
        return static_cast<uint32_t>(verts.size() - 1);
    }
    uint32_t Uv(float u, float v) {
        uvs.push_back({u, v});
        return static_cast<uint32_t>(uvs.size() - 1);
    }
    void Triangle(std::array<uint32_t, 3> v, std::array<uint32_t, 3> t, uint16_t material) {
        faces.push_back({v, t, material});
    }
};

struct TubeVertices {
    uint32_t first = 0;  // the rings' vertices: ring i, side s at first + i x sides + s
    uint32_t sides = 0;
    uint32_t rings = 0;
    uint32_t RingStart(uint32_t i) const { return first + i * sides; }
};
// A tube of rings along the frame's z (the last ring at the rectangle's top row), sides corners a ring, the first corner at angle seam (from x
// toward y) so that the texture's seam can be put where it is not seen. Caps close the ends.
TubeVertices AddTube(KitMesh& m, const Frame3& f, const std::vector<Ring>& rings, uint32_t sides, UvRect uv,
                     uint16_t material, bool capStart, bool capEnd, float seam = 0.0f);
// A box of the frame's local corners lo and hi, each face mapped onto the whole rectangle.
void AddBox(KitMesh& m, const Frame3& f, P3 lo, P3 hi, UvRect uv, uint16_t material);
// A flat quad a, b, c, d (counter-clockwise seen from its front) mapped onto the rectangle, both sides.
void AddPanel(KitMesh& m, P3 a, P3 b, P3 c, P3 d, UvRect uv, uint16_t material);

struct KitMaterial {
    std::string diffuse;  // bitmap file name; empty for a plain colour
    std::string opacity;  // bitmap file name; empty for none
    plat::SceneColor colour{0.8f, 0.8f, 0.8f};
};

// Exports the frames (one shape, the same faces in every frame) as a JMESH5 file with positions
// multiplied by scale. Empty with *error set when the exporter refuses.
std::vector<uint8_t> ExportJMesh5(const std::vector<KitMesh>& frames, const std::vector<KitMaterial>& materials,
                                  float scale, std::string* error);

}  // namespace tools::meshkit
