#pragma once
// Computer riders on a world file: each rider is a computer-steered bike started from the world's
// start gate and stepped the way a racer's controller steps it (frames of 10 ms, 1.1 step units per
// millisecond, one bike step per 5.0 units). A rider that has not ridden for 3001 ms is put back on
// the track, at the start pose before it passed a gate, else where it was last on the track and the
// route, facing along the course.
#include <cstdint>
#include <string>
#include <vector>

#include <memory>

#include "game/world/physics/BikeBody.h"
#include "tools/bikelab/BikeRun.h"

namespace tools {

struct RiderReport;

// The riders of one run over the loaded world's AI track and ground.
class RiderField {
public:
    RiderField(const kes::GroundQuery& ground, int riders, uint32_t laps);
    ~RiderField();
    RiderField(const RiderField&) = delete;
    RiderField& operator=(const RiderField&) = delete;
    // One frame of ms milliseconds for every rider that has not finished.
    void Frame(int ms);
    bool AllFinished() const;
    int Count() const { return static_cast<int>(riders_.size()); }
    const kes::BikeBody& Bike(int i) const;
    const RiderReport& Report(int i) const;
    uint64_t Steps() const { return steps_; }

private:
    struct Rider;
    void ResetOntoTrack(Rider& r);
    const kes::GroundQuery& ground_;
    uint32_t laps_;
    double time_ = 0;
    uint64_t steps_ = 0;
    std::vector<std::unique_ptr<Rider>> riders_;
};

struct RiderRunOptions {
    int riders = 1;            // 1..8
    uint32_t laps = 3;         // a rider finishes after this many laps
    double maxSeconds = 900;   // the run ends here even when not every rider finished
    int frameMs = 10;
    uint32_t seed = 1;         // seed of the simulation generator
    int traceEvery = 0;        // > 0: a trajectory row of rider 0 every this many frames
};

struct RiderReport {
    std::vector<double> lapTimes;  // seconds, one per lap counted
    double finishTime = -1;        // seconds when the last lap was counted, -1 when not finished
    uint32_t resets = 0;
    uint32_t tricks = 0;           // tricks started
    double longestOffTrack = 0;    // longest time in one piece off the track bitmap, seconds
};

struct RiderRunResult {
    bool worldLoaded = true;
    bool hasRoute = true;          // the world has a start gate and a gate at waypoint 1
    std::vector<RiderReport> riders;
    std::vector<TrajectoryRow> trace;
    uint64_t steps = 0;            // bike steps of all riders
    uint64_t hash = 0;             // of every rider's particle positions after every frame
    bool finite = true;
};

RiderRunResult RunComputerRiders(const std::string& worldPath, const RiderRunOptions& options);

// One line per rider ("rider 0: laps 3, lap times 31.20 30.10 30.05, ..."), then the hash.
std::string RiderReportText(const RiderRunResult& result);

}  // namespace tools
