#pragma once
// Small files made by the tests: bitmaps, JMESH5 meshes, RIFF waves, and a temporary folder.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qvtest {

std::vector<uint8_t> MakeBmp(int width, int height, int bits, uint8_t seed = 1);

struct JMeshFace {
    uint16_t a, b, c, material;
};
struct JMeshMaterial {
    std::string diffuse, opacity;
    uint32_t colour = 0x00112233, flags = 0;
};
// One frame per entry of `frames`, each frame a list of x values (y = z = 0).
std::vector<uint8_t> MakeJMesh5(const std::vector<JMeshFace>& faces, const std::vector<JMeshMaterial>& materials,
                                uint32_t vertexCount, uint32_t frameCount = 1);

std::vector<uint8_t> MakeWav(uint16_t channels, uint16_t bits, uint32_t rate, uint32_t sampleBytes, uint16_t fmtSize = 16,
                             uint16_t formatTag = 1);

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::filesystem::path& path);

// A fresh folder below the system's temporary folder, removed at the end.
class TempDir {
public:
    explicit TempDir(const std::string& name);
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& file) const { return (path_ / file).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace qvtest
