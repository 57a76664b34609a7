#pragma once
// A device-independent bitmap kept as stored: the 40-byte header, its colour table and its pixel rows
// (bottom-up, each padded to 4 bytes).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "editor/plugin/PluginApi.h"
#include "platform/bytes/ByteIO.h"

namespace qv {

struct Dib {
    BitmapInfoHeader header;
    std::vector<uint8_t> colourTable;
    std::vector<uint8_t> pixels;

    int32_t Width() const { return header.width; }
    int32_t Height() const { return header.height < 0 ? -header.height : header.height; }
};

// Largest side accepted from files and records; well beyond what the editor's checks allow.
inline constexpr int32_t kMaxBitmapSide = 8192;

// Colour-table bytes of a stored bitmap by bit count: 1 bit none, 2-4 bits 64, 5-8 bits 1024, else none.
uint32_t ColourTableBytes(uint16_t bitCount);
// Bytes of one pixel row padded to 4 bytes.
uint32_t RowBytes(int32_t width, uint16_t bitCount);

// Reads the 40-byte header field by field.
BitmapInfoHeader ReadBitmapHeader(plat::ByteReader& in);
void WriteBitmapHeader(plat::ByteWriter& out, const BitmapInfoHeader& h);

// Checks a header read from a file or record: its own size 40, a bit count of 1, 4, 8, 16, 24 or 32,
// no compression, sides 1..kMaxBitmapSide. Gives the pixel byte count (biSizeImage, or the padded rows
// when it is 0), or nothing when the header is unusable.
std::optional<uint32_t> CheckedPixelBytes(const BitmapInfoHeader& h);

// Decodes a ".bmp" file image with the shared bitmap reader (any header size, bit fields). Bitmaps
// of 1 and 4 bits are widened to 8 bits so that every stored record carries a full colour table;
// 16-bit bitmaps, and 32-bit ones whose masks are not the plain ones, become 24-bit through their
// masks. The result always has a 40-byte header and no compression.
std::optional<Dib> DecodeBmp(const std::vector<uint8_t>& file);
// Builds a bitmap from a header and the bytes after it in memory: for 8 bits the 1024-byte colour
// table, then the rows.
std::optional<Dib> DibFromMemory(const BitmapInfoHeader& header, const void* pixels);

}  // namespace qv
