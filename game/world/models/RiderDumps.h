#pragma once
// The two files that bind rider mesh vertices to the skeleton: "NODE01.dmp" lists the vertices of
// each of the 15 skeleton nodes (little-endian u32 counts and indices), "BONE02.dmp" those of each
// of the 12 bones (big-endian signed 16-bit counts and indices). Both come from the data pack and are
// read as untrusted bytes: indices outside the mesh are dropped, negative counts read as empty lists
// and a file cut short keeps the lists read so far (the rest stay empty).
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kes {

constexpr uint32_t kRiderNodeCount = 15;
constexpr uint32_t kRiderBoneCount = 12;

using RiderNodeLists = std::array<std::vector<uint32_t>, kRiderNodeCount>;
using RiderBoneLists = std::array<std::vector<uint32_t>, kRiderBoneCount>;

struct RiderDumpResult {
    bool complete = true;    // every record was there in full
    uint32_t dropped = 0;    // indices left out because they name no vertex of the mesh
};

// vertexCount is the rider mesh's vertex count; every kept index is below it.
RiderDumpResult ReadRiderNodeDump(const uint8_t* data, size_t size, uint32_t vertexCount, RiderNodeLists* out);
RiderDumpResult ReadRiderBoneDump(const uint8_t* data, size_t size, uint32_t vertexCount, RiderBoneLists* out);

// Mesh vertices numbered above the largest listed index (copies the exporter split off at texture
// seams) join the first bone that already holds a vertex at exactly the same position in frame0.
// A vertex that matches none stays on no bone.
struct SourceVertex;
void ExtendRiderBoneLists(const SourceVertex* frame0, uint32_t vertexCount, RiderBoneLists* bones);

}  // namespace kes
