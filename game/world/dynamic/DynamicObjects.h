#pragma once
// The "DYNO" chunk: placed objects brought to life. Each record turns one placed object (by id)
// into a scene object that travels along a path, rises and sinks (a lift), stands still and blocks,
// or waits as a bonus pickup that the local player's bike collects once; objects may also run a
// weighted random choice of their mesh's animations.
#include <cstdint>
#include <memory>
#include <vector>

#include "game/core/objects/Objects.h"
#include "game/core/render/RenderInterface.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/WorldView.h"
#include "game/world/objects/PlacedObjects.h"
#include "game/world/path/MotionPath.h"

namespace kes {

constexpr uint32_t kDynamicRecordV1 = 292, kDynamicRecordV2 = 312, kDynamicRecordV3 = 316;
constexpr uint32_t kRacerBikeTag = 0xBABE0000;

enum DynamicBehaviour : int32_t { kPathMover = 0, kLift = 1, kBlocker = 2, kPathMoverWithSound = 3, kBonus = 4 };

struct DynamicRecord {
    uint32_t objectId = 0;
    float paramA = 0, paramB = 0, paramC = 0, paramD = 0, paramE = 0, paramF = 0;
    float soundPlayLeft = 0, soundPauseLeft = 0;
    float animationRate = 0;
    int32_t mode = 0;
    int32_t amount = 0;
    int32_t animStart[16] = {}, animEnd[16] = {}, animWeight[16] = {};
    int32_t behaviour = 0;
    uint32_t hasPath = 0, followGround = 0, levelHeading = 0, hasSound = 0;
    float soundMinDistance = 0, soundMaxDistance = 0, soundLevel = 0;
    std::unique_ptr<Path> path;
    std::vector<float> pointRoll;  // one per path point
};

struct DynamicObject {
    DynamicRecord* record = nullptr;
    PlacedObjectRecord instance;
    float radius = 0;
    bool animated = false;
    float frame = 0;
    int32_t animation = -1;
    int32_t weightTotal = 0;
    std::vector<Vec3> keptCentres;       // collision spheres, scaled, not yet turned
    std::vector<ObjectSphere> spheres;   // the scene object's spheres
    Path working;                        // the path as travelled (its points may be jittered)
    Matrix4 matrix{};
    SectorObject* object = nullptr;
    void* voice = nullptr;  // the type's sound, through the voice hooks
};

// The object types' sounds, which the sound manager fills in: the voice of a type's second sound
// name, and what a dynamic object does with it. Without them dynamic objects are silent.
struct ObjectVoiceHooks {
    void* (*typeVoice)(uint32_t type) = nullptr;
    void (*setVolume)(void* voice, int32_t hundredthsOfDecibel) = nullptr;
    void (*setDistances)(void* voice, float nearest, float farthest) = nullptr;
    void (*setPosition)(void* voice, Vec3 at) = nullptr;
    // restart: stopped and rewound first.
    void (*play)(void* voice, bool loop, bool restart) = nullptr;
    uint32_t (*sampleFrames)(void* voice) = nullptr;
};
ObjectVoiceHooks& DynamicVoiceHooks();

// What a pickup needs from the rest of the game. The profile record, the racers and the replay and
// network layers fill these in; until then a pickup finds no profile and stays.
struct PickupHooks {
    bool (*profilePresent)() = nullptr;
    uint32_t (*profileKey)(uint32_t key) = nullptr;
    void (*setProfileKey)(uint32_t key, uint32_t value) = nullptr;
    float (*profileStat)(uint32_t stat) = nullptr;
    void (*setProfileStat)(uint32_t stat, float value) = nullptr;
    // True for the racer object of a bike driven by the local player.
    bool (*isLocalPlayer)(const SectorObject* racer) = nullptr;
    // The racer's message text, shown for 10000 ms.
    void (*showMessage)(const SectorObject* racer, const char* text) = nullptr;
    // A replay, a demo or a network game: pickups are switched off.
    bool (*pickupsOff)() = nullptr;
    // The pickup sound ("beh5.wav") at the point.
    void (*playPickupSound)(Vec3 at) = nullptr;
};
PickupHooks& DynamicPickupHooks();

// 0, or -1 for a damaged chunk (counts or paths beyond the chunk): the world then has no dynamic
// objects.
int32_t LoadDynamicChunk(ChunkStream& stream, uint32_t size);
// After all chunks, before the placed objects are finished. Needs the scene-object pool; without
// it nothing is created. Records whose placed object is missing are left out.
void CreateDynamicObjects();
void FreeDynamicObjects();
// Draws every dynamic object but the lifts (whose placed object draws itself), with the placed
// objects' handle table current.
void DrawDynamicObjects(const WorldView& view, RenderInterface* render);

const std::vector<std::unique_ptr<DynamicRecord>>& DynamicRecords();
const std::vector<std::unique_ptr<DynamicObject>>& DynamicObjects();

// The random numbers of jitter and animation choice (0..32767), seeded for repeatable runs.
void SeedDynamicRandom(uint32_t seed);

// Row 1 = normalise(to - from), row 0 = normalise(row 1 x up), row 2 = normalise(row 0 x row 1).
Matrix4 MatrixLookAlong(Vec3 from, Vec3 to, Vec3 up);

}  // namespace kes
