#pragma once
// World files built byte by byte for the world-list tests and the fuzz corpus: the header, chunks and
// the "TINF" chunk as the list reads it.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kes::testing {

inline void Put32(std::vector<uint8_t>* b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b->push_back(uint8_t(v >> (8 * i)));
}

inline std::vector<uint8_t> InfoChunkBody(uint32_t id, uint32_t kind, const std::string& name,
                                          const std::string& description) {
    std::vector<uint8_t> b;
    Put32(&b, 0);
    Put32(&b, 1);  // one texture
    Put32(&b, 3);  // of three bytes
    b.insert(b.end(), {1, 2, 3});
    Put32(&b, 0);
    Put32(&b, id);
    Put32(&b, kind);
    std::vector<uint8_t> text(256, 0);
    std::memcpy(text.data(), name.data(), std::min<size_t>(name.size(), 256));
    b.insert(b.end(), text.begin(), text.end());
    Put32(&b, uint32_t(description.size()));
    b.insert(b.end(), description.begin(), description.end());
    b.insert(b.end(), 44, 0);
    Put32(&b, 0);  // no preview
    return b;
}

struct Chunk {
    uint32_t tag;
    std::vector<uint8_t> body;
};

inline uint32_t Tag(const char* four) {
    return uint32_t(uint8_t(four[0])) | uint32_t(uint8_t(four[1])) << 8 | uint32_t(uint8_t(four[2])) << 16 |
           uint32_t(uint8_t(four[3])) << 24;
}

inline std::vector<uint8_t> WorldFile(const std::vector<Chunk>& chunks) {
    std::vector<uint8_t> b;
    Put32(&b, Tag("QVED"));
    Put32(&b, 0);
    for (const Chunk& c : chunks) {
        Put32(&b, c.tag);
        Put32(&b, uint32_t(c.body.size()));
        b.insert(b.end(), c.body.begin(), c.body.end());
    }
    const uint32_t length = uint32_t(b.size() - 8);
    std::memcpy(b.data() + 4, &length, 4);
    return b;
}

inline std::vector<uint8_t> SimpleWorld(uint32_t id, uint32_t kind, const std::string& name,
                                        const std::string& description = "A\r\nB") {
    return WorldFile({{Tag("HEAD"), {9, 9, 9, 9}}, {Tag("TINF"), InfoChunkBody(id, kind, name, description)}});
}

}  // namespace kes::testing
