#pragma once
// A message socket that proves the user's identity to a server and then encrypts its traffic. Opening
// it connects the inner socket and runs the four-message exchange: the client's certificate goes out
// (Request); the server answers with the session key encrypted for the client and its own certificate
// (Challenge1); the client proves it read the key and sends a key of its own, encrypted for the server
// (Challenge2); the server ends with a status, a session id and the client's key echoed (Complete).
// The exchange's new key, session id and peer certificate take effect only once all of it has held,
// the server's certificate included: signed by the authentication servers, within its dates, and a
// server's. A failed exchange leaves the socket as it was.
//
// Without an identity the socket is a plain message socket. The socket's own operations run on the
// caller's thread; an asynchronous call completes before it returns.
#include <condition_variable>
#include <memory>
#include <mutex>

#include "Tarn/api/TMsgSocket.h"
#include "Tarn/auth/AuthBuffers.h"
#include "Tarn/authsocket/SecureChannel.h"

namespace TarnAPI {

class Identity;

constexpr long kAuthSocketNoMemory = 100001;
constexpr long kAuthSocketUnexpected = 100012;   // an unexpected message during the exchange
constexpr long kAuthSocketNoBlock = 110003;      // no public-key block to check the server's certificate
constexpr long kAuthSocketNoClientKey = 110004;
constexpr long kAuthSocketBadSecret = 120001;    // the challenge does not decrypt to a usable key
constexpr long kAuthSocketBadServer = 120003;    // the server's certificate does not hold
constexpr long kAuthSocketNoPrivateKey = 120004;
constexpr long kAuthSocketNoAnswer = 120005;
constexpr long kAuthSocketBadEcho = 120006;

class AuthSocket : public TMsgSocket {
public:
    struct AuthResult {
        long result;
        AuthSocket* socket;
    };
    using AuthContainer = CompletionContainer<const AuthResult&>;

    AuthSocket(Identity* identity, Socket* inner, bool ownsInner, uint8_t prefixWidth, bool sessionMode, bool encrypt,
               bool acceptPlain, bool sequenced);
    ~AuthSocket() override;

    void SetIdentity(Identity* identity);
    long Open(bool authenticate, long timeout, bool async, const OpenContainer& completion);
    long Open(long timeout, bool async, const OpenContainer& completion) override {
        return Open(true, timeout, async, completion);
    }
    // Runs the exchange unless the socket is authenticated already (or force is set). Callers that come
    // while an exchange runs wait for it and receive its result.
    long Authenticate(bool force, long timeout, bool async, const AuthContainer& completion);

    using TMsgSocket::RecvBaseMsg;
    // The message socket's operations, encrypting and decrypting with the session key.
    uint8_t* RecvMsg(uint8_t** outBuffer, long* outLength, long timeout, bool async,
                     const RecvMsgContainer& completion) override;
    bool SendMsg(long length, const void* bytes, long timeout, bool async, bool further,
                 const SendMsgContainer& completion) override;
    // A receive that reports whether the body came encrypted and whether the server said the session
    // expired (a plain comm status -7 while authenticated: no data, and the socket is no longer
    // authenticated).
    uint8_t* RecvMsg(long* outLength, bool acceptPlain, long timeout, bool* wasEncrypted, bool* sessionExpired);
    TarnMsg::BaseMessage* RecvBaseMsg(bool acceptPlain, long timeout, bool* wasEncrypted, bool* sessionExpired);

    bool IsAuthenticated();
    uint16_t GetSessionId();
    std::unique_ptr<TarnAuth::Auth1Certificate> GetPeerCertificate();

private:
    long RunExchange(long timeout);

    Identity* identity_;
    bool encrypt_;
    bool acceptPlain_;
    bool sessionMode_;
    std::mutex lock_;
    std::condition_variable exchangeDone_;
    bool authenticating_ = false;
    bool authenticated_ = false;
    long lastResult_ = 0;
    uint64_t exchangeCount_ = 0;
    SecureChannel channel_;
    std::unique_ptr<TarnAuth::Auth1Certificate> peer_;
};

}  // namespace TarnAPI
