#include "game/world/physics/GroundQuery.h"

#include "game/core/maths/VecMath.h"

namespace kes {

void GroundQuery::NormalAt(float x, float y, float height, Vec3* out) const {
    const float s = NormalStep();
    const Vec3 a = {-s, 0.0f, HeightAt(x - s, y) - height};
    const Vec3 b = {0.0f, s, HeightAt(x, y + s) - height};
    // b x a points up out of the ground (a x b would point into it and turn every normal test round).
    Vec3Cross(&b, &a, out);
    Vec3Normalize(out);
    if (out->x == 0.0f && out->y == 0.0f && out->z == 0.0f) {
        *out = {0.0f, 0.0f, 1.0f};
    }
}

uint8_t GroundQuery::SurfaceAt(float, float) const { return 0; }

bool GroundQuery::WaterAt(float, float, float*) const { return false; }

}  // namespace kes
