#pragma once
// Where the media decoder takes its bytes from: a bounded window of a file (a movie inside the movie
// pack, or a whole music file). The decoder can never read or seek outside the window.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace plat {

class MediaReader {
public:
    virtual ~MediaReader() = default;
    // Up to n bytes at the current position; 0 at the end of the window, -1 on an error.
    virtual int Read(uint8_t* out, int n) = 0;
    // Moves to a position inside the window (0 = its start); false when outside.
    virtual bool Seek(int64_t position) = 0;
    virtual int64_t Position() const = 0;
    virtual int64_t Size() const = 0;
};

class FileWindowReader : public MediaReader {
public:
    // size < 0: to the end of the file. Null when the file does not open or the window lies past its end.
    static std::unique_ptr<FileWindowReader> Open(const std::string& path, int64_t offset, int64_t size);
    ~FileWindowReader() override;
    int Read(uint8_t* out, int n) override;
    bool Seek(int64_t position) override;
    int64_t Position() const override { return pos_; }
    int64_t Size() const override { return size_; }

private:
    FileWindowReader() = default;
    FILE* file_ = nullptr;
    int64_t offset_ = 0, size_ = 0, pos_ = 0;
};

// Bytes held in memory (not owned).
class MemoryReader : public MediaReader {
public:
    MemoryReader(const uint8_t* data, size_t size) : data_(data), size_(static_cast<int64_t>(size)) {}
    int Read(uint8_t* out, int n) override;
    bool Seek(int64_t position) override;
    int64_t Position() const override { return pos_; }
    int64_t Size() const override { return size_; }

private:
    const uint8_t* data_;
    int64_t size_, pos_ = 0;
};

}  // namespace plat
