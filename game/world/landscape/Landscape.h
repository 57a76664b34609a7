#pragma once
// The ground of a world: a regular grid of heights cut into square tiles that each carry one
// terrain texture, read from the "SLND" chunk. Between knots the ground is a Catmull-Rom bicubic
// surface; a landscape of at least 4500 units in x and y repeats endlessly.
#include <cstdint>
#include <vector>

#include "game/core/maths/MathTypes.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/WorldTypes.h"
#include "game/world/chunk/WorldView.h"

namespace kes {

class RenderInterface;

struct LandscapeTile {
    uint32_t texture = 0;                   // handle in the landscape table (0 none)
    float x0 = 0, y0 = 0, minHeight = 0, x1 = 0, y1 = 0, maxHeight = 0;
    std::vector<float> heights;             // (CY + 3) rows of (CX + 3), cells -1 .. CX + 1
    std::vector<uint8_t> light;             // one per bordered sample, 255 at load
    int32_t left = 0, right = 0, down = 0, up = 0;
    uint8_t planeOut = 0, planeCross = 0;   // per frame
    uint32_t frame = 0;
    uint32_t subdivision = 0;
    float radius = 0;
    uint16_t lightStamp = 0, lightMask = 0;
};

struct Landscape {
    uint32_t w = 0, h = 0;                  // knots in x and y
    uint32_t cx = 0, cy = 0;                // cells per tile
    float cellX = 0, cellY = 0;
    float texStepX = 0, texStepY = 0;
    uint32_t tw = 0, th = 0;                // tiles
    WorldBounds bounds;
    bool big = false;
    float tileX = 0, tileY = 0;
    uint32_t textureSize = 256;
    float u0 = 0, u1 = 1;
    std::vector<float> heights;             // h rows of w
    std::vector<uint16_t> tileGrid;         // th rows of tw
    std::vector<LandscapeTile> tiles;
    uint32_t textureCount = 0;
    uint16_t lightStamp = 1;
    uint32_t frameStamp = 0;
};

// Progress report taking the chunk's stream (called once per texture record).
using LandscapeProgressFn = void (*)(ChunkStream& stream);

int32_t LandscapeLoad(ChunkStream& stream, uint32_t size, RenderInterface* render, const WorldBounds& worldBounds,
                      LandscapeProgressFn progress);
void LandscapeFinish();
void LandscapeFree();
bool LandscapePresent();
const Landscape& CurrentLandscape();

float LandscapeHeightAt(float x, float y);
float LandscapeHeightExact(float x, float y);
// Unit ground normal at (x, y) given the height there, pointing up out of the ground.
void LandscapeNormalAt(float x, float y, float height, Vec3* out);
void LandscapeWrapOffset(float x, float y, float* dx, float* dy);
void LandscapeAddDynamicLight(uint32_t slot, const Vec3& position, float radius);

// Tuning for a race (subdivision cap, relief scale, distance divisor); LandscapeTuneDefaults undoes it.
void LandscapeTuneForRace(uint32_t raceKind);
void LandscapeTuneDefaults();

// Tile subdivision for a reach value n = D / distance x relief factor (0, 2, 4, 8, 16, multiples of
// 16, at most the cap).
uint32_t LandscapeSubdivision(float reach, uint32_t cap);
int32_t LandscapeRender(const WorldView& view, RenderInterface* render);
// Triangles drawn by the last render.
uint32_t LandscapeTrianglesDrawn();

}  // namespace kes
