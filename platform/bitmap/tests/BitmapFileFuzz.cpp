// Feeds arbitrary bytes to the bitmap file reader and, when it takes them, converts every row.
#include <cstdint>
#include <vector>

#include "platform/bitmap/BitmapFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    plat::BitmapFile file;
    if (!plat::ReadBitmapFile(data, size, &file, nullptr)) return 0;
    const plat::BitmapInfo& info = file.info;
    if (info.bitCount != 16 && info.bitCount != 32) return 0;
    std::vector<uint8_t> bgr(static_cast<size_t>(info.width) * 3);
    for (uint32_t y = 0; y < info.height; ++y)
        plat::BitFieldRowToBgr(info, data + file.pixelOffset + static_cast<size_t>(y) * info.rowBytes, bgr.data());
    return 0;
}
