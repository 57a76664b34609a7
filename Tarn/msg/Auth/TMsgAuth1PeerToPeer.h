#pragma once
// The four messages of the peer authentication exchange (service type 203, TMessage header):
//   50 Request     u8 auth mode, u8 encryption mode, u16 flags, u16 n + the requester's certificate
//   51 Challenge1  u16 s + secret (encrypted for the requester), u16 n + the server's certificate
//   52 Challenge2  u16 n + the answer (encrypted for the server)
//   53 Complete    i16 status; status >= 0: u16 n + echo, then u16 session id only when not 0;
//                  status < 0: u16 k, then k 8-bit strings (the error texts)
// A raw buffer read from a message points into the message's bytes and lives as long as the message;
// copies, and messages about to be packed, hold their own copy.
#include <cstdint>
#include <string>
#include <vector>

#include "Tarn/msg/Messages.h"

namespace TarnMsg {

// A counted byte buffer that either points at bytes outside the message or owns a copy.
class AuthRawBytes {
public:
    AuthRawBytes() = default;
    AuthRawBytes(const AuthRawBytes& other) { Set(other.data_, other.length_, true); }
    AuthRawBytes& operator=(const AuthRawBytes& other) {
        if (this != &other) Set(other.data_, other.length_, true);
        return *this;
    }
    // copy false: points at the caller's bytes, which must outlive the message. copy true: keeps a
    // copy when both bytes and length are given, else holds none (the length is kept).
    void Set(const uint8_t* bytes, uint16_t length, bool copy);
    // Makes sure the bytes are owned (before the message's own buffer is rewritten).
    void Own();
    void Clear() { Set(nullptr, 0, false); }
    const uint8_t* Data() const { return data_; }
    uint16_t Length() const { return length_; }
    void Pack(TRawMsg& msg);
    // u16 length, then the bytes inside the message (0 gives none).
    void Unpack(TRawMsg& msg);

private:
    const uint8_t* data_ = nullptr;
    uint16_t length_ = 0;
    std::string owned_;
};

class TMsgAuthRawBufferBase : public TMessage {
public:
    static constexpr uint32_t kServiceType = 203;

    TMsgAuthRawBufferBase();
    explicit TMsgAuthRawBufferBase(const TMessage& received);
    TMsgAuthRawBufferBase(const TMsgAuthRawBufferBase& other) = default;
    ~TMsgAuthRawBufferBase() override = default;
    TMsgAuthRawBufferBase* Duplicate() const override { return new TMsgAuthRawBufferBase(*this); }

    void SetRawBuf(const uint8_t* bytes, uint16_t length, bool copy) { raw_.Set(bytes, length, copy); }
    const uint8_t* GetRawBuf() const { return raw_.Data(); }
    uint16_t GetRawBufLen() const { return raw_.Length(); }

protected:
    explicit TMsgAuthRawBufferBase(uint32_t messageType);
    // Rewinds the writer past a header of service 203 and the type, owning every buffer first.
    void BeginPack(uint32_t messageType);
    void CheckType(uint32_t messageType, const char* text) const;

    AuthRawBytes raw_;
};

class TMsgAuth1Request : public TMsgAuthRawBufferBase {
public:
    static constexpr uint32_t kType = 50;
    TMsgAuth1Request();
    explicit TMsgAuth1Request(const TMessage& received);
    TMsgAuth1Request* Duplicate() const override { return new TMsgAuth1Request(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;

    int32_t GetAuthMode() const { return authMode_; }
    int32_t GetEncryptMode() const { return encryptMode_; }
    uint16_t GetEncryptFlags() const { return encryptFlags_; }
    void SetAuthMode(int32_t value) { authMode_ = value; }
    void SetEncryptMode(int32_t value) { encryptMode_ = value; }
    void SetEncryptFlags(uint16_t value) { encryptFlags_ = value; }

private:
    int32_t authMode_ = 1;
    int32_t encryptMode_ = 0;
    uint16_t encryptFlags_ = 0;
};

class TMsgAuth1Challenge1 : public TMsgAuthRawBufferBase {
public:
    static constexpr uint32_t kType = 51;
    TMsgAuth1Challenge1();
    explicit TMsgAuth1Challenge1(const TMessage& received);
    TMsgAuth1Challenge1* Duplicate() const override { return new TMsgAuth1Challenge1(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;

    void SetSecret(const uint8_t* bytes, uint16_t length, bool copy) { secret_.Set(bytes, length, copy); }
    const uint8_t* GetSecret() const { return secret_.Data(); }
    uint16_t GetSecretLen() const { return secret_.Length(); }

private:
    AuthRawBytes secret_;
};

class TMsgAuth1Challenge2 : public TMsgAuthRawBufferBase {
public:
    static constexpr uint32_t kType = 52;
    TMsgAuth1Challenge2();
    explicit TMsgAuth1Challenge2(const TMessage& received);
    TMsgAuth1Challenge2* Duplicate() const override { return new TMsgAuth1Challenge2(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
};

class TMsgAuth1Complete : public TMsgAuthRawBufferBase {
public:
    static constexpr uint32_t kType = 53;
    TMsgAuth1Complete();
    explicit TMsgAuth1Complete(const TMessage& received);
    TMsgAuth1Complete* Duplicate() const override { return new TMsgAuth1Complete(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;

    int32_t GetStatus() const { return status_; }
    uint16_t GetSessionId() const { return sessionId_; }
    const std::vector<std::string>& GetErrors() const { return errors_; }
    void SetStatus(int32_t value) { status_ = value; }
    void SetSessionId(uint16_t value) { sessionId_ = value; }
    void SetErrors(const std::vector<std::string>& value) { errors_ = value; }
    void AddError(const std::string& text) { errors_.push_back(text); }

private:
    int32_t status_ = 0;  // travels as 16 bits
    uint16_t sessionId_ = 0;
    std::vector<std::string> errors_;
};

}  // namespace TarnMsg
