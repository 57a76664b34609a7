#pragma once
// Small rider meshes made in memory for the model tests: a JMESH5 file of one material whose vertex
// positions are given per frame, every vertex used by a face; and the distance of two points.
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "game/core/maths/MathTypes.h"
#include "game/core/mesh/Mesh.h"

namespace kes::test {

// position(frame, vertex) in world units; the file holds them at the rider's authoring scale, so that
// the loaded (scaled) mesh shows them again.
std::vector<uint8_t> RiderMeshFile(uint32_t vertices, uint32_t frames,
                                   const std::function<Vec3(uint32_t frame, uint32_t vertex)>& position);
inline float Distance(const Vec3& a, const Vec3& b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

std::unique_ptr<Mesh> RiderMesh(uint32_t vertices, uint32_t frames,
                                const std::function<Vec3(uint32_t frame, uint32_t vertex)>& position);

}  // namespace kes::test
