#include "editor/mesh/EditorMesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <optional>

#include "editor/files/FileNames.h"

namespace qv {

namespace {

constexpr size_t kMaterialBytes = 76;

bool Tag(plat::ByteReader& in, const char* text) {
    size_t n = std::strlen(text);
    auto got = in.Take(n);
    return in.Ok() && std::memcmp(got.data(), text, n) == 0;
}

MeshVertex ReadVertex(plat::ByteReader& in) {
    MeshVertex v;
    v.x = in.F32();
    v.y = in.F32();
    v.z = in.F32();
    v.nx = in.F32();
    v.ny = in.F32();
    v.nz = in.F32();
    v.u = in.F32();
    v.v = in.F32();
    return v;
}

// A position that is not a finite number would poison the bounds and every view's transform.
bool IsFinitePosition(const MeshVertex& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

void WriteVertex(plat::ByteWriter& out, const MeshVertex& v) {
    for (float f : {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.u, v.v}) out.F32(f);
}

std::string FixedName(std::span<const uint8_t> bytes) {
    const char* p = reinterpret_cast<const char*>(bytes.data());
    return std::string(p, strnlen(p, bytes.size()));
}

}  // namespace

namespace {
PluginHost* g_drawHost = nullptr;
}

void SetMeshDrawHost(PluginHost* host) { g_drawHost = host; }

void EditorMesh::Draw(Viewport* viewport, const float* transform) {
    if (!viewport || suppressA || suppressB || vertexCount == 0) return;
    bool alpha = false, twoSided = false;
    int64_t lastTexture = -1;
    std::vector<ScreenVertex> work;
    const MeshVertex* vertices = CurrentFrame();
    size_t firstVertex = 0, firstIndex = 0;
    for (const MeshGroup& g : groups) {
        const size_t indexCount = size_t{g.faceCount} * 3;
        if (g.faceCount == 0 || firstVertex + g.vertexCount > vertexCount || firstIndex + indexCount > faces.size()) {
            firstVertex += g.vertexCount;
            firstIndex += indexCount;
            continue;
        }
        // Each running switch follows the group: turned off again when a group does not want it, so that
        // a blended or two-sided group does not leak into the groups after the next one.
        if (g.flags & 2) {
            if (!alpha) {
                viewport->SetRenderState(27, 1);
                viewport->SetRenderState(19, 5);
                viewport->SetRenderState(20, 6);
                alpha = true;
            }
        } else if (alpha) {
            viewport->SetRenderState(27, 0);
            alpha = false;
        }
        if (g.flags & 1) {
            if (!twoSided) {
                viewport->SetRenderState(22, 1);
                twoSided = true;
            }
        } else if (twoSided) {
            viewport->SetRenderState(22, 3);
            twoSided = false;
        }
        uint32_t colour = 0xFFFFFFFFu;
        if (g.flags & 4) {
            if (g_drawHost) g_drawHost->SetCurrentTexture(0);
            colour = g.colour | 0xFF000000u;
            lastTexture = 0;
        } else if (static_cast<int64_t>(g.textureIndex) != lastTexture) {
            if (g_drawHost) g_drawHost->SetCurrentTexture(g.textureIndex);
            lastTexture = g.textureIndex;
        }
        work.resize(g.vertexCount);
        viewport->TransformVertices(transform, work.data(), g.vertexCount, vertices + firstVertex, colour);
        viewport->DrawPrimitive(4, g.vertexCount, work.data(), static_cast<uint32_t>(indexCount), faces.data() + firstIndex);
        firstVertex += g.vertexCount;
        firstIndex += indexCount;
    }
    if (alpha) {
        viewport->SetRenderState(27, 0);
        viewport->SetRenderState(41, 1);
        viewport->SetRenderState(17, 1);
        viewport->SetRenderState(18, 1);
    }
    if (twoSided) viewport->SetRenderState(22, 3);
}

void EditorMesh::GetBounds(float out[6]) { std::memcpy(out, bounds, sizeof bounds); }

void EditorMesh::SetBounds(const float in[6]) { std::memcpy(bounds, in, sizeof bounds); }

int32_t EditorMesh::LoadJMesh5File(const std::string& path, MeshTextureSource* textures) {
    auto resolved = ResolveFileNoCase(path);
    if (!resolved) return 0;
    auto bytes = ReadWholeFile(*resolved, kMaxMeshBytes);
    if (!bytes) return 0;
    EditorMesh loaded;
        const size_t slash = resolved->find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : resolved->substr(0, slash + 1);
    if (!loaded.Parse(bytes->data(), bytes->size(), textures, folder)) return 0;
    loaded.name = BaseNameWithoutExtension(path, 127);
    *this = std::move(loaded);
    return 1;
}

int32_t EditorMesh::LoadJMesh5Memory(const uint8_t* image, size_t size) {
    EditorMesh loaded;
    if (!image || !loaded.Parse(image, size, nullptr, {})) return 0;
    loaded.name = "dummy";
    *this = std::move(loaded);
    return 1;
}

int32_t EditorMesh::Parse(const uint8_t* image, size_t size, MeshTextureSource* textures, const std::string& folder) {
    plat::ByteReader in(image, size);
    if (!Tag(in, "JMESH5*") || !Tag(in, "<TL>")) return 0;
    const uint32_t f = in.U32();
    if (!in.Ok() || f > in.Remaining() / 6) return 0;
    std::vector<uint16_t> fileFaces(static_cast<size_t>(f) * 3);
    for (uint16_t& i : fileFaces) i = in.U16();
    if (!Tag(in, "<ML>")) return 0;
    const uint32_t m = in.U32();
    if (!in.Ok() || m == 0) return 0;
    if (f > in.Remaining() / 2) return 0;
    std::vector<uint16_t> fileMaterials(f);
    for (uint16_t& mat : fileMaterials) mat = in.U16();
    if (m > in.Remaining() / kMaterialBytes) return 0;
    auto materials = in.Take(static_cast<size_t>(m) * kMaterialBytes);
    if (!Tag(in, "<NF>")) return 0;
    const uint32_t nf = in.U32();
    if (!Tag(in, "<VT>")) return 0;
    const uint32_t v = in.U32();
    if (!in.Ok() || nf == 0 || v == 0) return 0;
    if (static_cast<uint64_t>(nf) * v > in.Remaining() / 32) return 0;
    std::vector<MeshVertex> fileVertices(static_cast<size_t>(nf) * v);
    for (MeshVertex& vx : fileVertices) vx = ReadVertex(in);
    if (!Tag(in, "<END>")) return 0;
    for (const MeshVertex& vx : fileVertices)
        if (!IsFinitePosition(vx)) return 0;

    // Every index must name something that exists; the draw groups are indexed by material.
    for (uint16_t i : fileFaces)
        if (i >= v) return 0;
    for (uint16_t mat : fileMaterials)
        if (mat >= m) return 0;

    // Bounds over every vertex of every frame.
    float b[6] = {1e7f, -1e7f, 1e7f, -1e7f, 1e7f, -1e7f};
    for (const MeshVertex& vx : fileVertices) {
        b[0] = std::min(b[0], vx.x), b[1] = std::max(b[1], vx.x);
        b[2] = std::min(b[2], vx.y), b[3] = std::max(b[3], vx.y);
        b[4] = std::min(b[4], vx.z), b[5] = std::max(b[5], vx.z);
    }

    // Faces in material order; a stable sort keeps the order of the adjacent-swap sort.
    std::vector<uint32_t> order(f);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t c) { return fileMaterials[a] < fileMaterials[c]; });

