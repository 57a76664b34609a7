#include "Tarn/identity/Identity.h"

#include <ctime>

#include "Tarn/api/BackgroundRuns.h"
#include "Tarn/api/Event.h"
#include "Tarn/api/TMsgSocket.h"
#include "Tarn/api/WSSocket.h"
#include "Tarn/auth/CertificateCheck.h"
#include "Tarn/common/RegKey.h"
#include "Tarn/crypt/BFSymmetricKey.h"
#include "Tarn/identity/LoginMessages.h"

namespace TarnAPI {

using TarnAuth::Auth1Certificate;
using TarnAuth::Auth1PublicKeyBlock;
using TarnCrypt::Bytes;
using TarnCrypt::EGPrivateKey;
using TarnCrypt::EGPublicKey;
using namespace TarnIdentity;

namespace {

// A certificate is renewed this many seconds before its renewal time.
constexpr int64_t kRenewalMargin = 120;

struct Module {
    std::mutex lock;
    bool verifierSet = false;
    EGPublicKey verifier;
    std::unique_ptr<Auth1PublicKeyBlock> block;
    std::function<int64_t()> clock;
    BackgroundRuns runs;  // last: its threads end before the rest goes
};

Module& GetModule() {
    static Module module;
    return module;
}

long ServerStatus(int16_t status) {
    if (status == -1) return kAuthBadPassword;
    if (status == -4) return kAuthRefused;
    if (status <= -1500 && status >= -1508) return status;
    return kAuthBadReply;
}

}  // namespace

struct Identity::Login {
    bool requestFlag = false;
    bool sendNickname = false;
    std::u16string newPassword;
    long timeout = 0;
    std::vector<AuthContainer> callers;  // the caller that started it, then the plain callers that joined
    Event done;
    long result = kAuthNoReply;
    TarnCrypt::BFSymmetricKey sessionKey;
};

Identity::Identity(const std::u16string& user, const std::u16string& password, const std::vector<sockaddr_in>& servers,
                   const std::u16string& second, const std::u16string& third, const std::u16string& nickname)
    : user_(user), second_(second), third_(third), password_(password), nickname_(nickname), servers_(servers) {}

Identity::~Identity() {
    // An asynchronous login of this identity must not outlive it.
    std::shared_ptr<Login> running;
    {
        std::lock_guard<std::mutex> hold(lock_);
        running = running_;
    }
    if (running) running->done.Wait();
}

long Identity::Authenticate(bool requestFlag, bool sendNickname, long timeout, bool async,
                            const AuthContainer& completion) {
    return Authenticate(requestFlag, sendNickname, u"", timeout, async, completion);
}

long Identity::Authenticate(bool requestFlag, bool sendNickname, const std::u16string& newPassword, long timeout,
                            bool async, const AuthContainer& completion) {
    auto completeAlone = [&](long result) {
        if (!completion.IsEmpty()) completion.Complete(AuthResult{result, this});
        return result;
    };
    if (servers_.empty()) return completeAlone(kAuthNoServers);
    std::unique_lock<std::mutex> hold(lock_);
    {
        bool set;
        {
            std::lock_guard<std::mutex> module(GetModule().lock);
            set = GetModule().verifierSet;
        }
        if (!set) LoadVerifierKey();  // read again at every login until it is there
    }
    const bool plain = !requestFlag && !sendNickname && newPassword.empty();
    if (running_) {
        if (!plain) {
            hold.unlock();
            return completeAlone(kAuthBusy);
        }
        std::shared_ptr<Login> joined = running_;
        joined->callers.push_back(completion);
        hold.unlock();
        if (async) return kAuthPending;
        joined->done.Wait();
        return joined->result;
    }
    auto login = std::make_shared<Login>();
    login->requestFlag = requestFlag;
    login->sendNickname = sendNickname;
    login->newPassword = newPassword;
    login->timeout = timeout;
    login->callers.push_back(completion);
    running_ = login;
    hold.unlock();
    try {
        login->sessionKey.Create(8);
    } catch (...) {
        Finish(login, kAuthNoMemory);
        return kAuthNoMemory;
    }
    if (async) {
        if (GetModule().runs.Start([this, login] { Finish(login, RunLogin(*login)); })) return kAuthPending;
        Finish(login, kAuthNoMemory);
        return kAuthNoMemory;
    }
    const long result = RunLogin(*login);
    Finish(login, result);
    return result;
}

long Identity::AuthenticateIfNeeded(bool force, long timeout, bool async, const AuthContainer& completion) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!force && certificate_ && Now() < renewalTime_ - kRenewalMargin) {
            if (!completion.IsEmpty()) completion.Complete(AuthResult{kAuthOk, this});
            return kAuthOk;
        }
    }
    return Authenticate(false, false, u"", timeout, async, completion);
}

