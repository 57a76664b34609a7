#include "tools/tarn-server/DirectoryServer.h"

#include <sys/socket.h>

#include <cerrno>

#include "Tarn/api/TMsgSocket.h"

namespace tarnserver {

namespace {

constexpr uint8_t kPrefixWidth = 4;

bool WriteMessage(int handle, const Body& body) {
    const uint32_t total = static_cast<uint32_t>(body.size()) + kPrefixWidth;
    const uint8_t prefix[4] = {static_cast<uint8_t>(total), static_cast<uint8_t>(total >> 8),
                               static_cast<uint8_t>(total >> 16), static_cast<uint8_t>(total >> 24)};
    Body whole(prefix, prefix + 4);
    whole.insert(whole.end(), body.begin(), body.end());
    return tools::LoopbackServer::WriteAll(handle, whole.data(), whole.size());
}

// Reads until the peer closes or the server shuts the connection down.
void DrainUntilClosed(int handle) {
    char sink[512];
    for (;;) {
        const ssize_t n = ::recv(handle, sink, sizeof sink, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
    }
}

}  // namespace

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

void DirectoryServer::Serve(int handle) {
    ++connections_;
    if (Faults().closeOnAccept) return;
    for (;;) {
        uint8_t prefix[kPrefixWidth];
        if (!tools::LoopbackServer::ReadExactly(handle, prefix, sizeof prefix)) return;
        const long length = TarnAPI::TMsgSocket::BodyLengthFor(kPrefixWidth, prefix);
        if (length < 0) return;  // out of step: the stream cannot go on
        if (length == 0) continue;
        Body body(static_cast<size_t>(length));
        if (!tools::LoopbackServer::ReadExactly(handle, body.data(), body.size())) return;
        ++requests_;
        const DirectoryFaults faults = Faults();
        if (faults.hangNoReply) return DrainUntilClosed(handle);
        if (faults.hugeLengthPrefix) {
            const uint8_t huge[4] = {0xF0, 0xFF, 0xFF, 0xFF};
            tools::LoopbackServer::WriteAll(handle, huge, sizeof huge);
            return;
        }
        if (faults.replyWrongType) {
            const Body unknown = {5, 2, 0, 99, 0};
            if (!WriteMessage(handle, unknown)) return;
            continue;
        }
        if (faults.replyGarbage) {
            const Body garbage = {5, 2, 0, 3, 0, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF};
            if (!WriteMessage(handle, garbage)) return;
            continue;
        }
        std::vector<Body> replies = store_.Handle(body.data(), body.size(), faults.replyStatus);
        for (Body& reply : replies) {
            if (faults.replyTruncated) {
                // The prefix announces the whole reply, then the connection ends short of it.
                const uint32_t total = static_cast<uint32_t>(reply.size()) + kPrefixWidth;
                const uint8_t whole[4] = {static_cast<uint8_t>(total), static_cast<uint8_t>(total >> 8),
                                          static_cast<uint8_t>(total >> 16), static_cast<uint8_t>(total >> 24)};
                tools::LoopbackServer::WriteAll(handle, whole, sizeof whole);
                tools::LoopbackServer::WriteAll(handle, reply.data(), reply.size() / 2);
                return;
            }
            if (!WriteMessage(handle, reply)) return;
        }
    }
}

}  // namespace tarnserver
