#pragma once
// Geometry of the progress along the AI track.
#include "game/core/maths/MathTypes.h"

namespace kes {

// True when p lies strictly inside the quadrilateral a-b-c-d in the x-y plane (on an edge is
// outside). The corners may run either way round.
bool PointInQuad(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d);

}  // namespace kes
