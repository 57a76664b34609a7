// Directory entries whose fields live in a store shared by the entries of one reply: what a copy
// keeps alive, what an assignment replaces, and that the data objects read like the set they stand for.
#include <thread>
#include <vector>

#include "Tarn/msg/Dir/SMsgDirG2Query.h"
#include "Tarn/msg/Dir/tests/DirTestSupport.h"

namespace TarnMsg::test {
namespace {

using TarnCommon::DataObject;

DirEntity Service(const char16_t* name, char last) {
    DirEntity e;
    e.type = DirEntity::kService;
    e.path = u"/Gravelon/Dir_1";
    e.name = name;
    e.displayName = std::u16string(u"Sunday race ") + name;
    e.netAddress = std::string("\x65\x9a\x0a\x00\x00", 5) + last;
    e.dataObjects.insert(DataObject("NbPlayers", "\x03"));
    e.dataObjects.insert(DataObject("MaxPlayers", "\x08"));
    return e;
}

// The entries of one reply as the client reads them.
std::vector<DirEntity> ReadBack(const std::vector<DirEntity>& sent) {
    SMsgDirG2MultiEntityReply reply;
    reply.SetFieldMask(0x07030F72);
    reply.SetEntities(sent);
    reply.SetLastReply(true);
    const uint8_t* at = reply.Pack();
    std::vector<DirEntity> read;
    SMsgDirG2MultiEntityReply back(SmallMessage(reply.GetDataLen(), at), read);
    return read;
}

class DirEntityTest : public DirTest {};

TEST_F(DirEntityTest, FieldsReadLikeTheStringsAndTheSetTheyStandFor) {
    const DirEntity e = Service(u"Kestrun", 7);
    EXPECT_EQ(e.path, u"/Gravelon/Dir_1");
    EXPECT_EQ(e.path.size(), 15u);
    EXPECT_EQ(e.path.back(), u'1');
    EXPECT_EQ(std::u16string(e.name), u"Kestrun");
    EXPECT_EQ(e.netAddress.size(), 6u);
    EXPECT_EQ(e.netAddress[5], 7);
    EXPECT_EQ(std::string(e.netAddress), std::string("\x65\x9a\x0a\x00\x00\x07", 6));
    // One object per type, in type order, whatever the order of insertion; a second one of a type
    // is not taken, as a set would not take it.
    DirEntity changed = e;
    changed.dataObjects.insert(DataObject("MaxPlayers", "\x02"));
    ASSERT_EQ(changed.dataObjects.size(), 2u);
    EXPECT_EQ(changed.dataObjects.begin()->GetType(), "MaxPlayers");
    EXPECT_EQ(changed.dataObjects.begin()->GetData(), "\x08");
    EXPECT_EQ(changed.dataObjects.rbegin()->GetType(), "NbPlayers");
    EXPECT_EQ(changed.dataObjects.ToSet().size(), 2u);
    // Empty fields read as empty texts.
    const DirEntity none;
    EXPECT_TRUE(none.path.empty());
    EXPECT_EQ(none.displayName, u"");
    EXPECT_TRUE(none.dataObjects.empty());
    EXPECT_EQ(none.dataObjects.begin(), none.dataObjects.end());
}

TEST_F(DirEntityTest, AnAssignmentOrAnInsertChangesOnlyTheEntryItIsMadeOn) {
    std::vector<DirEntity> read = ReadBack({Service(u"A", 1), Service(u"B", 2)});
    ASSERT_EQ(read.size(), 2u);
    DirEntity copy = read[0];
    copy.displayName = u"Renamed";
    copy.dataObjects.insert(DataObject("Laps", "\x05"));
    copy.dataObjects.clear();
    EXPECT_EQ(read[0].displayName, u"Sunday race A");
    EXPECT_EQ(read[0].dataObjects.size(), 2u);
    EXPECT_EQ(read[1].displayName, u"Sunday race B");
    EXPECT_EQ(copy.displayName, u"Renamed");
    EXPECT_TRUE(copy.dataObjects.empty());
    EXPECT_EQ(copy.name, u"A");
}

TEST_F(DirEntityTest, CopiesOutliveTheListTheyWereReadInto) {
    DirEntity kept;
    DirText keptName;
    {
        std::vector<DirEntity> read = ReadBack({Service(u"First", 1), Service(u"Second", 2)});
        kept = read[1];
        keptName = read[0].displayName;
    }
    // Later replies take the blocks the first one gave back; the copies still read the old values.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadBack({Service(u"Other", 9)}).size(), 1u);
    EXPECT_EQ(kept.name, u"Second");
    EXPECT_EQ(kept.displayName, u"Sunday race Second");
    EXPECT_EQ(kept.netAddress[5], 2);
    EXPECT_EQ(kept.dataObjects.rbegin()->GetData(), "\x03");
    EXPECT_EQ(keptName, u"Sunday race First");
}

TEST_F(DirEntityTest, EntriesOfOneReplyAreReadAndDroppedOnOtherThreads) {
    // Copies of the entries of one reply share the reply's store; each thread reads and drops its own.
    std::vector<DirEntity> sent;
    for (int i = 0; i < 50; ++i) sent.push_back(Service(u"Race", static_cast<char>(i)));
    std::vector<DirEntity> read = ReadBack(sent);
    std::vector<std::thread> threads;
    std::vector<int> good(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([list = read, &count = good[t]] {
            for (const DirEntity& e : list)
                count += e.displayName == u"Sunday race Race" && e.dataObjects.size() == 2 ? 1 : 0;
        });
    }
    read.clear();
    for (std::thread& t : threads) t.join();
    for (int count : good) EXPECT_EQ(count, 50);
}

}  // namespace
}  // namespace TarnMsg::test
