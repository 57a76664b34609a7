#pragma once
// Little-endian readers and writers for byte-exact formats. Every stored field is read and written
// one at a time; nothing is ever copied as a whole struct.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

inline uint16_t LoadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t LoadI32(const uint8_t* p) { return static_cast<int32_t>(LoadU32(p)); }
inline float LoadF32(const uint8_t* p) {
    uint32_t bits = LoadU32(p);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}
inline void StoreU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void StoreF32(uint8_t* p, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    StoreU32(p, bits);
}

// Reads fields from a bounded buffer. A read past the end yields zeros and sets the failed flag, so a
// parser can read a whole record and check Ok() once; nothing is ever read outside the buffer.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
    explicit ByteReader(std::span<const uint8_t> bytes) : ByteReader(bytes.data(), bytes.size()) {}

    bool Ok() const { return !failed_; }
    size_t Position() const { return pos_; }
    size_t Size() const { return size_; }
    size_t Remaining() const { return size_ - pos_; }

    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    int32_t I32() { return static_cast<int32_t>(U32()); }
    float F32();
    // Copies n bytes into out; on a short buffer out is zero-filled and the reader fails.
    bool Bytes(void* out, size_t n);
    // A view of the next n bytes, or an empty span (and failure) when fewer remain.
    std::span<const uint8_t> Take(size_t n);
    bool Skip(size_t n);
    // Moves to an absolute position inside the buffer.
    bool Seek(size_t pos);

private:
    bool Need(size_t n);
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool failed_ = false;
};

// Appends fields to a growing byte vector.
class ByteWriter {
public:
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v);
    void U32(uint32_t v);
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void F32(float v);
    void Bytes(const void* data, size_t n);
    // Writes the text and pads with zeros to exactly n bytes (cut to n - 1 characters plus a zero).
    void FixedString(std::string_view text, size_t n);
    void Zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    // Overwrites a u32 written earlier (chunk sizes patched after their data).
    void PatchU32(size_t at, uint32_t v) { StoreU32(bytes_.data() + at, v); }
    // Room for n bytes in all, when the final size is known before writing.
    void Reserve(size_t n) { bytes_.reserve(n); }

    size_t Size() const { return bytes_.size(); }
    const std::vector<uint8_t>& Data() const { return bytes_; }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace plat
