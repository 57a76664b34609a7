// The directory client against our directory server on loopback: every request kind the game uses,
// failover across servers with each fault of the server, asynchronous calls, multi-part replies and
// cancellation.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "Tarn/api/WSSocket.h"
#include "Tarn/dir/DirectoryClient.h"
#include "tools/tarn-server/DirectoryServer.h"

namespace {

using namespace TarnAPI;
using tarnserver::DirectoryFaults;
using tarnserver::DirectoryServer;
using tarnserver::DirectoryStore;

constexpr long kTimeout = 10000;
const char kPath[] = "/Gravelon/Dir_3";
const char kAddress[] = {0x30, 0x39, 127, 0, 0, 1};

sockaddr_in Loopback(uint16_t port) { return IPSocket::MakeAddress(0x7F000001u, port); }

uint16_t ClosedPort() {
    tools::LoopbackServer probe;
    const uint16_t port = probe.Port();
    probe.Stop();
    return port;
}

// A directory server with its own store and clock.
struct Server {
    explicit Server(DirectoryFaults faults = {}) : store([this] { return now.load(); }), server(store) {
        server.SetFaults(faults);
    }
    std::atomic<int64_t> now{1000};
    DirectoryStore store;
    DirectoryServer server;
    sockaddr_in Address() const { return Loopback(server.Port()); }
};

long Add(const std::vector<sockaddr_in>& servers, sockaddr_in* out, const char* display = "Sunday race",
         long timeout = kTimeout, const char* address = kAddress) {
    return DirAddEntityA(nullptr, servers.data(), static_cast<uint32_t>(servers.size()), out, kPath, "Kestrun",
                         display, address, 6, 120, 1, 0, {}, timeout, false, {});
}

std::vector<TarnMsg::DirEntity> Query(const std::vector<sockaddr_in>& servers, long* status, long timeout = kTimeout) {
    std::vector<TarnMsg::DirEntity> list;
    *status = DirQueryA(nullptr, servers.data(), static_cast<uint32_t>(servers.size()), nullptr, kPath, &list,
                        0x07030F72, {}, nullptr, timeout, false, {});
    return list;
}

bool SameServer(const sockaddr_in& a, const sockaddr_in& b) {
    return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

TEST(DirectoryClient, RefusesBadArgumentsWithoutTraffic) {
    Server one;
    const sockaddr_in servers[] = {one.Address()};
    sockaddr_in out = one.Address();
    long reported = 0;
    DirResultContainer completion(
        new CompletionWithContents<const DirResult&, long*>(&reported, [](const DirResult& r, long* s) { *s = r.status; },
                                                            true),
        false);
    EXPECT_EQ(DirAddEntityA(nullptr, servers, 0, &out, kPath, "Kestrun", "x", kAddress, 6, 120, 1, 0, {}, kTimeout,
                            false, completion),
              kDirBadArguments);
    EXPECT_EQ(reported, kDirBadArguments);
    EXPECT_TRUE(IsEmptyServerRecord(out));
    EXPECT_EQ(DirRenewEntityA(nullptr, servers, 1, &out, kPath, "Kestrun", kAddress, 6, 120, -1, false, {}),
              kDirBadArguments);
    EXPECT_EQ(DirQueryA(nullptr, servers, 1, &out, kPath, nullptr, 0, {}, nullptr, kTimeout, false, {}),
              kDirBadArguments);
    EXPECT_EQ(one.server.Connections(), 0u);
}

TEST(DirectoryClient, PublishesRenewsUpdatesQueriesAndRemoves) {
    Server one;
    const std::vector<sockaddr_in> servers = {one.Address()};
    sockaddr_in published{};
    ASSERT_EQ(Add(servers, &published), kDirOk);
    EXPECT_TRUE(SameServer(published, one.Address()));

    TarnCommon::DataObjectSet objects;
    objects.insert(TarnCommon::DataObject("MaxPlayers", std::string(1, '\x08')));
    objects.insert(TarnCommon::DataObject("NbPlayers", std::string(1, '\x02')));
    EXPECT_EQ(DirSetDataObjectsA(nullptr, &published, 1, nullptr, kPath, "Kestrun", kAddress, 6, objects, 0,
                                 kTimeout, false, {}),
              kDirOk);

    long status = -1;
    std::vector<std::string> seen;
    std::vector<TarnMsg::DirEntity> list;
    status = DirQueryA(nullptr, servers.data(), 1, nullptr, kPath, &list, 0x07030F72, {},
                       [&](const TarnMsg::DirEntity& e) { seen.push_back(std::string(e.netAddress)); }, kTimeout,
                       false, {});
    ASSERT_EQ(status, kDirOk);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].displayName, u"Sunday race");
    EXPECT_EQ(list[0].netAddress, std::string(kAddress, 6));
    EXPECT_EQ(list[0].dataObjects.size(), 2u);
    EXPECT_EQ(seen.size(), 1u);

