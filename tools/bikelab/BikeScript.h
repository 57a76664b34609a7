#pragma once
// The scripts bikelab runs: which ground, which bike, where it starts, and from which time on which
// controls are held.
//
//   # comment
//   ground flat [height] | slope <grade> | ramp <start> <height> <length> | random <seed> [amplitude]
//   world <path>   (a world file: its landscape, water, placed objects and fences are the ground)
//   bike <topSpeedFactor> <engineClass> [airControl]
//   assist <0|1|2>      the landing assist (0 off); with it the lab's bike counts as riding a route
//   start <x> <y> <z> [headingDegrees]
//   end <seconds>
//   at <seconds> [throttle] [brake] [left] [right] [back] [forward] [hop] [airleft] [airright]
//                [steer=<-1..1>] [pitch=<-1..1>] [lean=<-1..1>] | none
//
// Each "at" line holds its controls from its time until the next one; times never go back.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "game/world/physics/BikeBody.h"
#include "game/world/physics/GroundQuery.h"

namespace tools {

enum class GroundKind { Flat, Slope, Ramp, Random };

struct GroundSpec {
    GroundKind kind = GroundKind::Flat;
    float a = 0.0f;  // flat: height; slope: grade; ramp: start; random: amplitude
    float b = 0.0f;  // ramp: height
    float c = 0.0f;  // ramp: length
    uint32_t seed = 1;
};

struct ControlPhase {
    double time = 0.0;             // seconds
    uint8_t bytes[9] = {};         // control bytes 0-8
    bool analog[3] = {};           // steer, pitch, lean given
    float levels[3] = {};
};

struct BikeScript {
    GroundSpec ground;
    std::string worldPath;         // non-empty: the world file is the ground
    kes::BikeParams params;
    kes::Vec3 start = {0.0f, 0.0f, 3.0f};
    float headingDegrees = 0.0f;   // 0 = +y, counter-clockwise
    double end = 10.0;             // seconds
    std::vector<ControlPhase> phases;
};

constexpr double kMaxScriptSeconds = 3600.0;
constexpr size_t kMaxScriptPhases = 100000;

// Parses a script. On failure returns false and sets error to "line N: what is wrong".
bool ParseBikeScript(std::string_view text, BikeScript* out, std::string* error);

std::unique_ptr<kes::GroundQuery> MakeGround(const GroundSpec& ground);

}  // namespace tools
