// Tricks of a bike: the request window, the start with its refusals, the balance game while a
// trick runs, the points of finished tricks and the landing score of the rotation turned in the air.
#include <cmath>

#include "game/core/maths/VecMath.h"
#include "game/world/physics/BikeBody.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

constexpr int32_t kTrickWindowSteps = 30;
constexpr int32_t kScoreDelaySteps = 30;
constexpr int32_t kAirSample = 20;
constexpr int32_t kLandingHold = -50;
constexpr float kTurnPerRevolution = 0.45f;
constexpr float kMinAwardTurn = 1.25f;
constexpr uint32_t kMessageMs = 2000;

}  // namespace

void BikeBody::RequestTrick(uint32_t trick) {
    trickRequest = trick;
    const bool riderFree = riderAnim == nullptr || riderAnim->AnimValuesClear();
    if (trick != 0 && riderFree && trickWindow == 0) trickWindow = kTrickWindowSteps;
}

uint32_t BikeBody::StartTrick() {
    const TrickInfo* info = GetTrickInfo(trickRequest);
    uint32_t animation = 0;
    uint32_t balanceMode = 1;
    trickUsesBalance = 1;
    trickKind = kTrickAnyTime;
    if (info != nullptr) {
        animation = info->animation;
        trickKind = info->kind;
        balanceMode = info->balanceMode;
        trickUsesBalance = info->usesBalance;
    }
    const bool wheelDown = contactBits != 0;
    const bool computer = controlClass == kClassComputer || controlClass == kClassInert;
    if (trickKind == kTrickAirOnly && wheelDown) {
        animation = 0;
    } else if (trickKind == kTrickNotSlowOnGround && wheelDown && speed < 50.0f) {
        animation = 0;
    } else if (trickUsesBalance && params.airAssist == 0 && !computer) {
        animation = 0;
    } else if (balanceMode == 2 && params.airAssist != 2) {
        animation = 0;
    }
    trickBalance.Start(balanceMode);
    return animation;
}

void BikeBody::UpdateTricks() {
    const auto animStopped = [this] { return riderAnim == nullptr || riderAnim->IsRiderAnimStopped(); };
    if (trickWindow > 0 && --trickWindow == 0) trickStart = 1;
    if (trickScoreDelay > 0) {
        if (trickScoreDelay == 1) trickPoints += trickUsesBalance ? trickBalance.score : 10.0f;
        --trickScoreDelay;
    }
    if (trickStart) {
        if (animStopped()) {
            trickAnim = StartTrick();
            if (riderAnim != nullptr) riderAnim->StartRiderAnim(trickAnim);
            if (trickAnim != 0 && env.events != nullptr) env.events->OnCheer();
        } else {
            trickAnim = 0;
        }
        trickStart = 0;
    }
    if (animStopped() && trickAnim != 0) {
        trickRequest = 0;
        if (riderAnim != nullptr) {
            riderAnim->StopRiderAnim();
            riderAnim->ClearAnimValues();
        }
        trickAnim = 0;
        if (riding) trickScoreDelay = kScoreDelaySteps;
    }
    if (animStopped() && trickRequest != 0 && trickWindow == 0 && trickScoreDelay == 0) trickRequest = 0;
    trickState[0] = trickAnim;
    trickState[1] = trickRequest;
}

void BikeBody::UpdateTrickBalance() {
    if (controlClass != kClassLocal || !riding || trickAnim == 0) return;
    // Once lost, the balance stays lost: a later round of the game never puts the rider back on.
    if (trickUsesBalance && !trickBalance.Update()) riding = 0;
    const bool wheelDown = contactBits != 0;
    const float animProgress = riderAnim != nullptr ? riderAnim->AnimProgress() : 0.0f;
    const bool slowOnGround = trickKind == kTrickNotSlowOnGround && wheelDown && animProgress > 0.2f &&
                              animProgress < 0.8f && speed < 50.0f;
    const bool airTrickDown = trickKind == kTrickAirOnly && wheelDown;
    if (riding && (slowOnGround || airTrickDown)) {
        // Landing in the middle of an air trick shakes the balance three times as fast.
        if (!trickBalance.Update()) riding = 0;
        if (!trickBalance.Update()) riding = 0;
    }
}

void BikeBody::UpdateLandingScore() {
    if (controlClass != kClassLocal && controlClass != kClassReplay) return;
    const float f = params.landingAssist != 0 ? 0.5f : 1.0f;
    if (!riding) {
        airCounter = 0;
        trickPoints = 0.0f;
        airTurn = 0.0f;
        trickMessage = TrickMessage();
        return;
    }
    const bool wheelDown = contactBits != 0;
    const Vec3 axes[3] = {side, forward, up};
    if (!wheelDown && lastContactBits != 0) {
        airCounter = kAirSample;
        for (int i = 0; i < 3; ++i) savedAxes[i] = axes[i];
        if (airTurn == 0.0f) airTurn = 1.0f;
    }
    if (airCounter > 0) {
        if (--airCounter == 1) {
            airCounter = kAirSample;
            for (int i = 0; i < 3; ++i) {
                // The table square root can leave the dot product of two opposite unit axes just
                // outside -1..1, where acos has no value.
                float d = Vec3Dot(&savedAxes[i], &axes[i]);
                d = d > 1.0f ? 1.0f : (d < -1.0f ? -1.0f : d);
                airTurn += std::acos(d) / 6.2831855f * kTurnPerRevolution;
                savedAxes[i] = axes[i];
            }
        }
        if (wheelDown) {
            if (airTurn < kMinAwardTurn) airTurn = 1.0f;
            airCounter = kLandingHold;
        }
    } else if (airCounter < 0) {
        if (++airCounter >= -1) {
            airCounter = 0;
            if (airTurn < kMinAwardTurn) airTurn = 0.0f;
        }
    }

    if (wheelDown && trickAnim == 0 && airCounter == 0 && (airTurn != 0.0f || trickPoints != 0.0f)) {
        trickMessage.timerMs = kMessageMs;
        if (trickPoints == 0.0f) {
            trickMessage.points = 50;
            trickMessage.multiplier = airTurn;
            trickMessage.total = plat::FloatToInt(airTurn * 50.0f);
        } else if (airTurn == 0.0f) {
            trickMessage.points = plat::FloatToInt(f * trickPoints);
            trickMessage.multiplier = 1.0f;
            trickMessage.total = trickMessage.points;
        } else {
            trickMessage.points = plat::FloatToInt(f * trickPoints);
            trickMessage.multiplier = airTurn;
            trickMessage.total = plat::FloatToInt(f * trickPoints * airTurn);
        }
        airTurn = 0.0f;
        trickPoints = 0.0f;
        if (controlClass == kClassLocal) scoreTarget += static_cast<float>(trickMessage.total);
    } else if (airTurn >= kMinAwardTurn || trickAnim != 0 || trickPoints != 0.0f) {
        trickMessage.timerMs = kMessageMs;
        const float points = trickAnim != 0 ? f * trickBalance.score : f * trickPoints;
        trickMessage.points = plat::FloatToInt(points);
        trickMessage.multiplier = airTurn;
        trickMessage.total = airTurn != 0.0f ? plat::FloatToInt(points * airTurn) : plat::FloatToInt(points);
    }
}

}  // namespace kes
