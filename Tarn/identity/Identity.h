#pragma once
// A user's account on the online service: user name, password, two further login texts and what a
// login earns, a certificate signed by the authentication servers and the matching private key. The
// authenticated socket and the directory client ask it for a valid certificate; it logs in to the
// authentication servers, trying them in order, unless its certificate is still good.
//
// Beside each identity there is one process-wide module state: the verifier key (from the registry
// value HKLM\SOFTWARE\Tarn\Mesko "AuthVerifierKey"), the authentication servers' current public-key
// block, and the clock.
//
// A login runs on the caller's thread (synchronous) or on a thread of the module (asynchronous). One
// login of an identity runs at a time: plain logins that arrive meanwhile wait for it and receive its
// result; a login that asks for a change meanwhile gets kAuthBusy alone.
#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Tarn/api/Completion.h"
#include "Tarn/auth/AuthBuffers.h"

namespace TarnAPI {

constexpr long kAuthOk = 0;
constexpr long kAuthNoMemory = 100001;
constexpr long kAuthBadPassword = 100002;   // the server answered -1
constexpr long kAuthBusy = 100003;          // a login runs and this call asks for a change
constexpr long kAuthNoServers = 100006;
constexpr long kAuthNoReply = 100009;
constexpr long kAuthPending = 100010;
constexpr long kAuthClosed = 100011;
constexpr long kAuthNoVerifier = 110001;    // no verifier key: no key block can be accepted
constexpr long kAuthBadBlockReply = 110002; // the key block reply had a wrong header or status
constexpr long kAuthBadBlock = 110003;      // wrong block length, or its signature or dates do not hold
constexpr long kAuthBadReply = 110005;      // a malformed login reply, or no session-key echo
constexpr long kAuthRefused = 110006;       // the server answered -4

class Identity {
public:
    struct AuthResult {
        long result;
        Identity* identity;
    };
    using AuthContainer = CompletionContainer<const AuthResult&>;

    Identity(const std::u16string& user, const std::u16string& password, const std::vector<sockaddr_in>& servers,
             const std::u16string& second = u"", const std::u16string& third = u"",
             const std::u16string& nickname = u"");
    ~Identity();
    Identity(const Identity&) = delete;
    Identity& operator=(const Identity&) = delete;

    long Authenticate(bool requestFlag, bool sendNickname, const std::u16string& newPassword, long timeout,
                      bool async, const AuthContainer& completion);
    long Authenticate(bool requestFlag, bool sendNickname, long timeout, bool async, const AuthContainer& completion);
    // 0 at once (no traffic) while the certificate has more than 120 s before its renewal time.
    long AuthenticateIfNeeded(bool force, long timeout, bool async, const AuthContainer& completion);

    std::unique_ptr<TarnAuth::Auth1Certificate> GetCertificate();
    std::unique_ptr<TarnCrypt::EGPrivateKey> GetPrivateKey();
    std::u16string GetNickname();
    bool GetNicknameFlag();
    std::u16string GetPassword();
    std::vector<std::u16string> GetReplyTexts();
    int64_t GetRenewalTime();

    // Module state.
    static std::unique_ptr<TarnAuth::Auth1PublicKeyBlock> GetPublicKeyBlock();
    static void SetVerifierKey(const TarnCrypt::EGPublicKey& key);
    static void SetVerifierKey(const uint8_t* bytes, size_t length);
    static bool LoadVerifierKey();
    // Accepts a block only when it verifies with the verifier key, holds the current time and is not
    // older than the block held.
    static long SetPublicKeyBlock(const uint8_t* bytes, size_t length);
    // Seconds since 1970 by default; tests set their own clock.
    static void SetClock(std::function<int64_t()> clock);
    static int64_t Now();
    // Forgets the verifier key and the key block (tests).
    static void ResetModule();
    // Waits for every asynchronous login to end.
    static void WaitForLogins();

private:
    struct Login;
    long RunLogin(Login& login);
    // tryNext is set when the server could not be reached, gave no answer or a bad key block.
    long LoginOnServer(Login& login, const sockaddr_in& server, bool& tryNext);
    void Finish(const std::shared_ptr<Login>& login, long result);

    std::mutex lock_;
    std::u16string user_, second_, third_, password_, nickname_;
    bool nicknameFlag_ = false;
    std::vector<sockaddr_in> servers_;
    std::unique_ptr<TarnAuth::Auth1Certificate> certificate_;
    std::unique_ptr<TarnCrypt::EGPrivateKey> privateKey_;
    std::vector<std::u16string> replyTexts_;
    int64_t renewalTime_ = 0;
    std::shared_ptr<Login> running_;  // the login under way, which plain callers join
};

}  // namespace TarnAPI
