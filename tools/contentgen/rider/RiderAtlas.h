#pragma once
// Where each part of the rider lies on the 256 x 256 rider skin.
#include "tools/contentgen/meshkit/MeshKit.h"

namespace tools::rider {

struct RiderArea {
    int x0, y0, x1, y1;
    meshkit::UvRect Uv() const { return meshkit::Texels(x0, y0, x1, y1); }
};

// Helmet: u runs once round from the back, v from the rim (top row) to the crown; goggles in front.
inline constexpr RiderArea kHelmet{0, 0, 128, 64};
inline constexpr RiderArea kVisor{128, 0, 192, 32};     // peak and chin bar
// Jersey: u round from the front (the number on the back at u = 0.5), v from the waist to the neck.
inline constexpr RiderArea kJersey{0, 64, 128, 160};
inline constexpr RiderArea kSleeve{128, 64, 192, 128};
inline constexpr RiderArea kGlove{192, 64, 256, 96};
inline constexpr RiderArea kTrousers{128, 128, 192, 192};
inline constexpr RiderArea kBoot{192, 128, 256, 192};

}  // namespace tools::rider
