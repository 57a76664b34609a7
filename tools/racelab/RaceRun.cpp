#include "tools/racelab/RaceRun.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "game/core/camera/Camera.h"
#include "game/core/input/Input.h"
#include "game/core/input/InputScript.h"
#include "game/core/maths/FastMath.h"
#include "game/core/texture/TextureContainer.h"
#include "game/world/aitrack/AiTrack.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/chunk/WorldSounds.h"
#include "game/world/file/WorldFile.h"
#include "game/world/ground/LandscapeGround.h"
#include "game/world/physics/BikeContacts.h"
#include "game/world/racecam/RaceCamera.h"
#include "game/world/racer/BikeState.h"
#include "game/world/racer/ControlMapping.h"
#include "game/world/racer/Racer.h"
#include "game/world/rider/RiderBody.h"
#include "platform/sys/CrtRand.h"
#include "platform/sys/Fpu.h"

namespace tools {

namespace {

// The laps of one racer, and (with sound) the cosmetic random numbers its sounds would draw.
class LapSink : public kes::BikeEventSink {
public:
    LapSink(RacerOutcome* outcome, const uint32_t* clock, bool sound) : outcome_(outcome), clock_(clock), sound_(sound) {}
    void OnLandSound(bool) override { Cosmetic(); }
    void OnCrashSound(int) override { Cosmetic(); }
    void OnEffectSound(int32_t, int, const kes::Vec3&) override { Cosmetic(); }
    void OnCheer() override { Cosmetic(); }
    // Racers start just past the start line: every crossing completes a lap.
    void OnLap() override {
        outcome_->lapTimes.push_back(*clock_ - lapStart_);
        lapStart_ = *clock_;
        ++outcome_->laps;
    }

private:
    void Cosmetic() {
        if (sound_) plat::CrtRand();
    }
    RacerOutcome* outcome_;
    const uint32_t* clock_;
    bool sound_;
    uint32_t lapStart_ = 0;
};

void InstallSoundHooks(bool sound) {
    kes::RiderSounds() = kes::RiderSoundHooks();
    if (!sound) return;
    kes::RiderSounds().crash = [](void*) { plat::CrtRand(); };
    kes::RiderSounds().pain = [](void*, const kes::Vec3&) { plat::CrtRand(); };
    kes::RiderSounds().effect = [](int32_t, int, const kes::Vec3&) { plat::CrtRand(); };
    kes::WorldSounds().impact = [](int32_t, kes::Vec3, bool) { plat::CrtRand(); };
}

// A racer's contacts with the placed objects and fences after a step.
void WorldContacts(kes::RacerRecord* racer) {
    kes::SectorObject* o = racer->object;
    kes::RacerContactSubject s;
    s.previous = o->previousPosition;
    s.position = o->position;
    s.spheres = racer->spheres;
    s.sphereCount = kes::kRacerSphereCount;
    s.user = racer;
    s.contact = [](void* user, uint32_t event, void* info) {
        auto* r = static_cast<kes::RacerRecord*>(user);
        kes::OnBikeContact(*r->bike, r->object->position, event, info);
    };
    for (uint32_t i = 0; i < kes::kRacerSphereCount; ++i) {
        const kes::ObjectSphere& sp = racer->spheres[i];
        if (sp.flags & kes::kSphereNotSolid) continue;
        s.radius = std::fmax(s.radius, std::sqrt(sp.centre.x * sp.centre.x + sp.centre.y * sp.centre.y +
                                                 sp.centre.z * sp.centre.z) + sp.radius);
    }
    kes::RacerWorldContacts(s, 0);
}

uint64_t HashRacers(const std::vector<kes::RacerRecord*>& racers) {
    uint64_t h = 1469598103934665603ull;
    uint8_t state[kes::kNetBikeStateSize];
    for (const kes::RacerRecord* r : racers) {
        kes::NetPackBikeState(*r->bike, r->crashed[0] ? r->riderBody : nullptr, state);
        for (uint8_t b : state) h = (h ^ b) * 1099511628211ull;
    }
    return h;
}

bool Finite(const kes::RacerRecord& r) {
    for (int i = 0; i < 4; ++i) {
        const kes::Particle& p = r.bike->body.particles[i];
        for (float f : {p.position.x, p.position.y, p.position.z, p.velocity.x, p.velocity.y, p.velocity.z})
            if (!std::isfinite(f)) return false;
    }
    return !r.crashed[0] || r.riderBody->Finite();
}

// The local player's keys: throttle A, brake Z, the arrows, hop on the space bar, give up G.
struct LocalKeys {
    kes::InputBinding bindings[8];
    void Bind(kes::PlayerInput* in) {
        const struct {
            uint32_t code, action;
        } keys[8] = {{0x1E, kes::kActionThrottle}, {0x2C, kes::kActionBrake}, {0xCB, kes::kActionLeft},
                     {0xCD, kes::kActionRight},    {0xC8, kes::kActionUp},    {0xD0, kes::kActionDown},
                     {0x39, kes::kActionSwapA},    {0x22, kes::kActionGiveUp}};
        for (int i = 0; i < 8; ++i) {
            bindings[i] = {kes::kBindWord | kes::kBindOnDown | kes::kBindOnUp, &in->words[keys[i].action], keys[i].code,
                           nullptr};
            kes::InputAddBinding(&bindings[i]);
        }
    }
    void Unbind() {
        for (auto& b : bindings) kes::InputRemoveBinding(&b);
    }
};

}  // namespace

RaceOutcome RunRace(const RaceRunOptions& options) {
    RaceOutcome outcome;
    kes::InitTrigTables();
    const float box[6] = {-20000, -20000, -20000, 20000, 20000, 20000};
    kes::InitObjects(0, 1, 1, 1, box);
    kes::TableRender render;
    kes::WorldListEntry entry;
    entry.name = options.worldPath;
    outcome.loaded = kes::WorldLoadEntry(entry, &render, nullptr) == 0;
    if (!outcome.loaded) {
        kes::FreeObjects();
        return outcome;
    }
    plat::SimSrand(options.seed);
    plat::CrtSrand(options.seed * 7919u + 17u);
    const kes::WorldSoundHooks savedWorldSounds = kes::WorldSounds();
    InstallSoundHooks(options.sound);
    kes::ResetControlMapping();
    kes::RaceContextData& race = kes::RaceContext();
    race = kes::RaceContextData();
    race.ground = &kes::WorldGround();
    race.gameMode = static_cast<int32_t>(options.gameMode);
    race.racePhase = 8;
    kes::RacerHooks() = kes::RacerHookTable();

    const bool scripted = options.local && !options.inputScript.empty();
    LocalKeys keys{};
    kes::PlayerInput input;
    if (options.local) {
        kes::InputInit(nullptr, nullptr);
        if (scripted && !kes::LoadInputScript(options.inputScript)) {
            kes::InputShutdown();
            kes::WorldUnload();
            kes::FreeObjects();
            outcome.loaded = false;
            return outcome;
        }
        keys.Bind(&input);
    }

    uint32_t raceClock = 0;
    const int total = options.computers + (options.local ? 1 : 0);
    outcome.racers.resize(static_cast<size_t>(std::max(total, 0)));
    std::vector<std::unique_ptr<LapSink>> sinks;
    std::vector<kes::RacerRecord*> racers;
    for (int i = 0; i < total; ++i) {
        RacerOutcome& ro = outcome.racers[static_cast<size_t>(i)];
        ro.local = options.local && i == 0;
        sinks.push_back(std::make_unique<LapSink>(&ro, &raceClock, options.sound));
        race.events = sinks.back().get();
        kes::Vec3 position, heading;
        kes::GetStartPose(i, total, &position, &heading);
        kes::RacerDesc desc;
        desc.kind = ro.local ? kes::kRacerLocal : kes::kRacerComputer;
        desc.startX = position.x;
        desc.startY = position.y;
        desc.startHeading = heading;
        desc.colour = ro.local ? 0xFFFF0000u : 0xFFFFFFFFu;
        desc.slot = i;
        desc.netPlayer = i;
        desc.input = ro.local ? &input : nullptr;
        desc.params.topSpeedFactor = 0.5f + 0.02f * static_cast<float>(i % 5);
        kes::RacerRecord* r = kes::CreateRacer(&desc);
        if (!r) continue;
        racers.push_back(r);
    }
    race.events = nullptr;

    kes::SceneCamera* camera = nullptr;
    if (options.camera && !racers.empty()) {
        kes::ResetRaceCamera();
        kes::RegisterRacerBindings();
        kes::CreateCamera(&camera, "Main Camera", kes::UpdateRaceCamera);
        if (camera) {
            kes::SetViewportSize(640, 480);
            kes::SetActiveCamera(camera);
            kes::SetRaceCameraTarget(racers.front());
        }
    }

    std::vector<uint8_t> wasCrashed(racers.size(), 0);
    const double maxMs = options.maxSeconds * 1000.0;
    uint32_t nextHash = 1000;
    uint32_t frame = 0;
    std::vector<uint32_t> frames = options.frameMs.empty() ? std::vector<uint32_t>{10} : options.frameMs;
    kes::ViewRecord view{};
    {
        // Inside a frame the game rounds toward zero.
        plat::TowardZeroRounding rounding;
        while (raceClock < maxMs) {
            uint32_t elapsed = std::clamp<uint32_t>(frames[frame % frames.size()], 1u, 202u);
            ++frame;
            if (options.local) {
                if (scripted) kes::InputScriptFrame(frame);
                kes::InputPoll();
            }
            while (elapsed > 0) {
                const uint32_t step = std::min<uint32_t>(elapsed, 10u);
                elapsed -= step;
                raceClock += step;
                kes::WorldUpdate(step);
                kes::UpdateObjects(step, 0);
                for (kes::RacerRecord* r : racers) WorldContacts(r);
                if (raceClock >= nextHash) {
                    nextHash += 1000;
                    const uint64_t h = HashRacers(racers);
                    outcome.hashes.push_back(h);
                    if (options.log)
                        std::fprintf(options.log, "t=%u hash=%016llx\n", raceClock / 1000,
                                     static_cast<unsigned long long>(h));
                }
            }
            if (camera) {
                kes::ApplyCameraView(&view);
                view.renderer = &render;
                kes::DrawObjects(&view);
                kes::Vec3 corners[4];
                const kes::Matrix4& m = kes::ChaseRig().view;
                if (kes::GetNearPlaneCorners(&m, corners) == 0) {
                    for (const kes::Vec3& c : corners)
                        if (c.z < race.ground->HeightAt(c.x, c.y) + 2.0f - 0.01f) outcome.cameraAboveGround = false;
                }
            }
            bool all = !racers.empty();
            for (size_t i = 0; i < racers.size(); ++i) {
                kes::RacerRecord* r = racers[i];
                RacerOutcome& ro = outcome.racers[i];
                if (r->crashed[0] && !wasCrashed[i]) ++ro.crashes;
                wasCrashed[i] = r->crashed[0];
                if (!Finite(*r)) outcome.finite = false;
                if (ro.laps >= options.laps && ro.finishMs == 0) ro.finishMs = raceClock;
                if (ro.laps < options.laps) all = false;
            }
            if (!outcome.finite) break;
            if (all) {
                outcome.allFinished = true;
                break;
            }
        }
    }
    outcome.frames = frame;
    outcome.simulatedSeconds = raceClock / 1000.0;

    if (camera) {
        kes::SetRaceCameraTarget(nullptr);
        kes::UnregisterRacerBindings();
        kes::SetActiveCamera(nullptr);
        kes::DestroyCamera(camera);
    }
    for (kes::RacerRecord* r : racers) kes::DestroyRacer(r);
    if (options.local) {
        keys.Unbind();
        if (scripted) kes::UnloadInputScript();
        kes::InputShutdown();
    }
    kes::WorldUnload();
    while (kes::TextureListHead()) kes::DestroyTexture(kes::TextureListHead()->name);
    kes::FreeObjects();
    kes::RiderSounds() = kes::RiderSoundHooks();
    kes::WorldSounds() = savedWorldSounds;
    kes::RaceContext() = kes::RaceContextData();
    return outcome;
}

void PrintRaceOutcome(const RaceOutcome& o, std::FILE* out) {
    for (size_t i = 0; i < o.racers.size(); ++i) {
        const RacerOutcome& r = o.racers[i];
        std::fprintf(out, "racer %zu %s laps=%u crashes=%u finish=%u laptimes=", i, r.local ? "local" : "computer",
                     r.laps, r.crashes, r.finishMs);
        for (size_t k = 0; k < r.lapTimes.size(); ++k) std::fprintf(out, "%s%u", k ? "," : "", r.lapTimes[k]);
        std::fprintf(out, "\n");
    }
    std::fprintf(out, "simulated=%.2fs frames=%llu finite=%d finished=%d camera_above_ground=%d\n", o.simulatedSeconds,
                 static_cast<unsigned long long>(o.frames), o.finite ? 1 : 0, o.allFinished ? 1 : 0,
                 o.cameraAboveGround ? 1 : 0);
    uint64_t all = 1469598103934665603ull;
    for (uint64_t h : o.hashes) all = (all ^ h) * 1099511628211ull;
    std::fprintf(out, "hash=%016llx\n", static_cast<unsigned long long>(all));
}

}  // namespace tools
