#pragma once
// The start of a ".bmp" file for tests: the 14-byte file head and the 40-byte header of a picture with
// `tableEntries` colour-table entries to follow. Returns the bytes of one stored (padded) row.
#include <cstdint>

#include "editor/texture/Dib.h"
#include "platform/bytes/ByteIO.h"

namespace qv::test {

inline uint32_t WriteBmpHead(plat::ByteWriter& out, int w, int h, int bits, uint32_t tableEntries) {
    const uint32_t row = ((static_cast<uint32_t>(w) * static_cast<uint32_t>(bits) + 31) / 32) * 4;
    out.U16(0x4D42);
    out.U32(0);
    out.U32(0);
    out.U32(14 + 40 + tableEntries * 4);
    BitmapInfoHeader hdr;
    hdr.width = w, hdr.height = h, hdr.bitCount = static_cast<uint16_t>(bits), hdr.sizeImage = row * static_cast<uint32_t>(h);
    WriteBitmapHeader(out, hdr);
    return row;
}

}  // namespace qv::test
