#pragma once
// The "PHYS" chunk: the surface-code map (what the ground is made of) and the colour map (the
// colour of dust thrown up), sampled at points of the ground plane.
#include <cstdint>

#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/WorldTypes.h"
#include "game/world/maps/MapBitmap.h"

namespace kes {

// Reads both layouts. 0 on success; 1 when a map could not be read (that map stays absent).
int32_t PhysMapLoad(ChunkStream& stream, const WorldBounds& bounds);
void PhysMapFree();

// Surface code at (x, y); 0 without a surface map.
uint8_t PhysMapSample(float x, float y);
// Colour word at (x, y) (blue, green, red, 0 from the low byte up); 0 without a colour map.
uint32_t PhysColourSample(float x, float y);

bool PhysMapPresent();
bool PhysColourPresent();
bool PhysMapWraps();
const MapBitmap& PhysSurfaceMap();
const MapBitmap& PhysColourMap();

}  // namespace kes
