#include "game/frontend/hud/HudRacers.h"

namespace kes {

namespace {

// Earlier in the order = ahead in the race.
bool Ahead(const RacerRecord& a, const RacerRecord& b) {
    const bool aDone = a.finishTime != 0, bDone = b.finishTime != 0;
    if (aDone != bDone) return aDone;
    if (aDone) return a.finishTime < b.finishTime;
    if (a.laps != b.laps) return a.laps > b.laps;
    return a.progress > b.progress;
}

}  // namespace

MapPosition RacerMapPosition(const RacerRecord& racer, const WorldBounds& bounds) {
    const float width = bounds.maxX - bounds.minX, depth = bounds.maxY - bounds.minY;
    if (!(width > 0.0f && depth > 0.0f)) return {};
    float cx = 0.0f, cy = 0.0f;
    for (const Vec3& p : racer.drawn.positions) cx += p.x, cy += p.y;
    return {(cx / 4.0f - bounds.minX) / width, (cy / 4.0f - bounds.minY) / depth};
}

uint32_t RacerPlace(RacerRecord* const* racers, uint32_t count, const RacerRecord& racer) {
    uint32_t place = 1;
    for (uint32_t i = 0; i < count; ++i)
        if (racers[i] && racers[i] != &racer && Ahead(*racers[i], racer)) ++place;
    return place;
}

uint32_t FieldBestLap(RacerRecord* const* racers, uint32_t count) {
    uint32_t best = 0;
    for (uint32_t i = 0; i < count; ++i)
        if (racers[i] && racers[i]->bestLap != 0 && (best == 0 || racers[i]->bestLap < best)) best = racers[i]->bestLap;
    return best;
}

uint32_t RacerCount(RacerRecord* const* racers, uint32_t count) {
    uint32_t n = 0;
    for (uint32_t i = 0; i < count; ++i) n += racers[i] ? 1 : 0;
    return n;
}

}  // namespace kes
