// The directory server's handling of request bodies: what it refuses and how it answers.
#include <gtest/gtest.h>

#include "Tarn/msg/Dir/SMsgDirG2Query.h"
#include "Tarn/msg/Dir/SMsgDirG2Update.h"
#include "tools/tarn-server/DirectoryStore.h"

namespace {

using namespace TarnMsg;
using tarnserver::Body;
using tarnserver::DirectoryStore;

Body Bytes(BaseMessage& message) {
    const uint8_t* at = message.Pack();
    return Body(at, at + message.GetDataLen());
}

int16_t StatusOf(const std::vector<Body>& replies) {
    EXPECT_EQ(replies.size(), 1u);
    SmallMessage received(static_cast<uint32_t>(replies[0].size()), replies[0].data());
    return SMsgDirG2StatusReply(received).GetStatus();
}

Body AddBody(const std::u16string& path, const std::u16string& display, uint32_t lifespan = 120) {
    SMsgDirG2AddService add;
    add.SetPath(path);
    add.SetName(u"Kestrun");
    add.SetNetAddress(std::string("\x30\x39\x7f\x00\x00\x01", 6));
    add.SetDisplayName(display);
    add.SetLifespan(lifespan);
    return Bytes(add);
}

Body SetBody(uint32_t mode, const char* type, const char* data) {
    SMsgDirG2SetDataObjects set(true);
    set.SetPath(u"/Gravelon/Dir_1");
    set.SetName(u"Kestrun");
    set.SetNetAddress(std::string("\x30\x39\x7f\x00\x00\x01", 6));
    set.SetSetMode(mode);
    TarnCommon::DataObjectSet objects;
    objects.insert(TarnCommon::DataObject(type, data));
    set.SetDataObjects(objects);
    return Bytes(set);
}

std::vector<DirEntity> List(DirectoryStore& store, const std::u16string& path, int16_t* status) {
    SMsgDirG2GetEntity get(false, true);
    get.SetPath(path);
    get.SetFieldMask(0x07030F72);
    const Body body = Bytes(get);
    std::vector<DirEntity> all;
    for (const Body& reply : store.Handle(body.data(), body.size())) {
        SMsgDirG2MultiEntityReply multi(SmallMessage(static_cast<uint32_t>(reply.size()), reply.data()));
        *status = multi.GetStatus();
        all.insert(all.end(), multi.GetEntities().begin(), multi.GetEntities().end());
    }
    return all;
}

TEST(DirectoryStore, RefusesWhatItCannotRead) {
    DirectoryStore store([] { return int64_t{0}; });
    const std::vector<Body> bodies = {
        {},                          // nothing
        {5, 2, 0},                   // a header cut short
        {5, 3, 0, 202, 0},           // another service
        {3, 2, 202},                 // another header class
        {5, 2, 0, 203, 0, 0xFF},     // an add whose body ends inside its fields
        {5, 2, 0, 0x39, 0x30},       // an unknown request type
    };
    for (const Body& body : bodies) EXPECT_EQ(StatusOf(store.Handle(body.data(), body.size())), tarnserver::kBadRequest);
}

TEST(DirectoryStore, AddsIntoKnownDirectoriesOnlyAndRefusesLongTexts) {
    DirectoryStore store([] { return int64_t{0}; });
    Body body = AddBody(u"/Gravelon/Dir_9", u"race");
    EXPECT_EQ(StatusOf(store.Handle(body.data(), body.size())), tarnserver::kNoDirectory);
    body = AddBody(u"/Gravelon/Dir_1", std::u16string(300, u'x'));
    EXPECT_EQ(StatusOf(store.Handle(body.data(), body.size())), tarnserver::kBadRequest);
    body = AddBody(u"/Gravelon/Dir_1", u"race", 0);
    EXPECT_EQ(StatusOf(store.Handle(body.data(), body.size())), 0);
    int16_t status = 1;
    EXPECT_EQ(List(store, u"/Gravelon/Dir_1", &status).size(), 1u);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(List(store, u"/Nowhere", &status).empty());
    EXPECT_EQ(status, tarnserver::kNoDirectory);
}

TEST(DirectoryStore, SetModeZeroReplacesAndOtherModesMerge) {
    DirectoryStore store([] { return int64_t{0}; });
    Body body = AddBody(u"/Gravelon/Dir_1", u"race");
    ASSERT_EQ(StatusOf(store.Handle(body.data(), body.size())), 0);
    for (const Body& set : {SetBody(0, "MaxPlayers", "\x08"), SetBody(1, "NbPlayers", "\x02"),
                            SetBody(1, "NbPlayers", "\x03")})
        ASSERT_EQ(StatusOf(store.Handle(set.data(), set.size())), 0);
    int16_t status = 1;
    auto list = List(store, u"/Gravelon/Dir_1", &status);
    ASSERT_EQ(list.size(), 1u);
    ASSERT_EQ(list[0].dataObjects.size(), 2u);
    EXPECT_EQ(list[0].dataObjects.rbegin()->GetData(), "\x03");
    body = SetBody(0, "MaxPlayers", "\x04");
    ASSERT_EQ(StatusOf(store.Handle(body.data(), body.size())), 0);
    EXPECT_EQ(List(store, u"/Gravelon/Dir_1", &status)[0].dataObjects.size(), 1u);
}

TEST(DirectoryStore, LargeDirectoriesAnswerInPartsBelowTheMessageLimit) {
    DirectoryStore store([] { return int64_t{0}; });
    for (int i = 0; i < 1000; ++i) {
        SMsgDirG2AddService add;
        add.SetPath(u"/Gravelon/Dir_2");
        add.SetName(u"Kestrun");
        add.SetNetAddress(std::string(200, static_cast<char>(i)) + std::to_string(i));
        add.SetDisplayName(std::u16string(250, u'n'));
        const Body body = Bytes(add);
        ASSERT_EQ(StatusOf(store.Handle(body.data(), body.size())), 0);
    }
    SMsgDirG2GetEntity get(false, false);
    get.SetPath(u"/Gravelon/Dir_2");
    get.SetFieldMask(0x07030F72);
    const Body body = Bytes(get);
    const auto replies = store.Handle(body.data(), body.size());
    EXPECT_GT(replies.size(), 1u);
    size_t total = 0;
    for (size_t i = 0; i < replies.size(); ++i) {
        EXPECT_LE(replies[i].size(), tarnserver::kMaxReplyBytes + 64);
        SMsgDirG2MultiEntityReply multi(SmallMessage(static_cast<uint32_t>(replies[i].size()), replies[i].data()));
        EXPECT_EQ(multi.GetSequence(), i);
        EXPECT_EQ(multi.IsLastReply(), i + 1 == replies.size());
        total += multi.GetEntities().size();
    }
    EXPECT_EQ(total, 1000u);
}

TEST(DirectoryStore, RepeatedQueriesShareTheCachedRepliesUntilTheDirectoryChanges) {
    DirectoryStore store([] { return int64_t{0}; });
    auto add = [&](const std::string& address) {
        SMsgDirG2AddService message;
        message.SetPath(u"/Gravelon/Dir_3");
        message.SetName(u"Kestrun");
        message.SetNetAddress(address);
        const Body body = Bytes(message);
        return StatusOf(store.Handle(body.data(), body.size()));
    };
    ASSERT_EQ(add("one"), 0);
    SMsgDirG2GetEntity get(false, false);
    get.SetPath(u"/Gravelon/Dir_3");
    get.SetFieldMask(0x07030F72);
    const Body query = Bytes(get);
    const DirectoryStore::Replies first = store.Answer(query.data(), query.size());
    const DirectoryStore::Replies again = store.Answer(query.data(), query.size());
    EXPECT_EQ(first.get(), again.get());
    EXPECT_EQ(store.Handle(query.data(), query.size()), *first);
    // A change makes a fresh answer; the one handed out before stays as it was.
    const std::vector<Body> before = *first;
    ASSERT_EQ(add("two"), 0);
    const DirectoryStore::Replies changed = store.Answer(query.data(), query.size());
    EXPECT_NE(changed.get(), first.get());
    EXPECT_EQ(*first, before);
    SMsgDirG2MultiEntityReply multi(SmallMessage(static_cast<uint32_t>((*changed)[0].size()), (*changed)[0].data()));
    EXPECT_EQ(multi.GetEntities().size(), 2u);
}

}  // namespace
