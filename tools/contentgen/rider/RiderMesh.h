#pragma once
// The rider mesh ("RIDER\Rider.jm5", 723 key frames, made through the exporter at 748 units to the
// world unit) and the skeleton's vertex lists that go with its vertex numbering ("NODE01.dmp": the
// vertices whose mean is each of the 15 skeleton nodes; "BONE02.dmp": the vertices each of the 12
// bones carries). Vertices the exporter splits off at texture seams come after all listed ones and
// are bound by the game from their position.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tools::rider {

struct RiderMeshFiles {
    std::vector<uint8_t> mesh, nodeDump, boneDump;
    uint32_t listedVertices = 0;  // vertices of the shape before seams were split
};

// False with *error set when the exporter refuses.
bool MakeRiderMesh(RiderMeshFiles* out, std::string* error);

}  // namespace tools::rider
