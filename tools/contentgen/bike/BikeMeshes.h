#pragma once
// The seven bike meshes as JMESH5 files, made through the exporter: three bodies (125, 250, 500),
// the wheel, rear fork, handlebar and front fork, each in the frame the game hangs it on (bike space:
// x to the side, y forward, z up, the rear axle at the origin; wheelbase 5.0, wheel radius 1.2).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tools::bike {

// Pairs of the pack name and the file's bytes; empty with *error set when the exporter refuses.
std::vector<std::pair<std::string, std::vector<uint8_t>>> BikeMeshFiles(std::string* error);

}  // namespace tools::bike
