#pragma once
// Reading saved worlds back in tests: a whole file, and one chunk's body by its tag.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "editor/plugin/PluginApi.h"
#include "platform/bytes/ByteIO.h"

namespace qvtest {

inline std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// The body of the first chunk with this tag in a saved world (empty when none).
inline std::vector<uint8_t> ChunkOf(const std::vector<uint8_t>& world, uint32_t tag) {
    size_t at = 8;
    while (at + 8 <= world.size()) {
        const uint32_t t = plat::LoadU32(&world[at]);
        const uint32_t n = plat::LoadU32(&world[at + 4]);
        if (at + 8 + n > world.size()) break;
        if (t == tag) return {world.begin() + static_cast<long>(at + 8), world.begin() + static_cast<long>(at + 8 + n)};
        at += 8 + n;
    }
    return {};
}

inline std::vector<uint8_t> ChunkOf(const std::vector<uint8_t>& world, const char (&tag)[5]) {
    return ChunkOf(world, qv::FourCC(tag));
}

}  // namespace qvtest
