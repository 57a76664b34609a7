#pragma once
// A triangle mesh as the modeller holds it: positions, faces with a material id and smoothing
// groups, an optional separate texture-vertex list with its own faces, and one normal per vertex.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/modeller/SceneMath.h"

namespace plat {

struct SceneFace {
    std::array<uint32_t, 3> v{};
    uint16_t materialId = 0;
    uint32_t smoothing = 0;
};

class SceneMesh {
public:
    std::vector<ScenePoint> verts;
    std::vector<SceneFace> faces;
    // Texture vertices (u, v, w) and, per face, the texture vertex of each corner.
    std::vector<ScenePoint> tverts;
    std::vector<std::array<uint32_t, 3>> tvFaces;

    bool HasTextureVertices() const { return !tverts.empty() && tvFaces.size() == faces.size(); }
    // True when every face and texture face refers to existing vertices.
    bool IsValid() const;

    // Removes the vertices that no face uses and renumbers the faces.
    void DeleteIsoVerts();
    // Builds one normal per vertex from the faces around it, unless normals are already there.
    void BuildNormals();
    bool HasNormals() const { return normals_.size() == verts.size() && !verts.empty(); }
    // Sets normals read from a file (one per vertex).
    void SetNormals(std::vector<ScenePoint> normals) { normals_ = std::move(normals); }
    ScenePoint GetNormal(uint32_t vertex) const;
    uint16_t GetFaceMtlIndex(uint32_t face) const { return faces[face].materialId; }
    ScenePoint FaceNormal(uint32_t face) const;

private:
    std::vector<ScenePoint> normals_;
};

}  // namespace plat
