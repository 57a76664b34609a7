#pragma once
// A small TCP server on 127.0.0.1 with a port chosen by the system, for tests and benchmarks of the
// network code. Every accepted connection runs the handler on a thread of its own while it lasts;
// threads are kept for later connections rather than made for each. The default handler echoes every
// byte back until the peer closes. Stop (or the destructor) ends every connection.
//
// The threads take turns at accept and serve what they accepted themselves, so a connection reaches
// its handler without passing from thread to thread; a thread that accepts while none other waits at
// accept first starts one more, so that a new connection never waits behind a long one.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tools {

class LoopbackServer {
public:
    // Runs on its own thread with the connected handle; the server closes the handle afterwards.
    using Handler = std::function<void(int handle)>;

    explicit LoopbackServer(Handler handler = Echo);
    // Listens on an IPv4 address (host order) and port of the caller's choice; port 0 lets the system
    // choose. A server for other machines binds INADDR_ANY.
    LoopbackServer(Handler handler, uint32_t bindAddress, uint16_t port);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool Ok() const { return listenHandle_ >= 0; }
    uint16_t Port() const { return port_; }
    void Stop();

    // Echoes until the peer closes or an error.
    static void Echo(int handle);
    // Blocking helpers for handlers: whole runs or failure.
    static bool ReadExactly(int handle, void* buffer, size_t length);
    static bool WriteAll(int handle, const void* buffer, size_t length);

private:
    void WorkerLoop();
    void StartWorkerLocked();

    Handler handler_;
    int listenHandle_ = -1;
    uint16_t port_ = 0;
    std::mutex lock_;
    bool stopping_ = false;
    std::vector<int> connections_;
    size_t accepting_ = 0;  // workers waiting at accept
    std::vector<std::thread> workers_;
};

}  // namespace tools
