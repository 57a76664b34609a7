#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Tarn/api/TMsgSocket.h"
#include "Tarn/api/WSSocket.h"
#include "Tarn/api/tests/SocketTestSupport.h"
#include "Tarn/common/EventLog.h"
#include "Tarn/msg/BadMsgException.h"
#include "Tarn/msg/Comm/TMsgCommStatusReply.h"
#include "tools/loopback/LoopbackServer.h"

using namespace TarnAPI;
using namespace tarntest;
using TarnMsg::BaseMessage;

namespace {

// A server that reads a fixed number of bytes, keeps them, and then answers with scripted bytes.
struct Scripted {
    size_t readCount = 0;
    std::vector<uint8_t> reply;
    bool closeAfter = true;
    std::vector<uint8_t> seen;
    Event replied;
};

class MsgSocketTest : public ::testing::Test {
protected:
    void SetUp() override { TarnCommon::SetEventLogFolder("/nonexistent-folder-for-tests"); }
    void TearDown() override { TarnCommon::SetEventLogFolder(""); }

    // A message socket over a connected TCP socket to the port, owning it.
    static std::unique_ptr<TMsgSocket> Connect(uint16_t port, uint8_t width) {
        auto socket = std::make_unique<TMsgSocket>(new TCPSocket(Loopback(port)), width, 65535);
        socket->SetOwnsInner(true);
        EXPECT_EQ(socket->Open(kWaitMs, false, {}), kOpenOk);
        return socket;
    }
};

std::unique_ptr<tools::LoopbackServer> ServeScript(Scripted& script) {
    return std::make_unique<tools::LoopbackServer>([&script](int h) {
        script.seen.resize(script.readCount);
        if (script.readCount && !tools::LoopbackServer::ReadExactly(h, script.seen.data(), script.readCount)) return;
        tools::LoopbackServer::WriteAll(h, script.reply.data(), script.reply.size());
        script.replied.Set();
        if (script.closeAfter) ::shutdown(h, SHUT_RDWR);
        else {
            char sink;
            while (::recv(h, &sink, 1, 0) > 0) {
            }
        }
    });
}

TEST_F(MsgSocketTest, PrefixCountsItselfInEveryWidth) {
    struct Case {
        uint8_t width;
        long length;
        std::vector<uint8_t> prefix;
    };
    const Case cases[] = {
        {1, 10, {11}},
        {1, 254, {255}},
        {2, 300, {0x2E, 0x01}},
        {4, 70000, {0x74, 0x11, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.width));
        Scripted script;
        script.readCount = c.prefix.size() + static_cast<size_t>(c.length);
        auto server = ServeScript(script);
        auto socket = Connect(server->Port(), c.width);
        std::vector<uint8_t> body(static_cast<size_t>(c.length));
        for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i * 7);
        EXPECT_TRUE(socket->SendMsg(c.length, body.data(), kWaitMs, false, false, {}));
        ASSERT_TRUE(script.replied.WaitFor(kWaitMs));
        std::vector<uint8_t> expected = c.prefix;
        expected.insert(expected.end(), body.begin(), body.end());
        EXPECT_EQ(script.seen, expected);
    }
}

TEST_F(MsgSocketTest, OversizedSendsAreRefusedBeforeAnythingGoesOut) {
    tools::LoopbackServer echo;
    for (const auto& [width, length] : std::vector<std::pair<uint8_t, long>>{{1, 255}, {2, 65534}, {4, 131069}}) {
        auto socket = Connect(echo.Port(), width);
        std::vector<uint8_t> body(static_cast<size_t>(length));
        Event failed;
        EXPECT_FALSE(socket->SendMsg(length, body.data(), kWaitMs, false, false, TMsgSocket::SendMsgContainer(&failed)));
        EXPECT_TRUE(failed.IsSet());
        EXPECT_TRUE(socket->IsOpen());
    }
}

