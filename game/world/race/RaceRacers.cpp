#include "game/world/race/RaceRacers.h"

#include <algorithm>

namespace kes {

std::array<RacerRecord*, kMaxRaceRacers> g_RaceRacers{};

namespace {
std::array<TrackPoint, kMaxTrackPoints> g_trackPoints{};
uint32_t g_trackPointCount = 0;
}  // namespace

void SetTrackPoints(uint32_t count, const TrackPoint* points) {
    count = std::min(count, kMaxTrackPoints);
    if (!points) count = 0;
    std::copy(points, points + count, g_trackPoints.begin());
    g_trackPointCount = count;
}

uint32_t GetTrackPointCount() { return g_trackPointCount; }
const TrackPoint* GetTrackPoints() { return g_trackPoints.data(); }

}  // namespace kes
