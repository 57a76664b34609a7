#include "plugins/shared/ChunkBitmap.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/bytes/ByteIO.h"

namespace qv {

namespace {

constexpr uint32_t kRgb = 0, kBitFields = 3;

// memcpy that accepts the empty vectors of bitmaps without a colour table or pixels.
void CopyBytes(uint8_t* to, const uint8_t* from, size_t n) {
    if (n) std::memcpy(to, from, n);
}

uint32_t AbsHeight(int32_t h) { return h < 0 ? static_cast<uint32_t>(-static_cast<int64_t>(h)) : static_cast<uint32_t>(h); }

// Position of the lowest set bit and the width of the run of set bits of a colour mask.
void MaskShape(uint32_t mask, int* shift, int* bits) {
    *shift = 0;
    *bits = 0;
    if (!mask) return;
    while (!((mask >> *shift) & 1)) ++*shift;
    while (*shift + *bits < 32 && ((mask >> (*shift + *bits)) & 1)) ++*bits;
}

uint8_t Channel(uint32_t pixel, uint32_t mask) {
    int shift, bits;
    MaskShape(mask, &shift, &bits);
    if (!bits) return 0;
    const uint32_t v = (pixel & mask) >> shift;
    const uint32_t top = (1u << bits) - 1;
    return static_cast<uint8_t>((v * 255 + top / 2) / top);
}

}  // namespace

uint32_t ChunkBitmapBytes(const Dib& b) {
    return 40 + ColourTableBytes(b.header.bitCount) + RowBytes(b.header.width, b.header.bitCount) * AbsHeight(b.header.height);
}

void WriteChunkBitmap(ChunkWriter& out, const Dib& b) {
    BitmapInfoHeader h = b.header;
    h.size = 40;
    h.compression = 0;
    h.sizeImage = RowBytes(h.width, h.bitCount) * AbsHeight(h.height);
    plat::ByteWriter w;
    WriteBitmapHeader(w, h);
    std::vector<uint8_t> table(ColourTableBytes(h.bitCount), 0);
    CopyBytes(table.data(), b.colourTable.data(), std::min(table.size(), b.colourTable.size()));
    w.Bytes(table.data(), table.size());
    // Row padding is written as zeros whatever the bitmap held there, so that equal pictures give
    // equal files.
    std::vector<uint8_t> rows(h.sizeImage, 0);
    const uint32_t padded = RowBytes(h.width, h.bitCount);
    const uint32_t used = static_cast<uint32_t>((static_cast<uint64_t>(h.width) * h.bitCount + 7) / 8);
    for (uint32_t r = 0; r < AbsHeight(h.height); ++r) {
        const size_t at = static_cast<size_t>(r) * padded;
        if (at + used <= b.pixels.size()) CopyBytes(rows.data() + at, b.pixels.data() + at, used);
    }
    w.Bytes(rows.data(), rows.size());
    out.Bytes(w.Data().data(), static_cast<uint32_t>(w.Size()));
}

std::optional<Dib> ReadChunkBitmap(ChunkReader& in, int32_t maxWidth, int32_t maxHeight) {
    uint8_t head[40];
    if (!in.Bytes(head, 40)) return std::nullopt;
    plat::ByteReader r(head, 40);
    Dib dib;
    dib.header = ReadBitmapHeader(r);
    BitmapInfoHeader& h = dib.header;
    if (h.size != 40 || h.compression != 0 || h.width < 1 || h.width > maxWidth || h.height == 0 ||
        h.height == INT32_MIN || static_cast<int64_t>(AbsHeight(h.height)) > maxHeight)
        return std::nullopt;
    switch (h.bitCount) {
        case 1: case 4: case 8: case 16: case 24: case 32: break;
        default: return std::nullopt;
    }
    const uint32_t table = ColourTableBytes(h.bitCount);
    const uint64_t rows = static_cast<uint64_t>(RowBytes(h.width, h.bitCount)) * AbsHeight(h.height);
    if (!in.Need(table + rows)) return std::nullopt;
    dib.colourTable.resize(table);
    dib.pixels.resize(static_cast<size_t>(rows));
    if (!in.Bytes(dib.colourTable.data(), table) || !in.Bytes(dib.pixels.data(), static_cast<uint32_t>(rows)))
        return std::nullopt;
    h.sizeImage = static_cast<uint32_t>(rows);
    return dib;
}

void WriteFlaggedBitmap(ChunkWriter& out, const std::optional<Dib>& bitmap) {
    out.U32(bitmap ? 1 : 0);
    if (bitmap) WriteChunkBitmap(out, *bitmap);
}

bool ReadFlaggedBitmap(ChunkReader& in, std::optional<Dib>* out) {
    out->reset();
    const uint32_t present = in.U32();
    if (!in.Ok()) return false;
    if (present) *out = ReadChunkBitmap(in);
    return !present || out->has_value();
}

std::optional<Dib> NormaliseBmp(const std::vector<uint8_t>& file) {
    plat::ByteReader in(file.data(), file.size());
    if (in.U16() != 0x4D42) return std::nullopt;  // "BM"
    in.Skip(8);
    const uint32_t pixelOffset = in.U32();
    const size_t headerAt = in.Position();
    const uint32_t headerSize = in.U32();
    const int32_t width = in.I32();
    const int32_t height = in.I32();
    in.U16();
    const uint16_t bits = in.U16();
    const uint32_t compression = in.U32();
    in.Skip(12);
    const uint32_t clrUsed = in.U32();
    if (!in.Ok() || (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124))
        return std::nullopt;
    if (width < 1 || width > kMaxBitmapSide || height == 0 || height == INT32_MIN ||
        AbsHeight(height) > static_cast<uint32_t>(kMaxBitmapSide))
        return std::nullopt;
    if (compression != kRgb && !(compression == kBitFields && (bits == 16 || bits == 32))) return std::nullopt;
    switch (bits) {
        case 1: case 4: case 8: case 16: case 24: case 32: break;
        default: return std::nullopt;
    }
    // Colour masks: after a 40-byte header when bit fields are used, inside the larger headers.
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bits == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    size_t tableAt = headerAt + headerSize;
    if (compression == kBitFields) {
        plat::ByteReader m(file.data(), file.size());
        m.Seek(headerAt + 40);
        for (uint32_t& mask : masks) mask = m.U32();
        if (!m.Ok()) return std::nullopt;
        if (headerSize == 40) tableAt += 12;
    }
    const uint32_t height1 = AbsHeight(height);
    const uint32_t inRow = RowBytes(width, bits);
    if (pixelOffset > file.size() || static_cast<uint64_t>(inRow) * height1 > file.size() - pixelOffset)
        return std::nullopt;

    // Rebuild a plain file image: 40-byte header, table, bottom-up rows; then decode that.
    const bool toRgb24 = compression == kBitFields || bits == 16;
    const uint16_t outBits = toRgb24 ? 24 : bits;
    const uint32_t outRow = RowBytes(width, outBits);
    uint32_t entries = 0;
    if (bits <= 8) entries = clrUsed && clrUsed <= (1u << bits) ? clrUsed : (1u << bits);
    if (tableAt + static_cast<uint64_t>(entries) * 4 > file.size()) return std::nullopt;
    plat::ByteWriter w;
    const uint32_t tableBytes = entries * 4;
    w.U16(0x4D42);
    w.U32(54 + tableBytes + outRow * height1);
    w.U32(0);
    w.U32(54 + tableBytes);
    BitmapInfoHeader h;
    h.width = width;
    h.height = static_cast<int32_t>(height1);
    h.bitCount = outBits;
    h.sizeImage = outRow * height1;
    h.clrUsed = entries && entries < (1u << bits) ? entries : 0;
    WriteBitmapHeader(w, h);
    w.Bytes(file.data() + tableAt, tableBytes);
    std::vector<uint8_t> line(outRow, 0);
    for (uint32_t y = 0; y < height1; ++y) {
        // Output row y counts from the bottom; a top-down file stores that row at height - 1 - y.
        const uint32_t from = height < 0 ? height1 - 1 - y : y;
        const uint8_t* src = file.data() + pixelOffset + static_cast<size_t>(from) * inRow;
        if (!toRgb24) {
            std::memcpy(line.data(), src, inRow);
        } else {
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = bits == 16 ? plat::LoadU16(src + x * 2) : plat::LoadU32(src + x * 4);
                line[static_cast<size_t>(x) * 3 + 0] = Channel(p, masks[2]);
                line[static_cast<size_t>(x) * 3 + 1] = Channel(p, masks[1]);
                line[static_cast<size_t>(x) * 3 + 2] = Channel(p, masks[0]);
            }
        }
        w.Bytes(line.data(), outRow);
    }
    return DecodeBmp(w.Data());
}

