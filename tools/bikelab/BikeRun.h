#pragma once
// Runs a bike script the way a racer's controller steps its bike: frames of 10 ms, 1.1 step units per
// millisecond, one bike step per 5.0 units, controls set before every step.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/bikelab/BikeScript.h"

namespace tools {

struct TrajectoryRow {
    double time;        // seconds of game time at the end of the frame
    kes::Vec3 position; // centre of the bike
    float speed;
    uint8_t riding;
    uint32_t contactBits;
    // Along the world's AI track and tricks.
    uint32_t laps;
    int32_t gate;       // waypoint of the next gate
    float progress;
    bool wrongWay;      // facing against the course
    uint32_t trick;     // animation of the running trick
    int32_t trickTotal; // total of the last trick message
    float score;
};

struct RunOptions {
    int frameMs = 10;
    int rowEveryFrames = 1;  // one row every this many frames
    bool routeColumns = false;  // the CSV also shows the AI-track progress and the tricks
    bool effects = false;    // particles, and with a sound pack the engine bank
    std::string soundPack;   // data pack holding the bike sounds
};

struct RunResult {
    std::vector<TrajectoryRow> rows;
    uint64_t steps = 0;
    bool finite = true;  // every particle stayed finite
    // With a world file:
    bool worldLoaded = true;
    uint32_t worldContacts = 0;  // touches of placed objects, collision meshes and fences
    uint32_t panelsBroken = 0;   // fence panels broken (each plays its sound)
    uint32_t pickups = 0;        // bonus pickups collected
    float points = 0;            // points the pickups paid into the run's profile
    std::string effects;         // with RunOptions::effects: what the run threw up and sounded like
};

RunResult RunBikeScript(const BikeScript& script, const RunOptions& options = {});

// "time,x,y,z,speed,riding,contact" and one line per row; with the route columns also
// "laps,gate,progress,wrongway,trick,tricktotal,score".
std::string TrajectoryCsv(const std::vector<TrajectoryRow>& rows, bool routeColumns = false);

// Sets the control bytes and analog state of the phase on the bike.
void ApplyControls(const ControlPhase& phase, kes::BikeBody* bike);

}  // namespace tools
