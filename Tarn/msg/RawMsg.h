#pragma once
// The raw message: a handle on a reference-counted, copy-on-write byte body with a read and a write
// position, and the encodings of every body value (little-endian, unaligned). Copies share the body;
// reads are checked and throw BadMsgException (1001) rather than read past the data.
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace TarnMsg {

// Largest total length of a message, header included.
constexpr uint32_t kMaxMessageLength = 131068;

struct RawMsgBody {
    std::atomic<int32_t> refCount{1};
    uint32_t generation = 1;
    uint8_t* buffer = nullptr;
    uint32_t capacity = 0;
    uint32_t readPos = 0;   // offsets from the buffer start
    uint32_t writePos = 0;
    std::string scratch;
};

class TRawMsg {
public:
    TRawMsg();
    // A body of exactly length bytes, copied from bytes when given (zeros otherwise).
    TRawMsg(uint32_t length, const void* bytes);
    TRawMsg(const TRawMsg& other);
    TRawMsg& operator=(const TRawMsg&) = delete;
    virtual ~TRawMsg();

    virtual TRawMsg* Duplicate() const;
    virtual void Unpack() {}
    virtual const uint8_t* Pack() { return GetDataPtr(); }

    uint8_t* GetDataPtr() { return body_->buffer; }
    const uint8_t* GetDataPtr() const { return body_->buffer; }
    // What has been written, or the whole buffer when nothing has (a message filled from outside).
    uint32_t GetDataLen() const;
    uint32_t GetCapacity() const { return body_->capacity; }
    int32_t GetRefCount() const { return body_->refCount.load(); }
    uint32_t GetGeneration() const { return body_->generation; }

    void AllocateBuffer(uint32_t size);
    uint8_t* ReserveWrite(uint32_t count, bool withSlack, bool extendWhenEmpty);
    void SkipWrite(uint32_t count);

    void AppendLong(uint32_t value);
    void AppendShort(uint16_t value);
    void AppendByte(uint8_t value);
    void AppendBytes(uint32_t count, const void* bytes);
    // Counted strings; a string longer than 65535 units cannot be framed and throws BadMsgException.
    void AppendString(const std::string& text);
    void AppendWString(std::u16string_view text);

    uint32_t ReadLong();
    uint16_t ReadShort();
    uint8_t ReadByte();
    const uint8_t* ReadBytes(uint32_t count);
    void ReadString(std::string& out);
    const std::string& ReadString();
    void ReadWString(std::u16string& out);

    uint32_t BytesLeftToRead() const;
    void CheckRead(uint32_t count) const;
    // Gives this handle a body of its own when the body is shared.
    void MakeUnique();

protected:
    void RewindRead() { body_->readPos = 0; }
    void RewindWrite() { body_->writePos = 0; }
    // Makes the buffer at least size bytes long (new bytes zero) without moving the positions.
    void EnsureCapacity(uint32_t size);

private:
    static RawMsgBody* NewBody();
    static uint8_t* NewBuffer(uint32_t size);
    RawMsgBody* body_;
};

}  // namespace TarnMsg
