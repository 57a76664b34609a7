#pragma once
// The rules of a race that need no drawing: the start-slot shuffle, the ranking, the camera target
// keys, the computer riders' skins, who has finished, and the phase machine's timers.
#include <array>
#include <cstdint>
#include <vector>

#include "game/world/race/RaceRacers.h"

namespace kes {

// The comparator of the start-slot shuffle: rand() - 16384, whatever the two entries are.
int CompareRandom(const void* a, const void* b);
// The first `count` start slots sorted eight times with CompareRandom.
void ShuffleStartSlots(std::array<uint32_t, kMaxRaceRacers>& slots, uint32_t count);

// Each racer's place: the number of racers (itself included) whose laps x 1000 + progress is not
// below its own. Null entries are skipped.
void RankRacers(RacerRecord* const* racers, uint32_t slotCount);

// The camera target after the keys of one step (each request is cleared): next moves up through
// the slots wrapping 7 -> 0, previous moves down wrapping below 0 to racerCount - 1, both skipping
// empty slots; a target on an empty slot moves up to the next racer; own goes back to `own`.
struct CameraKeys {
    uint32_t* next;
    uint32_t* previous;
    uint32_t* own;
};
int32_t StepCameraTarget(int32_t target, RacerRecord* const* racers, uint32_t racerCount, int32_t own,
                         const CameraKeys& keys);

// A skin for a computer rider among `count` skins: drawn with rand() until it differs from every
// skin already `taken`; once every skin is taken any draw is kept. 0 when there are no skins.
int32_t DrawFreeSkin(uint32_t count, const std::vector<int32_t>& taken);

// Hands a racer through the line to the computer: finished, no air assist, the computer's
// controller (a remote racer keeps its own), and with `lockTricks` held where it stands.
void FinishRacer(RacerRecord* racer, bool lockTricks);

// Whether a racer has done its race: the laps of the race, or any lap in the points mode.
bool RacerThrough(const RacerRecord& racer, uint32_t laps, uint32_t gameMode);

// The racer's score in a timed world: the trick score its bike has gathered, in whole points (what the
// HUD shows); 0 for a racer without a bike or with no positive score.
uint32_t RacerScore(const RacerRecord& racer);

// One step of finishing and the race clock (in phase 8, and for a network game in phase 9 too).
void StepFinishing(uint32_t step);
// One step of the phase timers and what the phase does with them.
void StepPhase(uint32_t step);

}  // namespace kes
