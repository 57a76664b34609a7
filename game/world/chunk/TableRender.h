#pragma once
// A render interface without a device for tests and fuzz targets of chunk readers: a texture
// record becomes a handle-table entry (its bytes are skipped whole), selections and draws are
// counted.
#include <cstring>
#include <string>
#include <vector>

#include "game/core/image/ImageDecode.h"
#include "game/core/render/RenderInterface.h"

namespace kes {

class TableRender : public RenderInterface {
public:
    struct Draw {
        uint32_t texture, vertices, indices;
    };
    std::vector<Draw> draws;
    std::vector<std::pair<uint32_t, uint32_t>> states;
    uint32_t selected = 0;
    uint32_t releases = 0;

    int32_t LoadTextureRecord(ImageStream& s, uint32_t* out, uint32_t, uint32_t) override {
        *out = 0;
        char kind[4];
        char name[128];
        if (s.Read(kind, 4) != 4 || s.Read(name, 128) != 128) return 1;
        const bool alpha = std::memcmp(kind, "TXTA", 4) == 0;
        if (!alpha && std::memcmp(kind, "TXTR", 4) != 0) return 1;
        for (int part = 0; part < (alpha ? 2 : 1); ++part) {
            ImageRecord* img = ReadImageFromStream(s);
            if (!img) return -1;
            FreeImage(img);
        }
        return Store(out);
    }
    int32_t ReleaseTexture(uint32_t h) override {
        uint32_t* t = Handles();
        if (h >= 1 && h < kHandleTableSize && t[h]) {
            t[h] = 0;
            --t[0];
            ++releases;
        }
        return 0;
    }
    int32_t SetState(uint32_t state, uint32_t value) override {
        states.push_back({state, value});
        return 0;
    }
    int32_t SelectTexture(uint32_t h) override {
        selected = h;
        return 0;
    }
    int32_t DrawIndexed(uint32_t, uint32_t v, ScreenVertex*, uint32_t i, uint16_t*, uint32_t) override {
        draws.push_back({selected, v, i});
        return 0;
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

}  // namespace kes
