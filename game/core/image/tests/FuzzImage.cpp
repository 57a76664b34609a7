// Fuzz target: bitmap bytes through the file, DIB and stream decoders.
#include <cstddef>
#include <cstdint>

#include "game/core/image/ImageDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kes::FreeImage(kes::ImageFromBitmapFile(data, size));
    if (size >= 4) {
        const uint32_t offset = data[0] | (data[1] << 8);
        kes::FreeImage(kes::ImageFromDib(data + 4, size - 4, offset));
    }
    kes::MemoryImageStream stream(data, size);
    kes::ImageRecord* image = kes::ReadImageFromStream(stream);
    if (image) kes::HalveImage(image, 5);
    kes::FreeImage(image);
    return 0;
}
