#include "tools/tarn-server/DirectoryServer.h"

#include <sys/socket.h>

#include <cerrno>
#include <ctime>
#include <memory>

#include "Tarn/api/TMsgSocket.h"
#include "Tarn/auth/CertificateCheck.h"
#include "Tarn/authsocket/SecureChannel.h"
#include "Tarn/crypt/RandomPool.h"
#include "Tarn/msg/Auth/TMsgAuth1PeerToPeer.h"
#include "Tarn/msg/Comm/TMsgCommStatusReply.h"
#include "tools/tarn-server/ServerFraming.h"

namespace tarnserver {

namespace {

using TarnCrypt::Bytes;

constexpr int16_t kBadCertificate = -2;
constexpr int16_t kBadAnswer = -3;
constexpr size_t kSessionKeyBytes = 16;

// Reads until the peer closes or the server shuts the connection down.
void DrainUntilClosed(int handle) {
    char sink[512];
    for (;;) {
        const ssize_t n = ::recv(handle, sink, sizeof sink, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
    }
}

Body Packed(TarnMsg::BaseMessage& message) {
    const uint8_t* at = message.Pack();
    return Body(at, at + message.GetDataLen());
}

Body EndExchange(int16_t status) {
    TarnMsg::TMsgAuth1Complete complete;
    complete.SetStatus(status);
    return Packed(complete);
}

// The message of the exchange in a body, or none.
std::unique_ptr<TarnMsg::TMessage> ExchangeMessage(const Body& body, uint32_t type) {
    if (body.size() < 8 || body[0] != TarnMsg::TMsgAuthRawBufferBase::kServiceType || body[1] || body[2] || body[3])
        return nullptr;
    auto message = std::make_unique<TarnMsg::TMessage>(static_cast<uint32_t>(body.size()), body.data());
    if (message->GetMessageType() != type) return nullptr;
    return message;
}

Bytes LengthAndBytes(const Bytes& bytes, size_t lengthWord) {
    Bytes out;
    out.reserve(bytes.size() + 2);
    out.push_back(static_cast<uint8_t>(lengthWord));
    out.push_back(static_cast<uint8_t>(lengthWord >> 8));
    for (uint8_t b : bytes) out.push_back(b);
    return out;
}

}  // namespace

struct DirectoryServer::Connection {
    bool secure = false;
    uint32_t requests = 0;
    TarnAPI::SecureChannel channel;
};

DirectoryServer::DirectoryServer(DirectoryStore& store, uint32_t bindAddress, uint16_t port)
    : store_(store), listener_([this](int handle) { Serve(handle); }, bindAddress, port) {}

DirectoryServer::~DirectoryServer() { listener_.Stop(); }

void DirectoryServer::SetFaults(const DirectoryFaults& faults) {
    std::lock_guard<std::mutex> hold(lock_);
    faults_ = faults;
}

DirectoryFaults DirectoryServer::Faults() {
    std::lock_guard<std::mutex> hold(lock_);
    return faults_;
}

void DirectoryServer::EnableSecure(ServerKeys& keys, std::function<int64_t()> clock) {
    std::lock_guard<std::mutex> hold(lock_);
    keys_ = &keys;
    clock_ = std::move(clock);
}

void DirectoryServer::SetSecureFaults(const SecureFaults& faults) {
    std::lock_guard<std::mutex> hold(lock_);
    secureFaults_ = faults;
}

SecureFaults DirectoryServer::GetSecureFaults() {
    std::lock_guard<std::mutex> hold(lock_);
    return secureFaults_;
}

int64_t DirectoryServer::Now() {
    std::function<int64_t()> clock;
    {
        std::lock_guard<std::mutex> hold(lock_);
        clock = clock_;
    }
    return clock ? clock() : static_cast<int64_t>(std::time(nullptr));
}

bool DirectoryServer::Reply(int handle, Connection& connection, const Body& body) {
    if (!connection.secure) return WriteFramed(handle, body);
    const Body encoded = connection.channel.Encode(body.data(), body.size());
    return !encoded.empty() && WriteFramed(handle, encoded);
}

void DirectoryServer::Serve(int handle) {
    ++connections_;
    if (Faults().closeOnAccept) return;
    Connection connection;
    Body received;
    while (ReadFramed(handle, received)) {
        if (received.empty()) continue;
        bool secureEnabled;
        {
            std::lock_guard<std::mutex> hold(lock_);
            secureEnabled = keys_ != nullptr;
        }
        if (secureEnabled && ExchangeMessage(received, TarnMsg::TMsgAuth1Request::kType)) {
            if (!Exchange(handle, received, connection)) return;
            continue;
        }
        Body body;
        if (connection.secure) {
            // In a session only encrypted requests count; one that does not decode ends the stream.
            if (!connection.channel.Decode(received.data(), received.size(), false, body)) return;
            const int32_t expiresAfter = GetSecureFaults().sessionExpiresAfter;
            if (expiresAfter >= 0 && ++connection.requests > static_cast<uint32_t>(expiresAfter)) {
                TarnMsg::TMsgCommStatusReply expired;
                expired.SetStatus(-7);
                connection.secure = false;
                connection.requests = 0;
                if (!WriteFramed(handle, Packed(expired))) return;
                continue;
            }
        } else {
            body = std::move(received);
        }
        ++requests_;
        const DirectoryFaults faults = Faults();
        if (faults.hangNoReply) return DrainUntilClosed(handle);
        if (faults.hugeLengthPrefix) {
            const uint8_t huge[4] = {0xF0, 0xFF, 0xFF, 0xFF};
            tools::LoopbackServer::WriteAll(handle, huge, sizeof huge);
            return;
        }
        if (faults.replyWrongType) {
            if (!Reply(handle, connection, Body{5, 2, 0, 99, 0})) return;
            continue;
        }
        if (faults.replyGarbage) {
            if (!Reply(handle, connection, Body{5, 2, 0, 3, 0, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF})) return;
            continue;
        }
        const DirectoryStore::Replies replies = store_.Answer(body.data(), body.size(), faults.replyStatus);
        for (const Body& reply : *replies) {
            if (faults.replyTruncated) {
                // The prefix announces the whole reply, then the connection ends short of it.
                const uint32_t total = static_cast<uint32_t>(reply.size()) + 4;
                const uint8_t whole[4] = {static_cast<uint8_t>(total), static_cast<uint8_t>(total >> 8),
                                          static_cast<uint8_t>(total >> 16), static_cast<uint8_t>(total >> 24)};
                tools::LoopbackServer::WriteAll(handle, whole, sizeof whole);
                tools::LoopbackServer::WriteAll(handle, reply.data(), reply.size() / 2);
                return;
            }
            if (!Reply(handle, connection, reply)) return;
        }
    }
}

bool DirectoryServer::Exchange(int handle, const Body& requestBody, Connection& connection) {
    ServerKeys* keys;
    {
        std::lock_guard<std::mutex> hold(lock_);
        keys = keys_;
    }
    const SecureFaults faults = GetSecureFaults();
    const uint32_t now = static_cast<uint32_t>(Now());
    try {
        auto message = ExchangeMessage(requestBody, TarnMsg::TMsgAuth1Request::kType);
        TarnMsg::TMsgAuth1Request request(*message);
        TarnAuth::Auth1Certificate client(request.GetRawBuf(), request.GetRawBufLen());
        TarnAuth::Auth1PublicKeyBlock block = keys->MakeBlock(now - 60, now + 86400);
        if (TarnAuth::CheckCertificate(client, block, now, TarnAuth::CertRole::kUser) != TarnAuth::CertCheck::kOk)
            return WriteFramed(handle, EndExchange(kBadCertificate)) && false;

        if (faults.keepWaitingFirst) {
            TarnMsg::TMsgCommStatusReply wait;
            wait.SetStatus(-14);
            if (!WriteFramed(handle, Packed(wait))) return false;
        }
        const size_t keyLength = faults.secretLength >= 0 ? static_cast<size_t>(faults.secretLength) : kSessionKeyBytes;
        Bytes sessionKey(keyLength);
        if (keyLength) TarnCrypt::GetRandomBlock(sessionKey.data(), sessionKey.size());
        const Bytes secretPlain = LengthAndBytes(sessionKey, keyLength + (faults.secretLengthWordWrong ? 1 : 0));
        const Bytes secret = client.PublicKey().Encrypt(secretPlain.data(), secretPlain.size());

        // The directory server's own certificate, as the faults would have it.
        uint32_t issue = now - 60, expire = now + 86400;
        if (faults.certificateExpired) issue = now - 7200, expire = now - 3600;
        const uint32_t userId = faults.certificateOfAUser ? 5000 : kDirectoryUserId;
        TarnAuth::Auth1Certificate ours =
            ServerKeys::MakeCertificate(userId, 1, 1, *keys->directory.GetPublicKey(), issue, expire,
                                        faults.certificateUnknownKey ? keys->verifier : keys->auth1);
        TarnMsg::TMsgAuth1Challenge1 challenge;
        challenge.SetSecret(secret.data(), static_cast<uint16_t>(secret.size()), true);
        challenge.SetRawBuf(ours.GetRawBuffer().data(), static_cast<uint16_t>(ours.GetRawBuffer().size()), true);
        if (!WriteFramed(handle, Packed(challenge))) return false;

        Body answerBody;
        if (!ReadFramed(handle, answerBody)) return false;
        auto answerMessage = ExchangeMessage(answerBody, TarnMsg::TMsgAuth1Challenge2::kType);
        if (!answerMessage) return WriteFramed(handle, EndExchange(kBadAnswer)) && false;
        TarnMsg::TMsgAuth1Challenge2 answer(*answerMessage);
        const Bytes opened = keys->directory.Decrypt(answer.GetRawBuf(), answer.GetRawBufLen());
        // [u16 L][the session key][8 bytes of the client's key]
        if (opened.size() != 2 + keyLength + 8 || !std::equal(sessionKey.begin(), sessionKey.end(), opened.begin() + 2))
            return WriteFramed(handle, EndExchange(kBadAnswer)) && false;
        Bytes clientKey(opened.end() - 8, opened.end());
        if (faults.badEcho) clientKey[0] ^= 0x5A;
        const Bytes echoPlain = LengthAndBytes(clientKey, clientKey.size());
        const Bytes echo = client.PublicKey().Encrypt(echoPlain.data(), echoPlain.size());

        TarnMsg::TMsgAuth1Complete complete;
        complete.SetStatus(faults.completeStatus);
        uint16_t sessionId = ++nextSessionId_;
        if (sessionId == 0) sessionId = ++nextSessionId_;
        if (faults.completeStatus == 0) {
            complete.SetRawBuf(echo.data(), static_cast<uint16_t>(echo.size()), true);
            complete.SetSessionId(sessionId);
        }
        if (faults.completeStatus != 0) return WriteFramed(handle, Packed(complete)) && false;

        // The session is in place, and counted, before the client hears of it: a client that has its
        // answer may at once send on the session, or ask how many sessions the server holds.
        connection.secure = true;
        connection.requests = 0;
        connection.channel.key = TarnCrypt::BFSymmetricKey(static_cast<uint16_t>(keyLength), sessionKey.data());
        connection.channel.sessionId = sessionId;
        connection.channel.sessionMode = request.GetAuthMode() == 2;
        connection.channel.sequenced = !(request.GetEncryptFlags() & 1);
        connection.channel.sendSequence = faults.sequenceSkip ? 2 : 1;
        connection.channel.recvSequence = 1;
        ++sessions_;
        return WriteFramed(handle, Packed(complete));
    } catch (...) {
        return false;  // a message that does not hold what its type promises, or a key that makes nothing
    }
}

}  // namespace tarnserver