TEST_F(MsgSocketTest, ReceivedPrefixesAreCheckedBeforeAllocating) {
    struct Case {
        const char* name;
        uint8_t width;
        std::vector<uint8_t> bytes;
        long length;       // of the first receive
        bool stillOpen;    // after it
    };
    const Case cases[] = {
        {"empty with 1-byte prefix", 1, {0x01, 0x03, 'a', 'b'}, 0, true},
        {"empty with 4-byte prefix", 4, {0x04, 0, 0, 0}, 0, false},
        {"prefix smaller than itself", 2, {0x01, 0x00, 'x'}, 0, false},
        {"huge 4-byte prefix", 4, {0xF0, 0xFF, 0xFF, 0xFF, 'x'}, 0, false},
        {"one past the largest message", 4, {0x01, 0x00, 0x02, 0x00, 'x'}, 0, false},
        {"short prefix then close", 2, {0x05}, 0, false},
        {"body cut short by the peer", 1, {11, 1, 2, 3}, 0, false},
        {"whole message", 2, {0x05, 0x00, 'a', 'b', 'c'}, 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scripted script;
        script.reply = c.bytes;
        script.closeAfter = false;
        if (std::string(c.name).find("close") != std::string::npos || std::string(c.name).find("cut") != std::string::npos)
            script.closeAfter = true;
        auto server = ServeScript(script);
        auto socket = Connect(server->Port(), c.width);
        long length = -1;
        uint8_t* buffer = socket->RecvMsg(nullptr, &length, kWaitMs, false, {});
        EXPECT_EQ(buffer != nullptr, c.length > 0);
        EXPECT_EQ(length, c.length);
        std::free(buffer);
        EXPECT_EQ(socket->IsOpen(), c.stillOpen);
    }
}

TEST_F(MsgSocketTest, EmptyMessageLeavesTheStreamInStep) {
    Scripted script;
    script.reply = {0x01, 0x03, 'a', 'b'};
    script.closeAfter = false;
    auto server = ServeScript(script);
    auto socket = Connect(server->Port(), 1);
    long length = -1;
    EXPECT_EQ(socket->RecvMsg(nullptr, &length, kWaitMs, false, {}), nullptr);
    uint8_t* buffer = socket->RecvMsg(nullptr, &length, kWaitMs, false, {});
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 2), "ab");
    std::free(buffer);
}

TEST_F(MsgSocketTest, PeerClosingMidMessageFailsAnAsynchronousReceive) {
    Scripted script;
    script.reply = {14, 0, 0, 0, 1, 2, 3};  // a 10-byte body announced (width 4), 3 bytes sent
    auto server = ServeScript(script);
    auto socket = Connect(server->Port(), 4);
    struct Got {
        Event done;
        uint8_t* buffer = reinterpret_cast<uint8_t*>(1);
        long length = -1;
        TMsgSocket* socket = nullptr;
    } got;
    auto onReceived = [](const TMsgSocket::RecvMsgResult& r, Got* g) {
        g->buffer = r.buffer;
        g->length = r.length;
        g->socket = r.socket;
        g->done.Set();
    };
    EXPECT_EQ(socket->RecvMsg(nullptr, nullptr, kWaitMs, true,
                              {new CompletionWithContents<const TMsgSocket::RecvMsgResult&, Got*>(&got, onReceived, true),
                               false}),
              nullptr);
    ASSERT_TRUE(got.done.WaitFor(kWaitMs));
    EXPECT_EQ(got.buffer, nullptr);
    EXPECT_EQ(got.length, 0);
    EXPECT_EQ(got.socket, socket.get());
    EXPECT_FALSE(socket->IsOpen());
}

TEST_F(MsgSocketTest, MakeMessageChoosesTheClassByTheFirstByte) {
    struct Case {
        std::vector<uint8_t> bytes;
        bool built;
        BaseMessage::MessageClass messageClass;
    };
    const Case cases[] = {
        {{3, 1, 2}, true, BaseMessage::kMiniMessage},
        {{5, 1, 0, 2, 0}, true, BaseMessage::kSmallMessage},
        {{7, 1, 0, 0, 0, 2, 0, 0, 0}, true, BaseMessage::kLargeMessage},
        {{0xCB, 0, 0, 0, 1, 0, 0, 0}, true, BaseMessage::kTMessage},
        {{2, 0, 0, 0, 0, 0, 0, 0}, false, BaseMessage::kTMessage},
        {{4, 0, 0}, false, BaseMessage::kTMessage},
        {{6, 1, 0, 2, 0}, false, BaseMessage::kTMessage},
        {{8, 0}, false, BaseMessage::kTMessage},
        {{}, false, BaseMessage::kTMessage},
    };
    for (const Case& c : cases) {
        std::unique_ptr<BaseMessage> m(TMsgSocket::MakeMessage(c.bytes.data(), static_cast<long>(c.bytes.size())));
        EXPECT_EQ(m != nullptr, c.built);
        if (m) {
            EXPECT_EQ(m->GetMessageClass(), c.messageClass);
        }
    }
    const uint8_t shortSmall[] = {5, 1, 0};
    try {
        TMsgSocket::MakeMessage(shortSmall, 3);
        ADD_FAILURE() << "a message shorter than its header was built";
    } catch (TarnMsg::BadMsgException& e) {
        e.SetLogged(false);
    }
}

