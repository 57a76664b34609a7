#pragma once
// What the world tests share: a render interface that records instead of drawing, files written to
// a temporary folder, and a small generated world.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "game/core/image/ImageDecode.h"
#include "game/core/render/RenderInterface.h"
#include "game/core/texture/TextureContainer.h"
#include "game/world/file/WorldFile.h"
#include "game/world/writer/WorldWriter.h"

namespace kes::test {

// Textures become table entries without a device; states, selections and draws are recorded.
class RecordingRender : public RenderInterface {
public:
    struct Draw {
        uint32_t texture, vertices, indices, flags;
        std::vector<ScreenVertex> screen;
    };
    std::vector<std::pair<uint32_t, uint32_t>> states;
    std::vector<Draw> draws;
    std::vector<uint32_t> createdSizes;  // width of each image handed to texture creation
    uint32_t selected = 0;
    uint32_t releases = 0;
    int fogSwitch = -1;

    int32_t LoadTextureRecord(ImageStream& s, uint32_t* out, uint32_t, uint32_t) override {
        *out = 0;
        uint8_t kind[4];
        char name[128];
        if (s.Read(kind, 4) != 4 || s.Read(name, 128) != 128) return 1;
        const bool alpha = std::string(reinterpret_cast<char*>(kind), 4) == "TXTA";
        if (!alpha && std::string(reinterpret_cast<char*>(kind), 4) != "TXTR") return 1;
        for (int part = 0; part < (alpha ? 2 : 1); ++part) {
            ImageRecord* img = ReadImageFromStream(s);
            if (!img) return -1;
            createdSizes.push_back(img->width);
            FreeImage(img);
        }
        return Store(out);
    }
    int32_t CreateTextureFromImage(const char*, ImageRecord* image, uint32_t* out, uint32_t) override {
        createdSizes.push_back(image ? image->width : 0);
        FreeImage(image);
        return Store(out);
    }
    int32_t ReleaseTexture(uint32_t handle) override {
        uint32_t* t = Handles();
        if (handle < 1 || handle >= kHandleTableSize || !t[handle]) return 0;
        t[handle] = 0;
        if (t[0]) --t[0];
        ++releases;
        return 0;
    }
    int32_t SetState(uint32_t state, uint32_t value) override {
        states.push_back({state, value});
        return 0;
    }
    int32_t SelectTexture(uint32_t handle) override {
        selected = handle;
        return 0;
    }
    int32_t DrawIndexed(uint32_t, uint32_t v, ScreenVertex* screenVertices, uint32_t i, uint16_t*,
                        uint32_t flags) override {
        draws.push_back({selected, v, i, flags, std::vector<ScreenVertex>(screenVertices, screenVertices + v)});
        return 0;
    }
    int32_t SetFogEnable(uint32_t on) override {
        fogSwitch = static_cast<int>(on);
        return RenderInterface::SetFogEnable(on);
    }

private:
    int32_t Store(uint32_t* out) {
        uint32_t* t = Handles();
        uint32_t i = 1;
        while (i < kHandleTableSize && t[i]) ++i;
        if (i >= kHandleTableSize) return -2;
        t[i] = 0x1000 + i;
        ++t[0];
        *out = i;
        return 0;
    }
};

// The landscape makes its texture containers itself; without a device nothing else frees them.
inline void DestroyAllTextureContainers() {
    while (TextureListHead()) DestroyTexture(TextureListHead()->name);
}

inline std::string TempPath(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() / "gravelon_world_tests";
    std::filesystem::create_directories(dir);
    return (dir / (name + "_" + std::to_string(::getpid()))).string();
}

inline std::string WriteTemp(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = TempPath(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

inline int32_t LoadBytes(const std::vector<uint8_t>& bytes, RenderInterface* render, const char* name = "w") {
    WorldListEntry e;
    e.name = WriteTemp(name, bytes);
    const int32_t r = WorldLoadEntry(e, render, nullptr);
    std::remove(e.name.c_str());
    return r;
}

// World to screen for an eye looking along +y, tilted down by pitch: camera x = world x, camera
// y = up, camera z = depth; then the projection onto a width x height screen with depth 0..1
// between nearZ and farZ.
inline void ViewProjection(const Vec3& eye, float pitch, uint32_t width, uint32_t height, float nearZ, float farZ,
                           float out[16]) {
    const Vec3 right{1, 0, 0};
    const Vec3 forward{0, std::cos(pitch), -std::sin(pitch)};
    const Vec3 up{0, std::sin(pitch), std::cos(pitch)};
    float view[16] = {right.x, up.x, forward.x, 0, right.y, up.y, forward.y, 0, right.z, up.z, forward.z, 0, 0, 0, 0, 1};
    view[12] = -(eye.x * right.x + eye.y * right.y + eye.z * right.z);
    view[13] = -(eye.x * up.x + eye.y * up.y + eye.z * up.z);
    view[14] = -(eye.x * forward.x + eye.y * forward.y + eye.z * forward.z);
    const float hw = static_cast<float>(width) / 2.0f, hh = static_cast<float>(height) / 2.0f;
    const float a = farZ / (farZ - nearZ), b = -nearZ * farZ / (farZ - nearZ);
    const float proj[16] = {hw, 0, 0, 0, 0, 0, -hh, 0, hw, a, hh, 1, 0, b, 0, 0};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += view[i * 4 + k] * proj[k * 4 + j];
            out[i * 4 + j] = sum;
        }
}

inline WorldBounds TestBounds() { return {0, 0, 0, 360, 360, 100}; }

// A 37 x 37 landscape, 4 knots per cell (9 x 9 tiles), 10 units between knots.
inline LandscapeData SmallLandscape(float (*height)(uint32_t c, uint32_t r)) {
    LandscapeData l;
    l.knotsX = l.knotsY = 37;
    l.knotsPerCellX = l.knotsPerCellY = 4;
    l.bounds = TestBounds();
    for (uint32_t r = 0; r < 37; ++r)
        for (uint32_t c = 0; c < 37; ++c) l.heights.push_back(height(c, r));
    l.cells.assign(static_cast<size_t>(l.CellsX()) * l.CellsY(), 1);
    l.textures.push_back({"grass.bmp", DibPicture::Solid(8, 8, 40, 160, 40)});
    return l;
}

}  // namespace kes::test
