// Feeds arbitrary bytes to the AI-track reader as one chunk, then indexes and queries the gates the
// way the race does.
#include <cstdint>
#include <vector>

#include "game/core/maths/FastMath.h"
#include "game/world/aitrack/AiTrack.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/race/RaceRacers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (kes::InitTrigTables(), true);
    (void)ready;
    kes::WorldBounds bounds;
    bounds.maxX = bounds.maxY = 1000;
    kes::MemoryPack pack(std::vector<uint8_t>(data, data + size));
    kes::ChunkStream s(pack, static_cast<uint32_t>(size));
    kes::ReadAiRouteChunk(s, static_cast<uint32_t>(size), bounds);
    kes::IndexAiWaypoints();
    for (int32_t w = 0; w <= kes::GetAiWaypointMax(); ++w) {
        for (int32_t l = 0; l < kes::GetAiLaneCount(w); ++l) {
            const kes::AiGate* g = kes::GetAiGate(w, l);
            for (const kes::AiGate* link : g->links) (void)link->waypoint;
        }
    }
    kes::Vec3 p, h;
    kes::GetStartPose(0, 8, &p, &h);
    kes::IsOnTrack(p.x, p.y);
    kes::IsOnTrack(-1e30f, 1e30f);
    uint32_t count = 0;
    kes::PlaceRandomTrackPoints(&count, 2, bounds);
    kes::FreeAiRoute();
    return 0;
}
