#pragma once
// Bone-local coordinates of the crashed rider's skeleton. A point is kept relative to a bone from A to
// B as (t, r, angle): t the fraction of the way from A to B at which its foot on the bone's line lies,
// r its distance from that line, and angle (0 to 2 pi) the turn about the bone's axis from a side axis
// made with a reference normal R. Binding a vertex in one pose and rebuilding it from the bone of
// another pose moves it rigidly with its bone.
#include <cstdint>

#include "game/core/maths/MathTypes.h"

namespace kes {

struct RiderBoneCoords {
    float t, r, angle;
};

// The 12 bones as pairs of skeleton nodes, which are also the numbers of the rider-body particles
// that carry them after a fall: torso, head, the arms (upper arm, forearm, hand) and the legs.
struct RiderBone {
    uint32_t from, to;
};
inline constexpr RiderBone kRiderBones[12] = {{11, 2}, {11, 12}, {0, 3}, {3, 4}, {3, 4}, {1, 5},
                                              {5, 6},  {5, 6},   {2, 7}, {7, 8}, {2, 9}, {9, 10}};

// The coordinates of p for the bone a -> b with reference normal r. When the bone's axis equals r
// exactly, the side axis is taken from (0, 1, 0) instead. A bone of zero length gives t = 0.
RiderBoneCoords RiderBoneLocal(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& r);
// The point whose coordinates are local: the inverse of RiderBoneLocal for the same a, b and r, within
// the 4096 steps per turn of the table rotation and the table square root.
Vec3 RiderBoneWorld(const Vec3& a, const Vec3& b, const Vec3& r, const RiderBoneCoords& local);

// What RiderBoneWorld works out once per bone, for rebuilding many points of one bone.
struct RiderBoneFrame {
    Vec3 start, span, axis, side;
};
RiderBoneFrame MakeRiderBoneFrame(const Vec3& a, const Vec3& b, const Vec3& r);
Vec3 RiderBoneWorld(const RiderBoneFrame& bone, const RiderBoneCoords& local);

}  // namespace kes
