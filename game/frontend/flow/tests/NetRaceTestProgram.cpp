// NetRaceTestProgram: the game program with a test flow in place of the menus that open a network
// game. The front end and the racer models load as in the game; then, over loopback, the player
// hosts (GRAVELON_NET_ROLE=host) or joins (client) a game, both chat, the host sets the world and
// starts, and every player runs the game flow's race branch as the menus' "race" result would. What
// happened is printed; the pages and phases go to the event log.
//
// GRAVELON_NET_PORT_FILE: where the host writes its game port and the clients read it.
// GRAVELON_NET_PLAYERS: how many players the host waits for before it starts (itself included).
// GRAVELON_NET_WORLD: the identifier of the world the host chooses.
// GRAVELON_NET_NAME: the player's name. GRAVELON_NET_AUTOPILOT=1: the computer rides the local bike
// (its state is sent as the player's would be), so that a headless run gets round its lap.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/app/loop/FrameLoop.h"
#include "game/app/startup/Startup.h"
#include "game/core/config/Config.h"
#include "game/core/render/RenderInterface.h"
#include "game/frontend/flow/GameFlow.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/race/Race.h"
#include "game/frontend/session/RaceSession.h"
#include "game/net/NetGame.h"
#include "game/world/racer/BikeState.h"
#include "game/world/racer/Racer.h"
#include "game/world/racer/RacerTrack.h"
#include "game/world/racermodels/RacerModels.h"
#include "platform/bytes/ByteIO.h"
#include "platform/sys/Clock.h"

