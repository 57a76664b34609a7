#pragma once
// A bitmap laid over the ground plane, as the physics and light-map chunks store it: a 40-byte
// bitmap header, its colour table and the pixel rows (bottom row first).
#include <cstdint>
#include <vector>

#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/WorldTypes.h"

namespace kes {

struct MapBitmap {
    std::vector<uint8_t> header;  // the 40-byte header followed by the colour table
    std::vector<uint8_t> pixels;  // |height| rows of rowBytes
    uint32_t width = 0;
    uint32_t height = 0;          // |biHeight|
    uint32_t bitsPerPixel = 0;
    uint32_t rowBytes = 0;
    // Placement over the ground: column = (x - originX) x scaleX, row = (y - originY) x scaleY.
    float originX = 0, originY = 0, scaleX = 0, scaleY = 0;

    bool Present() const { return width != 0; }
    void Clear() { *this = MapBitmap(); }
    // Spreads the map over the box's ground extent; false when the box has no extent.
    bool Place(const WorldBounds& bounds);
};

// Colour-table bytes that follow a header of this many bits per pixel.
uint32_t MapColourTableBytes(uint32_t bitsPerPixel);

// Reads one map. Rows are ((bits + 7) / 8 x width) bytes rounded up to even; a header whose image
// size says the rows are padded to four bytes (as the editor writes them) is read with four-byte
// rows. Only the listed bit depths are accepted (allowedBits: bit n set = n bits per pixel allowed).
// A 24-bit map is widened to 32 bits per pixel (blue, green, red, 0). False on a bad header, a
// depth not allowed, sizes beyond the chunk or a short read; the map is then left empty.
bool ReadMapBitmap(ChunkStream& stream, uint64_t allowedBits, MapBitmap* out);

// The column and row of a point, clamped into the map.
void MapClampedCell(const MapBitmap& map, float x, float y, uint32_t* column, uint32_t* row);

}  // namespace kes
