#include "game/world/chunk/ChunkPicture.h"

#include "platform/bytes/ByteIO.h"

namespace kes {

ImageRecord* ReadChunkPicture(ChunkStream& s, PictureChecksum checksum) {
    // The header is looked at first, so that a picture that cannot be one fails before anything
    // larger is read; the picture reader then takes it from its first byte and settles the row
    // padding the same way for the game's and the editor's form.
    uint8_t head[40];
    if (!s.Bytes(head, 40)) return nullptr;
    const int32_t w = static_cast<int32_t>(plat::LoadU32(head + 4));
    const int32_t h = static_cast<int32_t>(plat::LoadU32(head + 8));
    const uint32_t bits = plat::LoadU16(head + 14);
    if (plat::LoadU32(head) != 40 || w <= 0 || w > 65535 || h == 0 || h < -65535 || h > 65535 || bits > 32)
        return nullptr;
    const uint32_t rows = static_cast<uint32_t>(h < 0 ? -h : h);
    const uint32_t table = bits <= 8 ? 1024 : 0;
    const size_t stored = StoredRowBytes(bits, static_cast<uint32_t>(w), rows, plat::LoadU32(head + 20));
    if (table + static_cast<uint64_t>(stored) * rows > s.Remaining()) return nullptr;
    if (!s.Seek(s.Tell() - 40)) return nullptr;
    return ReadImageFromStream(s, 0, checksum);
}

}  // namespace kes
