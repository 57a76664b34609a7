#include "game/core/datapack/PackDirectory.h"

#include <cstdio>

#include "platform/bytes/ByteIO.h"

namespace kes {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Describe(uint32_t index, const char* what) {
    char text[128];
    std::snprintf(text, sizeof text, "entry %u: %s", index, what);
    return text;
}

}  // namespace

void MaskDirectoryBytes(uint8_t* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) bytes[i] ^= kDirectoryMask;
}

bool SamePackName(const char* a, const char* b) {
    for (;; ++a, ++b) {
        if (LowerAscii(*a) != LowerAscii(*b)) return false;
        if (*a == 0) return true;
    }
}

bool ReadPackDirectory(PackFile& pack, uint32_t nameCapacity, std::vector<PackDirectoryEntry>* entries,
                       std::string* error) {
    entries->clear();
    const int64_t packSize = pack.Size();
    uint8_t word[4];
    if (pack.Seek(0, 0) != kOk || pack.Read(word, 4) != kOk) {
        *error = "the entry count is missing";
        return false;
    }
    const uint32_t count = plat::LoadU32(word);
    // Every entry takes at least kMinDirectoryEntrySize bytes, which bounds the count by the file.
    if (count > (packSize - 4) / kMinDirectoryEntrySize) {
        *error = "the entry count " + std::to_string(count) + " does not fit in the pack";
        return false;
    }
    entries->reserve(count);
    std::vector<uint8_t> name;
    for (uint32_t i = 0; i < count; ++i) {
        if (pack.Read(word, 4) != kOk) {
            *error = Describe(i, "the directory ends inside the entry");
            entries->clear();
            return false;
        }
        MaskDirectoryBytes(word, 4);
        const uint32_t length = plat::LoadU32(word);
        if (length == 0 || length > nameCapacity) {
            *error = Describe(i, "name length out of range") + " (" + std::to_string(length) + ")";
            entries->clear();
            return false;
        }
        name.resize(length);
        uint8_t fields[12];
        if (pack.Read(name.data(), length) != kOk || pack.Read(fields, 12) != kOk) {
            *error = Describe(i, "the directory ends inside the entry");
            entries->clear();
            return false;
        }
        MaskDirectoryBytes(name.data(), length);
        MaskDirectoryBytes(fields, 12);
        if (name[length - 1] != 0) {
            *error = Describe(i, "the name has no terminator");
            entries->clear();
            return false;
        }
        PackDirectoryEntry entry;
        entry.name.assign(reinterpret_cast<const char*>(name.data()));
        entry.offset = plat::LoadU32(fields);
        entry.packedSize = plat::LoadU32(fields + 4);
        entry.size = plat::LoadU32(fields + 8);
        if (uint64_t{entry.offset} + entry.StoredSize() > static_cast<uint64_t>(packSize)) {
            *error = Describe(i, "its data lies beyond the end of the pack") + " (" + entry.name + ")";
            entries->clear();
            return false;
        }
        entries->push_back(std::move(entry));
    }
    return true;
}

}  // namespace kes
