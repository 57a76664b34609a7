#pragma once
// A world stream over bytes in memory, for tests and fuzz targets that feed a chunk to a plug-in or
// collect what it writes.
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/stream/FileStream.h"

namespace qv {

class MemoryStream final : public FileStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    int32_t IsOpen() override { return 1; }
    int32_t Open(const char*, const char*) override { return 0; }
    int32_t Read(void* out, uint32_t n) override {
        if (n > bytes_.size() - pos_) return static_cast<int32_t>(kStreamReadShort);
        if (n) std::memcpy(out, bytes_.data() + pos_, n);
        pos_ += n;
        return 0;
    }
    int32_t Write(const void* in, uint32_t n) override {
        if (pos_ + n > bytes_.size()) bytes_.resize(pos_ + n);
        if (n) std::memcpy(bytes_.data() + pos_, in, n);
        pos_ += n;
        return 0;
    }
    uint32_t Size() override { return static_cast<uint32_t>(bytes_.size()); }
    uint32_t Tell() override { return static_cast<uint32_t>(pos_); }
    int32_t Seek(int32_t offset, int32_t origin) override {
        const int64_t base = origin == 0 ? 0 : origin == 1 ? static_cast<int64_t>(pos_) : static_cast<int64_t>(bytes_.size());
        const int64_t to = base + offset;
        if (to < 0 || to > static_cast<int64_t>(bytes_.size())) return static_cast<int32_t>(kStreamSeekFailed);
        pos_ = static_cast<size_t>(to);
        return 0;
    }
    int32_t Close() override { return 0; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    size_t pos_ = 0;
};

}  // namespace qv
