// The authenticated socket and authenticated directory requests against our directory server's
// secure side, with an identity logged in at our authentication server.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "Tarn/authsocket/AuthSocket.h"
#include "Tarn/dir/DirectoryClient.h"
#include "Tarn/identity/tests/AuthFixture.h"
#include "Tarn/msg/Dir/SMsgDirG2Query.h"
#include "Tarn/msg/Dir/SMsgDirG2Update.h"
#include "tools/tarn-server/DirectoryServer.h"

namespace {

using namespace TarnAPI;
using tarntest::Loopback;
using tarntest::TestNow;

constexpr long kTimeout = 10000;
const char kAddress[] = {0x30, 0x39, 127, 0, 0, 1};

class SecureDirectory : public tarntest::AuthFixture {
protected:
    void SetUp() override {
        AuthFixture::SetUp();
        directory.EnableSecure(keys, [] { return TestNow().load(); });
        alice = Alice();
    }
    void TearDown() override {
        DirWaitForRequests();
        AuthFixture::TearDown();
    }

    std::unique_ptr<AuthSocket> Connect() {
        auto socket = std::make_unique<AuthSocket>(alice.get(), new TCPSocket(Loopback(directory.Port())), true, 4,
                                                   true, true, false, true);
        return socket;
    }
    long Add(const sockaddr_in& server) {
        return DirAddEntityA(alice.get(), &server, 1, nullptr, "/Gravelon/Dir_1", "Kestrun", "Secure race", kAddress, 6,
                             120, 1, 0, {}, kTimeout, false, {});
    }
    // A request through an open socket, and its status reply.
    long StatusThrough(AuthSocket& socket) {
        TarnMsg::SMsgDirG2RenewEntity renew(true);
        renew.SetPath(u"/Gravelon/Dir_1");
        renew.SetName(u"Kestrun");
        socket.SendBaseMsg(&renew, kTimeout, false, false, {});
        bool encrypted = false, expired = false;
        std::unique_ptr<TarnMsg::BaseMessage> reply(socket.RecvBaseMsg(false, kTimeout, &encrypted, &expired));
        if (!reply) return expired ? -7000 : -9000;
        EXPECT_TRUE(encrypted);
        return TarnMsg::SMsgDirG2StatusReply(dynamic_cast<TarnMsg::SmallMessage&>(*reply)).GetStatus();
    }

    tarnserver::DirectoryStore store{[] { return TestNow().load(); }};
    tarnserver::DirectoryServer directory{store};
    std::unique_ptr<Identity> alice;
};

TEST_F(SecureDirectory, AuthenticatedRequestsTravelEncrypted) {
    const sockaddr_in server = Loopback(directory.Port());
    ASSERT_EQ(Add(server), kDirOk);
    EXPECT_EQ(directory.Sessions(), 1u);
    std::vector<TarnMsg::DirEntity> list;
    ASSERT_EQ(DirQueryA(alice.get(), &server, 1, nullptr, "/Gravelon/Dir_1", &list, 0x07030F72, {}, nullptr, kTimeout,
                        false, {}),
              kDirOk);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].displayName, u"Secure race");
    EXPECT_EQ(auth->Logins(), 1u);  // the certificate is reused for the second request
}

TEST_F(SecureDirectory, SocketKeepsItsSessionAcrossRequests) {
    auto socket = Connect();
    ASSERT_EQ(socket->Open(true, kTimeout, false, {}), 0);
    EXPECT_TRUE(socket->IsAuthenticated());
    EXPECT_NE(socket->GetSessionId(), 0);
    ASSERT_TRUE(socket->GetPeerCertificate());
    EXPECT_EQ(socket->GetPeerCertificate()->GetUserId(), tarnserver::kDirectoryUserId);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(StatusThrough(*socket), tarnserver::kNotFound);
}

struct ExchangeCase {
    const char* name;
    tarnserver::SecureFaults faults;
    long result;
};

class ExchangeFaults : public SecureDirectory, public ::testing::WithParamInterface<ExchangeCase> {};

