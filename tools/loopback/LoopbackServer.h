#pragma once
// A small TCP server on 127.0.0.1 with a port chosen by the system, for tests and benchmarks of the
// network code. Every accepted connection runs the handler on a thread of its own while it lasts;
// threads are kept for later connections rather than made for each. The default handler echoes every
// byte back until the peer closes. Stop (or the destructor) ends every connection.
#include <condition_variable>
#include <cstddef>
#include <deque>
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
    void AcceptLoop();
    void WorkerLoop();

    Handler handler_;
    int listenHandle_ = -1;
    uint16_t port_ = 0;
    std::thread acceptThread_;
    std::mutex lock_;
    bool stopping_ = false;
    std::vector<int> connections_;
    std::deque<int> pending_;  // accepted, not yet taken by a worker
    size_t idle_ = 0;          // workers waiting for a connection
    std::condition_variable work_;
    std::vector<std::thread> workers_;
};

}  // namespace tools
