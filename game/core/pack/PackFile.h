#pragma once
// The engine's file class: reads or writes a plain file, or reads a compressed container as if it
// were plain, with seeking. A file may also be a window inside a larger file (base offset and size),
// which is how worlds are read straight out of the track pack.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "game/core/pack/ContainerCodec.h"
#include "game/core/pack/PackResult.h"

namespace kes {

class PackFile {
public:
    // Leaves the object closed.
    PackFile();
    // Opens at once with base 0 and no size limit; errors are not reported (IsOpen tells).
    PackFile(const char* path, const char* mode, int packed);
    virtual ~PackFile();

    PackFile(const PackFile&) = delete;
    PackFile& operator=(const PackFile&) = delete;

    // The operations below keep this order: callers that share chunk readers with the editor's
    // stream rely on Read, Tell and Seek sitting at the same places.

    // 1 when a stream is open.
    virtual int IsOpen();
    // Opens path (resolved without regard to case). Read modes detect a container by its header at
    // base; size is the length of the window starting at base, or -1 for "to the end of the file".
    // Results: kOk, kPackAlreadyOpen, kPackOpenFailed (also for a container whose header or block
    // table is damaged), kPackReadFailed (the container's first block is damaged).
    virtual Result Open(const char* path, const char* mode, int packed, uint32_t base = 0,
                        int32_t size = -1);
    // Reads exactly count bytes. kPackReadFailed on a short read or damaged block; a read that would
    // pass the end of a container or of a window copies nothing and leaves the position unchanged.
    virtual Result Read(void* buffer, uint32_t count);
    virtual Result Write(const void* buffer, uint32_t count);
    // Length in bytes: the unpacked size of a container, the window size, or the file's length
    // from base. 0 when closed.
    virtual int32_t Size();
    // Position from base (unpacked position for a container). 0 when closed.
    virtual int32_t Tell();
    // origin 0: from the start, 1: from the current position, 2: from the end (end + offset, so
    // Seek(0, 2) puts the position at Size() for plain files, windows and containers alike).
    // kPackBadSeek for a target before the start (or base) or another origin; a container cannot
    // seek past its end, a plain file can (as writers may need).
    virtual Result Seek(int32_t offset, int origin);
    virtual Result Close();
    // The stream's file descriptor, -1 when closed.
    virtual int GetHandle();
    // Containers only: 1 when the known block offsets rise, else shows "File Integrity Lost" and
    // returns 0. Plain files return 1.
    virtual int CheckIntegrity();
    virtual int IsPacked();
    // Stored length of a container (its window inside the file), 0 for a plain file.
    virtual int32_t GetRawSize();

private:
    Result OpenContainer();
    Result ReadNextBlock();
    Result DecodeBlockAt(int64_t streamPosition);
    Result ReadPacked(uint8_t* out, uint32_t count);
    Result SeekPacked(int64_t target);
    Result SeekPlain(int64_t target);
    // Walks block headers from block `from` (whose start is known) up to block `to`, filling unknown
    // entries of the offset table. The stream ends at the start of block `to`.
    bool WalkBlocks(uint32_t from, uint32_t to);
    bool OffsetsRise() const;
    int64_t StreamLength();
    void Reset();

    std::FILE* stream_ = nullptr;
    int32_t sizeCache_ = -1;
    int packed_ = 0;                  // what IsPacked reports (a write mode keeps the caller's flag)
    bool container_ = false;          // reading a container: positions are in its unpacked data
    uint32_t position_ = 0;           // in the unpacked data
    std::vector<uint8_t> block_;      // the decoded block holding the position
    uint32_t blockPosition_ = 0;      // inside block_
    ContainerHeader header_{};
    uint32_t blockLength_ = 0;        // current block header: L, P, kept word
    uint32_t blockPacked_ = 0;
    uint32_t blockWord_ = 0;
    std::vector<uint32_t> offsets_;   // absolute block positions in the file, 0 = not known yet
    uint32_t nextBlock_ = 0;
    uint32_t base_ = 0;
    int64_t windowEnd_ = -1;          // absolute end of the window, -1 = end of the file
    std::vector<uint8_t> blockData_;  // one block's packed bytes while it is decoded
};

}  // namespace kes
