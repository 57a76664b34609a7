#include "plugins/shared/ChunkReader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "editor/plugin/PluginApi.h"
#include "platform/bytes/ByteIO.h"

namespace qv {

bool ChunkReader::Need(uint64_t n) {
    if (!ok_ || n > remaining_) ok_ = false;
    return ok_;
}

bool ChunkReader::Bytes(void* out, uint32_t n) {
    if (!Need(n)) return false;
    if (n && stream_->Read(out, n) != 0) return ok_ = false;
    remaining_ -= n;
    return true;
}

uint32_t ChunkReader::U32() {
    uint8_t b[4];
    return Bytes(b, 4) ? plat::LoadU32(b) : 0;
}

float ChunkReader::F32() {
    uint8_t b[4];
    return Bytes(b, 4) ? plat::LoadF32(b) : 0.0f;
}

std::string ChunkReader::FixedText(uint32_t n) {
    std::vector<char> field(n + 1, '\0');
    if (!Bytes(field.data(), n)) return {};
    return std::string(field.data());
}

bool ChunkReader::Unread(uint32_t n) {
    if (!ok_ || n > size_ - remaining_) return ok_ = false;
    if (stream_->Seek(-static_cast<int32_t>(n), 1) != 0) return ok_ = false;
    remaining_ += n;
    return true;
}

bool ChunkReader::Took(uint32_t mark) {
    const uint32_t now = stream_->Tell();
    if (!ok_ || now < mark || now - mark > remaining_) return ok_ = false;
    remaining_ -= now - mark;
    return true;
}

int32_t ChunkReader::Failure() const { return Result(kResultBadChunk); }

void ChunkWriter::Bytes(const void* data, uint32_t n) {
    if (result_ != 0 || n == 0) return;
    result_ = stream_->Write(data, n);
    if (result_ == 0) written_ += n;
}

void ChunkWriter::U32(uint32_t v) {
    uint8_t b[4];
    plat::StoreU32(b, v);
    Bytes(b, 4);
}

void ChunkWriter::F32(float v) {
    uint8_t b[4];
    plat::StoreF32(b, v);
    Bytes(b, 4);
}

void ChunkWriter::FixedText(const std::string& text, uint32_t n) {
    std::vector<char> field(n, '\0');
    const size_t used = std::min<size_t>(text.size(), n ? n - 1 : 0);
    if (used) std::memcpy(field.data(), text.data(), used);
    Bytes(field.data(), n);
}

}  // namespace qv
