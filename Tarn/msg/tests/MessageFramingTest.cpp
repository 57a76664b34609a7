#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Tarn/common/EventLog.h"
#include "Tarn/msg/BadMsgException.h"
#include "Tarn/msg/Messages.h"

using namespace TarnMsg;

namespace {

std::vector<uint8_t> Bytes(const TRawMsg& m) {
    return std::vector<uint8_t>(m.GetDataPtr(), m.GetDataPtr() + m.GetDataLen());
}

// Runs f, expects a BadMsgException with code 1001 and returns its description.
template <typename F>
std::string BadMsgText(F&& f) {
    try {
        f();
    } catch (BadMsgException& e) {
        e.SetLogged(false);
        EXPECT_EQ(e.GetCode(), 1001);
        return e.what();
    }
    ADD_FAILURE() << "no BadMsgException";
    return "";
}

class FramingTest : public ::testing::Test {
protected:
    void SetUp() override { TarnCommon::SetEventLogFolder("/nonexistent-folder-for-tests"); }
    void TearDown() override { TarnCommon::SetEventLogFolder(""); }
};

std::unique_ptr<BaseMessage> MakeDefault(int which) {
    switch (which) {
        case 0: return std::make_unique<TMessage>();
        case 1: return std::make_unique<MiniMessage>();
        case 2: return std::make_unique<SmallMessage>();
        default: return std::make_unique<LargeMessage>();
    }
}

std::unique_ptr<BaseMessage> FromBytes(int which, const std::vector<uint8_t>& b) {
    const auto n = static_cast<uint32_t>(b.size());
    switch (which) {
        case 0: return std::make_unique<TMessage>(n, b.data());
        case 1: return std::make_unique<MiniMessage>(n, b.data());
        case 2: return std::make_unique<SmallMessage>(n, b.data());
        default: return std::make_unique<LargeMessage>(n, b.data());
    }
}

TEST_F(FramingTest, EveryHeaderFormPacksAndReadsBack) {
    struct Case {
        int which;
        uint32_t headerLength, classType, altType, service, message;
        std::vector<uint8_t> header;
    };
    const Case cases[] = {
        {0, 8, 0xCB, 2, 0xCB, 0x01020304, {0xCB, 0, 0, 0, 4, 3, 2, 1}},
        {1, 3, 3, 4, 0x34, 0x56, {3, 0x34, 0x56}},
        {2, 5, 5, 6, 0x1234, 0xBEEF, {5, 0x34, 0x12, 0xEF, 0xBE}},
        {3, 9, 7, 8, 0x11223344, 0xA0B0C0D0, {7, 0x44, 0x33, 0x22, 0x11, 0xD0, 0xC0, 0xB0, 0xA0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.which);
        auto m = MakeDefault(c.which);
        EXPECT_EQ(m->GetHeaderLength(), c.headerLength);
        m->SetServiceType(c.service);
        m->SetMessageType(c.message);
        m->Pack();
        m->AppendLong(0xDEADBEEF);
        m->AppendShort(0x0102);
        m->AppendByte(0x7F);
        m->AppendString("hi");
        m->AppendWString(u"AB");
        m->AppendBytes(3, "xyz");
        std::vector<uint8_t> expected = c.header;
        const std::vector<uint8_t> body = {0xEF, 0xBE, 0xAD, 0xDE, 2,   1,   0x7F, 2,   0,   'h', 'i',
                                           2,    0,    'A',  0,    'B', 0,   'x',  'y', 'z'};
        expected.insert(expected.end(), body.begin(), body.end());
        EXPECT_EQ(Bytes(*m), expected);

        auto back = FromBytes(c.which, expected);
        back->Unpack();
        EXPECT_EQ(back->GetClassHeaderType(), c.classType);
        EXPECT_EQ(back->GetAltHeaderType(), c.altType);
        EXPECT_EQ(back->GetServiceType(), c.service);
        EXPECT_EQ(back->GetMessageType(), c.message);
        EXPECT_EQ(back->ReadLong(), 0xDEADBEEFu);
        EXPECT_EQ(back->ReadShort(), 0x0102);
        EXPECT_EQ(back->ReadByte(), 0x7F);
        EXPECT_EQ(back->ReadString(), "hi");
        std::u16string w;
        back->ReadWString(w);
        EXPECT_EQ(w, u"AB");
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(back->ReadBytes(3)), 3), "xyz");
        EXPECT_EQ(back->BytesLeftToRead(), 0u);
        EXPECT_NE(BadMsgText([&] { back->ReadByte(); }).find("Attempt to read past end of message!"),
                  std::string::npos);
    }
}

TEST_F(FramingTest, SetterWidthsAndHeaderTypes) {
    MiniMessage mini;
    mini.SetServiceType(0x1234);
    EXPECT_EQ(mini.GetDataPtr()[1], 0x34);
    SmallMessage small;
    small.SetMessageType(0x12345);
    EXPECT_EQ(small.GetMessageType(), 0x2345u);
    TMessage t;
    t.SetServiceType(203);
    EXPECT_EQ(t.GetHeaderType(), 203u);
    EXPECT_EQ(t.GetClassHeaderType(), 203u);
}

