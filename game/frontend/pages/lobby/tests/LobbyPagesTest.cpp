// The game list, host page and game room run step by step in the test process over the real network
// layer on loopback; the other player is a netdriver process.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "game/app/loop/FrameLoop.h"
#include "game/core/config/Config.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/pages/lobby/LobbyInternal.h"
#include "game/frontend/profile/Profile.h"
#include "game/net/tests/DriverProcess.h"
#include "game/net/tests/NetTestSupport.h"

namespace kes {
namespace {

enum : uint32_t { kListBack = 1, kListHost = 2, kListJoin = 3, kListRefresh = 4, kList = 5 };
enum : uint32_t { kHostButton = 2, kHostName = 6 };
enum : uint32_t { kRoomLeave = 1, kRoomStart = 3, kRoomChat = 5, kRoomPlayers = 6, kValue0 = 11, kValue0Right = 13 };

class LobbyPages : public ::testing::Test {
protected:
    void SetUp() override {
        FrontEnd().profile = std::make_unique<Profile>();
        FrontEnd().profile->SetName("Tester");
        g_Config = ConfigRecord{};
        Flow() = GameFlowState{};
        MenuKeyWords() = MenuKeys{};
        SetLobbyNetInit(nullptr);
        NetSetSessionOptions(test::Loopback());
        InstallMainPages();
        InstallLobbyPages();
        ClearQuitRequest();
    }
    void TearDown() override {
        LeaveMenuPage();
        NetShutdown();
        NetSetSearchTargets({});
        SetLobbyNetInit(nullptr);
        FrontEnd().profile.reset();
        ClearQuitRequest();
    }

    MenuItem& Item(uint32_t index) { return CurrentMenuItems()[index]; }
    // One 10-ms step of the current page, with the network step the menu frame runs before it.
    void Step() {
        NetAdvanceClock(10);
        if (MenuPage* page = MenuPageAt(static_cast<uint32_t>(CurrentMenuPage())); page && page->update) page->update();
    }
    void Steps(int n) {
        for (int i = 0; i < n; ++i) Step();
    }
    void Click(uint32_t index) {
        const int32_t page = CurrentMenuPage();
        Item(index).state |= kItemClicked;
        Step();
        if (CurrentMenuPage() == page) Item(index).state &= ~kItemClicked;
    }
    // Steps (as the frames would, in real time) until `done` holds or ten seconds have passed.
    bool StepUntil(const std::function<bool()>& done, int ms = 10000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            Step();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return done();
    }
    std::string Row(uint32_t item, uint32_t row) {
        const char* const* rows = Item(item).list;
        for (uint32_t i = 0; rows && i <= row; ++i)
            if (!rows[i]) return "<end>";
        return rows ? rows[row] : "<none>";
    }
    // The game list, on the local network, searching the netdriver's game at its discovery port.
    void EnterLanList(uint16_t discoveryPort) {
        NetSetSearchTargets({{"127.0.0.1", discoveryPort}, {"127.0.0.1", discoveryPort}});
        Flow().networkKind = kLocalNetwork;
        SetMenuPage(kGameListPage);
    }
};

// A netdriver hosting a game; its discovery and game ports.
struct DriverHost {
    test::DriverProcess driver;
    uint16_t gamePort = 0, discoveryPort = 0;
    explicit DriverHost(const std::string& session) {
        const std::string reply = driver.Command("host Ann " + session);
        unsigned game = 0, discovery = 0;
        if (std::sscanf(reply.c_str(), "port %u %u", &game, &discovery) == 2) {
            gamePort = static_cast<uint16_t>(game);
            discoveryPort = static_cast<uint16_t>(discovery);
        }
    }
};

TEST_F(LobbyPages, AGameReportedManyTimesIsListedOnceAndCanBeJoined) {
    DriverHost host("Vosk");
    ASSERT_NE(host.discoveryPort, 0) << host.driver.FirstLine();
    EnterLanList(host.discoveryPort);
    EXPECT_EQ(Item(0).label, 65u);
    EXPECT_TRUE(GameListSearching());
    // Each of the search's rounds asks both targets: the game answers several times.
    ASSERT_TRUE(StepUntil([] { return GameListGameCount() == 1; }));
    // Refresh while the search runs changes nothing.
    Click(kListRefresh);
    EXPECT_EQ(GameListGameCount(), 1u);
    ASSERT_TRUE(StepUntil([] { return !GameListSearching(); }));
    EXPECT_EQ(GameListGameCount(), 1u);
    EXPECT_EQ(GameListStatusText(), 0u);
    Step();
    EXPECT_EQ(Row(kList, 0).substr(0, 16), "Vosk            ");
    EXPECT_NE(Row(kList, 0).find("1/8"), std::string::npos) << Row(kList, 0);
    EXPECT_EQ(Row(kList, 1), "<end>");
    EXPECT_FLOAT_EQ(Item(kList).maximum, 0.9f);

    Click(kListJoin);
    ASSERT_EQ(CurrentMenuPage(), static_cast<int32_t>(kGameRoomPage));
    EXPECT_EQ(host.driver.WaitFor("slots", [](const std::string& r) { return r.find("2:Tester") != std::string::npos; }),
              "slots 1 1:Ann,2:Tester,");
    ASSERT_TRUE(StepUntil([&] { return Row(kRoomPlayers, 0).rfind("(1) Ann", 0) == 0; })) << Row(kRoomPlayers, 0);
    EXPECT_EQ(Row(kRoomPlayers, 1).rfind("(2) Tester", 0), 0u) << Row(kRoomPlayers, 1);
    for (uint32_t row = 2; row < 8; ++row) EXPECT_EQ(Row(kRoomPlayers, row), "") << row;

    // The host's chat line reaches the history; ours is cut to 31 characters on both sides.
    EXPECT_EQ(host.driver.Command("chat hello there"), "ok");
    ASSERT_TRUE(StepUntil([&] { return Row(kRoomChat, 5) == "1>hello there"; })) << Row(kRoomChat, 5);
    // The message carries 31 characters; a history line holds the sender and 29 of them.
    const std::string typed = "0123456789012345678901234567890123456789";
    uint8_t message[kChatMessageMax];
    ASSERT_EQ(NetBuildChat(typed.c_str(), message), 37u);
    EXPECT_EQ(message[4], 32u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(message + 5)), typed.substr(0, 31));
    SendChatLine(typed);
    const std::string cut = "2>" + typed.substr(0, 29);
    ASSERT_TRUE(StepUntil([&] { return Row(kRoomChat, 5) == cut; })) << Row(kRoomChat, 5);
    EXPECT_EQ(Row(kRoomChat, 4), "1>hello there");
    EXPECT_NE(host.driver.WaitFor("chatlines", [&](const std::string& r) { return r.find(cut) != std::string::npos; })
                  .find(cut + "|"),
              std::string::npos);
    // Our line is in the history once: the host's next line follows it directly.
    EXPECT_EQ(host.driver.Command("chat next"), "ok");
    ASSERT_TRUE(StepUntil([&] { return Row(kRoomChat, 5) == "1>next"; })) << Row(kRoomChat, 5);
    EXPECT_EQ(Row(kRoomChat, 4), cut);
    EXPECT_EQ(Row(kRoomChat, 3), "1>hello there");