TEST_P(ExchangeFaults, EndWithTheDefinedResult) {
    directory.SetSecureFaults(GetParam().faults);
    auto socket = Connect();
    EXPECT_EQ(socket->Open(true, kTimeout, false, {}), GetParam().result);
    EXPECT_EQ(socket->IsAuthenticated(), GetParam().result == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Secure, ExchangeFaults,
    ::testing::Values(ExchangeCase{"Good", {}, 0}, ExchangeCase{"KeepWaitingFirst", {.keepWaitingFirst = true}, 0},
                      ExchangeCase{"CompleteMinus5", {.completeStatus = -5}, -5},
                      ExchangeCase{"BadEcho", {.badEcho = true}, kAuthSocketBadEcho},
                      ExchangeCase{"UnknownSigner", {.certificateUnknownKey = true}, kAuthSocketBadServer},
                      ExchangeCase{"ExpiredCertificate", {.certificateExpired = true}, kAuthSocketBadServer},
                      ExchangeCase{"UserCertificate", {.certificateOfAUser = true}, kAuthSocketBadServer},
                      ExchangeCase{"SecretLength0", {.secretLength = 0}, kAuthSocketBadSecret},
                      ExchangeCase{"SecretLength3", {.secretLength = 3}, kAuthSocketBadSecret},
                      ExchangeCase{"SecretLength57", {.secretLength = 57}, kAuthSocketBadSecret},
                      ExchangeCase{"LengthWordWrong", {.secretLengthWordWrong = true}, kAuthSocketBadSecret}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(SecureDirectory, ConcurrentAuthenticateCallsShareOneExchange) {
    auto socket = Connect();
    ASSERT_EQ(socket->Open(false, kTimeout, false, {}), 0);
    auth->HoldReplies(true);  // the exchange waits in the identity's login
    long first = -1, second = -1;
    std::thread a([&] { first = socket->Authenticate(false, kTimeout, false, {}); });
    for (int i = 0; i < 20000 && auth->Connections() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::thread b([&] { second = socket->Authenticate(false, kTimeout, false, {}); });
    auth->HoldReplies(false);
    a.join();
    b.join();
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(directory.Sessions(), 1u);
}

TEST_F(SecureDirectory, FailedForcedExchangeLeavesTheSessionIntact) {
    auto socket = Connect();
    ASSERT_EQ(socket->Open(true, kTimeout, false, {}), 0);
    const uint16_t session = socket->GetSessionId();
    directory.SetSecureFaults({.badEcho = true});
    EXPECT_EQ(socket->Authenticate(true, kTimeout, false, {}), kAuthSocketBadEcho);
    EXPECT_TRUE(socket->IsAuthenticated());
    EXPECT_EQ(socket->GetSessionId(), session);
}

TEST_F(SecureDirectory, ExpiredSessionAuthenticatesAgainOnce) {
    directory.SetSecureFaults({.sessionExpiresAfter = 1});
    const sockaddr_in server = Loopback(directory.Port());
    ASSERT_EQ(Add(server), kDirOk);
    auto socket = Connect();
    ASSERT_EQ(socket->Open(true, kTimeout, false, {}), 0);
    EXPECT_EQ(StatusThrough(*socket), tarnserver::kNotFound);  // answered within the session
    EXPECT_EQ(StatusThrough(*socket), -7000);  // expired: no data, no longer authenticated
    EXPECT_FALSE(socket->IsAuthenticated());

    // The client's request goes on after one new exchange...
    const uint32_t before = directory.Sessions();
    ASSERT_EQ(Add(server), kDirOk);
    EXPECT_EQ(directory.Sessions(), before + 1);
    // ...but a session that expires at once is given up after one retry.
    directory.SetSecureFaults({.sessionExpiresAfter = 0});
    EXPECT_EQ(Add(server), kDirNoReply);
    EXPECT_EQ(directory.Sessions(), before + 3);
}

TEST_F(SecureDirectory, ReplyOutOfSequenceClosesTheStream) {
    directory.SetSecureFaults({.sequenceSkip = true});
    auto socket = Connect();
    ASSERT_EQ(socket->Open(true, kTimeout, false, {}), 0);
    EXPECT_EQ(StatusThrough(*socket), -9000);
    EXPECT_FALSE(socket->IsRecvOpen());
}

TEST_F(SecureDirectory, RequestWhoseIdentityCannotLogInGoesNowhere) {
    auth->SetFaults({.status = -1});
    const sockaddr_in server = Loopback(directory.Port());
    sockaddr_in out = server;
    EXPECT_EQ(DirAddEntityA(alice.get(), &server, 1, &out, "/Gravelon/Dir_1", "Kestrun", "x", kAddress, 6, 120, 1, 0,
                            {}, kTimeout, false, {}),
              kAuthBadPassword);
    EXPECT_TRUE(IsEmptyServerRecord(out));
    EXPECT_EQ(directory.Connections(), 0u);
}

}  // namespace
