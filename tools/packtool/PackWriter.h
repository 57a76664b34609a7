#pragma once
// Writes data packs (the game's asset, track and movie packs): a plain u32 entry count, the
// directory masked with 0xA7, then each file's bytes in directory order, stored as they are or as a
// compressed container when that is smaller.
#include <cstdint>
#include <string>
#include <vector>

namespace tools {

struct PackInput {
    std::string name;           // the name inside the pack, with backslashes (e.g. "LOCALIZE\\ENGLISH.TXT")
    std::vector<uint8_t> data;  // the file's bytes
    bool compress = false;      // store packed when the container is smaller than the data
};

// The whole pack in memory. Fails (false, *error set) on an empty name, a name of 260 bytes or more,
// or a pack that would pass 4 GB.
bool BuildPack(const std::vector<PackInput>& files, std::vector<uint8_t>* pack, std::string* error);

// The directory bytes of one entry before masking: u32 L, name and terminator, offset, packed size, size.
std::vector<uint8_t> PlainDirectoryEntry(const std::string& name, uint32_t offset, uint32_t packedSize,
                                         uint32_t size);

// Writes bytes to path through a temporary file in the same folder (flushed, then renamed over the
// old file), so a failed write never destroys an existing pack.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

// BuildPack then WriteFileAtomically.
bool WritePack(const std::string& path, const std::vector<PackInput>& files, std::string* error);

}  // namespace tools
