#include "Tarn/api/WSSocket.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "Tarn/api/WinsockTable.h"

namespace TarnAPI {

using TimeoutOrder = std::multimap<int64_t, WSSocket::AsyncOp*>;

// ---------------------------------------------------------------------------------------------------
// Operations. Each is owned through shared pointers by the socket's queue, the completion queue and a
// blocking caller, so whichever lets go last frees it.

class WSSocket::SocketOp {
public:
    SocketOp(WSSocket* owner, bool isAsync) : socket(owner), resultSocket(owner), async(isAsync) {}
    virtual ~SocketOp() = default;
    // Builds the result record and completes the container (dispatcher thread, no lock held).
    virtual void RunCompletion() = 0;
    virtual bool HasCompletion() const = 0;
    // Runs under the lock after the completion, while the socket still exists.
    virtual void AfterRunLocked() {}

    WSSocket* socket;      // cleared when the socket is destroyed before the completion runs
    Socket* resultSocket;  // the socket named in the result
    bool done = false;
    bool async;
    bool queueWhenDone = true;  // a blocking open completes its container on the caller's thread
    Event event;
};

class WSSocket::AsyncOp : public SocketOp {
public:
    using SocketOp::SocketOp;
    bool timed = false;
    TimeoutOrder::iterator timeoutPos;
};

class WSSocket::OpenOp : public AsyncOp {
public:
    OpenOp(WSSocket* owner, bool isAsync, const OpenContainer& c) : AsyncOp(owner, isAsync), container(c) {}
    void RunCompletion() override { container.Complete(OpenResult{resultSocket, error}); }
    bool HasCompletion() const override { return !container.IsEmpty(); }
    OpenContainer container;
    long error = kOpenOk;
};

class WSSocket::CloseOp : public AsyncOp {
public:
    CloseOp(WSSocket* owner, bool isAsync, const ResultContainer& c) : AsyncOp(owner, isAsync), container(c) {}
    void RunCompletion() override { container.Complete(Result{resultSocket}); }
    bool HasCompletion() const override { return !container.IsEmpty(); }
    ResultContainer container;
};

class WSSocket::TransmitOp : public AsyncOp {
public:
    TransmitOp(WSSocket* owner, bool isAsync, const TransmitContainer& c, bool sending, uint8_t* bytes, long count,
               bool owns)
        : AsyncOp(owner, isAsync), container(c), isSend(sending), buffer(bytes), length(count), ownsBuffer(owns) {}
    ~TransmitOp() override {
        if (ownsBuffer) std::free(buffer);
    }
    void RunCompletion() override { container.Complete(TransmitResult{resultSocket, buffer, length, transferred}); }
    bool HasCompletion() const override { return !container.IsEmpty(); }
    TransmitContainer container;
    bool isSend;
    uint8_t* buffer;
    long length;
    long transferred = 0;
    bool ownsBuffer;
};

class WSSocket::CatcherOp {
public:
    CatcherOp(const ResultContainer& c, bool keep, bool recv) : container(c), keepArmed(keep), watchesRecv(recv) {}
    ResultContainer container;
    bool keepArmed;
    bool watchesRecv;
    bool running = false;
};

class WSSocket::CatcherRun : public SocketOp {
public:
    CatcherRun(WSSocket* owner, std::shared_ptr<CatcherOp> c) : SocketOp(owner, true), catcher(std::move(c)) {}
    void RunCompletion() override { catcher->container.Complete(Result{resultSocket}); }
    bool HasCompletion() const override { return true; }
    void AfterRunLocked() override {
        catcher->running = false;
        if (catcher->watchesRecv) socket->UpdateSetsLocked();
    }
    std::shared_ptr<CatcherOp> catcher;
};

// ---------------------------------------------------------------------------------------------------
// The socket context: the lock, the sets of sockets with work, the time-out order, the completion queue
// and the two threads.

class SocketContext : public std::enable_shared_from_this<SocketContext> {
public:
    SocketContext() : api(GetWinsockTable()) { wakeHandle = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC); }
    ~SocketContext() {
        if (wakeHandle >= 0) ::close(wakeHandle);
    }

    static int64_t NowMs() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    bool StartThreadsLocked();
    void StopThreads();
    void WakeWorkerLocked() {
        if (inPoll && wakeHandle >= 0) {
            const uint64_t one = 1;
            (void)!::write(wakeHandle, &one, sizeof one);
        }
    }
    bool OnDispatcherThread() const { return running && std::this_thread::get_id() == dispatcherId; }
    void QueueCompletionLocked(const std::shared_ptr<WSSocket::SocketOp>& op) {
        completions.push_back(op);
        if (op->socket) ++op->socket->queuedCompletions_;
        dispatchWake.notify_one();
    }

