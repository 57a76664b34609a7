#include "Tarn/api/MemStream.h"

#include <algorithm>
#include <cstring>

namespace TarnAPI {

MemStream::MemStream(void* block, uint32_t length, bool owns)
    : start_(static_cast<uint8_t*>(block)), position_(start_), left_(block ? length : 0), owns_(owns) {}

MemStream::~MemStream() {
    if (owns_) delete[] start_;  // the start is kept: the position has moved
}

long MemStream::Move(long length) {
    if (!position_ || length <= 0) return 0;
    const long count = static_cast<long>(std::min<uint64_t>(static_cast<uint64_t>(length), left_));
    position_ += count;
    left_ -= static_cast<uint32_t>(count);
    return count;
}

long MemStream::Write(long length, const void* bytes) {
    uint8_t* at = position_;
    const long count = Move(length);
    if (count && bytes) std::memcpy(at, bytes, static_cast<size_t>(count));
    return count;
}

long MemStream::Read(long length, void* bytes) {
    const uint8_t* at = position_;
    const long count = Move(length);
    if (count && bytes) std::memcpy(bytes, at, static_cast<size_t>(count));
    return count;
}

}  // namespace TarnAPI
