#pragma once
// The Blowfish session key: CBC with PKCS #5 padding over [u32 length, little-endian][plaintext], with
// one fixed initialisation vector shared with the servers.
#include <memory>

#include "Tarn/crypt/CryptKeyBase.h"

namespace TarnCrypt {

// The initialisation vector of every Blowfish session; configuration that must match the servers'.
extern const uint8_t kBlowfishIV[8];

class BFSymmetricKey : public SymmetricKey {
public:
    BFSymmetricKey();
    BFSymmetricKey(uint16_t length, const uint8_t* bytes);
    BFSymmetricKey(const BFSymmetricKey& other);
    BFSymmetricKey& operator=(const BFSymmetricKey& other);
    ~BFSymmetricKey() override;

    // length random bytes from the pool (8 when length is 0).
    void Create(uint16_t length) override;
    void CopyKey(uint16_t length, const uint8_t* bytes) override;
    Bytes Encrypt(const uint8_t* bytes, size_t length) override;
    // Empty when the input is missing, the padding is wrong, or the inner length exceeds what follows;
    // bytes after the inner length's worth are ignored.
    Bytes Decrypt(const uint8_t* bytes, size_t length) override;

private:
    struct Cache;
    void Build();
    std::unique_ptr<Cache> cache_;
};

}  // namespace TarnCrypt