    WinsockTable& api;
    ContextMutex lock;
    std::set<WSSocket*> pendingOpen, pendingSend, pendingRecv;
    TimeoutOrder timeouts;  // ordered by absolute deadline, fixed when the operation starts
    std::deque<std::shared_ptr<WSSocket::SocketOp>> completions;
    WSSocket* current = nullptr;  // socket whose completion is running
    std::condition_variable_any dispatchWake;
    std::condition_variable_any idle;
    int wakeHandle = -1;
    bool inPoll = false;
    bool running = false;
    bool stop = false;
    bool workerEnded = false;
    bool dispatcherEnded = false;
    std::thread worker, dispatcher;
    std::thread::id workerId, dispatcherId;

private:
    void WorkerMain();
    void DispatcherMain();
};

bool SocketContext::StartThreadsLocked() {
    if (running) return true;
    if (wakeHandle < 0 || stop) return false;
    auto self = shared_from_this();
    try {
        dispatcher = std::thread([self] { self->DispatcherMain(); });
    } catch (...) {
        return false;
    }
    try {
        worker = std::thread([self] { self->WorkerMain(); });
    } catch (...) {
        stop = true;
        workerEnded = true;
        dispatcher.detach();
        return false;
    }
    dispatcherId = dispatcher.get_id();
    workerId = worker.get_id();
    running = true;
    return true;
}

void SocketContext::StopThreads() {
    std::unique_lock<ContextMutex> hold(lock);
    if (!running) return;
    stop = true;
    WakeWorkerLocked();
    const uint64_t one = 1;
    (void)!::write(wakeHandle, &one, sizeof one);  // also when the worker is between two polls
    dispatchWake.notify_all();
    const auto self = std::this_thread::get_id();
    const bool internal = self == workerId || self == dispatcherId;
    std::thread w = std::move(worker);
    std::thread d = std::move(dispatcher);
    hold.unlock();
    if (internal) {
        // Never wait for oneself: the threads end on their own, holding the context until they do.
        w.detach();
        d.detach();
    } else {
        w.join();
        d.join();
    }
}

void SocketContext::WorkerMain() {
    std::unique_lock<ContextMutex> hold(lock);
    std::vector<pollfd> handles;
    std::vector<WSSocket*> owners;
    std::map<WSSocket*, short> wanted;
    while (!stop) {
        wanted.clear();
        for (WSSocket* s : pendingOpen) wanted[s] |= POLLOUT;
        for (WSSocket* s : pendingSend) wanted[s] |= POLLOUT;
        for (WSSocket* s : pendingRecv) wanted[s] |= POLLIN;
        handles.assign(1, pollfd{wakeHandle, POLLIN, 0});
        owners.assign(1, nullptr);
        for (const auto& [s, events] : wanted) {
            handles.push_back(pollfd{s->handle_, events, 0});
            owners.push_back(s);
        }
        int waitMs = -1;
        if (!timeouts.empty())
            waitMs = static_cast<int>(std::clamp<int64_t>(timeouts.begin()->first - NowMs(), 0, 60000));

        inPoll = true;
        hold.unlock();
        const int ready = api.poll(handles.data(), handles.size(), waitMs);
        hold.lock();
        inPoll = false;
        uint64_t drained;
        while (::read(wakeHandle, &drained, sizeof drained) > 0) {
        }
        if (stop) break;

        for (size_t i = 1; ready > 0 && i < handles.size(); ++i) {
            const short got = handles[i].revents;
            if (!got) continue;
            WSSocket* s = owners[i];
            // The socket may have finished its work, or gone, while the lock was released.
            const bool inOpen = pendingOpen.count(s) != 0;
            if (!inOpen && !pendingSend.count(s) && !pendingRecv.count(s)) continue;
            if (s->handle_ != handles[i].fd) continue;
            const short any = POLLERR | POLLHUP | POLLNVAL;
            if (inOpen && (got & (POLLOUT | any))) s->StepOpenLocked(false);
            if (pendingSend.count(s) && !s->opening_ && (got & (POLLOUT | any))) s->StepSendsLocked();
            if (pendingRecv.count(s) && !s->opening_ && (got & (POLLIN | any))) {
                if (!s->recvQueue_.empty())
                    s->StepRecvsLocked();
                else
                    s->FireRecvCatcherLocked();
            }
        }

        const int64_t now = NowMs();
        while (!timeouts.empty() && timeouts.begin()->first <= now) {
            WSSocket::AsyncOp* op = timeouts.begin()->second;
            op->socket->TimeoutLocked(op);
        }
    }
    workerEnded = true;
    dispatchWake.notify_all();
}

