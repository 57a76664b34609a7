#include "game/core/pack/PackFile.h"

#include <sys/types.h>

#include <algorithm>
#include <cstring>

#include "platform/bytes/ByteIO.h"
#include "platform/fs/Paths.h"
#include "platform/sys/Winprintf.h"

namespace kes {

namespace {

int64_t StreamTell(std::FILE* f) { return static_cast<int64_t>(ftello(f)); }
bool StreamSeek(std::FILE* f, int64_t pos) {
    return pos >= 0 && fseeko(f, static_cast<off_t>(pos), SEEK_SET) == 0;
}

// Blocks needed for an unpacked size.
uint64_t BlocksFor(uint32_t unpackedSize) {
    return (static_cast<uint64_t>(unpackedSize) + kContainerBlockSize - 1) / kContainerBlockSize;
}

}  // namespace

PackFile::PackFile() = default;

PackFile::PackFile(const char* path, const char* mode, int packed) { Open(path, mode, packed, 0, -1); }

PackFile::~PackFile() {
    if (stream_) Close();
}

int PackFile::IsOpen() { return stream_ ? 1 : 0; }

void PackFile::Reset() {
    stream_ = nullptr;
    sizeCache_ = -1;
    packed_ = 0;
    container_ = false;
    position_ = 0;
    block_.clear();
    block_.shrink_to_fit();
    blockPosition_ = 0;
    header_ = ContainerHeader{};
    blockLength_ = blockPacked_ = blockWord_ = 0;
    offsets_.clear();
    offsets_.shrink_to_fit();
    nextBlock_ = 0;
    base_ = 0;
    windowEnd_ = -1;
    blockData_.clear();
    blockData_.shrink_to_fit();
}

Result PackFile::Open(const char* path, const char* mode, int packed, uint32_t base, int32_t size) {
    if (stream_) return kPackAlreadyOpen;
    if (!path || !mode) return kPackOpenFailed;
    std::FILE* f = plat::OpenFile(path, mode);
    if (!f) return kPackOpenFailed;
    Reset();
    stream_ = f;
    base_ = base;
    sizeCache_ = size;
    windowEnd_ = size >= 0 ? static_cast<int64_t>(base) + size : -1;

    if (!std::strchr(mode, 'r')) {
        packed_ = packed;
        return kOk;
    }
    Result r = OpenContainer();
    if (r != kOk) {
        std::fclose(stream_);
        Reset();
    }
    return r;
}

// Reads the header at base; a file without the container's magic and block size is plain.
Result PackFile::OpenContainer() {
    uint8_t head[kContainerHeaderSize];
    bool isContainer = false;
    ContainerHeader h{};
    if (StreamSeek(stream_, base_) &&
        std::fread(head, sizeof head, 1, stream_) == 1) {
        h = ReadContainerHeader(head);
        isContainer = h.magic == kContainerMagic && h.blockSize == kContainerBlockSize;
    }
    if (!isContainer) {
        if (!StreamSeek(stream_, base_)) return kPackOpenFailed;
        packed_ = 0;
        return kOk;
    }

    // The block count must match the unpacked size, and the table and every known block offset
    // must lie inside the container.
    int64_t end = windowEnd_ >= 0 ? windowEnd_ : StreamLength();
    int64_t rawSize = end - base_;
    uint64_t tableEnd = kContainerHeaderSize + 4ull * h.blockCount;
    if (h.blockCount != BlocksFor(h.unpackedSize) || h.unpackedSize > 0x7FFFFFFFu || rawSize < 0 ||
        tableEnd > static_cast<uint64_t>(rawSize)) {
        return kPackOpenFailed;
    }
    std::vector<uint8_t> table(static_cast<size_t>(4ull * h.blockCount));
    if (!table.empty() && std::fread(table.data(), table.size(), 1, stream_) != 1) {
        return kPackOpenFailed;
    }
    offsets_.assign(h.blockCount, 0);
    for (uint32_t k = 0; k < h.blockCount; ++k) {
        uint32_t rel = plat::LoadU32(table.data() + 4 * k);
        if (rel == 0) continue;  // not known yet: stays 0, never rebased
        if (rel < tableEnd || rel + uint64_t{kContainerBlockHeaderSize} > static_cast<uint64_t>(rawSize)) {
            return kPackOpenFailed;
        }
        offsets_[k] = rel + base_;
    }
    if (!OffsetsRise()) return kPackOpenFailed;

    header_ = h;
    packed_ = 1;
    container_ = true;
    sizeCache_ = static_cast<int32_t>(h.unpackedSize);
    block_.assign(kContainerBlockSize, 0);
    position_ = 0;
    blockPosition_ = 0;
    nextBlock_ = 0;
    blockLength_ = 0;
    if (h.blockCount == 0) return kOk;
    return ReadNextBlock();
}

bool PackFile::OffsetsRise() const {
    uint32_t last = 0;
    for (uint32_t off : offsets_) {
        if (off == 0) continue;
        if (off <= last) return false;
        last = off;
    }
    return true;
}

int64_t PackFile::StreamLength() {
    int64_t here = StreamTell(stream_);
    int64_t len = -1;
    if (fseeko(stream_, 0, SEEK_END) == 0) len = StreamTell(stream_);
    StreamSeek(stream_, here);
    return len;
}

Result PackFile::ReadNextBlock() {
    int64_t p = StreamTell(stream_);
    Result r = DecodeBlockAt(p);
    if (r != kOk) {
        // The stream goes back to where the block starts, so it can be tried again; the block
        // buffer may hold part of the failed block, so no block counts as decoded any more.
        StreamSeek(stream_, p);
        blockLength_ = 0;
        blockPosition_ = 0;
    }
    return r;
}

Result PackFile::DecodeBlockAt(int64_t p) {
    uint32_t k = nextBlock_;
    if (k >= header_.blockCount) return kPackReadFailed;
    int64_t end = windowEnd_ >= 0 ? windowEnd_ : StreamLength();
    uint8_t head[kContainerBlockHeaderSize];
    if (p < 0 || std::fread(head, sizeof head, 1, stream_) != 1) return kPackReadFailed;
    uint32_t length = plat::LoadU32(head);
    uint32_t packedLength = plat::LoadU32(head + 4);
    uint32_t word = plat::LoadU32(head + 8);
    // Every block but the last is full; the last holds the rest of the unpacked size.
    uint64_t expected = std::min<uint64_t>(kContainerBlockSize,
                                           header_.unpackedSize - uint64_t{k} * kContainerBlockSize);
    if (length != expected || packedLength < 8 || packedLength > kMaxBlockDataSize ||
        p + int64_t{kContainerBlockHeaderSize} + packedLength > end) {
        return kPackReadFailed;
    }
    blockData_.resize(packedLength);
    if (std::fread(blockData_.data(), packedLength, 1, stream_) != 1) return kPackReadFailed;
    if (plat::LoadU32(blockData_.data()) != length || plat::LoadU32(blockData_.data() + 4) != packedLength) {
        return kPackReadFailed;
    }
    uint32_t decoded = 0;
    if (UnpackBlock(blockData_.data(), packedLength, block_.data(), &decoded) != kOk || decoded != length) {
        return kPackReadFailed;
    }
    if (offsets_[k] != 0 && offsets_[k] != static_cast<uint32_t>(p)) {
        ::Winprintf("pos was %X now %X", offsets_[k], static_cast<uint32_t>(p));
    }
    offsets_[k] = static_cast<uint32_t>(p);
    nextBlock_ = k + 1;
    blockPosition_ = 0;
    blockLength_ = length;
    blockPacked_ = packedLength;
    blockWord_ = word;
    return kOk;
}

Result PackFile::Read(void* buffer, uint32_t count) {
    if (!stream_) return kPackNotOpen;
    if (count == 0) return kOk;
    if (!buffer) return kPackReadFailed;
    if (container_) return ReadPacked(static_cast<uint8_t*>(buffer), count);
    if (windowEnd_ >= 0) {
        int64_t here = StreamTell(stream_);
        if (here < 0 || here + int64_t{count} > windowEnd_) return kPackReadFailed;
    }
    return std::fread(buffer, count, 1, stream_) == 1 ? kOk : kPackReadFailed;
}

Result PackFile::ReadPacked(uint8_t* out, uint32_t count) {
    if (position_ > header_.unpackedSize || count > header_.unpackedSize - position_) {
        return kPackReadFailed;
    }
    while (count > 0) {
        if (blockPosition_ >= blockLength_) {
            Result r = ReadNextBlock();
            if (r != kOk) return r;
        }
        uint32_t take = std::min(count, blockLength_ - blockPosition_);
        std::memcpy(out, block_.data() + blockPosition_, take);
        out += take;
        count -= take;
        blockPosition_ += take;
        position_ += take;
    }
    return kOk;
}

Result PackFile::Write(const void* buffer, uint32_t count) {
    if (!stream_) return kPackNotOpen;
    sizeCache_ = -1;
    if (count == 0) return kOk;
    if (!buffer) return kPackWriteFailed;
    return std::fwrite(buffer, count, 1, stream_) == 1 ? kOk : kPackWriteFailed;
}

int32_t PackFile::Size() {
    if (!stream_) return 0;
    if (sizeCache_ >= 0) return sizeCache_;
    if (container_) {
        sizeCache_ = static_cast<int32_t>(header_.unpackedSize);
    } else {
        int64_t len = StreamLength() - base_;
        sizeCache_ = static_cast<int32_t>(std::clamp<int64_t>(len, 0, INT32_MAX));
    }
    return sizeCache_;
}

int32_t PackFile::Tell() {
    if (!stream_) return 0;
    if (container_) return static_cast<int32_t>(position_);
    return static_cast<int32_t>(StreamTell(stream_) - base_);
}

Result PackFile::Seek(int32_t offset, int origin) {
    if (!stream_) return kPackNotOpen;
    int64_t from;
    switch (origin) {
        case 0: from = 0; break;
        case 1: from = container_ ? int64_t{position_} : StreamTell(stream_) - base_; break;
        case 2: from = Size(); break;
        default: return kPackBadSeek;
    }
    int64_t target = from + offset;
    if (target < 0) return kPackBadSeek;
    return container_ ? SeekPacked(target) : SeekPlain(target);
}

Result PackFile::SeekPlain(int64_t target) {
    return StreamSeek(stream_, base_ + target) ? kOk : kPackBadSeek;
}

Result PackFile::SeekPacked(int64_t target) {
    for (size_t k = 1; k < offsets_.size() && offsets_[k] != 0; ++k) {
        if (offsets_[k] <= offsets_[k - 1]) {
            ::Winprintf("Bad position buffer\n");
            return kPackBadSeek;
        }
    }
    uint32_t size = header_.unpackedSize;
    if (target > size) return kPackBadSeek;
    uint32_t blocks = header_.blockCount;
    if (target == size) {
        // Learn where the remaining blocks start, then park at the end.
        if (nextBlock_ < blocks && !WalkBlocks(nextBlock_, blocks)) return kPackBadSeek;
        blockPosition_ = 0;
        blockLength_ = 0;
        position_ = size;
        nextBlock_ = blocks + 1;
        return kOk;
    }
    uint32_t block = static_cast<uint32_t>(target >> 16);
    uint32_t inside = static_cast<uint32_t>(target & 0xFFFF);
    if (nextBlock_ >= 1 && block == nextBlock_ - 1 && blockLength_ != 0) {
        position_ = static_cast<uint32_t>(target);
        blockPosition_ = inside;
        return kOk;
    }
    if (offsets_[block] == 0) {
        ::Winprintf("Shouldn't execute\n");
        // Walk forward from the nearest block before it whose start is known.
        uint32_t from = block;
        while (from > 0 && offsets_[from] == 0) --from;
        if (offsets_[from] == 0) offsets_[from] = base_ + kContainerHeaderSize + 4 * blocks;
        if (!WalkBlocks(from, block)) return kPackBadSeek;
    }
    if (!StreamSeek(stream_, offsets_[block])) return kPackBadSeek;
    nextBlock_ = block;
    if (ReadNextBlock() != kOk) return kPackBadSeek;
    position_ = static_cast<uint32_t>(target);
    blockPosition_ = inside;
    return kOk;
}

bool PackFile::WalkBlocks(uint32_t from, uint32_t to) {
    int64_t end = windowEnd_ >= 0 ? windowEnd_ : StreamLength();
    int64_t p = offsets_[from];
    if (p == 0) p = StreamTell(stream_);
    for (uint32_t k = from; k < to; ++k) {
        if (offsets_[k] == 0) offsets_[k] = static_cast<uint32_t>(p);
        uint8_t head[kContainerBlockHeaderSize];
        if (!StreamSeek(stream_, p) || std::fread(head, sizeof head, 1, stream_) != 1) return false;
        uint32_t packedLength = plat::LoadU32(head + 4);
        if (packedLength > kMaxBlockDataSize) return false;
        p += kContainerBlockHeaderSize + packedLength;
        if (p > end) return false;
    }
    if (to < offsets_.size() && offsets_[to] == 0) offsets_[to] = static_cast<uint32_t>(p);
    return StreamSeek(stream_, p) && OffsetsRise();
}

Result PackFile::Close() {
    if (!stream_) return kPackNotOpen;
    std::fclose(stream_);
    Reset();
    return kOk;
}

int PackFile::GetHandle() { return stream_ ? fileno(stream_) : -1; }

int PackFile::CheckIntegrity() {
    if (!stream_ || !container_) return 1;
    if (OffsetsRise()) return 1;
    ::Winprintf("File Integrity Lost\n");
    return 0;
}

int PackFile::IsPacked() { return packed_; }

int32_t PackFile::GetRawSize() {
    if (!stream_ || !container_) return 0;
    int64_t end = windowEnd_ >= 0 ? windowEnd_ : StreamLength();
    return static_cast<int32_t>(std::clamp<int64_t>(end - base_, 0, INT32_MAX));
}

}  // namespace kes
