#pragma once
// The world stream: the one file object the editor hands to plug-ins while a world is read or written.
// Its eight operations are declared in slot order (part of the plug-in contract); the destructor comes
// last so that it moves no slot.
#include <cstdint>
#include <cstdio>

namespace qv {

enum : uint32_t {
    kStreamSeekFailed = 0x8123F6FB,
    kStreamWriteShort = 0x8123F6FC,
    kStreamReadShort = 0x8123F6FD,
    kStreamOpenFailed = 0x8123F6FE,
    kStreamNotOpen = 0x8123F6FF,
    kStreamAlreadyOpen = 0x8123F700,
};

class FileStream {
public:
    FileStream() = default;
    // Opens at once; a failed open leaves the stream closed.
    FileStream(const char* name, const char* mode);
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    virtual int32_t IsOpen();
    virtual int32_t Open(const char* name, const char* mode);
    // All or nothing: 0 when every byte moved. Moving 0 bytes succeeds.
    virtual int32_t Read(void* buffer, uint32_t bytes);
    virtual int32_t Write(const void* buffer, uint32_t bytes);
    // File length; the position is kept.
    virtual uint32_t Size();
    virtual uint32_t Tell();
    // origin 0 start, 1 current, 2 end.
    virtual int32_t Seek(int32_t offset, int32_t origin);
    virtual int32_t Close();

    virtual ~FileStream();

    // Editor side only: pushes buffered bytes to the file and the file to the disk (used by the save
    // before the temporary file replaces the old one). 0 or the write-short code.
    int32_t Flush();

private:
    std::FILE* file_ = nullptr;
};

}  // namespace qv