void Identity::Finish(const std::shared_ptr<Login>& login, long result) {
    std::vector<AuthContainer> callers;
    {
        std::lock_guard<std::mutex> hold(lock_);
        callers.swap(login->callers);
        login->result = result;
        if (running_ == login) running_.reset();
    }
    for (const AuthContainer& caller : callers)
        if (!caller.IsEmpty()) caller.Complete(AuthResult{result, this});
    login->done.Set();
}

long Identity::RunLogin(Login& login) {
    long result = kAuthNoReply;
    for (const sockaddr_in& server : servers_) {
        bool tryNext = false;
        result = LoginOnServer(login, server, tryNext);
        if (!tryNext) return result;
    }
    return result;
}

long Identity::LoginOnServer(Login& login, const sockaddr_in& server, bool& tryNext) {
    auto* inner = new (std::nothrow) TCPSocket(server);
    if (!inner) return kAuthNoMemory;
    TMsgSocket socket(inner, 4, 65535);
    socket.SetOwnsInner(true);
    tryNext = true;
    const long opened = socket.Open(login.timeout, false, {});
    if (opened != 0) return opened;
    auto receive = [&](Bytes& out) {
        long length = 0;
        uint8_t* bytes = socket.RecvMsg(nullptr, &length, login.timeout, false, {});
        if (!bytes) return false;
        out.assign(bytes, bytes + length);
        std::free(bytes);
        return true;
    };
    auto noMessage = [&] { return socket.IsRecvOpen() ? kAuthNoReply : kAuthClosed; };

    std::unique_ptr<Auth1PublicKeyBlock> block = GetPublicKeyBlock();
    if (!block) {
        const Bytes request = Header(kKeyBlockRequest);
        socket.SendMsg(static_cast<long>(request.size()), request.data(), -1, false, false, {});
        Bytes reply;
        if (!receive(reply)) return noMessage();
        uint32_t type = 0;
        if (!ReadHeader(reply.data(), reply.size(), type) || type != kKeyBlockReply || reply.size() < 12 ||
            (reply[8] | reply[9] << 8) != 0)
            return kAuthBadBlockReply;
        uint16_t status;
        Bytes packed;
        if (!UnpackKeyBlockReply(reply.data(), reply.size(), status, packed)) return kAuthBadBlock;
        const long set = SetPublicKeyBlock(packed.data(), packed.size());
        if (set != 0) {
            tryNext = set == kAuthBadBlock;
            return set;
        }
        block = GetPublicKeyBlock();
        if (!block) return kAuthBadBlock;
    }
    tryNext = false;

    LoginData data;
    {
        std::lock_guard<std::mutex> hold(lock_);
        data.blockId = block->GetBlockId();
        data.noCertificate = certificate_ ? 0 : 1;
        data.requestFlag = login.requestFlag ? 1 : 0;
        data.user = user_;
        data.second = second_;
        data.third = third_;
        data.password = password_;
        data.newPassword = login.newPassword;
        data.hasNickname = login.sendNickname;
        data.nickname = nickname_;
    }
    LoginRequest request;
    request.blockId = data.blockId;
    request.encryptedKey = block->EncryptRawBuffer(login.sessionKey.GetKey(), login.sessionKey.GetKeyLen());
    const Bytes plain = PackLoginData(data);
    request.encryptedData = login.sessionKey.Encrypt(plain.data(), plain.size());
    if (request.encryptedKey.empty() || request.encryptedData.empty()) return kAuthNoMemory;
    const Bytes packed = PackLoginRequest(request);
    socket.SendMsg(static_cast<long>(packed.size()), packed.data(), -1, false, false, {});
    Bytes received;
    if (!receive(received)) {
        tryNext = true;
        return noMessage();
    }

    // Everything is read into temporaries first; the identity changes only once the echo has matched.
    LoginReply reply;
    if (!UnpackLoginReply(received.data(), received.size(), reply)) return kAuthBadReply;
    if (reply.status != 0) return ServerStatus(reply.status);
    std::unique_ptr<Auth1Certificate> certificate;
    for (const LoginRecord& record : reply.clearRecords) {
        if (record.type == kRecordCertificate) {
            certificate = std::make_unique<Auth1Certificate>(record.bytes);
            block = GetPublicKeyBlock();
            if (!block || TarnAuth::CheckCertificate(*certificate, *block, static_cast<uint32_t>(Now()),
                                                     TarnAuth::CertRole::kUser) != TarnAuth::CertCheck::kOk)
                return kAuthBadReply;
        } else if (record.type == kRecordKeyBlock) {
            const long set = SetPublicKeyBlock(record.bytes.data(), record.bytes.size());
            if (set != 0) return set;
        } else {
            return kAuthBadReply;
        }
    }
    const Bytes tail = login.sessionKey.Decrypt(reply.encryptedTail.data(), reply.encryptedTail.size());
    std::vector<LoginRecord> records;
    if (tail.empty() || !UnpackRecords(tail.data(), tail.size(), records)) return kAuthBadReply;
    std::unique_ptr<EGPrivateKey> privateKey;
    bool echoed = false;
    bool nicknameSeen = false;
    uint8_t nicknameFlag = 0;
    std::u16string nickname;
    const Bytes sessionKey(login.sessionKey.GetKey(), login.sessionKey.GetKey() + login.sessionKey.GetKeyLen());
    for (const LoginRecord& record : records) {
        if (record.type == kRecordPrivateKey) {
            try {
                privateKey = std::make_unique<EGPrivateKey>(record.bytes);
            } catch (...) {
                return kAuthBadReply;
            }
        } else if (record.type == kRecordEcho) {
            Bytes echo;
            if (!ReadEcho(record.bytes, echo) || echo != sessionKey) return kAuthBadReply;
            echoed = true;
        } else if (record.type == kRecordNickname) {
            if (!ReadNickname(record.bytes, nicknameFlag, nickname)) return kAuthBadReply;
            nicknameSeen = true;
        } else {
            return kAuthBadReply;
        }
    }
    if (!echoed) return kAuthBadReply;

    std::lock_guard<std::mutex> hold(lock_);
    if (!login.newPassword.empty()) password_ = login.newPassword;
    replyTexts_ = reply.texts;
    if (certificate) {
        renewalTime_ = Now() + static_cast<int64_t>(certificate->GetExpireTime()) - certificate->GetIssueTime();
        certificate_ = std::move(certificate);
    }
    if (privateKey) privateKey_ = std::move(privateKey);
    if (nicknameSeen) {
        if (nicknameFlag == 0xFF) {
            nicknameFlag_ = true;
            nickname_ = user_;
        } else {
            nicknameFlag_ = nicknameFlag == '1';
            nickname_ = nickname;
        }
    }
    return kAuthOk;
}

