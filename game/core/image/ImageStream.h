#pragma once
// The three operations the picture readers need of a stream (the game's pack file offers the same
// read, tell and seek), and a stream over bytes in memory.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kes {

class ImageStream {
public:
    virtual ~ImageStream() = default;
    // Reads up to n bytes; returns how many were read.
    virtual size_t Read(void* out, size_t n) = 0;
    virtual uint64_t Tell() = 0;
    virtual bool Seek(uint64_t position) = 0;
    // Bytes from the current position to the end (for checks before large allocations).
    virtual uint64_t Remaining() = 0;
};

class MemoryImageStream : public ImageStream {
public:
    MemoryImageStream(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
    size_t Read(void* out, size_t n) override {
        const size_t take = n < size_ - pos_ ? n : size_ - pos_;
        if (take) std::memcpy(out, data_ + pos_, take);
        pos_ += take;
        return take;
    }
    uint64_t Tell() override { return pos_; }
    bool Seek(uint64_t position) override {
        if (position > size_) return false;
        pos_ = static_cast<size_t>(position);
        return true;
    }
    uint64_t Remaining() override { return size_ - pos_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace kes
