#pragma once
// What the world's drawing needs of the frame's view: the eye, the ground box under the view and
// the six frustum planes (a point p is inside a plane when a x + b y + c z + d > 0). The scene
// camera fills it once per frame; the render interface already holds the view-projection matrix.
#include "game/core/maths/MathTypes.h"

namespace kes {

struct WorldView {
    Vec3 eye{};
    float groundMinX = 0, groundMinY = 0, groundMaxX = 0, groundMaxY = 0;
    Vec4 planes[6]{};
};

}  // namespace kes
