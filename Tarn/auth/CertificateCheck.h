#pragma once
// Whether a received certificate or public-key block may be trusted: a good signature alone is not
// enough. The period must hold the current time, and a certificate must belong to the role its holder
// claims, so that a user's certificate (every user holds one with its private key) cannot stand in for
// a server's.
//
// Roles: a server's certificate carries a user id of kServerUserIdBase or above; every other user id
// belongs to a user.
#include <cstdint>

#include "Tarn/auth/AuthBuffers.h"

namespace TarnAuth {

constexpr uint32_t kServerUserIdBase = 0xFFFF0000;
// Clock difference allowed between this machine and the issuer, in seconds.
constexpr uint32_t kClockSkew = 300;

enum class CertRole { kUser, kServer };

enum class CertCheck {
    kOk,
    kEmpty,         // the buffer did not unpack
    kBadSignature,  // no trusted key verifies it
    kNotYetValid,
    kExpired,
    kWrongRole,
};

const char* CertCheckName(CertCheck result);

CertRole RoleOf(const Auth1Certificate& certificate);

// A key block signed by the verifier key and current at now.
CertCheck CheckPublicKeyBlock(const Auth1PublicKeyBlock& block, EGPublicKey& verifier, uint32_t now);
// A certificate signed by a key of the (already checked) block, current at now, of the given role.
CertCheck CheckCertificate(const Auth1Certificate& certificate, Auth1PublicKeyBlock& block, uint32_t now,
                           CertRole role);

}  // namespace TarnAuth
