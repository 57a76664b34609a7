// Taking a race down: music, voices, lights, the countdown picture, the callbacks and keys, the
// camera, the racers (writing their result rows), the replay buffer, the world, particles, HUD and
// sounds.
#include <cstdio>

#include "game/app/loop/FrameLoop.h"
#include "game/core/audio/AudioSystem.h"
#include "game/core/camera/Camera.h"
#include "game/core/cdaudio/CdAudio.h"
#include "game/core/render/RenderInterface.h"
#include "game/frontend/hud/Hud.h"
#include "game/frontend/race/Race.h"
#include "game/frontend/race/RaceRules.h"
#include "game/frontend/race/RaceState.h"
#include "game/frontend/replay/Replay.h"
#include "game/world/file/WorldFile.h"
#include "game/world/lights/Lights.h"
#include "game/world/particles/Particles.h"
#include "game/world/racecam/RaceCamera.h"
#include "game/world/racer/Racer.h"
#include "game/world/sky/LensFlare.h"
#include "game/world/sounds/RiderSounds.h"
#include "game/world/sounds/SoundEffects.h"
#include "platform/sys/EventLog.h"

namespace kes {

namespace {

// The order the race's keys are taken away in.
const RaceKey kRemoveOrder[kRaceKeys] = {kKeyMenu, kKeyF9, kKeyF10, kKeyNextRacer, kKeyPreviousRacer, kKeyOwnRacer};

}  // namespace

void LogRacerPlaces(const char* when) {
    for (uint32_t k = 0; k < kMaxRaceRacers; ++k) {
        const RacerRecord* r = g_RaceRacers[k];
        if (!r || !r->bike) continue;
        const Vec3& at = r->bike->centre;
        char line[128];
        std::snprintf(line, sizeof line, "racer %u kind %d %s %.0f %.0f %.0f", k, static_cast<int>(r->kind), when,
                      static_cast<double>(at.x), static_cast<double>(at.y), static_cast<double>(at.z));
        plat::LogEvent(line);
    }
}

void TearDownRace(ResultRow* results) {
    RaceSessionState& s = ThisRace();
    CdStop();
    delete s.startVoice;
    delete s.countVoice;
    s.startVoice = s.countVoice = nullptr;
    LensFlareFree();
    if (s.ambient) RemoveLight(s.ambient);
    if (s.sun) RemoveLight(s.sun);
    s.ambient = s.sun = nullptr;
    if (s.countdownTexture && s.renderer) s.renderer->ReleaseTexture(s.countdownTexture);
    s.countdownTexture = 0;
    SetFrameCallback1(nullptr);
    SetFrameCallback2(nullptr);
    SetFrameCallback3(nullptr);
    SetFrameCallback4(nullptr);
    if (s.bindingsAdded)
        for (RaceKey k : kRemoveOrder) InputRemoveBinding(&s.bindings[k]);
    s.bindingsAdded = false;
    SetRaceCameraTarget(nullptr);
    LogRacerPlaces("ends");
    if (s.camera) {
        if (ActiveCamera() == s.camera) SetActiveCamera(nullptr);
        DestroyCamera(s.camera);
    }
    s.camera = nullptr;
    for (uint32_t k = 0; k < kMaxRaceRacers; ++k) {
        RacerRecord*& r = g_RaceRacers[k];
        if (!r) continue;
        if (results) {
            results[k].place = r->finishPlace ? r->finishPlace : r->place;
            results[k].bestLap = r->bestLap;
            r->score = RacerScore(*r);
            results[k].score = r->score;
        }
        DestroyRacer(r);
        r = nullptr;
    }
    s.racerCount = 0;
    RemoveReplayHooks();
    RemoveNetworkHooks();
    SetReplayButtonSound(nullptr);
    ReplayFree();
    WorldUnload();
    if (s.particles) ParticlesFree();
    s.particles = false;
    HudFree();
    FreeSoundEffects();
    FreeImpactSounds();
    RaceContext().events = nullptr;
    s.active = false;
}

void RaceEnd(ResultRow* results) {
    if (!ThisRace().active) return;
    TearDownRace(results);
}

}  // namespace kes
