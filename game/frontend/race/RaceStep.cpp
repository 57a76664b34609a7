// The race's two step callbacks: before the scene objects (session check, camera keys, world,
// particles, finishing, sounds, the phase machine, the in-game menu) and after them (message timers
// and the racers' contacts with the placed objects and fences).
#include <cmath>

#include "game/app/loop/FrameLoop.h"
#include "game/core/input/Input.h"
#include "game/core/camera/Camera.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/race/Race.h"
#include "game/frontend/race/RaceRules.h"
#include "game/frontend/race/RaceState.h"
#include "game/net/NetGame.h"
#include "game/world/file/WorldFile.h"
#include "game/world/particles/Particles.h"
#include "game/world/physics/BikeContacts.h"
#include "game/world/racecam/RaceCamera.h"
#include "game/world/racer/Racer.h"
#include "game/world/sounds/BikeSounds.h"

namespace kes {

namespace {

constexpr uint32_t kParticlePortionMs = 40;
// The contact pass the race asks of the world for each racer.
constexpr uint32_t kRacerContactSkip = 17;

// A network player who left takes his racer with him.
void DropLeftPlayers() {
    NetPlayerSlot* table = NetLock();
    for (RacerRecord*& r : g_RaceRacers) {
        if (!r || r->controlClass != kControlClassRemote || !table) continue;
        if (r->playerIndex < kNetSlots && table[r->playerIndex].inUse == 0) {
            if (RaceCameraTarget() == r) SetRaceCameraTarget(nullptr);
            DestroyRacer(r);
            r = nullptr;
        }
    }
    NetUnlock();
}

void FollowCameraTarget(RaceSessionState& s) {
    uint32_t* k = s.keys.data();
    s.cameraTarget = StepCameraTarget(s.cameraTarget, g_RaceRacers.data(), s.racerCount,
                                      static_cast<int32_t>(s.localRacer),
                                      CameraKeys{&k[kKeyNextRacer], &k[kKeyPreviousRacer], &k[kKeyOwnRacer]});
    RacerRecord* target = g_RaceRacers[static_cast<uint32_t>(s.cameraTarget)];
    if (target && RaceCameraTarget() != target) SetRaceCameraTarget(target);
}

// The intro fly-in is over once the camera has switched itself to following.
void EndIntroWhenCameraFollows(RaceSessionState& s) {
    if (RacePhase() != kPhaseIntro || !s.camera || !s.camera->object) return;
    if (s.camera->object->update != StartRaceCamera) SetRacePhase(kPhaseWait, 0);
}

// A phase entered since the last look (here or from the network) plays its countdown voice.
void VoiceNewPhase(RaceSessionState& s) {
    const uint32_t phase = RacePhase();
    if (phase == s.voicedPhase) return;
    s.voicedPhase = phase;
    PlayPhaseVoice(phase);
}

}  // namespace

void RaceStepUpdate(uint32_t step) {
    RaceSessionState& s = ThisRace();
    s.msSinceDraw += step;
    if (s.network) {
        if (SessionGetLocalPlayer() == 0) {
            RequestQuit(3);
            return;
        }
        DropLeftPlayers();
    }
    FollowCameraTarget(s);
    EndIntroWhenCameraFollows(s);
    // The racers and the camera read the phase through the race context; the intro's own marker
    // (the camera moves it on from 1) stays with the camera.
    if (RacePhase() != kPhaseIntro) RaceContext().racePhase = static_cast<int32_t>(RacePhase());
    WorldUpdate(step);

    s.particleTime += static_cast<int32_t>(step);
    if (s.particleTime > static_cast<int32_t>(kParticlePortionMs)) {
        if (s.particles) ParticlesUpdate(kParticlePortionMs);
        s.particleTime -= static_cast<int32_t>(kParticlePortionMs);
    }

    StepFinishing(step);
    UpdateBikeSounds(step);
    VoiceNewPhase(s);
    StepPhase(step);
    VoiceNewPhase(s);
    if (RacePhase() == kPhaseLeave) RequestQuit(3);

    const uint32_t phase = RacePhase();
    if (s.keys[kKeyMenu] && (phase == kPhaseRacing || (s.network && phase == kPhaseFirstFinished))) {
        s.keys[kKeyMenu] = 0;
        const int code = InGameMenu();
        if (code == 1 || code == 3) RequestQuit(code);
    }
    s.keys[kKeyMenu] = 0;
}

void RaceStepPostUpdate(uint32_t step) {
    // The intro camera has looked for a new press during this step: what is down now is old news
    // for the next one. (Latched before the camera looks, a press could never end the intro.)
    if (RacePhase() == kPhaseIntro) InputLatchState();
    for (RacerRecord* r : g_RaceRacers) {
        if (!r) continue;
        r->messageTime = r->messageTime > step ? r->messageTime - step : 0;
        RacerContactsWithWorld(r, kRacerContactSkip);
    }
}

}  // namespace kes
