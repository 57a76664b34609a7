#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <algorithm>
#include <numeric>
#include <string>

#include "Tarn/api/WSSocket.h"
#include "Tarn/api/WinsockTable.h"
#include "Tarn/api/tests/SocketTestSupport.h"
#include "tools/loopback/LoopbackServer.h"

using namespace TarnAPI;
using namespace tarntest;

namespace {

class SocketTest : public ::testing::Test {
protected:
    tools::LoopbackServer echo_;
    void SetUp() override { ASSERT_TRUE(echo_.Ok()); }
};

TEST_F(SocketTest, BlockingOpenSendAndReceiveThroughEcho) {
    TCPSocket socket(Loopback(echo_.Port()));
    ASSERT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);
    EXPECT_TRUE(socket.IsOpen());
    EXPECT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);  // already open to this address: no reconnect
    const std::string text = "hello over loopback";
    EXPECT_EQ(socket.Write(static_cast<long>(text.size()), text.data()), static_cast<long>(text.size()));
    std::string back(text.size(), '\0');
    EXPECT_EQ(socket.Read(static_cast<long>(back.size()), back.data()), static_cast<long>(text.size()));
    EXPECT_EQ(back, text);
    EXPECT_EQ(IPSocket::GetPort(socket.GetAddress()), echo_.Port());
    EXPECT_NE(IPSocket::GetPort(socket.GetLocalAddress()), 0);
}

TEST_F(SocketTest, AsynchronousOperationsCompleteOnTheDispatcherThread) {
    TCPSocket socket(Loopback(echo_.Port()));
    Probe opened;
    ASSERT_EQ(socket.Open(kWaitMs, true, OpenTo(&opened)), kOpenPending);
    ASSERT_TRUE(opened.done.WaitFor(kWaitMs));
    EXPECT_EQ(opened.Values(), std::vector<long>{kOpenOk});
    EXPECT_EQ(opened.sockets[0], &socket);
    EXPECT_NE(opened.thread, std::this_thread::get_id());

    // The receive is queued before the data exists; the send then goes out.
    char in[64] = {};
    Probe received, sent;
    EXPECT_EQ(socket.Recv(64, in, kWaitMs, true, TransmitTo(&received)), 0);
    EXPECT_TRUE(socket.HasRecvPending());
    char out[64];
    std::iota(out, out + 64, 1);
    EXPECT_EQ(socket.Send(64, out, kWaitMs, true, false, TransmitTo(&sent)), 0);
    ASSERT_TRUE(sent.done.WaitFor(kWaitMs));
    ASSERT_TRUE(received.done.WaitFor(kWaitMs));
    EXPECT_EQ(sent.Values(), std::vector<long>{64});
    EXPECT_EQ(received.Values(), std::vector<long>{64});
    EXPECT_EQ(std::memcmp(in, out, 64), 0);
    EXPECT_EQ(received.thread, opened.thread);
    EXPECT_EQ(sent.thread, opened.thread);
}

TEST_F(SocketTest, ConnectToAClosedPortIsRefused) {
    const uint16_t port = ClosedPort();
    TCPSocket blocking(Loopback(port));
    EXPECT_EQ(blocking.Open(kWaitMs, false, {}), kOpenRefused);
    EXPECT_FALSE(blocking.IsOpen());

    TCPSocket async(Loopback(port));
    Probe opened;
    const long started = async.Open(kWaitMs, true, OpenTo(&opened));
    ASSERT_TRUE(opened.done.WaitFor(kWaitMs));
    EXPECT_EQ(opened.Values(), std::vector<long>{kOpenRefused});
    EXPECT_TRUE(started == kOpenPending || started == kOpenRefused);
}

// A connect that never finishes: the handle becomes the read end of a pipe, which never turns writable.
int g_neverReady = -1;
int NeverConnects(int handle, const sockaddr*, socklen_t) {
    ::dup2(g_neverReady, handle);
    errno = EINPROGRESS;
    return -1;
}

