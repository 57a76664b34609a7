#pragma once
// JMESH5 images of the small built-in meshes the plug-ins carry (the object placer's marker, the
// camera): one material in a plain colour, no texture, one frame.
#include <array>
#include <cstdint>
#include <vector>

namespace qv::shared {

// A convex solid: its corners and its triangles. Each triangle is turned to face outwards (counter-
// clockwise seen from outside, as mesh files keep them); normals point away from the solid's middle.
// rgb is 0xRRGGBB.
std::vector<uint8_t> SolidMeshImage(const std::vector<std::array<float, 3>>& corners,
                                    const std::vector<std::array<uint16_t, 3>>& faces, uint32_t rgb);

}  // namespace qv::shared
