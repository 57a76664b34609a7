#include "tools/tarn-server/AuthServer.h"

#include <ctime>

#include "Tarn/api/TMsgSocket.h"
#include "Tarn/crypt/BFSymmetricKey.h"
#include "Tarn/identity/LoginMessages.h"
#include "tools/tarn-server/ServerFraming.h"

namespace tarnserver {

using namespace TarnIdentity;

namespace {

constexpr int16_t kUnreadable = -1500;
constexpr int16_t kStaleBlock = -1501;
// Certificates hold for an hour from a minute ago.
constexpr int64_t kCertificateBefore = 60;
constexpr int64_t kCertificateLife = 3600;

Bytes Failure(int16_t status) {
    LoginReply reply;
    reply.status = status;
    return PackLoginReply(reply);
}

}  // namespace

AuthServer::AuthServer(ServerKeys& keys, Clock clock, uint32_t bindAddress, uint16_t port)
    : keys_(keys), clock_(std::move(clock)), listener_([this](int handle) { Serve(handle); }, bindAddress, port) {}

AuthServer::~AuthServer() {
    HoldReplies(false);
    listener_.Stop();
}

void AuthServer::AddAccount(const std::u16string& user, const std::u16string& password, const std::u16string& nickname,
                            const TarnCrypt::EGPrivateKey& key) {
    Account account{password, nickname, 0, key};
    if (!account.key.IsValid() || !account.key.GetPublicKey()) account.key.Create(64);
    std::lock_guard<std::mutex> hold(lock_);
    account.userId = nextUserId_++;
    accounts_[user] = std::move(account);
}

void AuthServer::SetFaults(const AuthFaults& faults) {
    std::lock_guard<std::mutex> hold(lock_);
    faults_ = faults;
}

void AuthServer::HoldReplies(bool hold) {
    std::lock_guard<std::mutex> guard(lock_);
    holding_ = hold;
    released_.notify_all();
}

void AuthServer::Serve(int handle) {
    ++connections_;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (faults_.closeOnAccept) return;
    }
    Bytes request;
    while (ReadFramed(handle, request)) {
        const Bytes reply = Handle(request.data(), request.size());
        {
            std::unique_lock<std::mutex> hold(lock_);
            released_.wait(hold, [this] { return !holding_; });
        }
        if (reply.empty() || !WriteFramed(handle, reply)) return;
    }
}

Bytes AuthServer::Handle(const uint8_t* bytes, size_t length) {
    uint32_t type = 0;
    if (!ReadHeader(bytes, length, type)) return {};
    if (type == kKeyBlockRequest) {
        const uint32_t now = static_cast<uint32_t>(Now());
        TarnAuth::Auth1PublicKeyBlock block = keys_.MakeBlock(now - 60, now + 86400);
        bool forged;
        {
            std::lock_guard<std::mutex> hold(lock_);
            forged = faults_.badBlockSignature;
        }
        if (forged) {
            block.PackHeader();
            block.PackData();
            block.Sign(keys_.auth2);
        }
        return PackKeyBlockReply(0, block.GetRawBuffer());
    }
    if (type == kLoginRequest) {
        ++logins_;
        return Login(bytes, length);
    }
    return {};
}

Bytes AuthServer::Login(const uint8_t* bytes, size_t length) {
    LoginRequest request;
    if (!UnpackLoginRequest(bytes, length, request)) return Failure(kUnreadable);
    if (request.blockId != kKeyBlockId) return Failure(kStaleBlock);
    const Bytes keyBytes = keys_.auth1.Decrypt(request.encryptedKey.data(), request.encryptedKey.size());
    if (keyBytes.size() < 4 || keyBytes.size() > 56) return Failure(kUnreadable);
    TarnCrypt::BFSymmetricKey sessionKey(static_cast<uint16_t>(keyBytes.size()), keyBytes.data());
    const Bytes plain = sessionKey.Decrypt(request.encryptedData.data(), request.encryptedData.size());
    LoginData data;
    if (plain.empty() || !UnpackLoginData(plain.data(), plain.size(), data)) return Failure(kUnreadable);

    std::lock_guard<std::mutex> hold(lock_);
    if (faults_.status != 0) return Failure(faults_.status);
    auto it = accounts_.find(data.user);
    if (it == accounts_.end() || it->second.password != data.password) return Failure(-1);
    Account& account = it->second;
    if (!data.newPassword.empty()) account.password = data.newPassword;
    if (data.hasNickname) account.nickname = data.nickname;

    const uint32_t now = static_cast<uint32_t>(Now());
    TarnAuth::Auth1Certificate certificate = ServerKeys::MakeCertificate(
        account.userId, 1, 1, *account.key.GetPublicKey(), static_cast<uint32_t>(now - kCertificateBefore),
        static_cast<uint32_t>(now + kCertificateLife), faults_.certBySecondKey ? keys_.auth2 : keys_.auth1);
    LoginReply reply;
    reply.texts.push_back(u"welcome");
    reply.clearRecords.push_back({kRecordCertificate, certificate.GetRawBuffer()});
    std::vector<LoginRecord> secret;
    secret.push_back({kRecordPrivateKey, Bytes(account.key.GetKey(), account.key.GetKey() + account.key.GetKeyLen())});
    if (!faults_.dropEcho) secret.push_back({kRecordEcho, EchoRecord(keyBytes)});
    if (faults_.shortNickname)
        secret.push_back({kRecordNickname, Bytes{'1'}});
    else if (account.nickname.empty())
        secret.push_back({kRecordNickname, NicknameRecord(0xFF, u"")});
    else
        secret.push_back({kRecordNickname, NicknameRecord('1', account.nickname)});
    const Bytes packed = PackRecords(secret);
    reply.encryptedTail = sessionKey.Encrypt(packed.data(), packed.size());
    return PackLoginReply(reply);
}

}  // namespace tarnserver
