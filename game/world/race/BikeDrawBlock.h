#pragma once
// The racer's bike drawing block: the pose pass writes it from the bike body, the bike model reads
// it to draw the bike and writes back where the rider sits.
#include <cstdint>

#include "game/core/maths/MathTypes.h"

namespace kes {

// Part values: p0 steering (turns the handlebar), p1 swing-arm angle, p2 and p3 front and rear wheel
// turn, p4 front fork travel.
struct BikeDrawBlock {
    Matrix4 bikeMatrix{};   // the bike's transform
    float parts[5] = {};
    int32_t bikeSkin = 0;
    int32_t bodyModel = 0;  // 0-2
    Matrix4 riderMatrix{};  // the rider's placement on the bike: the body part's matrix
};

}  // namespace kes
