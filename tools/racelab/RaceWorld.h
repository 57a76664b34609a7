#pragma once
// A generated race world: a stadium loop of 48 AI gates (two straights of 800 joined by half circles
// of radius 500) on a 2400 x 2400 landscape with small bumps along the track and rolling hills off
// it, crates and pillars with collision meshes beside the first straight, a fence along the outside
// of the second, a pond in the infield, two camera zones over the straights and the on-track bitmap.
// Riders run counter-clockwise seen from above, starting on the first straight toward +x.
#include <cstdint>
#include <string>
#include <vector>

#include "game/core/maths/MathTypes.h"

namespace tools {

struct RaceWorldLayout {
    static constexpr float kWorld = 2400.0f;
    static constexpr float kStraightY = 700.0f;
    static constexpr float kCentreY = 1200.0f;
    static constexpr float kStraightFrom = 800.0f, kStraightTo = 1600.0f;
    static constexpr float kRadius = 500.0f;
    static constexpr float kHalfWidth = 24.0f;
    static constexpr int kGates = 48;
    static constexpr float kPondMinX = 1050, kPondMaxX = 1350, kPondMinY = 1100, kPondMaxY = 1300;
    static constexpr float kFenceY = 1760.0f;  // outside the second straight
    static constexpr float kObjectsY = 640.0f; // outside the first straight

    static float Length();
    // Point and unit heading of the centre line at distance s from the first straight's start.
    static void At(float s, kes::Vec3* point, kes::Vec3* heading);
    // Distance of (x, y) from the centre line.
    static float DistanceFromTrack(float x, float y);
    static float HeightAt(float x, float y);
};

// The world file's bytes.
std::vector<uint8_t> MakeRaceWorld();
// Writes it (temporary file, renamed); false on failure.
bool SaveRaceWorld(const std::string& path);

}  // namespace tools
