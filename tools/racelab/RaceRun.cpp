#include "tools/racelab/RaceRun.h"

#include "tools/racelab/RaceSound.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "game/core/camera/Camera.h"
#include "game/core/datapack/DataPack.h"
#include "game/core/display/DeviceList.h"
#include "game/core/display/Display.h"
#include "game/core/input/Input.h"
#include "game/core/input/InputScript.h"
#include "game/core/maths/FastMath.h"
#include "game/core/texture/TextureContainer.h"
#include "game/frontend/replay/Replay.h"
#include "game/world/aitrack/AiTrack.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/chunk/WorldSounds.h"
#include "game/world/file/WorldFile.h"
#include "game/world/info/WorldTextures.h"
#include "game/world/ground/LandscapeGround.h"
#include "game/world/physics/BikeContacts.h"
#include "game/world/racecam/RaceCamera.h"
#include "game/world/racer/BikeState.h"
#include "game/world/racer/ControlMapping.h"
#include "game/world/racer/Racer.h"
#include "game/world/racermodels/RacerModels.h"
#include "game/world/models/BikeModels.h"
#include "game/world/models/RiderModel.h"
#include "game/world/racereffects/RacerEffects.h"
#include "game/world/rider/RiderBody.h"
#include "platform/sys/CrtRand.h"
#include "platform/gfx/GfxDevice.h"
#include "platform/sys/Fpu.h"

