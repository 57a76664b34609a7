// Update requests: the byte examples of the message definitions, round trips, type selection and checks.
#include <memory>

#include "Tarn/msg/Dir/SMsgDirG2Update.h"
#include "Tarn/msg/Dir/tests/DirTestSupport.h"

namespace TarnMsg::test {
namespace {

const Bytes kPathA = {0x02, 0x00, 0x2F, 0x00, 0x61, 0x00};  // "/a"

SMsgDirG2AddService ExampleAddService(bool extended) {
    SMsgDirG2AddService msg(extended);
    msg.SetEntityFlags(0x01);
    msg.SetPath(u"/a");
    msg.SetName(u"b");
    msg.SetNetAddress(std::string("\x00\x01\x02\x03\x04\x05", 6));
    msg.SetDisplayName(u"c");
    msg.SetLifespan(120);
    return msg;
}

using DirUpdateTest = DirTest;

TEST_F(DirUpdateTest, AddServicePacksTheExampleBytes) {
    SMsgDirG2AddService msg = ExampleAddService(false);
    const Bytes expected = {0x05, 0x02, 0x00, 0xCA, 0x00, 0x01, 0x02, 0x00, 0x2F, 0x00, 0x61, 0x00,
                            0x01, 0x00, 0x62, 0x00, 0x06, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x01,
                            0x00, 0x63, 0x00, 0x78, 0x00, 0x00, 0x00};
    EXPECT_EQ(Packed(msg), expected);
    ASSERT_EQ(expected.size(), 31u);

    SMsgDirG2AddService back(Received(expected));
    EXPECT_FALSE(back.IsExtended());
    EXPECT_EQ(back.GetEntityFlags(), 0x01);
    EXPECT_EQ(back.GetPath(), u"/a");
    EXPECT_EQ(back.GetName(), u"b");
    EXPECT_EQ(back.GetNetAddress(), std::string("\x00\x01\x02\x03\x04\x05", 6));
    EXPECT_EQ(back.GetDisplayName(), u"c");
    EXPECT_EQ(back.GetLifespan(), 120u);
    EXPECT_EQ(back.GetPeerKey(), "");
    EXPECT_EQ(back.GetPeerValue(), 0u);
}

TEST_F(DirUpdateTest, ExtendedAddServiceCarriesTheCountBeforeThePeerData) {
    SMsgDirG2AddService msg = ExampleAddService(true);
    msg.SetPeerKey("pk");
    msg.SetPeerValue(7);
    const Bytes bytes = Packed(msg);
    ASSERT_EQ(bytes.size(), 31u + 2 + 4 + 4);
    EXPECT_EQ(bytes[3], 0xCB);  // 203
    EXPECT_EQ(Bytes(bytes.begin() + 31, bytes.end()), (Bytes{0, 0, 2, 0, 'p', 'k', 7, 0, 0, 0}));

    SMsgDirG2AddService back(Received(bytes));
    EXPECT_TRUE(back.IsExtended());
    EXPECT_TRUE(back.GetDataObjects().empty());
    EXPECT_EQ(back.GetPeerKey(), "pk");
    EXPECT_EQ(back.GetPeerValue(), 7u);
}

TEST_F(DirUpdateTest, RemoveEntityForADirectoryIsTypeAndPathOnly) {
    SMsgDirG2RemoveEntity msg(false);
    msg.SetPath(u"/a");
    EXPECT_EQ(Packed(msg), Concat({{0x05, 0x02, 0x00, 0xD0, 0x00}, kPathA}));
}

TEST_F(DirUpdateTest, SetDataObjectsAlwaysCarriesItsList) {
    SMsgDirG2SetDataObjects msg(false);
    msg.SetExtended(false);  // ignored: the list always travels
    msg.SetPath(u"/a");
    EXPECT_EQ(Packed(msg), Concat({{0x05, 0x02, 0x00, 0x2C, 0x01, 0x00}, kPathA, {0x00, 0x00}}));
}

TEST_F(DirUpdateTest, ExtendedObjectsRoundTripInTypeOrder) {
    SMsgDirG2SetDataObjects msg(true);
    msg.SetSetMode(2);
    msg.SetPath(u"/Games");
    msg.SetName(u"svc");
    msg.SetNetAddress("\x7f\x00\x00\x01\x10\x20");
    msg.DataObjects().insert(TarnCommon::DataObject("NbPlayers", "\x03"));
    msg.DataObjects().insert(TarnCommon::DataObject("MaxPlayers", "\x08"));
    const Bytes bytes = Packed(msg);
    EXPECT_EQ(bytes[3], 0x2D);  // 301: service key
    const Bytes objects = {2, 0, 10, 'M', 'a', 'x', 'P', 'l', 'a', 'y', 'e', 'r', 's', 1, 0, 8,
                           9, 'N', 'b', 'P', 'l', 'a', 'y', 'e', 'r', 's', 1, 0, 3};
    EXPECT_EQ(Bytes(bytes.end() - objects.size(), bytes.end()), objects);

    SMsgDirG2SetDataObjects back(Received(bytes));
    EXPECT_TRUE(back.IsServiceKey());
    EXPECT_EQ(back.GetSetMode(), 2u);
    ASSERT_EQ(back.GetDataObjects().size(), 2u);
    EXPECT_EQ(back.GetDataObjects().begin()->GetType(), "MaxPlayers");
    EXPECT_EQ(back.GetDataObjects().rbegin()->GetData(), "\x03");
}

TEST_F(DirUpdateTest, ReceivedTypeSelectsTheKeyKindOrThrows) {
    const Bytes renewService = Concat({{0x05, 0x02, 0x00, 205, 0x00}, kPathA, {0x00, 0x00}, {0x00}, {1, 0, 0, 0}});
    SMsgDirG2RenewEntity renew(Received(renewService));
    EXPECT_TRUE(renew.IsServiceKey());
    EXPECT_EQ(renew.GetNetAddress(), "");
    EXPECT_EQ(renew.GetLifespan(), 1u);

    Bytes wrong = renewService;
    wrong[3] = 206;
    EXPECT_NE(ThrownText<SMsgDirG2RenewEntity>(wrong).find("Not a DirG2RenewEntity message."), std::string::npos);
    wrong[3] = 205;
    wrong[1] = 3;  // another service
    EXPECT_NE(ThrownText<SMsgDirG2RenewEntity>(wrong).find("Not a DirG2RenewEntity message."), std::string::npos);
}

TEST_F(DirUpdateTest, WrongTypeNamesItsSourceAndLine) {
    SMsgDirG2RemoveEntity other;
    try {
        SMsgDirG2NameEntity msg(Received(Packed(other)));
        ADD_FAILURE();
    } catch (BadMsgException& e) {
        e.SetLogged(false);
        EXPECT_EQ(e.GetFile(), "Tarn\\msg\\Dir\\SMsgDirG2NameEntity");
        EXPECT_EQ(e.GetLine(), 104);
        EXPECT_EQ(e.GetCode(), 1001);
    }
}

// Every request packs, reads back equal and survives being cut short at every length.
TEST_F(DirUpdateTest, EveryRequestRoundTripsAndRefusesTruncation) {
    SMsgDirG2AddDirectory add(true);
    add.SetPath(u"/Games");
    add.SetDirName(u"Race");
    add.SetDisplayName(u"Races");
    add.SetLifespan(60);
    add.DataObjects().insert(TarnCommon::DataObject("k", "v"));
    add.SetPeerKey("peer");
    add.SetPeerValue(0xDEADBEEF);
    SMsgDirG2ModifyService modify(false);
    modify.SetPath(u"/a");
    modify.SetName(u"old");
    modify.SetNewName(u"new");
    modify.SetNewNetAddress("\x01\x02");
    modify.SetDisplayName(u"disp");
    SMsgDirG2ModifyDirectory modifyDir(true);
    modifyDir.SetNewName(u"n");
    SMsgDirG2NameEntity name(true);
    name.SetNameFlag(true);
    name.SetDisplayName(u"shown");
    SMsgDirG2ClearDataObjects clear(true);
    clear.AddType("NbPlayers");
    clear.AddType("MaxPlayers");

    std::vector<std::pair<BaseMessage*, std::function<BaseMessage*(const SmallMessage&)>>> cases = {
        {&add, [](const SmallMessage& m) { return new SMsgDirG2AddDirectory(m); }},
        {&modify, [](const SmallMessage& m) { return new SMsgDirG2ModifyService(m); }},
        {&modifyDir, [](const SmallMessage& m) { return new SMsgDirG2ModifyDirectory(m); }},
        {&name, [](const SmallMessage& m) { return new SMsgDirG2NameEntity(m); }},
        {&clear, [](const SmallMessage& m) { return new SMsgDirG2ClearDataObjects(m); }},
    };
    for (auto& [msg, read] : cases) {
        const Bytes bytes = Packed(*msg);
        std::unique_ptr<BaseMessage> back(read(Received(bytes)));
        EXPECT_EQ(Packed(*back), bytes) << msg->GetMessageType();
        std::unique_ptr<BaseMessage> dup(back->Duplicate());
        EXPECT_EQ(Packed(*dup), bytes);
        // Cut short: only where the peer data begins may a request end early.
        for (size_t n = 0; n < bytes.size(); ++n) {
            Bytes cut(bytes.begin(), bytes.begin() + n);
            try {
                std::unique_ptr<BaseMessage> partial(read(Received(cut)));
            } catch (BadMsgException& e) {
                e.SetLogged(false);
            }
        }
    }
    SMsgDirG2AddDirectory back(Received(Packed(add)));
    EXPECT_EQ(back.GetPath(), u"/Games");
    EXPECT_EQ(back.GetPeerValue(), 0xDEADBEEFu);
    SMsgDirG2ClearDataObjects clearBack(Received(Packed(clear)));
    EXPECT_EQ(clearBack.GetTypes().size(), 2u);
    EXPECT_TRUE(clearBack.IsServiceKey());
}

TEST_F(DirUpdateTest, ValuesTooLongForTheirLengthFieldAreRefused) {
    SMsgDirG2AddService longAddress;
    longAddress.SetNetAddress(std::string(256, 'x'));
    EXPECT_THROW(longAddress.Pack(), BadMsgException);
    SMsgDirG2SetDataObjects longType;
    longType.DataObjects().insert(TarnCommon::DataObject(std::string(256, 't'), "d"));
    EXPECT_THROW(longType.Pack(), BadMsgException);
    SMsgDirG2SetDataObjects longData;
    longData.DataObjects().insert(TarnCommon::DataObject("t", std::string(65536, 'd')));
    EXPECT_THROW(longData.Pack(), BadMsgException);
    SMsgDirG2SetDataObjects atLimit;
    atLimit.DataObjects().insert(TarnCommon::DataObject(std::string(255, 't'), std::string(65535, 'd')));
    EXPECT_NO_THROW(atLimit.Pack());
}

TEST_F(DirUpdateTest, CopiesKeepTheirBytesWhenTheOriginalIsPackedAgain) {
    SMsgDirG2RemoveEntity msg;
    msg.SetPath(u"/a");
    const Bytes first = Packed(msg);
    SMsgDirG2RemoveEntity copy(msg);
    msg.SetPath(u"/bcd");
    msg.Pack();
    EXPECT_EQ(Bytes(copy.GetDataPtr(), copy.GetDataPtr() + copy.GetDataLen()), first);
}

}  // namespace
}  // namespace TarnMsg::test
