#include "game/world/racer/RacerTrack.h"

#include "game/world/aitrack/AiTrack.h"
#include "game/world/tricks/Tricks.h"

namespace kes {

const AiGate* RacerGate(int32_t waypoint, int32_t lane) { return GetAiGate(waypoint, lane); }
int32_t RacerGateLanes(int32_t waypoint) { return GetAiLaneCount(waypoint); }
int32_t RacerWaypointMax() { return GetAiWaypointMax(); }
int32_t RacerGateCount() { return GetAiGateCount(); }
Vec3 RacerGateEndA(const AiGate* gate) { return gate ? gate->endA : Vec3{0, 0, 0}; }
Vec3 RacerGateEndB(const AiGate* gate) { return gate ? gate->endB : Vec3{0, 0, 0}; }
Vec3 RacerGateReference(const AiGate* gate) { return gate ? gate->reference : Vec3{0, 0, 0}; }

int32_t RacerNextWaypoint(int32_t waypoint) {
    const AiGate* g = GetAiGate(waypoint, 0);
    if (!g || g->links.empty() || !g->links[0]) return -1;
    return g->links[0]->waypoint;
}

void RacerInitRoute(BikeBody& bike, Vec3* startPosition) { bike.InitRoute(startPosition); }

int32_t RacerTrickMode() { return GetTrickMode(); }
void RacerSetTrickMode(int32_t table) { SetTrickMode(table); }
void RacerResetTrickInput() { ResetTrickInput(); }
int32_t RacerFeedTrickButtons(uint32_t mask) { return FeedTrickButtons(mask); }
void RacerRequestTrick(BikeBody& bike, uint32_t trick) { bike.RequestTrick(trick); }

}  // namespace kes
