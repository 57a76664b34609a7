// Feeds arbitrary bytes to the certificate and key-block readers: each gives a buffer or an empty
// object, and checking a buffer never crashes.
#include <cstddef>
#include <cstdint>

#include "Tarn/auth/CertificateCheck.h"
#include "Tarn/common/EventLog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = (TarnCommon::SetEventLogFolder("/nonexistent-tarn-fuzz-folder"), true);
    (void)quiet;
    if (size > 8192) return 0;
    TarnAuth::Auth1Certificate cert(data, size);
    TarnAuth::Auth1PublicKeyBlock block(data, size);
    if (!block.IsEmpty()) {
        (void)block.VerifyFamilyBuffer(block);
        (void)TarnAuth::CheckCertificate(cert, block, 0, TarnAuth::CertRole::kUser);
    }
    if (!cert.IsEmpty()) {
        const uint8_t text[] = {1, 2, 3};
        cert.PublicKey().Encrypt(text, sizeof text);
        (void)cert.Verify(cert.PublicKey());
    }
    return 0;
}
