#pragma once
// The chunks only the game reads, added to a world after the editor saved it (the editor refuses a
// world that carries them): the pond's water, the fence round it, the collision mesh of the bonus
// pickup and the dynamic-object record that makes the placed bonus a pickup.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/contentgen/worlds/GroundShape.h"

namespace tools::worlds {

// The pond: a flat, open place away from the course (for the menu world, away from the bike on show).
struct Pond {
    Point2 centre;
    float radius = 70;
    float level = 0;  // the water's height
};
Pond FindPond(const ShapedGround& ground, const CourseLine* course);

// The fence round the pond stands this far from its middle; scenery keeps clear of it.
inline constexpr float kPondFence = 95.0f;

// The name of the bonus pickup's mesh (its file name when the editor loaded it).
inline constexpr const char* kBonusMeshName = "bonus";
// The points the bonus pickup gives.
inline constexpr int32_t kBonusPoints = 250;

// Appends the chunks to the editor's world image and fixes the outer size. bonusId: the placed
// bonus object's identifier, 0 for none.
bool AddGameChunks(std::vector<uint8_t>& world, const Pond& pond, uint32_t bonusId, std::string* error);

}  // namespace tools::worlds
