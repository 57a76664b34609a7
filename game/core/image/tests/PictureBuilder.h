#pragma once
// Writes small pictures for the tests: the stream form (header, table, two-byte-aligned rows bottom
// first) and .bmp files (four-byte-aligned rows).
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/bytes/ByteIO.h"

namespace kes::test {

struct Picture {
    int32_t width = 1;
    int32_t height = 1;  // rows stored bottom first for positive heights
    uint16_t bits = 24;
    std::vector<uint32_t> table;      // written when bits <= 8 (padded to 256 entries)
    std::vector<uint8_t> rowsTopDown; // rowBytes(width) per row, top row first, unpadded
    uint32_t compression = 0;
};

inline size_t RowBytes(const Picture& p) { return (static_cast<size_t>(p.bits) * p.width + 7) / 8; }

inline void WriteInfoHeader(plat::ByteWriter& w, const Picture& p) {
    w.U32(40);
    w.I32(p.width);
    w.I32(p.height);
    w.U16(1);
    w.U16(p.bits);
    w.U32(p.compression);
    w.U32(0);
    w.U32(0);
    w.U32(0);
    w.U32(0);
    w.U32(0);
}

// Rows padded to `align` bytes, bottom row first.
inline void WriteRows(plat::ByteWriter& w, const Picture& p, size_t align) {
    const size_t raw = RowBytes(p);
    const size_t bitsPerRow = static_cast<size_t>(p.bits) * p.width;
    const size_t padded = align == 2 ? (bitsPerRow + 15) / 16 * 2 : (bitsPerRow + 31) / 32 * 4;
    const int64_t rows = p.height < 0 ? -static_cast<int64_t>(p.height) : p.height;
    if (p.width <= 0 || p.rowsTopDown.size() < raw * rows) return;  // damaged pictures: no rows
    for (int r = 0; r < rows; ++r) {
        const int src = p.height < 0 ? r : rows - 1 - r;
        const uint8_t* row = p.rowsTopDown.data() + src * raw;
        w.Bytes(row, raw);
        w.Zeros(padded - raw);
    }
}

inline std::vector<uint8_t> StreamPicture(const Picture& p) {
    plat::ByteWriter w;
    WriteInfoHeader(w, p);
    if (p.bits <= 8)
        for (int i = 0; i < 256; ++i) w.U32(i < static_cast<int>(p.table.size()) ? p.table[i] : 0);
    WriteRows(w, p, 2);
    return w.Take();
}

// The editor's form of the same: rows padded to four bytes, and the header's image size saying so.
inline std::vector<uint8_t> EditorStreamPicture(const Picture& p) {
    plat::ByteWriter w;
    WriteInfoHeader(w, p);
    const uint32_t rows = static_cast<uint32_t>(p.height < 0 ? -static_cast<int64_t>(p.height) : p.height);
    w.PatchU32(20, static_cast<uint32_t>((static_cast<size_t>(p.bits) * p.width + 31) / 32 * 4 * rows));
    if (p.bits <= 8)
        for (int i = 0; i < 256; ++i) w.U32(i < static_cast<int>(p.table.size()) ? p.table[i] : 0);
    WriteRows(w, p, 4);
    return w.Take();
}

inline std::vector<uint8_t> BmpFile(const Picture& p) {
    plat::ByteWriter w;
    const uint32_t tableBytes = p.bits <= 8 ? 1024 : 0;
    w.U8('B');
    w.U8('M');
    w.U32(0);  // file size, patched below
    w.U32(0);
    w.U32(14 + 40 + tableBytes);
    WriteInfoHeader(w, p);
    if (p.bits <= 8)
        for (int i = 0; i < 256; ++i) w.U32(i < static_cast<int>(p.table.size()) ? p.table[i] : 0);
    WriteRows(w, p, 4);
    w.PatchU32(2, static_cast<uint32_t>(w.Size()));
    return w.Take();
}

inline std::vector<uint32_t> GreyTable(bool descending) {
    std::vector<uint32_t> t(256);
    for (uint32_t i = 0; i < 256; ++i) {
        const uint32_t v = descending ? 255 - i : i;
        t[i] = v | (v << 8) | (v << 16);
    }
    return t;
}

}  // namespace kes::test
