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
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() { Stop(); }

void LoopbackServer::AcceptLoop() {
    for (;;) {
        const int handle = ::accept4(listenHandle_, nullptr, nullptr, SOCK_CLOEXEC);
        if (handle < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;  // the listening socket was shut down
        }
        const int on = 1;
        ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::lock_guard<std::mutex> hold(lock_);
        if (stopping_) {
            ::close(handle);
            return;
        }
        connections_.push_back(handle);
        pending_.push_back(handle);
        // A connection never waits behind another: a new worker comes when none is free for it.
        if (pending_.size() > idle_)
            workers_.emplace_back([this] { WorkerLoop(); });
        else
            work_.notify_one();
    }
}

void LoopbackServer::WorkerLoop() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        ++idle_;
        work_.wait(hold, [this] { return stopping_ || !pending_.empty(); });
        --idle_;
        if (pending_.empty()) return;
        const int handle = pending_.front();
        pending_.pop_front();
        hold.unlock();
        handler_(handle);
        hold.lock();
        connections_.erase(std::find(connections_.begin(), connections_.end(), handle));
        ::close(handle);
    }
}

void LoopbackServer::Stop() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (stopping_) return;
        stopping_ = true;
        if (listenHandle_ >= 0) ::shutdown(listenHandle_, SHUT_RDWR);
        for (int handle : connections_) ::shutdown(handle, SHUT_RDWR);
        work_.notify_all();
    }
    if (acceptThread_.joinable()) acceptThread_.join();
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
