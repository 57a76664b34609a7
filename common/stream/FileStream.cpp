#include "common/stream/FileStream.h"

#include <unistd.h>

#include <climits>

namespace qv {

namespace {
int32_t Code(uint32_t c) { return static_cast<int32_t>(c); }
// Positions cross the interface as 32-bit numbers; files of 2 GiB or more are not worlds.
constexpr off_t kMaxPosition = INT32_MAX;
}  // namespace

FileStream::FileStream(const char* name, const char* mode) { Open(name, mode); }

FileStream::~FileStream() {
    if (file_) std::fclose(file_);
}

int32_t FileStream::IsOpen() { return file_ ? 1 : 0; }

int32_t FileStream::Open(const char* name, const char* mode) {
    if (file_) return Code(kStreamAlreadyOpen);
    if (!name || !mode) return Code(kStreamOpenFailed);
    file_ = std::fopen(name, mode);
    return file_ ? 0 : Code(kStreamOpenFailed);
}

int32_t FileStream::Read(void* buffer, uint32_t bytes) {
    if (!file_) return Code(kStreamNotOpen);
    if (bytes == 0) return 0;
    if (!buffer) return Code(kStreamReadShort);
    return std::fread(buffer, bytes, 1, file_) == 1 ? 0 : Code(kStreamReadShort);
}

int32_t FileStream::Write(const void* buffer, uint32_t bytes) {
    if (!file_) return Code(kStreamNotOpen);
    if (bytes == 0) return 0;
    if (!buffer) return Code(kStreamWriteShort);
    if (ftello(file_) + static_cast<off_t>(bytes) > kMaxPosition) return Code(kStreamWriteShort);
    return std::fwrite(buffer, bytes, 1, file_) == 1 ? 0 : Code(kStreamWriteShort);
}

uint32_t FileStream::Size() {
    if (!file_) return 0;
    off_t here = ftello(file_);
    if (fseeko(file_, 0, SEEK_END) != 0) return 0;
    off_t end = ftello(file_);
    fseeko(file_, here, SEEK_SET);
    if (end < 0) return 0;
    return end > kMaxPosition ? static_cast<uint32_t>(kMaxPosition) : static_cast<uint32_t>(end);
}

uint32_t FileStream::Tell() {
    if (!file_) return kStreamNotOpen;
    off_t pos = ftello(file_);
    return pos < 0 ? 0 : static_cast<uint32_t>(pos);
}

int32_t FileStream::Seek(int32_t offset, int32_t origin) {
    if (!file_) return Code(kStreamNotOpen);
    int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : -1;
    if (whence < 0) return Code(kStreamSeekFailed);
    off_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? ftello(file_) : -1;
    if (whence == SEEK_END) {
        off_t here = ftello(file_);
        if (fseeko(file_, 0, SEEK_END) != 0) return Code(kStreamSeekFailed);
        base = ftello(file_);
        fseeko(file_, here, SEEK_SET);
    }
    off_t target = base + offset;
    if (base < 0 || target < 0 || target > kMaxPosition) return Code(kStreamSeekFailed);
    return fseeko(file_, target, SEEK_SET) == 0 ? 0 : Code(kStreamSeekFailed);
}

int32_t FileStream::Close() {
    if (!file_) return Code(kStreamNotOpen);
    std::fclose(file_);
    file_ = nullptr;
    return 0;
}

int32_t FileStream::Flush() {
    if (!file_) return Code(kStreamNotOpen);
    if (std::fflush(file_) != 0) return Code(kStreamWriteShort);
    if (fsync(fileno(file_)) != 0) return Code(kStreamWriteShort);
    return 0;
}

}  // namespace qv
