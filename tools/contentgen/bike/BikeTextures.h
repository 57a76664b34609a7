#pragma once
// The bike's pictures: eight skins (two race colours each, with white or black and a number), the
// skins' alpha mask, and the front and rear wheel textures (knobby tread strip above a spoked wheel
// whose alpha cuts out the gaps between the spokes).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tools::bike {

constexpr int kBikeSkinCount = 8;

std::vector<std::pair<std::string, std::vector<uint8_t>>> BikeTextureFiles(std::string* error);

}  // namespace tools::bike
