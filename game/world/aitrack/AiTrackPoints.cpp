// The 40 random track points of the 40-point game mode.
#include "game/world/aitrack/AiTrack.h"
#include "game/world/race/RaceRacers.h"
#include "platform/sys/CrtRand.h"

namespace kes {

namespace {
// Draws of one point before a bitmap with no track cell under the ground box is given up on.
constexpr int kMaxDraws = 10000;
}  // namespace

void PlaceRandomTrackPoints(uint32_t* count, int32_t gameMode, const WorldBounds& box) {
    *count = kMaxTrackPoints;
    if (gameMode != 2) return;
    TrackPoint points[kMaxTrackPoints];
    const TrackPoint* kept = GetTrackPoints();
    for (uint32_t i = 0; i < kMaxTrackPoints; ++i) {
        points[i] = kept[i];  // z stays as it was
        bool onTrack = false;
        for (int draw = 0; draw < kMaxDraws && !onTrack; ++draw) {
            const float r1 = static_cast<float>(plat::SimRand()) / 32767.0f;
            const float r2 = static_cast<float>(plat::SimRand()) / 32767.0f;
            points[i].x = (1.0f - r1) * box.maxX + r1 * box.minX;
            points[i].y = (1.0f - r2) * box.maxY + r2 * box.minY;
            onTrack = IsOnTrack(points[i].x, points[i].y);
        }
        if (!onTrack && GetAiGateCount() > 0) {
            const AiGate* gate = GetAiGateByIndex(static_cast<int32_t>(i % static_cast<uint32_t>(GetAiGateCount())));
            points[i].x = gate->reference.x;
            points[i].y = gate->reference.y;
        }
    }
    SetTrackPoints(kMaxTrackPoints, points);
}

}  // namespace kes
