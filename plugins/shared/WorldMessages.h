#pragma once
// Reading the world messages of the bus: the bounds change (two sets of six f32 bounds, minimum x, y,
// z then maximum x, y, z) and the height scale (an f32 whose bits ride in the argument).
#include <cstdint>
#include <cstring>

#include "common/bus/MessageBus.h"

namespace qv::shared {

// How much the world grew along an axis (0 x, 1 y, 2 z): new extent / old extent, or 1 when the old
// extent is not positive (a world of no size scales nothing rather than everything to infinity).
inline float ExtentRatio(const float* previous, const float* now, int axis) {
    const float extent = previous[axis + 3] - previous[axis];
    return extent > 0.0f ? (now[axis + 3] - now[axis]) / extent : 1.0f;
}

inline float FloatFromArg(MsgArg arg) {
    const uint32_t bits = static_cast<uint32_t>(arg);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

}  // namespace qv::shared
