// netdriver: one player of a network game on loopback. Reads one command per line on standard input
// and answers each with exactly one line on standard output, so that a test can drive several
// players, each in its own process as the game runs. Like the game's frame loop, the main thread runs
// a network step every 10 ms while it waits for a command and before each one, so that what the
// receive thread handed over is applied on this thread.
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "game/core/config/Config.h"
#include "game/frontend/session/RaceSession.h"
#include "game/net/NetDirectory.h"
#include "game/net/NetGame.h"
#include "platform/bytes/ByteIO.h"
#include "platform/sys/Clock.h"

using namespace kes;

namespace {

std::mutex g_eventsLock;
uint32_t g_sessionLost = 0;
std::vector<uint32_t> g_left;
RacerRecord g_racers[kNetSlots];

// Counts the session's loss and leave messages, then hands everything on to the game's handler.
void Watch(const uint8_t* m, uint32_t length, uint32_t slot, bool local) {
    if (local && length >= 4) {
        std::lock_guard lock(g_eventsLock);
        if (m[1] == plat::kMsgSessionLost) ++g_sessionLost;
        if (m[1] == plat::kMsgPlayerLeft && length == 8) g_left.push_back(plat::LoadU32(m + 4));
    }
    NetGameMessageThunk(m, length, slot, local);
}

void SetUpRacers() {
    uint32_t local = SessionGetLocalPlayer();
    for (uint32_t i = 0; i < kNetSlots; ++i) {
        g_racers[i] = RacerRecord{};
        g_racers[i].playerIndex = i;
        g_racers[i].racerNumber = 100 + i;
        g_racers[i].controlClass = (i + 1 == local) ? 0 : kControlClassRemote;
        g_RaceRacers[i] = &g_racers[i];
    }
}

// Games found by the online search, and whether it has ended (0 running, 1 done, 2 failed).
std::vector<ServerRecord> g_found;
int g_searchEnd = 0;

void OnFound(const ServerRecord* record) {
    std::lock_guard lock(g_eventsLock);
    if (!record)
        g_searchEnd = 1;
    else if (reinterpret_cast<uintptr_t>(record) == ~uintptr_t{0})
        g_searchEnd = 2;
    else
        g_found.push_back(*record);
}

std::string Slots() {
    std::ostringstream out;
    uint32_t local = SessionGetLocalPlayer();
    NetPlayerSlot* slots = NetLock();
    for (uint32_t i = 0; i < kNetSlots; ++i) {
        if (slots[i].inUse || i + 1 == local) out << (i + 1) << ':' << slots[i].name << ',';
    }
    NetUnlock();
    return out.str();
}

std::string Run(const std::string& line) {
    std::istringstream in(line);
    std::string cmd;
    in >> cmd;
    std::ostringstream out;
    if (cmd == "host") {
        std::string name, session;
        in >> name >> session;
        NetPlayerInfo info;
        info.words[0] = 1;
        if (NetHostGame(name.c_str(), &info, session.c_str()) != 0) return "fail";
        NetSession().SetHandler(Watch);
        out << "port " << NetSession().GamePort() << ' ' << NetSession().DiscoveryPort();
    } else if (cmd == "join") {
        std::string name;
        unsigned port = 0;
        in >> name >> port;
        NetPlayerInfo info;
        info.words[0] = 2;
        if (NetJoinGameAt(name.c_str(), &info, "127.0.0.1", static_cast<uint16_t>(port)) != 0) return "joinfail";
        NetSession().SetHandler(Watch);
        out << "joined " << SessionGetLocalPlayer();
    } else if (cmd == "online") {
        // Plays on the Internet from now on, with these directory servers and timings (ms).
        std::string servers;
        unsigned refresh = 25000, timeout = 20000;
        in >> servers >> refresh >> timeout;
        std::vector<std::string> list;
        std::istringstream split(servers);
        for (std::string one; std::getline(split, one, ',');) list.push_back(one);
        NetSetDirectoryServers(list);
        NetSetDirectoryTiming(refresh, timeout);
        NetShutdown();
        out << (NetInit(1) == 0 ? "ok" : "initfail");
    } else if (cmd == "search") {
        {
            std::lock_guard lock(g_eventsLock);
            g_found.clear();
            g_searchEnd = 0;
        }
        out << (StartGameSearch(OnFound, 1) == 0 ? "ok" : "fail");
    } else if (cmd == "found") {
        // "found END COUNT name/players/max/port ..." once the search has ended.
        std::lock_guard lock(g_eventsLock);
        out << "found " << g_searchEnd << ' ' << g_found.size();
        for (const ServerRecord& r : g_found)
            out << ' ' << r.name << '/' << r.players << '/' << r.maxPlayers << '/'
                << (r.session[0] << 8 | r.session[1]);
    } else if (cmd == "joinfound") {
        std::string name;
        unsigned index = 0;
        in >> name >> index;
        ServerRecord record;
        {
            std::lock_guard lock(g_eventsLock);
            if (index >= g_found.size()) return "joinfail";
            record = g_found[index];
        }
        NetPlayerInfo info;
        info.words[0] = 2;
        if (NetJoinGame(name.c_str(), &info, record.session) != 0) return "joinfail";
        NetSession().SetHandler(Watch);
        out << "joined " << SessionGetLocalPlayer();
    } else if (cmd == "slots") {
        out << "slots " << SessionGetLocalPlayer() << ' ' << Slots();
    } else if (cmd == "chat") {
        std::string text;
        std::getline(in >> std::ws, text);
        NetSendChat(text.c_str());
        out << "ok";
    } else if (cmd == "chatlines") {
        out << "chat ";
        NetLock();
        const char* const* lines = NetChatLines();
        for (uint32_t i = 0; i < kChatLines; ++i) out << lines[i] << '|';
        NetUnlock();
    } else if (cmd == "settings") {
        uint32_t laps, minutes, mode, world;
        in >> laps >> minutes >> mode >> world;
        g_Config.raceOption2 = laps;
        g_Config.raceOption4 = minutes;
        g_Config.gameMode = mode;
        NetSetWorldIdentifier(world);
        NetSendRaceSettings(0);
        out << "ok";
    } else if (cmd == "config") {
        out << "config " << g_Config.raceOption2 << ' ' << g_Config.raceOption4 << ' ' << g_Config.gameMode << ' '
            << NetWorldIdentifier();
    } else if (cmd == "start") {
        NetResetGameFlags();
        NetSendStart();
        out << "ok";
    } else if (cmd == "ready") {
        NetSendReady();
        out << "ok";
    } else if (cmd == "setupdone") {
        NetSendSetupDone();
        out << "ok";
    } else if (cmd == "flags") {
        out << "flags " << NetStartFlag() << ' ' << NetSetupDoneFlag() << ' ';
        for (uint32_t s = 1; s <= kNetSlots; ++s) out << NetReadyFlag(s);
    } else if (cmd == "phase") {
        uint32_t phase;
        in >> phase;
        SetRacePhase(phase, 0);
        out << "ok";
    } else if (cmd == "getphase") {
        out << "phase " << RacePhase();
    } else if (cmd == "bike") {
        // Advances the clock by a tick, then sends a 144-byte state filled with one value.
        unsigned value;
        in >> value;
        NetAdvanceClock(NetGetTickPeriod());
        uint8_t state[144];
        std::memset(state, static_cast<int>(value), sizeof state);
        NetSendBikeState(state, sizeof state);
        out << "ok " << NetGetClock();
    } else if (cmd == "stale") {
        // A state stamped older than the last one sent: receivers must keep the newer one.
        unsigned value;
        in >> value;
        uint8_t m[152] = {152, 19, static_cast<uint8_t>(SessionGetLocalPlayer()), 0};
        plat::StoreU32(m + 4, 1);
        std::memset(m + 8, static_cast<int>(value), 144);
        SessionSend(m, 0, 0, 0);
        out << "ok";
    } else if (cmd == "take") {
        unsigned index;
        in >> index;
        uint8_t state[144] = {};
        uint32_t stamp = NetTakeBikeState(index, state, sizeof state);
        out << "take " << stamp << ' ' << static_cast<unsigned>(state[0]) << ' ' << static_cast<unsigned>(state[143]);
    } else if (cmd == "racers") {
        SetUpRacers();
        out << "ok";
    } else if (cmd == "lap") {
        uint32_t lapTime, raceTime;
        in >> lapTime >> raceTime;
        uint32_t local = SessionGetLocalPlayer();
        if (local < 1 || local > kNetSlots) return "noslot";
        RacerRecord& r = g_racers[local - 1];
        AddLapTime(&r, lapTime);
        r.raceTime = raceTime;
        out << "lap " << RecordLap(&r);
    } else if (cmd == "points") {
        uint32_t points;
        in >> points;
        NetSendPoints(points);
        out << "ok";
    } else if (cmd == "racer") {
        unsigned i;
        in >> i;
        if (i >= kNetSlots) return "bad";
        const RacerRecord& r = g_racers[i];
        out << "racer " << r.lapIndex << ' ' << r.lapTimes[0] << ' ' << r.raceTime << ' ' << r.points << ' ' << r.finishTime;
    } else if (cmd == "ping") {
        NetSendPing();
        out << "ok";
    } else if (cmd == "pingback") {
        // A ping stamped `ms` earlier than now: every pong then gives a round trip of at least `ms`.
        uint32_t ms;
        in >> ms;
        uint8_t m[12] = {12, 161, static_cast<uint8_t>(SessionGetLocalPlayer()), 0};
        plat::StoreU32(m + 8, plat::TickMs() - ms);
        SessionSend(m, 0, 0, 0);
        out << "ok";
    } else if (cmd == "rtt") {
        out << "rtt ";
        NetPlayerSlot* slots = NetLock();
        for (uint32_t i = 0; i < kNetSlots; ++i) out << slots[i].roundTrip << ',';
        NetUnlock();
    } else if (cmd == "events") {
        std::lock_guard lock(g_eventsLock);
        out << "events " << g_sessionLost << ' ' << SessionGetLocalPlayer() << ' ';
        for (uint32_t s : g_left) out << s << ',';
    } else if (cmd == "leave") {
        NetShutdown();
        out << "left";
    } else {
        out << "unknown";
    }
    return out.str();
}

// Waits for the next line on standard input, running the network step every 10 ms meanwhile.
// False at the end of the input.
bool NextCommand(std::string& line) {
    static std::string buffered;
    for (;;) {
        size_t end = buffered.find('\n');
        if (end != std::string::npos) {
            line = buffered.substr(0, end);
            buffered.erase(0, end + 1);
            return true;
        }
        pollfd in{0, POLLIN, 0};
        if (poll(&in, 1, 10) > 0) {
            char chunk[512];
            ssize_t n = read(0, chunk, sizeof chunk);
            if (n <= 0) return false;
            buffered.append(chunk, static_cast<size_t>(n));
        }
        if (NetIsActive()) NetApplyReceived();
    }
}

}  // namespace

int main() {
    plat::SessionOptions options;
    options.bindAddress = "127.0.0.1";
    options.gamePort = 0;
    options.discoveryPort = 0;
    NetSetSessionOptions(options);
    if (NetInit(0) != 0) {
        std::puts("initfail");
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    std::string line;
    while (NextCommand(line)) {
        if (line == "quit") break;
        NetApplyReceived();
        std::string reply = Run(line);
        std::fputs((reply + "\n").c_str(), stdout);
        std::fflush(stdout);
    }
    NetShutdown();
    for (auto& r : g_RaceRacers) r = nullptr;
    return 0;
}
