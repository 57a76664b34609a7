#include "plugins/shared/ChunkBitmap.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/bitmap/BitmapFile.h"
#include "platform/bytes/ByteIO.h"

namespace qv {

namespace {

constexpr uint32_t kRgb = 0, kBitFields = 3;

// memcpy that accepts the empty vectors of bitmaps without a colour table or pixels.
void CopyBytes(uint8_t* to, const uint8_t* from, size_t n) {
    if (n) std::memcpy(to, from, n);
}

uint32_t AbsHeight(int32_t h) { return h < 0 ? static_cast<uint32_t>(-static_cast<int64_t>(h)) : static_cast<uint32_t>(h); }

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
    // The editor's decoder (over the bitmap reader the game shares) takes every header size and bit
    // field; what is left here is the row order: a top-down file is turned bottom-up first.
    plat::BitmapFile bitmap;
    if (!plat::ReadBitmapFile(file.data(), file.size(), &bitmap, nullptr)) return std::nullopt;
    if (!bitmap.info.topDown) return DecodeBmp(file);
    std::vector<uint8_t> flipped = file;
    plat::StoreU32(flipped.data() + 14 + 8, bitmap.info.height);  // a positive height: bottom row first
    const size_t row = bitmap.info.rowBytes;
    const uint8_t* rows = file.data() + bitmap.pixelOffset;
    for (uint32_t y = 0; y < bitmap.info.height; ++y)
        std::memcpy(flipped.data() + bitmap.pixelOffset + y * row, rows + (bitmap.info.height - 1 - y) * row, row);
    return DecodeBmp(flipped);
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
