// The game message handler. Every message is checked against its type before a field is read: its
// length, its size byte, the slot it claims to come from (which must be the slot of the connection it
// came from) and, for the host's messages, that it came from the host. The session layer's own
// messages (144-153) are taken only when the session made them on this machine.
#include <algorithm>
#include <cstring>

#include "game/core/config/Config.h"
#include "game/frontend/session/RaceSession.h"
#include "game/net/NetDirectory.h"
#include "game/net/NetState.h"
#include "platform/bytes/ByteIO.h"
#include "platform/sys/Clock.h"

namespace kes {
namespace {

using net::State;
using plat::LoadU32;

constexpr uint32_t kHostSlot = 1;

bool ValidSlot(uint32_t slot) { return slot >= 1 && slot <= kNetSlots; }

// The sender byte must name a slot, and, for a message from the network, the connection's own slot.
bool SenderIs(const uint8_t* m, uint32_t senderSlot) {
    return ValidSlot(m[2]) && (senderSlot == 0 || m[2] == senderSlot);
}
// Messages only the host sends (slot 0: handed in by the game itself).
bool FromHost(uint32_t senderSlot) { return senderSlot == 0 || senderSlot == kHostSlot; }

// The host's messages to every player come back to the host too. The host owns the race phase: its
// own phase message, heard late (after it moved on), must not set the phase back.
bool OwnEcho(uint32_t senderSlot) { return NetGetMode() == 2 && senderSlot != 0 && senderSlot == SessionGetLocalPlayer(); }

void HandleChat(const uint8_t* m, uint32_t length, uint32_t senderSlot) {
    if (length < 6 || !SenderIs(m, senderSlot)) return;
    uint32_t textBytes = m[4];  // text and its zero
    if (textBytes < 1 || 5 + textBytes != length) return;
    net::NetState& s = State();
    std::lock_guard lock(s.lock);
    // The oldest line is recycled as the latest.
    const char* oldest = s.chatLines[0];
    for (uint32_t i = 0; i + 1 < kChatLines; ++i) s.chatLines[i] = s.chatLines[i + 1];
    s.chatLines[kChatLines - 1] = oldest;
    char* line = const_cast<char*>(oldest);
    std::memset(line, 0, kChatLineBytes);
    line[0] = static_cast<char>('0' + m[2]);
    line[1] = '>';
    uint32_t n = std::min<uint32_t>(std::min<uint32_t>(textBytes, 31), kChatLineBytes - 3);
    for (uint32_t i = 0; i < n && m[5 + i] != 0; ++i) line[2 + i] = static_cast<char>(m[5 + i]);
}

void HandleBikeState(const uint8_t* m, uint32_t length, uint32_t senderSlot) {
    if (length < 9 || !SenderIs(m, senderSlot)) return;
    uint32_t payload = length - 8;
    if (payload > kNetBikeStateMax) return;
    uint32_t stamp = LoadU32(m + 4);
    net::BikeInbox& in = State().inbox[m[2] - 1];
    std::lock_guard lock(in.lock);
    if (stamp <= in.stamp) return;  // only the newest state of each sender is kept
    std::memcpy(in.buffer, m + 8, payload);
    in.length = payload;
    in.stamp = stamp;
    in.fresh = true;
}

// The messages below change what the game thread reads as plain fields: they are kept in the
// pending copy under the net lock and applied at the game thread's next network step.
void HandleRaceSettings(const uint8_t* m) {
    net::NetState& s = State();
    std::lock_guard lock(s.lock);
    net::PendingReceived& p = s.pending;
    p.settings = true;
    p.timeLimit = LoadU32(m + 4);
    p.laps = LoadU32(m + 8);
    p.gameMode = LoadU32(m + 12);
    p.hostFlagWord = LoadU32(m + 16);
    p.world = LoadU32(m + 24);
}

void HandleTrackPoints(const uint8_t* m) {
    uint32_t count = LoadU32(m + 4);
    if (count > kMaxTrackPoints) return;  // the message holds 40 points
    net::NetState& s = State();
    std::lock_guard lock(s.lock);
    net::PendingReceived& p = s.pending;
    for (uint32_t i = 0; i < kMaxTrackPoints; ++i) {
        p.trackPointList[i].x = plat::LoadF32(m + 8 + 12 * i);
        p.trackPointList[i].y = plat::LoadF32(m + 12 + 12 * i);
        p.trackPointList[i].z = plat::LoadF32(m + 16 + 12 * i);
    }
    p.trackPointCount = count;
    p.trackPoints = true;
}

void HandleLap(const uint8_t* m) {
    const uint32_t index = m[2] - 1u;
    net::NetState& s = State();
    std::lock_guard lock(s.lock);
    net::PendingReceived& p = s.pending;
    // More laps than a racer can report between two steps come from no honest sender.
    if (p.lapCount[index] >= kLapSlots) return;
    std::memcpy(p.lapMessages[index][p.lapCount[index]++].data(), m, 16);
}

void HandlePoints(const uint8_t* m) {
    const uint32_t index = m[2] - 1u;
    net::NetState& s = State();
    std::lock_guard lock(s.lock);
    s.pending.points[index] = true;
    s.pending.pointsValue[index] = LoadU32(m + 4);
}

void HandleRacePhase(const uint8_t* m) {
    net::NetState& s = State();
    std::lock_guard lock(s.lock);
    s.pending.phase = true;
    s.pending.phaseValue = LoadU32(m + 4);
}

void RequestRaceSettings() {
    net::NetState& s = State();
    std::lock_guard lock(s.lock);
    s.pending.settingsRequested = true;
}

void HandlePing(const uint8_t* m, uint32_t senderSlot) {
    if (!ValidSlot(senderSlot)) return;  // the pong goes back where the ping came from
    uint8_t pong[12];
    std::memcpy(pong, m, 12);
    pong[1] = 162;
    pong[3] = pong[2];
    pong[2] = static_cast<uint8_t>(SessionGetLocalPlayer());
    SessionSend(pong, senderSlot, 0, 0);
}

void HandlePong(const uint8_t* m, uint32_t senderSlot) {
    if (!SenderIs(m, senderSlot)) return;
    uint32_t now = plat::TickMs();
    std::lock_guard lock(State().lock);
    State().slots[m[2] - 1].roundTrip = now - LoadU32(m + 8);
}

void HandleClockRequest(const uint8_t* m, uint32_t senderSlot) {
    if (NetGetMode() != 2 || !ValidSlot(senderSlot)) return;
    // Answered to the connection the request came from, whatever slot its byte 2 names.
    uint8_t reply[12] = {12, 26, 0, static_cast<uint8_t>(senderSlot)};
    std::memcpy(reply + 4, m + 4, 4);
    plat::StoreU32(reply + 8, GetRaceClock());
    SessionSend(reply, senderSlot, 1, 1);
}

// Fixed lengths of the types whose length is fixed; 0 where the type checks its own.
uint32_t FixedLength(uint8_t type) {
    switch (type) {
    case 16: case 17: case 21: case 23: return 4;
    case 22: case 29: case 31: return 8;
    case 24: return 28;
    case 27: return net::kTrackPointsLength;
    case 28: return 16;
    case 161: case 162: return 12;
    default: return 0;
    }
}

void HandleLocal(const uint8_t* m, uint32_t length) {
    net::NetState& s = State();
    const uint32_t local = SessionGetLocalPlayer();
    switch (m[1]) {
    case plat::kMsgPlayerData: {
        if (length < plat::kPlayerDataBytesAt) return;
        uint32_t slot = LoadU32(m + plat::kPlayerDataSlotAt);
        uint32_t n = LoadU32(m + plat::kPlayerDataLengthAt);
        if (!ValidSlot(slot) || slot == local || n > kNetInfoBytes || plat::kPlayerDataBytesAt + n != length) return;
        std::lock_guard lock(s.lock);
        NetPlayerSlot& p = s.slots[slot - 1];
        if (!p.inUse) return;
        p.info = NetPlayerInfo{};
        for (uint32_t w = 0; w < n / 4; ++w) p.info.words[w] = LoadU32(m + plat::kPlayerDataBytesAt + 4 * w);
        return;
    }
    case plat::kMsgNewPlayer: {
        if (length < plat::kNewPlayerDataAt) return;
        uint32_t slot = LoadU32(m + plat::kNewPlayerSlotAt);
        uint32_t n = LoadU32(m + plat::kNewPlayerLengthAt);
        if (!ValidSlot(slot) || slot == local || n > kNetInfoBytes || plat::kNewPlayerDataAt + n != length) return;
        std::lock_guard lock(s.lock);
        NetPlayerSlot& p = s.slots[slot - 1];
        p = NetPlayerSlot{};
        p.inUse = 1;
        for (uint32_t w = 0; w < n / 4; ++w) p.info.words[w] = LoadU32(m + plat::kNewPlayerDataAt + 4 * w);
        std::memcpy(p.name, m + plat::kNewPlayerNameAt, 15);
        p.name[15] = 0;
        return;
    }
    case plat::kMsgPlayerLeft: {
        if (length != 8) return;
        uint32_t slot = LoadU32(m + 4);
        if (!ValidSlot(slot) || slot == local) return;
        std::lock_guard lock(s.lock);
        s.slots[slot - 1].inUse = 0;
        return;
    }
    default:  // 146 (session lost) needs nothing here: the local slot is already 0
        return;
    }
}

}  // namespace

void NetApplyReceived() {
    net::NetState& s = State();
    net::PendingReceived p;
    {
        std::lock_guard lock(s.lock);
        p = s.pending;
        s.pending = net::PendingReceived{};
    }
    if (p.settings) {
        g_Config.raceOption4 = p.timeLimit;
        g_Config.raceOption2 = p.laps;
        g_Config.gameMode = p.gameMode;
        g_ReceivedHostFlagWord = p.hostFlagWord;
        s.worldIdentifier = p.world;
    }
    if (p.trackPoints) {
        SetTrackPoints(p.trackPointCount, p.trackPointList);
        s.trackPointsReceived = 1;
    }
    for (uint32_t slot = 0; slot < kNetSlots; ++slot) {
        for (uint32_t i = 0; i < p.lapCount[slot]; ++i) {
            const uint8_t* m = p.lapMessages[slot][i].data();
            for (RacerRecord* racer : g_RaceRacers) {
                if (!racer || racer->playerIndex != slot) continue;
                racer->raceTime = LoadU32(m + 12);
                ApplyRemoteLap(racer, m);
            }
        }
        if (!p.points[slot]) continue;
        for (RacerRecord* racer : g_RaceRacers) {
            if (racer && racer->playerIndex == slot) {
                racer->points = p.pointsValue[slot];
                break;
            }
        }
    }
    if (p.phase) SetRacePhase(p.phaseValue, 1);
    // Sent to all, so one answer serves every join since the last step.
    if (p.settingsRequested && NetGetMode() == 2) NetSendRaceSettings(g_HostFlagWord);
}

void NetGameMessageThunk(const uint8_t* message, uint32_t length, uint32_t slot, bool local) {
    if (!message || length < 4 || length > plat::kSessionMaxMessage) return;
    if (local) {
        if (plat::IsLocalOnlyType(message[1])) HandleLocal(message, length);
        // A published game shows its player count: the refresh thread sends it again.
        if (message[1] == plat::kMsgNewPlayer || message[1] == plat::kMsgPlayerLeft) DirNotifyPlayersChanged();
        return;
    }
    if (!ValidSlot(slot)) return;  // a message from the network always has its connection's slot
    NetGameMessageHandler(message, length, slot);
}

int NetGameMessageHandler(const uint8_t* m, uint32_t length, uint32_t senderSlot) {
    if (!m || length < 4 || length > plat::kSessionMaxMessage || senderSlot > kNetSlots) return 1;
    const uint8_t type = m[1];
    if (type < 13 || type > 162 || plat::IsLocalOnlyType(type)) return 1;
    // The size byte is the length, except for the track points whose 488 bytes do not fit in it.
    if (type == 27 ? length != net::kTrackPointsLength : m[0] != length) return 1;
    uint32_t fixed = FixedLength(type);
    if (fixed && length != fixed) return 1;

    net::NetState& s = State();
    switch (type) {
    case 13: HandleChat(m, length, senderSlot); break;
    case 16: if (FromHost(senderSlot)) s.startFlag = 1; break;
    case 17: if (SenderIs(m, senderSlot)) s.ready[m[2] - 1] = 1; break;
    case 19: HandleBikeState(m, length, senderSlot); break;
    case 21: if (FromHost(senderSlot)) s.setupDone = 1; break;
    case 22: if (FromHost(senderSlot) && !OwnEcho(senderSlot)) HandleRacePhase(m); break;
    case 23: if (NetGetMode() == 2 && SenderIs(m, senderSlot)) RequestRaceSettings(); break;
    case 24: if (FromHost(senderSlot)) HandleRaceSettings(m); break;
    case 25: if (length >= 8) HandleClockRequest(m, senderSlot); break;
    case 27: if (FromHost(senderSlot)) HandleTrackPoints(m); break;
    case 28: if (SenderIs(m, senderSlot)) HandleLap(m); break;
    case 29: if (SenderIs(m, senderSlot)) HandlePoints(m); break;
    case 31:
        if (SenderIs(m, senderSlot)) {
            std::lock_guard lock(s.lock);
            s.slots[m[2] - 1].inMenu = LoadU32(m + 4);
        }
        break;
    case 161: if (m[2] == 0 || SenderIs(m, senderSlot)) HandlePing(m, senderSlot); break;
    case 162: HandlePong(m, senderSlot); break;
    default: break;  // every other type is not ours
    }
    return 1;
}

}  // namespace kes
