#pragma once
// The network side of our directory server: a TCP listener whose connections each carry requests of
// the directory protocol behind 4-byte length prefixes that count themselves, answered from a
// DirectoryStore. Fault switches make it misbehave in the ways a client must survive.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "tools/loopback/LoopbackServer.h"
#include "tools/tarn-server/DirectoryStore.h"
#include "tools/tarn-server/ServerKeys.h"

namespace tarnserver {

struct DirectoryFaults {
    bool closeOnAccept = false;   // every connection is closed at once
    bool hangNoReply = false;     // requests are read and never answered
    bool replyWrongType = false;  // a directory message of an unknown type answers
    int16_t replyStatus = 0;      // non-zero: every request is answered with this status
    bool replyTruncated = false;  // the reply loses its last bytes (its prefix still counts them)
    bool replyGarbage = false;    // a run of bytes that no reply class can read
    bool hugeLengthPrefix = false;  // a prefix announcing almost 4 GiB, then the connection closes
};

// Faults of the secure side (the exchange that opens an authenticated session, and the session).
struct SecureFaults {
    bool keepWaitingFirst = false;      // a comm status -14 comes before the first challenge
    int16_t completeStatus = 0;         // non-zero: the exchange ends with this status
    bool badEcho = false;               // the client's key comes back changed
    bool certificateUnknownKey = false; // the server's certificate is signed by a key outside the block
    bool certificateExpired = false;
    bool certificateOfAUser = false;    // the server shows a user's certificate
    int secretLength = -1;              // 0 or more: the session key sent has this length
    bool secretLengthWordWrong = false; // the secret's length word does not match its size
    int32_t sessionExpiresAfter = -1;   // 0 or more: after this many requests the session expires
    bool sequenceSkip = false;          // the server's replies skip a sequence number
};

class DirectoryServer {
public:
    // Listens on the address and port (host order; port 0: the system chooses).
    explicit DirectoryServer(DirectoryStore& store, uint32_t bindAddress = 0x7F000001u, uint16_t port = 0);
    ~DirectoryServer();
    DirectoryServer(const DirectoryServer&) = delete;
    DirectoryServer& operator=(const DirectoryServer&) = delete;

    bool Ok() const { return listener_.Ok(); }
    uint16_t Port() const { return listener_.Port(); }
    void SetFaults(const DirectoryFaults& faults);
    // Accepts authenticated sessions: a connection whose first message is an exchange request runs
    // the exchange and then speaks encrypted. The keys must outlive the server.
    void EnableSecure(ServerKeys& keys, std::function<int64_t()> clock = {});
    void SetSecureFaults(const SecureFaults& faults);
    // Exchanges that ended with a session, and sessions ended by the expiry fault.
    uint32_t Sessions() const { return sessions_.load(); }
    // Requests read (whether or not answered) and connections accepted so far.
    uint32_t Requests() const { return requests_.load(); }
    uint32_t Connections() const { return connections_.load(); }
    void Stop() { listener_.Stop(); }

private:
    struct Connection;
    void Serve(int handle);
    bool Exchange(int handle, const Body& request, Connection& connection);
    bool Reply(int handle, Connection& connection, const Body& body);
    DirectoryFaults Faults();
    SecureFaults GetSecureFaults();
    int64_t Now();

    DirectoryStore& store_;
    std::mutex lock_;
    DirectoryFaults faults_;
    SecureFaults secureFaults_;
    ServerKeys* keys_ = nullptr;
    std::function<int64_t()> clock_;
    std::atomic<uint32_t> sessions_{0};
    std::atomic<uint16_t> nextSessionId_{0};
    std::atomic<uint32_t> requests_{0};
    std::atomic<uint32_t> connections_{0};
    tools::LoopbackServer listener_;  // last: its threads stop before the rest goes
};

}  // namespace tarnserver