std::optional<Dib> LoadBitmapFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return std::nullopt;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    return NormaliseBmp(bytes);
}

std::vector<uint8_t> EncodeBmp(const Dib& b) {
    const uint32_t table = ColourTableBytes(b.header.bitCount);
    const uint32_t rows = RowBytes(b.header.width, b.header.bitCount) * AbsHeight(b.header.height);
    plat::ByteWriter w;
    w.U16(0x4D42);
    w.U32(54 + table + rows);
    w.U32(0);
    w.U32(54 + table);
    BitmapInfoHeader h = b.header;
    h.size = 40;
    h.sizeImage = rows;
    h.clrUsed = table ? table / 4 : 0;
    WriteBitmapHeader(w, h);
    std::vector<uint8_t> rest(table + rows, 0);
    CopyBytes(rest.data(), b.colourTable.data(), std::min<size_t>(table, b.colourTable.size()));
    CopyBytes(rest.data() + table, b.pixels.data(), std::min<size_t>(rows, b.pixels.size()));
    w.Bytes(rest.data(), rest.size());
    return w.Take();
}

plat::Bitmap ToBitmap(const Dib& b) {
    plat::Bitmap out(b.Width(), b.Height());
    for (int32_t y = 0; y < b.Height(); ++y)
        for (int32_t x = 0; x < b.Width(); ++x) {
            uint32_t p = BitmapPixel(b, x, y);
            if (b.header.bitCount <= 8) {
                const size_t at = static_cast<size_t>(p) * 4;
                p = at + 3 < b.colourTable.size() ? plat::LoadU32(&b.colourTable[at]) & 0xFFFFFF : 0;
            } else if (b.header.bitCount == 16) {
                p = (((p >> 10) & 31) * 255 / 31) << 16 | (((p >> 5) & 31) * 255 / 31) << 8 | ((p & 31) * 255 / 31);
            }
            // Row y counts from the bottom; the window's rows from the top.
            out.SetPixel(x, b.Height() - 1 - y, 0xFF000000u | p);
        }
    return out;
}

