#pragma once
// Sounds of the race: the engine loops of the three bike classes (pitch and level rising with the
// engine), the 52 collision and event effects, the landing and crash sounds, the rider's cheers,
// pain and crash cries, and the ambient sounds that sound maps place. 22050 Hz mono 16-bit.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/contentgen/ContentGen.h"

namespace tools {

constexpr uint32_t kFxRate = 22050;

// Engine loop: voice 0-3 Constant1-4, 4 DecelerateWB, 5 DecelerateWO, 6 Freerevs, 7 Tickover, 8 Skid.
// A whole number of firing periods, so that it loops without a click.
std::vector<int16_t> EngineLoop(int bikeClass, int voice);
// The effect of that file name of the bank ("bangpost.wav", ...).
std::vector<int16_t> EffectSound(const std::string& name);
std::vector<int16_t> PainCry(int index);   // 0..11
std::vector<int16_t> CrashCry(int index);  // 0..9
std::vector<int16_t> Cheer(int index);     // 0..7

enum class Ambience { Brook, Birds, Crowd, Machine, Wind };
// A loopable ambient sound (Brook, Crowd, Machine, Wind) or a single call (Birds).
std::vector<int16_t> AmbientSound(Ambience kind);

// Data pack: the engine sets of the three classes, the effect bank and the rider's voices.
bool AddRaceSounds(PackContent& pack, std::string* error);

}  // namespace tools
