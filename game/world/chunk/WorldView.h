#pragma once
// What the world's drawing needs of the frame's view: the eye, the ground box under the view and
// the six frustum planes (a point p is inside a plane when a x + b y + c z + d > 0), and for the
// screen-space sky the camera's forward direction, vertical field of view, far distance and the
// screen size. The scene camera fills it once per frame; the render interface already holds the
// view-projection matrix.
#include <cstdint>

#include "game/core/maths/MathTypes.h"

namespace kes {

struct WorldView {
    Vec3 eye{};
    float groundMinX = 0, groundMinY = 0, groundMaxX = 0, groundMaxY = 0;
    Vec4 planes[6]{};
    Vec3 forward{0, 1, 0};         // unit length
    float verticalFov = 0.75f;     // radians
    float farPlane = 2000.0f;
    uint32_t screenWidth = 640, screenHeight = 480;
};

}  // namespace kes
