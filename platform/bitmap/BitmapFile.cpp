#include "platform/bitmap/BitmapFile.h"

#include <bit>

#include "platform/bytes/ByteIO.h"

namespace plat {
namespace {

constexpr size_t kFileHeaderSize = 14;

bool Fail(std::string* why, const char* text) {
    if (why) *why = text;
    return false;
}

// One mask: contiguous bits inside the pixel.
bool GoodMask(uint32_t mask, uint16_t bitCount) {
    if (mask == 0) return false;
    if (bitCount == 16 && (mask >> 16) != 0) return false;
    const uint32_t low = mask >> std::countr_zero(mask);
    return (low & (low + 1)) == 0;
}

// A channel through its mask, scaled to 0..255 (rounded down, as the game widens 5-bit channels).
uint8_t Channel(uint32_t pixel, uint32_t mask) {
    const int shift = std::countr_zero(mask);
    const uint32_t max = mask >> shift;
    const uint32_t value = (pixel & mask) >> shift;
    return static_cast<uint8_t>(static_cast<uint64_t>(value) * 255 / max);
}

}  // namespace

bool ReadBitmapInfo(const uint8_t* dib, size_t size, BitmapInfo* info, std::string* why) {
    if (!dib || size < 4) return Fail(why, "the bitmap header is cut short");
    BitmapInfo h;
    h.headerSize = LoadU32(dib);
    if (h.headerSize != 40 && h.headerSize != 52 && h.headerSize != 56 && h.headerSize != 108 &&
        h.headerSize != 124)
        return Fail(why, "the bitmap header has a size no bitmap uses");
    if (size < h.headerSize) return Fail(why, "the bitmap header is cut short");
    const int32_t width = LoadI32(dib + 4);
    const int32_t height = LoadI32(dib + 8);
    h.bitCount = LoadU16(dib + 14);
    h.compression = LoadU32(dib + 16);
    h.sizeImage = LoadU32(dib + 20);
    h.clrUsed = LoadU32(dib + 32);
    switch (h.bitCount) {
        case 1: case 4: case 8: case 16: case 24: case 32: break;
        default: return Fail(why, "the bitmap has a bit count no bitmap uses");
    }
    if (width <= 0 || static_cast<uint32_t>(width) > kMaxBitmapSide) return Fail(why, "the bitmap's width is out of range");
    const int64_t rows = height < 0 ? -static_cast<int64_t>(height) : height;
    if (rows == 0 || rows > kMaxBitmapSide) return Fail(why, "the bitmap's height is out of range");
    h.width = static_cast<uint32_t>(width);
    h.height = static_cast<uint32_t>(rows);
    h.topDown = height < 0;
    h.rowBytes = static_cast<uint32_t>((static_cast<uint64_t>(h.bitCount) * h.width + 31) / 32 * 4);
    h.tableOffset = h.headerSize;
    if (h.compression == kBitmapBitFields) {
        if (h.bitCount != 16 && h.bitCount != 32) return Fail(why, "bit fields need 16 or 32 bits");
        // The 40-byte header is followed by the three masks; the later headers hold them.
        const size_t at = 40;
        if (h.headerSize == 40) {
            if (size < 52) return Fail(why, "the bitmap's colour masks are cut short");
            h.tableOffset = 52;
        }
        for (int c = 0; c < 3; ++c) h.masks[c] = LoadU32(dib + at + 4 * c);
        for (int c = 0; c < 3; ++c)
            if (!GoodMask(h.masks[c], h.bitCount)) return Fail(why, "the bitmap has a colour mask that cannot be read");
    } else if (h.compression == kBitmapRgb) {
        if (h.bitCount == 16) h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
        else h.masks[0] = 0xFF0000, h.masks[1] = 0xFF00, h.masks[2] = 0xFF;
    } else {
        return Fail(why, "the bitmap is compressed");
    }
    if (h.bitCount <= 8) {
        const uint32_t full = 1u << h.bitCount;
        h.tableEntries = h.clrUsed != 0 && h.clrUsed < full ? h.clrUsed : full;
    }
    *info = h;
    return true;
}

bool ReadBitmapFile(const uint8_t* file, size_t size, BitmapFile* out, std::string* why) {
    if (!file || size < kFileHeaderSize || file[0] != 'B' || file[1] != 'M') return Fail(why, "the file is not a bitmap");
    BitmapFile f;
    f.pixelOffset = LoadU32(file + 10);
    if (!ReadBitmapInfo(file + kFileHeaderSize, size - kFileHeaderSize, &f.info, why)) return false;
    const uint64_t tableEnd = kFileHeaderSize + static_cast<uint64_t>(f.info.tableOffset) + 4ull * f.info.tableEntries;
    if (tableEnd > size) return Fail(why, "the bitmap's colour table is cut short");
    const uint64_t rows = static_cast<uint64_t>(f.info.rowBytes) * f.info.height;
    if (f.pixelOffset < kFileHeaderSize + f.info.tableOffset || f.pixelOffset > size || rows > size - f.pixelOffset)
        return Fail(why, "the bitmap's rows are not inside the file");
    *out = f;
    return true;
}

bool HasPlainMasks(const BitmapInfo& info) {
    if (info.bitCount == 16) return info.masks[0] == 0x7C00 && info.masks[1] == 0x03E0 && info.masks[2] == 0x001F;
    return info.masks[0] == 0xFF0000 && info.masks[1] == 0xFF00 && info.masks[2] == 0xFF;
}

void BitFieldRowToBgr(const BitmapInfo& info, const uint8_t* row, uint8_t* bgr) {
    const size_t step = info.bitCount / 8;
    for (uint32_t x = 0; x < info.width; ++x, row += step, bgr += 3) {
        const uint32_t pixel = step == 2 ? LoadU16(row) : LoadU32(row);
        bgr[0] = Channel(pixel, info.masks[2]);
        bgr[1] = Channel(pixel, info.masks[1]);
        bgr[2] = Channel(pixel, info.masks[0]);
    }
}

}  // namespace plat
