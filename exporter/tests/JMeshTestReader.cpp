#include "exporter/tests/JMeshTestReader.h"

#include <fstream>
#include <iterator>

#include "platform/bytes/ByteIO.h"

namespace quelm::test {
namespace {

bool Expect(plat::ByteReader& r, const std::string& tag) {
    std::string got(tag.size(), '\0');
    return r.Bytes(got.data(), got.size()) && got == tag;
}

std::string Name(plat::ByteReader& r) {
    char raw[32];
    r.Bytes(raw, sizeof raw);
    size_t n = 0;
    while (n < sizeof raw && raw[n]) ++n;
    return std::string(raw, n);
}

std::string Faces(plat::ByteReader& r, ReadMesh& out) {
    const uint32_t f = r.U32();
    if (!r.Ok() || f > r.Remaining() / 6) return "face count past the end";
    out.faces.resize(f);
    for (auto& face : out.faces)
        for (auto& i : face) i = r.U16();
    return {};
}

std::string Materials(plat::ByteReader& r, ReadMesh& out) {
    const uint32_t m = r.U32();
    if (!r.Ok() || m == 0) return "no materials";
    out.faceMaterials.resize(out.faces.size());
    for (auto& fm : out.faceMaterials) fm = r.U16();
    if (!r.Ok() || m > r.Remaining() / 76) return "material count past the end";
    out.materials.resize(m);
    for (auto& mat : out.materials) {
        mat.diffuseName = Name(r);
        mat.opacityName = Name(r);
        mat.faceCount = r.U32();
        for (auto& c : mat.colour) c = r.U8();
        mat.flags = r.U32();
    }
    return r.Ok() ? std::string() : "materials cut short";
}

std::string Vertices(plat::ByteReader& r, uint32_t count, std::vector<ReadVertex>& out) {
    if (count > r.Remaining() / 32) return "vertices past the end";
    out.resize(count);
    for (auto& v : out) {
        v.x = r.F32();
        v.y = r.F32();
        v.z = r.F32();
        v.nx = r.F32();
        v.ny = r.F32();
        v.nz = r.F32();
        v.u = r.F32();
        v.v = r.F32();
    }
    return {};
}

}  // namespace

std::string ReadJMesh5(const std::vector<uint8_t>& bytes, ReadMesh& out) {
    out = {};
    plat::ByteReader r(bytes);
    if (!Expect(r, "JMESH5*") || !Expect(r, "<TL>")) return "bad header";
    if (auto e = Faces(r, out); !e.empty()) return e;
    if (!Expect(r, "<ML>")) return "no <ML>";
    if (auto e = Materials(r, out); !e.empty()) return e;
    if (!Expect(r, "<NF>")) return "no <NF>";
    const uint32_t nf = r.U32();
    if (!Expect(r, "<VT>")) return "no <VT>";
    out.vertexCount = r.U32();
    if (!r.Ok() || nf == 0 || nf > r.Remaining()) return "bad frame count";
    out.frames.resize(nf);
    for (auto& frame : out.frames)
        if (auto e = Vertices(r, out.vertexCount, frame); !e.empty()) return e;
    if (!Expect(r, "<END>")) return "no <END>";
    if (r.Remaining() != 0) return "bytes after <END>";
    return {};
}

std::string ReadJMesh4(const std::vector<uint8_t>& bytes, ReadMesh& out) {
    out = {};
    plat::ByteReader r(bytes);
    if (!Expect(r, "JMESH4*") || !Expect(r, "<VT>")) return "bad header";
    out.vertexCount = r.U32();
    out.frames.resize(1);
    if (auto e = Vertices(r, out.vertexCount, out.frames[0]); !e.empty()) return e;
    if (!Expect(r, "<TL>")) return "no <TL>";
    if (auto e = Faces(r, out); !e.empty()) return e;
    if (!Expect(r, "<ML>")) return "no <ML>";
    if (auto e = Materials(r, out); !e.empty()) return e;
    if (!Expect(r, "<END>")) return "no <END>";
    if (r.Remaining() != 0) return "bytes after <END>";
    return {};
}

std::string CheckInvariants(const ReadMesh& mesh) {
    std::vector<int> owner(mesh.vertexCount, -1);
    std::vector<uint32_t> counts(mesh.materials.size(), 0);
    for (size_t f = 0; f < mesh.faces.size(); ++f) {
        const uint16_t m = mesh.faceMaterials[f];
        if (m >= mesh.materials.size()) return "face " + std::to_string(f) + " has no material";
        if (f > 0 && mesh.faceMaterials[f - 1] > m) return "faces not sorted by material at " + std::to_string(f);
        ++counts[m];
        for (uint16_t v : mesh.faces[f]) {
            if (v >= mesh.vertexCount) return "face " + std::to_string(f) + " past the vertices";
            if (owner[v] != -1 && owner[v] != m) return "vertex " + std::to_string(v) + " shared by two materials";
            owner[v] = m;
        }
    }
    for (size_t m = 0; m < counts.size(); ++m)
        if (counts[m] != mesh.materials[m].faceCount)
            return "material " + std::to_string(m) + " counts " + std::to_string(mesh.materials[m].faceCount) +
                   " faces, has " + std::to_string(counts[m]);
    return {};
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace quelm::test
