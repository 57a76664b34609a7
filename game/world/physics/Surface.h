#pragma once
// Ground-contact values of the physics map's surface codes, and the bumpiness added under a wheel.
#include <cstdint>

namespace kes {

constexpr uint32_t kDepthSurfaceCode = 999;  // the code a depth surface (144..255) carries
constexpr int kFirstDepthCode = 144;
constexpr int kLastDepthCode = 255;

struct SurfaceProperties {
    uint32_t code;
    float rollDrag;   // per-step velocity loss along a wheel on the ground
    float sideDrag;   // per-step velocity loss across it
    float grip;
    float roughness;  // scales the bump added to the ground height
    float sink;       // lowers the contact height (times 0.3)
};

void GetSurfaceProperties(uint32_t code, SurfaceProperties* out);

// Bump height at (x, y) for amplitude a: a fixed table of 256 values indexed by the integer of x + y.
float GroundBump(float x, float y, float amplitude);
const float* GroundBumpTable();

}  // namespace kes
