#include <algorithm>
#include <cstdio>
#include <cstring>

#include "game/core/config/Config.h"
#include "game/frontend/session/RaceSession.h"
#include "game/net/NetDirectory.h"
#include "game/net/NetState.h"
#include "platform/bytes/ByteIO.h"
#include "platform/sys/Clock.h"

namespace kes {
namespace net {

NetState& State() {
    static NetState state;
    return state;
}

void ResetTables() {
    NetState& s = State();
    std::lock_guard lock(s.lock);
    for (NetPlayerSlot& slot : s.slots) slot = NetPlayerSlot{};
    s.pending = PendingReceived{};  // nothing from an earlier game reaches this one
    for (uint32_t i = 0; i < kChatLines; ++i) {
        std::memset(s.chatText[i], 0, kChatLineBytes);
        s.chatLines[i] = s.chatText[i];
    }
}

}  // namespace net

namespace {

using net::State;


void InfoToBytes(const NetPlayerInfo* info, uint8_t out[kNetInfoBytes]) {
    for (uint32_t i = 0; i < kNetInfoWords; ++i) plat::StoreU32(out + 4 * i, info ? info->words[i] : 0);
}

void CopyName(char out[16], const char* name) {
    std::memset(out, 0, 16);
    if (name) std::strncpy(out, name, 15);
}

// Sends a race phase to every player when this machine hosts (installed as the game flow's broadcast).
void BroadcastRacePhase(uint32_t phase) {
    if (NetGetMode() != 2) return;
    uint8_t m[8] = {8, 22, 0, 0};
    plat::StoreU32(m + 4, phase);
    SessionSend(m, 0, 1, 1);
}

void FillLocalSlot(uint32_t slot, const char* playerName, const NetPlayerInfo* info) {
    if (slot < 1 || slot > kNetSlots) return;  // the slot can be lost at any moment
    std::lock_guard lock(State().lock);
    NetPlayerSlot& s = State().slots[slot - 1];
    s.roundTrip = 0;
    CopyName(s.name, playerName);
    if (info) s.info = *info;
}

}  // namespace

void NetSetSessionOptions(const plat::SessionOptions& options) { State().options = options; }
plat::Session& NetSession() { return State().session; }

uint32_t SessionGetLocalPlayer() { return State().session.GetLocalPlayer(); }

int SessionSend(const uint8_t* message, uint32_t target, uint32_t guaranteed, uint32_t async) {
    if (!message) return -1;
    uint32_t length = message[1] == 27 ? net::kTrackPointsLength : message[0];
    return State().session.Send(message, length, target, guaranteed != 0, async != 0);
}

int NetInit(uint32_t online) {
    net::NetState& s = State();
    if (s.active) return 0;
    s.online = online;
    int rc = s.session.Init(NetGameMessageThunk, kNetSlots, net::kNetApplicationGuid, s.options);
    if (rc != 0) return rc;
    net::ResetTables();
    SetRacePhaseBroadcast(BroadcastRacePhase);
    s.active = 1;
    return 0;
}

int NetShutdown() {
    net::NetState& s = State();
    if (!s.active) return 0;
    s.active = 0;
    StopGameSearch();
    // The directory entry goes before the session that it announces.
    DirStopRefresh();
    // The session thread is stopped before anything it uses goes away.
    s.session.Close();
    SetRacePhaseBroadcast(nullptr);
    s.mode = 0;
    return 0;
}

uint32_t NetIsActive() { return State().active; }

int NetHostGame(const char* playerName, const NetPlayerInfo* info, const char* sessionName) {
    net::NetState& s = State();
    if (!s.active) return -1;
    {
        std::lock_guard lock(s.lock);
        NetPlayerSlot& slot = s.slots[0];
        slot.roundTrip = 0;
        CopyName(slot.name, playerName);
        if (info) slot.info = *info;
    }
    StopGameSearch();
    s.session.SetHandler(NetGameMessageThunk);
    uint8_t data[kNetInfoBytes];
    InfoToBytes(info, data);
    int rc = s.session.Host(sessionName ? sessionName : "", playerName ? playerName : "", data, kNetInfoBytes);
    if (rc != 0) return rc;
    if (s.online && DirPublishGame() != 0) {
        // A game that cannot be published cannot be found: hosting fails.
        s.session.Leave();
        return -1;
    }
    s.mode = 2;
    s.clock = 0;
    s.remainder = 0;
    s.tickPeriod = s.online ? 180 : 100;
    s.tickDue = 1;
    return 0;
}

namespace {
int FinishJoin(const char* playerName, const NetPlayerInfo* info) {
    net::NetState& s = State();
    s.mode = 1;
    uint32_t local = SessionGetLocalPlayer();
    FillLocalSlot(local, playerName, info);
    s.startFlag = 0;
    uint8_t join[4] = {4, 23, static_cast<uint8_t>(local), 1};
    SessionSend(join, 1, 1, 1);
    s.clock = 0;
    s.tickDue = 1;
    s.tickPeriod = s.online ? 180 : 100;
    s.remainder = s.tickPeriod;
    return 0;
}
}  // namespace

int NetJoinGame(const char* playerName, const NetPlayerInfo* info, const uint8_t* address) {
    net::NetState& s = State();
    if (!s.active || !address) return -1;
    StopGameSearch();
    s.session.SetHandler(NetGameMessageThunk);
    uint8_t data[kNetInfoBytes];
    InfoToBytes(info, data);
    int rc;
    if (s.online) {
        // The directory's net address: the host's game port (network order), then its IPv4 address.
        // A port of 0 (published by hosts that leave it out) means the default game port.
        uint16_t port = static_cast<uint16_t>(address[0] << 8 | address[1]);
        if (port == 0) port = plat::SessionOptions{}.gamePort;
        char host[16];
        std::snprintf(host, sizeof host, "%u.%u.%u.%u", address[2], address[3], address[4], address[5]);
        rc = s.session.JoinAddress(host, port, playerName ? playerName : "", data, kNetInfoBytes);
    } else {
        plat::SessionGuid instance;
        std::memcpy(instance.data(), address, 16);
        rc = s.session.Join(instance, playerName ? playerName : "", data, kNetInfoBytes);
    }
    if (rc != 0) return rc;
    return FinishJoin(playerName, info);
}

int NetJoinGameAt(const char* playerName, const NetPlayerInfo* info, const char* host, uint16_t port) {
    net::NetState& s = State();
    if (!s.active || !host) return -1;
    StopGameSearch();
    s.session.SetHandler(NetGameMessageThunk);
    uint8_t data[kNetInfoBytes];
    InfoToBytes(info, data);
    int rc = s.session.JoinAddress(host, port, playerName ? playerName : "", data, kNetInfoBytes);
    if (rc != 0) return rc;
    return FinishJoin(playerName, info);
}

int NetSetLocalPlayerInfo(const NetPlayerInfo* info) {
    uint8_t data[kNetInfoBytes];
    InfoToBytes(info, data);
    return State().session.SetPlayerData(data, kNetInfoBytes);
}

uint32_t NetGetMode() { return State().mode; }
uint32_t NetGetClock() { return State().clock; }
uint32_t NetTickDue() { return State().tickDue; }
uint32_t NetGetTickPeriod() { return State().tickPeriod; }

void NetAdvanceClock(uint32_t elapsedMs) {
    NetApplyReceived();
    net::NetState& s = State();
    s.clock += elapsedMs;
    uint32_t period = s.tickPeriod ? s.tickPeriod : 1;
    uint64_t total = static_cast<uint64_t>(elapsedMs) + s.remainder;
    s.remainder = static_cast<uint32_t>(total % period);
    s.tickDue = (total / period) != 0;
}

NetPlayerSlot* NetLock() {
    State().lock.lock();
    return State().slots;
}

void NetUnlock() { State().lock.unlock(); }

void NetResetGameFlags() {
    net::NetState& s = State();
    for (uint32_t i = 0; i < kNetSlots; ++i) {
        std::lock_guard lock(s.inbox[i].lock);
        s.inbox[i].fresh = false;
        s.inbox[i].stamp = 0;
        s.ready[i] = 0;
    }
    s.setupDone = 0;
    // The start flag is left alone: a client that resets after the host's start message has arrived
    // would otherwise lose the start. The game room clears it itself (NetClearStartFlag) before it ends
    // its menu loop, and NetJoinGame clears it. The track-points flag is not a flag of this reset either.
}

int NetSendBikeState(const void* state, uint32_t size) {
    net::NetState& s = State();
    s.tickDue = 0;
    // The size byte holds payload + 8, so at most 247 payload bytes fit.
    if (!state || size == 0 || size > 247) return 0;
    uint8_t m[255];
    m[0] = static_cast<uint8_t>(size + 8);
    m[1] = 19;
    m[2] = static_cast<uint8_t>(SessionGetLocalPlayer());
    m[3] = 0;
    plat::StoreU32(m + 4, s.clock);
    std::memcpy(m + 8, state, size);
    SessionSend(m, 0, 0, 0);
    return 0;
}

uint32_t NetTakeBikeState(uint32_t playerIndex, void* buffer, uint32_t size) {
    if (playerIndex >= kNetSlots || !buffer) return 0;
    net::BikeInbox& in = State().inbox[playerIndex];
    std::lock_guard lock(in.lock);
    if (!in.fresh) return 0;
    in.fresh = false;
    // A state shorter than the caller's record is not a whole state: nothing is taken.
    if (in.length < size || size > kNetBikeStateMax) return 0;
    std::memcpy(buffer, in.buffer, size);
    return in.stamp;
}

uint32_t NetAnyPlayerInMenu() {
    if (SessionGetLocalPlayer() == 0) return 0;
    std::lock_guard lock(State().lock);
    for (const NetPlayerSlot& s : State().slots)
        if (s.inUse && s.inMenu) return s.inMenu;
    return 0;
}

const char* const* NetChatLines() { return State().chatLines; }
uint32_t NetStartFlag() { return State().startFlag; }
void NetClearStartFlag() { State().startFlag = 0; }
uint32_t NetReadyFlag(uint32_t slot) { return slot >= 1 && slot <= kNetSlots ? State().ready[slot - 1].load() : 0; }
uint32_t NetSetupDoneFlag() { return State().setupDone; }
uint32_t NetTrackPointsFlag() {
    NetApplyReceived();
    return State().trackPointsReceived;
}
uint32_t NetWorldIdentifier() { return State().worldIdentifier; }
void NetSetWorldIdentifier(uint32_t identifier) { State().worldIdentifier = identifier; }

// ---- senders of the game flow ------------------------------------------------------------------

uint32_t NetBuildChat(const char* text, uint8_t out[kChatMessageMax]) {
    std::memset(out, 0, kChatMessageMax);
    const size_t n = text ? strnlen(text, kChatTextMax) : 0;
    out[0] = static_cast<uint8_t>(n + 6);
    out[1] = 13;
    out[2] = static_cast<uint8_t>(SessionGetLocalPlayer());
    out[4] = static_cast<uint8_t>(n + 1);
    if (n) std::memcpy(out + 5, text, n);
    return static_cast<uint32_t>(n + 6);
}

void NetSendChat(const char* text) {
    uint8_t m[kChatMessageMax];
    NetBuildChat(text, m);
    SessionSend(m, 0, 1, 0);
}

namespace {
void SendHeaderOnly(uint8_t type, uint32_t target) {
    uint8_t m[4] = {4, type, static_cast<uint8_t>(SessionGetLocalPlayer()), 0};
    SessionSend(m, target, 1, 1);
}
}  // namespace

void NetSendStart() { SendHeaderOnly(16, 0); }
void NetSendReady() { SendHeaderOnly(17, 1); }
void NetSendSetupDone() { SendHeaderOnly(21, 0); }

void NetSendRaceSettings(uint32_t hostFlagWord) {
    uint8_t m[28] = {28, 24, 1, 0};
    plat::StoreU32(m + 4, g_Config.raceOption4);  // time limit in minutes
    plat::StoreU32(m + 8, g_Config.raceOption2);  // lap count
    plat::StoreU32(m + 12, g_Config.gameMode);
    plat::StoreU32(m + 16, hostFlagWord);
    plat::StoreU32(m + 20, 1);
    plat::StoreU32(m + 24, State().worldIdentifier);
    SessionSend(m, 0, 1, 1);
}

void NetSendTrackPoints() {
    uint8_t m[net::kTrackPointsLength] = {static_cast<uint8_t>(net::kTrackPointsLength & 0xFF), 27, 0, 0};
    plat::StoreU32(m + 4, g_Config.raceOption3);  // track-point count
    const TrackPoint* points = GetTrackPoints();
    uint32_t have = GetTrackPointCount();
    for (uint32_t i = 0; i < kMaxTrackPoints; ++i) {
        TrackPoint p = i < have ? points[i] : TrackPoint{};
        plat::StoreF32(m + 8 + 12 * i, p.x);
        plat::StoreF32(m + 12 + 12 * i, p.y);
        plat::StoreF32(m + 16 + 12 * i, p.z);
    }
    SessionSend(m, 0, 1, 1);
}

void NetSendPoints(uint32_t points) {
    uint8_t m[8] = {8, 29, static_cast<uint8_t>(SessionGetLocalPlayer()), 0};
    plat::StoreU32(m + 4, points);
    SessionSend(m, 0, 1, 1);
}

void NetSendInMenu(uint32_t inMenu) {
    uint8_t m[8] = {8, 31, static_cast<uint8_t>(SessionGetLocalPlayer()), 0};
    plat::StoreU32(m + 4, inMenu);
    SessionSend(m, 0, 1, 1);
}

void NetSendPing() {
    uint8_t m[12] = {12, 161, static_cast<uint8_t>(SessionGetLocalPlayer()), 0};
    plat::StoreU32(m + 8, plat::TickMs());
    SessionSend(m, 0, 0, 0);
}

}  // namespace kes
