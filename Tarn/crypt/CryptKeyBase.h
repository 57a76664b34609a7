#pragma once
// Keys of the online library: every key is a plain byte string; the cipher objects of the library are
// built from those bytes on first use and kept until the bytes change.
//   CryptKeyBase
//     PublicKey     - EGPublicKey   (DER SEQUENCE { p, q, g, y }): ElGamal encrypt, NR-MD5 verify
//     PrivateKey    - EGPrivateKey  (DER SEQUENCE { p, q, g, y, x }): decrypt, sign, derive the public key
//     SymmetricKey  - BFSymmetricKey (raw Blowfish key): CBC with PKCS padding
// Operations on data return new byte strings; an empty result means failure.
#include <cstdint>
#include <ostream>
#include <vector>

namespace TarnCrypt {

using Bytes = std::vector<uint8_t>;

class CryptKeyBase {
public:
    CryptKeyBase();  // one zero byte: not a valid key
    CryptKeyBase(const CryptKeyBase& other);
    CryptKeyBase& operator=(const CryptKeyBase& other);
    virtual ~CryptKeyBase();

    // False for no bytes, or for the single byte 0.
    virtual bool IsValid() const;
    virtual void Create(uint16_t length) = 0;
    // Takes a copy of the bytes as the key. The key's own bytes change nothing; no bytes or length 0
    // throw CryptException code 2.
    virtual void CopyKey(uint16_t length, const uint8_t* bytes);
    // "(Len=<length> Key=<each byte in lower-case hex without leading zeros, then a blank>)".
    virtual void Dump(std::ostream& out) const;

    const uint8_t* GetKey() const { return key_.data(); }
    uint16_t GetKeyLen() const { return static_cast<uint16_t>(key_.size()); }
    const Bytes& GetKeyBytes() const { return key_; }

    bool operator==(const CryptKeyBase& other) const { return key_ == other.key_; }
    bool operator!=(const CryptKeyBase& other) const { return key_ != other.key_; }
    // Unsigned byte order over the shorter length; on an equal prefix the shorter key is smaller.
    bool operator<(const CryptKeyBase& other) const;

protected:
    // Replaces the bytes without the checks of CopyKey (key generation).
    void SetKeyBytes(Bytes bytes) { key_ = std::move(bytes); }

private:
    Bytes key_;
};

class PublicKey : public CryptKeyBase {
public:
    // A public key cannot be made alone: always throws CryptException code 2.
    void Create(uint16_t length) override;
    virtual Bytes Encrypt(const uint8_t* bytes, size_t length) = 0;
    virtual bool Verify(const uint8_t* signature, size_t signatureLength, const uint8_t* bytes, size_t length) = 0;
};

class PrivateKey : public CryptKeyBase {
public:
    virtual PublicKey* GetPublicKey() = 0;
    virtual Bytes Decrypt(const uint8_t* bytes, size_t length) = 0;
    virtual Bytes Sign(const uint8_t* bytes, size_t length) = 0;
};

class SymmetricKey : public CryptKeyBase {
public:
    virtual Bytes Encrypt(const uint8_t* bytes, size_t length) = 0;
    virtual Bytes Decrypt(const uint8_t* bytes, size_t length) = 0;
};

}  // namespace TarnCrypt
