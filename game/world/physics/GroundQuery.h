#pragma once
// What the bike asks of the ground under it: the height, the normal and the surface code of the
// physics map at a point of the ground plane, and the water surface there. The world's landscape
// answers these; the generated grounds below answer them for tools and tests.
#include <cstdint>

#include "game/core/maths/MathTypes.h"

namespace kes {

class GroundQuery {
public:
    virtual ~GroundQuery() = default;

    // Ground height at (x, y). Must be finite.
    virtual float HeightAt(float x, float y) const = 0;

    // Unit ground normal at (x, y) given the height there. The default takes two more heights a
    // small step to the side (-x) and ahead (+y) and crosses the two edges so that the normal points
    // up, out of the ground.
    virtual void NormalAt(float x, float y, float height, Vec3* out) const;

    // Surface code of the physics map at (x, y); 0 where the world has no map.
    virtual uint8_t SurfaceAt(float x, float y) const;

    // True when there is water at (x, y), with its surface height.
    virtual bool WaterAt(float x, float y, float* surfaceHeight) const;

    // The step NormalAt takes: the landscape uses cell size x 10 / 512.
    virtual float NormalStep() const { return 0.2f; }
};

}  // namespace kes
