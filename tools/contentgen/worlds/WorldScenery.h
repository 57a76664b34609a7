#pragma once
// Dressing a shaped world: the sky layer, the light map the racers and the ground are shaded with,
// and the scenery placed through the object plug-in (trees and rocks off the course, tyre stacks on
// the outside of tight turns, hay bales along straights, the banner over the start gate, a bonus
// pickup over the course a third of the lap on).
#include <string>

#include "plugins/object/ObjectPlugin.h"
#include "plugins/shadow/ShadowPlugin.h"
#include "plugins/sky/SkyPlugin.h"
#include "tools/contentgen/worlds/WorldRecipes.h"

namespace tools::worlds {

// Where the course is dressed and what with. start: where the riders line up and the way they face
// (null for a world without a course); keepClear: scenery stands at least keepClearRadius from it;
// meshFolder: the scenery meshes are written there and loaded from their files.
struct DressingPlan {
    const CourseSample* start = nullptr;
    Point2 keepClear;
    float keepClearRadius = 0;
    std::string meshFolder;
};

// The identifier of the placed bonus pickup is left in *bonusId (0 when the world has no course).
bool DressWorld(qv::SkyPlugin& sky, qv::ShadowPlugin& shadow, qv::ObjectPlugin& objects, const WorldRecipe& recipe,
                const CourseLine* course, const ShapedGround& ground, const DressingPlan& plan, uint32_t* bonusId,
                std::string* error);

// The light of the ground at knot (column, row): 0..255 from its slope facing the sun.
uint8_t GroundLight(const ShapedGround& ground, uint32_t column, uint32_t row);

// Scenery keeps this far from the centre line, beyond the ridden surface.
inline constexpr float kSceneryClearance = 95.0f;

}  // namespace tools::worlds