    const uint32_t groupCount = f ? static_cast<uint32_t>(fileMaterials[order.back()]) + 1 : 0;
    std::vector<MeshGroup> newGroups(groupCount);
    std::vector<uint16_t> newFaces(static_cast<size_t>(f) * 3);
    std::vector<uint16_t> newMaterials(f);
    // Each group takes the vertices its faces use, in index order. A vertex used by faces of two
    // materials is copied into both groups, so every face keeps naming its own corners.
    std::vector<std::vector<uint32_t>> groupVertices(groupCount);
    size_t start = 0;
    for (uint32_t g = 0; g < groupCount; ++g) {
        size_t end = start;
        while (end < order.size() && fileMaterials[order[end]] == g) ++end;
        if (end - start > 0xFFFF) return 0;
        std::vector<uint32_t>& used = groupVertices[g];
        for (size_t k = start; k < end; ++k)
            for (int c = 0; c < 3; ++c) used.push_back(fileFaces[order[k] * 3 + c]);
        std::sort(used.begin(), used.end());
        used.erase(std::unique(used.begin(), used.end()), used.end());
        if (used.size() > 0xFFFF) return 0;
        for (size_t k = start; k < end; ++k) {
            for (int c = 0; c < 3; ++c) {
                uint32_t old = fileFaces[order[k] * 3 + c];
                newFaces[k * 3 + c] =
                    static_cast<uint16_t>(std::lower_bound(used.begin(), used.end(), old) - used.begin());
            }
            newMaterials[k] = static_cast<uint16_t>(g);
        }
        newGroups[g].faceCount = static_cast<uint16_t>(end - start);
        newGroups[g].vertexCount = static_cast<uint16_t>(used.size());
        start = end;
    }
    size_t newV = 0;
    for (const auto& used : groupVertices) newV += used.size();
    if (newV == 0) newV = v;  // a mesh without faces keeps its vertices
    std::vector<MeshVertex> newFrames((static_cast<size_t>(nf) + 1) * newV, MeshVertex{});
    for (uint32_t k = 0; k < nf; ++k) {
        size_t out = 0;
        if (f == 0) {
            std::copy_n(fileVertices.begin() + static_cast<size_t>(k) * v, v, newFrames.begin());
            continue;
        }
        for (const auto& used : groupVertices)
            for (uint32_t j : used) newFrames[k * newV + out++] = fileVertices[static_cast<size_t>(k) * v + j];
    }

