#pragma once
// The bike's state as it travels: the 10-byte controls of one step and the 126-byte network state
// (particles, the crashed rider's particle 2, the steering and throttle values, the riding flag and
// the running trick), with the 144-byte block the network carries (state, controls, stamp).
#include <cstdint>

#include "game/world/physics/BikeBody.h"

namespace kes {

class RiderBody;

constexpr uint32_t kBikeControlsSize = 10;
constexpr uint32_t kNetBikeStateSize = 126;
constexpr uint32_t kNetBlockControls = 128;
constexpr uint32_t kNetBlockStamp = 140;
constexpr uint32_t kNetRiderPosition = 96;
constexpr uint32_t kNetRiderVelocity = 108;
// Positions and velocities from the wire beyond this size are damage.
constexpr float kNetMaxCoordinate = 1.0e6f;

// network: control byte 9 travels too (the replay form leaves it out).
void PackBikeControls(const BikeBody& bike, bool network, uint8_t out[kBikeControlsSize]);
void UnpackBikeControls(BikeBody& bike, const uint8_t in[kBikeControlsSize]);

// rider: the crashed rider's body while the rider is down, else null (its fields are written 0).
void NetPackBikeState(const BikeBody& bike, const RiderBody* rider, uint8_t out[kNetBikeStateSize]);
// Restores the particles, the springs' rest lengths from them, the values and the riding flag
// (returned in *riding). A state with a float that is not finite or beyond kNetMaxCoordinate (the
// crashed rider's fields included) is refused: the bike keeps its state and false is returned.
bool NetUnpackBikeState(BikeBody& bike, const uint8_t in[kNetBikeStateSize], uint8_t* riding);

float ReadBlockFloat(const uint8_t* at);
void WriteBlockFloat(uint8_t* at, float v);
Vec3 ReadBlockVec3(const uint8_t* at);

}  // namespace kes