    // The lifespan runs out unless renewed; a renewal of an expired entry is refused.
    one.now += 100;
    EXPECT_EQ(DirRenewEntityA(nullptr, &published, 1, nullptr, kPath, "Kestrun", kAddress, 6, 120, kTimeout, false, {}),
              kDirOk);
    one.now += 100;
    EXPECT_EQ(Query(servers, &status).size(), 1u);
    one.now += 100;
    EXPECT_TRUE(Query(servers, &status).empty());
    EXPECT_EQ(DirRenewEntityA(nullptr, &published, 1, nullptr, kPath, "Kestrun", kAddress, 6, 120, kTimeout, false, {}),
              tarnserver::kNotFound);

    ASSERT_EQ(Add(servers, nullptr), kDirOk);
    EXPECT_EQ(DirRemoveEntityA(nullptr, &published, 1, nullptr, kPath, "Kestrun", kAddress, 6, kTimeout, false, {}),
              kDirOk);
    EXPECT_TRUE(Query(servers, &status).empty());
    EXPECT_EQ(status, kDirOk);
}

TEST(DirectoryClient, UniqueDisplayNameIsRefusedForAnotherEntry) {
    Server one;
    const std::vector<sockaddr_in> servers = {one.Address()};
    ASSERT_EQ(Add(servers, nullptr, "Same name"), kDirOk);
    const char other[] = {0x30, 0x3A, 127, 0, 0, 2};
    EXPECT_EQ(Add(servers, nullptr, "Same name", kTimeout, other), tarnserver::kNameTaken);
    EXPECT_EQ(Add(servers, nullptr, "Same name"), kDirOk);  // the same entry again replaces itself
}

// Each faulty first server is passed over for the good one after it.
struct FaultCase {
    const char* name;
    DirectoryFaults faults;
};

class Failover : public ::testing::TestWithParam<FaultCase> {};

TEST_P(Failover, MovesOnToTheNextServer) {
    Server bad(GetParam().faults);
    Server good;
    const std::vector<sockaddr_in> servers = {Loopback(ClosedPort()), bad.Address(), good.Address()};
    sockaddr_in out{};
    EXPECT_EQ(Add(servers, &out, "Sunday race", 2000), kDirOk);
    EXPECT_TRUE(SameServer(out, good.Address()));
    long status = -1;
    EXPECT_EQ(Query(servers, &status, 2000).size(), 1u);
    EXPECT_EQ(status, kDirOk);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, Failover,
    ::testing::Values(FaultCase{"CloseOnAccept", {.closeOnAccept = true}}, FaultCase{"Hang", {.hangNoReply = true}},
                      FaultCase{"WrongType", {.replyWrongType = true}}, FaultCase{"Status", {.replyStatus = -3}},
                      FaultCase{"Truncated", {.replyTruncated = true}}, FaultCase{"Garbage", {.replyGarbage = true}},
                      FaultCase{"HugePrefix", {.hugeLengthPrefix = true}}),
    [](const auto& param) { return std::string(param.param.name); });

struct LastErrorCase {
    const char* name;
    DirectoryFaults faults;
    long status;
};

class AllFail : public ::testing::TestWithParam<LastErrorCase> {};

TEST_P(AllFail, ReportsTheLastServersErrorAndNoServer) {
    Server first({.replyStatus = -3});
    Server last(GetParam().faults);
    const std::vector<sockaddr_in> servers = {Loopback(ClosedPort()), first.Address(), last.Address()};
    sockaddr_in out{};
    EXPECT_EQ(Add(servers, &out, "Sunday race", 500), GetParam().status);
    EXPECT_TRUE(IsEmptyServerRecord(out));
}

