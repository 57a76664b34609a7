#pragma once
// Dressing a shaped world: the sky layer, the light map the racers and the ground are shaded with,
// and the scenery placed through the object plug-in (trees and rocks off the course, tyre stacks on
// the outside of tight turns, hay bales along straights, the banner over the start gate).
#include <string>

#include "plugins/object/ObjectPlugin.h"
#include "plugins/shadow/ShadowPlugin.h"
#include "plugins/sky/SkyPlugin.h"
#include "tools/contentgen/worlds/WorldRecipes.h"

namespace tools::worlds {

// start: where the riders line up and the way they face (null for a world without a course).
bool DressWorld(qv::SkyPlugin& sky, qv::ShadowPlugin& shadow, qv::ObjectPlugin& objects, const WorldRecipe& recipe,
                const CourseLine* course, const ShapedGround& ground, const CourseSample* start, std::string* error);

// The light of the ground at knot (column, row): 0..255 from its slope facing the sun.
uint8_t GroundLight(const ShapedGround& ground, uint32_t column, uint32_t row);

// Scenery keeps this far from the centre line, beyond the ridden surface.
inline constexpr float kSceneryClearance = 95.0f;

}  // namespace tools::worlds
