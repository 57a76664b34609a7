// Finishing, the race clock and the phase machine of one simulation step.
#include "game/core/input/Input.h"
#include "game/frontend/race/RaceRules.h"
#include "game/frontend/race/RaceState.h"
#include "game/frontend/session/RaceSession.h"
#include "game/net/NetGame.h"
#include "game/world/racecam/RaceCamera.h"
#include "game/world/racer/Racer.h"

namespace kes {

namespace {

bool TimeIsUp(const RaceSessionState& s) {
    return s.worldKind == 2 && s.gameMode != 2 && GetRaceClock() >= s.timeLimitMinutes * 60000u;
}

// Out of time: everybody is finished, handed to the computer and held.
void EndForEveryone(bool onlyUnfinished) {
    for (RacerRecord* r : g_RaceRacers)
        if (r && !(onlyUnfinished && r->finished)) FinishRacer(r, true);
}

void SinglePlayerFinishing(RaceSessionState& s, uint32_t step) {
    if (TimeIsUp(s)) {
        EndForEveryone(true);
        MovePhase(kPhaseFirstFinished);
        return;
    }
    if (s.worldKind == 2 && s.gameMode != 2) return;
    for (RacerRecord* r : g_RaceRacers) {
        if (!r) continue;
        AddLapTime(r, step);
        if (RacerThrough(*r, s.laps, s.gameMode) && !r->finished) {
            // The places of the last frame were counted before this lap was: counted again, the
            // racer through the line is ahead of everyone still on it, and keeps that place.
            RankRacers(g_RaceRacers.data(), kMaxRaceRacers);
            r->finishPlace = r->place;
            FinishRacer(r, false);
            MovePhase(kPhaseFirstFinished);
        }
    }
}

void NetworkFinishing(RaceSessionState& s, uint32_t step) {
    if (s.worldKind == 2 && s.gameMode != 2) {
        if (!TimeIsUp(s)) return;
        EndForEveryone(false);
        MovePhase(kPhaseAllDone);
        return;
    }
    bool open = false;
    for (RacerRecord* r : g_RaceRacers) {
        if (!r) continue;
        AddLapTime(r, step);
        if (!RacerThrough(*r, s.laps, s.gameMode)) {
            open = true;
        } else if (!r->finished) {
            // Each machine sees its own finishers: the place is kept and phase 9 starts here
            // without telling the others.
            r->finished = 1;
            r->finishPlace = r->place;
            SetRacePhase(kPhaseFirstFinished, 1);
        }
    }
    if (!open) MovePhase(kPhaseAllDone);
}

// The camera moves on by itself once a racer is through (single player).
void CameraToOverview() {
    if (RaceCamState().mode != 0) RaceCamKeys().nextMode = 1;
}

void SetLocks(uint32_t from, uint32_t to, uint8_t value) {
    for (uint32_t i = from; i < to && i < kMaxRaceRacers; ++i)
        if (g_RaceRacers[i] && g_RaceRacers[i]->bike) g_RaceRacers[i]->bike->holdControls = value;
}

}  // namespace

void MovePhase(uint32_t phase) {
    const RaceSessionState& s = ThisRace();
    if (s.network && !s.host) return;
    SetRacePhase(phase, 0);
}

void StepFinishing(uint32_t step) {
    RaceSessionState& s = ThisRace();
    const uint32_t phase = RacePhase();
    if (phase == kPhaseRacing) {
        SetLocks(0, kMaxRaceRacers, 0);
        if (!s.network) SinglePlayerFinishing(s, step);
    }
    if (s.network && (phase == kPhaseRacing || phase == kPhaseFirstFinished)) NetworkFinishing(s, step);
    if (phase == kPhaseRacing) AdvanceRaceClock(step);
}

void StepPhase(uint32_t step) {
    RaceSessionState& s = ThisRace();
    auto& t = s.timers;
    const uint32_t phase = RacePhase();
    switch (phase) {
    case kPhaseIntro:  // the input is latched after the intro camera's look (RaceStepPostUpdate)
        break;
    case kPhaseWait:
        t[kTimerWait] += step;
        if (t[kTimerWait] > 3000) {
            const uint32_t excess = t[kTimerWait] - 3000;
            t.fill(0);
            t[kTimerThree] = excess;
            MovePhase(kPhaseThree);
        }
        break;
    case kPhaseThree:
    case kPhaseTwo:
    case kPhaseOne: {
        const uint32_t mine = phase - kPhaseThree + kTimerThree;
        t[mine] += step;
        if (t[mine] > 1000) {
            t[mine + 1] = t[mine] - 1000;
            MovePhase(phase + 1);
        }
        break;
    }
    case kPhaseGo:
        t[kTimerGo] += step;
        // The computer riders may start a moment before the rider in slot 0.
        if (t[kTimerGo] > 850) SetLocks(1, kMaxRaceRacers, 0);
        if (t[kTimerGo] > 1000) {
            SetLocks(0, 1, 0);
            MovePhase(kPhaseRacing);
        }
        break;
    case kPhaseFirstFinished:
        if (s.network) break;
        CameraToOverview();
        t[kTimerFinish] += step;
        if (t[kTimerFinish] > 2000) {
            MovePhase(kPhaseAllDone);
            InputLatchState();
        }
        break;
    case kPhaseAllDone:
        if (!s.network) CameraToOverview();
        t[kTimerFinish] += step;
        if (s.network) {
            if (t[kTimerFinish] > 5000) MovePhase(kPhaseLeave);
        } else if (s.keys[kKeyMenu]) {
            s.keys[kKeyMenu] = 0;
            MovePhase(kPhaseLeave);
        }
        break;
    default:
        break;
    }
}

}  // namespace kes
