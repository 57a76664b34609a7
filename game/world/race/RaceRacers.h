#pragma once
// The racers of the current race as the lap bookkeeping and the network messages see them, and the
// race's track points. The race itself fills in the rest of these records.
#include <array>
#include <cstdint>

namespace kes {

constexpr uint32_t kControlClassRemote = 2;  // remote and inert racers
constexpr uint32_t kMaxRaceRacers = 8;
constexpr uint32_t kMaxTrackPoints = 40;
constexpr uint32_t kLapSlots = 9;

struct RacerRecord {
    uint32_t playerIndex = 0;  // network slot - 1
    uint32_t racerNumber = 0;  // stored as the race's best-lap holder
    uint32_t lapIndex = 0;     // 0-8: completed laps, also the lap being timed
    uint32_t bestLap = 0;      // ms, 0 none
    std::array<uint32_t, kLapSlots> lapTimes{};  // ms
    uint32_t raceTime = 0;     // ms
    uint32_t finishTime = 0;   // ms
    uint32_t points = 0;
    uint32_t controlClass = 0; // of the racer's controller; kControlClassRemote for remote racers
};

// The race's table of racers; null entries are empty.
extern std::array<RacerRecord*, kMaxRaceRacers> g_RaceRacers;

struct TrackPoint {
    float x = 0, y = 0, z = 0;
};

// Sets the race's track points (at most 40 are kept).
void SetTrackPoints(uint32_t count, const TrackPoint* points);
uint32_t GetTrackPointCount();
const TrackPoint* GetTrackPoints();

}  // namespace kes
