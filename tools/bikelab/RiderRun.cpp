#include "tools/bikelab/RiderRun.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "game/core/maths/FastMath.h"
#include "game/core/maths/VecMath.h"
#include "game/world/aitrack/AiTrack.h"
#include "game/world/ground/LandscapeGround.h"
#include "platform/sys/CrtRand.h"
#include "platform/sys/Fpu.h"
#include "tools/bikelab/LabWorld.h"

namespace tools {

namespace {

constexpr float kStepUnits = 5.0f;
constexpr float kUnitsPerMs = 1.1f;
constexpr uint32_t kFallResetMs = 3001;

class RiderEvents : public kes::BikeEventSink {
public:
    RiderEvents(RiderReport* report, const double* time) : report_(report), time_(time) {}
    void OnLandSound(bool) override {}
    void OnCrashSound(int) override {}
    void OnLap() override {
        double total = 0;
        for (double t : report_->lapTimes) total += t;
        report_->lapTimes.push_back(*time_ - total);
    }
    void OnCheer() override { ++report_->tricks; }

private:
    RiderReport* report_;
    const double* time_;
};

kes::BikeParams ComputerParams(int i) {
    kes::BikeParams p;
    p.airAssist = 0;             // computer riders leave the air to the computer's handling
    p.driveBlendFloor = 0.2f;    // raised to 0.2 for computer riders
    p.topSpeedFactor = 0.45f + 0.02f * static_cast<float>(i);
    return p;
}

uint64_t Mix(uint64_t h, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 4; ++i) {
        h ^= (bits >> (8 * i)) & 0xFFu;
        h *= 1099511628211ull;
    }
    return h;
}

}  // namespace

struct RiderField::Rider {
    RiderReport report;
    std::unique_ptr<RiderEvents> events;
    std::unique_ptr<kes::BikeBody> bike;
    kes::TimedRiderAnimation anim;
    kes::Vec3 startPosition, startHeading;
    kes::BikeParams params;
    float accumulator = 0;
    uint32_t fallMs = 0;
    double offTrack = 0;
};

RiderField::RiderField(const kes::GroundQuery& ground, int riders, uint32_t laps) : ground_(ground), laps_(laps) {
    for (int i = 0; i < riders; ++i) {
        auto r = std::make_unique<Rider>();
        r->events = std::make_unique<RiderEvents>(&r->report, &time_);
        kes::GetStartPose(i, riders, &r->startPosition, &r->startHeading);
        r->startPosition.z = ground.HeightAt(r->startPosition.x, r->startPosition.y) + 3.0f;
        r->params = ComputerParams(i);
        kes::BikeEnvironment env;
        env.ground = &ground;
        env.events = r->events.get();
        r->bike = std::make_unique<kes::BikeBody>(env, r->params, kes::kClassComputer, r->startPosition,
                                                  r->startHeading);
        r->bike->holdControls = 0;
        r->bike->riderAnim = &r->anim;
        riders_.push_back(std::move(r));
    }
}

RiderField::~RiderField() = default;

const kes::BikeBody& RiderField::Bike(int i) const { return *riders_[static_cast<size_t>(i)]->bike; }

const RiderReport& RiderField::Report(int i) const { return riders_[static_cast<size_t>(i)]->report; }

bool RiderField::AllFinished() const {
    for (const auto& r : riders_)
        if (r->report.finishTime < 0) return false;
    return true;
}

// Back onto the course where the rider was last on the track and the route, facing from the
// previous gate toward the current one; at the start pose before it passed any gate.
void RiderField::ResetOntoTrack(Rider& r) {
    kes::BikeBody& b = *r.bike;
    ++r.report.resets;
    if (!b.passedGate) {
        b.Reset(r.startPosition, r.startHeading, r.params);
        return;
    }
    b.currentGate = b.resetGate;
    const int32_t max = kes::GetAiWaypointMax();
    const kes::AiGate* from = kes::GetAiGate(b.currentGate == 0 ? max : b.currentGate - 1, 0);
    const kes::AiGate* to = kes::GetAiGate(b.currentGate, 0);
    kes::Vec3 heading = {0.0f, 1.0f, 0.0f};
    if (from != nullptr && to != nullptr) {
        heading = {to->reference.x - from->reference.x, to->reference.y - from->reference.y, 0.0f};
        kes::Vec3Normalize(&heading);
        b.lane = 0;
        b.aimPoint = to->reference;
    }
    kes::Vec3 at = b.resetPosition;
    at.z = ground_.HeightAt(at.x, at.y) + 3.0f;
    b.Reset(at, heading, r.params);
}

