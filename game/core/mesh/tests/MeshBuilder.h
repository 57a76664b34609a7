#pragma once
// Writes JMESH5 files and mesh records for the tests.
#include <cstring>
#include <string>
#include <vector>

#include "game/core/mesh/Mesh.h"
#include "platform/bytes/ByteIO.h"

namespace kes::test {

struct MaterialSpec {
    uint32_t colour = 0x00FFFFFF;
    uint32_t flags = 0;
};

struct MeshSpec {
    std::vector<uint16_t> faces;  // 3 per face
    std::vector<uint16_t> materials;
    std::vector<MaterialSpec> materialTable;
    uint32_t frames = 1;
    std::vector<SourceVertex> vertices;  // frames x V
    uint32_t V() const { return frames ? static_cast<uint32_t>(vertices.size() / frames) : 0; }
};

inline void PutVertex(plat::ByteWriter& w, const SourceVertex& v) {
    for (float f : {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.u, v.v}) w.F32(f);
}

inline std::vector<uint8_t> Jmesh5(const MeshSpec& m) {
    plat::ByteWriter w;
    w.Bytes("JMESH5*", 7);
    w.Bytes("<TL>", 4);
    w.U32(static_cast<uint32_t>(m.faces.size() / 3));
    for (uint16_t i : m.faces) w.U16(i);
    w.Bytes("<ML>", 4);
    w.U32(static_cast<uint32_t>(m.materialTable.size()));
    for (uint16_t i : m.materials) w.U16(i);
    for (const MaterialSpec& mat : m.materialTable) {
        w.FixedString("TEX.BMP", 32);
        w.FixedString("", 32);
        w.U32(0);
        w.U32(mat.colour);
        w.U32(mat.flags);
    }
    w.Bytes("<NF>", 4);
    w.U32(m.frames);
    w.Bytes("<VT>", 4);
    w.U32(m.V());
    for (const SourceVertex& v : m.vertices) PutVertex(w, v);
    w.Bytes("<END>", 5);
    return w.Take();
}

// The mesh record of a loaded mesh, as the editor stores it in a world chunk.
inline std::vector<uint8_t> RecordOf(const Mesh& m) {
    plat::ByteWriter w;
    w.Bytes("HSEM", 4);
    w.U32(0);
    w.FixedString(m.name, 128);
    for (uint32_t v : {m.faceCount, m.materialCount, static_cast<uint32_t>(m.groups.size()), m.vertexCount, m.frameCount})
        w.U32(v);
    for (size_t k = 0; k < static_cast<size_t>(m.frameCount) * m.vertexCount; ++k) PutVertex(w, m.frames[k]);
    for (uint16_t i : m.faces) w.U16(i);
    for (uint16_t i : m.faceMaterials) w.U16(i);
    for (const MeshGroup& g : m.groups) {
        w.U16(g.faceCount);
        w.U16(g.vertexCount);
        w.U32(g.texture);
        w.U32(g.colour);
        w.U16(g.flags);
        w.U16(0);
    }
    return w.Take();
}

// A flat grid of n x n quads (two faces each) on the x-y plane, one material.
inline MeshSpec Grid(uint32_t n, float size) {
    MeshSpec m;
    m.materialTable.push_back({});
    for (uint32_t y = 0; y <= n; ++y)
        for (uint32_t x = 0; x <= n; ++x)
            m.vertices.push_back({size * x / n, size * y / n, 0, 0, 0, 1, float(x) / n, float(y) / n});
    for (uint32_t y = 0; y < n; ++y)
        for (uint32_t x = 0; x < n; ++x) {
            const uint16_t p = static_cast<uint16_t>(y * (n + 1) + x), q = static_cast<uint16_t>(p + n + 1);
            m.faces.insert(m.faces.end(), {p, static_cast<uint16_t>(p + 1), q, static_cast<uint16_t>(p + 1),
                                           static_cast<uint16_t>(q + 1), q});
            m.materials.insert(m.materials.end(), {0, 0});
        }
    return m;
}

}  // namespace kes::test
