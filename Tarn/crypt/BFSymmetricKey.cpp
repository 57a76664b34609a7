#include "Tarn/crypt/BFSymmetricKey.h"

#include <cryptopp/blowfish.h>
#include <cryptopp/filters.h>
#include <cryptopp/modes.h>

#include "Tarn/crypt/CryptException.h"
#include "Tarn/crypt/RandomPool.h"
#include "platform/bytes/ByteIO.h"

namespace TarnCrypt {

namespace {
constexpr const char* kSource = "Tarn\\crypt\\BFSymmetricKey";

Bytes RunFilter(CryptoPP::StreamTransformation& mode, const uint8_t* head, size_t headLength, const uint8_t* bytes,
                size_t length) {
    std::string out;
    CryptoPP::StreamTransformationFilter filter(mode, new CryptoPP::StringSink(out),
                                                CryptoPP::StreamTransformationFilter::PKCS_PADDING);
    if (headLength) filter.Put(head, headLength);
    filter.Put(bytes, length);
    filter.MessageEnd();
    return Bytes(out.begin(), out.end());
}
}  // namespace

const uint8_t kBlowfishIV[8] = {0x54, 0x61, 0x72, 0x6E, 0x42, 0x46, 0x49, 0x56};

struct BFSymmetricKey::Cache {
    CryptoPP::CBC_Mode<CryptoPP::Blowfish>::Encryption encryption;
    CryptoPP::CBC_Mode<CryptoPP::Blowfish>::Decryption decryption;
};

BFSymmetricKey::BFSymmetricKey() = default;
BFSymmetricKey::BFSymmetricKey(uint16_t length, const uint8_t* bytes) { CopyKey(length, bytes); }
BFSymmetricKey::BFSymmetricKey(const BFSymmetricKey& other) : SymmetricKey(other) {}
BFSymmetricKey::~BFSymmetricKey() = default;

BFSymmetricKey& BFSymmetricKey::operator=(const BFSymmetricKey& other) {
    CryptKeyBase::operator=(other);
    return *this;
}

void BFSymmetricKey::CopyKey(uint16_t length, const uint8_t* bytes) {
    if (bytes && bytes == GetKey()) return;
    cache_.reset();
    CryptKeyBase::CopyKey(length, bytes);
}

void BFSymmetricKey::Create(uint16_t length) {
    cache_.reset();
    Bytes key(length ? length : 8);
    try {
        GetRandomBlock(key.data(), key.size());
    } catch (const CryptoPP::Exception& e) {
        throw CryptException(kCryptLibraryCode, 60, kSource, e.what());
    }
    SetKeyBytes(std::move(key));
}

void BFSymmetricKey::Build() {
    if (cache_) return;
    auto cache = std::make_unique<Cache>();
    cache->encryption.SetKeyWithIV(GetKey(), GetKeyLen(), kBlowfishIV, sizeof kBlowfishIV);
    cache->decryption.SetKeyWithIV(GetKey(), GetKeyLen(), kBlowfishIV, sizeof kBlowfishIV);
    cache_ = std::move(cache);
}

Bytes BFSymmetricKey::Encrypt(const uint8_t* bytes, size_t length) {
    if (!bytes || length == 0 || length > 0xFFFFFFFFu) return {};
    try {
        Build();
        cache_->encryption.Resynchronize(kBlowfishIV, sizeof kBlowfishIV);  // every message starts afresh
        uint8_t head[4];
        plat::StoreU32(head, static_cast<uint32_t>(length));
        return RunFilter(cache_->encryption, head, sizeof head, bytes, length);
    } catch (const CryptoPP::Exception& e) {
        CryptException(kCryptLibraryCode, 90, kSource, e.what());
        return {};
    }
}

Bytes BFSymmetricKey::Decrypt(const uint8_t* bytes, size_t length) {
    if (!bytes || length == 0) return {};
    try {
        Build();
        cache_->decryption.Resynchronize(kBlowfishIV, sizeof kBlowfishIV);
        Bytes plain = RunFilter(cache_->decryption, nullptr, 0, bytes, length);
        if (plain.size() < 4) return {};
        const uint32_t inner = plat::LoadU32(plain.data());
        if (inner > plain.size() - 4) return {};
        return Bytes(plain.begin() + 4, plain.begin() + 4 + inner);
    } catch (const CryptoPP::Exception& e) {
        CryptException(kCryptLibraryCode, 110, kSource, e.what());
        return {};
    }
}

}  // namespace TarnCrypt
