#include "Tarn/crypt/EGKeys.h"

#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/elgamal.h>
#include <cryptopp/md5.h>
#include <cryptopp/nbtheory.h>
#include <cryptopp/nr.h>

#include <algorithm>
#include <optional>

#include "Tarn/crypt/CryptException.h"
#include "Tarn/crypt/KeyEncoding.h"
#include "Tarn/crypt/RandomPool.h"
#include "platform/bytes/ByteIO.h"

namespace TarnCrypt {

using CryptoPP::Integer;

namespace {

constexpr const char* kPublicSource = "Tarn\\crypt\\EGPublicKey";
constexpr const char* kPrivateSource = "Tarn\\crypt\\EGPrivateKey";
// Larger moduli are refused: a peer's key of tens of thousands of bits would cost minutes per use.
constexpr unsigned kMaxModulusBits = 4096;

// Writes the library's error to the event log (the exception logs itself when it dies).
void LogLibraryError(int line, const char* source, const char* text) { CryptException(kCryptLibraryCode, line, source, text); }

struct Group {
    Integer p, q, g, y, x;
};

// The integers of a key, checked to form a usable group: p odd and of bounded size, q positive,
// 1 < g < p, 0 < y < p and, for a private key, 0 < x < q.
Group DecodeGroup(const Bytes& bytes, bool withPrivate) {
    const std::vector<Integer> v = DecodeIntegers(bytes, withPrivate ? 5 : 4);
    Group group{v[0], v[1], v[2], v[3], withPrivate ? v[4] : Integer::Zero()};
    const bool ok = group.p.IsOdd() && group.p > Integer(3) && group.p.BitCount() <= kMaxModulusBits &&
                    group.q.IsPositive() && group.q < group.p && group.g > Integer::One() && group.g < group.p &&
                    group.y.IsPositive() && group.y < group.p &&
                    (!withPrivate || (group.x.IsPositive() && group.x < group.q));
    if (!ok) throw CryptoPP::InvalidArgument("ElGamal key parameters out of range");
    return group;
}

void DumpGroup(std::ostream& out, const Bytes& bytes, bool withPrivate, const char* name) {
    try {
        const Group k = DecodeGroup(bytes, withPrivate);
        out << "(Len=" << bytes.size() << " P=" << k.p << " Q=" << k.q << " G=" << k.g << " Y=" << k.y;
        if (withPrivate) out << " X=" << k.x;
        out << ")";
    } catch (const CryptoPP::Exception& e) {
        out << "(" << name << " Exception: " << e.what() << ")";
    }
}

}  // namespace

// ---- EGPublicKey

struct EGPublicKey::Cache {
    CryptoPP::ElGamal::Encryptor encryptor;
    CryptoPP::NR<CryptoPP::Weak::MD5>::Verifier verifier;
};

EGPublicKey::EGPublicKey() = default;
EGPublicKey::EGPublicKey(uint16_t length, const uint8_t* bytes) { CopyKey(length, bytes); }
EGPublicKey::EGPublicKey(const Bytes& bytes) {
    if (bytes.size() > 0xFFFF) throw CryptException(kCryptBadCallCode, 90, kPublicSource, "Key too long.");
    CopyKey(static_cast<uint16_t>(bytes.size()), bytes.data());
}
EGPublicKey::EGPublicKey(const EGPublicKey& other) : PublicKey(other) {}
EGPublicKey::~EGPublicKey() = default;

EGPublicKey::EGPublicKey(const EGPrivateKey& privateKey) {
    try {
        const Group k = DecodeGroup(privateKey.GetKeyBytes(), true);
        SetKeyBytes(EncodeIntegers({k.p, k.q, k.g, k.y}));
    } catch (const CryptoPP::Exception& e) {
        throw CryptException(kCryptLibraryCode, 105, kPublicSource, e.what());
    }
}

EGPublicKey& EGPublicKey::operator=(const EGPublicKey& other) {
    CryptKeyBase::operator=(other);
    return *this;
}

void EGPublicKey::CopyKey(uint16_t length, const uint8_t* bytes) {
    if (bytes && bytes == GetKey()) return;
    cache_.reset();
    CryptKeyBase::CopyKey(length, bytes);
}

void EGPublicKey::Dump(std::ostream& out) const { DumpGroup(out, GetKeyBytes(), false, "EGPublicKey"); }

bool EGPublicKey::Build() {
    if (cache_) return true;
    const Group k = DecodeGroup(GetKeyBytes(), false);
    auto cache = std::make_unique<Cache>();
    cache->encryptor.AccessKey().Initialize(k.p, k.q, k.g, k.y);
    cache->verifier.AccessKey().Initialize(k.p, k.q, k.g, k.y);
    cache_ = std::move(cache);
    return true;
}

Bytes EGPublicKey::Encrypt(const uint8_t* bytes, size_t length) {
    if (!bytes || length == 0) return {};
    try {
        Build();
        const size_t piece = cache_->encryptor.FixedMaxPlaintextLength();
        const size_t block = cache_->encryptor.FixedCiphertextLength();
        if (piece == 0 || block == 0) return {};
        const size_t count = (length + piece - 1) / piece;
        if (count > 0xFFFFFFFFu) return {};
        Bytes out(4 + count * block);
        plat::StoreU32(out.data(), static_cast<uint32_t>(count));
        CryptoPP::RandomNumberGenerator& rng = GetRandomPool();
        for (size_t i = 0; i < count; ++i) {
            const size_t at = i * piece;
            cache_->encryptor.Encrypt(rng, bytes + at, std::min(piece, length - at), out.data() + 4 + i * block);
        }
        return out;
    } catch (const CryptoPP::Exception& e) {
        LogLibraryError(160, kPublicSource, e.what());
        return {};
    }
}

size_t EGPublicKey::SignatureLength() {
    try {
        Build();
        return cache_->verifier.SignatureLength();
    } catch (const CryptoPP::Exception& e) {
        LogLibraryError(170, kPublicSource, e.what());
        return 0;
    }
}

bool EGPublicKey::Verify(const uint8_t* signature, size_t signatureLength, const uint8_t* bytes, size_t length) {
    if (!signature || !bytes || length == 0) return false;
    try {
        Build();
        if (signatureLength != cache_->verifier.SignatureLength()) return false;
        return cache_->verifier.VerifyMessage(bytes, length, signature, signatureLength);
    } catch (const CryptoPP::Exception& e) {
        LogLibraryError(190, kPublicSource, e.what());
        return false;
    }
}

// ---- EGPrivateKey

struct EGPrivateKey::Cache {
    std::optional<EGPublicKey> publicKey;
    CryptoPP::ElGamal::Decryptor decryptor;
    CryptoPP::NR<CryptoPP::Weak::MD5>::Signer signer;
};

EGPrivateKey::EGPrivateKey() = default;
EGPrivateKey::EGPrivateKey(uint16_t length, const uint8_t* bytes) { CopyKey(length, bytes); }
EGPrivateKey::EGPrivateKey(const Bytes& bytes) {
    if (bytes.size() > 0xFFFF) throw CryptException(kCryptBadCallCode, 90, kPrivateSource, "Key too long.");
    CopyKey(static_cast<uint16_t>(bytes.size()), bytes.data());
}
EGPrivateKey::EGPrivateKey(const EGPrivateKey& other) : PrivateKey(other) {}
EGPrivateKey::~EGPrivateKey() = default;

EGPrivateKey& EGPrivateKey::operator=(const EGPrivateKey& other) {
    CryptKeyBase::operator=(other);
    return *this;
}

void EGPrivateKey::CopyKey(uint16_t length, const uint8_t* bytes) {
    if (bytes && bytes == GetKey()) return;
    cache_.reset();
    CryptKeyBase::CopyKey(length, bytes);
}

void EGPrivateKey::Create(uint16_t length) {
    cache_.reset();
    const unsigned bytes = length ? length : 8;
    if (bytes < kMinModulusBytes)
        throw CryptException(kCryptBadCallCode, 240, kPrivateSource, "Key length too short in EGPrivateKey::Create!");
    try {
        CryptoPP::ElGamalKeys::PrivateKey key;
        key.GenerateRandomWithKeySize(GetRandomPool(), bytes * 8);
        const auto& group = key.GetGroupParameters();
        const Integer& p = group.GetModulus();
        const Integer& g = group.GetSubgroupGenerator();
        const Integer& x = key.GetPrivateExponent();
        SetKeyBytes(EncodeIntegers({p, group.GetSubgroupOrder(), g, a_exp_b_mod_c(g, x, p), x}));
    } catch (const CryptoPP::Exception& e) {
        throw CryptException(kCryptLibraryCode, 255, kPrivateSource, e.what());
    }
}

void EGPrivateKey::Dump(std::ostream& out) const { DumpGroup(out, GetKeyBytes(), true, "EGPrivateKey"); }

bool EGPrivateKey::Build() {
    if (cache_) return true;
    const Group k = DecodeGroup(GetKeyBytes(), true);
    auto cache = std::make_unique<Cache>();
    cache->decryptor.AccessKey().Initialize(k.p, k.q, k.g, k.x);
    cache->signer.AccessKey().Initialize(k.p, k.q, k.g, k.x);
    cache->publicKey.emplace(EncodeIntegers({k.p, k.q, k.g, k.y}));
    cache_ = std::move(cache);
    return true;
}

EGPublicKey* EGPrivateKey::GetPublicKey() {
    try {
        Build();
        return &*cache_->publicKey;
    } catch (const CryptoPP::Exception& e) {
        LogLibraryError(285, kPrivateSource, e.what());
        return nullptr;
    }
}

Bytes EGPrivateKey::Decrypt(const uint8_t* bytes, size_t length) {
    if (!bytes || length <= 4) return {};
    try {
        Build();
        const size_t block = cache_->decryptor.FixedCiphertextLength();
        const size_t piece = cache_->decryptor.FixedMaxPlaintextLength();
        const uint64_t count = plat::LoadU32(bytes);
        // Checked in 64 bits: a block count chosen to wrap a 32-bit product must not pass.
        if (block == 0 || count * block != length - 4) return {};
        Bytes out;
        out.reserve(static_cast<size_t>(count) * piece);
        Bytes plain(piece);
        CryptoPP::RandomNumberGenerator& rng = GetRandomPool();
        for (uint64_t i = 0; i < count; ++i) {
            const CryptoPP::DecodingResult r =
                cache_->decryptor.Decrypt(rng, bytes + 4 + i * block, block, plain.data());
            if (!r.isValidCoding) return {};
            out.insert(out.end(), plain.begin(), plain.begin() + r.messageLength);
        }
        return out;
    } catch (const CryptoPP::Exception& e) {
        LogLibraryError(310, kPrivateSource, e.what());
        return {};
    }
}

Bytes EGPrivateKey::Sign(const uint8_t* bytes, size_t length) {
    if (!bytes || length == 0) return {};
    try {
        Build();
        Bytes signature(cache_->signer.MaxSignatureLength());
        signature.resize(cache_->signer.SignMessage(GetRandomPool(), bytes, length, signature.data()));
        return signature;
    } catch (const CryptoPP::Exception& e) {
        LogLibraryError(325, kPrivateSource, e.what());
        return {};
    }
}

}  // namespace TarnCrypt
