// The race branch of a network game: every player in the session races the host's world, the local
// player on this machine and the others as remote racers driven by the bike states they send.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "game/core/camera/Camera.h"
#include "game/core/config/Config.h"
#include "game/frontend/flow/GameFlow.h"
#include "game/frontend/flow/RaceBranchParts.h"
#include "game/frontend/flow/ResultHelpers.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/session/RaceSession.h"
#include "game/frontend/skins/SkinList.h"
#include "game/net/NetGame.h"
#include "game/world/models/BikeModels.h"
#include "game/world/models/RiderModel.h"
#include "game/world/race/RaceRacers.h"
#include "game/world/racer/Racer.h"
#include "game/world/sounds/BikeSounds.h"
#include "platform/sys/Clock.h"

namespace kes {
namespace {

constexpr uint32_t kModePoints = 2;
constexpr uint32_t kTimedKind = 2;
constexpr uint32_t kHostMode = 2;
constexpr uint32_t kNoRow = ~0u;
// The waits before the race look again every so often; a peer that never answers must not hold the
// race for ever, so each wait gives up after a minute and the race goes on without that peer's word.
constexpr uint32_t kPointsLookMs = 100;
constexpr uint32_t kLoadedLookMs = 200;
constexpr uint32_t kLongestWaitMs = 60000;
// The bike values a player's record carries replace parameters 0 and 5; both are choices of 0-2.
constexpr uint32_t kMostAssist = 2;

// The racers' names as the race and the result pages show them; copied out of the player table so
// that a player who leaves takes nothing from under the result pages.
char g_names[kResultRows][32];

struct NetRace {
    uint32_t localIndex = 0;                 // the local player's slot index (slot number - 1)
    uint32_t rowOfSlot[kNetSlots] = {};      // the descriptor (and result row) of each player slot
};

bool LocalSlotLost() { return SessionGetLocalPlayer() == 0; }

const char* KeepName(uint32_t row, const char* name) {
    const size_t length = name ? strnlen(name, sizeof g_names[row] - 1) : 0;
    if (length) std::memcpy(g_names[row], name, length);
    g_names[row][length] = '\0';
    return g_names[row];
}

int32_t SkinIndex(const SkinList* list, uint32_t checksum) {
    return list ? static_cast<int32_t>(list->FindChecksum(checksum) & 0xFFFF) : 0;
}

// Descriptor 0 for the local player, then one remote descriptor for every other slot in use, in
// slot order, each marked as taking part.
void FillDescriptors(NetRace& race) {
    GameFlowState& flow = Flow();
    for (ResultRow& row : flow.seasonResults) row = ResultRow{};
    std::fill(std::begin(race.rowOfSlot), std::end(race.rowOfSlot), kNoRow);

    RacerDesc& local = flow.racerDescs[0];
    const Profile* profile = CurrentProfile();
    local.name = KeepName(0, profile ? profile->GetName() : "");
    local.slot = static_cast<int32_t>(race.localIndex);
    local.netPlayer = static_cast<int32_t>(race.localIndex);
    flow.seasonResults[0].name = g_names[0];
    race.rowOfSlot[race.localIndex] = 0;

    const SkinList* bikes = TheBikeModels().skins.get();
    const SkinList* riders = TheRiderModel().skins.get();
    uint32_t n = 1;
    NetPlayerSlot* table = NetLock();
    for (uint32_t i = 0; i < kNetSlots; ++i) {
        if (!table) break;
        table[i].reserved = 0;
        if (i == race.localIndex || table[i].inUse == 0 || n >= kResultRows) continue;
        const NetPlayerInfo& info = table[i].info;
        RacerDesc& d = flow.racerDescs[n];
        d = RacerDesc{};
        d.kind = kRacerRemote;
        d.bikeSkin = SkinIndex(bikes, info.words[0]);
        d.riderSkin = SkinIndex(riders, info.words[1]);
        d.params = local.params;
        d.params.airAssist = std::min(info.words[2], kMostAssist);
        d.params.landingAssist = std::min(info.words[7], kMostAssist);
        d.slot = static_cast<int32_t>(i);
        d.netPlayer = static_cast<int32_t>(i);
        d.name = KeepName(n, table[i].name);
        flow.seasonResults[n].name = g_names[n];
        table[i].reserved = 1;
        race.rowOfSlot[i] = n;
        ++n;
    }
    NetUnlock();
    flow.racerCount = n;
}

// A client waits for the host's track points; false when the local slot was lost meanwhile.
bool WaitForTrackPoints() {
    for (uint32_t waited = 0; waited < kLongestWaitMs; waited += kPointsLookMs) {
        if (LocalSlotLost()) return false;
        if (NetTrackPointsFlag()) return true;
        plat::SleepMs(kPointsLookMs);
    }
    std::fprintf(stderr, "Kestrun: the host's track points did not arrive; the race goes on without them\n");
    return !LocalSlotLost();
}

// Whether a player who takes part has loaded the race and not yet said so. A player who left (or
// whose racer is gone) is waited for no longer.
bool SomeoneStillLoading(const NetRace& race) {
    bool loading = false;
    NetPlayerSlot* table = NetLock();
    for (uint32_t i = 0; i < kNetSlots && table; ++i) {
        const uint32_t row = race.rowOfSlot[i];
        if (i == race.localIndex || row == kNoRow || table[i].inUse == 0) continue;
        if (row < kMaxRaceRacers && g_RaceRacers[row] && NetReadyFlag(i + 1) == 0) loading = true;
    }
    NetUnlock();
    return loading;
}

// The host lets everyone start, then waits until every player has loaded; false when the local slot
// was lost meanwhile.
bool HostWaitsForPlayers(const NetRace& race) {
    NetSendSetupDone();
    // The host's own race-started flag, as its own message would set it.
    const uint8_t started[4] = {4, 21, 0, 0};
    NetGameMessageHandler(started, sizeof started, 0);
    for (uint32_t waited = 0; waited < kLongestWaitMs; waited += kLoadedLookMs) {
        if (LocalSlotLost()) return false;
        if (!SomeoneStillLoading(race)) return true;
        plat::SleepMs(kLoadedLookMs);
    }
    std::fprintf(stderr, "Kestrun: not every player said the race had loaded; it starts without them\n");
    return !LocalSlotLost();
}

// The host moves its championship on: the world just raced joins the ordered list of worlds run and
// the next world of the list becomes the network game's world.
void NextChampionshipWorld(const WorldRecord* world) {
    GameFlowState& flow = Flow();
    if (NetGetMode() != kHostMode || flow.championship.size() <= 1 || !world) return;
    const uint32_t done = flow.championship.front();
    flow.championship.erase(flow.championship.begin());
    flow.championshipRun.insert(std::upper_bound(flow.championshipRun.begin(), flow.championshipRun.end(), done), done);
    if (const WorldRecord* next = WorldAt(flow.championship.front())) NetSetWorldIdentifier(next->identifier);
}

// The rows of the players still in the race (and the local player's), in slot order, become the
// race results. Each player's row is the row of the racer he rode, so gaps between the slots in
// use keep every row with its player.
uint32_t CopyResults(const NetRace& race) {
    GameFlowState& flow = Flow();
    uint32_t count = 0;
    NetPlayerSlot* table = NetLock();
    for (uint32_t i = 0; i < kNetSlots && table; ++i) {
        const uint32_t row = race.rowOfSlot[i];
        if (row == kNoRow) continue;
        const bool inRace = i == race.localIndex || (table[i].inUse != 0 && table[i].reserved != 0);
        if (inRace) flow.raceResults[count++] = flow.seasonResults[row];
    }
    NetUnlock();
    for (uint32_t i = count; i < kResultRows; ++i) flow.raceResults[i] = ResultRow{};
    flow.racerCount = count;
    return count;
}

void ShowNetworkResults(const WorldRecord* world) {
    GameFlowState& flow = Flow();
    if (world->kind == kTimedKind && g_Config.gameMode != kModePoints) {
        ScoreTimedPoints(world, TimeLimit(), flow);
        SortByScore(flow);
        ShowPage(21);
    } else {
        SortByPlace(flow);
        ScoreRacePoints(flow);
        ShowPage(22);
    }
}

}  // namespace

int RunNetworkRace(RenderInterface* render) {
    GameFlowState& flow = Flow();
    flow.inRace = 1;
    ShowNextLoadingScreen();
    NetClearStartFlag();
    int quitCode = 3;
    const uint32_t localSlot = SessionGetLocalPlayer();
    if (localSlot >= 1 && localSlot <= kNetSlots) {
        NetRace race;
        race.localIndex = localSlot - 1;
        const uint32_t soundSet = FillPlayerDescriptor();
        FillDescriptors(race);
        flow.RaceOutcome = kOutcomeRun;
        LoadBikeSounds(1, soundSet);

        const uint32_t identifier = NetWorldIdentifier();
        const WorldRecord* world = identifier != 0 ? WorldIndexOf(identifier) : nullptr;
        if (identifier == 0) std::fprintf(stderr, "Kestrun: the network game has no world; no race runs\n");
        if (identifier != 0 && !world) {
            std::fprintf(stderr, "Kestrun: the network game's world %u is not in the world list; leaving the game\n",
                         identifier);
            if (NetIsActive()) NetShutdown();
        }
        flow.raceWorld = world;
        flow.RaceOutcome = kOutcomeRetired;
        bool ran = false;
        if (world && FlowServices().raceStart(render, world, flow.racerDescs, flow.racerCount, 0) == 0) {
            flow.RaceOutcome = kOutcomeRun;
            const bool host = NetGetMode() == kHostMode;
            if (!host) NetSendReady();
            bool present = true;
            if (g_Config.gameMode == kModePoints) {
                if (host) {
                    PlaceCoursePoints();
                    NetSendTrackPoints();
                } else {
                    present = WaitForTrackPoints();
                    if (present) SinkCoursePoints();
                }
            }
            if (present && host) present = HostWaitsForPlayers(race);
            if (!present) flow.RaceOutcome = kOutcomeSessionLost;
            if (present) quitCode = FlowServices().runLoop();
            FlowServices().raceEnd(flow.seasonResults);
            ran = true;
            flow.inRace = 0;
            if (FrontEnd().camera) SetActiveCamera(FrontEnd().camera);
        }
        NextChampionshipWorld(world);
        // Results only of a race that ran: otherwise the rows hold nothing of this race.
        if (ran && flow.RaceOutcome != kOutcomeSessionLost && !LocalSlotLost() && CopyResults(race) != 0)
            ShowNetworkResults(world);
        FreeBikeSounds();
    }
    flow.inRace = 0;
    ReleasePlayerControls(1);
    const bool inSession = NetGetMode() != 0 && !LocalSlotLost() && flow.RaceOutcome != kOutcomeSessionLost;
    SetMenuPage(inSession ? 13 : 0);
    return quitCode;
}

}  // namespace kes
