#pragma once
// A picture stored inside a chunk as a bitmap header, colour table and rows. The game's own form
// pads rows to two bytes; the editor pads them to four and says so in the header's image size.
// Both are accepted.
#include "game/core/image/ImageDecode.h"
#include "game/core/image/ImageRecord.h"
#include "game/world/chunk/ChunkStream.h"

namespace kes {

// Null on a bad header, rows beyond the chunk, a depth below 5 bits or no memory.
ImageRecord* ReadChunkPicture(ChunkStream& stream, PictureChecksum checksum = PictureChecksum::Compute);

}  // namespace kes
