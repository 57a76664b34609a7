#include "editor/texture/Dib.h"

#include <cstring>

#include "platform/bitmap/BitmapFile.h"

namespace qv {

uint32_t ColourTableBytes(uint16_t bitCount) {
    if (bitCount <= 1) return 0;
    if (bitCount <= 4) return 64;
    if (bitCount <= 8) return 1024;
    return 0;
}

uint32_t RowBytes(int32_t width, uint16_t bitCount) {
    uint64_t bits = static_cast<uint64_t>(width < 0 ? -static_cast<int64_t>(width) : width) * bitCount;
    return static_cast<uint32_t>(((bits + 31) / 32) * 4);
}

BitmapInfoHeader ReadBitmapHeader(plat::ByteReader& in) {
    BitmapInfoHeader h;
    h.size = in.U32();
    h.width = in.I32();
    h.height = in.I32();
    h.planes = in.U16();
    h.bitCount = in.U16();
    h.compression = in.U32();
    h.sizeImage = in.U32();
    h.xPelsPerMeter = in.I32();
    h.yPelsPerMeter = in.I32();
    h.clrUsed = in.U32();
    h.clrImportant = in.U32();
    return h;
}

void WriteBitmapHeader(plat::ByteWriter& out, const BitmapInfoHeader& h) {
    out.U32(h.size);
    out.I32(h.width);
    out.I32(h.height);
    out.U16(h.planes);
    out.U16(h.bitCount);
    out.U32(h.compression);
    out.U32(h.sizeImage);
    out.I32(h.xPelsPerMeter);
    out.I32(h.yPelsPerMeter);
    out.U32(h.clrUsed);
    out.U32(h.clrImportant);
}

std::optional<uint32_t> CheckedPixelBytes(const BitmapInfoHeader& h) {
    if (h.size != 40 || h.compression != 0) return std::nullopt;
    switch (h.bitCount) {
        case 1: case 4: case 8: case 16: case 24: case 32: break;
        default: return std::nullopt;
    }
    if (h.width < 1 || h.width > kMaxBitmapSide) return std::nullopt;
    if (h.height == 0 || h.height > kMaxBitmapSide || h.height < -kMaxBitmapSide) return std::nullopt;
    const uint32_t needed = RowBytes(h.width, h.bitCount) * static_cast<uint32_t>(h.height < 0 ? -h.height : h.height);
    if (h.sizeImage == 0) return needed;
    // A stored size smaller than the rows it describes cannot be drawn; a larger one is kept as is.
    if (h.sizeImage < needed || h.sizeImage > needed + 4 * 1024) return std::nullopt;
    return h.sizeImage;
}

namespace {

// Widens 1- and 4-bit rows to 8 bits with a full 256-entry colour table.
Dib WidenToEightBits(const Dib& in, const std::vector<uint8_t>& palette) {
    Dib out;
    out.header = in.header;
    out.header.bitCount = 8;
    out.header.clrUsed = 0;
    out.header.clrImportant = 0;
    const int32_t w = in.Width(), h = in.Height();
    const uint32_t inRow = RowBytes(w, in.header.bitCount), outRow = RowBytes(w, 8);
    out.header.sizeImage = outRow * static_cast<uint32_t>(h);
    out.colourTable.assign(1024, 0);
    std::memcpy(out.colourTable.data(), palette.data(), std::min<size_t>(palette.size(), 1024));
    out.pixels.assign(out.header.sizeImage, 0);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* src = in.pixels.data() + static_cast<size_t>(y) * inRow;
        uint8_t* dst = out.pixels.data() + static_cast<size_t>(y) * outRow;
        for (int32_t x = 0; x < w; ++x) {
            if (in.header.bitCount == 1)
                dst[x] = (src[x / 8] >> (7 - x % 8)) & 1;
            else
                dst[x] = (src[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
        }
    }
    return out;
}

// Rows of 16 bits, or of 32 bits with masks other than an uncompressed bitmap's, become 24-bit
// rows through the masks (the stored order of the rows is kept).
Dib BitFieldsToTwentyFourBits(const Dib& in, const plat::BitmapInfo& info) {
    Dib out;
    out.header = in.header;
    out.header.bitCount = 24;
    const uint32_t outRow = RowBytes(in.header.width, 24);
    out.header.sizeImage = outRow * info.height;
    out.pixels.assign(out.header.sizeImage, 0);
    for (uint32_t y = 0; y < info.height; ++y)
        plat::BitFieldRowToBgr(info, in.pixels.data() + static_cast<size_t>(y) * info.rowBytes,
                               out.pixels.data() + static_cast<size_t>(y) * outRow);
    return out;
}

}  // namespace

std::optional<Dib> DecodeBmp(const std::vector<uint8_t>& file) {
    // The shared bitmap reader checks the header (any of its sizes), the masks of bit fields, and
    // that the table and rows lie inside the file.
    plat::BitmapFile bitmap;
    if (!plat::ReadBitmapFile(file.data(), file.size(), &bitmap, nullptr)) return std::nullopt;
    const plat::BitmapInfo& info = bitmap.info;
    plat::ByteReader in(file.data(), file.size());
    in.Seek(14);
    Dib dib;
    dib.header = ReadBitmapHeader(in);
    if (!in.Ok()) return std::nullopt;
    // Kept as the editor stores bitmaps: a 40-byte header over uncompressed rows.
    dib.header.size = 40;
    dib.header.compression = 0;
    if (!CheckedPixelBytes(dib.header)) return std::nullopt;
    const uint32_t rows = info.rowBytes * info.height;
    // Colour table as the file gives it (clrUsed entries, or the full count for the bit depth).
    std::vector<uint8_t> palette;
    if (info.bitCount <= 8) {
        const uint8_t* table = file.data() + 14 + info.tableOffset;
        palette.assign(table, table + 4 * static_cast<size_t>(info.tableEntries));
    }
    const uint8_t* px = file.data() + bitmap.pixelOffset;
    dib.pixels.assign(px, px + rows);
    dib.header.sizeImage = rows;
    if (info.bitCount < 8) return WidenToEightBits(dib, palette);
    if (info.bitCount == 8) {
        dib.colourTable.assign(1024, 0);
        std::memcpy(dib.colourTable.data(), palette.data(), palette.size());
        dib.header.clrUsed = 0;
        dib.header.clrImportant = 0;
    }
    if (info.bitCount == 16 || (info.bitCount == 32 && !plat::HasPlainMasks(info)))
        return BitFieldsToTwentyFourBits(dib, info);
    return dib;
}

std::optional<Dib> DibFromMemory(const BitmapInfoHeader& header, const void* pixels) {
    if (!pixels) return std::nullopt;
    auto bytes = CheckedPixelBytes(header);
    if (!bytes || header.bitCount < 8) return std::nullopt;
    Dib dib;
    dib.header = header;
    dib.header.sizeImage = *bytes;
    const auto* p = static_cast<const uint8_t*>(pixels);
    const uint32_t table = ColourTableBytes(header.bitCount);
    dib.colourTable.assign(p, p + table);
    dib.pixels.assign(p + table, p + table + *bytes);
    return dib;
}

}  // namespace qv
