#pragma once
// The keys and signed buffers of our authentication and directory servers:
//   verifier    signs the public-key block (its public half is the clients' trust root, the registry's
//               "AuthVerifierKey")
//   auth1/auth2 the authentication servers' keys listed in the block; auth1 opens login envelopes and
//               signs certificates
//   directory   the directory server's key; its certificate (signed by auth1) carries a server's user id
// Loaded from a folder of DER files (verifier.der, authserver1.der, authserver2.der, dirserver.der, as
// tools/tarn-testkeys writes them).
#include <cstdint>
#include <string>

#include "Tarn/auth/AuthBuffers.h"
#include "Tarn/crypt/EGKeys.h"

namespace tarnserver {

constexpr uint16_t kKeyBlockId = 7;
constexpr uint32_t kDirectoryUserId = 0xFFFF0001u;

struct ServerKeys {
    TarnCrypt::EGPrivateKey verifier;
    TarnCrypt::EGPrivateKey auth1;
    TarnCrypt::EGPrivateKey auth2;
    TarnCrypt::EGPrivateKey directory;

    // False when a file is missing or holds no key.
    bool Load(const std::string& folder);
    // The key block {auth1, auth2} signed by the verifier, valid from issue to expire.
    TarnAuth::Auth1PublicKeyBlock MakeBlock(uint32_t issue, uint32_t expire);
    // A certificate for a public key, signed by the signer.
    static TarnAuth::Auth1Certificate MakeCertificate(uint32_t userId, uint32_t communityId, uint16_t trustLevel,
                                                      const TarnCrypt::EGPublicKey& key, uint32_t issue,
                                                      uint32_t expire, TarnCrypt::EGPrivateKey& signer);
};

}  // namespace tarnserver
