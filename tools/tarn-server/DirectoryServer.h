#pragma once
// The network side of our directory server: a TCP listener whose connections each carry requests of
// the directory protocol behind 4-byte length prefixes that count themselves, answered from a
// DirectoryStore. Fault switches make it misbehave in the ways a client must survive.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "tools/loopback/LoopbackServer.h"
#include "tools/tarn-server/DirectoryStore.h"

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
    // Requests read (whether or not answered) and connections accepted so far.
    uint32_t Requests() const { return requests_.load(); }
    uint32_t Connections() const { return connections_.load(); }
    void Stop() { listener_.Stop(); }

private:
    void Serve(int handle);
    DirectoryFaults Faults();

    DirectoryStore& store_;
    std::mutex lock_;
    DirectoryFaults faults_;
    std::atomic<uint32_t> requests_{0};
    std::atomic<uint32_t> connections_{0};
    tools::LoopbackServer listener_;  // last: its threads stop before the rest goes
};

}  // namespace tarnserver
