#pragma once
// The directory shared by the data pack, the track pack and the movie pack: a plain u32 entry count,
// then variable-length entries whose every byte is XORed with kDirectoryMask:
//   u32 name length L (with the terminating zero), L name bytes, u32 offset from the pack's start,
//   u32 packed size (0 = stored as it is), u32 full size.
// Everything read is checked before use, so a damaged pack is refused with a message rather than
// trusted.
#include <cstdint>
#include <string>
#include <vector>

#include "game/core/pack/PackFile.h"

namespace kes {

constexpr uint8_t kDirectoryMask = 0xA7;
// The name buffer of the data pack's reader holds 260 bytes, the movie pack's 256.
constexpr uint32_t kDataPackNameCapacity = 260;
constexpr uint32_t kMoviePackNameCapacity = 256;
// The smallest entry: length word, a one-byte name (its terminator) and three words.
constexpr uint32_t kMinDirectoryEntrySize = 4 + 1 + 12;

struct PackDirectoryEntry {
    std::string name;         // without the terminator
    uint32_t offset = 0;      // from the start of the pack
    uint32_t packedSize = 0;  // bytes stored when packed, 0 when stored as it is
    uint32_t size = 0;        // full (unpacked) size
    uint32_t StoredSize() const { return packedSize ? packedSize : size; }
};

// Reads the directory from the start of an open pack. Names must have 1..nameCapacity bytes with
// their terminator last; every entry's stored bytes must lie inside the pack. On failure returns
// false and says why in *error (entries read so far are dropped).
bool ReadPackDirectory(PackFile& pack, uint32_t nameCapacity, std::vector<PackDirectoryEntry>* entries,
                       std::string* error);

// Applies (and undoes) the directory mask.
void MaskDirectoryBytes(uint8_t* bytes, size_t size);

// Compares two names the way the packs do: ASCII letters without regard to case.
bool SamePackName(const char* a, const char* b);

}  // namespace kes
