#pragma once
// The racers' view of the AI track and the combo recogniser: the gates a fallen bike is put back
// on, the arrows and the intro fly-over follow, and the trick buttons the local player presses.
#include <cstdint>

#include "game/core/maths/MathTypes.h"
#include "game/world/physics/BikeBody.h"

namespace kes {

struct AiGate;

// The gate of a waypoint's lane, or null (a gap in the numbering, no track).
const AiGate* RacerGate(int32_t waypoint, int32_t lane);
int32_t RacerGateLanes(int32_t waypoint);
int32_t RacerWaypointMax();
int32_t RacerGateCount();
// The gate's two end points.
Vec3 RacerGateEndA(const AiGate* gate);
Vec3 RacerGateEndB(const AiGate* gate);
Vec3 RacerGateReference(const AiGate* gate);
// The waypoint of the gate the first link of this waypoint's lane-0 gate leads to, or -1.
int32_t RacerNextWaypoint(int32_t waypoint);
// Sets up a computer bike's route at creation (current gate, lane, aim point).
void RacerInitRoute(BikeBody& bike, Vec3* startPosition);

// The combo recogniser.
int32_t RacerTrickMode();
void RacerSetTrickMode(int32_t table);
void RacerResetTrickInput();
int32_t RacerFeedTrickButtons(uint32_t mask);
void RacerRequestTrick(BikeBody& bike, uint32_t trick);

}  // namespace kes
