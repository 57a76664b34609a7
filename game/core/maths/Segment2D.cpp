#include "game/core/maths/Segment2D.h"

#include <algorithm>

namespace kes {

namespace {

// True when the closed ranges [a1, a2] and [b1, b2] (in either order) have no point in common.
bool ExtentsApart(double a1, double a2, double b1, double b2) {
    return std::max(a1, a2) < std::min(b1, b2) || std::max(b1, b2) < std::min(a1, a2);
}

// Both values non-zero with the same sign: both points lie strictly on one side of the line.
bool SameSide(double r1, double r2) {
    return (r1 > 0.0 && r2 > 0.0) || (r1 < 0.0 && r2 < 0.0);
}

}  // namespace

int IntersectSegments2D(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                        float* outX, float* outY) {
    // Worked in double: products of floats are exact there, so the side tests of points lying on a
    // line come out as exactly 0 for the common axis-aligned and integer-valued cases.
    if (ExtentsApart(x1, x2, x3, x4) || ExtentsApart(y1, y2, y3, y4)) {
        return kSegmentsDisjoint;
    }

    // Line through p1, p2 as a1 x + b1 y + c1 = 0; the sign tells the side of a point.
    const double a1 = static_cast<double>(y2) - y1;
    const double b1 = static_cast<double>(x1) - x2;
    const double c1 = static_cast<double>(x2) * y1 - static_cast<double>(x1) * y2;
    if (SameSide(a1 * x3 + b1 * y3 + c1, a1 * x4 + b1 * y4 + c1)) {
        return kSegmentsDisjoint;
    }

    const double a2 = static_cast<double>(y4) - y3;
    const double b2 = static_cast<double>(x3) - x4;
    const double c2 = static_cast<double>(x4) * y3 - static_cast<double>(x3) * y4;
    if (SameSide(a2 * x1 + b2 * y1 + c2, a2 * x2 + b2 * y2 + c2)) {
        return kSegmentsDisjoint;
    }

    const double denominator = a1 * b2 - a2 * b1;
    if (denominator == 0.0) {
        return kSegmentsParallel;
    }
    // The exact crossing point. (Adding half the denominator before dividing would round an integer
    // result to the nearest whole number, but shifts a real-valued point by up to half a unit.)
    *outX = static_cast<float>((b1 * c2 - b2 * c1) / denominator);
    *outY = static_cast<float>((a2 * c1 - a1 * c2) / denominator);
    return kSegmentsCross;
}

}  // namespace kes
