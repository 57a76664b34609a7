#pragma once
// The 45 button images: where each lies in the sixteen 256 x 256 button textures. The menus draw
// them at 1:1 (a texel is a pixel) and the content generator paints the textures to match.
#include <cstdint>

namespace kes {

constexpr uint32_t kButtonImageCount = 45;

struct ButtonImage {
    uint32_t texture;
    float left, top, right, bottom;  // texels of a 256 x 256 texture
};

inline constexpr ButtonImage kButtons[kButtonImageCount] = {
    {0, 1.5f, 1.5f, 226.5f, 53.5f},     {0, 1.5f, 57.5f, 252.5f, 114.5f},   {0, 1.5f, 118.5f, 242.5f, 170.5f},
    {0, 1.5f, 173.5f, 173.5f, 211.5f},  {0, 1.5f, 214.5f, 99.5f, 253.5f},   {0, 107.5f, 214.5f, 205.5f, 253.5f},
    {1, 1.5f, 2.5f, 173.5f, 41.5f},     {1, 1.5f, 45.5f, 173.5f, 84.5f},    {1, 177.5f, 2.5f, 198.5f, 19.5f},
    {1, 176.5f, 48.5f, 209.5f, 82.5f},  {1, 212.5f, 48.5f, 245.5f, 82.5f},  {1, 1.5f, 87.5f, 34.5f, 121.5f},
    {1, 37.5f, 87.5f, 70.5f, 121.5f},   {1, 74.5f, 87.5f, 107.5f, 121.5f},  {1, 110.5f, 87.5f, 143.5f, 121.5f},
    {1, 147.5f, 87.5f, 180.5f, 121.5f}, {1, 183.5f, 87.5f, 216.5f, 121.5f}, {1, 1.5f, 124.5f, 211.5f, 199.5f},
    {2, 1.5f, 1.5f, 213.5f, 134.5f},    {2, 1.5f, 137.5f, 183.5f, 224.5f},  {2, 1.5f, 192.5f, 143.5f, 245.5f},
    {2, 216.5f, 1.5f, 228.5f, 103.5f},  {3, 1.5f, 1.5f, 151.5f, 188.5f},    {4, 1.5f, 2.5f, 242.5f, 238.5f},
    {5, 1.5f, 1.5f, 194.5f, 177.5f},    {6, 1.5f, 1.5f, 194.5f, 177.5f},    {7, 1.5f, 1.5f, 212.5f, 177.5f},
    {8, 1.5f, 1.5f, 146.5f, 136.5f},    {8, 1.5f, 139.5f, 173.5f, 191.5f},  {8, 1.5f, 194.5f, 173.5f, 246.5f},
    {9, 1.5f, 1.5f, 146.5f, 136.5f},    {10, 1.5f, 1.5f, 146.5f, 136.5f},   {11, 1.5f, 1.5f, 146.5f, 136.5f},
    {12, 0.5f, 0.5f, 255.5f, 246.5f},   {8, 1.5f, 139.5f, 173.5f, 191.5f},  {8, 1.5f, 194.5f, 173.5f, 246.5f},
    {0, 224.5f, 186.5f, 248.5f, 203.5f}, {10, 1.5f, 139.5f, 252.5f, 238.5f}, {14, 0.5f, 144.5f, 42.5f, 182.5f},
    {14, 48.5f, 144.5f, 91.5f, 182.5f}, {14, 96.5f, 144.5f, 139.5f, 182.5f}, {13, 1.5f, 1.5f, 173.5f, 78.5f},
    {13, 1.5f, 81.5f, 173.5f, 158.5f},  {15, 1.5f, 1.5f, 179.5f, 84.5f},    {15, 1.5f, 87.5f, 179.5f, 170.5f},
};

// The list selection bar: a plain strip of button texture 0 beside image 36 (left, top, right, bottom).
inline constexpr float kSelectionBarTexels[4] = {209.5f, 208.5f, 253.5f, 252.5f};

}  // namespace kes
