#pragma once
// The contact routine of a racer's scene object: what the bike does when one of its collision
// spheres touches a solid of the world (a collision-mesh solid, a fence panel, a box face or a kept
// mesh face) or another object's sphere. The landscape itself is handled by the step.
//
// The racer's spheres: 0-3 sit on particles 0-3, sphere 4 is not handled here, 5 and 6 lie on the
// diagonal from particle 0 to 3 and 7 and 8 on the one from 1 to 2 (the first of each pair nearer
// the wheel).
#include <cstdint>

#include "game/core/objects/Objects.h"
#include "game/world/chunk/ContactSubject.h"
#include "game/world/physics/BikeBody.h"

namespace kes {

constexpr uint32_t kBikeSphereCount = 9;
constexpr float kBikeDiagonalRadius = 1.6f;
constexpr uint32_t kCrashedRiderTag = 0x13456780;

// The surface a wheel takes from a world solid.
constexpr uint32_t kContactSurfaceCode = 999;

// Handles one event (2 and 3: a SurfaceContact; 4: a ContactInfo) for the bike; 1 for every event.
// objectPosition is the position of the racer's scene object (the spheres' centres are relative to
// it).
int32_t OnBikeContact(BikeBody& bike, const Vec3& objectPosition, uint32_t event, void* info);

// Places the nine spheres on the bike's particles relative to its centre (the racer's scene object
// stands at the centre).
void PlaceBikeSpheres(const BikeBody& bike, ObjectSphere out[kBikeSphereCount]);

}  // namespace kes
