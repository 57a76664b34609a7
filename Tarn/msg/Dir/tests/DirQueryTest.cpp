// Queries and replies: the byte examples, the field mask rules, the entity encoding, damaged replies.
#include "Tarn/msg/Dir/SMsgDirG2Query.h"
#include "Tarn/msg/Dir/tests/DirTestSupport.h"

namespace TarnMsg::test {
namespace {

using TarnCommon::DataObject;
using DirQueryTest = DirTest;

const Bytes kPathA = {0x02, 0x00, 0x2F, 0x00, 0x61, 0x00};  // "/a"

uint32_t MaskAt(const Bytes& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}

DirEntity GameService() {
    DirEntity e;
    e.type = DirEntity::kService;
    e.path = u"/Games";
    e.name = u"race1";
    e.displayName = u"R";
    e.netAddress = std::string("\x0a\x00\x00\x01\x1f\x90", 6);
    e.numberA = 1;
    e.numberB = 2;
    e.numberC = 3;
    e.dataObjects.insert(DataObject("MaxPlayers", "\x08"));
    e.dataObjects.insert(DataObject("NbPlayers", "\x02"));
    return e;
}

TEST_F(DirQueryTest, GetEntityMaskGainsTheTypeBitForKindFields) {
    struct Case {
        uint32_t mask;
        uint32_t packed;
    } cases[] = {{0xFFFFFFFF, 0xFFFFFFFF}, {0x10020, 0x10030}, {0x20, 0x20}, {0x4000000, 0x4000010}};
    for (const Case& c : cases) {
        SMsgDirG2GetEntity msg(false, false);
        msg.SetFieldMask(c.mask);
        msg.SetPath(u"/a");
        const Bytes bytes = Packed(msg);
        EXPECT_EQ(bytes[3], 102);
        EXPECT_EQ(MaskAt(bytes, 5), c.packed);
        EXPECT_EQ(Bytes(bytes.begin() + 9, bytes.end()), Concat({{0, 0}, kPathA}));
    }
}

TEST_F(DirQueryTest, GetEntityFormsAndTheirMasks) {
    SMsgDirG2GetEntity service(true, false);
    service.SetPath(u"/a");
    service.SetNumber(9);  // a service-key message carries no number
    const Bytes bytes = Packed(service);
    EXPECT_EQ(bytes[3], 104);
    EXPECT_EQ(bytes.size(), 5u + 4 + 6 + 2 + 1);

    // The plain form drops the list and trailer bits it received; the extended form keeps them.
    const Bytes plain = Concat({{5, 2, 0, 102, 0, 0x10, 0x18, 0, 0, 7, 0}, kPathA});
    SMsgDirG2GetEntity readPlain(Received(plain));
    EXPECT_EQ(readPlain.GetFieldMask(), 0x10u);
    EXPECT_EQ(readPlain.GetNumber(), 7);
    EXPECT_FALSE(readPlain.IsServiceKey());
    const Bytes ext = Concat({{5, 2, 0, 103, 0, 0x10, 0x18, 0, 0, 0, 0}, kPathA, {1, 0, 2, 'a', 'b'}});
    SMsgDirG2GetEntity readExt(Received(ext));
    EXPECT_EQ(readExt.GetFieldMask(), 0x1810u);
    ASSERT_EQ(readExt.GetRequestedTypes().size(), 1u);
    EXPECT_EQ(readExt.GetRequestedTypes().begin()->GetType(), "ab");

    Bytes wrong = plain;
    wrong[3] = 106;
    EXPECT_NE(ThrownText<SMsgDirG2GetEntity>(wrong).find("Not a DirG2GetEntity(Ex) message."), std::string::npos);
}

TEST_F(DirQueryTest, FindServiceRoundTripsEveryField) {
    SMsgDirG2FindService msg(true);
    msg.SetFieldMask(0x2000020);
    msg.SetFindMode(3);
    msg.SetFindFlags(0x81);
    msg.SetNumber(5);
    msg.SetPath(u"/Games");
    msg.SetName(u"svc");
    msg.SetNetAddress("\x01");
    msg.SetDisplayName(u"Shown");
    msg.SetFindDataObjects({DataObject("NbPlayers", "\x01")});
    msg.SetRequestedTypes({DataObject("MaxPlayers", "")});
    const Bytes bytes = Packed(msg);
    EXPECT_EQ(bytes[3], 109);
    EXPECT_EQ(MaskAt(bytes, 5), 0x2000030u);
    SMsgDirG2FindService back(Received(bytes));
    EXPECT_TRUE(back.IsExtended());
    EXPECT_EQ(back.GetFieldMask(), 0x2000030u);
    EXPECT_EQ(back.GetFindMode(), 3u);
    EXPECT_EQ(back.GetFindFlags(), 0x81);
    EXPECT_EQ(back.GetNumber(), 5);
    EXPECT_EQ(back.GetName(), u"svc");
    EXPECT_EQ(back.GetNetAddress(), "\x01");
    EXPECT_EQ(back.GetDisplayName(), u"Shown");
    EXPECT_EQ(back.GetFindDataObjects().begin()->GetData(), "\x01");
    EXPECT_EQ(back.GetRequestedTypes().begin()->GetType(), "MaxPlayers");
    EXPECT_EQ(Packed(back), bytes);
}

TEST_F(DirQueryTest, NumEntitiesRequestAndReply) {
    SMsgDirG2GetNumEntities query;
    query.AddRequest(u"/a", 2);
    EXPECT_EQ(Packed(query), Concat({{5, 2, 0, 110, 0, 1, 0}, kPathA, {2, 0}}));
    SMsgDirG2GetNumEntities queryBack(Received(Packed(query)));
    EXPECT_EQ(queryBack.GetRequests(), query.GetRequests());

    SMsgDirG2GetNumEntitiesReply reply;
    reply.AddResult(0, 5);
    EXPECT_EQ(Packed(reply), (Bytes{5, 2, 0, 111, 0, 1, 0, 0, 0, 5, 0}));
    SMsgDirG2GetNumEntitiesReply back(Received({5, 2, 0, 111, 0, 2, 0, 0xFE, 0xFF, 0, 0, 0, 0, 9, 0}));
    ASSERT_EQ(back.GetResults().size(), 2u);
    EXPECT_EQ(back.GetResults()[0].first, -2);
    EXPECT_EQ(back.GetResults()[1].second, 9);
}

TEST_F(DirQueryTest, StatusAndNegativeSingleEntityReplies) {
    SMsgDirG2StatusReply status;
    status.SetStatus(-3);
    EXPECT_EQ(Packed(status), (Bytes{5, 2, 0, 1, 0, 0xFD, 0xFF}));
    EXPECT_EQ(SMsgDirG2StatusReply(Received(Packed(status))).GetStatus(), -3);

    SMsgDirG2SingleEntityReply failed;
    failed.SetStatus(-1);
    failed.SetEntity(GameService());
    const Bytes bytes = Packed(failed);
    EXPECT_EQ(bytes, (Bytes{5, 2, 0, 2, 0, 0xFF, 0xFF}));
    SMsgDirG2SingleEntityReply back(Received(bytes));
    EXPECT_EQ(back.GetStatus(), -1);
    EXPECT_EQ(back.GetEntity().type, 0);
    EXPECT_EQ(back.GetFieldMask(), 0u);

    EXPECT_NE(ThrownText<SMsgDirG2SingleEntityReply>(Packed(status)).find("Not a DirG2SingleEntityReply message."),
              std::string::npos);
}

TEST_F(DirQueryTest, RequestedTypesSelectTheObjectsAndSetTheListBit) {
    SMsgDirG2SingleEntityReply reply;
    reply.SetFieldMask(0x630);
    reply.AddRequestedType("NbPlayers");
    reply.SetEntity(GameService());
    const Bytes bytes = Packed(reply);
    const Bytes expected = {5, 2, 0, 2, 0, 0, 0, 0x30, 0x0E, 0, 0, 'S', 1, 0, 'R', 0,
                            1, 0, 9, 'N', 'b', 'P', 'l', 'a', 'y', 'e', 'r', 's', 1, 0, 2};
    EXPECT_EQ(bytes, expected);

    SMsgDirG2SingleEntityReply back(Received(bytes));
    EXPECT_EQ(back.GetFieldMask(), 0xE30u);
    EXPECT_EQ(back.GetEntity().type, 'S');
    EXPECT_EQ(back.GetEntity().displayName, u"R");
    ASSERT_EQ(back.GetEntity().dataObjects.size(), 1u);
    EXPECT_EQ(back.GetEntity().dataObjects.begin()->GetType(), "NbPlayers");
    EXPECT_EQ(back.GetEntity().dataObjects.begin()->GetData(), "\x02");
}

TEST_F(DirQueryTest, EntityFieldsFollowTheMask) {
    const DirEntity e = GameService();
    const TarnCommon::DataObjectSet none;
    struct Case {
        uint32_t mask;
        Bytes bytes;
    } cases[] = {
        {0x20, {1, 0, 'R', 0}},
        {0x800, {2, 0}},  // a list under neither type nor data bit is its count only
        {0x1C0, {3, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0}},  // C, A, B
        {0x4000010, {'S', 6, 0x0a, 0, 0, 1, 0x1f, 0x90}},
        {0x70000, {}},  // directory fields of an entity whose type does not travel
        {0x1000, {0, 0}},
    };
    for (const Case& c : cases) {
        SmallMessage msg;
        msg.BaseMessage::Pack();
        SMsgDirG2EntityBase::PackEntityFields(e, msg, c.mask, none);
        const Bytes body(msg.GetDataPtr() + 5, msg.GetDataPtr() + msg.GetDataLen());
        EXPECT_EQ(body, c.bytes) << std::hex << c.mask;
        const uint32_t trailer = (c.mask & DirField::kTrailer) ? 2 : 0;
        EXPECT_EQ(SMsgDirG2EntityBase::GetEntityPackSize(e, c.mask, none) + trailer, c.bytes.size());
    }
    // A display name alone read into a new entity leaves its type 0.
    SmallMessage msg(9, Bytes{5, 2, 0, 3, 0, 1, 0, 'R', 0}.data());
    msg.BaseMessage::Unpack();
    DirEntity read;
    SMsgDirG2EntityBase::UnpackEntityFields(read, msg, 0x7070020);
    EXPECT_EQ(read.type, 0);
    EXPECT_EQ(read.displayName, u"R");
}

TEST_F(DirQueryTest, MultiEntityReplyRoundTripsWithItsSequenceByte) {
    SMsgDirG2MultiEntityReply reply;
    reply.SetSequence(3);
    reply.SetLastReply(true);
    reply.SetFieldMask(0x7071FF0);
    DirEntity dir;
    dir.type = DirEntity::kDirectory;
    dir.path = u"/Games";
    dir.name = u"Races";
    dir.directoryByte = 4;
    reply.SetEntities({GameService(), dir});
    const Bytes bytes = Packed(reply);
    EXPECT_EQ(bytes[7], 0x83);
    EXPECT_EQ(reply.ComputePackSize(), bytes.size() - 2);  // the two trailing words are not counted

    SMsgDirG2MultiEntityReply back(Received(bytes));
    EXPECT_EQ(back.GetSequence(), 3);
    EXPECT_TRUE(back.IsLastReply());
    ASSERT_EQ(back.GetEntities().size(), 2u);
    const DirEntity& s = back.GetEntities()[0];
    EXPECT_EQ(s.path, u"/Games");
    EXPECT_EQ(s.name, u"race1");
    EXPECT_EQ(s.netAddress, GameService().netAddress);
    EXPECT_EQ(s.numberA, 1u);
    EXPECT_EQ(s.numberB, 2u);
    EXPECT_EQ(s.numberC, 3u);
    EXPECT_EQ(s.dataObjects.size(), 2u);
    EXPECT_EQ(back.GetEntities()[1].directoryByte, 4);
    EXPECT_EQ(Packed(back), bytes);

    Bytes seq85 = bytes;
    seq85[7] = 0x85;
    SMsgDirG2MultiEntityReply read85(Received(seq85));
    EXPECT_EQ(read85.GetSequence(), 5);
    EXPECT_TRUE(read85.IsLastReply());
}

TEST_F(DirQueryTest, MultiEntityReplyReadsOntoTheEndOfAGatheredList) {
    SMsgDirG2MultiEntityReply reply;
    reply.SetFieldMask(0x7071FF0);
    reply.SetEntities({GameService(), GameService()});
    const Bytes bytes = Packed(reply);
    DirEntity earlier;
    earlier.displayName = u"earlier";
    std::vector<DirEntity> gathered{earlier};
    SMsgDirG2MultiEntityReply back(Received(bytes), gathered);
    EXPECT_TRUE(back.GetEntities().empty());
    ASSERT_EQ(gathered.size(), 3u);
    EXPECT_EQ(gathered[0].displayName, u"earlier");
    SMsgDirG2MultiEntityReply plain(Received(bytes));
    for (size_t i = 1; i < gathered.size(); ++i) {
        EXPECT_EQ(gathered[i].name, plain.GetEntities()[i - 1].name);
        EXPECT_EQ(gathered[i].netAddress, plain.GetEntities()[i - 1].netAddress);
        ASSERT_EQ(gathered[i].dataObjects.size(), 2u);
        auto object = gathered[i].dataObjects.begin();
        for (const TarnCommon::DataObject& expected : plain.GetEntities()[i - 1].dataObjects) {
            EXPECT_EQ(object->GetType(), expected.GetType());
            EXPECT_EQ(object->GetData(), expected.GetData());
            ++object;
        }
    }
    // The equal data objects of the two entries share their bodies.
    EXPECT_EQ(&gathered[1].dataObjects.begin()->GetData(), &gathered[2].dataObjects.begin()->GetData());
    // A reply cut short in its second entry throws from the constructor and adds nothing.
    const Bytes shortBytes(bytes.begin(), bytes.end() - 5);
    EXPECT_THROW(SMsgDirG2MultiEntityReply(Received(shortBytes), gathered), BadMsgException);
    EXPECT_EQ(gathered.size(), 3u);
}

TEST_F(DirQueryTest, ContentsReplyUsesItsFixedMask) {
    SMsgDirG2GetDirectoryContentsReply reply;
    DirEntity dir;
    dir.type = DirEntity::kDirectory;
    dir.path = u"/not/sent";
    dir.name = u"d";
    dir.displayName = u"D";
    DirEntity svc = GameService();
    svc.name = u"s";
    svc.netAddress = "\x01\x02";
    svc.displayName = u"S";
    reply.SetEntities({svc, dir});
    const Bytes bytes = Packed(reply);
    const Bytes expected = {5, 2, 0, 101, 0, 0, 0, 0, 2, 0, 'S', 1, 0, 's', 0, 2, 1, 2, 1, 0, 'S', 0,
                            'D', 1, 0, 'd', 0, 1, 0, 'D', 0};
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(reply.ComputePackSize(), 5u + 3 + 12 + 9 + 4);
    SMsgDirG2GetDirectoryContentsReply back(Received(bytes));
    ASSERT_EQ(back.GetEntities().size(), 2u);
    EXPECT_EQ(back.GetEntities()[1].path, u"");
    EXPECT_EQ(back.GetEntities()[0].netAddress, "\x01\x02");
}

TEST_F(DirQueryTest, KeyPathsLoseOneTrailingSlash) {
    struct Case {
        std::u16string sent, read;
    } cases[] = {{u"/Games/", u"/Games"}, {u"/", u"/"}, {u"/Games//", u"/Games/"}, {u"", u""}};
    for (const Case& c : cases) {
        SMsgDirG2GetDirectoryContents msg;
        msg.SetPath(c.sent);
        SMsgDirG2GetDirectoryContents back(Received(Packed(msg)));
        EXPECT_EQ(back.GetPath(), c.read);
    }
    SMsgDirG2GetEntity service(true, false);
    EXPECT_EQ(Packed(service), (Bytes{5, 2, 0, 104, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0}));
}

TEST_F(DirQueryTest, DamagedRepliesThrowWithoutOverReading) {
    SMsgDirG2MultiEntityReply reply;
    reply.SetFieldMask(0x7071FF0);
    reply.SetEntities({GameService(), GameService()});
    const Bytes bytes = Packed(reply);
    for (size_t n = 0; n < bytes.size(); ++n)
        EXPECT_NE(ThrownText<SMsgDirG2MultiEntityReply>(Bytes(bytes.begin(), bytes.begin() + n)), "") << n;

    // A count far beyond what the bytes can hold is refused before any entry is made, whatever the mask.
    for (uint32_t mask : {0x0u, 0x10u, 0x7071FF0u}) {
        Bytes huge = {5, 2, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0};
        huge[8] = mask & 0xFF;
        huge[9] = (mask >> 8) & 0xFF;
        huge[10] = (mask >> 16) & 0xFF;
        huge[11] = mask >> 24;
        EXPECT_NE(ThrownText<SMsgDirG2MultiEntityReply>(huge).find("Attempt to read past end of message!"),
                  std::string::npos);
    }
    // Lists whose objects carry neither type nor data read as one empty object, whatever their count.
    Bytes emptyObjects = {5, 2, 0, 3, 0, 0, 0, 0, 0x00, 0x08, 0, 0, 0x00, 0x10};
    for (int i = 0; i < 0x1000; ++i) emptyObjects.insert(emptyObjects.end(), {0xFF, 0xFF});
    SMsgDirG2MultiEntityReply objects(Received(emptyObjects));
    ASSERT_EQ(objects.GetEntities().size(), 0x1000u);
    EXPECT_EQ(objects.GetEntities()[7].dataObjects.size(), 1u);
    EXPECT_EQ(objects.GetEntities()[7].dataObjects.begin()->GetType(), "");

    EXPECT_NE(ThrownText<SMsgDirG2GetNumEntitiesReply>({5, 2, 0, 111, 0, 0xFF, 0xFF, 0, 0}), "");
    EXPECT_NE(ThrownText<SMsgDirG2StatusReply>({5, 2, 0, 1, 0, 1}), "");
    EXPECT_NE(ThrownText<SMsgDirG2StatusReply>({5, 2}), "");
}

}  // namespace
}  // namespace TarnMsg::test
