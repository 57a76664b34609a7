#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string>

#include "game/core/datapack/DataPack.h"
#include "game/core/mesh/Mesh.h"
#include "game/core/pack/PackFile.h"
#include "platform/bytes/ByteIO.h"

namespace kes {

namespace {

constexpr uint32_t kMaterialBytes = 76;
constexpr uint32_t kVertexBytes = 32;
constexpr uint32_t kRecordTag = 0x4D455348;  // "HSEM" in file order

bool Tag(plat::ByteReader& r, const char* tag) {
    const size_t n = std::strlen(tag);
    const auto bytes = r.Take(n);
    return bytes.size() == n && std::memcmp(bytes.data(), tag, n) == 0;
}

SourceVertex ReadVertex(const uint8_t* p) {
    SourceVertex v;
    float* f = &v.x;
    for (int i = 0; i < 8; ++i) f[i] = plat::LoadF32(p + 4 * i);
    return v;
}

bool IsFinitePosition(const SourceVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The name as the mesh keeps it: after the last folder separator, up to the last dot after it.
void SetName(char* out, const char* path) {
    std::string s = path ? path : "";
    const size_t slash = s.find_last_of("\\/");
    if (slash != std::string::npos) s = s.substr(slash + 1);
    const size_t dot = s.find_last_of('.');
    if (dot != std::string::npos) s = s.substr(0, dot);
    std::strncpy(out, s.c_str(), 127);
    out[127] = 0;
}

}  // namespace

int Mesh::Load(const char* path, int buildLevels) {
    if (!path) return 0;
    uint32_t size = 0;
    if (void* data = LoadFile(path, nullptr, &size)) {
        const int r = LoadFromMemory(static_cast<const uint8_t*>(data), size, path, buildLevels);
        std::free(data);
        return r;
    }
    PackFile file;
    if (file.Open(path, "rb", 0) != kOk) return 0;
    const int32_t length = file.Size();
    if (length <= 0) return 0;
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    if (file.Read(bytes.data(), static_cast<uint32_t>(length)) != kOk) return 0;
    return LoadFromMemory(bytes.data(), bytes.size(), path, buildLevels);
}

int Mesh::LoadFromMemory(const uint8_t* data, size_t size, const char* path, int buildLevels) {
    Clear();
    SetName(name, path);
    plat::ByteReader r(data, size);
    if (!Tag(r, "JMESH5*") || !Tag(r, "<TL>")) return 0;
    const uint32_t f = r.U32();
    if (!r.Ok() || f > r.Remaining() / 6) return 0;
    std::vector<uint16_t> fileFaces(static_cast<size_t>(f) * 3);
    for (uint16_t& i : fileFaces) i = r.U16();
    if (!Tag(r, "<ML>")) return 0;
    const uint32_t m = r.U32();
    if (!r.Ok() || m == 0 || f > r.Remaining() / 2) return 0;
    std::vector<uint16_t> fileMaterials(f);
    for (uint16_t& i : fileMaterials) i = r.U16();
    if (m > r.Remaining() / kMaterialBytes) return 0;
    const auto materials = r.Take(static_cast<size_t>(m) * kMaterialBytes);
    if (!Tag(r, "<NF>")) return 0;
    const uint32_t nf = r.U32();
    if (!Tag(r, "<VT>")) return 0;
    const uint32_t v = r.U32();
    if (!r.Ok() || nf == 0 || (v && nf > r.Remaining() / kVertexBytes / v)) return 0;
    const auto vertexBytes = r.Take(static_cast<size_t>(nf) * v * kVertexBytes);
    if (!Tag(r, "<END>")) return 0;
    // Every index must name a vertex and a material of the file.
    for (uint16_t i : fileFaces)
        if (i >= v) return 0;
    for (uint16_t i : fileMaterials)
        if (i >= m) return 0;

    // Bounds over every frame; a position that is not a finite number would poison the bounds,
    // the detail levels and every transform, so such a file is refused.
    float lo[3] = {10000000.0f, 10000000.0f, 10000000.0f}, hi[3] = {-10000000.0f, -10000000.0f, -10000000.0f};
    for (size_t k = 0; k < static_cast<size_t>(nf) * v; ++k) {
        const SourceVertex p = ReadVertex(vertexBytes.data() + k * kVertexBytes);
        const float c[3] = {p.x, p.y, p.z};
        if (!IsFinitePosition(p)) return 0;
        for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], c[a]), hi[a] = std::max(hi[a], c[a]);
    }
    bounds[0] = lo[0], bounds[1] = hi[0], bounds[2] = lo[1], bounds[3] = hi[1], bounds[4] = lo[2], bounds[5] = hi[2];