namespace tools {

namespace {

// The laps of one racer; its sounds are the racer effects' (with sound).
class LapSink : public kes::BikeEventSink {
public:
    LapSink(RacerOutcome* outcome, const uint32_t* clock) : outcome_(outcome), clock_(clock) {}
    void OnLandSound(bool) override {}
    void OnCrashSound(int) override {}
    // Racers start just past the start line: every crossing completes a lap.
    void OnLap() override {
        outcome_->lapTimes.push_back(*clock_ - lapStart_);
        lapStart_ = *clock_;
        ++outcome_->laps;
    }

private:
    RacerOutcome* outcome_;
    const uint32_t* clock_;
    uint32_t lapStart_ = 0;
};

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

// The frame drawn through the display device: the world, then every scene object.
void DrawFrame(kes::RenderInterface& r, kes::ViewRecord& view) {
    r.viewProjection = view.viewProjectionScreen;
    kes::WorldView world;
    world.eye = view.position;
    world.groundMinX = view.groundMinX, world.groundMaxX = view.groundMaxX;
    world.groundMinY = view.groundMinY, world.groundMaxY = view.groundMaxY;
    for (int i = 0; i < 6; ++i)
        world.planes[i] = {view.planes[i].nx, view.planes[i].ny, view.planes[i].nz, view.planes[i].d};
    r.BeginScene();
    kes::DisplayGfx()->ClearColour({0, 0, static_cast<int>(kRaceShotWidth), static_cast<int>(kRaceShotHeight)},
                                   0xFF000000u);
    r.ClearDepth();
    r.SetState(plat::rs::kZEnable, 1);
    r.SetState(plat::rs::kCullMode, plat::rs::kCullNone);
    kes::WorldRender(world);
    kes::DrawObjects(&view);
    r.EndScene();
}

bool WritePpm(const std::string& path, const std::vector<uint8_t>& rgba) {
    if (rgba.size() != static_cast<size_t>(kRaceShotWidth) * kRaceShotHeight * 4) return false;
    const std::string temp = path + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%u %u\n255\n", kRaceShotWidth, kRaceShotHeight);
    bool ok = true;
    for (size_t i = 0; i < rgba.size() && ok; i += 4) ok = std::fwrite(&rgba[i], 1, 3, f) == 3;
    ok = std::fclose(f) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

struct LabRace::Parts {
    kes::TableRender render;
    bool device = false;  // drawing through the display device
    kes::WorldSoundHooks savedWorldSounds;
    std::unique_ptr<RaceSound> sound;  // with sound only
    LocalKeys keys{};
    kes::PlayerInput input;
    std::vector<std::unique_ptr<LapSink>> sinks;
    std::vector<kes::RacerRecord*> racers;
    std::vector<uint8_t> wasCrashed;
    kes::SceneCamera* camera = nullptr;
    kes::ViewRecord view{};
    bool scripted = false;
    uint32_t raceClock = 0;
    uint32_t nextHash = 1000;
    uint32_t frame = 0;
    std::vector<uint32_t> frames;
};

LabRace::LabRace(const RaceRunOptions& options) : options_(options), parts_(std::make_unique<Parts>()) {
    Parts& p = *parts_;
    kes::InitTrigTables();
    const float box[6] = {-20000, -20000, -20000, 20000, 20000, 20000};
    kes::InitObjects(0, 1, 1, 1, box);
    kes::RenderInterface* renderer = &p.render;
    if (options.realRender) {
        kes::EnumerateDevicesFrom({{1024, 768, 24}}, 24, nullptr);
        p.device = kes::DeviceInit(kes::kPrimaryDriverGuid, kes::kHardwareDeviceGuid, kRaceShotWidth, kRaceShotHeight, 16,
                                   "racelab", kes::kDeviceHidden | kes::kDeviceNoVsync) == 0;
        if (!p.device) {
            kes::FreeDeviceList();
            return;
        }
        renderer = &kes::TheRenderInterface();
    }
    kes::WorldListEntry entry;
    entry.name = options.worldPath;
    if (!options.worldPack.empty()) {
        entry.packPath = options.worldPack;
        entry.packOffset = options.worldOffset;
        entry.size = static_cast<int32_t>(options.worldSize);
    }
    worldLoaded_ = kes::WorldLoadEntry(entry, renderer, nullptr) == 0;
    outcome_.loaded = worldLoaded_;
    if (!worldLoaded_) return;
    plat::SimSrand(options.seed);
    plat::CrtSrand(options.seed * 7919u + 17u);
    p.savedWorldSounds = kes::WorldSounds();
    kes::RiderSounds() = kes::RiderSoundHooks();
    if (options.sound) p.sound = std::make_unique<RaceSound>(options.soundPack, renderer);
    kes::ResetControlMapping();
    kes::RaceContextData& race = kes::RaceContext();
    race = kes::RaceContextData();
    race.ground = &kes::WorldGround();
    race.gameMode = static_cast<int32_t>(options.gameMode);
    race.racePhase = 8;
    kes::RacerHooks() = kes::RacerHookTable();
    if (!options.recordDemo.empty() || !options.playDemo.empty()) {
        outcome_.demoUsed = true;
        replayAllocated_ = kes::ReplayAlloc(kes::kReplayBufferSize) == 0;
        if (!replayAllocated_) {
            outcome_.demoError = "no memory for the replay buffer";
            outcome_.loaded = false;
            return;
        }
        // The world's own identifier: a demo recorded here loads in the game on the same world.
        kes::ReplaySetWorld(kes::WorldGetInfo().id, kes::WorldGetInfo().name, "");
        kes::InstallReplayHooks();
        if (!options.playDemo.empty() && kes::ReplayLoadDemo(options.playDemo) != 0) {
            outcome_.demoError = kes::ReplayLastError();
            outcome_.loaded = false;
            return;
        }
    }
    if (!options.dataFolder.empty()) {
        // The models change only what is drawn: a race with them runs as one without.
        const std::string pack = options.dataFolder + "/Kestrun.dat";
        packOpen_ = kes::MakeLoadCache(pack.c_str()) == 1;
        outcome_.modelsLoaded = packOpen_ && kes::LoadRacerModels(renderer);
        if (!outcome_.modelsLoaded) {
            std::fprintf(stderr, "racelab: no bike and rider models in %s\n", pack.c_str());
            outcome_.loaded = false;
            return;
        }
    }
    if (p.sound) kes::InstallRacerEffectHooks();

    p.scripted = options.local && !options.inputScript.empty();
    if (options.local) {
        kes::InputInit(nullptr, nullptr);
        inputReady_ = true;
        if (p.scripted && !kes::LoadInputScript(options.inputScript)) {
            outcome_.loaded = false;
            return;
        }
        p.keys.Bind(&p.input);
        keysBound_ = true;
    }

    const bool replayRacer = !options.playDemo.empty();
    const int total = options.computers + (options.local || replayRacer ? 1 : 0);
    outcome_.racers.resize(static_cast<size_t>(std::max(total, 0)));
    for (int i = 0; i < total; ++i) {
        RacerOutcome& ro = outcome_.racers[static_cast<size_t>(i)];
        ro.local = options.local && i == 0;
        ro.replay = replayRacer && i == 0;
        p.sinks.push_back(std::make_unique<LapSink>(&ro, &p.raceClock));
        race.events = p.sinks.back().get();
        kes::Vec3 position, heading;
        kes::GetStartPose(i, total, &position, &heading);
        kes::RacerDesc desc;
        desc.kind = ro.local ? kes::kRacerLocal : (ro.replay ? kes::kRacerReplay : kes::kRacerComputer);
        desc.startX = position.x;
        desc.startY = position.y;
        desc.startHeading = heading;
        desc.colour = ro.local ? 0xFFFF0000u : 0xFFFFFFFFu;
        desc.slot = i;
        desc.netPlayer = i;
        desc.input = ro.local ? &p.input : nullptr;
        desc.params.topSpeedFactor = 0.5f + 0.02f * static_cast<float>(i % 5);
        kes::RacerRecord* r = kes::CreateRacer(&desc);
        if (r) p.racers.push_back(r);
        if (r && p.sound) kes::AttachRacerEffects(r, p.sinks.back().get());
    }
    race.events = nullptr;
    p.wasCrashed.assign(p.racers.size(), 0);
    if (!options.recordDemo.empty()) kes::ReplayStartRecording();
    if (replayRacer) kes::ReplayStartPlaying();

    if (options.camera && !p.racers.empty()) {
        kes::ResetRaceCamera();
        kes::RegisterRacerBindings();
        kes::CreateCamera(&p.camera, "Main Camera", kes::UpdateRaceCamera);
        if (p.camera) {
            kes::SetViewportSize(p.device ? kRaceShotWidth : 640, p.device ? kRaceShotHeight : 480);
            kes::SetActiveCamera(p.camera);
            kes::SetRaceCameraTarget(p.racers.front());
        }
    }
    p.frames = options.frameMs.empty() ? std::vector<uint32_t>{10} : options.frameMs;
}

LabRace::~LabRace() {
    Parts& p = *parts_;
    if (p.camera) {
        kes::SetRaceCameraTarget(nullptr);
        kes::UnregisterRacerBindings();
        kes::SetActiveCamera(nullptr);
        kes::DestroyCamera(p.camera);
    }
    for (kes::RacerRecord* r : p.racers) {
        kes::DetachRacerEffects(r);
        kes::DestroyRacer(r);
    }
    if (packOpen_) {
        kes::FreeRacerModels();
        kes::FreeLoadCache();
    }
    if (replayAllocated_) {
        kes::RemoveReplayHooks();
        kes::ReplayFree();
    }
    if (p.sound) kes::RemoveRacerEffectHooks();
    p.sound.reset();
    if (keysBound_) p.keys.Unbind();
    if (p.scripted) kes::UnloadInputScript();
    if (inputReady_) kes::InputShutdown();
    if (worldLoaded_) {
        kes::WorldUnload();
        while (kes::TextureListHead()) kes::DestroyTexture(kes::TextureListHead()->name);
        kes::RiderSounds() = kes::RiderSoundHooks();
        kes::WorldSounds() = p.savedWorldSounds;
        kes::RaceContext() = kes::RaceContextData();
    }
    kes::FreeObjects();
    if (p.device) {
        kes::TheRenderInterface().viewProjection = nullptr;
        kes::DeviceShutdown();
        while (kes::TextureListHead()) kes::DestroyTexture(kes::TextureListHead()->name);
        kes::FreeDeviceList();
    }
}

uint32_t LabRace::ClockMs() const { return parts_->raceClock; }

bool LabRace::Frame() {
    Parts& p = *parts_;
    if (!outcome_.loaded || done_) return false;
    // Inside a frame the game rounds toward zero.
    plat::TowardZeroRounding rounding;
    uint32_t elapsed = std::clamp<uint32_t>(p.frames[p.frame % p.frames.size()], 1u, 202u);
    const uint32_t frameMs = elapsed;
    ++p.frame;
    if (options_.local) {
        if (p.scripted) kes::InputScriptFrame(p.frame);
        kes::InputPoll();
    }
    while (elapsed > 0) {
        const uint32_t step = std::min<uint32_t>(elapsed, 10u);
        elapsed -= step;
        p.raceClock += step;
        kes::WorldUpdate(step);
        kes::UpdateObjects(step, 0);
        for (kes::RacerRecord* r : p.racers) kes::RacerContactsWithWorld(r, 0);
        if (p.raceClock >= p.nextHash) {
            p.nextHash += 1000;
            const uint64_t h = HashRacers(p.racers);
            outcome_.hashes.push_back(h);
            if (options_.log)
                std::fprintf(options_.log, "t=%u hash=%016llx\n", p.raceClock / 1000, static_cast<unsigned long long>(h));
        }
    }
    if (p.sound) p.sound->AfterFrame(frameMs, p.racers, &outcome_);
    if (p.camera) {
        kes::ApplyCameraView(&p.view);
        if (p.device) {
            p.view.renderer = &kes::TheRenderInterface();
            DrawFrame(kes::TheRenderInterface(), p.view);
        } else {
            p.view.renderer = &p.render;
            kes::DrawObjects(&p.view);
        }
        kes::Vec3 corners[4];
        const kes::Matrix4& m = kes::ChaseRig().view;
        if (kes::GetNearPlaneCorners(&m, corners) == 0) {
            for (const kes::Vec3& c : corners)
                if (c.z < kes::RaceContext().ground->HeightAt(c.x, c.y) + 2.0f - 0.01f) outcome_.cameraAboveGround = false;
        }
    }
    bool all = !p.racers.empty();
    for (size_t i = 0; i < p.racers.size(); ++i) {
        kes::RacerRecord* r = p.racers[i];
        RacerOutcome& ro = outcome_.racers[i];
        if (r->crashed[0] && !p.wasCrashed[i]) ++ro.crashes;
        p.wasCrashed[i] = r->crashed[0];
        if (!Finite(*r)) outcome_.finite = false;
        if (ro.laps >= options_.laps && ro.finishMs == 0) ro.finishMs = p.raceClock;
        if (ro.laps < options_.laps) all = false;
    }
    outcome_.frames = p.frame;
    outcome_.simulatedSeconds = p.raceClock / 1000.0;
    if (all) outcome_.allFinished = true;
    done_ = !outcome_.finite || all || p.raceClock >= options_.maxSeconds * 1000.0;
    // Where the bikes ended and how fast they went: worked out once, after the last frame.
    if (done_) {
        for (size_t i = 0; i < p.racers.size(); ++i) {
            RacerOutcome& ro = outcome_.racers[i];
            ro.at[0] = ro.at[1] = ro.at[2] = ro.speed = 0;
            for (int k = 0; k < 4; ++k) {
                const kes::Particle& q = p.racers[i]->bike->body.particles[k];
                ro.at[0] += q.position.x / 4, ro.at[1] += q.position.y / 4, ro.at[2] += q.position.z / 4;
                ro.speed += std::sqrt(q.velocity.x * q.velocity.x + q.velocity.y * q.velocity.y + q.velocity.z * q.velocity.z) / 4;
            }
        }
    }
    if (!options_.playDemo.empty() && kes::ReplayGetStatus().wraps > 0) {
        // Played through once: the pass's key-frame poses are complete.
        const kes::ReplayStatus s = kes::ReplayGetStatus();
        outcome_.demoDone = true;
        outcome_.demoKeyFrames = s.keyFrameCount;
        outcome_.demoPoses = s.playedPassHash;
        done_ = true;
    }
    if (done_ && !options_.recordDemo.empty()) FinishRecording();
    if (done_ && p.device && p.camera && !options_.shotPath.empty())
        outcome_.shotWritten = WritePpm(options_.shotPath, kes::RenderReadBackBuffer());
    return !done_;
}

void LabRace::FinishRecording() {
    kes::ReplayStop();
    const kes::ReplayStatus s = kes::ReplayGetStatus();
    outcome_.demoKeyFrames = s.keyFrameCount;
    outcome_.demoPoses = s.keyPoseHash;
    outcome_.demoDone = kes::ReplaySaveDemo(options_.recordDemo) == 0;
    if (!outcome_.demoDone) outcome_.demoError = kes::ReplayLastError();
}

RaceOutcome RunRace(const RaceRunOptions& options) {
    LabRace race(options);
    while (race.Frame()) {
    }
    return race.Outcome();
}

void PrintRaceOutcome(const RaceOutcome& o, std::FILE* out) {
    for (size_t i = 0; i < o.racers.size(); ++i) {
        const RacerOutcome& r = o.racers[i];
        std::fprintf(out, "racer %zu %s laps=%u crashes=%u finish=%u laptimes=", i,
                     r.local ? "local" : (r.replay ? "replay" : "computer"),
                     r.laps, r.crashes, r.finishMs);
        for (size_t k = 0; k < r.lapTimes.size(); ++k) std::fprintf(out, "%s%u", k ? "," : "", r.lapTimes[k]);
        std::fprintf(out, "\n");
    }
    for (size_t i = 0; i < o.racers.size(); ++i)
        std::fprintf(out, "racer %zu ends at=%.1f,%.1f,%.1f speed=%.2f\n", i, o.racers[i].at[0], o.racers[i].at[1],
                     o.racers[i].at[2], o.racers[i].speed);
    std::fprintf(out, "simulated=%.2fs frames=%llu finite=%d finished=%d camera_above_ground=%d\n", o.simulatedSeconds,
                 static_cast<unsigned long long>(o.frames), o.finite ? 1 : 0, o.allFinished ? 1 : 0,
                 o.cameraAboveGround ? 1 : 0);
    if (o.enginesPlaying || o.crashCries) std::fprintf(out, "sound engines=%u crash_cries=%u\n", o.enginesPlaying, o.crashCries);
    uint64_t all = 1469598103934665603ull;
    for (uint64_t h : o.hashes) all = (all ^ h) * 1099511628211ull;
    std::fprintf(out, "hash=%016llx\n", static_cast<unsigned long long>(all));
    if (o.demoUsed && o.demoDone)
        std::fprintf(out, "demo keyframes=%u poses=%016llx\n", o.demoKeyFrames, static_cast<unsigned long long>(o.demoPoses));
}

}  // namespace tools
