#pragma once
// The heights of a whole world's landscape (721 x 721 knots over the editor's default ground,
// -2000..3000 on both axes): a world's own rolling ground, with the course cut into it flat from
// side to side and smooth along its length, blending back into the ground beyond its edges.
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/contentgen/worlds/CourseLine.h"

namespace tools::worlds {

inline constexpr uint32_t kKnots = 721;
inline constexpr float kGroundMin = -2000.0f, kGroundMax = 3000.0f;
inline constexpr float kKnotStep = (kGroundMax - kGroundMin) / static_cast<float>(kKnots - 1);

inline float KnotX(uint32_t column) { return kGroundMin + static_cast<float>(column) * kKnotStep; }

struct GroundRecipe {
    // The ground away from the course at (x, y), d units from its centre line (a large number when
    // there is no course).
    std::function<float(float x, float y, float d)> ground;
    // Height added along the course at distance s (jumps, whoops); may be empty.
    std::function<float(float s)> features;
    float flatHalfWidth = 40.0f;  // flat across this far either side of the centre line
    float blend = 90.0f;          // then back to the ground over this distance
    float smoothing = 200.0f;     // the course's height is the ground averaged over this length
};

struct ShapedGround {
    std::vector<float> heights;   // kKnots rows of kKnots, row 0 at y = kGroundMin
    std::vector<float> distance;  // per knot: distance from the course centre line
    std::vector<float> courseHeight;  // per course sample: the height along the centre line
};

ShapedGround ShapeGround(const CourseLine* course, const GroundRecipe& recipe);

// The distance the shaping uses for "no course near".
inline constexpr float kFar = 1.0e6f;

// The height of the knot nearest (x, y), clamped into the ground.
float HeightAtKnot(const ShapedGround& ground, float x, float y);
// The distance from the course of the knot nearest (x, y); kFar outside the ground.
float DistanceAt(const ShapedGround& ground, float x, float y);

}  // namespace tools::worlds
