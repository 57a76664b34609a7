#pragma once
// What one exported frame holds: split vertices, faces and the material records of the file.
#include <cstdint>
#include <string>
#include <vector>

namespace quelm {

struct ExportVertex {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = 0;
    int32_t material = -1;  // -1 until a face claims the vertex
    int32_t nextTwin = -1;  // next vertex split from the same modeller vertex
    float u = 0, v = 0, w = 0;
};

struct ExportFace {
    uint32_t v[3] = {0, 0, 0};
    uint32_t material = 0;
    float nx = 0, ny = 0, nz = 0;  // kept, written by neither format
    float uvw[3][3] = {};
};

// Material flags as stored in the files.
constexpr uint32_t kMaterialTwoSided = 1;
constexpr uint32_t kMaterialOpacityMap = 2;
constexpr uint32_t kMaterialSolidColour = 4;
constexpr uint32_t kMaterialWire = 8;

// The 76-byte material record of both formats; the names hold at most 31 characters.
struct MeshMaterial {
    std::string diffuseName;
    std::string opacityName;
    uint32_t faceCount = 0;
    uint32_t colour = 0;  // red + green x 256 + blue x 65536
    uint32_t flags = 0;
};

struct ExportFrame {
    std::vector<ExportVertex> vertices;
    std::vector<ExportFace> faces;
    std::vector<MeshMaterial> materials;
};

}  // namespace quelm
