#include "game/core/datapack/DataPack.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "game/core/datapack/PackDirectory.h"
#include "game/core/pack/ContainerCodec.h"
#include "game/core/pack/PackFile.h"

namespace kes {

namespace {

struct LoadCache {
    PackFile pack;
    std::vector<PackDirectoryEntry> entries;
};

LoadCache& Cache() {
    static LoadCache cache;
    return cache;
}

const PackDirectoryEntry* FindEntry(const char* name) {
    if (!name) return nullptr;
    for (const PackDirectoryEntry& entry : Cache().entries) {
        if (SamePackName(entry.name.c_str(), name)) return &entry;
    }
    return nullptr;
}

// Reads the entry's stored bytes into dest (which holds entry.StoredSize() bytes).
bool ReadStored(const PackDirectoryEntry& entry, void* dest) {
    PackFile& pack = Cache().pack;
    if (!pack.IsOpen()) return false;
    if (pack.Seek(static_cast<int32_t>(entry.offset), 0) != kOk) return false;
    return pack.Read(dest, entry.StoredSize()) == kOk;
}

}  // namespace

int MakeLoadCache(const char* packPath) {
    LoadCache& cache = Cache();
    FreeLoadCache();
    if (!packPath || cache.pack.Open(packPath, "rb", 0, 0, -1) != kOk) {
        std::printf("Cannot open %s.\n", packPath ? packPath : "(null)");
        return 0;
    }
    std::string error;
    bool ok = false;
    try {
        ok = ReadPackDirectory(cache.pack, kDataPackNameCapacity, &cache.entries, &error);
    } catch (const std::bad_alloc&) {
        std::printf("MakeLoadCache Memory Allocation Failed.\n");
        FreeLoadCache();
        return 0;
    }
    if (!ok) {
        std::printf("Damaged directory in %s: %s.\n", packPath, error.c_str());
        FreeLoadCache();
        return 0;
    }
    return 1;
}

void FreeLoadCache() {
    LoadCache& cache = Cache();
    if (cache.pack.IsOpen()) cache.pack.Close();
    cache.entries.clear();
    cache.entries.shrink_to_fit();
}

void* LoadFile(const char* name, void* buffer, uint32_t* outSize, size_t capacity) {
    const PackDirectoryEntry* entry = FindEntry(name);
    if (!entry) return nullptr;
    if (buffer && capacity < entry->size) {
        std::printf("LoadFile buffer too small for %s.\n", entry->name.c_str());
        return nullptr;
    }

    if (entry->packedSize == 0) {
        // Stored as it is: read straight into the destination.
        void* dest = buffer ? buffer : std::malloc(entry->size ? entry->size : 1);
        if (!dest) {
            std::printf("LoadFile Memory Allocation Error\n");
            return nullptr;
        }
        if (!ReadStored(*entry, dest)) {
            std::printf("Cannot read %s from the pack.\n", entry->name.c_str());
            if (!buffer) std::free(dest);
            return nullptr;
        }
        if (outSize) *outSize = entry->size;
        return dest;
    }

    // Packed: the container goes to a private block and is unpacked from there.
    uint8_t* packed = static_cast<uint8_t*>(std::malloc(entry->packedSize));
    if (!packed) {
        std::printf("LoadFile Memory Allocation Error\n");
        return nullptr;
    }
    if (!ReadStored(*entry, packed)) {
        std::printf("Cannot read %s from the pack.\n", entry->name.c_str());
        std::free(packed);
        return nullptr;
    }
    // The container must claim the size the directory gives before anything is unpacked.
    uint32_t unpackedSize = 0;
    uint8_t* unpacked = nullptr;
    if (entry->packedSize >= kContainerHeaderSize && ReadContainerHeader(packed).unpackedSize == entry->size) {
        unpacked = UnpackImage(packed, entry->packedSize, &unpackedSize);
    }
    std::free(packed);
    if (!unpacked || unpackedSize != entry->size) {
        std::printf("Damaged packed file %s in the pack.\n", entry->name.c_str());
        std::free(unpacked);
        return nullptr;
    }
    if (outSize) *outSize = entry->size;
    if (!buffer) return unpacked;
    if (entry->size) std::memcpy(buffer, unpacked, entry->size);
    std::free(unpacked);
    return buffer;
}

uint32_t GetCachedFileSize(const char* name) {
    const PackDirectoryEntry* entry = FindEntry(name);
    if (!entry) {
        std::printf("File not found in cache.\n");
        return 0;
    }
    return entry->size;
}

}  // namespace kes
