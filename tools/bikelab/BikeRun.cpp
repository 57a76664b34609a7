#include "tools/bikelab/BikeRun.h"

#include <memory>

#include <cmath>
#include <cstdio>

#include "game/core/maths/FastMath.h"
#include "game/world/chunk/WorldSounds.h"
#include "game/world/dynamic/DynamicObjects.h"
#include "game/world/file/WorldFile.h"
#include "game/world/ground/LandscapeGround.h"
#include "game/world/physics/BikeContacts.h"
#include "game/world/tricks/Tricks.h"
#include "platform/sys/Fpu.h"
#include "tools/bikelab/BikeEffects.h"
#include "tools/bikelab/LabWorld.h"

namespace tools {

void ApplyControls(const ControlPhase& phase, kes::BikeBody* bike) {
    for (int i = 0; i < 9; ++i) {
        bike->controls[i] = phase.bytes[i];
    }
    for (int a = 0; a < 3; ++a) {
        bike->analogModes[a] = phase.analog[a] ? 1u : 0u;
        bike->analogLevels[a] = phase.analog[a] ? phase.levels[a] : 1.0f;
    }
}

namespace {
bool BikeFinite(const kes::BikeBody& bike) {
    for (int i = 0; i < 4; ++i) {
        const kes::Particle& p = bike.body.particles[i];
        const float v[6] = {p.position.x, p.position.y, p.position.z, p.velocity.x, p.velocity.y, p.velocity.z};
        for (float f : v) {
            if (!std::isfinite(f)) return false;
        }
    }
    return true;
}
}  // namespace

namespace {

struct ContactRun {
    kes::BikeBody* bike;
    RunResult* result;
};

uint32_t g_panelsBroken = 0;

// The racer's world contacts after a step: its spheres on the particles, the object at the centre.
void WorldContacts(kes::BikeBody& bike, const kes::Vec3& previous, RunResult* result, kes::ObjectSphere* spheres) {
    kes::PlaceBikeSpheres(bike, spheres);
    kes::RacerContactSubject subject;
    subject.previous = previous;
    subject.position = bike.centre;
    subject.spheres = spheres;
    subject.sphereCount = kes::kBikeSphereCount;
    for (uint32_t i = 0; i < kes::kBikeSphereCount; ++i) {
        const kes::ObjectSphere& s = spheres[i];
        subject.radius = std::fmax(subject.radius, std::sqrt(s.centre.x * s.centre.x + s.centre.y * s.centre.y +
                                                             s.centre.z * s.centre.z) + s.radius);
    }
    ContactRun run{&bike, result};
    subject.user = &run;
    subject.contact = [](void* user, uint32_t event, void* info) {
        auto* r = static_cast<ContactRun*>(user);
        ++r->result->worldContacts;
        kes::OnBikeContact(*r->bike, r->bike->centre, event, info);
    };
    kes::RacerWorldContacts(subject, 0);
}

}  // namespace

RunResult RunBikeScript(const BikeScript& script, const RunOptions& options) {
    kes::InitTrigTables();
    RunResult result;
    const LabWorld world(script.worldPath);
    if (!script.worldPath.empty() && !world.Loaded()) {
        result.worldLoaded = false;
        return result;
    }
    const std::unique_ptr<kes::GroundQuery> generated = MakeGround(script.ground);
    const kes::GroundQuery* ground = script.worldPath.empty() ? generated.get() : &kes::WorldGround();
    g_panelsBroken = 0;
    const kes::WorldSoundHooks savedSounds = kes::WorldSounds();
    if (!script.worldPath.empty()) kes::WorldSounds().fenceBreak = [](const char*, kes::Vec3) { ++g_panelsBroken; };
    kes::BikeEnvironment env;
    env.ground = ground;
    const float heading = script.headingDegrees * 0.017453292f;
    const kes::Vec3 headingVec = {-std::sin(heading), std::cos(heading), 0.0f};
    kes::Vec3 start = script.start;
    start.z += ground->HeightAt(start.x, start.y);

    // Inside a frame the game rounds toward zero; the lab does the same so that its runs match.
    plat::TowardZeroRounding rounding;
    kes::BikeBody bike(env, script.params, kes::kClassLocal, start, headingVec);
    bike.holdControls = 0;  // as when the racer is created
    // The landing assist helps only a bike on a route (a player on a track with gates); with the
    // assist asked for, the lab's run stands for one even where the world has no gates.
    if (script.params.landingAssist != 0) bike.hasRoute = 1;
    kes::TimedRiderAnimation rider(script.animMs);
    bike.riderAnim = &rider;
    size_t enteredPhase = script.phases.size();  // the phase whose start was last seen
    int32_t trickWindow = 0;  // steps the trick buttons are read for, as the controller's trick keys open it
    // With a world the bike is also a scene object, which the world's pickups meet.
    kes::ObjectSphere racerSpheres[kes::kBikeSphereCount] = {};
    kes::SectorObject* racer = nullptr;
    if (!script.worldPath.empty()) {
        kes::ObjectDesc desc{};
        std::snprintf(desc.name, sizeof desc.name, "racer");
        desc.tag = kes::kRacerBikeTag;
        desc.x = bike.centre.x, desc.y = bike.centre.y, desc.z = bike.centre.z;
        if (kes::CreateObject(&racer, &desc) == 0 && racer) {
            kes::PlaceBikeSpheres(bike, racerSpheres);
            racer->spheres = racerSpheres;
            racer->sphereCount = kes::kBikeSphereCount;
        }
    }

    std::unique_ptr<BikeEffects> effects;
    if (options.effects) effects = std::make_unique<BikeEffects>(options.soundPack);
    const int frameMs = options.frameMs > 0 ? options.frameMs : 10;
    const int every = options.rowEveryFrames > 0 ? options.rowEveryFrames : 1;
    const uint64_t frames = static_cast<uint64_t>(script.end * 1000.0 / frameMs + 0.5);
    float accumulator = 0.0f;
    size_t phase = 0;
    const ControlPhase neutral;
    for (uint64_t frame = 1; frame <= frames; ++frame) {
        accumulator += static_cast<float>(frameMs) * 1.1f;
        while (accumulator >= 5.0f) {
            accumulator -= 5.0f;
            // Game time of this step: 5.0 units of 1/1.1 ms each.
            const double t = static_cast<double>(result.steps) * 5.0 / 1.1 / 1000.0;
            while (phase + 1 < script.phases.size() && script.phases[phase + 1].time <= t) ++phase;
            const bool started = !script.phases.empty() && script.phases[phase].time <= t;
            const ControlPhase& current = started ? script.phases[phase] : neutral;
            const bool entered = started && phase != enteredPhase;
            if (started) enteredPhase = phase;
            ApplyControls(current, &bike);
            if (entered && current.combo >= 0) {
                kes::SetTrickMode(current.combo);
                kes::ResetTrickInput();
                trickWindow = 200;
            }
            if (trickWindow > 0) {
                --trickWindow;
                const int32_t trick = kes::FeedTrickButtons(current.buttons);
                if (trick >= 1) bike.RequestTrick(static_cast<uint32_t>(trick));
                if (trick != kes::kTrickWaiting) trickWindow = 0;
            }
            if (effects) effects->BeforeStep(bike);
            const kes::Vec3 before = bike.centre;
            bike.Step();
            if (!script.worldPath.empty()) WorldContacts(bike, before, &result, racerSpheres);
            ++result.steps;
        }
        if (effects) effects->AfterFrame(frameMs, static_cast<double>(frame) * frameMs / 1000.0);
        rider.Advance(static_cast<float>(frameMs));
        if (bike.trickMessage.timerMs > 0)
            bike.trickMessage.timerMs = bike.trickMessage.timerMs > static_cast<uint32_t>(frameMs)
                                            ? bike.trickMessage.timerMs - static_cast<uint32_t>(frameMs)
                                            : 0;
        if (racer) {
            kes::SetObjectPosition(racer, bike.centre.x, bike.centre.y, bike.centre.z);
            kes::UpdateObjects(static_cast<uint32_t>(frameMs), 0);
        }
        if (!BikeFinite(bike)) result.finite = false;
        if (frame % static_cast<uint64_t>(every) == 0) {
            TrajectoryRow row;
            row.time = static_cast<double>(frame) * frameMs / 1000.0;
            row.position = bike.centre;
            row.speed = bike.speed;
            row.riding = bike.riding;
            row.contactBits = bike.contactBits;
            row.laps = bike.laps;
            row.gate = bike.currentGate;
            row.progress = bike.progress;
            row.wrongWay = bike.FacesAgainstCourse();
            row.trick = bike.trickAnim;
            row.trickTotal = bike.trickMessage.total;
            row.score = bike.scoreTarget;
            result.rows.push_back(row);
        }
    }
    result.panelsBroken = g_panelsBroken;
    result.pickups = LabWorld::Pickups();
    result.points = LabWorld::Points();
    kes::WorldSounds() = savedSounds;
    if (effects) result.effects = effects->Summary();
    return result;
}

std::string TrajectoryCsv(const std::vector<TrajectoryRow>& rows, bool routeColumns) {
    std::string out = "time,x,y,z,speed,riding,contact";
    out += routeColumns ? ",laps,gate,progress,wrongway,trick,tricktotal,score\n" : "\n";
    char line[240];
    for (const TrajectoryRow& r : rows) {
        int n = std::snprintf(line, sizeof(line), "%.3f,%.4f,%.4f,%.4f,%.4f,%u,%u", r.time, r.position.x,
                              r.position.y, r.position.z, r.speed, static_cast<unsigned>(r.riding),
                              static_cast<unsigned>(r.contactBits));
        if (routeColumns && n > 0 && static_cast<size_t>(n) < sizeof(line)) {
            std::snprintf(line + n, sizeof(line) - static_cast<size_t>(n), ",%u,%d,%.4f,%d,%u,%d,%.1f", r.laps,
                          r.gate, r.progress, r.wrongWay ? 1 : 0, r.trick, r.trickTotal, r.score);
        }
        out += line;
        out += '\n';
    }
    return out;
}

}  // namespace tools