Dib GreyBitmap(int32_t width, int32_t height, uint8_t level) {
    Dib d;
    d.header.width = width;
    d.header.height = height;
    d.header.bitCount = 8;
    d.header.sizeImage = RowBytes(width, 8) * AbsHeight(height);
    d.colourTable.resize(1024);
    for (uint32_t i = 0; i < 256; ++i) plat::StoreU32(&d.colourTable[i * 4], i | (i << 8) | (i << 16));
    d.pixels.assign(d.header.sizeImage, level);
    return d;
}

uint32_t BitmapPixel(const Dib& b, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= b.Width() || y >= b.Height()) return 0;
    const size_t row = static_cast<size_t>(RowBytes(b.header.width, b.header.bitCount)) * static_cast<size_t>(y);
    const uint8_t* p = b.pixels.data() + row;
    const size_t need = row + RowBytes(b.header.width, b.header.bitCount);
    if (b.pixels.size() < need) return 0;
    switch (b.header.bitCount) {
        case 8: return p[x];
        case 24: return p[x * 3] | (p[x * 3 + 1] << 8) | (static_cast<uint32_t>(p[x * 3 + 2]) << 16);
        case 32: return plat::LoadU32(p + x * 4) & 0xFFFFFF;
        case 16: return plat::LoadU16(p + x * 2);
        default: return 0;
    }
}

}  // namespace qv
