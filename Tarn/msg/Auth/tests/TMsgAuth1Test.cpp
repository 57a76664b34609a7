// Peer authentication messages: the byte examples, round trips, raw-buffer lifetimes, damaged input.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Tarn/common/EventLog.h"
#include "Tarn/msg/Auth/TMsgAuth1PeerToPeer.h"
#include "Tarn/msg/BadMsgException.h"
#include "Tarn/msg/tests/ReceiveSupport.h"

namespace TarnMsg::test {
namespace {

TMessage Received(const Bytes& bytes) { return TMessage(static_cast<uint32_t>(bytes.size()), bytes.data()); }

template <class T>
std::string ThrownText(const Bytes& bytes) {
    return TarnMsg::test::ThrownText<T, TMessage>(bytes);
}

class AuthMsgTest : public ::testing::Test {
protected:
    void SetUp() override { TarnCommon::SetEventLogFolder("/nonexistent-folder-for-tests"); }
    void TearDown() override { TarnCommon::SetEventLogFolder(""); }
};

TEST_F(AuthMsgTest, DefaultRequestPacksTheExampleBytes) {
    TMsgAuth1Request request;
    EXPECT_EQ(Packed(request), (Bytes{0xCB, 0, 0, 0, 0x32, 0, 0, 0, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST_F(AuthMsgTest, RequestRoundTripsWithItsCertificate) {
    const Bytes cert = {9, 8, 7, 6, 5};
    TMsgAuth1Request request;
    request.SetAuthMode(2);
    request.SetEncryptMode(1);
    request.SetEncryptFlags(3);
    request.SetRawBuf(cert.data(), 5, false);
    const Bytes bytes = Packed(request);
    EXPECT_EQ(bytes, (Bytes{0xCB, 0, 0, 0, 0x32, 0, 0, 0, 2, 1, 3, 0, 5, 0, 9, 8, 7, 6, 5}));
    TMsgAuth1Request back(Received(bytes));
    EXPECT_EQ(back.GetAuthMode(), 2);
    EXPECT_EQ(back.GetEncryptMode(), 1);
    EXPECT_EQ(back.GetEncryptFlags(), 3);
    ASSERT_EQ(back.GetRawBufLen(), 5);
    EXPECT_EQ(Bytes(back.GetRawBuf(), back.GetRawBuf() + 5), cert);
    EXPECT_EQ(Packed(back), bytes);  // packing again from bytes that point into itself
}

TEST_F(AuthMsgTest, ChallengesCarryTheirBuffersInOrder) {
    const Bytes secret = {0xAA, 0xBB};
    const Bytes cert = {1, 2, 3};
    TMsgAuth1Challenge1 first;
    first.SetSecret(secret.data(), 2, true);
    first.SetRawBuf(cert.data(), 3, true);
    const Bytes bytes = Packed(first);
    EXPECT_EQ(bytes, (Bytes{0xCB, 0, 0, 0, 51, 0, 0, 0, 2, 0, 0xAA, 0xBB, 3, 0, 1, 2, 3}));
    TMsgAuth1Challenge1 back(Received(bytes));
    EXPECT_EQ(Bytes(back.GetSecret(), back.GetSecret() + back.GetSecretLen()), secret);
    EXPECT_EQ(Bytes(back.GetRawBuf(), back.GetRawBuf() + back.GetRawBufLen()), cert);

    TMsgAuth1Challenge1 noSecret;
    noSecret.SetRawBuf(cert.data(), 3, true);
    EXPECT_EQ(Packed(noSecret), (Bytes{0xCB, 0, 0, 0, 51, 0, 0, 0, 0, 0, 3, 0, 1, 2, 3}));
    TMsgAuth1Challenge1 readNoSecret(Received(Packed(noSecret)));
    EXPECT_EQ(readNoSecret.GetSecret(), nullptr);

    TMsgAuth1Challenge2 second;
    second.SetRawBuf(secret.data(), 2, false);
    EXPECT_EQ(Packed(second), (Bytes{0xCB, 0, 0, 0, 52, 0, 0, 0, 2, 0, 0xAA, 0xBB}));
}

TEST_F(AuthMsgTest, CompleteWithAndWithoutSessionId) {
    const Bytes echo = {1, 2, 3, 4};
    TMsgAuth1Complete done;
    done.SetRawBuf(echo.data(), 4, false);
    const Bytes bytes = Packed(done);
    EXPECT_EQ(bytes.size(), 16u);
    TMsgAuth1Complete back(Received(bytes));
    EXPECT_EQ(back.GetStatus(), 0);
    EXPECT_EQ(back.GetSessionId(), 0);
    EXPECT_EQ(back.GetRawBufLen(), 4);

    done.SetSessionId(0x1234);
    const Bytes withId = Packed(done);
    EXPECT_EQ(Bytes(withId.end() - 2, withId.end()), (Bytes{0x34, 0x12}));
    EXPECT_EQ(TMsgAuth1Complete(Received(withId)).GetSessionId(), 0x1234);
}

TEST_F(AuthMsgTest, CompleteWithErrorsCarriesTheTexts) {
    TMsgAuth1Complete failed;
    failed.SetStatus(-3);
    failed.AddError("a");
    failed.AddError("bc");
    const Bytes bytes = Packed(failed);
    EXPECT_EQ(bytes, (Bytes{0xCB, 0, 0, 0, 0x35, 0, 0, 0, 0xFD, 0xFF, 2, 0, 1, 0, 'a', 2, 0, 'b', 'c'}));
    TMsgAuth1Complete back(Received(bytes));
    EXPECT_EQ(back.GetStatus(), -3);
    EXPECT_EQ(back.GetErrors(), (std::vector<std::string>{"a", "bc"}));
    EXPECT_EQ(back.GetRawBuf(), nullptr);
    EXPECT_EQ(back.GetSessionId(), 0);
}

TEST_F(AuthMsgTest, CopiesOwnTheirBytes) {
    Bytes cert = {5, 6, 7};
    TMsgAuth1Request request;
    request.SetRawBuf(cert.data(), 3, false);
    auto copy = std::unique_ptr<TMsgAuth1Request>(request.Duplicate());
    cert.assign({0, 0, 0});
    EXPECT_EQ(Bytes(copy->GetRawBuf(), copy->GetRawBuf() + 3), (Bytes{5, 6, 7}));

    std::unique_ptr<TMsgAuth1Request> fromMessage;
    {
        const Bytes bytes = Packed(*copy);
        TMsgAuth1Request read(Received(bytes));
        fromMessage.reset(read.Duplicate());
    }
    EXPECT_EQ(Bytes(fromMessage->GetRawBuf(), fromMessage->GetRawBuf() + 3), (Bytes{5, 6, 7}));
}

TEST_F(AuthMsgTest, WrongTypesAndShortMessagesThrow) {
    struct Case {
        Bytes bytes;
        std::string (*read)(const Bytes&);
        const char* text;
    } cases[] = {
        {{0xCB, 0, 0, 0, 52, 0, 0, 0, 0, 0}, ThrownText<TMsgAuth1Complete>, "Not a Auth1Complete message."},
        {{0xCA, 0, 0, 0, 50, 0, 0, 0, 1, 0, 0, 0, 0, 0}, ThrownText<TMsgAuth1Request>, "Not a Auth1Request message."},
        {{0xCB, 0, 0, 0, 50, 0, 0, 0}, ThrownText<TMsgAuth1Challenge1>, "Not a Auth1Challenge1 message."},
        {{0xCB, 0, 0, 0, 53, 0, 0, 0}, ThrownText<TMsgAuth1Challenge2>, "Not a Auth1Challenge2 message."},
        {{0xCB, 0, 0, 0, 50, 0, 0, 0, 1, 0, 0, 0, 9, 0, 1}, ThrownText<TMsgAuth1Request>,
         "Attempt to read past end of message!"},
        {{0xCB, 0, 0, 0, 51, 0, 0, 0, 0xFF, 0xFF}, ThrownText<TMsgAuth1Challenge1>,
         "Attempt to read past end of message!"},
        {{0xCB, 0, 0, 0, 53, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}, ThrownText<TMsgAuth1Complete>,
         "Attempt to read past end of message!"},
        {{0xCB, 0, 0, 0, 53, 0, 0, 0, 0, 0, 0, 0, 7}, ThrownText<TMsgAuth1Complete>,
         "Attempt to read past end of message!"},
        {{0xCB, 0, 0}, ThrownText<TMsgAuth1Challenge2>, "Attempt to read past end of message!"},
    };
    for (const Case& c : cases) EXPECT_NE(c.read(c.bytes).find(c.text), std::string::npos) << c.text;
}

}  // namespace
}  // namespace TarnMsg::test
