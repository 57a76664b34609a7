#pragma once
// The bitmap record of the "TINF", "LMAP" and "PHYS" chunks: the 40-byte bitmap header, a colour table
// of 1024 bytes for 5 to 8 bits per pixel, 64 bytes for 2 to 4 bits and none otherwise, then the rows,
// each padded to 4 bytes, bottom row first. And the bitmap files the plug-ins load, normalised to that
// form whatever header and row order the file uses.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "editor/texture/Dib.h"
#include "platform/dialogs/Bitmap.h"
#include "plugins/shared/ChunkReader.h"

namespace qv {

// Bytes one record of the bitmap takes in a chunk.
uint32_t ChunkBitmapBytes(const Dib& bitmap);
void WriteChunkBitmap(ChunkWriter& out, const Dib& bitmap);
// Reads one record, checking the header (size 40, no compression, a known bit count, sides within
// maxWidth x maxHeight) and every byte against the chunk. Nothing on failure.
std::optional<Dib> ReadChunkBitmap(ChunkReader& in, int32_t maxWidth = kMaxBitmapSide,
                                   int32_t maxHeight = kMaxBitmapSide);

// A u32 flag (1 or 0), then the bitmap when there is one: how the light and physics chunks store
// each of their maps. Reading: false when the flag or the bitmap cannot be read; *out is then unset.
void WriteFlaggedBitmap(ChunkWriter& out, const std::optional<Dib>& bitmap);
bool ReadFlaggedBitmap(ChunkReader& in, std::optional<Dib>* out);

// A ".bmp" file image as the editor keeps bitmaps: a 40-byte header without compression, bottom-up rows
// padded to 4 bytes, the image size filled in, 1- and 4-bit pictures widened to 8 bits. Files with the
// larger headers (versions 4 and 5), bit-field masks for 16 and 32 bits, top-down rows or an image size
// of 0 are turned into that form. Nothing when the file is not a bitmap that can be read.
std::optional<Dib> NormaliseBmp(const std::vector<uint8_t>& file);
std::optional<Dib> LoadBitmapFile(const std::string& path);
// The file image of a bitmap (for tests, tools and the palette files of the plug-ins).
std::vector<uint8_t> EncodeBmp(const Dib& bitmap);

// The picture as the window layer shows it (top row first, opaque), for the viewers.
plat::Bitmap ToBitmap(const Dib& bitmap);

// An 8-bit bitmap with the grey ramp as colour table (index = grey), all pixels `level`.
Dib GreyBitmap(int32_t width, int32_t height, uint8_t level);
// The palette index or colour word (blue, green, red from the low byte up) at column x, row y
// counted from the bottom row.
uint32_t BitmapPixel(const Dib& bitmap, int32_t x, int32_t y);

}  // namespace qv