TEST_F(MsgSocketTest, BaseMessagesRoundTripAndMalformedOnesCloseTheStream) {
    tools::LoopbackServer echo;
    auto socket = Connect(echo.Port(), 2);
    TarnMsg::TMsgCommStatusReply reply;
    reply.SetStatus(-14);
    EXPECT_TRUE(socket->SendBaseMsg(&reply, kWaitMs, false, false, {}));
    BaseMessage* stored = nullptr;
    std::unique_ptr<BaseMessage> back(socket->RecvBaseMsg(&stored, kWaitMs, false, {}));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(stored, back.get());
    auto* asT = dynamic_cast<TarnMsg::TMessage*>(back.get());
    ASSERT_NE(asT, nullptr);
    TarnMsg::TMsgCommStatusReply read(*asT);
    EXPECT_EQ(read.GetStatus(), -14);

    const uint8_t truncatedSmall[] = {5, 1};  // first byte says SmallMessage, 2 bytes only
    EXPECT_TRUE(socket->SendMsg(2, truncatedSmall, kWaitMs, false, false, {}));
    EXPECT_EQ(socket->RecvBaseMsg(nullptr, kWaitMs, false, {}), nullptr);
    EXPECT_FALSE(socket->IsOpen());
}

TEST_F(MsgSocketTest, RawBytesCompleteAtOnceWithNothing) {
    tools::LoopbackServer echo;
    auto socket = Connect(echo.Port(), 2);
    Probe sent, received;
    EXPECT_EQ(socket->Send(3, "abc", kWaitMs, true, false, TransmitTo(&sent)), 0);
    EXPECT_EQ(socket->Recv(3, nullptr, kWaitMs, true, TransmitTo(&received)), 0);
    EXPECT_TRUE(sent.done.IsSet());
    EXPECT_TRUE(received.done.IsSet());
    EXPECT_EQ(sent.Values(), std::vector<long>{0});
    EXPECT_EQ(sent.sockets[0], socket.get());
}

TEST_F(MsgSocketTest, RelayedResultsNameTheMessageSocket) {
    tools::LoopbackServer echo;
    TMsgSocket socket(new TCPSocket(Loopback(echo.Port())), 2, 65535);
    socket.SetOwnsInner(true);
    Probe opened, caught, closed;
    ASSERT_EQ(socket.Open(kWaitMs, true, OpenTo(&opened)), kOpenPending);
    ASSERT_TRUE(opened.done.WaitFor(kWaitMs));
    EXPECT_EQ(opened.Values(), std::vector<long>{kOpenOk});
    EXPECT_EQ(opened.sockets[0], &socket);
    socket.CatchClose(ResultTo(&caught), true);  // kept armed: the relay owns the caller's completion
    socket.Close(kWaitMs, true, ResultTo(&closed));
    ASSERT_TRUE(closed.done.WaitFor(kWaitMs));
    ASSERT_TRUE(caught.done.WaitFor(kWaitMs));
    EXPECT_EQ(closed.sockets[0], &socket);
    EXPECT_EQ(caught.sockets[0], &socket);
}

// A thousand messages of different sizes in flight at once through the echo server, all sent and
// all receives queued before the first one completes; every receive gets its own message, in order.
struct Flight {
    std::mutex lock;
    int received = 0;
    int sent = 0;
    int wrong = 0;
    Event allReceived, allSent;
    static constexpr int kCount = 1000;
};

std::vector<uint8_t> MessageNumber(int i) {
    std::vector<uint8_t> body(static_cast<size_t>(1 + (i * 37) % 600));
    for (size_t k = 0; k < body.size(); ++k) body[k] = static_cast<uint8_t>(i + k);
    body[0] = static_cast<uint8_t>(i);
    return body;
}

void OnFlightReceived(const TMsgSocket::RecvMsgResult& r, Flight* f) {
    bool all;
    {
        std::lock_guard<std::mutex> hold(f->lock);
        const std::vector<uint8_t> expected = MessageNumber(f->received);
        if (!r.buffer || r.length != static_cast<long>(expected.size()) ||
            std::memcmp(r.buffer, expected.data(), expected.size()) != 0)
            ++f->wrong;
        std::free(r.buffer);
        all = ++f->received == Flight::kCount;
    }
    if (all) f->allReceived.Set();
}

void OnFlightSent(const TMsgSocket::SendMsgResult& r, Flight* f) {
    bool all;
    {
        std::lock_guard<std::mutex> hold(f->lock);
        if (!r.success) ++f->wrong;
        all = ++f->sent == Flight::kCount;
    }
    if (all) f->allSent.Set();
}

