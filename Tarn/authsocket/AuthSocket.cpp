#include "Tarn/authsocket/AuthSocket.h"

#include <cstdlib>
#include <cstring>

#include "Tarn/auth/CertificateCheck.h"
#include "Tarn/identity/Identity.h"
#include "Tarn/msg/Auth/TMsgAuth1PeerToPeer.h"
#include "Tarn/msg/Comm/TMsgCommStatusReply.h"

namespace TarnAPI {

using TarnMsg::BaseMessage;

namespace {

constexpr uint32_t kCommService = 1;
constexpr uint32_t kCommStatusReply = 15;
constexpr int32_t kKeepWaiting = -14;
constexpr int16_t kSessionExpired = -7;
// A server that asks to keep waiting more often than this is taken for one that never answers.
constexpr int kMaxWaits = 8;
// Blowfish keys of the library are 4 to 56 bytes.
constexpr uint16_t kMinKey = 4;
constexpr uint16_t kMaxKey = 56;

bool IsSessionExpired(const uint8_t* body, long length) {
    static const uint8_t expired[10] = {1, 0, 0, 0, 15, 0, 0, 0, 0xF9, 0xFF};
    return length >= 10 && std::memcmp(body, expired, sizeof expired) == 0;
}

uint8_t* CopyOut(const Bytes& bytes) {
    auto* out = static_cast<uint8_t*>(std::malloc(bytes.empty() ? 1 : bytes.size()));
    if (out && !bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
    return out;
}

}  // namespace

AuthSocket::AuthSocket(Identity* identity, Socket* inner, bool ownsInner, uint8_t prefixWidth, bool sessionMode,
                       bool encrypt, bool acceptPlain, bool sequenced)
    : TMsgSocket(inner, prefixWidth, 65535),
      identity_(identity),
      encrypt_(encrypt),
      acceptPlain_(acceptPlain || !encrypt),
      sessionMode_(sessionMode) {
    SetOwnsInner(ownsInner);
    channel_.sessionMode = sessionMode;
    channel_.sequenced = sequenced;
}

AuthSocket::~AuthSocket() = default;

void AuthSocket::SetIdentity(Identity* identity) {
    std::lock_guard<std::mutex> hold(lock_);
    identity_ = identity;
}

bool AuthSocket::IsAuthenticated() {
    std::lock_guard<std::mutex> hold(lock_);
    return authenticated_;
}

uint16_t AuthSocket::GetSessionId() {
    std::lock_guard<std::mutex> hold(lock_);
    return channel_.sessionId;
}

std::unique_ptr<TarnAuth::Auth1Certificate> AuthSocket::GetPeerCertificate() {
    std::lock_guard<std::mutex> hold(lock_);
    return peer_ ? std::make_unique<TarnAuth::Auth1Certificate>(*peer_) : nullptr;
}

long AuthSocket::Open(bool authenticate, long timeout, bool async, const OpenContainer& completion) {
    if (!authenticate) return TMsgSocket::Open(timeout, async, completion);
    if (!sessionMode_) {
        std::lock_guard<std::mutex> hold(lock_);
        authenticated_ = false;  // a new connection needs a new exchange
    }
    long result = TMsgSocket::Open(timeout, false, {});
    if (result == 0) result = Authenticate(false, timeout, false, {});
    if (!completion.IsEmpty()) completion.Complete(OpenResult{this, result});
    return result;
}

long AuthSocket::Authenticate(bool force, long timeout, bool async, const AuthContainer& completion) {
    (void)async;
    auto finish = [&](long result) {
        if (!completion.IsEmpty()) completion.Complete(AuthResult{result, this});
        return result;
    };
    std::unique_lock<std::mutex> hold(lock_);
    if (!identity_) return hold.unlock(), finish(0);
    if (authenticated_ && !force) return hold.unlock(), finish(0);
    if (authenticating_) {
        const uint64_t waitingFor = exchangeCount_;
        exchangeDone_.wait(hold, [&] { return exchangeCount_ != waitingFor; });
        const long result = lastResult_;
        hold.unlock();
        return finish(result);
    }
    authenticating_ = true;
    hold.unlock();
    const long result = RunExchange(timeout);
    hold.lock();
    authenticating_ = false;
    lastResult_ = result;
    ++exchangeCount_;
    exchangeDone_.notify_all();
    hold.unlock();
    return finish(result);
}

long AuthSocket::RunExchange(long timeout) {
    Identity* identity;
    {
        std::lock_guard<std::mutex> hold(lock_);
        identity = identity_;
    }
    TarnCrypt::BFSymmetricKey clientKey;
    try {
        clientKey.Create(8);
    } catch (...) {
        return kAuthSocketNoClientKey;
    }
    const long identityResult = identity->AuthenticateIfNeeded(false, timeout, false, {});
    if (identityResult != 0) return identityResult;
    std::unique_ptr<TarnAuth::Auth1Certificate> certificate = identity->GetCertificate();
    if (!certificate) return kAuthSocketNoMemory;

    // The exchange travels plain, on a message socket of its own over the same connection.
    TMsgSocket plain(GetInner(), GetPrefixWidth(), 65535);
    if (!plain.IsOpen()) {
        const long opened = plain.Open(timeout, false, {});
        if (opened != 0) return opened;
    }
    auto receive = [&]() { return std::unique_ptr<BaseMessage>(plain.RecvBaseMsg(nullptr, timeout, false, {})); };
    auto noMessage = [&] { return plain.IsRecvOpen() ? 100009L : 100011L; };

    TarnMsg::TMsgAuth1Request request;
    request.SetAuthMode(sessionMode_ ? 2 : 1);
    request.SetEncryptMode(encrypt_ ? 1 : 0);
    request.SetEncryptFlags(static_cast<uint16_t>((channel_.sequenced ? 0 : 1) | (acceptPlain_ ? 2 : 0)));
    const Bytes& raw = certificate->GetRawBuffer();
    request.SetRawBuf(raw.data(), static_cast<uint16_t>(raw.size()), true);
    plain.SendBaseMsg(&request, timeout, false, false, {});

    std::unique_ptr<BaseMessage> answer;
    for (int waits = 0;; ++waits) {
        answer = receive();
        if (!answer) return noMessage();
        if (answer->GetServiceType() != kCommService) break;
        const auto* tmessage = dynamic_cast<const TarnMsg::TMessage*>(answer.get());
        if (!tmessage || answer->GetMessageType() != kCommStatusReply || waits >= kMaxWaits) return kAuthSocketUnexpected;
        try {
            if (TarnMsg::TMsgCommStatusReply(*tmessage).GetStatus() != kKeepWaiting) return kAuthSocketUnexpected;
        } catch (...) {
            return kAuthSocketUnexpected;
        }
    }
    const auto* tmessage = dynamic_cast<const TarnMsg::TMessage*>(answer.get());
    if (!tmessage || answer->GetServiceType() != TarnMsg::TMsgAuthRawBufferBase::kServiceType)
        return kAuthSocketUnexpected;
    try {
        if (answer->GetMessageType() == TarnMsg::TMsgAuth1Complete::kType) {
            const long status = TarnMsg::TMsgAuth1Complete(*tmessage).GetStatus();
            // A server that ends before any challenge has authenticated nothing, whatever it says.
            return status != 0 ? status : kAuthSocketUnexpected;
        }
        if (answer->GetMessageType() != TarnMsg::TMsgAuth1Challenge1::kType) return kAuthSocketUnexpected;
        TarnMsg::TMsgAuth1Challenge1 challenge(*tmessage);

        std::unique_ptr<TarnCrypt::EGPrivateKey> privateKey = identity->GetPrivateKey();
        if (!privateKey) return kAuthSocketNoPrivateKey;
        const Bytes secret = privateKey->Decrypt(challenge.GetSecret(), challenge.GetSecretLen());
        if (secret.size() < 2) return kAuthSocketBadSecret;
        const uint16_t keyLength = static_cast<uint16_t>(secret[0] | secret[1] << 8);
        if (keyLength != secret.size() - 2 || keyLength < kMinKey || keyLength > kMaxKey) return kAuthSocketBadSecret;
        TarnCrypt::BFSymmetricKey sessionKey;
        sessionKey.CopyKey(keyLength, secret.data() + 2);

        auto peer = std::make_unique<TarnAuth::Auth1Certificate>(challenge.GetRawBuf(), challenge.GetRawBufLen());
        if (peer->IsEmpty()) return kAuthSocketBadServer;
        std::unique_ptr<TarnAuth::Auth1PublicKeyBlock> block = Identity::GetPublicKeyBlock();
        if (!block) return kAuthSocketNoBlock;
        if (TarnAuth::CheckCertificate(*peer, *block, static_cast<uint32_t>(Identity::Now()),
                                       TarnAuth::CertRole::kServer) != TarnAuth::CertCheck::kOk)
            return kAuthSocketBadServer;

        Bytes answerPlain(secret.begin(), secret.end());
        answerPlain.insert(answerPlain.end(), clientKey.GetKey(), clientKey.GetKey() + clientKey.GetKeyLen());
        const Bytes encrypted = peer->PublicKey().Encrypt(answerPlain.data(), answerPlain.size());
        if (encrypted.empty() || encrypted.size() > 0xFFFF) return kAuthSocketNoAnswer;
        TarnMsg::TMsgAuth1Challenge2 reply;
        reply.SetRawBuf(encrypted.data(), static_cast<uint16_t>(encrypted.size()), true);
        plain.SendBaseMsg(&reply, timeout, false, false, {});

        answer = receive();
        if (!answer) return noMessage();
        tmessage = dynamic_cast<const TarnMsg::TMessage*>(answer.get());
        if (!tmessage || answer->GetServiceType() != TarnMsg::TMsgAuthRawBufferBase::kServiceType ||
            answer->GetMessageType() != TarnMsg::TMsgAuth1Complete::kType)
            return kAuthSocketUnexpected;
        TarnMsg::TMsgAuth1Complete complete(*tmessage);
        if (complete.GetStatus() != 0) return complete.GetStatus();
        const Bytes echo = privateKey->Decrypt(complete.GetRawBuf(), complete.GetRawBufLen());
        if (echo.size() < 2 || static_cast<size_t>(echo[0] | echo[1] << 8) != echo.size() - 2 ||
            echo.size() - 2 != clientKey.GetKeyLen() ||
            std::memcmp(echo.data() + 2, clientKey.GetKey(), clientKey.GetKeyLen()) != 0)
            return kAuthSocketBadEcho;

        // Everything held: the session starts now.
        std::lock_guard<std::mutex> hold(lock_);
        channel_.key = sessionKey;
        channel_.sessionId = complete.GetSessionId();
        channel_.sendSequence = 1;
        channel_.recvSequence = 1;
        peer_ = std::move(peer);
        authenticated_ = true;
        return 0;
    } catch (...) {
        // A message that does not hold what its type promises, or a key the library refuses.
        return kAuthSocketBadSecret;
    }
}

bool AuthSocket::SendMsg(long length, const void* bytes, long timeout, bool async, bool further,
                         const SendMsgContainer& completion) {
    (void)async;
    Bytes body;
    bool encrypted = false;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (authenticated_ && encrypt_) {
            encrypted = true;
            if (bytes && length > 0) body = channel_.Encode(static_cast<const uint8_t*>(bytes), static_cast<size_t>(length));
        }
    }
    bool success;
    if (!encrypted)
        success = TMsgSocket::SendMsg(length, bytes, timeout, false, further, {});
    else
        success = !body.empty() && TMsgSocket::SendMsg(static_cast<long>(body.size()), body.data(), timeout, false, further, {});
    if (!completion.IsEmpty()) completion.Complete(SendMsgResult{this, bytes, length, success});
    return success;
}

uint8_t* AuthSocket::RecvMsg(long* outLength, bool acceptPlain, long timeout, bool* wasEncrypted, bool* sessionExpired) {
    if (outLength) *outLength = 0;
    if (wasEncrypted) *wasEncrypted = false;
    if (sessionExpired) *sessionExpired = false;
    long length = 0;
    uint8_t* body = TMsgSocket::RecvMsg(nullptr, &length, timeout, false, {});
    if (!body) return nullptr;
    std::unique_ptr<uint8_t, decltype(&std::free)> owned(body, &std::free);
    Bytes decoded;
    bool ok;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (authenticated_ && IsSessionExpired(body, length)) {
            authenticated_ = false;
            if (sessionExpired) *sessionExpired = true;
            return nullptr;
        }
        if (!SecureChannel::IsEncryptedType(body[0])) {
            if (authenticated_ && !acceptPlain) return nullptr;  // plain traffic in a session is dropped
            // A plain message is handed out as received: no copy of a body that may be 64 KB long.
            if (outLength) *outLength = length;
            return owned.release();
        }
        if (wasEncrypted) *wasEncrypted = true;
        ok = authenticated_ && encrypt_ && channel_.key.GetKeyLen() > 0 &&
             channel_.Decode(body, static_cast<size_t>(length), GetType() == kDatagram, decoded);
    }
    if (!ok) {
        // The two ends no longer agree on key or sequence: a stream cannot go on.
        if (GetType() != kDatagram) Close(0, false, {});
        return nullptr;
    }
    if (outLength) *outLength = static_cast<long>(decoded.size());
    return CopyOut(decoded);
}

uint8_t* AuthSocket::RecvMsg(uint8_t** outBuffer, long* outLength, long timeout, bool async,
                             const RecvMsgContainer& completion) {
    (void)async;
    long length = 0;
    uint8_t* bytes = RecvMsg(&length, acceptPlain_, timeout, nullptr, nullptr);
    if (outBuffer) *outBuffer = bytes;
    if (outLength) *outLength = length;
    if (!completion.IsEmpty()) completion.Complete(RecvMsgResult{this, bytes, length});
    return bytes;
}

BaseMessage* AuthSocket::RecvBaseMsg(bool acceptPlain, long timeout, bool* wasEncrypted, bool* sessionExpired) {
    long length = 0;
    uint8_t* bytes = RecvMsg(&length, acceptPlain, timeout, wasEncrypted, sessionExpired);
    if (!bytes) return nullptr;
    std::unique_ptr<uint8_t, decltype(&std::free)> owned(bytes, &std::free);
    try {
        return MakeMessage(bytes, length);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace TarnAPI