    std::vector<uint32_t> textureOf(m, 0);
    for (uint32_t g = 0; g < groupCount && g < m; ++g) {
        const uint8_t* mat = materials.data() + g * kMaterialBytes;
        newGroups[g].colour = plat::LoadU32(mat + 68);
        newGroups[g].flags = static_cast<uint16_t>(plat::LoadU32(mat + 72) & 0xFFFF);
    }
    // Textures come last, once the file is known to be whole, so a refused file adds none. A name is
    // looked for beside the mesh file, then from the current folder; the second attempt adds "images/".
    if (textures) {
        auto locate = [&](const std::string& name) -> std::optional<std::string> {
            if (!folder.empty() && name.find_first_of("/\\") != 0)
                if (auto found = ResolveFileNoCase(folder + name)) return found;
            return ResolveFileNoCase(name);
        };
        for (uint32_t k = 0; k < m; ++k) {
            const uint8_t* mat = materials.data() + k * kMaterialBytes;
            std::string diffuse = FixedName({mat, 32});
            std::string opacity = FixedName({mat + 32, 32});
            if (diffuse.empty()) continue;
            uint32_t index = 0;
            bool first = false;
            if (auto file = locate(diffuse))
                first = textures->AddMeshTexture(diffuse.c_str(), file->c_str(), &index) > 0 || index != 0;
            if (!first) {
                if (auto file = locate("images/" + diffuse)) textures->AddMeshTexture(diffuse.c_str(), file->c_str(), &index);
            }
            if (first && index && !opacity.empty()) {
                auto alpha = locate(opacity);
                if (!alpha || textures->InsertMeshAlpha(alpha->c_str(), index) != 0)
                    if (auto again = locate("images/" + opacity)) textures->InsertMeshAlpha(again->c_str(), index);
            }
            textureOf[k] = index;
        }
        for (uint32_t g = 0; g < groupCount && g < m; ++g) newGroups[g].textureIndex = textureOf[g];
    }

    std::memcpy(bounds, b, sizeof b);
    faces = std::move(newFaces);
    frames = std::move(newFrames);
    currentFrame = 0;
    vertexCount = static_cast<uint32_t>(newV);
    faceCount = f;
    materialCount = m;
    faceMaterials = std::move(newMaterials);
    materialTextures = std::move(textureOf);
    frameCount = nf;
    groups = std::move(newGroups);
    return 1;
}

void EditorMesh::SwapFaceWinding() {
    for (size_t i = 0; i + 2 < faces.size(); i += 3) std::swap(faces[i + 1], faces[i + 2]);
}

void EditorMesh::SetFrame(float x) {
    if (frameCount == 0 || !(x >= 0)) return;
    uint32_t n = static_cast<uint32_t>(x);
    if (n >= frameCount) n = frameCount - 1;
    const float f = x - static_cast<float>(n);
    if (f == 0.0f || n + 1 >= frameCount) {
        currentFrame = n;
        return;
    }
    MeshVertex* out = frames.data() + static_cast<size_t>(frameCount) * vertexCount;
    const MeshVertex* a = frames.data() + static_cast<size_t>(n) * vertexCount;
    const MeshVertex* b = a + vertexCount;
    for (uint32_t i = 0; i < vertexCount; ++i) {
        out[i] = a[i];
        out[i].x = (1 - f) * a[i].x + f * b[i].x;
        out[i].y = (1 - f) * a[i].y + f * b[i].y;
        out[i].z = (1 - f) * a[i].z + f * b[i].z;
        out[i].nx = (1 - f) * a[i].nx + f * b[i].nx;
        out[i].ny = (1 - f) * a[i].ny + f * b[i].ny;
        out[i].nz = (1 - f) * a[i].nz + f * b[i].nz;
    }
    currentFrame = frameCount;
}

void EditorMesh::Scale(float sx, float sy, float sz) {
    for (size_t i = 0; i < static_cast<size_t>(frameCount) * vertexCount && i < frames.size(); ++i) {
        frames[i].x *= sx;
        frames[i].y *= sy;
        frames[i].z *= sz;
    }
    bounds[0] *= sx, bounds[1] *= sx, bounds[2] *= sy, bounds[3] *= sy, bounds[4] *= sz, bounds[5] *= sz;
}

