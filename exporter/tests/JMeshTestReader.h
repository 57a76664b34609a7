#pragma once
// A small reader of JMESH5 and JMESH4 bytes for the tests, written apart from the writer so that
// the two check each other. It reads field by field and fails on any missing byte or bad tag.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quelm::test {

struct ReadVertex {
    float x, y, z, nx, ny, nz, u, v;
};

struct ReadMaterial {
    std::string diffuseName;
    std::string opacityName;
    uint32_t faceCount = 0;
    std::array<uint8_t, 4> colour{};  // red, green, blue, zero
    uint32_t flags = 0;
};

struct ReadMesh {
    std::vector<std::array<uint16_t, 3>> faces;
    std::vector<uint16_t> faceMaterials;
    std::vector<ReadMaterial> materials;
    uint32_t vertexCount = 0;
    std::vector<std::vector<ReadVertex>> frames;  // one for JMESH4
};

// Empty error on success.
std::string ReadJMesh5(const std::vector<uint8_t>& bytes, ReadMesh& out);
std::string ReadJMesh4(const std::vector<uint8_t>& bytes, ReadMesh& out);

// Checks what every written file must hold: faces in range and sorted by material, no vertex used
// by faces of two materials, each material's face count equal to its faces. Empty when all hold.
std::string CheckInvariants(const ReadMesh& mesh);

std::vector<uint8_t> ReadFileBytes(const std::string& path);

}  // namespace quelm::test
