#pragma once
// The movie pack's directory as the movie player keeps it: the data pack's layout and masking, with
// 264-byte entries in memory (the packed size is read and dropped: movies are stored as they are).
#include <cstdint>
#include <vector>

#include "game/core/pack/PackFile.h"

namespace kes {

struct MoviePackEntry {
    char name[256];   // zero-terminated
    uint32_t offset;  // from the start of the pack
    uint32_t size;
};

// Reads the directory of an open movie pack. 0 on success; -1 when it is short or damaged (names
// of 1..256 bytes with their terminator, data inside the pack), with *entries left empty.
int ReadMoviePackDirectory(PackFile& pack, std::vector<MoviePackEntry>* entries);

// The first entry whose name matches without regard to case, or null.
const MoviePackEntry* FindMoviePackEntry(const std::vector<MoviePackEntry>& entries, const char* name);

}  // namespace kes