void RiderField::Frame(int ms) {
    for (auto& rp : riders_) {
        Rider& r = *rp;
        if (r.report.finishTime >= 0) continue;
        kes::BikeBody& b = *r.bike;
        if (!b.riding) {
            r.fallMs += static_cast<uint32_t>(ms);
            if (r.fallMs >= kFallResetMs) {
                ResetOntoTrack(r);
                r.fallMs = 0;
            }
        } else {
            r.fallMs = 0;
        }
        r.accumulator += static_cast<float>(ms) * kUnitsPerMs;
        while (r.accumulator >= kStepUnits) {
            r.accumulator -= kStepUnits;
            b.Step();
            ++steps_;
        }
        r.anim.Advance(static_cast<float>(ms));
        if (kes::IsOnTrack(b.centre.x, b.centre.y)) {
            r.offTrack = 0;
        } else {
            r.offTrack += ms / 1000.0;
            if (r.offTrack > r.report.longestOffTrack) r.report.longestOffTrack = r.offTrack;
        }
    }
    time_ += ms / 1000.0;
    for (auto& r : riders_) {
        if (r->report.finishTime < 0 && r->report.lapTimes.size() >= laps_) r->report.finishTime = time_;
    }
}

RiderRunResult RunComputerRiders(const std::string& worldPath, const RiderRunOptions& options) {
    kes::InitTrigTables();
    RiderRunResult result;
    const LabWorld world(worldPath);
    if (!world.Loaded()) {
        result.worldLoaded = false;
        return result;
    }
    if (kes::GetStartGate() == nullptr || kes::GetAiGate(1, 0) == nullptr) {
        result.hasRoute = false;
        return result;
    }
    plat::SimSrand(options.seed);
    // Inside a frame the game rounds toward zero; the lab does the same so that its runs match.
    plat::TowardZeroRounding rounding;
    const int riders = options.riders < 1 ? 1 : (options.riders > 8 ? 8 : options.riders);
    const int frameMs = options.frameMs > 0 ? options.frameMs : 10;
    RiderField field(kes::WorldGround(), riders, options.laps);
    const uint64_t frames = static_cast<uint64_t>(options.maxSeconds * 1000.0 / frameMs + 0.5);
    uint64_t hash = 14695981039346656037ull;
    for (uint64_t frame = 1; frame <= frames && !field.AllFinished(); ++frame) {
        field.Frame(frameMs);
        for (int i = 0; i < field.Count(); ++i) {
            const kes::BikeBody& b = field.Bike(i);
            for (int p = 0; p < 4; ++p) {
                const kes::Vec3& v = b.body.particles[p].position;
                hash = Mix(Mix(Mix(hash, v.x), v.y), v.z);
                if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) result.finite = false;
            }
        }
        if (options.traceEvery > 0 && frame % static_cast<uint64_t>(options.traceEvery) == 0) {
            const kes::BikeBody& b = field.Bike(0);
            TrajectoryRow row{};
            row.time = static_cast<double>(frame) * frameMs / 1000.0;
            row.position = b.centre;
            row.speed = b.speed;
            row.riding = b.riding;
            row.contactBits = b.contactBits;
            row.laps = b.laps;
            row.gate = b.currentGate;
            row.progress = b.progress;
            row.wrongWay = b.FacesAgainstCourse();
            row.trick = b.trickAnim;
            row.trickTotal = b.trickMessage.total;
            row.score = b.scoreTarget;
            result.trace.push_back(row);
        }
    }
    for (int i = 0; i < field.Count(); ++i) result.riders.push_back(field.Report(i));
    result.steps = field.Steps();
    result.hash = hash;
    return result;
}

std::string RiderReportText(const RiderRunResult& result) {
    std::string out;
    char line[160];
    for (size_t i = 0; i < result.riders.size(); ++i) {
        const RiderReport& r = result.riders[i];
        std::snprintf(line, sizeof line, "rider %zu: laps %zu, lap times", i, r.lapTimes.size());
        out += line;
        for (double t : r.lapTimes) {
            std::snprintf(line, sizeof line, " %.2f", t);
            out += line;
        }
        std::snprintf(line, sizeof line, ", finish %.2f, resets %u, tricks %u, longest off track %.2f s\n",
                      r.finishTime, r.resets, r.tricks, r.longestOffTrack);
        out += line;
    }
    std::snprintf(line, sizeof line, "steps %llu, hash %016llx\n", static_cast<unsigned long long>(result.steps),
                  static_cast<unsigned long long>(result.hash));
    out += line;
    return out;
}

}  // namespace tools
