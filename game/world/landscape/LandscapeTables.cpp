#include "game/world/landscape/LandscapeTables.h"

#include "game/core/maths/FastMath.h"

namespace kes {

namespace {

// Rows of coefficients of t^3, t^2, t, 1.
constexpr float kBasis[4][4] = {
    {-0.5f, 1.5f, -1.5f, 0.5f}, {1.0f, -2.5f, 2.0f, -0.5f}, {-0.5f, 0.0f, 0.5f, 0.0f}, {0.0f, 1.0f, 0.0f, 0.0f}};

struct Tables {
    float rows[513][4];
    Tables() {
        for (int i = 0; i <= 512; ++i) CatmullRomWeights(static_cast<float>(i) / 512.0f, rows[i]);
    }
};

const Tables& TheTables() {
    static const Tables tables;
    return tables;
}

}  // namespace

void BuildLandscapeTables() {
    static const bool done = (InitTrigTables(), true);
    (void)done;
    TheTables();
}

const float* CatmullRomRow(uint32_t row) { return TheTables().rows[row > 512 ? 512 : row]; }

const float (*CatmullRomRows())[4] { return TheTables().rows; }

void CatmullRomWeights(float t, float out[4]) {
    const float u[4] = {t * t * t, t * t, t, 1.0f};
    for (int j = 0; j < 4; ++j) out[j] = u[0] * kBasis[0][j] + u[1] * kBasis[1][j] + u[2] * kBasis[2][j] + u[3] * kBasis[3][j];
}

uint32_t GreyRamp(uint8_t l) { return 0xFF000000u | (uint32_t{l} << 16) | (uint32_t{l} << 8) | l; }

}  // namespace kes
