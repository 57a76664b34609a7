#include "game/world/aitrack/AiTrack.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "game/core/maths/VecMath.h"
#include "platform/bytes/ByteIO.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

struct AiTrackState {
    std::vector<AiGate> gates;
    uint32_t start = 0;
    WorldBounds bounds;
    // The on-track bitmap: width x height bits, rows of rowBytes, row 0 at the world box's min y.
    std::vector<uint8_t> bitmap;
    uint32_t bitmapWidth = 0, bitmapHeight = 0, rowBytes = 0;
    float scaleX = 0, scaleY = 0;
    // Waypoint index.
    int32_t laneCount[kAiMaxWaypoints] = {};
    AiGate* lanes[kAiMaxWaypoints][kAiMaxLanes] = {};
    int32_t waypointMax = 0;
} g_ai;

Vec3 ReadVec3(const uint8_t* p) {
    return {plat::LoadF32(p), plat::LoadF32(p + 4), plat::LoadF32(p + 8)};
}

// One gate: the record size, up to 56 stored bytes (a longer record's rest is skipped, a shorter one
// leaves the missing fields 0), then the link indices. False when the chunk ends inside it.
bool ReadGate(ChunkStream& s, AiGate* gate) {
    const uint32_t recordSize = s.U32();
    if (!s.Ok()) return false;
    uint8_t record[kAiGateRecordSize] = {};
    const uint32_t stored = std::min(recordSize, kAiGateRecordSize);
    if (stored > s.Remaining() || !s.Bytes(record, stored)) return false;
    if (recordSize > kAiGateRecordSize && !s.Skip(recordSize - kAiGateRecordSize)) return false;
    gate->reference = ReadVec3(record);
    const uint32_t linkCount = plat::LoadU32(record + 12);
    // record + 16: a word that meant a pointer in the editor's memory; ignored.
    gate->endA = ReadVec3(record + 20);
    gate->endB = ReadVec3(record + 32);
    gate->radius = plat::LoadF32(record + 44);
    gate->second = plat::LoadF32(record + 48);
    gate->waypoint = record[52];
    gate->aimMode = record[53];
    gate->trickFlag = record[54];
    gate->speedLimit = record[55];
    if (linkCount > s.Remaining() / 4) return false;
    gate->linkIndices.resize(linkCount);
    for (uint32_t& link : gate->linkIndices) link = s.U32();
    return s.Ok();
}

// Keeps the links that name a gate of the array and points them at it.
void LinkGates() {
    const size_t count = g_ai.gates.size();
    for (AiGate& gate : g_ai.gates) {
        auto bad = [count](uint32_t i) { return i >= count; };
        const size_t before = gate.linkIndices.size();
        gate.linkIndices.erase(std::remove_if(gate.linkIndices.begin(), gate.linkIndices.end(), bad),
                               gate.linkIndices.end());
        if (gate.linkIndices.size() != before)
            std::fprintf(stderr, "AI track: %zu links past the last gate dropped\n", before - gate.linkIndices.size());
        gate.links.clear();
        for (uint32_t i : gate.linkIndices) gate.links.push_back(&g_ai.gates[i]);
    }
}

// The optional bitmap of the current layout. A size that does not fit the chunk is refused; a zero
// side or a world box without extent would divide by zero, so such a bitmap is skipped.
void ReadBitmap(ChunkStream& s) {
    const uint32_t hasBitmap = s.U32();
    if (!s.Ok() || hasBitmap == 0) return;
    const uint32_t width = s.U32();
    const uint32_t height = s.U32();
    if (!s.Ok()) return;
    const uint64_t rowBytes = (static_cast<uint64_t>(width) + 7) / 8;
    const uint64_t bytes = rowBytes * height;
    if (bytes > s.Remaining()) {
        std::fprintf(stderr, "AI track: bitmap of %u x %u does not fit its chunk\n", width, height);
        return;
    }
    const float spanX = g_ai.bounds.maxX - g_ai.bounds.minX;
    const float spanY = g_ai.bounds.maxY - g_ai.bounds.minY;
    if (width == 0 || height == 0 || !(spanX > 0.0f) || !(spanY > 0.0f)) {
        s.Skip(bytes);
        return;
    }
    std::vector<uint8_t> bits(static_cast<size_t>(bytes));
    if (!s.Bytes(bits.data(), bits.size())) return;
    g_ai.bitmap = std::move(bits);
    g_ai.bitmapWidth = width;
    g_ai.bitmapHeight = height;
    g_ai.rowBytes = static_cast<uint32_t>(rowBytes);
    g_ai.scaleX = static_cast<float>(width) / spanX;
    g_ai.scaleY = static_cast<float>(height) / spanY;
}

}  // namespace

int32_t ReadAiRouteChunk(ChunkStream& s, uint32_t, const WorldBounds& bounds) {
    FreeAiRoute();
    g_ai.bounds = bounds;
    const uint32_t first = s.U32();
    if (!s.Ok()) return 0;
    const bool current = first == kAiTrackMarker;
    const uint32_t count = current ? s.U32() : first;
    uint32_t start = s.U32();
    if (!s.Ok()) return 0;
    // Each gate takes at least its record-size word: a larger count cannot be in the chunk, and the
    // bytes after it would be read as gates.
    const uint64_t fits = s.Remaining() / 4;
    if (count > fits) {
        std::fprintf(stderr, "AI track: %u gates claimed, room for at most %llu; no gates read\n", count,
                     static_cast<unsigned long long>(fits));
        return 0;
    }
    const uint32_t room = count;
    try {
        g_ai.gates.resize(room);
    } catch (const std::bad_alloc&) {
        g_ai.gates.clear();
        return -1;
    }
    uint32_t read = 0;
    while (read < room && ReadGate(s, &g_ai.gates[read])) ++read;
    if (read < room) {
        std::fprintf(stderr, "AI track: chunk ends inside gate %u\n", read);
        g_ai.gates.resize(read);
    }
    g_ai.start = start < g_ai.gates.size() ? start : 0;
    LinkGates();
    if (current && read == room) ReadBitmap(s);
    return 0;
}

