#include "game/world/ground/LandscapeGround.h"

#include "game/world/landscape/Landscape.h"
#include "game/world/maps/PhysMap.h"
#include "game/world/water/Water.h"

namespace kes {

float LandscapeGround::HeightAt(float x, float y) const { return LandscapeHeightAt(x, y); }

void LandscapeGround::NormalAt(float x, float y, float height, Vec3* out) const {
    LandscapeNormalAt(x, y, height, out);
}

uint8_t LandscapeGround::SurfaceAt(float x, float y) const { return PhysMapPresent() ? PhysMapSample(x, y) : 0; }

bool LandscapeGround::WaterAt(float x, float y, float* surfaceHeight) const { return WaterQuery(x, y, surfaceHeight); }

float LandscapeGround::NormalStep() const {
    return LandscapePresent() ? CurrentLandscape().cellX * 10.0f / 512.0f : GroundQuery::NormalStep();
}

const GroundQuery& WorldGround() {
    static const LandscapeGround ground;
    return ground;
}

}  // namespace kes
