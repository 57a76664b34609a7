#pragma once
// The editor's in-memory mesh: loaded from a JMESH5 file or image, regrouped by material for drawing,
// and stored in a world as one mesh record ("HSEM") of a plug-in's mesh list.
#include <cstdint>
#include <string>
#include <vector>

#include "editor/plugin/PluginApi.h"
#include "platform/bytes/ByteIO.h"

namespace qv {

struct MeshGroup {
    uint16_t faceCount = 0;
    uint16_t vertexCount = 0;
    uint32_t textureIndex = 0;  // 1-based in the owning host's texture list, 0 none
    uint32_t colour = 0;
    uint16_t flags = 0;
};

// How a loading mesh reaches its host's textures.
class MeshTextureSource {
public:
    // Lists the bitmap file under the material's texture name. Number of textures added (1 or 0);
    // *index is the texture's 1-based index.
    virtual int32_t AddMeshTexture(const char* name, const char* file, uint32_t* index) = 0;
    // 0 when the file became the alpha of that texture.
    virtual int32_t InsertMeshAlpha(const char* file, uint32_t index) = 0;

protected:
    ~MeshTextureSource() = default;
};

// The host whose textures a drawing mesh selects (set by the viewport around a host mesh's draw).
void SetMeshDrawHost(PluginHost* host);

class EditorMesh {
public:
    EditorMesh() = default;
    EditorMesh(const EditorMesh&) = default;
    EditorMesh& operator=(const EditorMesh&) = default;

    // Slots of the mesh's table. Drawing goes through the viewport layer, which comes with the viewports.
    // `transform` (a 4 x 4 row-vector matrix, or null) places the mesh: an instance's position,
    // rotation and scale.
    virtual void Draw(Viewport* viewport, const float* transform = nullptr);
    virtual void GetBounds(float out[6]);
    virtual void SetBounds(const float in[6]);
    virtual ~EditorMesh() = default;

    // 1 on success, 0 on failure; a failed load leaves the mesh as it was.
    int32_t LoadJMesh5File(const std::string& path, MeshTextureSource* textures);
    int32_t LoadJMesh5Memory(const uint8_t* image, size_t size);

    // One mesh record. Reading checks the tag and that the counts fill the record exactly; results 0
    // or kResultBadChunk.
    void WriteRecord(plat::ByteWriter& out) const;
    int32_t ReadRecord(plat::ByteReader& in);

    // The editor draws with the opposite winding of the files: swaps each face's second and third index.
    void SwapFaceWinding();
    // Frame position x in 0..NF-1: whole numbers pick a frame, others interpolate into the spare block.
    void SetFrame(float x);
    void Scale(float sx, float sy, float sz);

    const MeshVertex* CurrentFrame() const { return frames.data() + currentFrame * vertexCount; }

    // Public data, as plug-ins read it.
    float bounds[6] = {0, 0, 0, 0, 0, 0};  // min x, max x, min y, max y, min z, max z
    uint32_t suppressA = 0;
    std::vector<uint16_t> faces;  // 3 per face, relative to the face's group
    size_t currentFrame = 0;
    std::vector<MeshVertex> frames;  // (NF + 1) x V; the last block takes interpolated frames
    uint32_t vertexCount = 0;        // V
    uint32_t faceCount = 0;          // F
    uint32_t materialCount = 0;      // M
    std::vector<uint16_t> faceMaterials;
    std::vector<uint32_t> materialTextures;  // per material, 1-based texture index or 0
    uint32_t suppressB = 0;
    uint32_t frameCount = 0;  // NF
    std::vector<MeshGroup> groups;
    std::string name;  // at most 127 characters

private:
    int32_t Parse(const uint8_t* image, size_t size, MeshTextureSource* textures, const std::string& folder);
};

inline constexpr uint32_t kMeshRecordTag = 0x4D455348;  // "HSEM"
inline constexpr size_t kMeshRecordHeadBytes = 8 + 128 + 20;
// Largest file or record accepted for one mesh.
inline constexpr size_t kMaxMeshBytes = 512u * 1024 * 1024;

}  // namespace qv
