#include "tools/loopback/LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tools {

LoopbackServer::LoopbackServer(Handler handler) : LoopbackServer(std::move(handler), INADDR_LOOPBACK, 0) {}

LoopbackServer::LoopbackServer(Handler handler, uint32_t bindAddress, uint16_t port) : handler_(std::move(handler)) {
    listenHandle_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenHandle_ < 0) return;
    const int reuse = 1;
    ::setsockopt(listenHandle_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(bindAddress);
    address.sin_port = htons(port);
    socklen_t length = sizeof address;
    if (::bind(listenHandle_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenHandle_, 128) != 0 ||
        ::getsockname(listenHandle_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listenHandle_);
        listenHandle_ = -1;
        return;
    }
    port_ = ntohs(address.sin_port);
    std::lock_guard<std::mutex> hold(lock_);
    StartWorkerLocked();
}

LoopbackServer::~LoopbackServer() { Stop(); }

void LoopbackServer::StartWorkerLocked() {
    ++accepting_;  // counted from now, so that no second one is started for the same need
    workers_.emplace_back([this] { WorkerLoop(); });
}

void LoopbackServer::WorkerLoop() {
    for (;;) {
        const int handle = ::accept4(listenHandle_, nullptr, nullptr, SOCK_CLOEXEC);
        std::unique_lock<std::mutex> hold(lock_);
        --accepting_;
        if (handle < 0) {
            if (!stopping_ && (errno == EINTR || errno == ECONNABORTED)) {
                ++accepting_;
                continue;
            }
            return;  // the listening socket was shut down
        }
        if (stopping_) {
            ::close(handle);
            return;
        }
        connections_.push_back(handle);
        if (accepting_ == 0) StartWorkerLocked();
        hold.unlock();
        const int on = 1;
        ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        handler_(handle);
        hold.lock();
        connections_.erase(std::find(connections_.begin(), connections_.end(), handle));
        ::close(handle);
        if (stopping_) return;
        ++accepting_;
    }
}

void LoopbackServer::Stop() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (stopping_) return;
        stopping_ = true;
        if (listenHandle_ >= 0) ::shutdown(listenHandle_, SHUT_RDWR);
        for (int handle : connections_) ::shutdown(handle, SHUT_RDWR);
    }
    // No worker is started once stopping is set, so the list holds still while it is joined.
    for (auto& worker : workers_) worker.join();
    if (listenHandle_ >= 0) ::close(listenHandle_);
    listenHandle_ = -1;
}

void LoopbackServer::Echo(int handle) {
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::recv(handle, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        if (!WriteAll(handle, buffer, static_cast<size_t>(n))) return;
    }
}

bool LoopbackServer::ReadExactly(int handle, void* buffer, size_t length) {
    auto* at = static_cast<char*>(buffer);
    while (length > 0) {
        const ssize_t n = ::recv(handle, at, length, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool LoopbackServer::WriteAll(int handle, const void* buffer, size_t length) {
    const auto* at = static_cast<const char*>(buffer);
    while (length > 0) {
        const ssize_t n = ::send(handle, at, length, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace tools
