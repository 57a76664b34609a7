#pragma once
// The rider skins "RIDER\TEXTURE\RIDERT01.BMP" onward: helmet, jersey with the number on the back,
// sleeves, gloves, trousers and boots in two race colours with white or black each.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tools::rider {

constexpr int kRiderSkinCount = 8;

std::vector<std::pair<std::string, std::vector<uint8_t>>> RiderSkinFiles();

}  // namespace tools::rider
