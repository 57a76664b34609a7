#pragma once
// Non-blocking sockets served by two threads of the process: a worker that waits in poll on every
// socket with pending work and steps its operations, and a dispatcher that runs the completions of
// finished operations outside the layer's lock. The threads start at the first open and end when the
// last socket (and the last holder of the socket context) goes.
#include <netinet/in.h>

#include <atomic>
#include <cstdint>
#include <vector>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "Tarn/api/Socket.h"

namespace TarnAPI {

class SocketContext;

// The socket layer's main lock. Its holds are short and a sender and a receiver on one socket take it
// for every operation, so it spins a little before it sleeps.
class ContextMutex {
public:
    void lock() {
        for (int i = 0; i < 200; ++i) {
            if (lock_.try_lock()) return;
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        }
        lock_.lock();
    }
    bool try_lock() { return lock_.try_lock(); }
    void unlock() { lock_.unlock(); }

private:
    std::mutex lock_;
};

// Holds the socket context (and so the socket threads) alive; every socket holds one reference.
void AcquireSocketContext();
void ReleaseSocketContext();

// Keeps the socket threads running while it lives, so that a client making one short connection
// after another does not start and stop them for each.
class SocketContextHold {
public:
    SocketContextHold() { AcquireSocketContext(); }
    ~SocketContextHold() { ReleaseSocketContext(); }
    SocketContextHold(const SocketContextHold&) = delete;
    SocketContextHold& operator=(const SocketContextHold&) = delete;
};

class WSSocket : public Socket {
public:
    struct AcceptResult {
        Socket* socket;
        Socket* accepted;
    };

    class SocketOp;
    class AsyncOp;
    class OpenOp;
    class CloseOp;
    class TransmitOp;
    class CatcherOp;
    class CatcherRun;

    ~WSSocket() override;

    int GetType() const override { return type_ == 2 ? kDatagram : kStream; }
    long Open(long timeout, bool async, const OpenContainer& completion) override;
    bool IsOpen() override;
    bool IsSendOpen() override;
    bool IsRecvOpen() override;
    long CloseSend(long timeout, bool async, const ResultContainer& completion) override;
    long CloseRecv(long timeout, bool async, const ResultContainer& completion) override;
    long Close(long timeout, bool async, const ResultContainer& completion) override;
    void CatchClose(const ResultContainer& completion, bool keepArmed) override;
    void CatchCloseRecv(const ResultContainer& completion, bool keepArmed) override;
    void CatchRecvable(const ResultContainer& completion, bool keepArmed) override;
    long Send(long length, const void* buffer, long timeout, bool async, bool ownsBuffer,
              const TransmitContainer& completion) override;
    long Recv(long length, void* buffer, long timeout, bool async, const TransmitContainer& completion) override;
    bool AbortRecv() override;
    bool AbortSend() override;
    long BytesAvailable() override;
    bool HasRecvPending() override;
    bool HasSendPending() override;

    const sockaddr_in& GetAddress() const { return remote_; }
    void SetAddress(const sockaddr_in& address) { remote_ = address; }
    const sockaddr_in& GetLocalAddress() const { return local_; }
    // Waits until no completion of this socket is queued or running (never on the dispatcher thread).
    void WaitUntilIdle();

protected:
    WSSocket(int family, int type, int protocol, const sockaddr_in& address, bool closeOnPeerClose,
             long recvBufferSize, long sendBufferSize);

private:
    friend class SocketContext;

    using OpPtr = std::shared_ptr<SocketOp>;

    // Everything below runs with the context's lock held.
    void UpdateSetsLocked();
    void FinishLocked(const OpPtr& op);
    void StepOpenLocked(bool failed);
    void StepSendsLocked();
    void StepRecvsLocked();
    void FireRecvCatcherLocked();
    void TimeoutLocked(AsyncOp* op);
    void EndRecvSideLocked();
    void EndSendSideLocked();
    void CloseWholeLocked();
    void FireCatcherLocked(std::shared_ptr<CatcherOp>& slot);
    void InstallCatcher(std::shared_ptr<CatcherOp>& slot, const ResultContainer& completion, bool keepArmed,
                        bool watchesRecv);
    void CloseHandleLocked();
    long StartClose(int which, long timeout, bool async, const ResultContainer& completion);
    int TryTransmitLocked(TransmitOp& op) { return Transmit(handle_, op); }
    // The socket calls of one transmit step; touches no socket state, so it may run without the lock.
    int Transmit(int handle, TransmitOp& op);
    // Starts a send or receive: tries the socket at once (outside the lock) when nothing is queued
    // before it, and queues what is left for the worker.
    long StartTransmit(const std::shared_ptr<TransmitOp>& op, long timeout, std::unique_lock<ContextMutex>& hold);
    void EndDirectLocked(bool sending);
    void ServeReadAheadLocked();
    // A blocking transmit that must wait: the caller's thread waits on the handle itself (until the
    // time-out), which saves the round trip through the worker thread.
    int WaitAndTransmit(int handle, TransmitOp& op, long timeout);