void IndexAiWaypoints() {
    std::fill(std::begin(g_ai.laneCount), std::end(g_ai.laneCount), 0);
    for (auto& row : g_ai.lanes) std::fill(std::begin(row), std::end(row), nullptr);
    g_ai.waypointMax = 0;
    int32_t highest = -1;
    // The start gate is the only gate of its waypoint: a lap is counted only there, so a rider that
    // chose another lane of it would go round without laps. (The editor gives the number 0 to the
    // start node and to every node off the main path alike.)
    const AiGate* start = GetStartGate();
    for (AiGate& gate : g_ai.gates) {
        const int32_t w = gate.waypoint;
        if (start != nullptr && &gate != start && w == start->waypoint) {
            std::fprintf(stderr, "AI track: gate off the route at the start gate's waypoint %d left out\n", w);
            continue;
        }
        if (w >= kAiMaxWaypoints || g_ai.laneCount[w] >= kAiMaxLanes) {
            std::fprintf(stderr, "AI track: gate of waypoint %d left out of the index\n", w);
            continue;
        }
        g_ai.lanes[w][g_ai.laneCount[w]++] = &gate;
        highest = std::max(highest, w);
    }
    // A waypoint number without a gate would leave the riders aiming at nothing: the route ends
    // before the first gap.
    int32_t end = highest;
    for (int32_t w = 0; w <= highest; ++w) {
        if (g_ai.laneCount[w] == 0) {
            std::fprintf(stderr, "AI track: no gate at waypoint %d; the route ends before it\n", w);
            end = w - 1;
            break;
        }
    }
    for (int32_t w = std::max(end + 1, 0); w < kAiMaxWaypoints; ++w) {
        g_ai.laneCount[w] = 0;
        std::fill(std::begin(g_ai.lanes[w]), std::end(g_ai.lanes[w]), nullptr);
    }
    g_ai.waypointMax = std::max(end, 0);
}

int32_t GetAiWaypointMax() { return g_ai.waypointMax; }

int32_t GetAiLaneCount(int32_t waypoint) {
    return waypoint >= 0 && waypoint < kAiMaxWaypoints ? g_ai.laneCount[waypoint] : 0;
}

const AiGate* GetAiGate(int32_t waypoint, int32_t lane) {
    if (waypoint < 0 || waypoint >= kAiMaxWaypoints || lane < 0 || lane >= g_ai.laneCount[waypoint]) return nullptr;
    return g_ai.lanes[waypoint][lane];
}

int32_t GetAiGateCount() { return static_cast<int32_t>(g_ai.gates.size()); }

const AiGate* GetAiGateByIndex(int32_t index) {
    return index >= 0 && index < GetAiGateCount() ? &g_ai.gates[static_cast<size_t>(index)] : nullptr;
}

const AiGate* GetStartGate() { return g_ai.gates.empty() ? nullptr : &g_ai.gates[g_ai.start]; }

int32_t GetStartGateIndex() { return static_cast<int32_t>(g_ai.start); }

void GetStartPose(int32_t i, int32_t n, Vec3* position, Vec3* heading) {
    const AiGate* gate = GetStartGate();
    if (gate == nullptr) {
        *position = {500.0f, 500.0f, 100.0f};
        *heading = {0.0f, 1.0f, 0.0f};
        return;
    }
    Vec3 d;
    Vec3Sub(&gate->endB, &gate->endA, &d);
    *heading = {-d.y, d.x, 0.0f};
    Vec3Normalize(heading);
    // A gate of no width across the ground has no direction: face +y rather than nowhere.
    if (heading->x == 0.0f && heading->y == 0.0f) *heading = {0.0f, 1.0f, 0.0f};
    const float f = static_cast<float>(i + 1) / (static_cast<float>(n) + 1.5f);
    Vec3 along;
    Vec3Scale(&d, &along, f);
    Vec3Add(&gate->endA, &along, position);
    Vec3Add(position, heading, position);
}

bool AiTrackHasBitmap() { return !g_ai.bitmap.empty(); }

bool IsOnTrack(float x, float y) {
    if (g_ai.bitmap.empty()) return true;
    const int32_t w = static_cast<int32_t>(g_ai.bitmapWidth), h = static_cast<int32_t>(g_ai.bitmapHeight);
    const int32_t column = std::clamp(plat::FloatToInt((x - g_ai.bounds.minX) * g_ai.scaleX), 0, w - 1);
    const int32_t row = std::clamp(plat::FloatToInt((y - g_ai.bounds.minY) * g_ai.scaleY), 0, h - 1);
    const uint8_t byte = g_ai.bitmap[static_cast<size_t>(row) * g_ai.rowBytes + static_cast<size_t>(column / 8)];
    return (byte >> (column % 8)) & 1u;
}

void FreeAiRoute() {
    g_ai.gates.clear();
    g_ai.gates.shrink_to_fit();
    g_ai.start = 0;
    g_ai.bitmap.clear();
    g_ai.bitmap.shrink_to_fit();
    g_ai.bitmapWidth = g_ai.bitmapHeight = g_ai.rowBytes = 0;
    g_ai.scaleX = g_ai.scaleY = 0.0f;
    std::fill(std::begin(g_ai.laneCount), std::end(g_ai.laneCount), 0);
    for (auto& row : g_ai.lanes) std::fill(std::begin(row), std::end(row), nullptr);
    g_ai.waypointMax = 0;
}

}  // namespace kes
