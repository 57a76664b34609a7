#include "game/world/chunk/ChunkPicture.h"

#include <cstring>
#include <vector>

#include "game/core/image/ImageDecode.h"
#include "platform/bytes/ByteIO.h"

namespace kes {

ImageRecord* ReadChunkPicture(ChunkStream& s, PictureChecksum checksum) {
    uint8_t head[40];
    if (!s.Bytes(head, 40)) return nullptr;
    const int32_t w = static_cast<int32_t>(plat::LoadU32(head + 4));
    const int32_t h = static_cast<int32_t>(plat::LoadU32(head + 8));
    const uint32_t bits = plat::LoadU16(head + 14);
    const uint32_t imageSize = plat::LoadU32(head + 20);
    if (plat::LoadU32(head) != 40 || w <= 0 || w > 65535 || h == 0 || h < -65535 || h > 65535 || bits > 32)
        return nullptr;
    const uint32_t rows = static_cast<uint32_t>(h < 0 ? -h : h);
    const uint32_t table = bits <= 8 ? 1024 : 0;
    const uint32_t even = ((bits * static_cast<uint32_t>(w) + 15) / 16) * 2;
    const uint32_t padded4 = ((bits * static_cast<uint32_t>(w) + 31) / 32) * 4;
    const uint32_t stored = (padded4 != even && imageSize == padded4 * rows) ? padded4 : even;
    if (table + static_cast<uint64_t>(stored) * rows > s.Remaining()) return nullptr;
    if (stored == even) {
        // Rows in the game's own form: the picture reader takes them straight from the chunk.
        if (!s.Seek(s.Tell() - 40)) return nullptr;
        return ReadImageFromStream(s, 0, checksum);
    }
    // Rebuilt in the game's own form for the picture reader.
    std::vector<uint8_t> bytes(40 + table + static_cast<size_t>(even) * rows);
    std::memcpy(bytes.data(), head, 40);
    if (table && !s.Bytes(bytes.data() + 40, table)) return nullptr;
    std::vector<uint8_t> row(stored);
    for (uint32_t r = 0; r < rows; ++r) {
        if (!s.Bytes(row.data(), stored)) return nullptr;
        std::memcpy(bytes.data() + 40 + table + static_cast<size_t>(r) * even, row.data(), even);
    }
    MemoryImageStream memory(bytes.data(), bytes.size());
    return ReadImageFromStream(memory, 0, checksum);
}

}  // namespace kes