void SocketContext::DispatcherMain() {
    std::unique_lock<ContextMutex> hold(lock);
    for (;;) {
        while (!completions.empty()) {
            std::shared_ptr<WSSocket::SocketOp> op = std::move(completions.front());
            completions.pop_front();
            if (op->socket) --op->socket->queuedCompletions_;
            current = op->socket;
            hold.unlock();
            op->RunCompletion();
            hold.lock();
            if (current && op->socket) op->AfterRunLocked();
            current = nullptr;
            hold.unlock();
            op.reset();  // frees owned buffers and containers outside the lock
            hold.lock();
            idle.notify_all();
        }
        if (stop && workerEnded) break;
        dispatchWake.wait(hold, [this] { return !completions.empty() || (stop && workerEnded); });
    }
    dispatcherEnded = true;
    idle.notify_all();
}

namespace {

std::mutex& CountLock() {
    static std::mutex lock;
    return lock;
}
int g_contextCount = 0;
std::shared_ptr<SocketContext> g_context;

std::shared_ptr<SocketContext> AcquireContextPointer() {
    std::lock_guard<std::mutex> hold(CountLock());
    if (!g_context) g_context = std::make_shared<SocketContext>();
    ++g_contextCount;
    return g_context;
}

enum TransmitState { kPending, kFinished, kRecvEnded, kSendEnded, kFatal };

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINPROGRESS; }

long OpenCodeFor(int error) {
    switch (error) {
        case ENOBUFS:
        case ENOMEM: return kOpenNoSocket;
        case EADDRNOTAVAIL:
        case ENETUNREACH:
        case EHOSTUNREACH:
        case ECONNREFUSED: return kOpenRefused;
        case EFAULT:
        case EINVAL:
        case EAFNOSUPPORT: return kOpenBadAddress;
        default: return kOpenFailed;
    }
}

}  // namespace

void AcquireSocketContext() { AcquireContextPointer(); }

void ReleaseSocketContext() {
    std::shared_ptr<SocketContext> last;
    {
        std::lock_guard<std::mutex> hold(CountLock());
        if (g_contextCount == 0) return;
        if (--g_contextCount == 0) last = std::move(g_context);
    }
    if (last) last->StopThreads();
}

// ---------------------------------------------------------------------------------------------------
// WSSocket

WSSocket::WSSocket(int family, int type, int protocol, const sockaddr_in& address, bool closeOnPeerClose,
                   long recvBufferSize, long sendBufferSize)
    : context_(AcquireContextPointer()),
      sendBufferSize_(sendBufferSize),
      recvBufferSize_(recvBufferSize),
      remote_(address),
      family_(family),
      type_(type),
      protocol_(protocol),
      closeOnPeerClose_(closeOnPeerClose) {}

WSSocket::~WSSocket() {
    SocketContext& c = *context_;
    std::shared_ptr<CatcherOp> catchers[3];
    {
        std::unique_lock<ContextMutex> hold(c.lock);
        destroying_ = true;
        CloseWholeLocked();
        catchers[0] = std::move(closeCatcher_);
        catchers[1] = std::move(closeRecvCatcher_);
        catchers[2] = std::move(recvCatcher_);
        c.pendingOpen.erase(this);
        c.pendingSend.erase(this);
        c.pendingRecv.erase(this);
        if (!c.OnDispatcherThread()) {
            c.idle.wait(hold, [&] {
                return (queuedCompletions_ == 0 && c.current != this) || !c.running || c.dispatcherEnded;
            });
        } else if (c.current == this) {
            c.current = nullptr;  // destroyed from inside its own completion: do not wait for oneself
        }
        // Completions still queued (destroyed on the dispatcher thread) run without touching the socket.
        for (auto& op : c.completions)
            if (op->socket == this) op->socket = nullptr;
        queuedCompletions_ = 0;
    }
    ReleaseSocketContext();
}

void WSSocket::WaitUntilIdle() {
    SocketContext& c = *context_;
    std::unique_lock<ContextMutex> hold(c.lock);
    if (c.OnDispatcherThread()) return;
    c.idle.wait(hold, [&] { return (queuedCompletions_ == 0 && c.current != this) || !c.running || c.dispatcherEnded; });
}

void WSSocket::UpdateSetsLocked() {
    SocketContext& c = *context_;
    bool added = false;
    auto place = [&](std::set<WSSocket*>& set, bool member) {
        if (member && !destroying_) {
            added |= set.insert(this).second;
        } else {
            set.erase(this);
        }
    };
    place(c.pendingOpen, openOp_ != nullptr);
    place(c.pendingSend, !sendQueue_.empty() && handle_ >= 0 && !SendBusy());
    place(c.pendingRecv, handle_ >= 0 && !RecvBusy() &&
                             (!recvQueue_.empty() || (recvCatcher_ && !recvCatcher_->running && !recvClosed_)));
    if (added) c.WakeWorkerLocked();
}

