#pragma once
// Readers that make image records from pictures: the world file's three-part picture (header,
// colour table, rows with two-byte row alignment), bitmap files and DIB bytes in memory.
#include <cstddef>
#include <cstdint>
#include <string>

#include "game/core/image/ImageRecord.h"
#include "game/core/image/ImageStream.h"

namespace kes {

// Bytes one row of a stored picture takes. The game's own form pads rows to two bytes; the editor
// pads them to four, as bitmaps do, and its header's image size (rows x four-byte row) says so.
// Where the two paddings differ, an image size of exactly rows x the four-byte row picks that
// form; anything else (0 included) means the game's own.
size_t StoredRowBytes(uint32_t bits, uint32_t width, uint32_t rows, uint32_t imageSize);

// Reads one picture from a stream: 40-byte header, 1024-byte colour table when 8 bits or fewer,
// rows bottom row first, each StoredRowBytes long. pixelOffset 0: the rows follow
// the colour table; otherwise they start pixelOffset bytes after the header's first byte. Null on
// a short read, a picture below 5 bits per pixel (after header and table are read), bad sizes or
// no memory. The stream is left after the rows. The checksum is left 0 when the caller has no use
// for it (a world's textures), since it costs a pass over every pixel.
enum class PictureChecksum { Compute, Skip };
ImageRecord* ReadImageFromStream(ImageStream& stream, uint32_t pixelOffset = 0,
                                 PictureChecksum checksum = PictureChecksum::Compute);

// Decodes a bitmap's info header and rows held in memory (the bytes after a .bmp file's 14-byte
// file header); the rows start pixelOffset bytes after the header's first byte. Bitmap rules: any
// header size, rows padded to four bytes, top-down bitmaps honoured, bit fields whose masks differ
// from an uncompressed bitmap's read through them into red, green, blue, compressed bitmaps refused.
ImageRecord* ImageFromDib(const uint8_t* bytes, size_t size, uint32_t pixelOffset);

// Loads a .bmp file ("BM" required) as the system's bitmap loader would hand it over: 8-bit grey
// ramps become grey levels, 16- and 32-bit rows are copied, 24-bit rows become red, green, blue.
// Sets the checksum. Null when the file cannot be read or decoded.
ImageRecord* LoadImageFile(const std::string& path);
// The same from the bytes of a whole .bmp file.
ImageRecord* ImageFromBitmapFile(const uint8_t* bytes, size_t size);

// True when every entry i of a 256-entry colour table has blue = green = red = i or 255 - i.
bool IsGreyRamp(const uint32_t* table);

}  // namespace kes
