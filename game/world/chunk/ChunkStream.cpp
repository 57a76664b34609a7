#include "game/world/chunk/ChunkStream.h"

#include "platform/bytes/ByteIO.h"

namespace kes {

ChunkStream::ChunkStream(PackFile& file, uint32_t size) : file_(file) {
    const int32_t at = file.Tell();
    end_ = (at < 0 ? 0 : static_cast<uint64_t>(at)) + size;
}

uint64_t ChunkStream::Tell() {
    const int32_t at = file_.Tell();
    return at < 0 ? 0 : static_cast<uint64_t>(at);
}

uint64_t ChunkStream::Remaining() {
    const uint64_t at = Tell();
    return at < end_ ? end_ - at : 0;
}

size_t ChunkStream::Read(void* out, size_t n) {
    if (n == 0) return 0;
    if (!ok_ || n > Remaining() || n > 0x7FFFFFFF || file_.Read(out, static_cast<uint32_t>(n)) != kOk) {
        ok_ = false;
        return 0;
    }
    return n;
}

bool ChunkStream::Seek(uint64_t position) {
    if (position > end_ || position > 0x7FFFFFFF) return false;
    return file_.Seek(static_cast<int32_t>(position), 0) == kOk;
}

bool ChunkStream::Skip(uint64_t n) {
    if (!ok_ || n > Remaining() || !Seek(Tell() + n)) {
        ok_ = false;
        return false;
    }
    return true;
}

uint16_t ChunkStream::U16() {
    uint8_t b[2];
    return Bytes(b, 2) ? static_cast<uint16_t>(b[0] | (b[1] << 8)) : 0;
}

uint32_t ChunkStream::U32() {
    uint8_t b[4];
    return Bytes(b, 4) ? plat::LoadU32(b) : 0;
}

float ChunkStream::F32() {
    uint8_t b[4];
    return Bytes(b, 4) ? plat::LoadF32(b) : 0.0f;
}

}  // namespace kes
