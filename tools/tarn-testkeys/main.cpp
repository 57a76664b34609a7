// Makes the online library's test key set as DER files: for each role a private key
// (<name>.der, SEQUENCE { p, q, g, y, x }) and its public key (<name>.pub.der, SEQUENCE { p, q, g, y }).
//   tarn-testkeys <output folder>
// The verifier key is 1024 bits, the others 512 bits so that tests stay fast. These keys are for tests
// only: they are published with the sources.
#include <cstdio>
#include <fstream>
#include <string>

#include "Tarn/crypt/CryptException.h"
#include "Tarn/crypt/EGKeys.h"

namespace {

struct Role {
    const char* name;
    uint16_t bytes;
};
constexpr Role kRoles[] = {
    {"verifier", 128}, {"authserver1", 64}, {"authserver2", 64}, {"user1", 64}, {"user2", 64}, {"dirserver", 64},
};

bool WriteFile(const std::string& path, const TarnCrypt::Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarn-testkeys <output folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    try {
        for (const Role& role : kRoles) {
            TarnCrypt::EGPrivateKey key;
            key.Create(role.bytes);
            const TarnCrypt::EGPublicKey pub(key);
            const std::string base = folder + "/" + role.name;
            if (!WriteFile(base + ".der", key.GetKeyBytes()) || !WriteFile(base + ".pub.der", pub.GetKeyBytes())) {
                std::fprintf(stderr, "tarn-testkeys: cannot write %s\n", base.c_str());
                return 1;
            }
            std::printf("%s: %u-bit modulus\n", role.name, role.bytes * 8u);
        }
    } catch (TarnCrypt::CryptException& e) {
        e.SetLogged(false);
        std::fprintf(stderr, "tarn-testkeys: %s\n", e.what());
        return 1;
    }
    return 0;
}
