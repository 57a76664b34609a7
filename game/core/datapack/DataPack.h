#pragma once
// The data pack: all read-only assets in one file whose directory is read once at start-up
// (MakeLoadCache); afterwards any asset is fetched by name (LoadFile) and unpacked in memory when it
// was stored compressed. Messages go to standard output.
#include <cstddef>
#include <cstdint>

namespace kes {

// Opens the pack and reads its directory. 1 ready, 0 failed (message printed: the pack cannot be
// opened, memory ran out, or the directory is damaged). The pack stays open until FreeLoadCache.
int MakeLoadCache(const char* packPath);

// Closes the pack and forgets the directory.
void FreeLoadCache();

// Fetches a file by name (ASCII letters compared without regard to case; the first of equal names
// wins). *outSize receives the file's full size when given.
//  - buffer null: returns a new block from std::malloc holding the file; the caller std::frees it.
//  - buffer given: the file is written into it and it is returned; capacity is the buffer's size in
//    bytes and must hold the file's full size (GetCachedFileSize), else nothing is written and the
//    result is null. Packed bytes never touch the caller's buffer.
// Null as well when the name is unknown (no message), memory runs out, the data is short or damaged.
void* LoadFile(const char* name, void* buffer = nullptr, uint32_t* outSize = nullptr, size_t capacity = 0);

// The file's full size, or 0 with "File not found in cache.\n".
uint32_t GetCachedFileSize(const char* name);

}  // namespace kes
