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
//   anim <ms>      how long the rider plays a trick's animation (default 600)
//   at <seconds> [throttle] [brake] [left] [right] [back] [forward] [hop] [airleft] [airright]
//                [steer=<-1..1>] [pitch=<-1..1>] [lean=<-1..1>] [combo=<0|1|2>] [buttons=<0..15>] | none
//
// Each "at" line holds its controls from its time until the next one; times never go back.
// combo=N opens a trick window on combo table N when the line starts (as the trick keys do);
// buttons=M holds the trick buttons M (1, 2, 4, 8) while the window is open.
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
    int combo = -1;                // opens a trick window on this combo table
    uint32_t buttons = 0;          // trick buttons held
};

struct BikeScript {
    GroundSpec ground;
    std::string worldPath;         // non-empty: the world file is the ground
    kes::BikeParams params;
    kes::Vec3 start = {0.0f, 0.0f, 3.0f};
    float headingDegrees = 0.0f;   // 0 = +y, counter-clockwise
    double end = 10.0;             // seconds
    uint32_t animMs = 600;         // length of a trick's rider animation
    std::vector<ControlPhase> phases;
};

constexpr double kMaxScriptSeconds = 3600.0;
constexpr size_t kMaxScriptPhases = 100000;

// Parses a script. On failure returns false and sets error to "line N: what is wrong".
bool ParseBikeScript(std::string_view text, BikeScript* out, std::string* error);

std::unique_ptr<kes::GroundQuery> MakeGround(const GroundSpec& ground);

}  // namespace tools