TEST_F(FramingTest, ShortMessagesThrowAndNeverReadPastTheBuffer) {
    const uint8_t bytes[] = {5, 1, 0, 2};
    for (uint32_t n = 0; n <= 4; ++n) {
        SmallMessage m(n, bytes);
        EXPECT_EQ(m.GetServiceType(), n >= 3 ? 1u : 0u);  // a field the buffer lacks reads as 0
        EXPECT_EQ(m.GetBodyPtr(), n >= 5 ? m.GetDataPtr() + 5 : nullptr);
        const std::string text = BadMsgText([&] { m.Unpack(); });
        EXPECT_NE(text.find("Attempt to read past end of message!"), std::string::npos);
        BadMsgException described(m, 0, nullptr, "Not a thing message.");
        described.SetLogged(false);
        EXPECT_NE(std::string(described.what()).find("Message header is corrupt!  DataLength=" + std::to_string(n) +
                                                      "  Not a thing message."),
                  std::string::npos);
    }
    SmallMessage whole(5, "\x05\x02\x00\x09\x00");
    whole.Unpack();
    EXPECT_EQ(whole.BytesLeftToRead(), 0u);  // exactly the header: empty body
    BadMsgException e(whole, 0, nullptr);
    e.SetLogged(false);
    EXPECT_STREQ(e.what(),
                 "Exception (1001 - Critcal) Undefined exception.  MessageClass=5  MessageType=9  ServiceType=2  DataLength=5");
}

TEST_F(FramingTest, InconsistentStringCountsThrowWithoutMovingTheReader) {
    // 8-bit count says 10 but only 2 bytes follow; 16-bit count says 3 characters but 4 bytes follow.
    const uint8_t narrow[] = {0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 'a', 'b'};
    TMessage a(sizeof narrow, narrow);
    a.Unpack();
    BadMsgText([&] { a.ReadString(); });
    EXPECT_EQ(a.BytesLeftToRead(), 4u);
    const uint8_t wide[] = {0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 'a', 0, 'b', 0};
    TMessage b(sizeof wide, wide);
    b.Unpack();
    std::u16string out;
    BadMsgText([&] { b.ReadWString(out); });
    EXPECT_EQ(b.BytesLeftToRead(), 6u);
}

TEST_F(FramingTest, ReserveBodyBounds) {
    struct Case {
        uint32_t total;
        bool accepted;
    };
    for (const Case c : {Case{4, false}, Case{5, true}, Case{131068, true}, Case{131069, false}, Case{0xFFFFFFFF, false}}) {
        SmallMessage m;
        if (c.accepted) {
            m.ReserveBody(c.total);
            EXPECT_EQ(m.GetDataLen(), c.total);
            EXPECT_EQ(m.GetCapacity(), c.total);
        } else {
            EXPECT_EQ(BadMsgText([&] { m.ReserveBody(c.total); }),
                      "Exception (1001 - Critcal) Undefined exception.  MsgLen=" + std::to_string(c.total) +
                          "  File=Tarn\\msg\\tmessage");
            EXPECT_EQ(m.GetCapacity(), 5u);
        }
    }
}

TEST_F(FramingTest, GrowthAddsADoublingSlack) {
    SmallMessage m;
    EXPECT_EQ(m.GetCapacity(), 5u);
    m.Pack();
    m.AppendLong(1);
    EXPECT_EQ(m.GetCapacity(), 5u + 4 + 512);
    std::vector<uint8_t> run(600, 0xAA);
    m.AppendBytes(600, run.data());
    EXPECT_EQ(m.GetCapacity(), 521u + 600 + 1024);
    EXPECT_EQ(m.GetDataLen(), 5u + 4 + 600);
}

TEST_F(FramingTest, AppendingToAReceivedMessageKeepsItsContent) {
    SmallMessage received(5, "\x05\x02\x00\x09\x00");
    received.AppendByte(0x42);
    EXPECT_EQ(Bytes(received), (std::vector<uint8_t>{5, 2, 0, 9, 0, 0x42}));
    EXPECT_EQ(received.GetCapacity(), 5u + 1 + 512);
}

TEST_F(FramingTest, StringEncodings) {
    TMessage m;
    m.Pack();
    m.AppendWString(u"AB");
    m.AppendString("");
    EXPECT_EQ(Bytes(m), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0x41, 0, 0x42, 0, 0, 0}));
    // A string too long for its 16-bit count is refused rather than cut short.
    EXPECT_NE(BadMsgText([&] { m.AppendString(std::string(70000, 'x')); }).find("String too long"), std::string::npos);
    EXPECT_EQ(m.GetDataLen(), 16u);
}

TEST_F(FramingTest, CopiesShareTheBufferUntilDetached) {
    SmallMessage original;
    {
        SmallMessage copy(original);
        EXPECT_EQ(original.GetRefCount(), 2);
        copy.SetServiceType(77);
        EXPECT_EQ(original.GetServiceType(), 77u);
        std::unique_ptr<BaseMessage> dup(copy.Duplicate());
        EXPECT_EQ(original.GetRefCount(), 3);
        dup->ResetBuffer();
        dup->SetServiceType(9);
        EXPECT_EQ(original.GetServiceType(), 77u);
        EXPECT_EQ(original.GetRefCount(), 2);
    }
    EXPECT_EQ(original.GetRefCount(), 1);
}

TEST_F(FramingTest, DumpTexts) {
    SmallMessage s;
    s.SetServiceType(2);
    s.SetMessageType(300);
    std::ostringstream out;
    s.Dump(out);
    EXPECT_EQ(out.str(), "SmallMessage Dump:\n  Data Size: 5\n  HeaderType: 5\n  ServiceType: 2\n  MessageType: 300\n");
    TMessage t;
    std::ostringstream tout;
    t.Dump(tout);
    EXPECT_EQ(tout.str(), "TMessage Dump:\n  Data Size: 8\n  ServiceType: 0\n  MessageType: 0\n");
}

}  // namespace
