#include "game/core/image/BitmapCache.h"

#include <cstdlib>

#include "game/core/datapack/DataPack.h"
#include "game/core/image/ImageDecode.h"
#include "platform/bytes/ByteIO.h"

namespace kes {

ImageRecord* LoadBitmapFromCache(const char* name) {
    uint32_t size = 0;
    auto* bytes = static_cast<uint8_t*>(LoadFile(name, nullptr, &size));
    if (!bytes) return nullptr;
    ImageRecord* image = nullptr;
    // The rows are found through the file header's pixel offset, and every read is bounded by the
    // entry's real size (the header's own size field is not trusted).
    if (size >= 14 && bytes[0] == 'B' && bytes[1] == 'M') {
        const uint32_t pixelOffset = plat::LoadU32(bytes + 10);
        if (pixelOffset >= 14) image = ImageFromDib(bytes + 14, size - 14, pixelOffset - 14);
    }
    std::free(bytes);
    return image;
}

}  // namespace kes
