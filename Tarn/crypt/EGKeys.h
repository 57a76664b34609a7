#pragma once
// ElGamal keys that also sign and verify with Nyberg-Rueppel over MD5 digests, in the forms the
// servers use:
//   key bytes   DER SEQUENCE of INTEGERs: public { p, q, g, y }, private { p, q, g, y, x }
//   encrypted   u32 block count N (little-endian), then N ciphertext blocks of the library's fixed
//               ElGamal ciphertext length; the plaintext is cut into pieces of the largest ElGamal
//               plaintext, each piece one block
//   signature   the NR signature of the MD5 digest, of the signer's fixed length
// Errors of the library inside Encrypt, Decrypt, Sign and Verify are written to the event log and give
// an empty result or false; errors while making a key throw CryptException code 9.
#include <memory>

#include "Tarn/crypt/CryptKeyBase.h"

namespace TarnCrypt {

class EGPrivateKey;

class EGPublicKey : public PublicKey {
public:
    EGPublicKey();
    EGPublicKey(uint16_t length, const uint8_t* bytes);
    explicit EGPublicKey(const Bytes& bytes);
    EGPublicKey(const EGPublicKey& other);
    // The public part (p, q, g, y) of a private key; a malformed private key throws CryptException 9.
    explicit EGPublicKey(const EGPrivateKey& privateKey);
    EGPublicKey& operator=(const EGPublicKey& other);
    ~EGPublicKey() override;

    void CopyKey(uint16_t length, const uint8_t* bytes) override;
    // "(Len=<length> P=<p> Q=<q> G=<g> Y=<y>)"; undecodable bytes write "(EGPublicKey Exception: ...)".
    void Dump(std::ostream& out) const override;
    Bytes Encrypt(const uint8_t* bytes, size_t length) override;
    // False for a missing input or a signature of the wrong length, without asking the library.
    bool Verify(const uint8_t* signature, size_t signatureLength, const uint8_t* bytes, size_t length) override;

    // The signature length of this key (0 for a malformed key).
    size_t SignatureLength();

private:
    struct Cache;
    bool Build();
    std::unique_ptr<Cache> cache_;
};

class EGPrivateKey : public PrivateKey {
public:
    EGPrivateKey();
    EGPrivateKey(uint16_t length, const uint8_t* bytes);
    explicit EGPrivateKey(const Bytes& bytes);
    EGPrivateKey(const EGPrivateKey& other);
    EGPrivateKey& operator=(const EGPrivateKey& other);
    ~EGPrivateKey() override;

    // A new key pair over a new group whose modulus has length x 8 bits (0 means 8 bytes). Moduli
    // shorter than kMinModulusBytes are refused (CryptException code 2): such keys are broken at once.
    void Create(uint16_t length) override;
    void CopyKey(uint16_t length, const uint8_t* bytes) override;
    void Dump(std::ostream& out) const override;
    // The derived public key, owned by this key and valid until its bytes change (null when malformed).
    EGPublicKey* GetPublicKey() override;
    // Empty for no input, 4 bytes or fewer, a length that is not 4 plus N whole blocks, or a block that
    // does not decrypt.
    Bytes Decrypt(const uint8_t* bytes, size_t length) override;
    Bytes Sign(const uint8_t* bytes, size_t length) override;

    static constexpr uint16_t kMinModulusBytes = 64;

private:
    struct Cache;
    bool Build();
    std::unique_ptr<Cache> cache_;
};

}  // namespace TarnCrypt
