#include "game/frontend/race/RaceRules.h"

#include <algorithm>
#include <cstdlib>

#include "game/world/racer/Racer.h"
#include "platform/sys/CrtRand.h"
#include "platform/sys/Fpu.h"

namespace kes {

int CompareRandom(const void*, const void*) { return plat::CrtRand() - 16384; }

void ShuffleStartSlots(std::array<uint32_t, kMaxRaceRacers>& slots, uint32_t count) {
    count = std::min<uint32_t>(count, kMaxRaceRacers);
    for (int pass = 0; pass < 8; ++pass) std::qsort(slots.data(), count, sizeof(uint32_t), CompareRandom);
}

void RankRacers(RacerRecord* const* racers, uint32_t slotCount) {
    for (uint32_t i = 0; i < slotCount; ++i) {
        RacerRecord* r = racers[i];
        if (!r) continue;
        const float mine = static_cast<float>(r->laps) * 1000.0f + r->progress;
        uint32_t place = 0;
        for (uint32_t j = 0; j < slotCount; ++j)
            if (racers[j] && static_cast<float>(racers[j]->laps) * 1000.0f + racers[j]->progress >= mine) ++place;
        r->place = place;
    }
}

namespace {

// The next occupied slot from `from` going up (wrapping 7 -> 0); `from` itself when none is.
int32_t UpFrom(int32_t from, RacerRecord* const* racers) {
    int32_t t = from;
    for (uint32_t tries = 0; tries < kMaxRaceRacers; ++tries) {
        t = (t + 1) % static_cast<int32_t>(kMaxRaceRacers);
        if (racers[t]) return t;
    }
    return from;
}

}  // namespace

int32_t StepCameraTarget(int32_t target, RacerRecord* const* racers, uint32_t racerCount, int32_t own,
                         const CameraKeys& keys) {
    const int32_t slots = static_cast<int32_t>(kMaxRaceRacers);
    if (target < 0 || target >= slots) target = 0;
    if (*keys.next) {
        *keys.next = 0;
        target = UpFrom(target, racers);
    }
    if (*keys.previous) {
        *keys.previous = 0;
        int32_t t = target;
        for (int32_t tries = 0; tries < slots; ++tries) {
            --t;
            // Below slot 0 the target wraps to the last racer by count, as the slots fill from 0.
            if (t < 0) t = racerCount > 0 ? std::min<int32_t>(static_cast<int32_t>(racerCount) - 1, slots - 1) : 0;
            if (racers[t]) {
                target = t;
                break;
            }
        }
    }
    if (!racers[target]) target = UpFrom(target, racers);
    if (*keys.own) {
        *keys.own = 0;
        if (own >= 0 && own < slots) target = own;
    }
    return target;
}

int32_t DrawFreeSkin(uint32_t count, const std::vector<int32_t>& taken) {
    if (count == 0) return 0;
    std::vector<int32_t> free;
    for (uint32_t s = 0; s < count; ++s)
        if (std::find(taken.begin(), taken.end(), static_cast<int32_t>(s)) == taken.end()) free.push_back(static_cast<int32_t>(s));
    // Redrawn while taken, as long as a free skin is left to find (with none left it would never end).
    for (;;) {
        const int32_t skin = plat::CrtRand() % static_cast<int32_t>(count);
        if (free.empty() || std::find(free.begin(), free.end(), skin) != free.end()) return skin;
    }
}

void FinishRacer(RacerRecord* racer, bool lockTricks) {
    if (!racer || !racer->bike) return;
    racer->finished = 1;
    racer->bike->params.airAssist = 0;
    if (racer->controlClass != kControlClassRemote) {
        if (racer->object) racer->object->update = ControlComputerRacer;
        // The computer steers only a bike of its own class; the player's bike rides home with it.
        racer->bike->controlClass = kClassComputer;
    }
    if (lockTricks) racer->bike->holdControls = 1;
}

bool RacerThrough(const RacerRecord& racer, uint32_t laps, uint32_t gameMode) {
    return gameMode == 2 ? racer.laps != 0 : racer.laps >= laps;
}

uint32_t RacerScore(const RacerRecord& racer) {
    constexpr uint32_t kMostPoints = 9999999;  // the seven digits of the score display
    const float score = racer.bike ? racer.bike->scoreTarget : 0.0f;
    if (!(score > 0.0f)) return 0;  // NaN too
    if (score >= static_cast<float>(kMostPoints)) return kMostPoints;
    return static_cast<uint32_t>(plat::FloatToInt(score));
}

}  // namespace kes