void WSSocket::FinishLocked(const OpPtr& op) {
    if (op->done) return;
    op->done = true;
    if (auto* timed = dynamic_cast<AsyncOp*>(op.get()); timed && timed->timed) {
        context_->timeouts.erase(timed->timeoutPos);
        timed->timed = false;
    }
    UpdateSetsLocked();
    if (op->queueWhenDone && (op->async || op->HasCompletion())) context_->QueueCompletionLocked(op);
    op->event.Set();
}

void WSSocket::CloseHandleLocked() {
    if (handle_ >= 0) {
        const bool sendBusy = CallAttention(sendState_);
        const bool recvBusy = CallAttention(recvState_);
        if (sendBusy || recvBusy) {
            // A direct call is still using the handle: end the connection now, release the number
            // when that call is over (so it cannot be reused under it).
            context_->api.shutdown(handle_, SHUT_RDWR);
            deferredClose_ = handle_;
        } else {
            context_->api.closesocket(handle_);
        }
    }
    handle_ = -1;
}

bool WSSocket::CallAttention(std::atomic<int>& state) {
    int now = state.load();
    while (now & kBusy) {
        if (now & kAttention) return true;
        if (state.compare_exchange_weak(now, now | kAttention)) return true;
    }
    return false;
}

void WSSocket::EndDirectLocked(bool sending) {
    (sending ? sendState_ : recvState_).store(0);
    if (!SendBusy() && !RecvBusy() && deferredClose_ >= 0) {
        context_->api.closesocket(deferredClose_);
        deferredClose_ = -1;
    }
}

void WSSocket::ServeReadAheadLocked() {
    // Bytes already read ahead never make the handle readable again: hand them out here.
    if (RecvBusy() || aheadStart_ >= aheadEnd_) return;
    if (!recvQueue_.empty())
        StepRecvsLocked();
    else if (recvCatcher_ && !recvClosed_)
        FireRecvCatcherLocked();
}

void WSSocket::FireCatcherLocked(std::shared_ptr<CatcherOp>& slot) {
    if (!slot || destroying_) return;
    std::shared_ptr<CatcherOp> catcher = slot;
    if (!catcher->keepArmed) slot.reset();  // fires once and is detached first
    if (catcher->running) return;
    catcher->running = true;
    context_->QueueCompletionLocked(std::make_shared<CatcherRun>(this, catcher));
}

void WSSocket::FireRecvCatcherLocked() {
    FireCatcherLocked(recvCatcher_);
    UpdateSetsLocked();  // not watched again until its completion has run
}

void WSSocket::EndRecvSideLocked() {
    if (!sendClosed_ && !closeOnPeerClose_) {
        const bool wasOpen = !recvClosed_;
        recvClosed_ = true;
        while (!recvQueue_.empty()) {
            auto op = recvQueue_.front();
            recvQueue_.pop_front();
            FinishLocked(op);
        }
        if (wasOpen) FireCatcherLocked(closeRecvCatcher_);
        UpdateSetsLocked();
    } else {
        CloseWholeLocked();
    }
}

void WSSocket::EndSendSideLocked() {
    if (!recvClosed_) {
        sendClosed_ = true;
        while (!sendQueue_.empty()) {
            auto op = sendQueue_.front();
            sendQueue_.pop_front();
            FinishLocked(op);
        }
        UpdateSetsLocked();
    } else {
        CloseWholeLocked();
    }
}

void WSSocket::CloseWholeLocked() {
    const bool recvWasOpen = !recvClosed_;
    if (!CallAttention(recvState_)) {
        aheadStart_ = aheadEnd_ = 0;
        aheadCount_.store(0);
    }
    recvClosed_ = true;
    sendClosed_ = true;
    while (!recvQueue_.empty()) {
        auto op = recvQueue_.front();
        recvQueue_.pop_front();
        FinishLocked(op);
    }
    while (!sendQueue_.empty()) {
        auto op = sendQueue_.front();
        sendQueue_.pop_front();
        FinishLocked(op);
    }
    if (recvWasOpen) FireCatcherLocked(closeRecvCatcher_);
    if (openOp_) {
        auto op = std::move(openOp_);
        opening_ = false;
        if (op->error == kOpenOk) op->error = kOpenRefused;
        FinishLocked(op);
    }
    if (handle_ >= 0) {
        CloseHandleLocked();
        FireCatcherLocked(closeCatcher_);
    }
    UpdateSetsLocked();
}