TEST_F(SocketTest, OpenThatGetsNoAnswerTimesOut) {
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    g_neverReady = pipeEnds[0];
    WinsockTable& table = GetWinsockTable();
    auto* realConnect = table.connect;
    table.connect = NeverConnects;
    {
        TCPSocket socket(Loopback(echo_.Port()));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(socket.Open(200, false, {}), kOpenTimedOut);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
        Probe opened;
        EXPECT_EQ(socket.Open(100, true, OpenTo(&opened)), kOpenPending);
        ASSERT_TRUE(opened.done.WaitFor(kWaitMs));
        EXPECT_EQ(opened.Values(), std::vector<long>{kOpenTimedOut});
    }
    table.connect = realConnect;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}

TEST_F(SocketTest, ReceiveTimesOutWithWhatItHas) {
    TCPSocket socket(Loopback(echo_.Port()));
    ASSERT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);
    ASSERT_EQ(socket.Write(3, "abc"), 3);
    char in[10];
    // Only 3 of 10 bytes will ever come back: the receive ends at its time-out with those 3 (the
    // time-out leaves the echo ample time even on a loaded machine).
    EXPECT_EQ(socket.Recv(10, in, 3000, false, {}), 3);
    Probe timed;
    socket.Recv(10, in, 100, true, TransmitTo(&timed));
    ASSERT_TRUE(timed.done.WaitFor(kWaitMs));
    EXPECT_EQ(timed.Values(), std::vector<long>{0});
    EXPECT_TRUE(socket.IsOpen());  // a time-out does not close the socket
}

TEST_F(SocketTest, TimeOutsFireInDeadlineOrder) {
    // Receives on several sockets, started in shuffled order with different time-outs; the order of
    // their completions must follow their deadlines.
    constexpr int kCount = 12;
    std::vector<std::unique_ptr<TCPSocket>> sockets;
    for (int i = 0; i < kCount; ++i) {
        sockets.push_back(std::make_unique<TCPSocket>(Loopback(echo_.Port())));
        ASSERT_EQ(sockets.back()->Open(kWaitMs, false, {}), kOpenOk);
    }
    const long timeouts[kCount] = {260, 20, 140, 380, 60, 300, 100, 200, 20, 340, 180, 240};
    Probe fired(kCount);
    std::vector<std::pair<long, long>> window(kCount);  // earliest and latest deadline, in ms
    const auto origin = std::chrono::steady_clock::now();
    auto ms = [&] {
        return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - origin)
                                     .count());
    };
    std::vector<char> sink(kCount);
    for (int i = 0; i < kCount; ++i) {
        const long before = ms();
        sockets[i]->Recv(1, &sink[i], timeouts[i], true, TransmitTo(&fired));
        window[i] = {before + timeouts[i], ms() + timeouts[i] + 1};
    }
    ASSERT_TRUE(fired.done.WaitFor(kWaitMs));
    std::vector<int> order;
    for (Socket* s : fired.sockets)
        for (int i = 0; i < kCount; ++i)
            if (s == sockets[i].get()) order.push_back(i);
    ASSERT_EQ(order.size(), static_cast<size_t>(kCount));
    for (int a = 0; a < kCount; ++a)
        for (int b = a + 1; b < kCount; ++b)
            EXPECT_LE(window[order[a]].first, window[order[b]].second) << "socket " << order[a] << " before " << order[b];
}

TEST_F(SocketTest, PeerThatSendsFourAndClosesEndsATenByteReceive) {
    tools::LoopbackServer fourThenClose([](int h) { tools::LoopbackServer::WriteAll(h, "1234", 4); ::shutdown(h, SHUT_WR); });
    TCPSocket socket(Loopback(fourThenClose.Port()));
    ASSERT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);
    char in[10];
    Probe received;
    socket.Recv(10, in, kWaitMs, true, TransmitTo(&received));
    ASSERT_TRUE(received.done.WaitFor(kWaitMs));
    EXPECT_EQ(received.Values(), std::vector<long>{4});
    EXPECT_FALSE(socket.IsRecvOpen());
    EXPECT_TRUE(socket.IsSendOpen());  // only the receiving side ended
    EXPECT_EQ(socket.Recv(10, in, kWaitMs, false, {}), 0);
}

