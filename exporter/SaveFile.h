#pragma once
// Saves bytes without ever leaving a half-written file in place of a good one: the bytes go to a
// temporary file beside the target, which is flushed and then renamed over it.
#include <cstdint>
#include <string>
#include <vector>

namespace quelm {

bool SaveFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace quelm
