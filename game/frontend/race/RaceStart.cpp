// Setting up a race: sounds, the loading screen, the countdown picture, the race's keys and frame
// callbacks, the HUD, particles, lens flare and replay buffer, the world and its lights, the camera,
// the racers on the start gate, the race clock and the music.
#include <algorithm>
#include <vector>

#include "game/app/loop/FrameLoop.h"
#include "game/core/audio/AudioSystem.h"
#include "game/core/camera/Camera.h"
#include "game/core/cdaudio/CdAudio.h"
#include "game/core/config/Config.h"
#include "game/core/image/BitmapCache.h"
#include "game/core/image/ImageRecord.h"
#include "game/frontend/hud/Hud.h"
#include "game/frontend/race/Race.h"
#include "game/frontend/race/RaceRules.h"
#include "game/frontend/race/RaceState.h"
#include "game/frontend/replay/Replay.h"
#include "game/net/NetGame.h"
#include "game/world/aitrack/AiTrack.h"
#include "game/world/file/WorldFile.h"
#include "game/world/ground/LandscapeGround.h"
#include "game/world/info/WorldTextures.h"
#include "game/world/lights/Lights.h"
#include "game/world/models/BikeModels.h"
#include "game/world/models/RiderModel.h"
#include "game/world/objects/PlacedObjects.h"
#include "game/world/particles/Particles.h"
#include "game/world/racecam/RaceCamera.h"
#include "game/world/racer/Racer.h"
#include "game/world/sky/LensFlare.h"
#include "game/world/sounds/RiderSounds.h"
#include "game/world/sounds/SoundEffects.h"
#include "platform/fs/Paths.h"
#include "platform/sys/CrtRand.h"

