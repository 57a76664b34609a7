#include "game/world/physics/TrickBalance.h"

#include <cmath>

#include "game/core/maths/VecMath.h"
#include "platform/sys/CrtRand.h"

namespace kes {

namespace {
int32_t g_kickCountdown = 0;
constexpr int32_t kKickPeriod = 20;
constexpr float kKickScale = 0.002f;
constexpr float kMinDrift = 0.003f;
constexpr float kMaxDrift = 0.008f;

float RandomSigned() {
    return 2.0f * (static_cast<float>(plat::SimRand()) / 32767.0f - 0.5f);
}
}  // namespace

int32_t& TrickBalanceKickCountdown() { return g_kickCountdown; }

void TrickBalance::Start(uint32_t newMode) {
    g_kickCountdown = 50;
    score = 0.0f;
    mode = newMode;
    drift.x = RandomSigned();
    drift.y = (mode == 2) ? RandomSigned() : 0.0f;
    drift.z = 0.0f;
    Vec3Normalize(&drift);
    Vec3Scale(&drift, &drift, 0.0001f);
    point = {0.0f, 0.0f, 0.0f};
}

int TrickBalance::Update() {
    if (--g_kickCountdown <= 0) {
        g_kickCountdown = kKickPeriod;
        Vec3 p = {-drift.y, drift.x, 0.0f};
        Vec3Normalize(&p);
        Vec3Scale(&p, &p, kKickScale * RandomSigned());
        Vec3Add(&drift, &p, &drift);
    }
    const float length = Vec3Length(&drift);
    if (length == 0.0f) {
        // A drift of zero has no direction to scale up along; start it along x.
        drift = {kMinDrift, 0.0f, 0.0f};
    } else if (length < kMinDrift) {
        Vec3Scale(&drift, &drift, kMinDrift / length);
    } else if (length > kMaxDrift) {
        Vec3Scale(&drift, &drift, kMaxDrift / length);
    }
    Vec3Add(&point, &drift, &point);
    const float e = (mode == 1) ? std::fabs(point.x) : Vec3Length(&point);
    if (e > 1.0f) {
        return 0;
    }
    const float k = 1.0f - e;
    score += (mode == 1 ? 1.0f : 3.0f) * k * k * k;
    return 1;
}

}  // namespace kes
