#include "game/world/physics/ResponseCurves.h"

#include <cmath>
#include <new>

#include "platform/sys/Fpu.h"

namespace kes {

CurveTable TurnRateCurve;
CurveTable DriveCurveA;
CurveTable DriveCurveB;
CurveTable DriveCurveAltA;
CurveTable DriveCurveAltB;

CurveTable::~CurveTable() { delete[] points; }

void CurveTable::SetPoints(int32_t newCount, const float* values) {
    if (points != nullptr || newCount <= 0 || values == nullptr) {
        return;
    }
    points = new (std::nothrow) float[static_cast<size_t>(newCount)];
    if (points == nullptr) {
        return;
    }
    for (int32_t i = 0; i < newCount; ++i) {
        points[i] = values[i];
    }
    count = newCount;
    lastIndex = static_cast<float>(newCount - 1);
}

float CurveTable::Evaluate(float x) const {
    if (points == nullptr) {
        return 0.0f;
    }
    // NaN passes both range tests and would truncate to an index outside the table: it reads as
    // the start of the curve instead.
    if (!(x > 0.0f)) {
        return points[0];
    }
    if (x >= 1.0f) {
        return points[count - 1];
    }
    const float t = x * lastIndex;
    int i = plat::FloatToInt(t);
    if (i < 0) {
        i = 0;
    }
    if (i > count - 2) {
        i = count - 2;
    }
    if (i < 0) {
        return points[0];  // a one-point curve
    }
    const float f = t - static_cast<float>(i);
    return (1.0f - f) * points[i] + f * points[i + 1];
}

void FillBikeCurves() {
    static const float kTurnRate[11] = {0.0f, 1.8f, 1.7f, 1.5f, 1.3f, 1.1f, 0.9f, 0.7f, 0.6f, 0.5f, 0.3f};
    static const float kDriveA[11] = {100, 80, 80, 60, 60, 50, 50, 50, 50, 40, 30};
    static const float kDriveB[11] = {150, 150, 100, 80, 70, 70, 70, 70, 60, 60, 60};
    static const float kDriveAltA[11] = {100, 60, 45, 40, 25, 25, 15, 10, 0, 0, 0};
    static const float kDriveAltB[11] = {100, 80, 80, 60, 60, 50, 50, 50, 50, 40, 30};
    TurnRateCurve.SetPoints(11, kTurnRate);
    DriveCurveA.SetPoints(11, kDriveA);
    DriveCurveB.SetPoints(11, kDriveB);
    DriveCurveAltA.SetPoints(11, kDriveAltA);
    DriveCurveAltB.SetPoints(11, kDriveAltB);
}

}  // namespace kes
