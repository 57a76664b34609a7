#pragma once
// The signed buffers of the authentication servers. A certificate binds a user id, a community id and
// a trust level to the user's public key for a period; a public-key block lists the authentication
// servers' own keys for a period. Both are kept as the exact bytes received:
//
//   offset       width  field
//   0            2      family (1)
//   2            4      issue time (seconds since 1970)
//   6            4      expire time
//   10           ...    class data
//   data length  rest   NR-MD5 signature over the first data-length bytes (at least one byte)
//
//   certificate data:  u32 user id, u32 community id, u16 trust level, u16 K, K bytes public key
//   key block data:    u16 block id, u16 N, N x (u16 L, L bytes public key)
//
// A buffer that fails to unpack leaves the object empty (no raw bytes); a malformed embedded key is
// such a failure, never an exception.
#include <cstdint>
#include <ostream>
#include <vector>

#include "Tarn/crypt/EGKeys.h"

namespace TarnAuth {

using TarnCrypt::Bytes;
using TarnCrypt::EGPrivateKey;
using TarnCrypt::EGPublicKey;

class AuthFamilyBuffer {
public:
    AuthFamilyBuffer() = default;
    AuthFamilyBuffer(const AuthFamilyBuffer&) = default;
    AuthFamilyBuffer& operator=(const AuthFamilyBuffer&) = default;
    virtual ~AuthFamilyBuffer() = default;

    // Negative, 0 or positive: family, then expire time, then issue time (derived classes go on).
    virtual int Compare(const AuthFamilyBuffer& other) const;
    // The signature (from the data length to the end) checked over the first data-length bytes.
    virtual bool Verify(EGPublicKey& key) const;
    virtual uint16_t GetFamily() const = 0;
    virtual void Dump(std::ostream& out) const;
    virtual uint32_t GetMinLength(bool fixedOnly) const { (void)fixedOnly; return 10; }
    // Appends the class's own fields to the raw bytes.
    virtual bool PackData() { return true; }
    // Reads the class's own fields at the data length and moves the data length past them.
    virtual bool UnpackData() { return true; }
    // Signs every raw byte so far and appends the signature; false for empty raw bytes.
    virtual bool Sign(EGPrivateKey& key);

    // Reads a whole buffer; false (and an empty object) when it does not hold one.
    bool Unpack(const uint8_t* bytes, size_t length);
    // Starts new raw bytes with the family and the two times (what an issuer writes first).
    void PackHeader();
    // PackHeader, PackData and Sign: a new signed buffer from the fields.
    bool PackAndSign(EGPrivateKey& key);

    // True when the period holds the time, allowing the given clock difference at both ends.
    bool IsCurrent(uint32_t now, uint32_t skew = 0) const;

    const Bytes& GetRawBuffer() const { return raw_; }
    bool IsEmpty() const { return raw_.empty(); }
    uint16_t GetDataLength() const { return dataLength_; }
    uint32_t GetIssueTime() const { return issueTime_; }
    uint32_t GetExpireTime() const { return expireTime_; }
    void SetIssueTime(uint32_t value) { issueTime_ = value; }
    void SetExpireTime(uint32_t value) { expireTime_ = value; }

protected:
    // Reads at the data length; false when the raw bytes end first.
    bool ReadU16(uint16_t& value);
    bool ReadU32(uint32_t& value);
    void AppendU16(uint16_t value);
    void AppendU32(uint32_t value);
    void AppendBytes(const Bytes& bytes) { raw_.insert(raw_.end(), bytes.begin(), bytes.end()); }
    // Moves the data length on by count; false when that passes the end of the raw bytes.
    bool Advance(size_t count);
    const uint8_t* RawAt(size_t offset) const { return raw_.data() + offset; }
    void Clear() {
        raw_.clear();
        dataLength_ = 0;
    }

private:
    Bytes raw_;
    uint32_t issueTime_ = 0;
    uint32_t expireTime_ = 0;
    uint16_t dataLength_ = 0;
};

class AuthCertificateBase : public AuthFamilyBuffer {};

class Auth1Certificate : public AuthCertificateBase {
public:
    Auth1Certificate() = default;
    Auth1Certificate(const uint8_t* bytes, size_t length) { Unpack(bytes, length); }
    explicit Auth1Certificate(const Bytes& bytes) { Unpack(bytes.data(), bytes.size()); }

    int Compare(const AuthFamilyBuffer& other) const override;
    uint16_t GetFamily() const override { return 1; }
    // "(AuthCert1 RawLen=.. DataLen=..\n  Family=..\n  IssueTime=<ctime>  ExpireTime=<ctime>  UserId=..
    // CommunityId=.. TrustLevel=..\n  PublicKey=<key>)".
    void Dump(std::ostream& out) const override;
    uint32_t GetMinLength(bool fixedOnly) const override;
    // Fails unless user id and community id are non-zero and the key is longer than one byte.
    bool PackData() override;
    bool UnpackData() override;

    uint32_t GetUserId() const { return userId_; }
    uint32_t GetCommunityId() const { return communityId_; }
    uint16_t GetTrustLevel() const { return trustLevel_; }
    const EGPublicKey& GetPublicKey() const { return publicKey_; }
    EGPublicKey& PublicKey() { return publicKey_; }
    void SetUserId(uint32_t value) { userId_ = value; }
    void SetCommunityId(uint32_t value) { communityId_ = value; }
    void SetTrustLevel(uint16_t value) { trustLevel_ = value; }
    void SetPublicKey(const EGPublicKey& value) { publicKey_ = value; }

private:
    uint32_t userId_ = 0;
    uint32_t communityId_ = 0;
    uint16_t trustLevel_ = 0;
    EGPublicKey publicKey_;
};

class AuthPublicKeyBlockBase : public AuthFamilyBuffer {
public:
    int Compare(const AuthFamilyBuffer& other) const override;
    void Dump(std::ostream& out) const override;
    uint32_t GetMinLength(bool fixedOnly) const override { (void)fixedOnly; return 12; }
    bool PackData() override;
    bool UnpackData() override;
    uint16_t GetBlockId() const { return blockId_; }
    void SetBlockId(uint16_t value) { blockId_ = value; }

private:
    uint16_t blockId_ = 0;
};

class Auth1PublicKeyBlock : public AuthPublicKeyBlockBase {
public:
    Auth1PublicKeyBlock() = default;
    Auth1PublicKeyBlock(const uint8_t* bytes, size_t length) { Unpack(bytes, length); }
    explicit Auth1PublicKeyBlock(const Bytes& bytes) { Unpack(bytes.data(), bytes.size()); }

    int Compare(const AuthFamilyBuffer& other) const override;
    uint16_t GetFamily() const override { return 1; }
    void Dump(std::ostream& out) const override;
    uint32_t GetMinLength(bool fixedOnly) const override;
    // Fails on an empty key list.
    bool PackData() override;
    // True only when every announced key was read.
    bool UnpackData() override;

    // True when the buffer verifies with a key of this block, tried in list order.
    bool VerifyFamilyBuffer(const AuthFamilyBuffer& buffer);
    // The bytes encrypted with the block's first key; empty on failure.
    Bytes EncryptRawBuffer(const uint8_t* bytes, size_t length);

    const std::vector<EGPublicKey>& GetKeys() const { return keys_; }
    void SetKeys(const std::vector<EGPublicKey>& value) { keys_ = value; }
    void AddKey(const EGPublicKey& key) { keys_.push_back(key); }

private:
    std::vector<EGPublicKey> keys_;
};

}  // namespace TarnAuth
