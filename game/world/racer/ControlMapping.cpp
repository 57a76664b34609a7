#include "game/world/racer/ControlMapping.h"

#include <cmath>

#include "game/core/forcefeedback/ForceFeedback.h"
#include "game/world/racer/Racer.h"
#include "game/world/racer/RacerTrack.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

ControlMappingState g_state;

bool OnGround(const BikeBody& bike) { return (bike.contactBits & 3u) != 0; }
bool WasOnGround(const BikeBody& bike) { return (bike.lastContactBits & 3u) != 0; }
bool Held(const PlayerInput& in, uint32_t action) { return in.words[action] != 0; }
bool ComboOpen(const BikeBody& bike) { return g_state.comboCountdown != 0 || bike.trickWindow != 0; }

uint8_t GiveUp(const PlayerInput& in, int32_t racePhase) {
    return (racePhase >= 8 && Held(in, kActionGiveUp)) ? 1 : 0;
}

void ClearControls(BikeBody& bike) {
    for (uint8_t& c : bike.controls) c = 0;
}

// Dead zone 0.2 rescaled to the full range; with both windows open only a plain 0.5 dead zone.
float DeadZone(float v, bool strict) {
    if (strict) return std::fabs(v) < 0.5f ? 0.0f : v;
    if (std::fabs(v) < 0.2f) return 0.0f;
    return v > 0.0f ? (v - 0.2f) / 0.8f : (v + 0.2f) / 0.8f;
}

float MoveToward(float level, float target, float step) {
    const float d = target - level;
    if (std::fabs(d) <= step) return target;
    return level + (d > 0.0f ? step : -step);
}

}  // namespace

ControlMappingState& ControlMapping() { return g_state; }
void ResetControlMapping() { g_state = ControlMappingState(); }

void UpdateDigitalLatch(const PlayerInput& in, const int32_t axes[3]) {
    if (g_state.latch) {
        for (int a = 0; a < 3; ++a) {
            if (std::abs(axes[a] - g_state.latchAxes[a]) > 500) g_state.latch = 0;
        }
    }
    if (Held(in, kActionLeft) || Held(in, kActionRight) || Held(in, kActionUp) || Held(in, kActionDown)) {
        g_state.latch = 1;
        for (int a = 0; a < 3; ++a) g_state.latchAxes[a] = axes[a];
    }
}

uint32_t DigitalControls(BikeBody& bike, const PlayerInput& in, int32_t controlDevice, const int32_t axes[3],
                         int32_t racePhase) {
    ClearControls(bike);
    for (uint32_t& m : bike.analogModes) m = 0;
    bike.analogLevels[0] = 1.0f;
    bike.analogLevels[1] = 1.0f;
    bike.analogLevels[2] = 0.0f;
    bool left = Held(in, kActionLeft), right = Held(in, kActionRight);
    bool up = Held(in, kActionUp), down = Held(in, kActionDown);
    if (controlDevice == 1) {
        left = left || axes[0] / 1000.0f < 0.0f;
        right = right || axes[0] / 1000.0f > 0.0f;
        up = up || axes[1] / 1000.0f < 0.0f;
        down = down || axes[1] / 1000.0f > 0.0f;
    }
    if (ComboOpen(bike)) {
        bike.controls[kControlBrake] = Held(in, kActionBrake) ? 1 : 0;
        bike.controls[kControlGiveUp] = GiveUp(in, racePhase);
        return (up ? 1u : 0u) + (down ? 2u : 0u) + (left ? 4u : 0u) + (right ? 8u : 0u);
    }
    if (OnGround(bike)) {
        if (Held(in, kActionSwapA)) bike.controls[kControlHop] = 1;
        if (left) bike.controls[kControlLeft] = 1;
        if (right) bike.controls[kControlRight] = 1;
    } else {
        const bool swapped = Held(in, kActionSwapA) != Held(in, kActionSwapB);
        const int steerLeft = swapped ? kControlLeft : kControlAirLeanLeft;
        const int steerRight = swapped ? kControlRight : kControlAirLeanRight;
        const int airLeft = swapped ? kControlAirLeanLeft : kControlLeft;
        const int airRight = swapped ? kControlAirLeanRight : kControlRight;
        if (left) bike.controls[steerLeft] = 1;
        if (right) bike.controls[steerRight] = 1;
        if (Held(in, kActionAirLeft)) bike.controls[airLeft] = 1;
        if (Held(in, kActionAirRight)) bike.controls[airRight] = 1;
    }
    if (up) bike.controls[kControlPitchForward] = 1;
    if (down) bike.controls[kControlPitchBack] = 1;
    if (Held(in, kActionThrottle)) bike.controls[kControlThrottle] = 1;
    if (Held(in, kActionBrake)) bike.controls[kControlBrake] = 1;
    bike.controls[kControlGiveUp] = GiveUp(in, racePhase);
    return 0;
}

