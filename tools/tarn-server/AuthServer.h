#pragma once
// The authentication role of our server (service 201): hands out the public-key block and logs users
// in, answering a good login with the user's certificate (signed by auth1), the private key, the echo
// of the login's session key and the nickname.
//
// Statuses of a failed login: -1 unknown user or wrong password; -1500 a request that cannot be read;
// -1501 a login for another key block than the current one.
#include <atomic>
#include <cstdint>
#include <functional>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

#include "tools/loopback/LoopbackServer.h"
#include "tools/tarn-server/ServerKeys.h"

namespace tarnserver {

struct AuthFaults {
    bool closeOnAccept = false;
    int16_t status = 0;              // non-zero: every login is answered with this status
    bool dropEcho = false;           // the reply lacks the session-key echo
    bool shortNickname = false;      // the nickname record is one byte long and not 0xFF
    bool badBlockSignature = false;  // the key block is signed by a key the verifier does not know
    bool certBySecondKey = false;    // certificates are signed by auth2
};

class AuthServer {
public:
    using Clock = std::function<int64_t()>;  // seconds since 1970
    AuthServer(ServerKeys& keys, Clock clock = {}, uint32_t bindAddress = 0x7F000001u, uint16_t port = 0);
    ~AuthServer();
    AuthServer(const AuthServer&) = delete;
    AuthServer& operator=(const AuthServer&) = delete;

    // An account; its key pair is the one given (a new 512-bit pair when it is not valid).
    void AddAccount(const std::u16string& user, const std::u16string& password, const std::u16string& nickname,
                    const TarnCrypt::EGPrivateKey& key = {});
    void SetFaults(const AuthFaults& faults);
    // While held, logins are read but their replies wait (tests of logins that overlap).
    void HoldReplies(bool hold);
    // The reply to one request (a whole message without its prefix); empty: the connection closes.
    std::vector<uint8_t> Handle(const uint8_t* bytes, size_t length);

    bool Ok() const { return listener_.Ok(); }
    uint16_t Port() const { return listener_.Port(); }
    uint32_t Logins() const { return logins_.load(); }
    uint32_t Connections() const { return connections_.load(); }
    void Stop() { listener_.Stop(); }

private:
    struct Account {
        std::u16string password;
        std::u16string nickname;
        uint32_t userId;
        TarnCrypt::EGPrivateKey key;
    };
    void Serve(int handle);
    std::vector<uint8_t> Login(const uint8_t* bytes, size_t length);
    int64_t Now() const { return clock_ ? clock_() : static_cast<int64_t>(std::time(nullptr)); }

    ServerKeys& keys_;
    Clock clock_;
    std::mutex lock_;
    AuthFaults faults_;
    std::map<std::u16string, Account> accounts_;
    std::condition_variable released_;
    bool holding_ = false;
    uint32_t nextUserId_ = 1000;
    std::atomic<uint32_t> logins_{0};
    std::atomic<uint32_t> connections_{0};
    tools::LoopbackServer listener_;  // last: its threads stop before the rest goes
};

}  // namespace tarnserver
