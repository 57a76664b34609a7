#pragma once
// The "LMAP" chunk: the racer light map (shades racers and the crashed rider) and the ground light
// map (baked into the landscape's vertex light), both 8 bits per pixel.
#include <cstdint>

#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/WorldTypes.h"
#include "game/world/maps/MapBitmap.h"

namespace kes {

// 0 on success; 1 when a map cannot be read (both maps are freed then).
int32_t LightMapLoad(ChunkStream& stream, const WorldBounds& bounds);
void LightMapFree();
// Light 0-255 at (x, y), clamped into the map; 255 without the map.
uint8_t LightMapSample(float x, float y);
uint8_t GroundLightSample(float x, float y);
bool LightMapPresent();
bool GroundLightPresent();
// The chunk's first word (1000 for the current layout), 0 without a chunk.
uint32_t LightMapVersion();
// Spreads both maps over the given box (the landscape's).
void LightMapSetBounds(const WorldBounds& bounds);

}  // namespace kes