uint32_t AnalogControls(BikeBody& bike, const PlayerInput& in, const int32_t axes[3], int32_t racePhase) {
    ClearControls(bike);
    float a = axes[0] / 1000.0f, b = axes[1] / 1000.0f, c = axes[2] / 1000.0f;
    const bool ground = OnGround(bike);
    if (!ground) {
        if (WasOnGround(bike)) {
            g_state.airRest[0] = a;
            g_state.airRest[1] = b;
            g_state.airRest[2] = c;
            g_state.stickMoved = 0;
        }
        if (std::fabs(a - g_state.airRest[0]) > 0.09f || std::fabs(b - g_state.airRest[1]) > 0.09f ||
            std::fabs(c - g_state.airRest[2]) > 0.09f)
            g_state.stickMoved = 1;
        if (!g_state.stickMoved) a = b = c = 0.0f;
    }
    const bool bothOpen = g_state.comboCountdown != 0 && bike.trickWindow != 0;
    a = DeadZone(a, bothOpen);
    b = DeadZone(b, bothOpen);
    c = DeadZone(c, bothOpen);
    a = a * std::fabs(a);
    b = b * std::fabs(b);
    c = c * std::fabs(c);
    const bool noAirAssist = bike.params.airAssist == 1;
    if (ComboOpen(bike)) {
        if (noAirAssist) bike.analogLevels[0] = bike.analogLevels[1] = bike.analogLevels[2] = 0.0f;
        return (b < 0.0f ? 1u : 0u) + (b > 0.0f ? 2u : 0u) + ((a < 0.0f || c < 0.0f) ? 4u : 0u) +
               ((a > 0.0f || c > 0.0f) ? 8u : 0u);
    }
    bike.analogModes[0] = 1;
    bike.analogModes[1] = 1;
    bike.analogModes[2] = 0;
    if (Held(in, kActionBrake)) bike.controls[kControlBrake] = 1;
    bike.controls[kControlGiveUp] = GiveUp(in, racePhase);
    if (Held(in, kActionThrottle)) bike.controls[kControlThrottle] = 1;
    if (Held(in, kActionSwapA)) bike.controls[kControlHop] = 1;
    if (b < 0.0f) bike.controls[kControlPitchForward] = 1;
    if (b > 0.0f) bike.controls[kControlPitchBack] = 1;
    if (!ground && Held(in, kActionSwapA) == Held(in, kActionSwapB)) {
        const float t = a;
        a = c;
        c = t;
    }
    if (a < 0.0f) bike.controls[kControlLeft] = 1;
    if (a > 0.0f) bike.controls[kControlRight] = 1;
    if (!ground && c < 0.0f) bike.controls[kControlAirLeanLeft] = 1;
    if (!ground && c > 0.0f) bike.controls[kControlAirLeanRight] = 1;
    if (!ground && bike.trickAnim != 0) {
        if (noAirAssist) bike.analogLevels[0] = bike.analogLevels[1] = bike.analogLevels[2] = 0.0f;
    } else if (!ground && !g_state.stickMoved) {
        bike.analogLevels[0] = bike.analogLevels[1] = bike.analogLevels[2] = 0.0f;
    } else {
        bike.analogLevels[0] = MoveToward(bike.analogLevels[0], a, 0.02f);
        bike.analogLevels[1] = MoveToward(bike.analogLevels[1], b, 0.02f);
        bike.analogLevels[2] = MoveToward(bike.analogLevels[2], c, 0.02f);
    }
    return 0;
}

void HandleTrickButtons(BikeBody& bike, const PlayerInput& in, uint32_t buttons) {
    const auto open = [](int32_t table) {
        RacerSetTrickMode(table);
        RacerResetTrickInput();
        g_state.comboCountdown = kComboWindowSteps;
    };
    if (Held(in, kActionTrickA)) {
        if (g_state.comboCountdown == 0) open(0);
        else if (RacerTrickMode() == 1) RacerSetTrickMode(2);
    }
    if (Held(in, kActionTrickB)) {
        if (g_state.comboCountdown == 0) open(1);
        else if (RacerTrickMode() == 0) RacerSetTrickMode(2);
    }
    if (g_state.comboCountdown == 0) return;
    --g_state.comboCountdown;
    const int32_t result = RacerFeedTrickButtons(buttons);
    if (result >= 1) {
        if (!g_state.trickLock) RacerRequestTrick(bike, static_cast<uint32_t>(result));
        g_state.comboFinished = 1;
    } else if (result == -2) {
        g_state.comboFinished = 1;
    }
}

void UpdateForceFeedback(BikeBody& bike, ForceFeedback& feedback, uint32_t frameMs) {
    const bool ground = OnGround(bike);
    if (ground && !WasOnGround(bike)) g_state.kickPending = 1;
    g_state.feedbackTimer += static_cast<int32_t>(frameMs);
    if (g_state.feedbackTimer <= 100) return;
    g_state.feedbackTimer -= 100;
    feedback.Update(100);
    if (g_state.kickPending) {
        g_state.kickPending = 0;
        // The wheels' impact: how fast they were meeting the ground.
        float impact = 0.0f;
        for (int w = 0; w < 2; ++w) {
            const Particle& p = bike.body.particles[w];
            impact += -(p.velocity.x * p.contactNormal.x + p.velocity.y * p.contactNormal.y +
                        p.velocity.z * p.contactNormal.z);
        }
        const float m = std::fmin(std::fabs(impact / 2.0f / 500.0f), 1.0f);
        feedback.StartShake(plat::FloatToInt(m * 1500.0f), 1.0f);
    } else if (ground && feedback.shakeRemaining == 0) {
        const Vec3& v = bike.meanVelocity;
        feedback.SetForce((v.x * bike.side.x + v.y * bike.side.y + v.z * bike.side.z) / 16.0,
                          (v.x * bike.forward.x + v.y * bike.forward.y + v.z * bike.forward.z) / 16.0);
    }
}

}  // namespace kes
