#pragma once
// The world's AI track ("AITK" chunk): a chain of gates across the course, each a line segment from
// end point A to end point B with a reference point (its aim point), a radius and behaviour bytes,
// numbered by waypoint and linked to the gates that follow. Computer riders steer through it, lap
// counting watches the start/finish gate, racers line up on the start gate, and an optional 1-bit
// bitmap over the world box says which ground cells are track. The 40 random track points of the
// 40-point game mode are drawn here too.
//
// The data belongs to the loaded world: ReadAiRouteChunk fills it, IndexAiWaypoints runs after all
// chunks, FreeAiRoute empties it. Everything here runs on the game's one thread.
#include <cstdint>
#include <vector>

#include "game/core/maths/MathTypes.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/WorldTypes.h"

namespace kes {

constexpr uint32_t kAiTrackMarker = 1000;   // first word of the current layout
constexpr uint32_t kAiGateRecordSize = 56;  // stored bytes of one gate
constexpr int32_t kAiMaxWaypoints = 100;    // waypoint numbers 0..99
constexpr int32_t kAiMaxLanes = 5;          // gates per waypoint

// Aim-mode byte: 1 and 2 aim at the reference point; 2 (a tight turn) also narrows the steering
// tolerance.
constexpr uint8_t kAimReference = 1;
constexpr uint8_t kAimTightTurn = 2;

struct AiGate {
    Vec3 reference{0, 0, 0};   // the gate's own aim point
    Vec3 endA{0, 0, 0};
    Vec3 endB{0, 0, 0};
    float radius = 0;          // passing distance for computer riders (twice this for the others)
    float second = 0;          // the second stored parameter (the editor's right-side width)
    uint8_t waypoint = 0;      // 0..99 along the chain of first links from the start gate
    uint8_t aimMode = 0;
    uint8_t trickFlag = 0;     // computer riders may perform tricks in the air after this gate
    uint8_t speedLimit = 0;    // 0 = none (the bike's own top speed)
    // Links to the gates that follow, as stored (only indices below the gate count are kept) and as
    // gates of the same array.
    std::vector<uint32_t> linkIndices;
    std::vector<AiGate*> links;
};

// Reads the chunk (current layout when the first word is 1000, else the older one without a
// bitmap). A damaged chunk never reads or writes outside it or the gate array: a record size other
// than 56 is read up to 56 bytes and the rest skipped, links at or beyond the gate count are
// dropped, a start index at or beyond the gate count becomes 0, a gate count that cannot fit in the
// chunk leaves the world without gates, a chunk that ends inside a gate keeps the gates before it,
// and a bitmap whose size does not fit the chunk,
// or with a zero side or a flat world box, is left out (every point is then on the track).
// Returns 0, or -1 when the gate array cannot be allocated.
int32_t ReadAiRouteChunk(ChunkStream& stream, uint32_t size, const WorldBounds& bounds);

// Buckets the gates by waypoint number (after every chunk is read). A gate with a number above 99,
// a sixth gate of one waypoint, or another gate at the start gate's waypoint (where only the start
// gate counts laps) is left out of the index. The highest waypoint is the end of the
// numbering that runs without a gap from 0: gates after a missing number are never reached, so that
// every waypoint from 0 to GetAiWaypointMax has a gate in lane 0.
void IndexAiWaypoints();
// Highest waypoint number (0 without gates).
int32_t GetAiWaypointMax();
// Lanes at a waypoint (0 outside 0..99).
int32_t GetAiLaneCount(int32_t waypoint);
// The gate, or null for an empty lane or a waypoint outside 0..99.
const AiGate* GetAiGate(int32_t waypoint, int32_t lane);
int32_t GetAiGateCount();
// Gate by file order, or null.
const AiGate* GetAiGateByIndex(int32_t index);
// The start/finish gate, or null without gates.
const AiGate* GetStartGate();
int32_t GetStartGateIndex();

// Pose of racer i (0-based) of n on the start gate: d = B - A, heading = normalise(-d.y, d.x, 0),
// position = A + d x ((i + 1) / (n + 1.5)) + heading. Without gates: (500, 500, 100) facing +y.
void GetStartPose(int32_t i, int32_t n, Vec3* position, Vec3* heading);

// True where the bitmap marks the ground as track (points outside the world box count as the
// nearest edge cell); always true without a bitmap.
bool IsOnTrack(float x, float y);
bool AiTrackHasBitmap();

// Sets the count to 40; in game mode 2 draws the 40 track points (simulation generator) over the
// given ground box, each point drawn again until it lies on the track, and stores them as the race's
// track points. A bitmap with no track cell inside the box would make that endless: after 10000
// draws of one point it takes the reference point of a gate instead (or keeps the last draw when the
// world has no gates). Other modes leave the points as they are. z of a new point is 0.
void PlaceRandomTrackPoints(uint32_t* count, int32_t gameMode, const WorldBounds& landscapeBounds);

// Frees every gate, its links and the bitmap.
void FreeAiRoute();

}  // namespace kes
