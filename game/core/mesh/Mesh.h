#pragma once
// The game's drawable triangle model: faces grouped by material, one or more key frames of
// vertices, face normals, a bounding box and radius, and up to nine simplified detail levels chosen
// by viewing distance. Meshes come from JMESH5 files or from the mesh records of world chunks and
// draw themselves through the render interface they were made with.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "game/core/image/ImageStream.h"
#include "game/core/maths/MathTypes.h"
#include "game/core/render/RenderInterface.h"

namespace kes {

// One run of faces and vertices of one material, in this order in the mesh's arrays.
struct MeshGroup {
    uint16_t faceCount = 0;
    uint16_t vertexCount = 0;
    uint32_t texture = 0;  // render interface handle, 0 none
    uint32_t colour = 0;   // red, green, blue from the low byte up
    uint16_t flags = 0;    // 1 two-sided, 2 cut-out, 4 solid colour, 8 translucent
};

constexpr uint32_t kMeshMaxLevels = 9;
constexpr float kMeshLevelLimit = 2000.0f;

class Mesh {
public:
    explicit Mesh(RenderInterface* renderer);
    virtual ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    virtual void EmptyMethod(void*) {}
    virtual void GetBounds(float out[6]) const;
    virtual void SetBounds(const float in[6]);
    // Draws at the model matrix (row vectors, translation in elements 12-14) for a viewer at eye.
    // flags: bit 0 two-sided culling off, bit 1 use the colours (one per vertex of the mesh, then
    // one per vertex of each level in turn), bits 0-1 go to the transform, bit 2 to the draw.
    virtual void Render(const Vec3& eye, const Matrix4* model, uint32_t flags, const uint32_t* colours);

    // Loads a JMESH5 file from the data pack, else from disk. 1 on success, 0 on failure.
    int Load(const char* path, int buildLevels);
    // The same from the bytes of a file; name is kept as the mesh's name.
    int LoadFromMemory(const uint8_t* data, size_t size, const char* name, int buildLevels);
    // Reads one mesh record ("HSEM") from a world chunk. 1 on success; 0 on a short or damaged
    // record (the mesh is then empty and the stream stands somewhere inside the record).
    int Build(ImageStream& stream, int buildLevels);

    // Selects frame t when it is whole, else blends frames i and i + 1 into the spare frame.
    void SetFrame(float t);
    void Scale(float sx, float sy, float sz);
    void ComputeFaceNormals();
    void BuildLods();
    // Empties the mesh (arrays freed, levels destroyed).
    void Clear();

    // The distance the level builder would collapse a fraction f of the faces at (for tests).
    float CollapseDistance(float fraction) const;

    float bounds[6] = {};             // min x, max x, min y, max y, min z, max z
    std::vector<uint16_t> faces;      // 3 per face, relative to their group's first vertex
    const SourceVertex* current = nullptr;
    std::vector<ScreenVertex> screen;
    std::vector<SourceVertex> frames;  // (frameCount + 1) x vertexCount; the last frame is the spare
    uint32_t vertexCount = 0;
    uint32_t faceCount = 0;
    uint32_t materialCount = 0;
    std::vector<uint16_t> faceMaterials;
    std::vector<uint32_t> materialTextures;
    uint32_t frameCount = 0;
    RenderInterface* renderer;
    std::vector<MeshGroup> groups;
    bool hasLevels = false;
    uint32_t levelCount = 0;
    std::vector<float> levelDistances;  // levelCount + 1
    std::vector<Mesh*> levels;
    std::vector<Vec3> faceNormals;
    float radius = 0;
    char name[128] = {};

private:
    void FinishArrays();
    Mesh* BuildLevel(float distance) const;
};

}  // namespace kes
