#pragma once
// The loaded world's ground as the bike asks for it: the landscape's height and normal and the
// physics map's surface code at a point of the ground plane, and the water there.
#include "game/world/physics/GroundQuery.h"

namespace kes {

class LandscapeGround : public GroundQuery {
public:
    float HeightAt(float x, float y) const override;
    void NormalAt(float x, float y, float height, Vec3* out) const override;
    uint8_t SurfaceAt(float x, float y) const override;
    bool WaterAt(float x, float y, float* surfaceHeight) const override;
    float NormalStep() const override;
};

// The one instance over the current world.
const GroundQuery& WorldGround();

}  // namespace kes
