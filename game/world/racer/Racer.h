#pragma once
// Racers: one rider on one bike in a race or on a front-end page. A racer is a scene object whose
// update routine is its controller (local player, computer rider, inert, remote network rider,
// front-end display, replay). Every controller but the inert one runs the bike at a fixed rate of
// its own: elapsed ms x 1.1 gathered, one bike step per 5.0, snapshots of the particles before and
// after the frame's last step, and the drawn bike interpolated between them.
//
// What the racers need of the game around them (the race's settings, the network, the replay, the
// rider and bike models) comes through RaceContext() and RacerHooks(): the race session fills them
// in; tools and tests leave the parts they do not have empty.
#include <cstdint>

#include "game/core/maths/MathTypes.h"
#include "game/core/objects/Objects.h"
#include "game/world/physics/BikeBody.h"
#include "game/world/race/RaceRacers.h"

namespace kes {

class RenderInterface;
class RiderBody;
class ForceFeedback;
struct ViewRecord;

enum RacerKind : int32_t {
    kRacerLocal = 1,
    kRacerComputer = 2,
    kRacerInert = 3,
    kRacerRemote = 4,
    kRacerMenu = 5,
    kRacerReplay = 6,
};

constexpr uint32_t kRacerTag = 0xBABE0000;
constexpr uint32_t kPlayerInputWords = 24;
constexpr uint32_t kFallResetMs = 3000;

// The action words of one local player (1 while held), set by the input bindings of the player's
// key map; the local controller reads and clears some of them.
struct PlayerInput {
    uint32_t words[kPlayerInputWords] = {};
    ForceFeedback* feedback = nullptr;  // the player's force-feedback device, or null
};

enum PlayerAction : uint32_t {
    kActionThrottle = 4,
    kActionBrake = 5,
    kActionLeft = 6,
    kActionRight = 7,
    kActionUp = 8,
    kActionDown = 9,
    kActionSwapA = 10,
    kActionTrickA = 11,
    kActionTrickB = 12,
    kActionAirLeft = 15,
    kActionAirRight = 16,
    kActionToStart = 19,
    kActionToTrack = 20,
    kActionGiveUp = 21,
    kActionSwapB = 22,
};

// The creation descriptor.
struct RacerDesc {
    const char* name = nullptr;  // read only for remote racers
    int32_t kind = 0;
    int32_t bikeSkin = 0;
    int32_t riderSkin = 0;
    float startX = 0, startY = 0;
    Vec3 startHeading{0, 1, 0};
    uint32_t colour = 0xFFFFFFFF;
    int32_t slot = 0;
    int32_t netPlayer = 0;
    PlayerInput* input = nullptr;  // local racers only
    BikeParams params;
};

// The race around the racers.
struct RaceContextData {
    const GroundQuery* ground = nullptr;  // required before the first racer is created
    BikeEventSink* events = nullptr;      // the bike's sounds and laps; may be null
    int32_t gameMode = 0;                 // race option: 1 and 2 reset fallen riders after 3 s
    int32_t worldType = 0;                // second word of the world's list entry
    int32_t racePhase = 8;                // the race's phase word
    int32_t controlDevice = 0;            // the player's control device: 0, 1 digital; 2, 3 analog
    uint32_t* hudToggle = nullptr;        // the HUD's display toggle, cleared while a trick runs
    uint8_t menuResnap = 0;               // set by the front-end page to resnap its display bike
    const RacerRecord* followed = nullptr; // the racer the "Main Camera" follows
};
RaceContextData& RaceContext();

// What the racers ask of parts that live elsewhere; every entry may be null.
struct RacerHookTable {
    // The rider model: an instance per racer, its clock, the skeleton posed on the rider matrix
    // without drawing (node positions of the crashed rider's 13 particles), and drawing.
    void* (*createRider)(int32_t riderSkin) = nullptr;
    void (*freeRider)(void* rider) = nullptr;
    void (*advanceRiderClock)(SectorObject* object, uint32_t ms, RacerRecord* racer) = nullptr;
    // The animation the bike plays tricks through (without it each racer times its tricks itself).
    RiderAnimation* (*riderAnimation)(void* rider) = nullptr;
    bool (*riderNodes)(RacerRecord* racer, Vec3 out[13]) = nullptr;
    void (*updateRiderPose)(void* rider, const Matrix4& riderMatrix, RenderInterface* renderer) = nullptr;
    void (*drawRider)(RiderBody* body, void* rider, RenderInterface* renderer) = nullptr;
    // The bike model (eye: the viewer's position, which picks the meshes' detail).
    void (*drawBike)(BikeDrawBlock* block, RenderInterface* renderer, const char* label, const Vec3& eye) = nullptr;
    // Where the rider sits on the bike (the block's riderMatrix), without drawing; without it the
    // pose pass puts the rider above the bike's centre.
    void (*placeRider)(BikeDrawBlock* block) = nullptr;
    // The network: mode (0 = no network game), a send tick due, the clock and its tick period,
    // sending and taking a bike state (the taker returns the sender's clock stamp or 0).
    uint32_t (*netMode)() = nullptr;
    uint32_t (*netTickDue)() = nullptr;
    uint32_t (*netClock)() = nullptr;
    void (*netAdvanceClock)(uint32_t ms) = nullptr;
    uint32_t (*netTickPeriod)() = nullptr;
    void (*netSend)(int32_t netPlayer, const uint8_t* block, uint32_t size) = nullptr;
    uint32_t (*netTake)(int32_t netPlayer, uint8_t* block, uint32_t size) = nullptr;
    // The replay: playing, recording a step, playing a step back.
    bool (*replayPlaying)() = nullptr;
    void (*replayRecord)(RacerRecord* racer) = nullptr;
    void (*replayPlay)(RacerRecord* racer) = nullptr;
    // The racer's bike jumped across the landscape's wrap by (dx, dy): the camera following it
    // moves along.
    void (*wrapShift)(RacerRecord* racer, float dx, float dy) = nullptr;
    // Before every bike step, while the step's control bytes are still set: the racer's sounds and
    // particles.
    void (*beforeBikeStep)(RacerRecord* racer) = nullptr;
    // Textures of the skins, asked for at creation so that they exist before the first frame.
    void (*touchSkins)(int32_t bikeSkin, int32_t riderSkin) = nullptr;
};
RacerHookTable& RacerHooks();

// The race camera's keys: latched words are set to 1 on a press and cleared by the camera; held
// words are 1 while the key is down.
struct RaceCameraKeys {
    uint32_t nextMode = 0;   // keypad 0, latched
    uint32_t yawLeft = 0;    // keypad 4
    uint32_t yawRight = 0;   // keypad 6
    uint32_t pitchUp = 0;    // keypad 8
    uint32_t pitchDown = 0;  // keypad 2
    uint32_t zoomIn = 0;     // keypad +
    uint32_t zoomOut = 0;    // keypad -
    uint32_t centre = 0;     // keypad 5, latched
    uint32_t freeOrbit = 0;  // keypad Enter, latched
};
RaceCameraKeys& RaceCamKeys();
// Adds or removes the nine keypad bindings of the race camera.
int32_t RegisterRacerBindings();
int32_t UnregisterRacerBindings();
// The scan code and binding flags of each key, in the order of RaceCameraKeys.
struct RaceCameraBinding {
    uint32_t code;
    uint32_t flags;
};
extern const RaceCameraBinding kRaceCameraBindings[9];

// Null for an unknown kind, when memory is short, or when the bike, its rider body, the scene object
// or (with rider models) the rider instance cannot be made.
RacerRecord* CreateRacer(const RacerDesc* desc);
int32_t DestroyRacer(RacerRecord* racer);

// The six controllers (scene-object update routines; user = the racer).
void ControlLocalRacer(SectorObject* object, uint32_t ms, void* racer);
void ControlComputerRacer(SectorObject* object, uint32_t ms, void* racer);
void ControlNone(SectorObject* object, uint32_t ms, void* racer);
void ControlRemoteRacer(SectorObject* object, uint32_t ms, void* racer);
void ControlReplayRacer(SectorObject* object, uint32_t ms, void* racer);
void ControlMenuRacer(SectorObject* object, uint32_t ms, void* racer);

// The racer's draw routine.
void RenderRacer(SectorObject* object, ViewRecord* view);

// The race's racer assets: the camera keys and the per-race models (node marker "BAJA\\ainode.JM5",
// direction arrow "dirarow\\arrow.JM5" scaled by 0.05). LoadRaceModels returns 0 or E_OUTOFMEMORY
// (0x8007000E) when a model cannot be made; the race runs without it.
int32_t LoadRacerAssets(RenderInterface* renderer);
int32_t FreeRacerAssets();
int32_t LoadRaceModels(RenderInterface* renderer);
int32_t FreeRaceModels();
bool RaceModelsLoaded();
// The followed racer's marks: the node marker in game mode 2, else an arrow over each lane of its
// current gate pointing at the next waypoint. Draws only what is loaded.
void DrawCourseMarks(const RacerRecord& racer, const ViewRecord& view);

// The racer's contacts with the world's placed objects and collision meshes, reported to its bike. The
// reach searched is that of its farthest solid sphere; skipFlags as for RacerWorldContacts.
void RacerContactsWithWorld(RacerRecord* racer, uint32_t skipFlags);

// Places the scene object on particle 0 of the current snapshot and the nine spheres around it.
void UpdateRacerSpheres(RacerRecord* racer);
// Puts a fallen bike back on the track (at the start pose before it has passed a gate).
void ResetBikeOntoTrack(RacerRecord* racer);
// Fills the 40-point course of game mode 2 with the points sunk 10.0 below the ground.
void SinkPointsBelowGround(const Vec3 points[40]);
const Vec3* SunkCoursePoints();

// The pose pass, which drawing needs and the simulation relies on (with or without a display): the
// bike's matrix from the drawn snapshot and the rider's placement on it.
void ComputeBikeFrame(RacerRecord* racer);
// The steering value of the rider's pose, -1..1 (its negation is the handlebar's part value).
float RiderSteerValue(const BikeBody& bike);
// The five part values of the drawing block from the drawn snapshot; forward is the bike's forward
// axis. Cosmetic only: nothing the bike body reads.
void SetBikePartValues(RacerRecord* racer, const Vec3& forward);

// The crash switch: turns the rider into the crashed-rider body when the bike stops being ridden,
// and back when it rides again.
void UpdateCrash(RacerRecord* racer);
// The crashed rider's scene-object routines.
void TickRiderBody(SectorObject* object, uint32_t ms, void* racer);
void RenderCrashedRider(SectorObject* object, ViewRecord* view);
int OnRiderContact(uint32_t event, ContactInfo* info, void* racer);
// Removes the crashed rider (its sounds, its object) and clears both flags.
void RemoveCrashedRider(RacerRecord* racer);

// The scheduler's pieces, shared by the controllers.
// Adds ms x 1.1 to the accumulator and returns the number of 5.0-unit steps it now holds.
uint32_t AccumulateSteps(RacerRecord* racer, uint32_t ms);
// The drawn snapshot between previous and current at the accumulator's fraction.
void InterpolateRacer(RacerRecord* racer);
// After a teleport: previous, one step, current (zeroAccumulator for the local and replay ones).
void ResnapRacer(RacerRecord* racer, bool zeroAccumulator);
// Moves all four particles by the landscape's wrap at the bike's centre; the shift applied.
Vec3 WrapRacer(RacerRecord* racer);
// Resets a fallen bike (game mode 2 or world type 2: at the start pose; else onto the track).
void ResetFallenRacer(RacerRecord* racer, bool toStart);

// The number of racers alive (tools and tests).
uint32_t LiveRacerCount();

}  // namespace kes
