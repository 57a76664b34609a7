#pragma once
// Where each kind of surface lies on the 256 x 256 bike skin: the meshes map their faces into these
// texel rectangles, the skins paint them, and the alpha mask covers exactly them.
#include "tools/contentgen/meshkit/MeshKit.h"

namespace tools::bike {

struct AtlasArea {
    int x0, y0, x1, y1;
    meshkit::UvRect Uv() const { return meshkit::Texels(x0, y0, x1, y1); }
    // The rows from v0 to v1 (fractions of the area's height) only: a plain part of a striped area.
    meshkit::UvRect Band(float v0, float v1) const {
        const float h = static_cast<float>(y1 - y0);
        return meshkit::Texels(x0, y0 + static_cast<int>(v0 * h), x1, y0 + static_cast<int>(v1 * h));
    }
};

inline constexpr AtlasArea kMainPlastic{0, 0, 128, 64};      // tank and shrouds
inline constexpr AtlasArea kTrimPlastic{128, 0, 256, 64};    // fenders and side panels
inline constexpr AtlasArea kNumberPlate{0, 64, 128, 128};    // the plates with the number
inline constexpr AtlasArea kSeat{128, 64, 192, 128};
inline constexpr AtlasArea kMetal{192, 64, 256, 128};        // exhaust, bars, clamps
inline constexpr AtlasArea kEngine{0, 128, 128, 192};
inline constexpr AtlasArea kFrame{128, 128, 192, 192};
inline constexpr AtlasArea kForkTube{192, 128, 256, 192};
inline constexpr AtlasArea kHub{0, 192, 64, 256};
inline constexpr AtlasArea kRubber{64, 192, 128, 256};       // grips, slider boots
inline constexpr AtlasArea kAtlasAreas[] = {kMainPlastic, kTrimPlastic, kNumberPlate, kSeat, kMetal,
                                            kEngine,      kFrame,       kForkTube,    kHub,  kRubber};

}  // namespace tools::bike
