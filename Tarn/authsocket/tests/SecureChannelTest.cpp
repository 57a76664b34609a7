// The encrypted body both ends of a session write and read.
#include <gtest/gtest.h>

#include "Tarn/authsocket/SecureChannel.h"
#include "Tarn/common/EventLog.h"

namespace {

using TarnAPI::Bytes;
using TarnAPI::SecureChannel;

SecureChannel Channel(bool datagramStyle = false) {
    SecureChannel c;
    const uint8_t key[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    c.key.CopyKey(sizeof key, key);
    c.sessionId = 0x1234;
    (void)datagramStyle;
    return c;
}

TEST(SecureChannel, SmallMessageLosesItsHeaderByteAndComesBackWhole) {
    SecureChannel sender = Channel(), receiver = Channel();
    const Bytes small = {5, 2, 0, 1, 0};
    const Bytes body = sender.Encode(small.data(), small.size());
    ASSERT_GE(body.size(), 3u);
    EXPECT_EQ(body[0], 6);
    EXPECT_EQ(body[1], 0x34);
    EXPECT_EQ(body[2], 0x12);
    Bytes back;
    ASSERT_TRUE(receiver.Decode(body.data(), body.size(), false, back));
    EXPECT_EQ(back, small);
    EXPECT_EQ(receiver.recvSequence, 2);
}

TEST(SecureChannel, TMessageTravelsWholeBehindHeaderTwo) {
    SecureChannel sender = Channel(), receiver = Channel();
    const Bytes message = {1, 0, 0, 0, 15, 0, 0, 0, 0xF9, 0xFF};
    const Bytes body = sender.Encode(message.data(), message.size());
    EXPECT_EQ(body[0], 2);
    Bytes back;
    ASSERT_TRUE(receiver.Decode(body.data(), body.size(), false, back));
    EXPECT_EQ(back, message);
}

TEST(SecureChannel, StreamsNeedTheExactSequenceDatagramsAtLeastIt) {
    TarnCommon::SetEventLogFolder("/nonexistent-folder-for-tests");
    SecureChannel sender = Channel();
    const Bytes m = {5, 2, 0, 1, 0};
    sender.Encode(m.data(), m.size());  // number 1 is lost
    const Bytes second = sender.Encode(m.data(), m.size());
    SecureChannel stream = Channel(), datagram = Channel();
    Bytes out;
    EXPECT_FALSE(stream.Decode(second.data(), second.size(), false, out));
    EXPECT_EQ(stream.recvSequence, 1);
    EXPECT_TRUE(datagram.Decode(second.data(), second.size(), true, out));
    EXPECT_EQ(datagram.recvSequence, 3);
    // Another session's id, a cut body and a plain message never decode.
    SecureChannel other = Channel();
    other.sessionId = 1;
    EXPECT_FALSE(other.Decode(second.data(), second.size(), true, out));
    EXPECT_FALSE(Channel().Decode(second.data(), 2, true, out));
    EXPECT_FALSE(Channel().Decode(m.data(), m.size(), true, out));
    TarnCommon::SetEventLogFolder("");
}

}  // namespace
