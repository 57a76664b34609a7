#pragma once
// Tables the landscape builds once: the Catmull-Rom weight rows and the grey ramp.
#include <cstdint>

namespace kes {

void BuildLandscapeTables();
// Row i (0..512) holds the four weights for t = i / 512.
const float* CatmullRomRow(uint32_t row);
// All 513 rows, for callers that look up many: the same table CatmullRomRow reads.
const float (*CatmullRomRows())[4];
// The four weights for any t in 0..1, from the basis matrix.
void CatmullRomWeights(float t, float out[4]);
// 0xFF000000 | l << 16 | l << 8 | l.
uint32_t GreyRamp(uint8_t level);

}  // namespace kes
