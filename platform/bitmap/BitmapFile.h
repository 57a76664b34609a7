#pragma once
// The one reader of bitmap files (".bmp") that the game and the editor share: the info header in
// each of its sizes (40 bytes, and the later 52, 56, 108 and 124 with their colour masks), the
// colour table, uncompressed rows and bit-field rows (compression 3) of 16 and 32 bits, whose
// masks are applied here. Run-length and embedded-image compressions are refused.
#include <cstddef>
#include <cstdint>
#include <string>

namespace plat {

constexpr uint32_t kBitmapRgb = 0;        // uncompressed
constexpr uint32_t kBitmapBitFields = 3;  // 16 or 32 bits read through three colour masks

struct BitmapInfo {
    uint32_t headerSize = 0;   // 40, 52, 56, 108 or 124
    uint32_t width = 0;
    uint32_t height = 0;       // rows, whichever way they are stored
    bool topDown = false;      // rows stored top row first (a negative height in the file)
    uint16_t bitCount = 0;     // 1, 4, 8, 16, 24 or 32
    uint32_t compression = 0;  // kBitmapRgb or kBitmapBitFields
    uint32_t sizeImage = 0;    // as the header gives it (0 allowed)
    uint32_t clrUsed = 0;
    // Red, green and blue masks of a 16- or 32-bit pixel: the file's for bit fields, else those of
    // an uncompressed bitmap (5-5-5, or 8-8-8 in the low three bytes).
    uint32_t masks[3] = {};
    uint32_t rowBytes = 0;        // one stored row, padded to four bytes
    uint32_t tableOffset = 0;     // the colour table, from the info header's first byte
    uint32_t tableEntries = 0;    // entries the bitmap uses (0 above 8 bits)
};

// Largest side accepted.
constexpr uint32_t kMaxBitmapSide = 0xFFFF;

// Reads and checks the info header at the start of dib (a bitmap's bytes after its 14-byte file
// header; size counts what is there). False, with the reason in *why, for a header size, bit
// count, compression, mask or side the reader does not take, or masks that run past the bytes.
bool ReadBitmapInfo(const uint8_t* dib, size_t size, BitmapInfo* info, std::string* why);

// A whole file: "BM", the pixel offset (from the file's first byte) and the info header, with the
// colour table and every row inside the file.
struct BitmapFile {
    BitmapInfo info;
    uint32_t pixelOffset = 0;
};
bool ReadBitmapFile(const uint8_t* file, size_t size, BitmapFile* out, std::string* why);

// True when 16- or 32-bit rows can be taken as they are: the masks are those of an uncompressed
// bitmap of the same bit count.
bool HasPlainMasks(const BitmapInfo& info);

// Writes one stored row of a 16- or 32-bit bitmap as blue, green, red bytes (3 x width), each
// channel scaled from its mask's width to eight bits (value x 255 / largest value, rounded down).
void BitFieldRowToBgr(const BitmapInfo& info, const uint8_t* row, uint8_t* bgr);

}  // namespace plat
