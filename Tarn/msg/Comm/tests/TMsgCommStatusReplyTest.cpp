#include <gtest/gtest.h>

#include <vector>

#include "Tarn/common/EventLog.h"
#include "Tarn/msg/BadMsgException.h"
#include "Tarn/msg/Comm/TMsgCommStatusReply.h"

using namespace TarnMsg;

namespace {

class StatusReplyTest : public ::testing::Test {
protected:
    void SetUp() override { TarnCommon::SetEventLogFolder("/nonexistent-folder-for-tests"); }
    void TearDown() override { TarnCommon::SetEventLogFolder(""); }
};

TEST_F(StatusReplyTest, PacksAndReadsANegativeStatus) {
    TMsgCommStatusReply reply;
    reply.SetStatus(-14);
    const uint8_t* bytes = reply.Pack();
    ASSERT_EQ(reply.GetDataLen(), 10u);
    const std::vector<uint8_t> expected = {1, 0, 0, 0, 0x0F, 0, 0, 0, 0xF2, 0xFF};
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 10), expected);

    TMessage received(10, expected.data());
    TMsgCommStatusReply back(received);
    EXPECT_EQ(back.GetStatus(), -14);
    back.Unpack();  // a second read gives the same status
    EXPECT_EQ(back.GetStatus(), -14);
    received.Unpack();
    EXPECT_EQ(received.ReadShort(), 0xFFF2);
}

TEST_F(StatusReplyTest, RejectsOtherTypesAndShortMessages) {
    struct Case {
        std::vector<uint8_t> bytes;
        const char* text;
    };
    const Case cases[] = {
        {{1, 0, 0, 0, 16, 0, 0, 0, 1, 0}, "Not a CommStatusReply message."},
        {{2, 0, 0, 0, 15, 0, 0, 0, 1, 0}, "Not a CommStatusReply message."},
        {{1, 0, 0, 0, 15, 0, 0, 0}, "Attempt to read past end of message!"},
        {{1, 0, 0, 0, 15, 0, 0, 0, 7}, "Attempt to read past end of message!"},
        {{1, 0, 0}, "Attempt to read past end of message!"},
    };
    for (const Case& c : cases) {
        TMessage received(static_cast<uint32_t>(c.bytes.size()), c.bytes.data());
        try {
            TMsgCommStatusReply reply(received);
            ADD_FAILURE() << "accepted";
        } catch (BadMsgException& e) {
            e.SetLogged(false);
            EXPECT_EQ(e.GetCode(), 1001);
            EXPECT_NE(std::string(e.what()).find(c.text), std::string::npos) << e.what();
        }
    }
}

TEST_F(StatusReplyTest, WrongTypeNamesTheMessageAndLocation) {
    const uint8_t bytes[] = {1, 0, 0, 0, 16, 0, 0, 0, 1, 0};
    TMessage received(sizeof bytes, bytes);
    bool thrown = false;
    try {
        TMsgCommStatusReply reply(received);
    } catch (BadMsgException& e) {
        thrown = true;
        e.SetLogged(false);
        EXPECT_STREQ(e.what(),
                     "Exception (1001 - Critcal) Undefined exception.  MessageClass=1  MessageType=16  "
                     "ServiceType=1  DataLength=10  Not a CommStatusReply message.  "
                     "File=Tarn\\msg\\Comm\\TMsgCommStatusReply  Line=96");
    }
    EXPECT_TRUE(thrown) << "a message of another type was taken for a status reply";
}

TEST_F(StatusReplyTest, CopiesKeepTheStatus) {
    TMsgCommStatusReply reply;
    reply.SetStatus(300);
    reply.Pack();
    std::unique_ptr<TMsgCommStatusReply> dup(reply.Duplicate());
    EXPECT_EQ(dup->GetStatus(), 300);
    EXPECT_EQ(dup->GetDataLen(), 10u);
}

}  // namespace
