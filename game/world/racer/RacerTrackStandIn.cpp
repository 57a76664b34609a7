// Stands in for the AI track and the combo recogniser until they are in the tree: no gates, and
// every combo ends at once.
#include "game/world/racer/RacerTrack.h"

namespace kes {

const AiGate* RacerGate(int32_t, int32_t) { return nullptr; }
int32_t RacerGateLanes(int32_t) { return 0; }
int32_t RacerWaypointMax() { return 0; }
int32_t RacerGateCount() { return 0; }
Vec3 RacerGateEndA(const AiGate*) { return {0, 0, 0}; }
Vec3 RacerGateEndB(const AiGate*) { return {0, 0, 0}; }
int32_t RacerNextWaypoint(int32_t) { return -1; }

void RacerInitRoute(BikeBody&, Vec3*) {}

namespace {
int32_t g_mode = 0;
}
int32_t RacerTrickMode() { return g_mode; }
void RacerSetTrickMode(int32_t table) { g_mode = table; }
void RacerResetTrickInput() {}
int32_t RacerFeedTrickButtons(uint32_t) { return -2; }
void RacerRequestTrick(BikeBody& bike, uint32_t trick) { bike.trickRequest = trick; }

}  // namespace kes
