#pragma once
// Shared by the socket tests: probes that gather completion results on the dispatcher thread, and
// addresses on the loopback interface.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>
#include <thread>
#include <vector>

#include "Tarn/api/WSSocket.h"

namespace tarntest {

// Every wait is bounded, and generous: a loaded machine is slow, never stuck.
constexpr long kWaitMs = 30000;

struct Probe {
    explicit Probe(int wanted = 1) : expected(wanted) {}
    TarnAPI::Event done;
    std::mutex lock;
    std::vector<long> values;
    std::vector<TarnAPI::Socket*> sockets;
    std::thread::id thread;
    int count = 0;
    int expected;

    // The event is set last, outside the lock: the waiter may destroy the probe as soon as it wakes.
    void Record(TarnAPI::Socket* socket, long value) {
        bool complete;
        {
            std::lock_guard<std::mutex> hold(lock);
            values.push_back(value);
            sockets.push_back(socket);
            thread = std::this_thread::get_id();
            complete = ++count == expected;
        }
        if (complete) done.Set();
    }
    std::vector<long> Values() {
        std::lock_guard<std::mutex> hold(lock);
        return values;
    }
};

inline void OnOpen(const TarnAPI::Socket::OpenResult& r, Probe* p) { p->Record(r.socket, r.error); }
inline void OnTransmit(const TarnAPI::Socket::TransmitResult& r, Probe* p) { p->Record(r.socket, r.transferred); }
inline void OnResult(const TarnAPI::Socket::Result& r, Probe* p) { p->Record(r.socket, 0); }

inline TarnAPI::Socket::OpenContainer OpenTo(Probe* p) {
    return {new TarnAPI::CompletionWithContents<const TarnAPI::Socket::OpenResult&, Probe*>(p, &OnOpen, true), false};
}
inline TarnAPI::Socket::TransmitContainer TransmitTo(Probe* p) {
    return {new TarnAPI::CompletionWithContents<const TarnAPI::Socket::TransmitResult&, Probe*>(p, &OnTransmit, true),
            false};
}
inline TarnAPI::Socket::ResultContainer ResultTo(Probe* p) {
    return {new TarnAPI::CompletionWithContents<const TarnAPI::Socket::Result&, Probe*>(p, &OnResult, true), false};
}

inline sockaddr_in Loopback(uint16_t port) { return TarnAPI::IPSocket::MakeAddress(INADDR_LOOPBACK, port); }

// A loopback port that nobody listens on (bound once by the system, then released).
inline uint16_t ClosedPort() {
    const int h = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    ::bind(h, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(h, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(h);
    return ntohs(address.sin_port);
}

}  // namespace tarntest
