#include "game/world/chunk/ChunkPicture.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "platform/bytes/ByteIO.h"

namespace kes {

namespace {

// The bytes a picture takes from its header on (header, colour table, rows), or 0 when the header
// read cannot be one or the rows run beyond the chunk.
uint64_t PictureBytes(const uint8_t* head, ChunkStream& s) {
    const int32_t w = static_cast<int32_t>(plat::LoadU32(head + 4));
    const int32_t h = static_cast<int32_t>(plat::LoadU32(head + 8));
    const uint32_t bits = plat::LoadU16(head + 14);
    if (plat::LoadU32(head) != 40 || w <= 0 || w > 65535 || h == 0 || h < -65535 || h > 65535 || bits > 32)
        return 0;
    const uint32_t rows = static_cast<uint32_t>(h < 0 ? -h : h);
    const uint32_t table = bits <= 8 ? 1024 : 0;
    const size_t stored = StoredRowBytes(bits, static_cast<uint32_t>(w), rows, plat::LoadU32(head + 20));
    const uint64_t rest = table + static_cast<uint64_t>(stored) * rows;
    return rest > s.Remaining() ? 0 : 40 + rest;
}

}  // namespace

ImageRecord* ReadChunkPicture(ChunkStream& s, PictureChecksum checksum) {
    // The header is looked at first, so that a picture that cannot be one fails before anything
    // larger is read; the picture reader then takes it from its first byte and settles the row
    // padding the same way for the game's and the editor's form.
    uint8_t head[40];
    if (!s.Bytes(head, 40)) return nullptr;
    if (PictureBytes(head, s) == 0) return nullptr;
    if (!s.Seek(s.Tell() - 40)) return nullptr;
    return ReadImageFromStream(s, 0, checksum);
}

size_t ReadChunkPictureBytes(ChunkStream& s, std::unique_ptr<uint8_t[]>* buffer, size_t* capacity) {
    uint8_t head[40];
    if (!s.Bytes(head, 40)) return 0;
    const uint64_t size = PictureBytes(head, s);
    if (size == 0 || size > SIZE_MAX) return 0;
    if (size > *capacity) {
        buffer->reset(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
        *capacity = *buffer ? static_cast<size_t>(size) : 0;
        if (!*buffer) return 0;
    }
    std::memcpy(buffer->get(), head, 40);
    if (!s.Bytes(buffer->get() + 40, static_cast<size_t>(size) - 40)) return 0;
    return static_cast<size_t>(size);
}

}  // namespace kes
