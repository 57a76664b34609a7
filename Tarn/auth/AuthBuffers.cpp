#include "Tarn/auth/AuthBuffers.h"

#include <ctime>

#include "Tarn/crypt/CryptException.h"
#include "platform/bytes/ByteIO.h"

namespace TarnAuth {

namespace {

template <class T>
int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int OrderKeys(const EGPublicKey& a, const EGPublicKey& b) { return a < b ? -1 : (b < a ? 1 : 0); }

// The C library's text of a time, which ends with a line end.
std::string TimeText(uint32_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    char text[64] = {};
    if (!ctime_r(&t, text)) return "?\n";
    return text;
}

// A key from received bytes; false for bytes that cannot be a key.
bool KeyFrom(const uint8_t* bytes, uint16_t length, EGPublicKey& key) {
    try {
        key.CopyKey(length, bytes);
        return true;
    } catch (TarnCrypt::CryptException& e) {
        e.SetLogged(false);
        return false;
    }
}

}  // namespace

// ---- AuthFamilyBuffer

int AuthFamilyBuffer::Compare(const AuthFamilyBuffer& other) const {
    if (int c = Order(GetFamily(), other.GetFamily())) return c;
    if (int c = Order(expireTime_, other.expireTime_)) return c;
    return Order(issueTime_, other.issueTime_);
}

bool AuthFamilyBuffer::Verify(EGPublicKey& key) const {
    if (raw_.empty() || dataLength_ >= raw_.size()) return false;
    return key.Verify(raw_.data() + dataLength_, raw_.size() - dataLength_, raw_.data(), dataLength_);
}

void AuthFamilyBuffer::Dump(std::ostream& out) const {
    out << "(Family=" << GetFamily() << " RawLen=" << raw_.size() << " DataLen=" << dataLength_ << ")";
}

bool AuthFamilyBuffer::Sign(EGPrivateKey& key) {
    if (raw_.empty() || raw_.size() > 0xFFFF) return false;
    dataLength_ = static_cast<uint16_t>(raw_.size());
    const Bytes signature = key.Sign(raw_.data(), raw_.size());
    if (signature.empty()) return false;
    AppendBytes(signature);
    return true;
}

bool AuthFamilyBuffer::Unpack(const uint8_t* bytes, size_t length) {
    Clear();
    if (!bytes || length < GetMinLength(true) || length > 0xFFFF) return false;
    if (plat::LoadU16(bytes) != GetFamily()) return false;
    raw_.assign(bytes, bytes + length);
    issueTime_ = plat::LoadU32(bytes + 2);
    expireTime_ = plat::LoadU32(bytes + 6);
    dataLength_ = 10;
    if (!UnpackData() || dataLength_ < 10 || dataLength_ >= raw_.size()) {
        Clear();
        return false;
    }
    return true;
}

void AuthFamilyBuffer::PackHeader() {
    Clear();
    AppendU16(GetFamily());
    AppendU32(issueTime_);
    AppendU32(expireTime_);
}

bool AuthFamilyBuffer::PackAndSign(EGPrivateKey& key) {
    PackHeader();
    if (!PackData() || !Sign(key)) {
        Clear();
        return false;
    }
    return true;
}

bool AuthFamilyBuffer::IsCurrent(uint32_t now, uint32_t skew) const {
    return uint64_t(now) + skew >= issueTime_ && uint64_t(now) <= uint64_t(expireTime_) + skew;
}

bool AuthFamilyBuffer::Advance(size_t count) {
    if (dataLength_ + count > raw_.size()) return false;
    dataLength_ = static_cast<uint16_t>(dataLength_ + count);
    return true;
}

bool AuthFamilyBuffer::ReadU16(uint16_t& value) {
    if (dataLength_ + 2u > raw_.size()) return false;
    value = plat::LoadU16(raw_.data() + dataLength_);
    dataLength_ = static_cast<uint16_t>(dataLength_ + 2);
    return true;
}

bool AuthFamilyBuffer::ReadU32(uint32_t& value) {
    if (dataLength_ + 4u > raw_.size()) return false;
    value = plat::LoadU32(raw_.data() + dataLength_);
    dataLength_ = static_cast<uint16_t>(dataLength_ + 4);
    return true;
}

void AuthFamilyBuffer::AppendU16(uint16_t value) {
    uint8_t b[2];
    plat::StoreU16(b, value);
    raw_.insert(raw_.end(), b, b + 2);
}

void AuthFamilyBuffer::AppendU32(uint32_t value) {
    uint8_t b[4];
    plat::StoreU32(b, value);
    raw_.insert(raw_.end(), b, b + 4);
}

// ---- Auth1Certificate

int Auth1Certificate::Compare(const AuthFamilyBuffer& other) const {
    if (int c = AuthFamilyBuffer::Compare(other)) return c;
    const auto* cert = dynamic_cast<const Auth1Certificate*>(&other);
    if (!cert) return 1;
    if (int c = Order(userId_, cert->userId_)) return c;
    if (int c = Order(communityId_, cert->communityId_)) return c;
    return OrderKeys(publicKey_, cert->publicKey_);
}

void Auth1Certificate::Dump(std::ostream& out) const {
    out << "(AuthCert1 RawLen=" << GetRawBuffer().size() << " DataLen=" << GetDataLength() << "\n"
        << "  Family=" << GetFamily() << "\n"
        << "  IssueTime=" << TimeText(GetIssueTime()) << "  ExpireTime=" << TimeText(GetExpireTime())
        << "  UserId=" << userId_ << " CommunityId=" << communityId_ << " TrustLevel=" << trustLevel_ << "\n"
        << "  PublicKey=";
    publicKey_.Dump(out);
    out << ")";
}

uint32_t Auth1Certificate::GetMinLength(bool fixedOnly) const {
    return 22 + (fixedOnly ? 0 : publicKey_.GetKeyLen());
}

bool Auth1Certificate::PackData() {
    if (userId_ == 0 || communityId_ == 0 || publicKey_.GetKeyLen() <= 1) return false;
    AppendU32(userId_);
    AppendU32(communityId_);
    AppendU16(trustLevel_);
    AppendU16(publicKey_.GetKeyLen());
    AppendBytes(publicKey_.GetKeyBytes());
    return true;
}

bool Auth1Certificate::UnpackData() {
    uint16_t keyLength = 0;
    if (!ReadU32(userId_) || !ReadU32(communityId_) || !ReadU16(trustLevel_) || !ReadU16(keyLength)) return false;
    const size_t at = GetDataLength();
    if (!Advance(keyLength)) return false;
    return KeyFrom(RawAt(at), keyLength, publicKey_);
}

// ---- AuthPublicKeyBlockBase

int AuthPublicKeyBlockBase::Compare(const AuthFamilyBuffer& other) const {
    if (int c = AuthFamilyBuffer::Compare(other)) return c;
    const auto* block = dynamic_cast<const AuthPublicKeyBlockBase*>(&other);
    return block ? Order(blockId_, block->blockId_) : 1;
}

void AuthPublicKeyBlockBase::Dump(std::ostream& out) const {
    out << "(RawLen=" << GetRawBuffer().size() << " DataLen=" << GetDataLength() << "  Family=" << GetFamily()
        << " BlockId=" << blockId_ << ")";
}

bool AuthPublicKeyBlockBase::PackData() {
    AppendU16(blockId_);
    return true;
}

bool AuthPublicKeyBlockBase::UnpackData() { return ReadU16(blockId_); }

// ---- Auth1PublicKeyBlock

int Auth1PublicKeyBlock::Compare(const AuthFamilyBuffer& other) const {
    if (int c = AuthPublicKeyBlockBase::Compare(other)) return c;
    const auto* block = dynamic_cast<const Auth1PublicKeyBlock*>(&other);
    if (!block) return 1;
    for (size_t i = 0; i < keys_.size() && i < block->keys_.size(); ++i)
        if (int c = OrderKeys(keys_[i], block->keys_[i])) return c;
    return Order(keys_.size(), block->keys_.size());
}

void Auth1PublicKeyBlock::Dump(std::ostream& out) const {
    out << "(AuthPubKeyBlk1 RawLen=" << GetRawBuffer().size() << " DataLen=" << GetDataLength() << "\n"
        << "  Family=" << GetFamily() << "\n"
        << "  IssueTime=" << TimeText(GetIssueTime()) << "  ExpireTime=" << TimeText(GetExpireTime())
        << "  BlockId=" << GetBlockId() << " NumKeys=" << keys_.size() << "\n";
    for (size_t i = 0; i < keys_.size(); ++i) {
        out << "    Key" << i + 1 << "=";
        keys_[i].Dump(out);
        out << "\n";
    }
}

uint32_t Auth1PublicKeyBlock::GetMinLength(bool fixedOnly) const {
    uint32_t length = 14;
    if (!fixedOnly)
        for (const EGPublicKey& key : keys_) length += 2 + key.GetKeyLen();
    return length;
}

bool Auth1PublicKeyBlock::PackData() {
    if (keys_.empty() || keys_.size() > 0xFFFF || !AuthPublicKeyBlockBase::PackData()) return false;
    AppendU16(static_cast<uint16_t>(keys_.size()));
    for (const EGPublicKey& key : keys_) {
        AppendU16(key.GetKeyLen());
        AppendBytes(key.GetKeyBytes());
    }
    return true;
}

bool Auth1PublicKeyBlock::UnpackData() {
    keys_.clear();
    uint16_t count = 0;
    if (!AuthPublicKeyBlockBase::UnpackData() || !ReadU16(count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t keyLength = 0;
        if (!ReadU16(keyLength)) break;
        const size_t at = GetDataLength();
        if (!Advance(keyLength)) break;
        EGPublicKey key;
        if (!KeyFrom(RawAt(at), keyLength, key)) break;
        keys_.push_back(std::move(key));
    }
    if (keys_.size() == count) return true;
    keys_.clear();
    return false;
}

bool Auth1PublicKeyBlock::VerifyFamilyBuffer(const AuthFamilyBuffer& buffer) {
    if (IsEmpty() || buffer.IsEmpty()) return false;
    for (EGPublicKey& key : keys_)
        if (buffer.Verify(key)) return true;
    return false;
}

Bytes Auth1PublicKeyBlock::EncryptRawBuffer(const uint8_t* bytes, size_t length) {
    if (keys_.empty()) return {};
    return keys_.front().Encrypt(bytes, length);
}

}  // namespace TarnAuth