    std::shared_ptr<SocketContext> context_;
    std::deque<std::shared_ptr<TransmitOp>> sendQueue_;
    std::deque<std::shared_ptr<TransmitOp>> recvQueue_;
    std::shared_ptr<OpenOp> openOp_;
    std::shared_ptr<CatcherOp> closeCatcher_;
    std::shared_ptr<CatcherOp> closeRecvCatcher_;
    std::shared_ptr<CatcherOp> recvCatcher_;
    uint32_t queuedCompletions_ = 0;
    bool destroying_ = false;
    long sendBufferSize_;
    long recvBufferSize_;
    sockaddr_in remote_{};
    sockaddr_in local_{};
    sockaddr_in connected_{};  // the address of the connection in place
    bool opening_ = false;
    // Direct transmits: kBusy while a caller sends (receives) outside the lock; kAttention when
    // someone needed that direction meanwhile (queued behind it, closed the socket, installed a
    // catcher), so that the caller finishes under the lock. Set under the lock; the caller may clear a
    // plain kBusy without it.
    static constexpr int kBusy = 1;
    static constexpr int kAttention = 2;
    std::atomic<int> sendState_{0};
    std::atomic<int> recvState_{0};
    bool SendBusy() const { return sendState_.load() & kBusy; }
    bool RecvBusy() const { return recvState_.load() & kBusy; }
    // Under the lock: asks a busy direct caller to finish under the lock. False when it is not busy.
    static bool CallAttention(std::atomic<int>& state);
    int deferredClose_ = -1;    // a handle closed while a direct call was still using it
    // Stream bytes read ahead of the receives. Used only by whoever receives (the direct caller while
    // the receive is busy, otherwise the lock holder); the count is readable by anyone.
    static constexpr size_t kReadAheadSize = 65536;
    std::vector<uint8_t> ahead_;
    size_t aheadStart_ = 0;
    size_t aheadEnd_ = 0;
    std::atomic<size_t> aheadCount_{0};
    bool sendClosed_ = true;
    bool recvClosed_ = true;
    int handle_ = -1;
    int family_;
    int type_;
    int protocol_;
    bool closeOnPeerClose_;
};

// IPv4 addresses: a 16-byte socket address (family, port in network order, address).
class IPSocket : public WSSocket {
public:
    // From a host name or dotted address and a port. False when the host cannot be resolved.
    static bool MakeAddress(const char* host, uint16_t port, sockaddr_in& out);
    static sockaddr_in MakeAddress(uint32_t hostOrderAddress, uint16_t port);
    // From "host:port"; the port must be a decimal number up to 65535. A text without ":" is all host
    // (port 0).
    static bool MakeAddress(const char* hostAndPort, sockaddr_in& out);
    // This machine's name and a port.
    static bool MakeLocalAddress(uint16_t port, sockaddr_in& out);
    static uint16_t GetPort(const sockaddr_in& address);

protected:
    using WSSocket::WSSocket;
};

class TCPSocket : public IPSocket, public Stream {
public:
    explicit TCPSocket(const sockaddr_in& address, bool closeOnPeerClose = false, long recvBufferSize = 0,
                       long sendBufferSize = 0);
    ~TCPSocket() override = default;
    // Blocking, no time-out: return when done.
    long Write(long length, const void* buffer) override;
    long Read(long length, void* buffer) override;
};

// A datagram socket connected to one peer: each receive takes one datagram.
class UDPSocket : public IPSocket {
public:
    explicit UDPSocket(const sockaddr_in& address, long recvBufferSize = 0, long sendBufferSize = 0);
    ~UDPSocket() override = default;
};

}  // namespace TarnAPI