    // Faces by material, those of one material in file order.
    std::vector<uint32_t> order(f);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return fileMaterials[a] < fileMaterials[b]; });
    const uint32_t g = f ? fileMaterials[order.back()] + 1u : 1u;
    groups.assign(g, MeshGroup());
    std::vector<uint32_t> groupFaces(g, 0);
    for (uint32_t k = 0; k < f; ++k) ++groupFaces[fileMaterials[k]];
    for (uint32_t grp = 0; grp < g; ++grp) {
        if (groupFaces[grp] > 0xFFFF) return 0;
        groups[grp].faceCount = static_cast<uint16_t>(groupFaces[grp]);
    }

    // Each vertex belongs to the group of the last face using it; a vertex shared by two materials
    // would leave the other group's faces pointing outside it, so such files are refused.
    std::vector<int32_t> owner(v, -1);
    for (uint32_t k : order)
        for (int c = 0; c < 3; ++c) {
            int32_t& o = owner[fileFaces[k * 3 + c]];
            if (o >= 0 && o != fileMaterials[k]) return 0;
            o = fileMaterials[k];
        }
    std::vector<uint32_t> newIndex(v, 0);
    std::vector<uint32_t> copied;
    for (uint32_t grp = 0; grp < g; ++grp) {
        uint32_t n = 0;
        for (uint32_t i = 0; i < v; ++i)
            if (owner[i] == static_cast<int32_t>(grp)) newIndex[i] = n++, copied.push_back(i);
        if (n > 0xFFFF) return 0;
        groups[grp].vertexCount = static_cast<uint16_t>(n);
    }
    vertexCount = static_cast<uint32_t>(copied.size());
    frameCount = nf;
    faceCount = f;
    materialCount = m;
    frames.resize((static_cast<size_t>(nf) + 1) * vertexCount);
    for (uint32_t fr = 0; fr < nf; ++fr)
        for (uint32_t i = 0; i < vertexCount; ++i)
            frames[static_cast<size_t>(fr) * vertexCount + i] =
                ReadVertex(vertexBytes.data() + (static_cast<size_t>(fr) * v + copied[i]) * kVertexBytes);
    faces.resize(static_cast<size_t>(f) * 3);
    faceMaterials.resize(f);
    for (uint32_t k = 0; k < f; ++k) {
        const uint32_t src = order[k];
        faceMaterials[k] = fileMaterials[src];
        for (int c = 0; c < 3; ++c) faces[k * 3 + c] = static_cast<uint16_t>(newIndex[fileFaces[src * 3 + c]]);
    }
    for (uint32_t grp = 0; grp < g; ++grp) {
        const uint8_t* mat = materials.data() + static_cast<size_t>(grp) * kMaterialBytes;
        groups[grp].texture = 0;
        groups[grp].colour = plat::LoadU32(mat + 68);
        groups[grp].flags = static_cast<uint16_t>(plat::LoadU32(mat + 72));
    }
    materialTextures.assign(m, 0);
    FinishArrays();
    if (buildLevels) BuildLods();
    return 1;
}

int Mesh::Build(ImageStream& s, int buildLevels) {
    Clear();
    auto u32 = [&](uint32_t* out) {
        uint8_t b[4];
        if (s.Read(b, 4) != 4) return false;
        *out = plat::LoadU32(b);
        return true;
    };
    uint32_t tag, unused, f, m, g, v, nf;
    char recordName[128];
    if (!u32(&tag) || !u32(&unused) || s.Read(recordName, 128) != 128) return 0;
    if (!u32(&f) || !u32(&m) || !u32(&g) || !u32(&v) || !u32(&nf)) return 0;
    (void)tag;  // the list reader has already placed the stream on a record
    recordName[127] = 0;
    std::memcpy(name, recordName, 128);
    const uint64_t need = static_cast<uint64_t>(nf) * v * kVertexBytes + static_cast<uint64_t>(f) * 8 +
                          static_cast<uint64_t>(g) * 16;
    if (nf == 0 || need > s.Remaining() || g == 0 || g > 0xFFFF) return Clear(), 0;
    std::vector<uint8_t> bytes(need);
    if (s.Read(bytes.data(), bytes.size()) != bytes.size()) return Clear(), 0;
    const uint8_t* p = bytes.data();
    frames.resize((static_cast<size_t>(nf) + 1) * v);
    for (size_t k = 0; k < static_cast<size_t>(nf) * v; ++k, p += kVertexBytes) {
        frames[k] = ReadVertex(p);
        if (!IsFinitePosition(frames[k])) return Clear(), 0;
    }
    faces.resize(static_cast<size_t>(f) * 3);
    for (uint16_t& i : faces) i = plat::LoadU16(p), p += 2;
    faceMaterials.resize(f);
    for (uint16_t& i : faceMaterials) i = plat::LoadU16(p), p += 2;
    groups.resize(g);
    uint64_t faceSum = 0, vertexSum = 0;
    for (MeshGroup& grp : groups) {
        grp.faceCount = plat::LoadU16(p);
        grp.vertexCount = plat::LoadU16(p + 2);
        grp.texture = plat::LoadU32(p + 4);
        grp.colour = plat::LoadU32(p + 8);
        grp.flags = plat::LoadU16(p + 12);
        p += 16;
        faceSum += grp.faceCount;
        vertexSum += grp.vertexCount;
    }
    // The groups must cover the faces and vertices exactly, and every index stay inside its group.
    if (faceSum != f || vertexSum != v) return Clear(), 0;
    uint32_t face = 0;
    for (const MeshGroup& grp : groups)
        for (uint32_t k = 0; k < grp.faceCount; ++k, ++face)
            for (int c = 0; c < 3; ++c)
                if (faces[face * 3 + c] >= grp.vertexCount) return Clear(), 0;
    vertexCount = v;
    faceCount = f;
    materialCount = m;
    frameCount = nf;
    materialTextures.assign(m < 0x10000 ? m : 0, 0);
    FinishArrays();
    if (buildLevels) BuildLods();
    return 1;
}

}  // namespace kes