TEST_F(SocketTest, ClosingWithOperationsPendingFinishesEveryOne) {
    TCPSocket socket(Loopback(echo_.Port()));
    ASSERT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);
    Probe pending(3), closed, caught;
    char in[3][8];
    for (auto& buffer : in) socket.Recv(8, buffer, -1, true, TransmitTo(&pending));
    socket.CatchClose(ResultTo(&caught), false);
    EXPECT_EQ(socket.Close(kWaitMs, true, ResultTo(&closed)), 0);
    ASSERT_TRUE(pending.done.WaitFor(kWaitMs));
    ASSERT_TRUE(closed.done.WaitFor(kWaitMs));
    ASSERT_TRUE(caught.done.WaitFor(kWaitMs));
    EXPECT_EQ(pending.Values(), (std::vector<long>{0, 0, 0}));
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_FALSE(socket.HasRecvPending());
    // Operations on a closed socket finish at once with nothing done.
    EXPECT_EQ(socket.Send(3, "abc", kWaitMs, false, false, {}), 0);
}

TEST_F(SocketTest, HalfCloseLetsTheRestArrive) {
    TCPSocket socket(Loopback(echo_.Port()));
    ASSERT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);
    ASSERT_EQ(socket.Write(5, "hello"), 5);
    socket.CloseSend(kWaitMs, false, {});
    EXPECT_FALSE(socket.IsSendOpen());
    char in[5];
    EXPECT_EQ(socket.Read(5, in), 5);
    EXPECT_EQ(std::string(in, 5), "hello");
    // The echo server saw the end of our sending side and closes: the socket then closes whole.
    EXPECT_EQ(socket.Read(1, in), 0);
    EXPECT_FALSE(socket.IsOpen());
}

struct SelfDestroy {
    TCPSocket* socket;
    Event done;
};
void DestroyOwnSocket(const Socket::TransmitResult&, SelfDestroy* state) {
    delete state->socket;
    state->done.Set();
}

TEST_F(SocketTest, DestroyingASocketInsideItsOwnCompletionDoesNotWait) {
    auto* state = new SelfDestroy{new TCPSocket(Loopback(echo_.Port())), Event(false)};
    ASSERT_EQ(state->socket->Open(kWaitMs, false, {}), kOpenOk);
    static char buffer[4];
    Probe other(2);
    state->socket->Recv(4, buffer, -1, true, TransmitTo(&other));  // still queued when the socket dies
    state->socket->Recv(4, buffer, -1, true, TransmitTo(&other));
    state->socket->Send(4, "ping", kWaitMs, true, false,
                        {new CompletionWithContents<const Socket::TransmitResult&, SelfDestroy*>(state, &DestroyOwnSocket, true),
                         false});
    ASSERT_TRUE(state->done.WaitFor(kWaitMs));
    ASSERT_TRUE(other.done.WaitFor(kWaitMs));
    delete state;
}

std::atomic<int> g_sendCalls{0};
ssize_t FirstSendHasNoBuffers(int handle, const void* buffer, size_t length, int flags) {
    if (g_sendCalls.fetch_add(1) == 0) {
        errno = ENOBUFS;
        return -1;
    }
    return ::send(handle, buffer, length, flags);
}

TEST_F(SocketTest, SendThatMeetsNoBuffersIsRetried) {
    TCPSocket socket(Loopback(echo_.Port()));
    ASSERT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);
    WinsockTable& table = GetWinsockTable();
    auto* realSend = table.send;
    g_sendCalls = 0;
    table.send = FirstSendHasNoBuffers;
    EXPECT_EQ(socket.Send(6, "retry!", kWaitMs, false, false, {}), 6);
    table.send = realSend;
    EXPECT_GE(g_sendCalls.load(), 2);
    char in[6];
    EXPECT_EQ(socket.Read(6, in), 6);
    EXPECT_EQ(std::string(in, 6), "retry!");
}

TEST_F(SocketTest, ReceivableCatcherFiresWhenDataArrives) {
    TCPSocket socket(Loopback(echo_.Port()));
    ASSERT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);
    Probe readable;
    socket.CatchRecvable(ResultTo(&readable), false);
    ASSERT_EQ(socket.Write(2, "hi"), 2);
    ASSERT_TRUE(readable.done.WaitFor(kWaitMs));
    EXPECT_EQ(readable.sockets[0], &socket);
    EXPECT_EQ(socket.BytesAvailable(), 2);
    char in[2];
    EXPECT_EQ(socket.Read(2, in), 2);
}