INSTANTIATE_TEST_SUITE_P(Faults, AllFail,
                         ::testing::Values(LastErrorCase{"Status", {.replyStatus = -5}, -5},
                                           LastErrorCase{"WrongType", {.replyWrongType = true}, kDirWrongReply},
                                           LastErrorCase{"Garbage", {.replyGarbage = true}, kDirWrongReply},
                                           LastErrorCase{"Hang", {.hangNoReply = true}, kDirNoReply},
                                           LastErrorCase{"Closed", {.closeOnAccept = true}, kDirClosed}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(DirectoryClient, ReadsEveryPartOfAMultiPartReply) {
    Server one;
    one.store.SetMaxEntriesPerReply(2);
    const std::vector<sockaddr_in> servers = {one.Address()};
    for (int i = 0; i < 5; ++i) {
        const char address[] = {0x30, 0x39, 10, 0, 0, static_cast<char>(i)};
        ASSERT_EQ(Add(servers, nullptr, ("Race " + std::to_string(i)).c_str(), kTimeout, address), kDirOk);
    }
    long status = -1;
    std::vector<uint8_t> order;
    std::vector<TarnMsg::DirEntity> list;
    status = DirQueryA(nullptr, servers.data(), 1, nullptr, kPath, &list, 0x07030F72, {},
                       [&](const TarnMsg::DirEntity& e) { order.push_back(static_cast<uint8_t>(e.netAddress[5])); },
                       kTimeout, false, {});
    EXPECT_EQ(status, kDirOk);
    EXPECT_EQ(list.size(), 5u);
    EXPECT_EQ(order, (std::vector<uint8_t>{0, 1, 2, 3, 4}));
    // A second query on the same server finds nothing left over from the first.
    EXPECT_EQ(Query(servers, &status).size(), 5u);
}

TEST(DirectoryClient, AsynchronousCallCompletesOnceWithTheFinalStatus) {
    Server bad({.replyStatus = -3});
    Server good;
    const std::vector<sockaddr_in> servers = {bad.Address(), good.Address()};
    struct Seen {
        Event done;
        std::atomic<int> calls{0};
        long status = 0;
        sockaddr_in server{};
    } seen;
    sockaddr_in out{};
    DirResultContainer completion(new CompletionWithContents<const DirResult&, Seen*>(
                                      &seen,
                                      [](const DirResult& r, Seen* s) {
                                          s->status = r.status;
                                          s->server = r.server;
                                          ++s->calls;
                                          s->done.Set();
                                      },
                                      true),
                                  false);
    EXPECT_EQ(DirAddEntityA(nullptr, servers.data(), 2, &out, kPath, "Kestrun", "x", kAddress, 6, 120, 1, 0, {},
                            kTimeout, true, completion),
              kDirPending);
    ASSERT_TRUE(seen.done.WaitFor(30000));
    DirWaitForRequests();
    EXPECT_EQ(seen.calls.load(), 1);
    EXPECT_EQ(seen.status, kDirOk);
    EXPECT_TRUE(SameServer(seen.server, good.Address()));
    EXPECT_TRUE(SameServer(out, good.Address()));
}

TEST(DirectoryClient, CancelEndsARequestWaitingOnAHungServer) {
    Server hung({.hangNoReply = true});
    Server good;
    const std::vector<sockaddr_in> servers = {hung.Address(), good.Address()};
    DirCancel cancel;
    long status = -1;
    std::thread request([&] {
        status = DirAddEntityA(nullptr, servers.data(), 2, nullptr, kPath, "Kestrun", "x", kAddress, 6, 120, 1, 0, {},
                               600000, false, {}, &cancel);
    });
    // Waits until the hung server holds the request, then cancels it.
    for (int i = 0; i < 30000 && hung.server.Requests() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    cancel.Cancel();
    request.join();
    EXPECT_EQ(status, kDirCancelled);
    EXPECT_EQ(good.server.Connections(), 0u);  // a cancelled request goes to no further server
}

}  // namespace
