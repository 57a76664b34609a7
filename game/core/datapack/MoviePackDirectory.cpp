#include "game/core/datapack/MoviePackDirectory.h"

#include <cstring>
#include <string>

#include "game/core/datapack/PackDirectory.h"

namespace kes {

int ReadMoviePackDirectory(PackFile& pack, std::vector<MoviePackEntry>* entries) {
    entries->clear();
    std::vector<PackDirectoryEntry> read;
    std::string error;
    if (!ReadPackDirectory(pack, kMoviePackNameCapacity, &read, &error)) return -1;
    const int64_t packSize = pack.Size();
    for (const PackDirectoryEntry& in : read) {
        // The full size is what the player streams, so that is what must fit.
        if (uint64_t{in.offset} + in.size > static_cast<uint64_t>(packSize)) {
            entries->clear();
            return -1;
        }
        MoviePackEntry out{};
        std::memcpy(out.name, in.name.c_str(), in.name.size() + 1);
        out.offset = in.offset;
        out.size = in.size;
        entries->push_back(out);
    }
    return 0;
}

const MoviePackEntry* FindMoviePackEntry(const std::vector<MoviePackEntry>& entries, const char* name) {
    if (!name) return nullptr;
    for (const MoviePackEntry& entry : entries) {
        if (SamePackName(entry.name, name)) return &entry;
    }
    return nullptr;
}

}  // namespace kes