std::unique_ptr<Auth1Certificate> Identity::GetCertificate() {
    std::lock_guard<std::mutex> hold(lock_);
    return certificate_ ? std::make_unique<Auth1Certificate>(*certificate_) : nullptr;
}

std::unique_ptr<EGPrivateKey> Identity::GetPrivateKey() {
    std::lock_guard<std::mutex> hold(lock_);
    return privateKey_ ? std::make_unique<EGPrivateKey>(*privateKey_) : nullptr;
}

std::u16string Identity::GetNickname() {
    std::lock_guard<std::mutex> hold(lock_);
    return nickname_;
}

bool Identity::GetNicknameFlag() {
    std::lock_guard<std::mutex> hold(lock_);
    return nicknameFlag_;
}

std::u16string Identity::GetPassword() {
    std::lock_guard<std::mutex> hold(lock_);
    return password_;
}

std::vector<std::u16string> Identity::GetReplyTexts() {
    std::lock_guard<std::mutex> hold(lock_);
    return replyTexts_;
}

int64_t Identity::GetRenewalTime() {
    std::lock_guard<std::mutex> hold(lock_);
    return renewalTime_;
}

std::unique_ptr<Auth1PublicKeyBlock> Identity::GetPublicKeyBlock() {
    Module& m = GetModule();
    std::lock_guard<std::mutex> hold(m.lock);
    return m.block ? std::make_unique<Auth1PublicKeyBlock>(*m.block) : nullptr;
}

