// Feeds arbitrary bytes to the key parsers and to decryption and verification with the fixture keys:
// each gives a result, an empty result or false, never a crash or a read outside the input.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "Tarn/common/EventLog.h"
#include "Tarn/crypt/BFSymmetricKey.h"
#include "Tarn/crypt/CryptException.h"
#include "Tarn/crypt/EGKeys.h"

namespace {

TarnCrypt::Bytes Load(const char* name) {
    std::ifstream in(std::string(GRAVELON_SOURCE_DIR) + "/Tarn/crypt/tests/keys/" + name, std::ios::binary);
    return TarnCrypt::Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = (TarnCommon::SetEventLogFolder("/nonexistent-tarn-fuzz-folder"), true);
    static TarnCrypt::EGPrivateKey priv(Load("user1.der"));
    static TarnCrypt::BFSymmetricKey session(8, reinterpret_cast<const uint8_t*>("8bytekey"));
    (void)quiet;
    if (size > 4096) return 0;
    priv.Decrypt(data, size);
    session.Decrypt(data, size);
    priv.GetPublicKey()->Verify(data, size, data, size);
    if (size > 0 && size <= 600) {
        // The bytes as a key: parsing may fail, using the key never crashes.
        TarnCrypt::EGPublicKey pub(static_cast<uint16_t>(size), data);
        const uint8_t text[] = {1, 2, 3};
        pub.Encrypt(text, sizeof text);
        pub.Verify(data, size, text, sizeof text);
    }
    return 0;
}
