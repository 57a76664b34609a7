// The online directory glue: directory numbers, the ini file, the game records made from directory
// entries, and publishing, renewing, updating, searching and removing against our directory server
// in this process.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "Tarn/api/Event.h"
#include "game/net/NetDirectory.h"
#include "game/net/NetGame.h"
#include "tools/tarn-server/DirectoryServer.h"

namespace kes {
namespace {

TEST(NetDirectory, DirectoryNumbers) {
    struct Case {
        std::string name;
        int number;
    };
    const Case cases[] = {
        {"", 1},
        {"A", ((65 >> 2) & 7) + 1},
        {"Race", ((('R' + 'a' + 'c' + 'e') >> 2) & 7) + 1},
        {"\xE9t\xE9", (((-23 + 't' - 23) >> 2) & 7) + 1},  // bytes above 0x7F count as negative
        {"\xFF", ((-1 >> 2) & 7) + 1},
    };
    for (const Case& c : cases) EXPECT_EQ(DirectoryNumberOf(c.name), c.number) << c.name;
}

TEST(NetDirectory, IniValues) {
    struct Case {
        const char* text;
        const char* value;  // null: not found
    };
    const Case cases[] = {
        {"LocalIP = 10.0.0.7\n", "10.0.0.7"},
        {"LocalIP = \"10.0.0.8\"\r\n", "10.0.0.8"},
        {"; LocalIP = 10.0.0.9\n", nullptr},
        {";LocalIP = 10.0.0.9\nLocalIP = 1.2.3.4", "1.2.3.4"},
        {"LocalIP =\n  10.0.0.10\n", "10.0.0.10"},
        {"Other = 1\nLocalIP\t=\t10.0.0.11", "10.0.0.11"},
        {"LocalIP : 10.0.0.12\n", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        std::string value;
        EXPECT_EQ(FindIniValue(c.text, "LocalIP", value), c.value != nullptr) << c.text;
        if (c.value) {
            EXPECT_EQ(value, c.value);
        }
    }
    std::string value;
    ASSERT_TRUE(FindIniValue("LocalIP = " + std::string(200, '7'), "LocalIP", value));
    EXPECT_EQ(value.size(), 63u);
}

TarnMsg::DirEntity Entity(std::initializer_list<std::pair<const char*, std::string>> objects,
                          std::string netAddress = std::string("\x30\x39\x7F\x00\x00\x01", 6)) {
    TarnMsg::DirEntity e;
    e.displayName = u"A game with a name far longer than thirty characters";
    e.netAddress = std::move(netAddress);
    for (const auto& [type, data] : objects) e.dataObjects.insert(TarnCommon::DataObject(type, data));
    return e;
}

TEST(NetDirectory, GameRecordsFromEntities) {
    ServerRecord record;
    ASSERT_TRUE(GameRecordFromEntity(Entity({{"MaxPlayers", "\x08"}, {"NbPlayers", "\x03"}}), record));
    EXPECT_EQ(record.maxPlayers, 8u);
    EXPECT_EQ(record.players, 3u);
    EXPECT_EQ(std::string(record.name), "A game with a name far longer ");
    EXPECT_EQ(record.session[0], 0x30);
    EXPECT_EQ(record.session[5], 0x01);
    EXPECT_EQ(record.session[6], 0);
    // An object without data reads as 0 instead of reading past it.
    ASSERT_TRUE(GameRecordFromEntity(Entity({{"MaxPlayers", ""}, {"NbPlayers", ""}}), record));
    EXPECT_EQ(record.maxPlayers, 0u);
    EXPECT_FALSE(GameRecordFromEntity(Entity({{"MaxPlayers", "\x08"}}), record));
    EXPECT_FALSE(GameRecordFromEntity(Entity({{"MaxPlayers", "\x08"}, {"NbPlayers", "\x01"}}, "\x01\x02"), record));
}

// One hosted online game in this process, published to an in-process directory server.
class OnlineHost : public ::testing::Test {
protected:
    void SetUp() override {
        server.SetFaults({});
        plat::SessionOptions options;
        options.bindAddress = "127.0.0.1";
        options.gamePort = 0;
        options.discoveryPort = 0;
        NetSetSessionOptions(options);
        NetSetDirectoryServers({"127.0.0.1:" + std::to_string(server.Port())});
        NetSetDirectoryTiming(50, 5000);
        ASSERT_EQ(NetInit(1), 0);
    }
    void TearDown() override { NetShutdown(); }

    // Waits (bounded) until the condition holds.
    template <typename F>
    bool Eventually(F condition) {
        for (int i = 0; i < 20000; ++i) {
            if (condition()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return condition();
    }

    std::atomic<int64_t> now{1000};
    tarnserver::DirectoryStore store{[this] { return now.load(); }};
    tarnserver::DirectoryServer server{store};
};

const std::u16string kDir = u"/Gravelon/Dir_" + std::u16string(1, char16_t(u'0' + ((('R' + 'a' + 'c' + 'e') >> 2) & 7) + 1));

TEST_F(OnlineHost, PublishesRenewsRepublishesAndRemoves) {
    NetPlayerInfo info;
    ASSERT_EQ(NetHostGame("Host", &info, "Race"), 0);
    EXPECT_EQ(store.CountLive(kDir), 1u);
    // Renewals keep the entry alive past its lifespan of 120 s.
    for (int i = 0; i < 4; ++i) {
        const uint32_t before = server.Requests();
        ASSERT_TRUE(Eventually([&] { return server.Requests() >= before + 2; }));
        now += 60;
        EXPECT_EQ(store.CountLive(kDir), 1u);
    }
    // A server that lost the entry gets it again at the next renewal.
    store.Forget();
    ASSERT_TRUE(Eventually([&] { return store.CountLive(kDir) == 1; }));
    NetShutdown();
    EXPECT_EQ(store.CountLive(kDir), 0u);
}

TEST_F(OnlineHost, HostingFailsWhenNoServerTakesTheGame) {
    server.SetFaults({.replyStatus = -3});
    NetPlayerInfo info;
    EXPECT_EQ(NetHostGame("Host", &info, "Race"), -1);
    EXPECT_EQ(NetGetMode(), 0u);
}

struct Found {
    std::mutex lock;
    std::vector<ServerRecord> records;
    int end = 0;  // 1 done, 2 failed
    TarnAPI::Event done;
};
Found* g_found = nullptr;
std::atomic<int> g_callsAfterStop{0};
std::atomic<bool> g_stopped{false};

void Collect(const ServerRecord* record) {
    if (g_stopped) ++g_callsAfterStop;
    std::lock_guard lock(g_found->lock);
    if (!record) {
        g_found->end = 1;
        g_found->done.Set();
    } else if (reinterpret_cast<uintptr_t>(record) == ~uintptr_t{0}) {
        g_found->end = 2;
        g_found->done.Set();
    } else {
        g_found->records.push_back(*record);
    }
}

TEST_F(OnlineHost, SearchFindsThePublishedGameWithItsPort) {
    NetPlayerInfo info;
    ASSERT_EQ(NetHostGame("Host", &info, "Race"), 0);
    // The player counts arrive with the first data-object update.
    ASSERT_TRUE(Eventually([&] { return server.Requests() >= 2; }));
    Found found;
    g_found = &found;
    ASSERT_EQ(StartGameSearch(Collect, 1), 0);
    ASSERT_TRUE(found.done.WaitFor(30000));
    StopGameSearch();
    EXPECT_EQ(found.end, 1);
    ASSERT_EQ(found.records.size(), 1u);
    const ServerRecord& r = found.records[0];
    EXPECT_EQ(std::string(r.name), "Race");
    EXPECT_EQ(r.players, 1u);
    EXPECT_EQ(r.maxPlayers, 8u);
    EXPECT_EQ(r.session[0] << 8 | r.session[1], NetSession().GamePort());
    EXPECT_EQ(r.session[2], 127);
    EXPECT_EQ(r.session[5], 1);
    g_found = nullptr;
}

TEST_F(OnlineHost, FailedSearchReportsMinusOne) {
    server.SetFaults({.replyWrongType = true});
    Found found;
    g_found = &found;
    ASSERT_EQ(StartGameSearch(Collect, 1), 0);
    ASSERT_TRUE(found.done.WaitFor(30000));
    StopGameSearch();
    EXPECT_EQ(found.end, 2);
    g_found = nullptr;
}

TEST_F(OnlineHost, StopDuringAHungQueryReturnsAndNothingIsReportedAfter) {
    server.SetFaults({.hangNoReply = true});
    NetSetDirectoryTiming(50, 600000);
    Found found;
    g_found = &found;
    ASSERT_EQ(StartGameSearch(Collect, 1), 0);
    ASSERT_TRUE(Eventually([&] { return server.Requests() >= 1; }));
    StopGameSearch();  // would wait ten minutes without cancellation
    g_stopped = true;
    EXPECT_EQ(found.end, 0);
    EXPECT_EQ(g_callsAfterStop.load(), 0);
    g_found = nullptr;
}

}  // namespace
}  // namespace kes
