#pragma once
// The game's network layer: starts and stops the session, hosts or joins, keeps the eight player
// slots, the chat lines, the race start flags, the network clock with its send tick and the inbox of
// remote bike states, and handles every game message. All state is process-global: one network game
// at a time.
//
// What the receive thread may touch. The message handler runs on the session's receive thread; the
// rest of the game on the game thread. The handler writes only:
// - the player slots and the chat lines, under the net lock (NetLock / NetUnlock for readers);
// - the bike-state inbox, under each player's own lock (NetTakeBikeState);
// - single words that stand alone and are read through their accessors: the start, ready and
//   setup-done flags (atomic);
// - its pending copy, under the net lock, of everything the game thread reads as plain fields: the
//   race options, game mode and received host flag word of message 24 with its world identifier, the
//   track points of 27, the laps and race times of 28, the points of 29, the race phase of 22, and the
//   host's answer to a join (23), which reads the host's settings. The game thread applies that copy
//   at its next network step (NetAdvanceClock, which the race and menu frames call every 10 ms, or
//   NetApplyReceived), in this order: settings, track points, laps, points, phase, then the answer
//   to a join. So g_Config, the racer records, the race phase and the host flag words change only on
//   the game thread, between two frames.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/session/LanDiscovery.h"
#include "platform/session/Session.h"
#include "game/world/race/RaceRacers.h"

namespace kes {

constexpr uint32_t kNetSlots = 8;
constexpr uint32_t kNetInfoWords = 14;
constexpr uint32_t kNetInfoBytes = 56;
constexpr uint32_t kNetBikeStateMax = 512;
constexpr uint32_t kChatLines = 6;
constexpr uint32_t kChatLineBytes = 32;

// The game's description of a player, carried unchanged as the player's session data.
struct NetPlayerInfo {
    uint32_t words[kNetInfoWords] = {};
};

struct NetPlayerSlot {
    uint32_t inUse = 0;      // remote players only; the local slot keeps 0
    uint32_t roundTrip = 0;  // ms, last pong
    char name[16] = {};
    uint32_t inMenu = 0;
    uint32_t reserved = 0;   // the game flow's in-race word
    NetPlayerInfo info;
};

// ---- lifecycle and queries --------------------------------------------------------------------
int NetInit(uint32_t online);
int NetShutdown();
uint32_t NetIsActive();
int NetHostGame(const char* playerName, const NetPlayerInfo* info, const char* sessionName);
// Joins the session found on the local network with this 16-byte instance id.
int NetJoinGame(const char* playerName, const NetPlayerInfo* info, const uint8_t* address);
// Joins the session at an address and port.
int NetJoinGameAt(const char* playerName, const NetPlayerInfo* info, const char* host, uint16_t port);
int NetSetLocalPlayerInfo(const NetPlayerInfo* info);
uint32_t NetGetMode();
uint32_t NetGetClock();
uint32_t NetTickDue();
uint32_t NetGetTickPeriod();
// The network step: applies what was received since the last step, then advances the clock.
void NetAdvanceClock(uint32_t elapsedMs);
// Applies what was received since the last step without moving the clock (game thread only).
void NetApplyReceived();
NetPlayerSlot* NetLock();  // enters the net lock; the table, slot 1 first
void NetUnlock();
void NetResetGameFlags();
int NetSendBikeState(const void* state, uint32_t size);
uint32_t NetTakeBikeState(uint32_t playerIndex, void* buffer, uint32_t size);
uint32_t NetAnyPlayerInMenu();

// The chat lines, oldest first; read them under NetLock.
const char* const* NetChatLines();
// Flags of the race start.
uint32_t NetStartFlag();
void NetClearStartFlag();
uint32_t NetReadyFlag(uint32_t slot);
uint32_t NetSetupDoneFlag();
// Applies what was received first, so that the track points are in place when the flag is set.
uint32_t NetTrackPointsFlag();
uint32_t NetWorldIdentifier();
void NetSetWorldIdentifier(uint32_t identifier);

// ---- the session underneath -------------------------------------------------------------------
uint32_t SessionGetLocalPlayer();
// Sends a game message; its length is its first byte, except the 488-byte track points.
int SessionSend(const uint8_t* message, uint32_t target, uint32_t guaranteed, uint32_t async);
// Where the session listens and where a search looks (set before NetInit; tests use loopback).
void NetSetSessionOptions(const plat::SessionOptions& options);
void NetSetSearchTargets(const std::vector<plat::DiscoveryTarget>& targets);
plat::Session& NetSession();

// ---- messages ---------------------------------------------------------------------------------
// Handles one game message of `length` bytes as received from `senderSlot` (the slot the session
// reports for the connection; 0 for a message the game hands in itself). Always returns 1.
int NetGameMessageHandler(const uint8_t* message, uint32_t length, uint32_t senderSlot);
// The session's handler: game messages go to NetGameMessageHandler, the session's own local
// messages (joins, data, leaves, loss) are taken only when `local` is set.
void NetGameMessageThunk(const uint8_t* message, uint32_t length, uint32_t slot, bool local);

// Builders and senders of the game flow's messages.
// A chat message (type 13) of the local player: the text cut to 31 characters with its terminator.
// Returns its length (the text's length + 6).
constexpr uint32_t kChatTextMax = 31;
constexpr uint32_t kChatMessageMax = kChatTextMax + 6;
uint32_t NetBuildChat(const char* text, uint8_t out[kChatMessageMax]);
void NetSendChat(const char* text);
void NetSendStart();
void NetSendReady();
void NetSendSetupDone();
void NetSendRaceSettings(uint32_t hostFlagWord);
void NetSendTrackPoints();
void NetSendPoints(uint32_t points);
void NetSendInMenu(uint32_t inMenu);
void NetSendPing();

// ---- laps and the race clock ------------------------------------------------------------------
int RecordLap(RacerRecord* racer);
int ApplyRemoteLap(RacerRecord* racer, const uint8_t* message);
int ResetLapTimes(RacerRecord* racer);
int AddLapTime(RacerRecord* racer, uint32_t ms);
void SetRaceBestLap(uint32_t ms);
uint32_t GetRaceBestLap();
uint32_t GetRaceBestLapHolder();
void ResetRaceClock();
void AdvanceRaceClock(uint32_t ms);
uint32_t GetRaceClock();

// ---- the local-network game search -------------------------------------------------------------
// One game found: 68 bytes as the game list takes them.
struct ServerRecord {
    char name[32] = {};
    uint32_t players = 0;
    uint32_t maxPlayers = 0;
    uint32_t zero[2] = {};
    uint32_t connection = 0;
    uint8_t session[16] = {};
};
// The callback gets a record per game found, null at the end, and (uintptr_t)-1 when a search fails.
using GameSearchCallback = void (*)(const ServerRecord* record);
int StartGameSearch(GameSearchCallback callback, uint32_t online);
void StopGameSearch();

}  // namespace kes
