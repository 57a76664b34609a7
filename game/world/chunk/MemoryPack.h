#pragma once
// A read-only PackFile over bytes in memory, so that chunk readers can be run on a chunk's bytes
// without a file (unit tests and fuzz targets).
#include <cstring>
#include <vector>

#include "game/core/pack/PackFile.h"

namespace kes {

class MemoryPack : public PackFile {
public:
    explicit MemoryPack(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    int IsOpen() override { return 1; }
    Result Read(void* out, uint32_t count) override {
        if (count > bytes_.size() - at_) return kPackReadFailed;
        if (count) std::memcpy(out, bytes_.data() + at_, count);
        at_ += count;
        return kOk;
    }
    int32_t Size() override { return static_cast<int32_t>(bytes_.size()); }
    int32_t Tell() override { return static_cast<int32_t>(at_); }
    Result Seek(int32_t offset, int origin) override {
        const int64_t base = origin == 0 ? 0 : origin == 1 ? static_cast<int64_t>(at_) : static_cast<int64_t>(bytes_.size());
        const int64_t to = base + offset;
        if (to < 0 || to > static_cast<int64_t>(bytes_.size())) return kPackBadSeek;
        at_ = static_cast<size_t>(to);
        return kOk;
    }

private:
    std::vector<uint8_t> bytes_;
    size_t at_ = 0;
};

// A copy of bytes with the little-endian word at `at` replaced by v (for damaged-input tests).
inline std::vector<uint8_t> WithU32(std::vector<uint8_t> bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    return bytes;
}

}  // namespace kes
