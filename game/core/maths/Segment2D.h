#pragma once
// Crossing of two segments in the plane.

namespace kes {

constexpr int kSegmentsDisjoint = 0;
constexpr int kSegmentsCross = 1;
constexpr int kSegmentsParallel = 2;  // both on one line (parallel lines apart are disjoint)

// Segment (x1, y1)-(x2, y2) against (x3, y3)-(x4, y4). Returns kSegmentsCross with the crossing point
// in *outX, *outY; kSegmentsDisjoint or kSegmentsParallel leave them untouched. Touching at an end
// counts as a crossing.
int IntersectSegments2D(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                        float* outX, float* outY);

}  // namespace kes
