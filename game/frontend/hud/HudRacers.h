#pragma once
// What the HUD reads of the racers: where each lies on the mini-map, the place of a racer in the
// race, and the best lap of the whole field.
#include <cstdint>

#include "game/world/chunk/WorldTypes.h"
#include "game/world/race/RaceRacers.h"

namespace kes {

struct MapPosition {
    float x = -1.0f, y = -1.0f;  // 0..1 across the world box; outside that, no marker
};
// The racer's drawn centre as fractions of the world box's x and y extents.
MapPosition RacerMapPosition(const RacerRecord& racer, const WorldBounds& bounds);

// The racer's place, 1 = leading: finished racers by finishing time ahead of everyone still
// racing, who are ordered by completed laps and progress. Null entries are skipped.
uint32_t RacerPlace(RacerRecord* const* racers, uint32_t count, const RacerRecord& racer);

// The smallest non-zero best lap of the racers; 0 when nobody has one.
uint32_t FieldBestLap(RacerRecord* const* racers, uint32_t count);

// Racers present in the table.
uint32_t RacerCount(RacerRecord* const* racers, uint32_t count);

}  // namespace kes