namespace kes {

// Undoes whatever RaceStart has set up so far (also RaceEnd's work).
void TearDownRace(ResultRow* results);

namespace {

constexpr uint32_t kReplayBytes = 1048576;
constexpr uint32_t kStartBestLapMs = 90570;
constexpr uint32_t kVoicePriority = 1000;
constexpr float kVoiceDistance = 1000000.0f;
constexpr uint32_t kLocalColour = 0xFFFF0000u, kOtherColour = 0xFFFFFFFFu;
constexpr int32_t kFullBar = 495;

// The replay screen's keys sound "replaybutton.wav" of the effect bank, from its start on every key.
void ReplayButtonAt(float x, float y, float z) {
    static const int32_t kButton = FindSoundEffect("replaybutton.wav");
    RestartSoundEffectAt(kButton, Vec3{x, y, z});
}

// The race's keys: scan code, latched (3) or held (7), and the request word; added in this order.
struct RaceKeyBinding {
    RaceKey key;
    uint32_t code;
    uint32_t flags;
};
constexpr uint32_t kLatched = kBindWord | kBindOnDown, kHeld = kBindWord | kBindOnDown | kBindOnUp;
const RaceKeyBinding kRaceBindings[kRaceKeys] = {
    {kKeyF9, 0x43, kHeld},         {kKeyF10, 0x44, kHeld},          {kKeyMenu, 0x01, kLatched},
    {kKeyNextRacer, 0x11, kLatched}, {kKeyPreviousRacer, 0x10, kLatched}, {kKeyOwnRacer, 0x12, kLatched},
};

void LoadCountdownTexture(RaceSessionState& s) {
    RenderInterface* r = s.renderer;
    ImageRecord* picture = LoadBitmapFromCache("numbers\\321go.bmp");
    if (!picture || !r) {
        FreeImage(picture);
        return;
    }
    uint32_t handle = 0;
    if (r->CreateTextureFromImage("Rusk321Stuff", picture, &handle, 0) != 0) handle = 0;
    if (handle)
        if (ImageRecord* alpha = LoadBitmapFromCache("numbers\\321go-a.bmp")) r->UpdateTexture(handle, alpha, 1);
    s.countdownTexture = handle;
}

void AddRaceBindings(RaceSessionState& s) {
    for (uint32_t i = 0; i < kRaceKeys; ++i) {
        const RaceKeyBinding& k = kRaceBindings[i];
        s.bindings[k.key] = InputBinding{k.flags, &s.keys[k.key], k.code, nullptr};
        InputAddBinding(&s.bindings[k.key]);
        if (k.key == kKeyF9) s.overlay[0] = 1;
        if (k.key == kKeyF10) s.overlay[1] = 1;
    }
    s.bindingsAdded = true;
}

void StartParticles(RaceSessionState& s) {
    const uint32_t budgets[3] = {128, 256, 512};
    const uint32_t word = g_Config.raceStartOption;
    s.particles = word < 3 && ParticlesInit(s.renderer, budgets[word]) == 0;
}

void AddWorldLights(RaceSessionState& s) {
    LightDesc ambient;
    ambient.type = kLightAmbient;
    ambient.position = {0, 0, 0};
    ambient.direction = {0, 0, 1.0f};
    ambient.red = ambient.green = ambient.blue = 255;
    ambient.intensity = 0.4f;
    ambient.innerRange = ambient.outerRange = 100.0f;
    ambient.name = "Ambient Light";
    if (const uint32_t c = WorldGetAmbientColour(); c != 0) {
        ambient.red = static_cast<float>((c >> 16) & 0xFF);
        ambient.green = static_cast<float>((c >> 8) & 0xFF);
        ambient.blue = static_cast<float>(c & 0xFF);
    }
    if (const float i = WorldGetAmbientIntensity(); i != 0.0f) ambient.intensity = i;
    if (AddLight(ambient, &s.ambient) != 0) s.ambient = nullptr;

    LightDesc sun;
    sun.type = kLightPoint;
    sun.position = {0, 0, 500.0f};
    sun.direction = {0, 0, -1.0f};
    sun.red = 255, sun.green = 200, sun.blue = 100;
    sun.intensity = 1.0f;
    sun.innerRange = sun.outerRange = 10000.0f;
    sun.name = "Sun";
    if (const uint32_t c = WorldGetSunColour(); c != 0) {
        sun.red = static_cast<float>((c >> 16) & 0xFF);
        sun.green = static_cast<float>((c >> 8) & 0xFF);
        sun.blue = static_cast<float>(c & 0xFF);
    }
    if (const float i = WorldGetSunIntensity(); i != 0.0f) sun.intensity = i;
    WorldGetSunPosition(&sun.position);
    if (AddLight(sun, &s.sun) != 0) s.sun = nullptr;
}

void CreateRaceCamera(RaceSessionState& s) {
    ResetRaceCamera();
    CreateCamera(&s.camera, "Main Camera", s.network ? UpdateRaceCamera : StartRaceCamera);
    if (s.network) RaceCamState().mode = 1;
    if (s.camera) SetActiveCamera(s.camera);
}

// Puts a racer on its start position and into the next free slot.
RacerRecord* PlaceRacer(RaceSessionState& s, RacerDesc* desc, uint32_t startSlot, uint32_t total) {
    Vec3 position, heading;
    GetStartPose(static_cast<int32_t>(startSlot), static_cast<int32_t>(total), &position, &heading);
    desc->startX = position.x;
    desc->startY = position.y;
    desc->startHeading = heading;
    uint32_t slot = 0;
    while (slot < kMaxRaceRacers && g_RaceRacers[slot]) ++slot;
    if (slot == kMaxRaceRacers) return nullptr;
    RaceContext().events = &s.lapSinks[slot];
    s.lapSinks[slot].slot = slot;
    RacerRecord* racer = CreateRacer(desc);
    RaceContext().events = nullptr;
    if (!racer) return nullptr;
    // Everybody waits behind the gate until "go".
    if (racer->bike) racer->bike->holdControls = 1;
    g_RaceRacers[slot] = racer;
    ++s.racerCount;
    return racer;
}

void CreateRacers(RaceSessionState& s, RacerDesc* descs, uint32_t players, uint32_t computers) {
    const uint32_t total = players + computers;
    for (uint32_t i = 0; i < kMaxRaceRacers; ++i) s.startSlots[i] = i;
    if (!s.network) ShuffleStartSlots(s.startSlots, total);

    std::vector<int32_t> bikeSkins, riderSkins;
    for (uint32_t i = 0; i < players; ++i) {
        RacerDesc& d = descs[i];
        const uint32_t startSlot = s.startSlots[static_cast<uint32_t>(d.slot) < kMaxRaceRacers ? d.slot : i];
        d.colour = d.kind == kRacerLocal ? kLocalColour : kOtherColour;
        uint32_t slot = 0;
        while (slot < kMaxRaceRacers && g_RaceRacers[slot]) ++slot;
        if (d.kind == kRacerLocal) s.localRacer = slot;
        if (PlaceRacer(s, &d, startSlot, total)) {
            bikeSkins.push_back(d.bikeSkin);
            riderSkins.push_back(d.riderSkin);
        }
    }
    if (computers == 0 || GetAiGateCount() <= 3 || players == 0) return;
    const uint32_t bikeSkinCount = TheBikeModels().skins ? TheBikeModels().skins->Count() : 0;
    const uint32_t riderSkinCount = TheRiderModel().skins ? TheRiderModel().skins->Count() : 0;
    for (uint32_t c = 0; c < computers; ++c) {
        RacerDesc d = descs[0];
        d.kind = kRacerComputer;
        d.colour = kOtherColour;
        d.input = nullptr;
        d.params.airAssist = 0;
        d.params.driveBlendFloor = std::max(d.params.driveBlendFloor, 0.2f);
        d.slot = static_cast<int32_t>(s.startSlots[std::min(s.racerCount, kMaxRaceRacers - 1)]);
        d.bikeSkin = DrawFreeSkin(bikeSkinCount, bikeSkins);
        d.riderSkin = DrawFreeSkin(riderSkinCount, riderSkins);
        if (PlaceRacer(s, &d, static_cast<uint32_t>(d.slot), total)) {
            bikeSkins.push_back(d.bikeSkin);
            riderSkins.push_back(d.riderSkin);
        }
    }
}

void LoadVoices(RaceSessionState& s) {
    AudioSystem* audio = TheAudioSystem();
    if (!audio) return;
    s.countVoice = audio->LoadSoundFromPack("ColSounds\\1-2-3.wav", kVoicePriority);
    s.startVoice = audio->LoadSoundFromPack("ColSounds\\Start.wav", kVoicePriority);
    for (SoundVoice* v : {s.countVoice, s.startVoice})
        if (v) v->SetDistances(kVoiceDistance, kVoiceDistance);
}

void PlayMusic() {
    const int n = CdTrackCount();
    // With a single track there is nothing from track 2 on to choose.
    if (n > 1) CdPlayTrack(2 + (((n - 1) * plat::CrtRand()) >> 15), 1);
}

}  // namespace

// Plays a countdown voice from where the camera is.
void PlayPhaseVoice(uint32_t phase) {
    RaceSessionState& s = ThisRace();
    SoundVoice* voice = phase >= kPhaseThree && phase <= kPhaseOne ? s.countVoice
                        : phase == kPhaseGo                       ? s.startVoice
                                                                  : nullptr;
    if (!voice) return;
    // The camera's eye, where the race camera last put it.
    if (s.camera) voice->SetPosition(&ChaseRig().eye);
    voice->Stop();
    voice->SetPlayPosition(0);
    voice->Play(0);
}

RaceSessionState& ThisRace() {
    static RaceSessionState state;
    return state;
}

void RaceLapSink::OnLap() {
    RacerRecord* racer = g_RaceRacers[slot];
    if (!racer) return;
    ++racer->laps;
    RecordLap(racer);
}

int32_t RaceStart(RenderInterface* renderer, const WorldRecord* world, RacerDesc* descs, uint32_t playerCount,
                  uint32_t computerCount) {
    if (ThisRace().active) TearDownRace(nullptr);
    RaceSessionState& s = ThisRace();
    s = RaceSessionState{};
    // More racers than slots cannot race; a race needs its world and descriptors.
    if (!world || (!descs && playerCount > 0)) return -1;
    playerCount = std::min(playerCount, kMaxRaceRacers);
    computerCount = std::min(computerCount, kMaxRaceRacers - playerCount);

    s.network = NetGetMode() != 0;
    s.host = NetGetMode() == 2;
    s.gameMode = g_Config.gameMode;
    s.worldKind = world->kind;
    s.laps = g_Config.raceOption2;
    s.timeLimitMinutes = g_Config.raceOption4;
    // The phase a race starts in, stored without telling anyone: the network hears of it at the end.
    SetRacePhase(s.network ? kPhaseWait : kPhaseIntro, 1);
    if (s.gameMode == 2 || s.worldKind == 2) computerCount = 0;
    s.world = world;
    s.renderer = renderer;
    s.active = true;
    s.msSinceDraw = 0;

    LoadSoundEffects();
    LoadImpactSounds();
    LoadLoadingScreens(s, world->identifier);
    DrawLoadingScreen(s, 0);
    LoadCountdownTexture(s);
    AddRaceBindings(s);
    SetFrameCallback1(RaceStepUpdate);
    SetFrameCallback2(RaceStepPostUpdate);
    SetFrameCallback3(RaceRenderWorld);
    SetFrameCallback4(RaceDrawOverlays);
    HudLoad(renderer);
    StartParticles(s);
    LensFlareLoad(renderer);
    ReplayAlloc(kReplayBytes);
    ReplayRewind();
    // The local rider records into the buffer through the racer hooks; demos carry the world's
    // identifier and are named after it, in the player's replay folder.
    InstallReplayHooks();
    if (s.network) InstallNetworkHooks();
    SetReplayButtonSound(ReplayButtonAt);
    ReplaySetWorld(world->identifier, world->name, plat::GameFolder() + "/Replay/");

    if (renderer) renderer->ReleaseDeviceTextures();
    WorldListEntry entry;
    entry.name = world->fileName;
    entry.packPath = world->path;
    entry.packOffset = world->offset;
    entry.size = world->offset ? static_cast<int32_t>(world->size) : -1;
    if (world->offset == 0) entry.name = world->path.empty() ? world->fileName : world->path;
    const int32_t loaded = WorldLoadEntry(entry, renderer, LoadProgress);
    if (loaded != 0) {
        // Nothing of the race may stay behind: the caller runs no race and no RaceEnd.
        FreeLoadingScreens(s);
        TearDownRace(nullptr);
        return loaded;
    }

    AddWorldLights(s);
    WorldObjectsPrelight();
    RaceContextData& race = RaceContext();
    race.ground = &WorldGround();
    race.gameMode = static_cast<int32_t>(s.gameMode);
    race.worldType = static_cast<int32_t>(s.worldKind);
    race.racePhase = s.network ? kPhaseWait : kPhaseIntro;
    CreateRaceCamera(s);
    CreateRacers(s, descs, playerCount, computerCount);
    LogRacerPlaces("starts");

    s.cameraTarget = static_cast<int32_t>(s.localRacer);
    SetRaceCameraTarget(g_RaceRacers[s.localRacer]);
    ResetRaceClock();
    SetRaceBestLap(kStartBestLapMs);
    for (RacerRecord* r : g_RaceRacers)
        if (r) ResetLapTimes(r);

    DrawLoadingScreen(s, kFullBar);
    FreeLoadingScreens(s);
    MovePhase(s.network ? kPhaseWait : kPhaseIntro);
    LoadVoices(s);
    PlayMusic();
    for (int twice = 0; twice < 2; ++twice) {
        TouchRiderMesh(TheRiderModel());
        TouchBikeMeshes(TheBikeModels());
    }
    return 0;
}

}  // namespace kes
