#include "TestFiles.h"

#include <unistd.h>

#include <fstream>

#include "platform/bytes/ByteIO.h"

namespace qvtest {

std::vector<uint8_t> MakeBmp(int width, int height, int bits, uint8_t seed) {
    const uint32_t row = ((static_cast<uint32_t>(width) * bits + 31) / 32) * 4;
    const uint32_t tableEntries = bits <= 8 ? (1u << bits) : 0;
    const uint32_t offset = 14 + 40 + tableEntries * 4;
    plat::ByteWriter w;
    w.U16(0x4D42);
    w.U32(offset + row * height);
    w.U32(0);
    w.U32(offset);
    w.U32(40);
    w.I32(width);
    w.I32(height);
    w.U16(1);
    w.U16(static_cast<uint16_t>(bits));
    w.U32(0);
    w.U32(row * height);
    w.I32(2835);
    w.I32(2835);
    w.U32(0);
    w.U32(0);
    for (uint32_t i = 0; i < tableEntries; ++i) w.U32(i * 0x010101u);
    for (uint32_t i = 0; i < row * static_cast<uint32_t>(height); ++i) w.U8(static_cast<uint8_t>(i * seed + seed));
    return w.Take();
}

std::vector<uint8_t> MakeJMesh5(const std::vector<JMeshFace>& faces, const std::vector<JMeshMaterial>& materials,
                                uint32_t vertexCount, uint32_t frameCount) {
    plat::ByteWriter w;
    w.Bytes("JMESH5*", 7);
    w.Bytes("<TL>", 4);
    w.U32(static_cast<uint32_t>(faces.size()));
    for (const auto& f : faces) {
        w.U16(f.a);
        w.U16(f.b);
        w.U16(f.c);
    }
    w.Bytes("<ML>", 4);
    w.U32(static_cast<uint32_t>(materials.size()));
    for (const auto& f : faces) w.U16(f.material);
    for (const auto& m : materials) {
        w.FixedString(m.diffuse, 32);
        w.FixedString(m.opacity, 32);
        w.U32(0);
        w.U32(m.colour);
        w.U32(m.flags);
    }
    w.Bytes("<NF>", 4);
    w.U32(frameCount);
    w.Bytes("<VT>", 4);
    w.U32(vertexCount);
    for (uint32_t k = 0; k < frameCount; ++k)
        for (uint32_t v = 0; v < vertexCount; ++v) {
            w.F32(static_cast<float>(v) + 100.0f * k);
            for (int i = 0; i < 7; ++i) w.F32(static_cast<float>(i) * 0.5f);
        }
    w.Bytes("<END>", 5);
    return w.Take();
}

std::vector<uint8_t> MakeWav(uint16_t channels, uint16_t bits, uint32_t rate, uint32_t sampleBytes, uint16_t fmtSize,
                             uint16_t formatTag) {
    plat::ByteWriter w;
    w.Bytes("RIFF", 4);
    w.U32(0);
    w.Bytes("WAVE", 4);
    w.Bytes("fmt ", 4);
    w.U32(fmtSize);
    const size_t fmtStart = w.Size();
    w.U16(formatTag);
    w.U16(channels);
    w.U32(rate);
    w.U32(rate * channels * bits / 8);
    w.U16(static_cast<uint16_t>(channels * bits / 8));
    w.U16(bits);
    while (w.Size() - fmtStart < fmtSize) w.U8(0);
    w.Bytes("data", 4);
    w.U32(sampleBytes);
    for (uint32_t i = 0; i < sampleBytes; ++i) w.U8(static_cast<uint8_t>(i * 13));
    w.PatchU32(4, static_cast<uint32_t>(w.Size() - 8));
    return w.Take();
}

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TempDir::TempDir(const std::string& name) {
    path_ = std::filesystem::temp_directory_path() / ("qv_" + name + "_" + std::to_string(getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
}

}  // namespace qvtest
