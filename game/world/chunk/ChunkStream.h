#pragma once
// A chunk's bytes as its reader sees them: reads, tell and seek on the world file, bounded by the
// end of the chunk so that no reader can pass into the next chunk or past the file, whatever sizes
// and counts the file claims. It is also the stream the picture and texture readers take.
#include <cstddef>
#include <cstdint>

#include "game/core/image/ImageStream.h"
#include "game/core/pack/PackFile.h"

namespace kes {

class ChunkStream : public ImageStream {
public:
    // The chunk runs from the file's current position for size bytes.
    ChunkStream(PackFile& file, uint32_t size);

    // Reads exactly n bytes or nothing (then the stream is marked failed).
    size_t Read(void* out, size_t n) override;
    uint64_t Tell() override;
    // Only positions inside the chunk (its end included) are accepted.
    bool Seek(uint64_t position) override;
    uint64_t Remaining() override;

    // Little-endian fields; 0 once a read failed.
    uint16_t U16();
    uint32_t U32();
    int32_t I32() { return static_cast<int32_t>(U32()); }
    float F32();
    bool Bytes(void* out, size_t n) { return Read(out, n) == n; }
    bool Skip(uint64_t n);
    // True while every read so far was whole.
    bool Ok() const { return ok_; }
    // The world file itself (for the progress report).
    PackFile& File() { return file_; }
    uint64_t End() const { return end_; }

private:
    PackFile& file_;
    uint64_t end_;
    bool ok_ = true;
};

}  // namespace kes
