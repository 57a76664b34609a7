// Lap bookkeeping and the race clock.
#include <algorithm>

#include "game/core/config/Config.h"
#include "game/frontend/session/RaceSession.h"
#include "game/net/NetState.h"
#include "platform/bytes/ByteIO.h"

namespace kes {
namespace {

using net::State;
constexpr uint32_t kLastLapIndex = 8;
constexpr uint32_t kPhaseFirstFinished = 9;
constexpr uint32_t kPhaseAllDone = 10;

// Laps stop counting once the race is over. Alone, that is when the first racer is through; in a
// network game the others race on in phase 9 until every racer is through, and their laps must
// still count and reach the other players, or a later finisher's lap and time are lost.
bool RaceOverForLaps() {
    return RacePhase() >= (NetGetMode() != 0 ? kPhaseAllDone : kPhaseFirstFinished);
}

void KeepBestLaps(RacerRecord* racer, uint32_t lapTime) {
    if (racer->bestLap == 0 || lapTime < racer->bestLap) racer->bestLap = lapTime;
    uint32_t best = State().raceBestLap;
    if (best == 0 || lapTime < best) {
        State().raceBestLap = lapTime;
        State().raceBestLapHolder = racer->racerNumber;
    }
}

}  // namespace

int RecordLap(RacerRecord* racer) {
    if (!racer) return -1;
    const bool networked = NetGetMode() != 0;
    if (networked && racer->controlClass == kControlClassRemote) return 0;
    if (RaceOverForLaps()) return -1;
    const uint32_t index = racer->lapIndex < kLapSlots ? racer->lapIndex : kLastLapIndex;
    const uint32_t lapTime = racer->lapTimes[index];
    if (networked) {
        uint8_t m[16] = {16, 28, static_cast<uint8_t>(SessionGetLocalPlayer()), 0};
        plat::StoreU32(m + 4, index);
        plat::StoreU32(m + 8, lapTime);
        plat::StoreU32(m + 12, racer->raceTime);
        SessionSend(m, 0, 1, 1);
    }
    KeepBestLaps(racer, lapTime);
    if (racer->lapIndex < kLastLapIndex) ++racer->lapIndex;
    return 0;
}

int ApplyRemoteLap(RacerRecord* racer, const uint8_t* m) {
    if (!racer || !m) return -1;
    if (NetGetMode() == 0 || racer->controlClass != kControlClassRemote) return 0;
    const uint32_t index = plat::LoadU32(m + 4);
    if (m[0] != 16 || index != racer->lapIndex || index >= kLapSlots) return -1;
    const uint32_t lapTime = plat::LoadU32(m + 8);
    racer->lapTimes[index] = lapTime;
    if (RaceOverForLaps()) return -1;
    KeepBestLaps(racer, lapTime);
    if (racer->lapIndex < kLastLapIndex) {
        ++racer->lapIndex;
        if (racer->lapIndex == g_Config.raceOption2 || g_Config.gameMode == 2) racer->finishTime = racer->raceTime;
    }
    // The player's machine stops sending its bike once it is through, so the state that would carry
    // the last lap may never come: the lap message itself counts the lap.
    racer->laps = std::max(racer->laps, racer->lapIndex);
    return 0;
}

int ResetLapTimes(RacerRecord* racer) {
    if (!racer) return -1;
    racer->lapIndex = 0;
    racer->bestLap = 0;
    racer->lapTimes.fill(0);
    return 0;
}

int AddLapTime(RacerRecord* racer, uint32_t ms) {
    if (!racer) return -1;
    if (racer->lapIndex < kLapSlots) racer->lapTimes[racer->lapIndex] += ms;
    return 0;
}

void SetRaceBestLap(uint32_t ms) { State().raceBestLap = ms; }
uint32_t GetRaceBestLap() { return State().raceBestLap; }
uint32_t GetRaceBestLapHolder() { return State().raceBestLapHolder; }
void ResetRaceClock() { State().raceClock = 0; }
void AdvanceRaceClock(uint32_t ms) { State().raceClock += ms; }
uint32_t GetRaceClock() { return State().raceClock; }

}  // namespace kes
