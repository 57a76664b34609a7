#pragma once
// The "CAMR" chunk: boxes of the ground plane that each carry a fixed camera point and the
// settings the race camera uses inside them.
#include <cstdint>

#include "game/core/maths/MathTypes.h"
#include "game/world/chunk/ChunkStream.h"

namespace kes {

struct CameraZone {
    float x, y, z, height;             // camera point; height is added to z
    float minX, minY, maxX, maxY;      // zone box
    float settings[9];                 // zoom, range, range on (bits), min distance, on, max distance, on, cut, fov
};

// Reads the chunk; only version 2 carries zones. 0, or 1 when the records run past the chunk.
int32_t CameraZonesLoad(ChunkStream& stream);
void CameraZonesFree();
uint32_t CameraZoneCount();
// The zone that holds the point (hint tried first), writing its camera point; -1 for none.
int32_t CameraZoneContains(const Vec3& point, int32_t hint, Vec3* out);
// The zone's 17 values; null for a bad index.
const CameraZone* CameraZoneAt(int32_t index);

}  // namespace kes
