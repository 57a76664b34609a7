#include "platform/media/MediaReader.h"

#include <algorithm>

namespace plat {

std::unique_ptr<FileWindowReader> FileWindowReader::Open(const std::string& path, int64_t offset, int64_t size) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return nullptr;
    if (std::fseek(f, 0, SEEK_END) != 0) {
        std::fclose(f);
        return nullptr;
    }
    const int64_t fileSize = ftello(f);
    if (offset < 0 || offset > fileSize || (size >= 0 && size > fileSize - offset)) {
        std::fclose(f);
        return nullptr;
    }
    std::unique_ptr<FileWindowReader> r(new FileWindowReader);
    r->file_ = f;
    r->offset_ = offset;
    r->size_ = size >= 0 ? size : fileSize - offset;
    if (fseeko(f, offset, SEEK_SET) != 0) return nullptr;
    return r;
}

FileWindowReader::~FileWindowReader() {
    if (file_) std::fclose(file_);
}

int FileWindowReader::Read(uint8_t* out, int n) {
    if (n <= 0) return 0;
    const int64_t left = size_ - pos_;
    const size_t want = static_cast<size_t>(left < n ? left : n);
    if (want == 0) return 0;
    const size_t got = std::fread(out, 1, want, file_);
    pos_ += static_cast<int64_t>(got);
    if (got == 0 && std::ferror(file_)) return -1;
    return static_cast<int>(got);
}

bool FileWindowReader::Seek(int64_t position) {
    if (position < 0 || position > size_) return false;
    if (fseeko(file_, offset_ + position, SEEK_SET) != 0) return false;
    pos_ = position;
    return true;
}

int MemoryReader::Read(uint8_t* out, int n) {
    if (n <= 0) return 0;
    const int64_t left = size_ - pos_;
    const int64_t k = left < n ? left : n;
    if (k <= 0) return 0;
    std::copy(data_ + pos_, data_ + pos_ + k, out);
    pos_ += k;
    return static_cast<int>(k);
}

bool MemoryReader::Seek(int64_t position) {
    if (position < 0 || position > size_) return false;
    pos_ = position;
    return true;
}

}  // namespace plat
