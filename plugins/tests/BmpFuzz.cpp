// Bitmap files from anywhere through the normaliser the plug-ins load pictures and maps with.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugins/shared/ChunkBitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto dib = qv::NormaliseBmp(std::vector<uint8_t>(data, data + size));
    if (dib) (void)qv::ToBitmap(*dib);
    return 0;
}