TEST_F(SocketTest, BlockingCallWithAContainerAlsoCompletesIt) {
    TCPSocket socket(Loopback(echo_.Port()));
    Event opened;
    ASSERT_EQ(socket.Open(kWaitMs, false, Socket::OpenContainer(&opened)), kOpenOk);
    EXPECT_TRUE(opened.IsSet());
    Probe sent;
    EXPECT_EQ(socket.Send(3, "abc", kWaitMs, false, false, TransmitTo(&sent)), 3);
    ASSERT_TRUE(sent.done.WaitFor(kWaitMs));
    EXPECT_NE(sent.thread, std::this_thread::get_id());
}

}  // namespace

namespace {

TEST_F(SocketTest, CloseFromAnotherThreadEndsABlockingReceive) {
    TCPSocket socket(Loopback(echo_.Port()));
    ASSERT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);
    Event started;
    long got = -1;
    std::thread receiver([&] {
        started.Set();
        char in[8];
        got = socket.Recv(8, in, -1, false, {});  // nothing will come: waits until the close
    });
    ASSERT_TRUE(started.WaitFor(kWaitMs));
    // Whether the close lands before or during the wait, the receive must end with nothing.
    socket.Close(kWaitMs, false, {});
    receiver.join();
    EXPECT_EQ(got, 0);
    EXPECT_FALSE(socket.IsOpen());
}

TEST_F(SocketTest, SenderAndReceiverThreadsShareOneSocket) {
    TCPSocket socket(Loopback(echo_.Port()));
    ASSERT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);
    constexpr int kRuns = 3000;
    std::thread sender([&] {
        for (int i = 0; i < kRuns; ++i) {
            const uint32_t value = static_cast<uint32_t>(i);
            if (socket.Send(4, &value, kWaitMs, false, false, {}) != 4) return;
        }
    });
    int inOrder = 0;
    for (int i = 0; i < kRuns; ++i) {
        uint32_t value = 0;
        if (socket.Recv(4, &value, kWaitMs, false, {}) != 4) break;
        if (value == static_cast<uint32_t>(i)) ++inOrder;
    }
    sender.join();
    EXPECT_EQ(inOrder, kRuns);
}

TEST_F(SocketTest, AsynchronousReceivesQueuedBehindABlockingOneAreServed) {
    TCPSocket socket(Loopback(echo_.Port()));
    ASSERT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);
    // One write brings back three small runs at once; the blocking receive reads them all ahead,
    // and the queued receives must still get theirs.
    Event started;
    char first[2];
    long gotFirst = -1;
    std::thread blocking([&] {
        started.Set();
        gotFirst = socket.Recv(2, first, kWaitMs, false, {});
    });
    ASSERT_TRUE(started.WaitFor(kWaitMs));
    Probe later(2);
    char second[2], third[2];
    socket.Recv(2, second, kWaitMs, true, TransmitTo(&later));
    socket.Recv(2, third, kWaitMs, true, TransmitTo(&later));
    ASSERT_EQ(socket.Write(6, "aabbcc"), 6);
    blocking.join();
    ASSERT_TRUE(later.done.WaitFor(kWaitMs));
    EXPECT_EQ(gotFirst, 2);
    EXPECT_EQ(later.Values(), (std::vector<long>{2, 2}));
    // The blocking receive may have started before or after the queued ones; together they hold
    // the three runs in order.
    std::string all = std::string(first, 2) + std::string(second, 2) + std::string(third, 2);
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, "aabbcc");
}

}  // namespace

