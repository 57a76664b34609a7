#pragma once
// Records and result codes shared by the world file reader and its chunk readers.
#include <cstdint>

namespace kes {

// The world box read from the header chunk: min x, min y, min z, max x, max y, max z (z is up).
struct WorldBounds {
    float minX = 0, minY = 0, minZ = 0, maxX = 0, maxY = 0, maxZ = 0;
};

// A four-character chunk tag as the file stores it (first character in the lowest byte).
constexpr uint32_t ChunkTag(const char (&s)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) | (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24);
}

constexpr int32_t kWorldOk = 0;
constexpr int32_t kWorldNotListed = -1;
constexpr int32_t kWorldOpenFailed = static_cast<int32_t>(0x8123F6FF);
constexpr int32_t kWorldBadFile = static_cast<int32_t>(0x8123F6FD);
constexpr int32_t kWorldOutOfMemory = static_cast<int32_t>(0x8007000E);
constexpr int32_t kWorldBadTextureKind = static_cast<int32_t>(0x8123F800);

}  // namespace kes