TEST_F(MsgSocketTest, AThousandMessagesInFlight) {
    tools::LoopbackServer echo;
    auto socket = Connect(echo.Port(), 2);
    Flight flight;
    for (int i = 0; i < Flight::kCount; ++i)
        socket->RecvMsg(nullptr, nullptr, kWaitMs, true,
                        {new CompletionWithContents<const TMsgSocket::RecvMsgResult&, Flight*>(&flight, &OnFlightReceived, true),
                         false});
    for (int i = 0; i < Flight::kCount; ++i) {
        const std::vector<uint8_t> body = MessageNumber(i);
        socket->SendMsg(static_cast<long>(body.size()), body.data(), kWaitMs, true, false,
                        {new CompletionWithContents<const TMsgSocket::SendMsgResult&, Flight*>(&flight, &OnFlightSent, true),
                         false});
    }
    ASSERT_TRUE(flight.allSent.WaitFor(kWaitMs * 2));
    ASSERT_TRUE(flight.allReceived.WaitFor(kWaitMs * 2));
    std::lock_guard<std::mutex> hold(flight.lock);
    EXPECT_EQ(flight.wrong, 0);
}

TEST_F(MsgSocketTest, DestroyingWithAReceivePendingCompletesIt) {
    tools::LoopbackServer echo;
    auto socket = Connect(echo.Port(), 4);
    Probe received;
    auto onReceived = [](const TMsgSocket::RecvMsgResult& r, Probe* p) { p->Record(r.socket, r.length); };
    socket->RecvMsg(nullptr, nullptr, -1, true,
                    {new CompletionWithContents<const TMsgSocket::RecvMsgResult&, Probe*>(&received, onReceived, true),
                     false});
    socket.reset();
    EXPECT_TRUE(received.done.IsSet());
    EXPECT_EQ(received.Values(), std::vector<long>{0});
}

// A message socket that does not own its inner socket leaves it open when destroyed, also with a
// receive of its own still under way, which ends; the inner socket's owner goes on using it.
TEST_F(MsgSocketTest, DestroyingWithoutOwningLeavesTheInnerSocketOpen) {
    tools::LoopbackServer echo;
    TCPSocket inner(Loopback(echo.Port()));
    ASSERT_EQ(inner.Open(kWaitMs, false, {}), kOpenOk);
    Probe received;
    {
        TMsgSocket socket(&inner, 2, 65535);
        EXPECT_TRUE(socket.SendMsg(3, "abc", kWaitMs, false, false, {}));
        long length = 0;
        uint8_t* echoed = socket.RecvMsg(nullptr, &length, kWaitMs, false, {});
        ASSERT_NE(echoed, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(echoed), static_cast<size_t>(length)), "abc");
        std::free(echoed);
        auto onReceived = [](const TMsgSocket::RecvMsgResult& r, Probe* p) { p->Record(r.socket, r.length); };
        socket.RecvMsg(nullptr, nullptr, -1, true,
                       {new CompletionWithContents<const TMsgSocket::RecvMsgResult&, Probe*>(&received, onReceived, true),
                        false});
    }
    EXPECT_TRUE(received.done.IsSet()) << "the receive under way ended with the message socket";
    EXPECT_EQ(received.Values(), std::vector<long>{0});
    ASSERT_TRUE(inner.IsOpen());
    EXPECT_FALSE(inner.HasRecvPending());
    // The owner's raw bytes still travel both ways.
    EXPECT_EQ(inner.Send(4, "wxyz", kWaitMs, false, false, {}), 4);
    char back[4] = {};
    EXPECT_EQ(inner.Recv(4, back, kWaitMs, false, {}), 4);
    EXPECT_EQ(std::string(back, 4), "wxyz");
    inner.Close(kWaitMs, false, {});
}

TEST_F(MsgSocketTest, DatagramMessagesTravelWithoutPrefix) {
    const int peer = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(peer, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::getsockname(peer, reinterpret_cast<sockaddr*>(&address), &size);
    TMsgSocket socket(new UDPSocket(address), 2, 0);
    socket.SetOwnsInner(true);
    ASSERT_EQ(socket.Open(kWaitMs, false, {}), kOpenOk);
    EXPECT_EQ(socket.GetType(), Socket::kDatagram);
    EXPECT_TRUE(socket.SendMsg(5, "hello", kWaitMs, false, false, {}));
    char in[16];
    sockaddr_in from{};
    socklen_t fromSize = sizeof from;
    ASSERT_EQ(::recvfrom(peer, in, sizeof in, 0, reinterpret_cast<sockaddr*>(&from), &fromSize), 5);
    EXPECT_EQ(std::string(in, 5), "hello");
    ASSERT_EQ(::sendto(peer, "ok", 2, 0, reinterpret_cast<sockaddr*>(&from), fromSize), 2);
    long length = 0;
    uint8_t* buffer = socket.RecvMsg(nullptr, &length, kWaitMs, false, {});
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(length, 2);  // the largest datagram is 0: a 2-byte buffer
    std::free(buffer);
    ::close(peer);
}

}  // namespace
