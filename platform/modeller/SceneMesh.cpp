#include "platform/modeller/SceneMesh.h"

namespace plat {

bool SceneMesh::IsValid() const {
    for (const SceneFace& f : faces)
        for (uint32_t i : f.v)
            if (i >= verts.size()) return false;
    if (!tvFaces.empty() && tvFaces.size() != faces.size()) return false;
    for (const auto& tf : tvFaces)
        for (uint32_t i : tf)
            if (i >= tverts.size()) return false;
    return true;
}

void SceneMesh::DeleteIsoVerts() {
    constexpr uint32_t kUnused = UINT32_MAX;
    std::vector<uint32_t> newIndex(verts.size(), kUnused);
    for (const SceneFace& f : faces)
        for (uint32_t i : f.v) newIndex[i] = 0;
    uint32_t next = 0;
    std::vector<ScenePoint> kept;
    std::vector<ScenePoint> keptNormals;
    const bool hadNormals = HasNormals();
    kept.reserve(verts.size());
    for (size_t i = 0; i < verts.size(); ++i) {
        if (newIndex[i] == kUnused) continue;
        newIndex[i] = next++;
        kept.push_back(verts[i]);
        if (hadNormals) keptNormals.push_back(normals_[i]);
    }
    if (next == verts.size()) return;
    for (SceneFace& f : faces)
        for (uint32_t& i : f.v) i = newIndex[i];
    verts = std::move(kept);
    normals_ = std::move(keptNormals);
}

ScenePoint SceneMesh::FaceNormal(uint32_t face) const {
    const SceneFace& f = faces[face];
    ScenePoint n = Cross(verts[f.v[1]] - verts[f.v[0]], verts[f.v[2]] - verts[f.v[0]]);
    const float len = Length(n);
    return len > 0.0f ? n * (1.0f / len) : n;
}

void SceneMesh::BuildNormals() {
    if (HasNormals()) return;
    // Each face adds its area-weighted normal to its corners.
    std::vector<ScenePoint> sum(verts.size());
    for (const SceneFace& f : faces) {
        const ScenePoint n = Cross(verts[f.v[1]] - verts[f.v[0]], verts[f.v[2]] - verts[f.v[0]]);
        for (uint32_t i : f.v) sum[i] = sum[i] + n;
    }
    for (ScenePoint& n : sum) {
        const float len = Length(n);
        n = len > 0.0f ? n * (1.0f / len) : ScenePoint{0, 0, 1};
    }
    normals_ = std::move(sum);
}

ScenePoint SceneMesh::GetNormal(uint32_t vertex) const {
    return vertex < normals_.size() ? normals_[vertex] : ScenePoint{0, 0, 1};
}

}  // namespace plat
