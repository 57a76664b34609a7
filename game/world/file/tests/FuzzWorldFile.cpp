// Feeds arbitrary bytes to the world reader as a world file, with every chunk reader behind it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "game/core/texture/TextureContainer.h"
#include "game/world/file/WorldFile.h"
#include "game/world/landscape/Landscape.h"

namespace {

// Textures become table entries only: the fuzzer needs no display.
class NullRender : public kes::RenderInterface {
public:
    int32_t LoadTextureRecord(kes::ImageStream& s, uint32_t* out, uint32_t, uint32_t) override {
        uint8_t head[132];
        if (s.Read(head, sizeof head) != sizeof head) return 1;
        return Store(out);
    }
    int32_t CreateTextureFromImage(const char*, kes::ImageRecord* image, uint32_t* out, uint32_t) override {
        kes::FreeImage(image);
        return Store(out);
    }
    int32_t ReleaseTexture(uint32_t h) override {
        uint32_t* t = Handles();
        if (h >= 1 && h < kes::kHandleTableSize && t[h]) t[h] = 0, --t[0];
        return 0;
    }
    int32_t SetState(uint32_t, uint32_t) override { return 0; }
    int32_t SelectTexture(uint32_t) override { return 0; }
    int32_t DrawIndexed(uint32_t, uint32_t, kes::ScreenVertex*, uint32_t, uint16_t*, uint32_t) override { return 0; }

private:
    int32_t Store(uint32_t* out) {
        uint32_t* t = Handles();
        uint32_t i = 1;
        while (i < kes::kHandleTableSize && t[i]) ++i;
        if (i >= kes::kHandleTableSize) return -2;
        t[i] = i;
        ++t[0];
        *out = i;
        return 0;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static NullRender render;
    static const std::string path = "/tmp/gravelon_fuzz_world_" + std::to_string(::getpid());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    kes::WorldListEntry e;
    e.name = path;
    kes::WorldLoadEntry(e, &render, nullptr);
    kes::LandscapeHeightAt(10.0f, 20.0f);
    kes::WorldView view;
    view.groundMaxX = view.groundMaxY = 1000.0f;
    kes::WorldRender(view);
    kes::WorldUnload();
    while (kes::TextureListHead()) kes::DestroyTexture(kes::TextureListHead()->name);
    std::remove(path.c_str());
    return 0;
}
