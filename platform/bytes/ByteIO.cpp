#include "platform/bytes/ByteIO.h"

namespace plat {

bool ByteReader::Need(size_t n) {
    if (failed_ || n > size_ - pos_) {
        failed_ = true;
        return false;
    }
    return true;
}

uint8_t ByteReader::U8() {
    if (!Need(1)) return 0;
    return data_[pos_++];
}

uint16_t ByteReader::U16() {
    if (!Need(2)) return 0;
    uint16_t v = LoadU16(data_ + pos_);
    pos_ += 2;
    return v;
}

uint32_t ByteReader::U32() {
    if (!Need(4)) return 0;
    uint32_t v = LoadU32(data_ + pos_);
    pos_ += 4;
    return v;
}

float ByteReader::F32() {
    if (!Need(4)) return 0.0f;
    float v = LoadF32(data_ + pos_);
    pos_ += 4;
    return v;
}

bool ByteReader::Bytes(void* out, size_t n) {
    if (!Need(n)) {
        if (n) std::memset(out, 0, n);
        return false;
    }
    if (n) std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return true;
}

std::span<const uint8_t> ByteReader::Take(size_t n) {
    if (!Need(n)) return {};
    std::span<const uint8_t> view(data_ + pos_, n);
    pos_ += n;
    return view;
}

bool ByteReader::Skip(size_t n) {
    if (!Need(n)) return false;
    pos_ += n;
    return true;
}

bool ByteReader::Seek(size_t pos) {
    if (failed_ || pos > size_) {
        failed_ = true;
        return false;
    }
    pos_ = pos;
    return true;
}

void ByteWriter::U16(uint16_t v) {
    uint8_t b[2];
    StoreU16(b, v);
    Bytes(b, 2);
}

void ByteWriter::U32(uint32_t v) {
    uint8_t b[4];
    StoreU32(b, v);
    Bytes(b, 4);
}

void ByteWriter::F32(float v) {
    uint8_t b[4];
    StoreF32(b, v);
    Bytes(b, 4);
}

void ByteWriter::Bytes(const void* data, size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + n);
}

void ByteWriter::FixedString(std::string_view text, size_t n) {
    if (n == 0) return;
    size_t len = text.size() < n - 1 ? text.size() : n - 1;
    Bytes(text.data(), len);
    Zeros(n - len);
}

}  // namespace plat
