#include "Tarn/auth/CertificateCheck.h"

namespace TarnAuth {

namespace {
CertCheck CheckPeriod(const AuthFamilyBuffer& buffer, uint32_t now) {
    if (uint64_t(now) + kClockSkew < buffer.GetIssueTime()) return CertCheck::kNotYetValid;
    if (!buffer.IsCurrent(now, kClockSkew)) return CertCheck::kExpired;
    return CertCheck::kOk;
}
}  // namespace

const char* CertCheckName(CertCheck result) {
    switch (result) {
        case CertCheck::kOk: return "ok";
        case CertCheck::kEmpty: return "empty";
        case CertCheck::kBadSignature: return "bad signature";
        case CertCheck::kNotYetValid: return "not yet valid";
        case CertCheck::kExpired: return "expired";
        case CertCheck::kWrongRole: return "wrong role";
    }
    return "?";
}

CertRole RoleOf(const Auth1Certificate& certificate) {
    return certificate.GetUserId() >= kServerUserIdBase ? CertRole::kServer : CertRole::kUser;
}

CertCheck CheckPublicKeyBlock(const Auth1PublicKeyBlock& block, EGPublicKey& verifier, uint32_t now) {
    if (block.IsEmpty()) return CertCheck::kEmpty;
    if (!block.Verify(verifier)) return CertCheck::kBadSignature;
    return CheckPeriod(block, now);
}

CertCheck CheckCertificate(const Auth1Certificate& certificate, Auth1PublicKeyBlock& block, uint32_t now,
                           CertRole role) {
    if (certificate.IsEmpty()) return CertCheck::kEmpty;
    if (!block.VerifyFamilyBuffer(certificate)) return CertCheck::kBadSignature;
    if (CertCheck period = CheckPeriod(certificate, now); period != CertCheck::kOk) return period;
    return RoleOf(certificate) == role ? CertCheck::kOk : CertCheck::kWrongRole;
}

}  // namespace TarnAuth