void EditorMesh::WriteRecord(plat::ByteWriter& out) const {
    const size_t start = out.Size();
    out.U32(kMeshRecordTag);
    out.U32(0);
    out.FixedString(name, 128);
    out.U32(faceCount);
    out.U32(materialCount);
    out.U32(static_cast<uint32_t>(groups.size()));
    out.U32(vertexCount);
    out.U32(frameCount);
    for (size_t i = 0; i < static_cast<size_t>(frameCount) * vertexCount; ++i) WriteVertex(out, frames[i]);
    for (uint16_t i : faces) out.U16(i);
    for (uint16_t mat : faceMaterials) out.U16(mat);
    for (const MeshGroup& g : groups) {
        out.U16(g.faceCount);
        out.U16(g.vertexCount);
        out.U32(g.textureIndex);
        out.U32(g.colour);
        out.U16(g.flags);
        out.U16(0);
    }
    out.PatchU32(start + 4, static_cast<uint32_t>(out.Size() - start - 8));
}

int32_t EditorMesh::ReadRecord(plat::ByteReader& in) {
    const int32_t bad = Result(kResultBadChunk);
    const uint32_t tag = in.U32();
    const uint32_t size = in.U32();
    if (!in.Ok() || tag != kMeshRecordTag || size > in.Remaining() || size < kMeshRecordHeadBytes - 8) return bad;
    plat::ByteReader rec(in.Take(size));
    std::string readName = FixedName(rec.Take(128));
    const uint32_t f = rec.U32(), m = rec.U32(), g = rec.U32(), v = rec.U32(), nf = rec.U32();
    // The counts must fill the record exactly.
    const uint64_t expected = static_cast<uint64_t>(nf) * v * 32 + static_cast<uint64_t>(f) * 8 + static_cast<uint64_t>(g) * 16;
    if (!rec.Ok() || expected != rec.Remaining()) return bad;
    // With no frame the vertex count is not bounded by the record's bytes: it must be 0 too.
    if (nf == 0 && v != 0) return bad;
    EditorMesh loaded;
    loaded.frames.assign((static_cast<size_t>(nf) + 1) * v, MeshVertex{});
    for (size_t i = 0; i < static_cast<size_t>(nf) * v; ++i) {
        loaded.frames[i] = ReadVertex(rec);
        if (!IsFinitePosition(loaded.frames[i])) return bad;
    }
    loaded.faces.resize(static_cast<size_t>(f) * 3);
    for (uint16_t& i : loaded.faces) i = rec.U16();
    loaded.faceMaterials.resize(f);
    for (uint16_t& mat : loaded.faceMaterials) mat = rec.U16();
    loaded.groups.resize(g);
    uint64_t facesInGroups = 0;
    for (MeshGroup& gr : loaded.groups) {
        gr.faceCount = rec.U16();
        gr.vertexCount = rec.U16();
        gr.textureIndex = rec.U32();
        gr.colour = rec.U32();
        gr.flags = rec.U16();
        rec.U16();
        facesInGroups += gr.faceCount;
    }
    if (!rec.Ok() || facesInGroups != f) return bad;
    // Each face names vertices of its own group.
    size_t face = 0;
    uint64_t firstVertex = 0;
    for (const MeshGroup& gr : loaded.groups) {
        if (firstVertex + gr.vertexCount > v) return bad;
        for (uint32_t k = 0; k < gr.faceCount; ++k, ++face)
            for (int c = 0; c < 3; ++c)
                if (loaded.faces[face * 3 + c] >= gr.vertexCount) return bad;
        firstVertex += gr.vertexCount;
    }
    loaded.name = readName;
    loaded.faceCount = f;
    loaded.materialCount = m;
    loaded.vertexCount = v;
    loaded.frameCount = nf;
    loaded.materialTextures.assign(std::min<uint32_t>(m, g), 0);
    for (size_t i = 0; i < loaded.materialTextures.size(); ++i) loaded.materialTextures[i] = loaded.groups[i].textureIndex;
    float b[6] = {1e7f, -1e7f, 1e7f, -1e7f, 1e7f, -1e7f};
    for (size_t i = 0; i < static_cast<size_t>(nf) * v; ++i) {
        const MeshVertex& vx = loaded.frames[i];
        b[0] = std::min(b[0], vx.x), b[1] = std::max(b[1], vx.x);
        b[2] = std::min(b[2], vx.y), b[3] = std::max(b[3], vx.y);
        b[4] = std::min(b[4], vx.z), b[5] = std::max(b[5], vx.z);
    }
    std::memcpy(loaded.bounds, b, sizeof b);
    *this = std::move(loaded);
    return 0;
}

}  // namespace qv
