#pragma once
// The menu sounds: short, dry clicks and chimes, 22050 Hz mono 16-bit PCM.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/contentgen/ContentGen.h"

namespace tools {

// A RIFF WAVE file of 16-bit mono samples.
std::vector<uint8_t> EncodeWave(const std::vector<int16_t>& samples, uint32_t rate);

bool AddMenuSounds(PackContent& pack, std::string* error);

}  // namespace tools