namespace kes {
namespace {

constexpr uint32_t kWaitMs = 60000;

uint32_t EnvNumber(const char* name, uint32_t fallback) {
    const char* v = std::getenv(name);
    return v && *v ? static_cast<uint32_t>(std::strtoul(v, nullptr, 10)) : fallback;
}

std::string EnvText(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

// A hostile guest: says it has loaded, then for as long as the game lasts (two minutes at most)
// sends what no honest player sends: messages in other players' names, the host's own messages,
// the session's local messages and wrong sizes, a burst of 25 every 100 ms.
void Misbehave() {
    NetSendReady();
    const uint8_t me = static_cast<uint8_t>(SessionGetLocalPlayer());
    std::vector<std::vector<uint8_t>> forged;
    const auto add = [&](std::vector<uint8_t> m) { forged.push_back(std::move(m)); };
    add({8, 22, 1, 0, 11, 0, 0, 0});                                   // the race is over, "says the host"
    add({8, 22, me, 0, 10, 0, 0, 0});                                  // a phase from a guest
    add({16, 28, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});           // the host's lap, forged
    add({28, 24, me, 0, 1, 0, 0, 0, 9, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 7, 0, 0, 0});  // other settings
    add({4, 16, me, 0});                                               // a start from a guest
    add({4, 21, 1, 0});                                                // the host's "go", forged
    add({8, 153, 0, 0, 1, 0, 0, 0});                                   // "the host left", a local message
    add({4, 146, 0, 0});                                               // "the session is lost", a local message
    add({8, 31, 1, 0, 1, 0, 0, 0});                                    // the host in its menu, forged
    add({8, 17, 9, 0});                                                // a slot that does not exist
    std::vector<uint8_t> state(152, 0);
    state[0] = 152;
    state[1] = 19;
    state[2] = 1;  // a bike state in the host's name
    std::memset(state.data() + 4, 0xFF, 4);
    add(state);
    std::vector<uint8_t> points(488, 0);
    points[0] = 232;
    points[1] = 27;
    points[2] = me;
    add(points);
    // Until the host's phase says the race is over (it reaches this player too).
    SetRacePhase(0, 1);
    for (uint32_t waited = 0; waited < 120000 && SessionGetLocalPlayer() != 0 && RacePhase() < 11; waited += 100) {
        NetAdvanceClock(100);
        NetTakeBikeState(0, state.data(), 144);
        for (const std::vector<uint8_t>& m : forged) {
            NetSession().Send(m.data(), static_cast<uint32_t>(m.size()), 0, false, true);
            // Shorter and longer than its size byte says.
            NetSession().Send(m.data(), std::max<uint32_t>(4, static_cast<uint32_t>(m.size()) / 2), 0, false, true);
        }
        // Its own racer, through its lap at once, so that the race need not wait for it.
        uint8_t own[kNetBlockSize] = {};
        plat::StoreF32(own + kNetBlockStamp, 1000.0f);
        if (NetTickDue()) NetSendBikeState(own, kNetBlockSize);
        std::vector<uint8_t> longer = forged[0];
        longer.resize(200, 0xEE);
        NetSession().Send(longer.data(), static_cast<uint32_t>(longer.size()), 0, false, true);
        plat::SleepMs(100);
    }
}

// Lines of what happened, with the milliseconds since the start, for reading a slow run.
uint32_t g_startMs = 0;
void Note(const char* what) { std::fprintf(stderr, "net: %u ms %s\n", plat::TickMs() - g_startMs, what); }

// Runs the network step as the frame loop would until `done` holds or the wait is over.
template <typename F>
bool StepUntil(F done, uint32_t ms = kWaitMs) {
    for (uint32_t waited = 0; waited < ms; waited += 10) {
        NetAdvanceClock(10);
        if (done()) return true;
        plat::SleepMs(10);
    }
    return done();
}

uint32_t PlayersInGame() {
    uint32_t n = SessionGetLocalPlayer() != 0 ? 1 : 0;
    NetPlayerSlot* table = NetLock();
    for (uint32_t i = 0; i < kNetSlots; ++i) n += table[i].inUse ? 1 : 0;
    NetUnlock();
    return n;
}

bool ChatHas(const std::string& text) {
    bool found = false;
    NetLock();
    const char* const* lines = NetChatLines();
    for (uint32_t i = 0; i < kChatLines; ++i) found = found || std::strstr(lines[i], text.c_str()) != nullptr;
    NetUnlock();
    return found;
}

// Where each racer started and the farthest it got from there.
struct Start {
    float x = 0, y = 0, farthest = 0;
};
Start g_start[kMaxRaceRacers];

void NoteDistance(const RacerRecord* racer) {
    for (uint32_t k = 0; k < kMaxRaceRacers; ++k) {
        if (g_RaceRacers[k] != racer || !racer->bike) continue;
        const float dx = racer->bike->centre.x - g_start[k].x, dy = racer->bike->centre.y - g_start[k].y;
        g_start[k].farthest = std::max(g_start[k].farthest, std::sqrt(dx * dx + dy * dy));
    }
}

// A remote racer rides as the game drives it; the test notes how far it got.
void WatchedRemoteRacer(SectorObject* object, uint32_t ms, void* user) {
    ControlRemoteRacer(object, ms, user);
    NoteDistance(static_cast<RacerRecord*>(user));
}

uint32_t g_statesSent = 0;

// How many chat lines hold `text`.
uint32_t ChatCount(const char* text) {
    uint32_t n = 0;
    NetLock();
    const char* const* lines = NetChatLines();
    for (uint32_t i = 0; i < kChatLines; ++i) n += std::strstr(lines[i], text) != nullptr ? 1 : 0;
    NetUnlock();
    return n;
}

// The computer rides the local bike; its state goes out at every send tick like the player's.
void AutopilotRacer(SectorObject* object, uint32_t ms, void* user) {
    ControlComputerRacer(object, ms, user);
    auto* racer = static_cast<RacerRecord*>(user);
    NoteDistance(racer);
    if (!racer || !racer->bike || racer->finished || !NetTickDue()) return;
    NetPackBikeState(*racer->bike, nullptr, racer->netBlock);
    plat::StoreF32(racer->netBlock + kNetBlockStamp, static_cast<float>(racer->laps) * 1000.0f + racer->progress);
    NetSendBikeState(racer->netBlock, kNetBlockSize);
    ++g_statesSent;
}

int32_t StartRace(RenderInterface* render, const WorldRecord* world, RacerDesc* descs, uint32_t players,
                  uint32_t computers) {
    Note("race start");
    const int32_t started = RaceStart(render, world, descs, players, computers);
    Note("race loaded");
    std::printf("net: race start %d with %u players\n", started, players);
    if (started != 0) return started;
    for (uint32_t k = 0; k < kMaxRaceRacers; ++k) {
        RacerRecord* r = g_RaceRacers[k];
        if (!r || !r->bike) continue;
        g_start[k] = Start{r->bike->centre.x, r->bike->centre.y, 0.0f};
        if (r->kind == kRacerRemote) r->object->update = WatchedRemoteRacer;
        if (r->kind == kRacerLocal && EnvNumber("GRAVELON_NET_AUTOPILOT", 0) != 0) {
            r->bike->controlClass = kClassComputer;
            Vec3 start = r->startPos;
            RacerInitRoute(*r->bike, &start);
            r->object->update = AutopilotRacer;
        }
    }
    return 0;
}

// How far each racer got from its start, printed before the race ends.
void EndRace(ResultRow* results) {
    for (uint32_t k = 0; k < kMaxRaceRacers; ++k) {
        const RacerRecord* r = g_RaceRacers[k];
        if (!r || !r->bike) continue;
        std::printf("net: racer %u kind %d player %d laps %u finished %u moved %.0f\n", k, r->kind, r->netPlayer, r->laps,
                    r->finished, static_cast<double>(g_start[k].farthest));
    }
    std::printf("net: race ended in phase %u\n", RacePhase());
    RaceEnd(results);
}

int RunLoopPrinted() {
    Note("run loop");
    const uint64_t bytes = NetSession().BytesSent();
    const uint32_t clock = NetGetClock();
    g_statesSent = 0;
    const int code = RunLoop();
    Note("run loop ended");
    // What this player put on the wire while racing, for the bandwidth benchmark.
    std::printf("net: race bytes %llu in %u ms states %u\n", static_cast<unsigned long long>(NetSession().BytesSent() - bytes),
                NetGetClock() - clock, g_statesSent);
    std::printf("net: run loop ended with %d\n", code);
    return code;
}

bool Connect(bool host, const std::string& name, const std::string& portFile) {
    plat::SessionOptions options;
    options.bindAddress = "127.0.0.1";
    options.gamePort = 0;
    options.discoveryPort = 0;
    NetSetSessionOptions(options);
    if (NetInit(0) != 0) return false;
    NetPlayerInfo info;
    info.words[2] = 2;
    if (host) {
        // The world and the race are chosen before the game opens: every answer to a join carries them
        // (the host hears its own answers too).
        g_Config.raceOption2 = EnvNumber("GRAVELON_TEST_LAPS", g_Config.raceOption2);
        NetSetWorldIdentifier(EnvNumber("GRAVELON_NET_WORLD", 0));
        if (NetHostGame(name.c_str(), &info, "Net race") != 0) return false;
        const std::string temporary = portFile + ".tmp";
        std::ofstream(temporary) << NetSession().GamePort() << "\n";
        std::filesystem::rename(temporary, portFile);
        return true;
    }
    uint32_t port = 0;
    StepUntil([&] {
        std::ifstream in(portFile);
        return static_cast<bool>(in >> port);
    });
    return port != 0 && NetJoinGameAt(name.c_str(), &info, "127.0.0.1", static_cast<uint16_t>(port)) == 0;
}

int NetRaceTestFlow(const char*) {
    const StartupState& s = Startup();
    RenderInterface* renderer = &TheRenderInterface();
    FrontEndLoad(renderer, FrontEndPaths{s.gameFolder, s.trackPackPath, s.folders[0]});
    LoadRacerAssets(renderer);
    LoadRacerModels(renderer);
    InstallResultsPages();
    FlowServices().raceStart = StartRace;
    FlowServices().runLoop = RunLoopPrinted;
    FlowServices().raceEnd = EndRace;

    g_startMs = plat::TickMs();
    const bool host = EnvText("GRAVELON_NET_ROLE", "host") == "host";
    const std::string name = EnvText("GRAVELON_NET_NAME", host ? "Hostess" : "Guest");
    int result = 0;
    if (!Connect(host, name, EnvText("GRAVELON_NET_PORT_FILE", "port.txt"))) {
        std::printf("net: could not %s\n", host ? "host" : "join");
        result = 2;
    } else {
        std::printf("net: in slot %u\n", SessionGetLocalPlayer());
        const uint32_t players = EnvNumber("GRAVELON_NET_PLAYERS", 2);
        // Everybody says hello through the chat and hears the others.
        const std::string hello = "hello from " + name;
        if (!host) NetSendChat(hello.c_str());
        if (host) {
            std::printf("net: players %s\n", StepUntil([&] { return PlayersInGame() >= players; }) ? "all in" : "missing");
            // Each guest says hello once its join is through (a join clears the start flag, so a start
            // sent before would be lost).
            StepUntil([&] { return ChatCount("hello from ") >= players - 1; });
            // A game whose guests leave before the start (GRAVELON_NET_START_WITH) starts without them.
            const uint32_t startWith = EnvNumber("GRAVELON_NET_START_WITH", players);
            if (startWith != players)
                std::printf("net: players %s\n", StepUntil([&] { return PlayersInGame() == startWith; }) ? "left" : "stayed");
            NetSendChat(hello.c_str());
            NetResetGameFlags();
            NetSendRaceSettings(0);
            NetSendStart();
        } else if (EnvNumber("GRAVELON_NET_HOSTILE", 0) != 0) {
            StepUntil([] { return NetStartFlag() != 0; });
            Misbehave();
            std::printf("net: misbehaved until the game ended\n");
            NetShutdown();
            FreeRacerModels();
            FreeRacerAssets();
            FrontEndFree();
            return 0;
        } else if (EnvNumber("GRAVELON_NET_LEAVE", 0) != 0) {
            // A guest who leaves once everybody is in, before the race.
            std::printf("net: players %s\n", StepUntil([&] { return PlayersInGame() >= players; }) ? "all in" : "missing");
            NetShutdown();
            std::printf("net: left\n");
            FreeRacerModels();
            FreeRacerAssets();
            FrontEndFree();
            return 0;
        } else {
            std::printf("net: start %s\n", StepUntil([] { return NetStartFlag() != 0 && NetWorldIdentifier() != 0; })
                                               ? "heard"
                                               : "missing");
            NetResetGameFlags();
        }
        std::printf("net: chat %s\n",
                    StepUntil([&] { return ChatHas(host ? "hello from Guest" : "hello from Hostess"); }, 5000) ? "heard"
                                                                                                           : "missing");
        Note("race branch");
        Flow().racerDescs[0] = RacerDesc{};
        const int code = RunRaceBranch(renderer, -1);
        std::printf("net: branch ended with %d on page %d in slot %u\n", code, CurrentMenuPage(), SessionGetLocalPlayer());
        Note("branch ended");
        // The host stays until its guests have gone, so that none of them loses the game early.
        if (host) StepUntil([] { return PlayersInGame() <= 1; });
        NetShutdown();
        Note("left the game");
    }
    FreeRacerModels();
    FreeRacerAssets();
    FrontEndFree();
    return result;
}

}  // namespace
}  // namespace kes

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    kes::SetGameFlow(kes::NetRaceTestFlow);
    return kes::GameMain(std::vector<std::string>(argv, argv + argc));
}
