// The lobby pages run by the real game program, headless with scripted input: one copy of the game
// hosts a named game on the local network and waits in its game room, where a netdriver player joins
// and chats and a second copy of the game finds the game in its list. Both are checked by their event
// logs and by screen grabs read by region (copies kept in the build folder's lobby_screens/).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <regex>
#include <thread>

#include "game/app/loop/tests/ScreenGrab.h"
#include "game/frontend/flow/tests/FlowProgram.h"
#include "game/net/tests/DriverProcess.h"

namespace kes::testing {
namespace {

constexpr int kEsc = 1;
constexpr int kGrab = 88;  // F12


// Places on the menus (the middle of each button).
constexpr int kLanGame[2] = {450, 229}, kOnlineGame[2] = {450, 268}, kProfileOk[2] = {556, 432}, kListHost[2] = {481, 149};
constexpr int kListRefresh[2] = {481, 262}, kNameBox[2] = {328, 250}, kHostButton[2] = {482, 432};
constexpr int kAddAll[2] = {448, 378}, kSetupOk[2] = {567, 432}, kQuit[2] = {318, 443};
constexpr int kListJoin[2] = {481, 206}, kChatBox[2] = {483, 177}, kRoomLeave[2] = {80, 436};
constexpr int kRoomStart[2] = {481, 436};
constexpr int kReturn = 28, kThrottle = 54;  // right Shift

// Two UDP ports in a row that are free now (the game port and the search port after it).
uint16_t FreePortPair() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        int a = socket(AF_INET, SOCK_DGRAM, 0), b = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        uint16_t port = 0;
        if (bind(a, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            getsockname(a, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port = ntohs(address.sin_port);
            address.sin_port = htons(static_cast<uint16_t>(port + 1));
            if (port >= 65534 || bind(b, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) port = 0;
        }
        close(a);
        close(b);
        if (port) return port;
    }
    return 0;
}

// One copy of the game running in its own folder, in the background.
class GameProcess {
public:
    GameProcess(const fs::path& folder, const std::string& script, const std::string& netEnvironment, int frames) {
        std::ofstream(folder / "input.txt") << script;
        const std::string command =
            "GRAVELON_QUIT_AFTER_FRAMES=" + std::to_string(frames) + " GRAVELON_FRAME_MS=" + std::to_string(kFrameMs) +
            " GRAVELON_SEED=7 GRAVELON_HEADLESS=1 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null " +
            netEnvironment + " GRAVELON_INPUT='" + (folder / "input.txt").string() + "' GRAVELON_REGISTRY='" +
            (folder / "registry.store").string() + "' GRAVELON_EVENT_LOG='" + (folder / "events.txt").string() +
            "' exec '" + (folder / "Kestrun").string() + "' /NOCONFIG /WINDOW > '" + (folder / "out.txt").string() +
            "' 2>&1";
        pid_ = fork();
        if (pid_ == 0) {
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~GameProcess() { Kill(); }
    // The exit code once the program has ended by itself within the time, else -1.
    int Wait(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (pid_ > 0) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = 0;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            if (std::chrono::steady_clock::now() > end) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }
    void Kill() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

private:
    pid_t pid_ = -1;
};

bool Eventually(const std::function<bool()>& done, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

std::vector<std::string> EventsIn(const fs::path& folder) {
    std::vector<std::string> lines;
    std::ifstream in(folder / "events.txt");
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}
bool HasEvent(const fs::path& folder, const std::string& event) {
    for (const std::string& line : EventsIn(folder))
        if (line == event) return true;
    return false;
}
std::string ReadText(const fs::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string EventsOfFolder(const fs::path& folder) {
    std::string all;
    for (const std::string& e : EventsIn(folder)) all += e + ", ";
    return all;
}

// The menu fonts draw light glyphs over the darker panels.
bool Light(const Rgb& c) { return c[0] + c[1] + c[2] > 400; }

// The list rows of a wide list at (37, 110): row r's text lies at (56, 133 + 12 r), 7 x 10 a glyph.
int RowTextPixels(const ScreenGrab& grab, int row, int characters) {
    const int top = 133 + 12 * row;
    return grab.Count(56, top, 56 + 7 * characters, top + 11, Light);
}

// The script stops until `folder`'s event log holds `event` at least `count` times.
std::string WaitFor(int tick, const fs::path& folder, const std::string& event, int count = 1) {
    return At(FrameOf(tick), "wait " + std::to_string(count) + " " + (folder / "events.txt").string() + " " + event);
}
// Types `text` and Return into the focused text field, a character every other tick.
std::string Typed(int tick, const std::string& text) {
    std::string s;
    for (size_t i = 0; i < text.size(); ++i) s += Char(tick + 2 * static_cast<int>(i), static_cast<uint8_t>(text[i]));
    return s + Char(tick + 2 * static_cast<int>(text.size()) + 2, 13);
}

struct Place {
    double x = 0, y = 0, z = 0;
};
// The racers of a kind where the race started and where it ended, from "racer <k> kind <kind>
// starts|ends <x> <y> <z>" lines of the event log: {start, end} by racer index.
std::map<int, std::pair<Place, Place>> RacerPlaces(const fs::path& folder, int kind) {
    std::map<int, std::pair<Place, Place>> places;
    const std::regex line(R"(racer (\d+) kind (\d+) (starts|ends) (-?\d+) (-?\d+) (-?\d+))");
    for (const std::string& e : EventsIn(folder)) {
        std::smatch m;
        if (!std::regex_match(e, m, line) || std::stoi(m[2]) != kind) continue;
        Place& p = m[3] == "starts" ? places[std::stoi(m[1])].first : places[std::stoi(m[1])].second;
        p = Place{std::stod(m[4]), std::stod(m[5]), std::stod(m[6])};
    }
    return places;
}
double Distance(const Place& a, const Place& b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}
// The events of the log that are pages and phases, in order.
std::vector<std::string> PagesAndPhases(const fs::path& folder) {
    std::vector<std::string> kept;
    for (const std::string& e : EventsIn(folder))
        if (e.rfind("page ", 0) == 0 || e.rfind("phase ", 0) == 0) kept.push_back(e);
    return kept;
}

class LobbyProgram : public FlowProgram {
protected:
    // A second game folder beside the first, for the other copy of the game.
    fs::path SecondFolder() {
        const fs::path second = folder_.string() + "_client";
        fs::remove_all(second);
        fs::create_directories(second / "Tracks");
        for (const char* file : {"Kestrun.dat", "Tracks.dat", "Kestrun"}) fs::copy_file(folder_ / file, second / file);
        fs::copy(folder_ / "Tracks", second / "Tracks");
        return second;
    }
    // Looks at the folder's grabs: the first that passes `good` is copied to the kept screens as
    // `keepAs`; those that do not are removed, so that a long run does not fill the disk.
    bool AGrabPasses(const fs::path& folder, const std::function<bool(const ScreenGrab&)>& good,
                     const std::string& keepAs) {
        if (!fs::exists(folder / "Grabs")) return false;
        std::vector<fs::path> grabs;
        for (const auto& entry : fs::directory_iterator(folder / "Grabs")) grabs.push_back(entry.path());
        std::sort(grabs.begin(), grabs.end());
        for (const fs::path& file : grabs) {
            ScreenGrab grab;
            if (!grab.Load(file) || grab.width != 640 || grab.height != 480) continue;  // still being written
            if (!good(grab)) {
                fs::remove(file);
                continue;
            }
            const fs::path keep = fs::path(GRAVELON_BINARY_DIR) / "lobby_screens";
            fs::create_directories(keep);
            fs::copy_file(file, keep / keepAs, fs::copy_options::overwrite_existing);
            return true;
        }
        return false;
    }
};

TEST_F(LobbyProgram, AHostedGameIsFoundJoinedAndChattedIn) {
    AddWorld("Lap.wld", 101, 0, "Boucle");
    const uint16_t hostPort = FreePortPair(), clientPort = FreePortPair();
    ASSERT_NE(hostPort, 0);
    ASSERT_NE(clientPort, 0);
    const fs::path clientFolder = SecondFolder();

    // The host: LAN game, the profile page's OK, HOST, the name "Lobby", HOST, all worlds, OK; then
    // screen grabs in the game room until the test has seen what it waits for.
    std::string host = "# LAN game, profile OK, HOST\n" + Click(20, kLanGame[0], kLanGame[1]) +
                       Click(60, kProfileOk[0], kProfileOk[1]) + Click(100, kListHost[0], kListHost[1]);
    host += "# the name box: the stored name erased, then Lobby and Return\n" + Click(140, kNameBox[0], kNameBox[1]);
    for (int t = 150; t < 150 + 2 * 12; t += 2) host += Char(t, 8);
    const std::string name = "Lobby";
    for (size_t i = 0; i < name.size(); ++i) host += Char(180 + 2 * static_cast<int>(i), name[i]);
    host += Char(195, 13);
    host += "# HOST, ADD ALL, OK\n" + Click(220, kHostButton[0], kHostButton[1]) + Click(260, kAddAll[0], kAddAll[1]) +
            Click(300, kSetupOk[0], kSetupOk[1]);
    // The host stays in its room until the test ends it.
    constexpr int kHostTicks = 400000;
    for (int t = 400; t < kHostTicks; t += 200) host += Press(t, kGrab);
    const std::string hostNet = "GRAVELON_NET=127.0.0.1:" + std::to_string(hostPort);
    GameProcess hostGame(folder_, host, hostNet, FrameOf(kHostTicks));
    ASSERT_TRUE(Eventually([&] { return HasEvent(folder_, "page 13"); }, 300000)) << EventsOfFolder(folder_);
    for (const char* page : {"page 9", "page 10", "page 12"}) EXPECT_TRUE(HasEvent(folder_, page)) << page;

    // A netdriver player joins the game room and says hello.
    test::DriverProcess player;
    ASSERT_TRUE(player.Started());
    ASSERT_EQ(player.Command("join Bob " + std::to_string(hostPort)), "joined 2");
    EXPECT_EQ(player.Command("chat hello room"), "ok");
    // The host's room lists both players and shows the line in its chat history.
    const auto roomShowsBob = [&](const ScreenGrab& g) {
        return RowTextPixels(g, 0, 8) > 20 && RowTextPixels(g, 1, 8) > 20 &&
               g.Count(395, 50, 500, 120, Light) > 20;  // the chat box's lines (376 + 19, 3 + 47 on)
    };
    EXPECT_TRUE(Eventually([&] { return AGrabPasses(folder_, roomShowsBob, "game_room.bmp"); }, 300000))
        << EventsOfFolder(folder_);
    EXPECT_NE(player.Command("slots").find("2:Bob,"), std::string::npos);

    // The second copy of the game finds the game in its list: LAN game, the profile page's OK, then
    // grabs (and refresh, which waits for a running search); then it joins, says "hi all" in the
    // room, leaves for the main page and quits.
    std::string client = Click(20, kLanGame[0], kLanGame[1]) + Click(60, kProfileOk[0], kProfileOk[1]);
    for (int t = 300; t < 1500; t += 300) client += Press(t, kGrab) + Click(t + 100, kListRefresh[0], kListRefresh[1]);
    client += "# JOIN, the chat box, hi all and Return, LEAVE, Quit\n" + Click(1600, kListJoin[0], kListJoin[1]) +
              Click(1800, kChatBox[0], kChatBox[1]);
    const std::string line = "hi all";
    for (size_t i = 0; i < line.size(); ++i) client += Char(1850 + 2 * static_cast<int>(i), line[i]);
    client += Char(1870, 13) + Click(2200, kRoomLeave[0], kRoomLeave[1]) + Click(2600, kQuit[0], kQuit[1]);
    const std::string clientNet = "GRAVELON_NET=127.0.0.1:" + std::to_string(clientPort) +
                                  " GRAVELON_NET_SEARCH=127.0.0.1:" + std::to_string(hostPort + 1);
    GameProcess clientGame(clientFolder, client, clientNet, FrameOf(3000));
    EXPECT_EQ(clientGame.Wait(300000), 0) << EventsOfFolder(clientFolder);
    const std::vector<std::string> events = EventsIn(clientFolder);
    EXPECT_TRUE(HasEvent(clientFolder, "page 9")) << EventsOfFolder(clientFolder);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "page 0") << EventsOfFolder(clientFolder);
    // One of the grabs shows the game's line, and nothing below it.
    // (Seventeen characters of a row lie left of the frame between the list's two halves.)
    const auto listed = [](const ScreenGrab& g) { return RowTextPixels(g, 0, 5) > 20 && RowTextPixels(g, 1, 17) == 0; };
    EXPECT_TRUE(AGrabPasses(clientFolder, listed, "game_list.bmp")) << "no grab shows the game in the list";
    // It went through the game room, and its line reached the others.
    EXPECT_TRUE(HasEvent(clientFolder, "page 13")) << EventsOfFolder(clientFolder);
    const std::string heard =
        player.WaitFor("chatlines", [](const std::string& r) { return r.find("3>hi all|") != std::string::npos; });
    EXPECT_NE(heard.find("3>hi all|"), std::string::npos) << heard << "\n" << EventsOfFolder(clientFolder) << ReadText(clientFolder / "out.txt");
    hostGame.Kill();
    if (!HasFailure()) fs::remove_all(clientFolder);
}

// Two copies of the game meet in a game room and race: the host names and hosts a game, the other
// finds it in its list (of the local network, or of the online directory) and joins, both chat, the
// host starts a race in a one-minute timed world, both ride, and at the time limit both see the
// results and come back to the game room; the guest leaves for the main page, then the host, and both
// quit. Each copy's script waits on the other's event log where it must, since each runs its frames
// as fast as it can; the host also waits for the test's own "start" line before it starts the race.
class RoomRace : public LobbyProgram {
protected:
    void SetUp() override {
        LobbyProgram::SetUp();
        AddWorld("Arena.wld", 102, 2, "Arene");
        ConfigRecord config;
        config.raceOption4 = 1;  // one minute
        config.gameMode = 1;
        StoreSettings(config);
        hostPort_ = FreePortPair();
        clientPort_ = FreePortPair();
        ASSERT_NE(hostPort_, 0);
        ASSERT_NE(clientPort_, 0);
        clientFolder_ = SecondFolder();
        fs::remove(clientFolder_ / "registry.store");
    }
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(clientFolder_);
        LobbyProgram::TearDown();
    }

    // Starts both copies; `gameButton` is the main page's LAN or online game button.
    void Start(const int gameButton[2]) {
        const fs::path& hostFolder = folder_;
        std::string host = "# the network game, profile OK, HOST, the name Race, HOST, ADD ALL, OK\n" +
                           Click(20, gameButton[0], gameButton[1]) + Click(60, kProfileOk[0], kProfileOk[1]) +
                           Click(100, kListHost[0], kListHost[1]) + Click(140, kNameBox[0], kNameBox[1]);
        for (int t = 150; t < 150 + 2 * 12; t += 2) host += Char(t, 8);
        host += Typed(180, "Race") + Click(220, kHostButton[0], kHostButton[1]) + Click(260, kAddAll[0], kAddAll[1]) +
                Click(300, kSetupOk[0], kSetupOk[1]);
        host += "# once the guest is in the room: a line of chat, then START when the test says so\n" +
                WaitFor(400, clientFolder_, "page 13") + Click(500, kChatBox[0], kChatBox[1]) + Typed(550, "go") +
                At(FrameOf(650), "wait 1 " + (folder_ / "test.txt").string() + " start") +
                Click(700, kRoomStart[0], kRoomStart[1]);
        host += "# ride from the start to the results, then back in the room\n" + WaitFor(800, hostFolder, "phase 8") +
                Key(810, kThrottle, true) + Press(1500, kGrab) + Press(3000, kGrab) +
                WaitFor(3100, hostFolder, "page 21") + Key(3110, kThrottle, false) + Press(3200, kReturn);
        host += "# once the guest has left for its main page: LEAVE, Quit\n" + WaitFor(3300, clientFolder_, "page 0", 2) +
                Click(3400, kRoomLeave[0], kRoomLeave[1]) + Click(3600, kQuit[0], kQuit[1]);

        std::string client = "# the network game, profile OK; refresh the list and look at it once the host is in its room\n" +
                             Click(20, gameButton[0], gameButton[1]) + Click(60, kProfileOk[0], kProfileOk[1]) +
                             WaitFor(100, hostFolder, "page 13");
        for (int t = 200; t < 1400; t += 300) client += Click(t, kListRefresh[0], kListRefresh[1]) + Press(t + 150, kGrab);
        client += "# JOIN, a line of chat\n" + Click(1500, kListJoin[0], kListJoin[1]) +
                  WaitFor(1600, clientFolder_, "page 13") + Click(1700, kChatBox[0], kChatBox[1]) + Typed(1750, "hi");
        client += "# ride from the start to the results, then back in the room\n" +
                  WaitFor(1900, clientFolder_, "phase 8") + Key(1910, kThrottle, true) + Press(2600, kGrab) +
                  Press(4000, kGrab) + WaitFor(4100, clientFolder_, "page 21") + Key(4110, kThrottle, false) +
                  Press(4200, kReturn);
        client += "# LEAVE, Quit\n" + WaitFor(4300, clientFolder_, "page 13", 2) +
                  Click(4400, kRoomLeave[0], kRoomLeave[1]) + Click(4600, kQuit[0], kQuit[1]);

        // The programs' frames go on while their scripts wait: the frame limit is only a safety net.
        constexpr int kFrameLimit = 40000;
        host_ = std::make_unique<GameProcess>(hostFolder, host, "GRAVELON_NET=127.0.0.1:" + std::to_string(hostPort_),
                                              kFrameLimit);
        client_ = std::make_unique<GameProcess>(clientFolder_, client,
                                                "GRAVELON_NET=127.0.0.1:" + std::to_string(clientPort_) +
                                                    " GRAVELON_NET_SEARCH=127.0.0.1:" + std::to_string(hostPort_ + 1),
                                                kFrameLimit);
    }

    // Lets the host start the race once the guest is in the room.
    bool BothInTheRoom() {
        return Eventually([&] { return HasEvent(clientFolder_, "page 13"); }, 600000);
    }
    void LetTheHostStart() { std::ofstream(folder_ / "test.txt") << "start\n"; }

    // Both programs end by themselves with 0, having been where they should, seeing each other ride.
    void CheckTheRace(const std::string& listPage) {
        const int clientCode = client_->Wait(900000), hostCode = host_->Wait(120000);
        const std::string diagnosis = "\nhost: " + EventsOfFolder(folder_) + "\n" + ReadText(folder_ / "out.txt") +
                                      "\nguest: " + EventsOfFolder(clientFolder_) + "\n" +
                                      ReadText(clientFolder_ / "out.txt");
        EXPECT_EQ(clientCode, 0) << diagnosis;
        EXPECT_EQ(hostCode, 0) << diagnosis;
        EXPECT_TRUE(HasEvent(folder_, listPage) && HasEvent(clientFolder_, listPage)) << listPage << diagnosis;

        // Each went from the room through the race's phases to the results, back to the room and home.
        const std::vector<std::string> race = {"page 13", "phase 3", "phase 4", "phase 5", "phase 6", "phase 7",
                                               "phase 8", "phase 10", "phase 11", "page 21", "page 13", "page 0"};
        for (const fs::path& folder : {folder_, clientFolder_}) {
            std::vector<std::string> seen = PagesAndPhases(folder);
            const auto room = std::find(seen.begin(), seen.end(), "page 13");
            ASSERT_NE(room, seen.end()) << diagnosis;
            seen.erase(seen.begin(), room);
            EXPECT_EQ(seen, race) << folder << diagnosis;
        }

        // On each screen both racers moved from their start, side by side 13 units apart: the other
        // player's as its bike states came in. Where a racer ended on its own screen and on the other's
        // is not compared: at the time limit every machine hands its copies of the bikes to the computer.
        for (const fs::path& folder : {folder_, clientFolder_}) {
            for (int kind : {1, 4}) {
                const auto places = RacerPlaces(folder, kind);
                ASSERT_EQ(places.size(), 1u) << folder << " kind " << kind << diagnosis;
                EXPECT_GT(Distance(places.begin()->second.first, places.begin()->second.second), 50.0)
                    << folder << " kind " << kind << diagnosis;
            }
        }
    }

    // The guest's last grabs are of the race: the test world's ground under its empty (black) sky, and
    // the position among two at the top right.
    bool AGrabOfTheRace(const std::string& keepAs) {
        const auto raced = [](const ScreenGrab& g) {
            const auto green = [](const Rgb& c) { return c[1] > c[0] + 20 && c[1] > c[2] + 20; };
            const auto black = [](const Rgb& c) { return c[0] + c[1] + c[2] < 60; };
            return g.Count(200, 60, 500, 130, black) > 19000 && g.Count(0, 240, 640, 400, green) > 40000 &&
                   g.Count(540, 20, 636, 80, Light) > 50;
        };
        return AGrabPasses(clientFolder_, raced, keepAs);
    }

    uint16_t hostPort_ = 0, clientPort_ = 0;
    fs::path clientFolder_;
    std::unique_ptr<GameProcess> host_, client_;
};

TEST_F(RoomRace, OnTheLocalNetwork) {
    Start(kLanGame);
    ASSERT_TRUE(BothInTheRoom()) << EventsOfFolder(clientFolder_);
    LetTheHostStart();
    CheckTheRace("page 9");
    EXPECT_TRUE(AGrabOfTheRace("race_guest.bmp")) << "no grab of the race";
}

// The same through the online directory (tarn-server, named in each copy's Kestrun.ini): the host's
// entry shows both players while they wait in the room, and is gone once the host has quit.
TEST_F(RoomRace, ThroughTheOnlineDirectory) {
    test::DriverProcess directory("tarn-server", {"--bind", "127.0.0.1", "--dir-port", "0", "--until-stdin-closes"},
                                  "directory ");
    ASSERT_TRUE(directory.Started()) << directory.FirstLine();
    const std::string server = "127.0.0.1:" + directory.FirstLine().substr(10);
    for (const fs::path& folder : {folder_, clientFolder_})
        std::ofstream(folder / "Kestrun.ini") << "; the directory of this test\nDirServer1 = " << server
                                              << "\nDirServer2 = " << server << "\nDirServer3 = " << server
                                              << "\nLocalIP = 127.0.0.1\n";
    test::DriverProcess looker;
    ASSERT_TRUE(looker.Started());
    ASSERT_EQ(looker.Command("online " + server + "," + server + "," + server + " 100 5000"), "ok");
    const auto gamesListed = [&](const std::string& expected) {
        return looker.WaitFor("found", [&](const std::string& reply) {
            if (reply.rfind("found 0", 0) == 0) return false;  // still running
            if (reply.rfind(expected, 0) == 0) return true;
            looker.Command("search");
            return false;
        });
    };

    Start(kOnlineGame);
    ASSERT_TRUE(BothInTheRoom()) << EventsOfFolder(clientFolder_);
    ASSERT_EQ(looker.Command("search"), "ok");
    const std::string both = gamesListed("found 1 1 Race/2/8/");
    EXPECT_EQ(both.rfind("found 1 1 Race/2/8/", 0), 0u) << both;
    LetTheHostStart();
    CheckTheRace("page 15");
    ASSERT_EQ(looker.Command("search"), "ok");
    EXPECT_EQ(gamesListed("found 1 0"), "found 1 0") << "the host's entry stays after it quit";
    EXPECT_TRUE(AGrabOfTheRace("race_guest_online.bmp")) << "no grab of the race";
}

}  // namespace
}  // namespace kes::testing
