#pragma once
// Bitmap files written byte by byte for tests: any header size, bit fields, colour table and rows.
#include <cstdint>
#include <vector>

#include "platform/bytes/ByteIO.h"

namespace plat::test {

struct BitmapSpec {
    int32_t width = 1;
    int32_t height = 1;  // negative: rows stored top row first
    uint16_t bits = 24;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    uint32_t masks[3] = {};           // written for bit fields, and into headers of 52 bytes or more
    std::vector<uint32_t> table;      // colour table entries
    std::vector<uint8_t> rows;        // stored rows, padded to four bytes
};

inline std::vector<uint8_t> BitmapBytes(const BitmapSpec& s) {
    const bool masksAfterHeader = s.headerSize == 40 && s.compression == 3;
    const uint32_t tableAt = 14 + s.headerSize + (masksAfterHeader ? 12 : 0);
    ByteWriter w;
    w.U16(0x4D42);
    w.U32(0);
    w.U32(0);
    w.U32(tableAt + 4 * static_cast<uint32_t>(s.table.size()));
    w.U32(s.headerSize);
    w.I32(s.width);
    w.I32(s.height);
    w.U16(1);
    w.U16(s.bits);
    w.U32(s.compression);
    w.U32(static_cast<uint32_t>(s.rows.size()));
    w.I32(2835);
    w.I32(2835);
    w.U32(static_cast<uint32_t>(s.table.size()));
    w.U32(0);
    if (s.headerSize > 40 || masksAfterHeader)
        for (uint32_t m : s.masks) w.U32(m);
    for (uint32_t i = 52; i < s.headerSize; i += 4) w.U32(0);  // alpha mask, colour space and the rest
    for (uint32_t entry : s.table) w.U32(entry);
    w.Bytes(s.rows.data(), s.rows.size());
    return w.Take();
}

}  // namespace plat::test
