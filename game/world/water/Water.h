#pragma once
// The "WATR" chunk: flat water polygons of the ground plane with an animated texture. Each polygon
// is cut into triangles after loading; the areas in view are drawn with the frame of the moment,
// and the bike asks whether a point lies in water and at which surface height.
#include <cstdint>
#include <vector>

#include "game/core/maths/MathTypes.h"
#include "game/core/render/RenderInterface.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/WorldView.h"

namespace kes {

constexpr uint32_t kWaterAreaBytes = 28;
constexpr uint32_t kWaterFrameMs = 200;

struct WaterArea {
    std::vector<Vec3> outline;
    float scaleX = 0, scaleY = 0;
    uint32_t frame = 1;        // 1..frame count
    uint32_t accumulatorMs = 0;
    std::vector<SourceVertex> vertices;  // one per outline point
    std::vector<ScreenVertex> lit;
    std::vector<uint16_t> triangles;     // index triples
    float minX = 0, minY = 0, maxX = 0, maxY = 0;
};

// 0; a negative texture result, which stops the chunk; -1 for a damaged chunk (the world then has
// no water). Areas of fewer than 3 points are kept but are never water and draw nothing.
int32_t WaterLoad(ChunkStream& stream, uint32_t size, RenderInterface* render);
// True when (x, y) lies in an area (min <= coordinate < max of its box, then the non-zero winding
// rule), with the z of that area's first point; a later area overwrites an earlier one.
bool WaterQuery(float x, float y, float* surfaceHeight);
void WaterDraw(const WorldView& view, RenderInterface* render);
// Advances each area's frame every 200 ms, back to 1 past the last.
void WaterUpdate(uint32_t elapsedMs);
void WaterFree(RenderInterface* render);
const std::vector<WaterArea>& WaterAreas();

// Ear clipping over the outline in order; the triangles' winding is then reversed. A clockwise
// outline is clipped in reverse order; an outline on which no ear is found stops early (fewer
// triangles rather than a loop).
std::vector<uint16_t> WaterTriangulate(const std::vector<Vec3>& outline);

}  // namespace kes
