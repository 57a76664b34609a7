// Fuzz target: texture records, one after another until the reader stops.
#include <cstddef>
#include <cstdint>

#include "game/core/texture/TextureContainer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kes::MemoryImageStream stream(data, size);
    const char* name = nullptr;
    const uint32_t flags = size ? data[size - 1] : 0;
    for (int i = 0; i < 8; ++i)
        if (kes::ReadTextureRecord(stream, &name, flags & 1, (flags >> 1) & 1) != 0) break;
    while (kes::TextureListHead()) kes::DestroyTexture(kes::TextureListHead()->name);
    return 0;
}