int WSSocket::Transmit(int handle, TransmitOp& op) {
    WinsockTable& api = context_->api;
    const bool datagram = type_ == SOCK_DGRAM;
    if (handle < 0) return kFinished;
    const bool readAhead = !op.isSend && !datagram;
    while (op.transferred < op.length) {
        const size_t rest = static_cast<size_t>(op.length - op.transferred);
        if (readAhead && aheadStart_ < aheadEnd_) {
            const size_t take = std::min(rest, aheadEnd_ - aheadStart_);
            std::memcpy(op.buffer + op.transferred, ahead_.data() + aheadStart_, take);
            aheadStart_ += take;
            aheadCount_.store(aheadEnd_ - aheadStart_);
            op.transferred += static_cast<long>(take);
            continue;
        }
        // Small stream receives read ahead into the socket's own buffer: one system call then serves
        // many short receives (a length prefix and its message, or several messages).
        const bool intoAhead = readAhead && rest < kReadAheadSize / 4;
        if (intoAhead && ahead_.empty()) ahead_.resize(kReadAheadSize);
        const ssize_t n = op.isSend ? api.send(handle, op.buffer + op.transferred, rest, MSG_NOSIGNAL)
                          : intoAhead ? api.recv(handle, ahead_.data(), ahead_.size(), 0)
                                      : api.recv(handle, op.buffer + op.transferred, rest, 0);
        if (n > 0) {
            if (intoAhead) {
                aheadStart_ = 0;
                aheadEnd_ = static_cast<size_t>(n);
                aheadCount_.store(aheadEnd_);
                continue;
            }
            op.transferred += n;
            if (datagram) return kFinished;
            continue;
        }
        if (n == 0) {
            if (op.isSend) return kPending;
            return datagram ? kFinished : kRecvEnded;  // an orderly close by the peer
        }
        const int error = api.WSAGetLastError();
        if (error == EINTR) continue;
        if (WouldBlock(error)) return kPending;
        if (op.isSend) {
            switch (error) {
                case ENOBUFS: return kPending;  // retried at the next writable notice
                case EDESTADDRREQ:
                case EMSGSIZE:
                case EAFNOSUPPORT:
                case EADDRNOTAVAIL:
                case ENETUNREACH:
                case EHOSTUNREACH: return kFinished;
                case EPIPE:
                case ESHUTDOWN: return kSendEnded;
                default: return kFatal;
            }
        }
        if (error == EMSGSIZE) return kFinished;
        if (error == ESHUTDOWN) return kRecvEnded;
        return kFatal;
    }
    return kFinished;
}