namespace {

TEST_F(SocketTest, AbortFinishesTheFirstQueuedOperation) {
    TCPSocket socket(Loopback(echo_.Port()));
    ASSERT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);
    EXPECT_FALSE(socket.AbortRecv());  // nothing queued
    EXPECT_FALSE(socket.AbortSend());
    Probe first, second;
    char a[4], b[4];
    socket.Recv(4, a, -1, true, TransmitTo(&first));
    socket.Recv(4, b, -1, true, TransmitTo(&second));
    EXPECT_TRUE(socket.AbortRecv());
    ASSERT_TRUE(first.done.WaitFor(kWaitMs));
    EXPECT_EQ(first.Values(), std::vector<long>{0});
    EXPECT_TRUE(socket.HasRecvPending());  // the second one still waits, and gets the data
    ASSERT_EQ(socket.Write(4, "data"), 4);
    ASSERT_TRUE(second.done.WaitFor(kWaitMs));
    EXPECT_EQ(second.Values(), std::vector<long>{4});
    EXPECT_EQ(std::string(b, 4), "data");
}

TEST_F(SocketTest, ClosingTheReceivingSideFiresItsCatcherAndKeepsSending) {
    tools::LoopbackServer sink([](int h) {
        char buffer[64];
        while (::recv(h, buffer, sizeof buffer, 0) > 0) {
        }
    });
    TCPSocket socket(Loopback(sink.Port()));
    ASSERT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);
    Probe recvClosed, wholeClosed;
    socket.CatchCloseRecv(ResultTo(&recvClosed), false);
    socket.CatchClose(ResultTo(&wholeClosed), false);
    Probe pending;
    char in[4];
    socket.Recv(4, in, -1, true, TransmitTo(&pending));
    socket.CloseRecv(kWaitMs, false, {});
    ASSERT_TRUE(recvClosed.done.WaitFor(kWaitMs));
    ASSERT_TRUE(pending.done.WaitFor(kWaitMs));
    EXPECT_EQ(pending.Values(), std::vector<long>{0});
    EXPECT_FALSE(socket.IsRecvOpen());
    EXPECT_TRUE(socket.IsSendOpen());
    EXPECT_EQ(socket.Send(3, "abc", kWaitMs, false, false, {}), 3);
    EXPECT_FALSE(wholeClosed.done.IsSet());
    socket.Close(kWaitMs, false, {});
    ASSERT_TRUE(wholeClosed.done.WaitFor(kWaitMs));
}

TEST_F(SocketTest, PeerCloseOnAClosingSocketClosesItWhole) {
    tools::LoopbackServer closes([](int h) { ::shutdown(h, SHUT_RDWR); });
    TCPSocket socket(Loopback(closes.Port()), /*closeOnPeerClose=*/true);
    ASSERT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);
    Probe closed;
    socket.CatchClose(ResultTo(&closed), false);
    char in[1];
    EXPECT_EQ(socket.Recv(1, in, kWaitMs, false, {}), 0);
    ASSERT_TRUE(closed.done.WaitFor(kWaitMs));
    EXPECT_FALSE(socket.IsOpen());
}

}  // namespace

namespace {

TEST_F(SocketTest, QueuedReceivesTakeTheDataInTheirOrder) {
    TCPSocket socket(Loopback(echo_.Port()));
    ASSERT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);
    Probe all(3);
    char runs[3][2];
    for (auto& run : runs) socket.Recv(2, run, kWaitMs, true, TransmitTo(&all));
    ASSERT_EQ(socket.Write(6, "aabbcc"), 6);
    ASSERT_TRUE(all.done.WaitFor(kWaitMs));
    EXPECT_EQ(std::string(runs[0], 2) + std::string(runs[1], 2) + std::string(runs[2], 2), "aabbcc");
}

}  // namespace

namespace {

TEST_F(SocketTest, ReceivableCatcherSeesBytesAlreadyReadAhead) {
    TCPSocket socket(Loopback(echo_.Port()));
    ASSERT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);
    ASSERT_EQ(socket.Write(4, "abcd"), 4);
    char in[2];
    ASSERT_EQ(socket.Read(2, in), 2);  // may read all four ahead
    Probe readable;
    socket.CatchRecvable(ResultTo(&readable), false);
    ASSERT_TRUE(readable.done.WaitFor(kWaitMs));
    EXPECT_EQ(socket.Read(2, in), 2);
    EXPECT_EQ(std::string(in, 2), "cd");
}

}  // namespace
