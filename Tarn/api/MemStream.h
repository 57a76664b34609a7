#pragma once
// A Stream over a block of memory, so that code which reads and writes a Stream can work on a buffer.
// Reads and writes never fail: they move fewer bytes (down to 0) when the block is used up, and the
// caller compares the count with what it asked for.
#include <cstdint>

#include "Tarn/api/Socket.h"

namespace TarnAPI {

class MemStream : public Stream {
public:
    // owns: the block was allocated with new[] and is released at destruction.
    MemStream(void* block, uint32_t length, bool owns = false);
    MemStream(const MemStream&) = delete;
    MemStream& operator=(const MemStream&) = delete;
    ~MemStream() override;

    // Copies min(length, bytes left) bytes to the position (only moves on when bytes is null).
    long Write(long length, const void* bytes) override;
    // Copies min(length, bytes left) bytes from the position (only skips when bytes is null).
    long Read(long length, void* bytes) override;
    uint32_t BytesLeft() const { return left_; }

private:
    long Move(long length);
    uint8_t* start_;
    uint8_t* position_;
    uint32_t left_;
    bool owns_;
};

}  // namespace TarnAPI