    // The host's start ends the client's menu loop with code 2 and clears the start flag.
    EXPECT_EQ(host.driver.Command("start"), "ok");
    ASSERT_TRUE(StepUntil([] { return QuitRequested(); }));
    EXPECT_EQ(NetStartFlag(), 0u);
}

TEST_F(LobbyPages, AClientWhoseHostLeftShutsTheNetworkDownAndReturnsToTheMainPage) {
    DriverHost host("Gone");
    ASSERT_NE(host.gamePort, 0);
    ASSERT_EQ(NetInit(0), 0);
    const NetPlayerInfo info = LocalPlayerInfo();
    ASSERT_EQ(NetJoinGameAt("Tester", &info, "127.0.0.1", host.gamePort), 0);
    SetMenuPage(kGameRoomPage);
    ASSERT_TRUE(StepUntil([&] { return Row(kRoomPlayers, 0).rfind("(1) Ann", 0) == 0; }));
    EXPECT_EQ(host.driver.Command("leave"), "left");
    ASSERT_TRUE(StepUntil([] { return CurrentMenuPage() == static_cast<int32_t>(kLobbyMainPage); }));
    EXPECT_EQ(NetIsActive(), 0u);
}

TEST_F(LobbyPages, AHostThatLosesItsSessionReturnsToTheMainPage) {
    ASSERT_EQ(NetInit(0), 0);
    const NetPlayerInfo info = LocalPlayerInfo();
    ASSERT_EQ(NetHostGame("Tester", &info, "Alone"), 0);
    SetMenuPage(kGameRoomPage);
    Steps(3);
    EXPECT_EQ(CurrentMenuPage(), static_cast<int32_t>(kGameRoomPage));
    EXPECT_EQ(Row(kRoomPlayers, 0).rfind("(1) Tester", 0), 0u) << Row(kRoomPlayers, 0);
    EXPECT_EQ(Row(kRoomPlayers, 9), " : ????") << "no world chosen";
    NetSession().Leave();
    Step();
    EXPECT_EQ(CurrentMenuPage(), static_cast<int32_t>(kLobbyMainPage));
}

TEST_F(LobbyPages, WithoutANetworkHostJoinAndRefreshDoNothing) {
    SetLobbyNetInit([](uint32_t) { return -1; });
    Flow().networkKind = kOnlineDirectory;
    SetMenuPage(kOnlineGameListPage);
    EXPECT_EQ(Item(0).label, 9u);
    EXPECT_EQ(GameListStatusText(), kStatusNetworkFailed);
    EXPECT_EQ(Flow().networkKind, kNoNetwork);
    EXPECT_FALSE(GameListSearching()) << "the status line shows the failure, not a search";
    for (uint32_t item : {kListHost, kListJoin, kListRefresh}) {
        Click(item);
        EXPECT_EQ(CurrentMenuPage(), static_cast<int32_t>(kOnlineGameListPage)) << item;
    }
    Steps(200);
    EXPECT_FALSE(GameListSearching());
    EXPECT_EQ(Item(kList).list, nullptr);
    Click(kListBack);
    EXPECT_EQ(CurrentMenuPage(), static_cast<int32_t>(kLobbyMainPage));
}

// What the search thread reports: a failure drops the network kind; the end only ends the search.
TEST_F(LobbyPages, TheSearchsEndAndFailureAsReported) {
    const struct {
        const ServerRecord* report;
        uint32_t status, kind;
    } kCases[] = {
        {reinterpret_cast<const ServerRecord*>(~uintptr_t{0}), kStatusSearchFailed, kNoNetwork},
        {nullptr, 0, kLocalNetwork},
    };
    NetSetSearchTargets({{"127.0.0.1", 9}});
    for (const auto& c : kCases) {
        Flow().networkKind = kLocalNetwork;
        SetMenuPage(kGameListPage);
        ASSERT_TRUE(GameListSearching());
        OnGameFound(c.report);
        Step();
        EXPECT_FALSE(GameListSearching());
        EXPECT_EQ(GameListStatusText(), c.status);
        EXPECT_EQ(Flow().networkKind, c.kind);
        LeaveMenuPage();
    }
}

TEST_F(LobbyPages, TheListKeepsOneLinePerSessionAndAnEmptyListJoinsNothing) {
    NetSetSearchTargets({{"127.0.0.1", 9}});
    Flow().networkKind = kLocalNetwork;
    SetMenuPage(kGameListPage);
    Click(kListJoin);
    EXPECT_EQ(CurrentMenuPage(), static_cast<int32_t>(kGameListPage));
    EXPECT_EQ(Item(kList).list, nullptr);
    EXPECT_EQ(Item(kList).maximum, 0.0f);

    ServerRecord a, b;
    std::strcpy(a.name, "First");
    a.session[0] = 1;
    std::strcpy(b.name, "Second");
    b.session[0] = 2;
    for (const ServerRecord* r : {&a, &a, &b, &a, &b}) OnGameFound(r);
    Step();
    EXPECT_EQ(GameListGameCount(), 2u);
    EXPECT_EQ(Row(kList, 0).substr(0, 5), "First");
    EXPECT_EQ(Row(kList, 1).substr(0, 6), "Second");
    EXPECT_EQ(Row(kList, 2), "<end>");
    // The lock is free again: another game is taken.
    ServerRecord c;
    c.session[0] = 3;
    OnGameFound(&c);
    EXPECT_EQ(GameListGameCount(), 3u);
    // The down key moves the selection, kept within the list.
    for (int i = 0; i < 5; ++i) {
        MenuKeyWords().down = 1;
        Step();
    }
    EXPECT_EQ(Item(kList).value, 2.0f);
}

TEST_F(LobbyPages, TheHostPageOpensTheGameUnderTheStoredName) {
    ASSERT_EQ(NetInit(0), 0);
    SetMenuPage(kHostPage);
    Step();
    EXPECT_EQ(g_Config.hostedNameEntered, 1u);
    ASSERT_NE(Item(kHostName).text, nullptr);
    EXPECT_STREQ(Item(kHostName).text, "Vosk Server");
    Click(kHostButton);
    EXPECT_EQ(CurrentMenuPage(), static_cast<int32_t>(kLobbyChampionshipPage));
    EXPECT_EQ(NetGetMode(), 2u);
    EXPECT_EQ(NetSession().Name(), "Vosk Server");
}

TEST_F(LobbyPages, AClientChoosesItsAidsWithinTheirRange) {
    DriverHost host("Aids");
    ASSERT_NE(host.gamePort, 0);
    ASSERT_EQ(NetInit(0), 0);
    const NetPlayerInfo info = LocalPlayerInfo();
    ASSERT_EQ(NetJoinGameAt("Tester", &info, "127.0.0.1", host.gamePort), 0);
    FrontEnd().profile->SetValue(0, 0);
    SetMenuPage(kGameRoomPage);
    EXPECT_NE(Item(kRoomStart).flags & kItemHidden, 0u) << "a client cannot start";
    EXPECT_EQ(Item(kValue0).flags & kItemHidden, 0u);
    Step();
    EXPECT_EQ(Item(kValue0).label, 79u);
    Click(kValue0Right);
    EXPECT_EQ(FrontEnd().profile->GetValue(0), 1u);
    EXPECT_EQ(Item(kValue0).label, 81u);
    EXPECT_EQ(Flow().setupValue0, 1u);
    Click(kValue0Right);
    Click(kValue0Right);
    EXPECT_EQ(FrontEnd().profile->GetValue(0), 2u) << "at most 2";
    Click(kRoomLeave);
    EXPECT_EQ(CurrentMenuPage(), static_cast<int32_t>(kLobbyMainPage));
}

}  // namespace
}  // namespace kes
