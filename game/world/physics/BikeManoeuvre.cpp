// Computer steering: throttle and brake from the gate's speed limit, steering toward the aim, tricks
// on trick gates and the turn toward the aim in the air.
#include <cmath>

#include "game/world/aitrack/AiTrack.h"
#include "game/world/physics/BikeBody.h"
#include "platform/sys/CrtRand.h"

namespace kes {

namespace {

constexpr float kDegToRad = 0.017453292f;
constexpr float kMaxAirTurnDeg = 0.5f;
constexpr float kSteerStep = 0.3f;

float MoveToward(float v, float target, float step) {
    if (v < target - step) return v + step;
    if (v > target + step) return v - step;
    return target;
}

}  // namespace

void BikeBody::ChooseManoeuvre() {
    if (!hasRoute) return;
    const bool computer = controlClass == kClassComputer || controlClass == kClassInert;
    float tolerance = 20.0f;
    // The speed limit is kept in one byte, as the gate stores it.
    int32_t speedLimit = static_cast<uint8_t>(static_cast<int32_t>(topSpeed));
    bool trickGate = false;
    if (computer && env.gameMode != 2) {
        const AiGate* gate = GetAiGate(currentGate, lane);
        if (gate == nullptr) gate = GetAiGate(currentGate, 0);
        if (gate != nullptr) {
            if (gate->aimMode == kAimReference || gate->aimMode == kAimTightTurn) aimPoint = gate->reference;
            if (gate->aimMode == kAimTightTurn) tolerance = 5.0f;
            if (gate->speedLimit != 0) speedLimit = gate->speedLimit;
            trickGate = gate->trickFlag != 0;
        }
    } else if (env.gameMode == 2) {
        speedLimit = 255;
    }

    if (contactBits == 0) {
        if (trickGate) {
            if (plat::SimRand() % 200 == 0 && trickWindow == 0) {
                RequestTrick(1 + static_cast<uint32_t>(plat::SimRand() % 24));
            }
        } else if (computer || (env.worldKind != 2 && onRoute) || env.gameMode == 2) {
            // Turn toward the aim about the vertical, at most half a degree per step (a positive
            // aim angle lies clockwise, a negative turn about the vertical).
            float turn = aimAngle;
            if (turn > kMaxAirTurnDeg) turn = kMaxAirTurnDeg;
            if (turn < -kMaxAirTurnDeg) turn = -kMaxAirTurnDeg;
            RotateAbout(worldUp, -turn * kDegToRad);
            if (aimAngle > 0.0f) controls[kControlRight] = 1;
            if (aimAngle < 0.0f) controls[kControlLeft] = 1;
        }
        SteerInAir();
        return;
    }

    topSpeedNow = std::fmin(static_cast<float>(speedLimit), topSpeed);
    if (speed < topSpeedNow) controls[kControlThrottle] = 1;
    if (speed > topSpeedNow + 10.0f) controls[kControlBrake] = 1;

    // A positive steering angle steers left; the aim angle is positive to the right.
    if (std::fabs(aimAngle) <= tolerance) {
        if (aimAngle != 0.0f) {
            steerAngle = MoveToward(steerAngle, aimAngle / tolerance * -30.0f, kSteerStep);
            controls[aimAngle < 0.0f ? kControlLeft : kControlRight] = 1;
        }
    } else if (aimAngle < 0.0f) {
        controls[kControlLeft] = 1;
        steerAngle = MoveToward(steerAngle, 30.0f, kSteerStep);
        if (leanAngle >= 0.0f) controls[kControlBrake] = 1;
    } else {
        controls[kControlRight] = 1;
        steerAngle = MoveToward(steerAngle, -30.0f, kSteerStep);
        if (leanAngle <= 0.0f) controls[kControlBrake] = 1;
    }
}

}  // namespace kes
