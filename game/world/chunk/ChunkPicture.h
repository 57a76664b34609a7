#pragma once
// A picture stored inside a chunk as a bitmap header, colour table and rows. The game's own form
// pads rows to two bytes; the editor pads them to four and says so in the header's image size.
// Both are accepted.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "game/core/image/ImageDecode.h"
#include "game/core/image/ImageRecord.h"
#include "game/world/chunk/ChunkStream.h"

namespace kes {

// Null on a bad header, rows beyond the chunk, a depth below 5 bits or no memory.
ImageRecord* ReadChunkPicture(ChunkStream& stream, PictureChecksum checksum = PictureChecksum::Compute);

// A stored picture's bytes (header, colour table, rows) as they stand, checked as ReadChunkPicture
// checks them, so that the decoding (ReadImageFromStream over memory) can be done elsewhere. The
// buffer is reused when it is large enough. The size, or 0 on a bad header or rows beyond the chunk.
size_t ReadChunkPictureBytes(ChunkStream& stream, std::unique_ptr<uint8_t[]>* buffer, size_t* capacity);

}  // namespace kes