void Identity::SetVerifierKey(const EGPublicKey& key) {
    Module& m = GetModule();
    std::lock_guard<std::mutex> hold(m.lock);
    m.verifier = key;
    m.verifierSet = true;
}

void Identity::SetVerifierKey(const uint8_t* bytes, size_t length) {
    if (!bytes || length == 0 || length > 0xFFFF) return;
    try {
        SetVerifierKey(EGPublicKey(static_cast<uint16_t>(length), bytes));
    } catch (...) {
        // Bytes that make no key change nothing.
    }
}

bool Identity::LoadVerifierKey() {
    TarnCommon::RegKey key(TarnCommon::RegPlatformKey(), TarnCommon::kHKeyLocalMachine);
    if (!key.IsOpen()) return false;
    std::vector<uint8_t> bytes;
    if (key.GetBinaryValue(TarnCommon::kRegAuthVerifierKey, bytes) != TarnCommon::RegKey::kOk || bytes.empty())
        return false;
    SetVerifierKey(bytes.data(), bytes.size());
    return true;
}

long Identity::SetPublicKeyBlock(const uint8_t* bytes, size_t length) {
    Module& m = GetModule();
    const uint32_t now = static_cast<uint32_t>(Now());
    std::lock_guard<std::mutex> hold(m.lock);
    if (!m.verifierSet) return kAuthNoVerifier;
    auto block = std::make_unique<Auth1PublicKeyBlock>(bytes, length);
    if (TarnAuth::CheckPublicKeyBlock(*block, m.verifier, now) != TarnAuth::CertCheck::kOk) return kAuthBadBlock;
    // An older block, however well signed, never replaces a newer one.
    if (m.block && block->GetIssueTime() < m.block->GetIssueTime()) return kAuthBadBlock;
    m.block = std::move(block);
    return kAuthOk;
}

void Identity::SetClock(std::function<int64_t()> clock) {
    Module& m = GetModule();
    std::lock_guard<std::mutex> hold(m.lock);
    m.clock = std::move(clock);
}

int64_t Identity::Now() {
    Module& m = GetModule();
    std::function<int64_t()> clock;
    {
        std::lock_guard<std::mutex> hold(m.lock);
        clock = m.clock;
    }
    return clock ? clock() : static_cast<int64_t>(std::time(nullptr));
}

void Identity::ResetModule() {
    Module& m = GetModule();
    std::lock_guard<std::mutex> hold(m.lock);
    m.verifierSet = false;
    m.verifier = EGPublicKey();
    m.block.reset();
}

void Identity::WaitForLogins() { GetModule().runs.WaitAll(); }

}  // namespace TarnAPI
