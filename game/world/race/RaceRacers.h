#pragma once
// The racers of the current race: each racer's record (its scene object and spheres, its bike and
// rider bodies, the fixed-rate step scheduler's state, the network block, the lap bookkeeping), the
// race's table of them, and the race's track points. game/world/racer creates and drives racers.
#include <array>
#include <cstdint>

#include "game/core/maths/MathTypes.h"
#include "game/core/objects/Objects.h"
#include "game/world/physics/BikeBody.h"
#include "game/world/race/BikeDrawBlock.h"

namespace kes {

constexpr uint32_t kControlClassRemote = 2;  // remote and inert racers
constexpr uint32_t kMaxRaceRacers = 8;
constexpr uint32_t kMaxTrackPoints = 40;
constexpr uint32_t kLapSlots = 9;

class RiderBody;
class ForceFeedback;
struct PlayerInput;

constexpr uint32_t kRacerSphereCount = 9;
constexpr uint32_t kNetBlockSize = 144;
constexpr uint32_t kRacerNameSize = 64;

struct RacerRecord {
    // The racer as it races (see game/world/racer/Racer.h).
    SectorObject* object = nullptr;
    ObjectSphere spheres[kRacerSphereCount] = {};
    BikeBody* bike = nullptr;
    RiderBody* riderBody = nullptr;  // the crashed rider's body, owned with the bike
    void* rider = nullptr;           // the rider model's instance (null without rider models)
    TimedRiderAnimation* timedAnimation = nullptr;  // plays tricks for a rider without a model
    int32_t riderSkin = 0;
    BikeDrawBlock bikeModel;
    // The wheels' turn for drawing (radians) and where the wheels were when it was last added to.
    float wheelTurn[2] = {};     // front, rear
    Vec3 wheelAt[2] = {};
    uint8_t wheelsPlaced = 0;
    int32_t kind = 0;
    int32_t slot = 0;
    int32_t netPlayer = 0;
    uint8_t netBlock[kNetBlockSize] = {};
    float accumulator = 0.0f;  // step units (1/1.1 ms)
    float accumulatorSpare = 0.0f;
    Vec3 startPos{0, 0, 0};
    Vec3 startHeading{0, 1, 0};
    uint32_t laps = 0;
    uint32_t colour = 0;
    float progress = 0.0f;
    PlayerInput* input = nullptr;
    const char* name = nullptr;
    char nameBuf[kRacerNameSize] = {};
    // Particle snapshots before and after the frame's last step and the interpolation drawn.
    BikeSnapshot previous{}, current{}, drawn{};
    uint32_t fallTimer = 0;  // ms not riding
    int32_t startGate = 1;   // the bike's current gate at the start
    uint8_t crashed[2] = {}; // the crashed-rider flags
    SectorObject* crashedObject = nullptr;
    uint8_t receivedRiding = 1;  // riding flag as received from a replay or the network
    // What the replay switch keeps of the player's own bike.
    BikeParams savedParams;
    int32_t savedRiderSkin = 0;
    int32_t savedBikeSkin = 0;
    BikeEnvironment env;         // the bike's environment (its event sink belongs to the racer's owner)

    // Lap bookkeeping of the race and the network.
    uint32_t playerIndex = 0;  // network slot - 1
    uint32_t racerNumber = 0;  // stored as the race's best-lap holder
    uint32_t lapIndex = 0;     // 0-8: completed laps, also the lap being timed
    uint32_t bestLap = 0;      // ms, 0 none
    std::array<uint32_t, kLapSlots> lapTimes{};  // ms
    uint32_t raceTime = 0;     // ms
    uint32_t finishTime = 0;   // ms
    uint32_t points = 0;
    uint32_t controlClass = 0; // of the racer's controller; kControlClassRemote for remote racers

    // The race session's view of the racer.
    uint32_t place = 0;        // current place, 1 = leading
    uint32_t finishPlace = 0;  // 0 while racing
    uint32_t score = 0;        // points scored in a timed world
    uint32_t messageTime = 0;  // ms the HUD message stays up
    float mapX = 0.0f, mapY = 0.0f;  // 0..1 on the world's map
    uint8_t finished = 0;      // through the finish (or out of time): the computer rides it home
};

// The race's table of racers; null entries are empty.
extern std::array<RacerRecord*, kMaxRaceRacers> g_RaceRacers;

struct TrackPoint {
    float x = 0, y = 0, z = 0;
};

// Sets the race's track points (at most 40 are kept).
void SetTrackPoints(uint32_t count, const TrackPoint* points);
uint32_t GetTrackPointCount();
const TrackPoint* GetTrackPoints();

}  // namespace kes
