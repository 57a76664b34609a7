// Force-feedback effect and shakes.
#include "game/core/forcefeedback/ForceFeedback.h"

#include <cmath>

#include "game/core/maths/FastMath.h"
#include "platform/sys/CrtRand.h"
#include "platform/sys/Fpu.h"

namespace kes {

ForceFeedback::ForceFeedback() = default;

ForceFeedback::~ForceFeedback() {
    Release();
}

void ForceFeedback::Init(void*, void*, std::unique_ptr<ForceDevice> device) {
    device_ = device ? std::move(device) : OpenHapticDevice();
    found = device_ ? 1u : 0u;
    if (!device_) return;
    device_->SetGain(gain);
    SetEffect(-1.0, -1.0);
}

void ForceFeedback::Release() {
    device_.reset();
    found = 0;
}

void ForceFeedback::SetGain(float g) {
    gain = g * 10000.0f;
    if (device_) device_->SetGain(gain);
}

void ForceFeedback::SetEffect(double angle, double magnitude) {
    if (angle == -1.0 && magnitude == -1.0) {
        angle = plat::CrtRand() % 360;
        magnitude = shakeStrength;
    }
    if (!device_) return;
    // A constant force in the direction of the angle; SetForce steers it afterwards.
    const double radians = angle * 3.14159265358979 / 180.0;
    const int32_t level = static_cast<int32_t>(magnitude * 10000.0);
    device_->StartEffect(false, static_cast<int32_t>(std::lround(std::cos(radians) * 10000.0)),
                         static_cast<int32_t>(std::lround(std::sin(radians) * 10000.0)), level);
}

void ForceFeedback::SetForce(double x, double y) {
    lastForceX = x;
    lastForceY = y;
    if (!device_) return;
    const int32_t magnitude = plat::FloatToInt(FastSqrt(static_cast<float>(x * x + y * y)));
    device_->UpdateEffect(plat::FloatToInt(static_cast<float>(x)), plat::FloatToInt(static_cast<float>(y)),
                          magnitude > 10000 ? 10000 : magnitude);
}

void ForceFeedback::StartShake(int32_t lengthMs, float strength) {
    if (shakeRemaining > 0) return;
    shakeRemaining = lengthMs;
    shakeLength = lengthMs;
    shakeStrength = strength;
    shakeX = plat::CrtRand() > 16383 ? -strength : strength;
    shakeY = plat::CrtRand() > 16383 ? -strength : strength;
    joltDivisor = (6.0f - strength * 6.0f) + 2.0f;
}

void ForceFeedback::Update(int32_t stepMs) {
    if (shakeRemaining <= 0) return;
    if (nextJolt > 0) {
        nextJolt -= stepMs;
        shakeRemaining -= stepMs;
        if (shakeRemaining <= 0) shakeRemaining = 0;
        return;
    }
    float* axes[2] = {&shakeX, &shakeY};
    for (float* v : axes) {
        const float d = static_cast<float>(((2.0 * plat::CrtRand()) / 32767.0 - 1.0) / joltDivisor);
        *v += d;
        if (*v > 1.0f || *v < -1.0f) *v -= 2.0f * d;
    }
    // The shake direction lies in -1..1; the device's units are 0..10000, scaled by the strength, so
    // that a shake is felt.
    const double scale = 10000.0 * shakeStrength;
    SetForce(shakeX * scale, shakeY * scale);
    const int32_t spacing = shakeLength / 20 > 1 ? shakeLength / 20 : 1;
    nextJolt = plat::CrtRand() % spacing;
    shakeRemaining -= stepMs;
    if (shakeRemaining <= 0) shakeRemaining = 0;
}

}  // namespace kes
