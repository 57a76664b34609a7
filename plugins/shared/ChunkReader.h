#pragma once
// Reads a plug-in's chunk from the world stream while keeping count of the bytes that are left of it,
// so that every count and size taken from the file is checked against the chunk before anything is
// allocated or read. Any failure leaves the reader failed; the plug-in then answers kResultBadChunk.
#include <cstdint>
#include <string>

#include "common/stream/FileStream.h"

namespace qv {

class ChunkReader {
public:
    ChunkReader(FileStream* stream, uint32_t size) : stream_(stream), remaining_(size) {}

    bool Ok() const { return ok_; }
    uint32_t Remaining() const { return remaining_; }
    // False (and failed) when fewer than n bytes are left.
    bool Need(uint64_t n);

    bool Bytes(void* out, uint32_t n);
    uint32_t U32();  // 0 once failed
    float F32();
    // A fixed text field of n bytes; the text stops at its first zero or at the field's end.
    std::string FixedText(uint32_t n);
    // Moves back over bytes just read (a peek).
    bool Unread(uint32_t n);

    // Lets someone else read from the stream (the host's lists), then counts what they took.
    uint32_t Mark() { return stream_->Tell(); }
    bool Took(uint32_t mark);

    int32_t Failure() const;
    FileStream* stream() { return stream_; }

private:
    FileStream* stream_;
    uint32_t remaining_;
    uint32_t size_ = remaining_;
    bool ok_ = true;
};

// Writes little-endian fields to the world stream, stopping at the first failure and counting bytes.
class ChunkWriter {
public:
    explicit ChunkWriter(FileStream* stream) : stream_(stream) {}
    void Bytes(const void* data, uint32_t n);
    void U32(uint32_t v);
    void F32(float v);
    void FixedText(const std::string& text, uint32_t n);  // zero-filled, always terminated
    int32_t Result() const { return result_; }
    uint32_t Written() const { return written_; }
    void Count(uint32_t n) { written_ += n; }

private:
    FileStream* stream_;
    int32_t result_ = 0;
    uint32_t written_ = 0;
};

}  // namespace qv