void WSSocket::StepOpenLocked(bool failed) {
    if (!openOp_) return;
    int error = 0;
    socklen_t size = sizeof error;
    if (!failed && context_->api.getsockopt(handle_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = -1;
    auto op = std::move(openOp_);
    opening_ = false;
    if (failed || error != 0) {
        // On Linux a refused connect is reported as writable with the error pending on the socket.
        op->error = kOpenRefused;
        FinishLocked(op);
        CloseWholeLocked();
        return;
    }
    sendClosed_ = false;
    recvClosed_ = false;
    socklen_t length = sizeof local_;
    context_->api.getsockname(handle_, reinterpret_cast<sockaddr*>(&local_), &length);
    FinishLocked(op);
    if (!sendQueue_.empty()) StepSendsLocked();
    if (!recvQueue_.empty()) StepRecvsLocked();
}

void WSSocket::StepSendsLocked() {
    if (CallAttention(sendState_)) return;  // the direct caller steps on when it is back
    while (!sendQueue_.empty()) {
        auto op = sendQueue_.front();
        const int state = TryTransmitLocked(*op);
        if (state == kPending) break;
        sendQueue_.pop_front();
        FinishLocked(op);
        if (state == kSendEnded) {
            EndSendSideLocked();
            break;
        }
        if (state == kFatal) {
            CloseWholeLocked();
            break;
        }
    }
    UpdateSetsLocked();
}

void WSSocket::StepRecvsLocked() {
    if (CallAttention(recvState_)) return;
    while (!recvQueue_.empty()) {
        auto op = recvQueue_.front();
        const int state = TryTransmitLocked(*op);
        if (state == kPending) break;
        recvQueue_.pop_front();
        FinishLocked(op);
        if (state == kRecvEnded) {
            EndRecvSideLocked();
            break;
        }
        if (state == kFatal) {
            CloseWholeLocked();
            break;
        }
    }
    // Bytes left over in the read-ahead will not make the handle readable: tell the catcher now.
    if (recvQueue_.empty() && aheadStart_ < aheadEnd_ && recvCatcher_ && !recvClosed_) FireRecvCatcherLocked();
    UpdateSetsLocked();
}

void WSSocket::TimeoutLocked(AsyncOp* op) {
    context_->timeouts.erase(op->timeoutPos);
    op->timed = false;
    if (openOp_.get() == op) {
        auto open = std::move(openOp_);
        opening_ = false;
        open->error = kOpenTimedOut;
        FinishLocked(open);
        CloseWholeLocked();
        return;
    }
    for (auto* queue : {&sendQueue_, &recvQueue_}) {
        auto it = std::find_if(queue->begin(), queue->end(), [op](const auto& q) { return q.get() == op; });
        if (it != queue->end()) {
            auto found = *it;
            queue->erase(it);
            FinishLocked(found);  // with the bytes done so far
            return;
        }
    }
}

long WSSocket::Open(long timeout, bool async, const OpenContainer& completion) {
    SocketContext& c = *context_;
    WinsockTable& api = c.api;
    std::unique_lock<ContextMutex> hold(c.lock);
    auto completeNow = [&](long code) {
        hold.unlock();
        if (!completion.IsEmpty()) completion.Complete(OpenResult{this, code});
        return code;
    };
    if (handle_ >= 0 && !opening_ && !(sendClosed_ && recvClosed_)) {
        // Already connected: to the same address nothing is done; to another, the old link closes.
        // (Compare family, port and address only: the padding bytes carry nothing.)
        if (remote_.sin_port == connected_.sin_port && remote_.sin_addr.s_addr == connected_.sin_addr.s_addr)
            return completeNow(kOpenOk);
    }
    if (handle_ >= 0 || opening_) CloseWholeLocked();
    if (!api.IsComplete() || !c.StartThreadsLocked()) return completeNow(kOpenFailed);

    const int h = api.socket(family_, type_, protocol_);
    if (h < 0) return completeNow(kOpenNoSocket);
    uint32_t on = 1;
    bool ok = api.ioctlsocket(h, kIoctlNonBlocking, &on) == 0;
    if (ok && sendBufferSize_ > 0) {
        const int size = static_cast<int>(sendBufferSize_);
        ok = api.setsockopt(h, SOL_SOCKET, SO_SNDBUF, &size, sizeof size) == 0;
    }
    if (ok && recvBufferSize_ > 0) {
        const int size = static_cast<int>(recvBufferSize_);
        ok = api.setsockopt(h, SOL_SOCKET, SO_RCVBUF, &size, sizeof size) == 0;
    }
    if (ok && type_ == SOCK_DGRAM) {
        const int yes = 1;
        ok = api.setsockopt(h, SOL_SOCKET, SO_BROADCAST, &yes, sizeof yes) == 0;
    }
    if (!ok) {
        api.closesocket(h);
        return completeNow(kOpenSetupFailed);
    }
    if (api.connect(h, reinterpret_cast<const sockaddr*>(&remote_), sizeof remote_) != 0) {
        const int error = api.WSAGetLastError();
        if (!WouldBlock(error) && error != EINTR) {
            api.closesocket(h);
            return completeNow(OpenCodeFor(error));
        }
    }
    handle_ = h;
    connected_ = remote_;
    if (!RecvBusy()) {  // nothing read ahead on an earlier connection survives into this one
        aheadStart_ = aheadEnd_ = 0;
        aheadCount_.store(0);
    }
    socklen_t length = sizeof local_;
    api.getsockname(h, reinterpret_cast<sockaddr*>(&local_), &length);
    auto op = std::make_shared<OpenOp>(this, async, completion);
    op->queueWhenDone = async;
    opening_ = true;
    openOp_ = op;
    if (timeout >= 0) {
        op->timeoutPos = c.timeouts.emplace(SocketContext::NowMs() + timeout, op.get());
        op->timed = true;
    }
    if (!async) {
        // On the loopback, and often on a fast network, the connection is up by now: finish the open
        // here, as the worker would, without a round through the worker thread.
        pollfd watch{h, POLLOUT, 0};
        if (api.poll(&watch, 1, 0) > 0) StepOpenLocked(false);
    }
    UpdateSetsLocked();
    if (opening_) c.WakeWorkerLocked();  // its wait may have to end sooner for this open's time-out
    if (async) return kOpenPending;
    hold.unlock();
    op->event.Wait();
    if (!completion.IsEmpty()) completion.Complete(OpenResult{this, op->error});
    return op->error;
}

long WSSocket::Send(long length, const void* buffer, long timeout, bool async, bool ownsBuffer,
                    const TransmitContainer& completion) {
    SocketContext& c = *context_;
    if (length < 0 || (!buffer && length > 0)) length = 0;
    auto* bytes = static_cast<uint8_t*>(const_cast<void*>(buffer));
    auto op = std::make_shared<TransmitOp>(this, async, completion, true, bytes, length, ownsBuffer);
    std::unique_lock<ContextMutex> hold(c.lock);
    if (!c.StartThreadsLocked()) {
        hold.unlock();
        if (!completion.IsEmpty()) completion.Complete(TransmitResult{this, bytes, length, 0});
        return 0;
    }
    if (!opening_ && (handle_ < 0 || sendClosed_)) {
        FinishLocked(op);
        if (async) return 0;
        hold.unlock();
        return op->transferred;
    }
    return StartTransmit(op, timeout, hold);
}

long WSSocket::Recv(long length, void* buffer, long timeout, bool async, const TransmitContainer& completion) {
    SocketContext& c = *context_;
    if (length < 0) length = 0;
    bool owns = false;
    if (!buffer) {
        buffer = std::malloc(length ? static_cast<size_t>(length) : 2);
        owns = true;
        if (!buffer) length = 0;
    }
    auto op = std::make_shared<TransmitOp>(this, async, completion, false, static_cast<uint8_t*>(buffer), length, owns);
    std::unique_lock<ContextMutex> hold(c.lock);
    if (!c.StartThreadsLocked()) {
        hold.unlock();
        if (!completion.IsEmpty()) completion.Complete(TransmitResult{this, buffer, length, 0});
        return 0;
    }
    if (!opening_ && (handle_ < 0 || recvClosed_)) {
        FinishLocked(op);
        if (async) return 0;
        hold.unlock();
        return op->transferred;
    }
    return StartTransmit(op, timeout, hold);
}

int WSSocket::WaitAndTransmit(int handle, TransmitOp& op, long timeout) {
    WinsockTable& api = context_->api;
    const int64_t deadline = timeout >= 0 ? SocketContext::NowMs() + timeout : -1;
    for (;;) {
        int waitMs = -1;
        if (deadline >= 0) {
            const int64_t rest = deadline - SocketContext::NowMs();
            if (rest <= 0) return kFinished;  // timed out: what was done so far
            waitMs = static_cast<int>(std::min<int64_t>(rest, 60000));
        }
        pollfd watch{handle, static_cast<short>(op.isSend ? POLLOUT : POLLIN), 0};
        const int ready = api.poll(&watch, 1, waitMs);
        if (ready < 0 && api.WSAGetLastError() != EINTR) return kFatal;
        if (ready > 0) {
            const int state = Transmit(handle, op);
            if (state != kPending) return state;
        }
    }
}

long WSSocket::StartTransmit(const std::shared_ptr<TransmitOp>& op, long timeout, std::unique_lock<ContextMutex>& hold) {
    SocketContext& c = *context_;
    const bool sending = op->isSend;
    auto& queue = sending ? sendQueue_ : recvQueue_;
    std::atomic<int>& direct = sending ? sendState_ : recvState_;
    int state = kPending;
    const bool busy = CallAttention(direct);  // when busy, this operation queues behind
    const bool tryDirect = queue.empty() && !opening_ && !busy;
    if (tryDirect) {
        // The socket call itself runs without the lock, so that a sender and a receiver (and other
        // sockets) do not wait for each other's system calls. Whoever comes meanwhile queues behind.
        direct.store(kBusy);
        const int handle = handle_;
        hold.unlock();
        state = Transmit(handle, *op);
        if (state == kPending && !op->async) state = WaitAndTransmit(handle, *op, timeout);
        if (state == kFinished && !op->async && op->container.IsEmpty()) {
            // Nobody needed this direction meanwhile and nobody waits for a completion: done.
            int expected = kBusy;
            if (direct.compare_exchange_strong(expected, 0)) {
                op->done = true;
                return op->transferred;
            }
        }
        hold.lock();
        EndDirectLocked(sending);
        if (handle_ != handle || (sending ? sendClosed_ : recvClosed_)) {
            state = kFinished;  // closed meanwhile: finish with what was done
        }
    }
    if (state == kPending) {
        if (tryDirect)
            queue.push_front(op);  // ahead of anything queued while the direct call ran
        else
            queue.push_back(op);
        if (timeout >= 0) {
            op->timeoutPos = c.timeouts.emplace(SocketContext::NowMs() + timeout, op.get());
            op->timed = true;
            c.WakeWorkerLocked();  // the worker's wait may have to be shorter now
        }
    } else {
        FinishLocked(op);
        if (state == kSendEnded) EndSendSideLocked();
        if (state == kRecvEnded) EndRecvSideLocked();
        if (state == kFatal) CloseWholeLocked();
        // Receives queued meanwhile may already have their bytes read ahead: serve them after this
        // one, so that completions keep the order of the stream.
        if (tryDirect && !sending) ServeReadAheadLocked();
    }
    UpdateSetsLocked();  // wakes the worker when it has a new handle to watch
    if (op->async) return 0;
    hold.unlock();
    op->event.Wait();
    return op->transferred;
}

long WSSocket::StartClose(int which, long timeout, bool async, const ResultContainer& completion) {
    (void)timeout;  // closing never waits on the network
    SocketContext& c = *context_;
    std::unique_lock<ContextMutex> hold(c.lock);
    auto op = std::make_shared<CloseOp>(this, async, completion);
    if ((async || !completion.IsEmpty()) && !c.StartThreadsLocked()) {
        hold.unlock();
        if (!completion.IsEmpty()) completion.Complete(Result{this});
        return 0;
    }
    if (!c.running) op->queueWhenDone = false;
    WinsockTable& api = c.api;
    if (which == 0 && handle_ >= 0 && !sendClosed_ && !opening_) {
        if (api.shutdown(handle_, SHUT_WR) != 0 && api.WSAGetLastError() != ENOTCONN)
            CloseWholeLocked();
        else
            EndSendSideLocked();
    } else if (which == 1 && handle_ >= 0 && !recvClosed_ && !opening_) {
        if (api.shutdown(handle_, SHUT_RD) != 0 && api.WSAGetLastError() != ENOTCONN)
            CloseWholeLocked();
        else
            EndRecvSideLocked();
    } else if (which == 2) {
        CloseWholeLocked();
    }
    FinishLocked(op);
    if (!op->queueWhenDone && !completion.IsEmpty()) {
        hold.unlock();
        completion.Complete(Result{this});
    }
    return 0;
}

long WSSocket::CloseSend(long timeout, bool async, const ResultContainer& completion) {
    return StartClose(0, timeout, async, completion);
}
long WSSocket::CloseRecv(long timeout, bool async, const ResultContainer& completion) {
    return StartClose(1, timeout, async, completion);
}
long WSSocket::Close(long timeout, bool async, const ResultContainer& completion) {
    return StartClose(2, timeout, async, completion);
}

void WSSocket::InstallCatcher(std::shared_ptr<CatcherOp>& slot, const ResultContainer& completion, bool keepArmed,
                              bool watchesRecv) {
    std::shared_ptr<CatcherOp> old;
    {
        std::lock_guard<ContextMutex> hold(context_->lock);
        old = std::move(slot);  // a running one lives on until its completion ends
        if (!completion.IsEmpty()) slot = std::make_shared<CatcherOp>(completion, keepArmed, watchesRecv);
        UpdateSetsLocked();
    }
}

void WSSocket::CatchClose(const ResultContainer& completion, bool keepArmed) {
    InstallCatcher(closeCatcher_, completion, keepArmed, false);
}
void WSSocket::CatchCloseRecv(const ResultContainer& completion, bool keepArmed) {
    InstallCatcher(closeRecvCatcher_, completion, keepArmed, false);
}
void WSSocket::CatchRecvable(const ResultContainer& completion, bool keepArmed) {
    InstallCatcher(recvCatcher_, completion, keepArmed, true);
    std::lock_guard<ContextMutex> hold(context_->lock);
    if (!CallAttention(recvState_)) ServeReadAheadLocked();
}

bool WSSocket::IsSendOpen() {
    std::lock_guard<ContextMutex> hold(context_->lock);
    return handle_ >= 0 && !opening_ && !sendClosed_;
}

bool WSSocket::IsRecvOpen() {
    std::lock_guard<ContextMutex> hold(context_->lock);
    if (handle_ < 0 || opening_ || recvClosed_) return false;
    if (type_ == SOCK_DGRAM || aheadCount_.load() > 0) return true;
    WinsockTable& api = context_->api;
    uint8_t byte;
    const ssize_t n = api.recv(handle_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) return true;
    if (n == 0) {
        EndRecvSideLocked();
        return false;
    }
    const int error = api.WSAGetLastError();
    if (WouldBlock(error) || error == EMSGSIZE || error == ENOTCONN || error == EINTR) return true;
    if (error == ESHUTDOWN) {
        EndRecvSideLocked();
        return false;
    }
    CloseWholeLocked();
    return false;
}

bool WSSocket::IsOpen() {
    {
        std::lock_guard<ContextMutex> hold(context_->lock);
        if (handle_ < 0 || opening_) return false;
    }
    if (IsSendOpen() || IsRecvOpen()) return true;
    std::lock_guard<ContextMutex> hold(context_->lock);
    CloseWholeLocked();
    return false;
}

bool WSSocket::AbortRecv() {
    std::lock_guard<ContextMutex> hold(context_->lock);
    if (recvQueue_.empty()) return false;
    auto op = recvQueue_.front();
    recvQueue_.pop_front();
    FinishLocked(op);
    return true;
}

bool WSSocket::AbortSend() {
    std::lock_guard<ContextMutex> hold(context_->lock);
    if (sendQueue_.empty()) return false;
    auto op = sendQueue_.front();
    sendQueue_.pop_front();
    FinishLocked(op);
    return true;
}

long WSSocket::BytesAvailable() {
    std::lock_guard<ContextMutex> hold(context_->lock);
    if (handle_ < 0 || opening_ || recvClosed_) return 0;
    uint32_t count = 0;
    if (context_->api.ioctlsocket(handle_, kIoctlBytesReadable, &count) != 0) {
        CloseWholeLocked();
        return 0;
    }
    return static_cast<long>(count + aheadCount_.load());
}

bool WSSocket::HasRecvPending() {
    std::lock_guard<ContextMutex> hold(context_->lock);
    return !recvQueue_.empty();
}

bool WSSocket::HasSendPending() {
    std::lock_guard<ContextMutex> hold(context_->lock);
    return !sendQueue_.empty();
}

}  // namespace TarnAPI
