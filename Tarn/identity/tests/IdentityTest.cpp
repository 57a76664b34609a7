// Identity login against our authentication server on loopback.
#include <gtest/gtest.h>

#include <thread>

#include "Tarn/api/Event.h"
#include "Tarn/identity/tests/AuthFixture.h"

namespace {

using namespace TarnAPI;
using tarntest::AuthFixture;
using tarntest::Loopback;
using tarntest::TestNow;

constexpr long kTimeout = 10000;

class IdentityLogin : public AuthFixture {};

TEST_F(IdentityLogin, SucceedsAndSetsCertificateKeyNicknameAndRenewal) {
    auto alice = Alice();
    ASSERT_EQ(alice->Authenticate(false, false, kTimeout, false, {}), kAuthOk);
    auto certificate = alice->GetCertificate();
    ASSERT_TRUE(certificate);
    EXPECT_FALSE(certificate->IsEmpty());
    ASSERT_TRUE(alice->GetPrivateKey());
    // The key is the one the certificate names.
    EXPECT_EQ(alice->GetPrivateKey()->GetPublicKey()->GetKeyLen(), certificate->GetPublicKey().GetKeyLen());
    EXPECT_EQ(alice->GetNickname(), u"Ally");
    EXPECT_TRUE(alice->GetNicknameFlag());
    EXPECT_EQ(alice->GetReplyTexts(), std::vector<std::u16string>{u"welcome"});
    EXPECT_EQ(alice->GetRenewalTime(), TestNow() + 3660);
}

TEST_F(IdentityLogin, EmptyNicknameRecordTakesTheUserName) {
    TarnAPI::Identity bob(u"bob", u"pw", {Loopback(auth->Port())});
    ASSERT_EQ(bob.Authenticate(false, false, kTimeout, false, {}), kAuthOk);
    EXPECT_EQ(bob.GetNickname(), u"bob");
}

TEST_F(IdentityLogin, ReusesTheCertificateUntilTwoMinutesBeforeRenewal) {
    auto alice = Alice();
    ASSERT_EQ(alice->AuthenticateIfNeeded(false, kTimeout, false, {}), kAuthOk);
    ASSERT_EQ(auth->Logins(), 1u);
    const int64_t start = TestNow();
    TestNow() = alice->GetRenewalTime() - 121;
    EXPECT_EQ(alice->AuthenticateIfNeeded(false, kTimeout, false, {}), kAuthOk);
    EXPECT_EQ(auth->Logins(), 1u);
    TestNow() = alice->GetRenewalTime() - 120;
    EXPECT_EQ(alice->AuthenticateIfNeeded(false, kTimeout, false, {}), kAuthOk);
    EXPECT_EQ(auth->Logins(), 2u);
    TestNow() = start;
}

TEST_F(IdentityLogin, WithoutVerifierKeyFailsUntilTheRegistryHoldsIt) {
    ClearRegistry();
    auto alice = Alice();
    EXPECT_EQ(alice->Authenticate(false, false, kTimeout, false, {}), kAuthNoVerifier);
    EXPECT_FALSE(alice->GetCertificate());
    StoreVerifierKey();
    EXPECT_EQ(alice->Authenticate(false, false, kTimeout, false, {}), kAuthOk);
}

TEST_F(IdentityLogin, FailsOverToTheNextServerAndReportsTheLast) {
    const uint16_t closed = tarntest::ClosedPort();
    auto alice = Alice({Loopback(closed), Loopback(closed), Loopback(auth->Port())});
    EXPECT_EQ(alice->Authenticate(false, false, kTimeout, false, {}), kAuthOk);
    auto nobody = Alice({Loopback(closed), Loopback(closed)});
    EXPECT_EQ(nobody->Authenticate(false, false, kTimeout, false, {}), 100008);  // refused
    TarnAPI::Identity none(u"alice", u"secret", {});
    EXPECT_EQ(none.Authenticate(false, false, kTimeout, false, {}), kAuthNoServers);
}

TEST_F(IdentityLogin, ForgedKeyBlockIsRefusedAndTheNextServerUsed) {
    auth->SetFaults({.badBlockSignature = true});
    auto good = MakeAuthServer();
    auto alice = Alice({Loopback(auth->Port()), Loopback(good->Port())});
    EXPECT_EQ(alice->Authenticate(false, false, kTimeout, false, {}), kAuthOk);
    EXPECT_EQ(auth->Logins(), 0u);
    EXPECT_EQ(good->Logins(), 1u);
}

TEST_F(IdentityLogin, CertificateSignedByTheSecondKeyOfTheBlockVerifies) {
    auth->SetFaults({.certBySecondKey = true});
    EXPECT_EQ(Alice()->Authenticate(false, false, kTimeout, false, {}), kAuthOk);
}

TEST_F(IdentityLogin, WrongPasswordAndServerStatuses) {
    TarnAPI::Identity wrong(u"alice", u"guess", {Loopback(auth->Port())});
    EXPECT_EQ(wrong.Authenticate(false, false, kTimeout, false, {}), kAuthBadPassword);
    struct Case {
        int16_t status;
        long result;
    };
    for (const Case c : {Case{-4, kAuthRefused}, Case{-1503, -1503}, Case{-7, kAuthBadReply}}) {
        auth->SetFaults({.status = c.status});
        EXPECT_EQ(Alice()->Authenticate(false, false, kTimeout, false, {}), c.result) << c.status;
    }
}

TEST_F(IdentityLogin, ReplyWithoutEchoOrWithAShortNicknameChangesNothing) {
    for (const tarnserver::AuthFaults faults : {tarnserver::AuthFaults{.dropEcho = true},
                                                tarnserver::AuthFaults{.shortNickname = true}}) {
        auth->SetFaults(faults);
        auto alice = Alice();
        EXPECT_EQ(alice->Authenticate(false, false, kTimeout, false, {}), kAuthBadReply);
        EXPECT_FALSE(alice->GetCertificate());
        EXPECT_FALSE(alice->GetPrivateKey());
        EXPECT_EQ(alice->GetRenewalTime(), 0);
    }
}

TEST_F(IdentityLogin, NewPasswordIsTakenAfterSuccess) {
    auto alice = Alice();
    ASSERT_EQ(alice->Authenticate(false, false, u"better", kTimeout, false, {}), kAuthOk);
    EXPECT_EQ(alice->GetPassword(), u"better");
    TarnAPI::Identity again(u"alice", u"better", {Loopback(auth->Port())});
    EXPECT_EQ(again.Authenticate(false, false, kTimeout, false, {}), kAuthOk);
}

struct Seen {
    TarnAPI::Event done;
    std::atomic<int> calls{0};
    std::atomic<long> result{-1};
};
void Record(const TarnAPI::Identity::AuthResult& r, Seen* seen) {
    seen->result = r.result;
    ++seen->calls;
    seen->done.Set();
}
TarnAPI::Identity::AuthContainer To(Seen* seen) {
    return {new TarnAPI::CompletionWithContents<const TarnAPI::Identity::AuthResult&, Seen*>(seen, &Record, true),
            false};
}

TEST_F(IdentityLogin, OverlappingLoginsShareOneExchangeAndAChangeRequestWaitsForNoOne) {
    // Another identity's login brings the key block, so that alice's goes straight to the login.
    TarnAPI::Identity bob(u"bob", u"pw", {Loopback(auth->Port())});
    ASSERT_EQ(bob.Authenticate(false, false, kTimeout, false, {}), kAuthOk);
    auto alice = Alice();
    auth->HoldReplies(true);
    Seen first, second, change;
    EXPECT_EQ(alice->Authenticate(false, false, kTimeout, true, To(&first)), kAuthPending);
    // Waits until the first login is at the server, its reply held there.
    for (int i = 0; i < 20000 && auth->Logins() < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(auth->Logins(), 2u);
    EXPECT_EQ(alice->Authenticate(false, false, kTimeout, true, To(&second)), kAuthPending);
    // A change while a login runs: refused to that caller alone, the others still waiting.
    EXPECT_EQ(alice->Authenticate(true, false, kTimeout, true, To(&change)), kAuthBusy);
    EXPECT_EQ(change.result.load(), kAuthBusy);
    EXPECT_FALSE(first.done.IsSet());
    EXPECT_FALSE(second.done.IsSet());
    auth->HoldReplies(false);
    ASSERT_TRUE(first.done.WaitFor(30000));
    ASSERT_TRUE(second.done.WaitFor(30000));
    EXPECT_EQ(first.result.load(), kAuthOk);
    EXPECT_EQ(second.result.load(), kAuthOk);
    EXPECT_EQ(first.calls.load() + second.calls.load(), 2);
    EXPECT_EQ(auth->Logins(), 2u);  // bob's and alice's one
}

}  // namespace
