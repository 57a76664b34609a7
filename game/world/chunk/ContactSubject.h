#pragma once
// What the world's contact passes (placed objects, collision meshes, fences) take of a moving
// scene object, and the record they hand to its contact routine for a touch of a surface.
#include <cstdint>

#include "game/core/maths/MathTypes.h"
#include "game/core/objects/Objects.h"

namespace kes {

// Events of the contact routine raised by the world's solids.
constexpr uint32_t kContactTouch = 2;  // a sphere against a solid sphere, cylinder or fence panel
constexpr uint32_t kContactFace = 3;   // a sphere against a box face or a kept mesh face

// The touch of one of the moving object's spheres. The routine may change approachLimit: a fence
// panel of a breakable material breaks when the routine sets it to 0.
struct SurfaceContact {
    uint32_t sphereIndex = 0;
    const ObjectSphere* sphere = nullptr;
    Vec3 point{};
    Vec3 normal{};         // unit, from the solid towards the moving sphere
    float planeOffset = 0; // fences: minus the panel's plane offset
    float approachLimit = 0;
    float shapeValue = 0;
    int32_t soundA = -1;   // sound-effect numbers, -1 for none
    int32_t soundB = -1;
};

// The scene object's motion as the contact passes take it.
struct RacerContactSubject {
    Vec3 previous{}, position{};
    const ObjectSphere* spheres = nullptr;
    uint32_t sphereCount = 0;
    void (*contact)(void* user, uint32_t event, void* info) = nullptr;
    void* user = nullptr;
    float radius = 0;
};

}  // namespace kes
