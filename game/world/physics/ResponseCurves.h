#pragma once
// Response curves sampled at evenly spaced points over 0..1, and the five curves every bike shares.
#include <cstdint>

namespace kes {

class CurveTable {
public:
    CurveTable() = default;
    ~CurveTable();
    CurveTable(const CurveTable&) = delete;
    CurveTable& operator=(const CurveTable&) = delete;

    // Takes the values only while the curve is empty: the first caller's values stay for good.
    void SetPoints(int32_t count, const float* values);
    // Piecewise-linear value at x; x <= 0 (or NaN) gives the first point, x >= 1 the last.
    float Evaluate(float x) const;

    float* points = nullptr;
    float lastIndex = 0.0f;
    int32_t count = 0;
};

extern CurveTable TurnRateCurve;
extern CurveTable DriveCurveA;
extern CurveTable DriveCurveB;
extern CurveTable DriveCurveAltA;
extern CurveTable DriveCurveAltB;

// Fills the five shared curves with the bike's values (only the first call takes effect).
void FillBikeCurves();

}  // namespace kes
