#include "Tarn/crypt/CryptKeyBase.h"

#include <algorithm>
#include <cstring>
#include <ios>

#include "Tarn/crypt/CryptException.h"

namespace TarnCrypt {

namespace {
constexpr const char* kSource = "Tarn\\crypt\\CryptKeyBase";
}

CryptKeyBase::CryptKeyBase() : key_(1, 0) {}
CryptKeyBase::CryptKeyBase(const CryptKeyBase& other) = default;
CryptKeyBase::~CryptKeyBase() = default;

CryptKeyBase& CryptKeyBase::operator=(const CryptKeyBase& other) {
    if (this != &other) CopyKey(other.GetKeyLen(), other.GetKey());
    return *this;
}

bool CryptKeyBase::IsValid() const { return !key_.empty() && !(key_.size() == 1 && key_[0] == 0); }

void CryptKeyBase::CopyKey(uint16_t length, const uint8_t* bytes) {
    if (bytes && bytes == key_.data()) return;
    if (!bytes || length == 0) throw CryptException(kCryptBadCallCode, 60, kSource, "NULL key or length in CryptKeyBase::CopyKey!");
    key_.assign(bytes, bytes + length);
}

void CryptKeyBase::Dump(std::ostream& out) const {
    out << "(Len=" << key_.size() << " Key=" << std::hex;
    for (uint8_t b : key_) out << unsigned(b) << ' ';
    out << std::dec << ")";
}

bool CryptKeyBase::operator<(const CryptKeyBase& other) const {
    const size_t n = std::min(key_.size(), other.key_.size());
    const int c = n ? std::memcmp(key_.data(), other.key_.data(), n) : 0;
    if (c != 0) return c < 0;
    return key_.size() < other.key_.size();
}

void PublicKey::Create(uint16_t) {
    throw CryptException(kCryptBadCallCode, 30, "Tarn\\crypt\\PublicKey", "Create(len) called on PublicKey.");
}

}  // namespace TarnCrypt
