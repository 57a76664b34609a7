#pragma once
// Smooth curves through control points: uniform Catmull-Rom segments between consecutive points,
// with a knot per point so that the parameter 0..1 runs roughly with arc length. Open curves run
// from the second point to the last but one (the end points only shape the ends); closed curves
// run through every point and back to the first. Dynamic objects travel along paths, fences stand
// along open point lists.
#include <cstdint>
#include <vector>

#include "game/core/maths/MathTypes.h"

namespace kes {

class ChunkStream;

struct Path {
    std::vector<Vec3> points;
    std::vector<float> knots;  // one per point
    float length = 0.0f;       // total arc length, written by the knot rebuild
    uint32_t closed = 0;       // 0 open, else a closed loop

    int32_t Count() const { return static_cast<int32_t>(points.size()); }
};

// A fence's curve: always open.
using PointList = Path;

constexpr int32_t kMinPathPoints = 4;

// Point at local parameter u in [0, 1] between p[1] and p[2].
Vec3 CatmullRom(const Vec3 p[4], float u);

// Point at t (closed or open by the flag). False, and out untouched, below 4 points or when t lies
// beyond the last segment.
bool EvalPath(const Path& path, float t, Vec3* out);
// Total arc length over the segments (0 below 4 points).
float PathLength(const Path& path);
// Recomputes length and knots (open or closed by the flag). A total of 0 becomes 0.01.
void RebuildKnots(Path* path);
// The closed search whatever the flag: the segment index (count - 1 for the last) and its fraction.
// False below 4 points.
bool FindPathSegment(const Path& path, float t, int32_t* segment, float* fraction);
// t below 0 gains 1 and above 1 loses 1 (once each), then the open evaluation.
bool EvalPointList(const PointList& list, float t, Vec3* out);
// Inserts a point before index (clamped to the count) and rebuilds the open knots.
void InsertPathPoint(PointList* list, Vec3 point, int32_t index);
// The open knot rebuild whatever the flag.
void RebuildPathKnots(PointList* list);

// Stream forms: u32 (ignored), the head (count, two pointer words, length and, for a path, the
// closed word), count points and count knots. A count beyond the chunk, a short read or a point
// that is not finite refuses the curve (false). Knots that are not finite and rising are rebuilt.
// bytes (when given) receives the bytes taken: 24 + 16 x count for a path, 20 + 16 x count for a
// point list.
bool ReadPath(ChunkStream& stream, Path* out, uint32_t* bytes);
bool ReadPointList(ChunkStream& stream, PointList* out, uint32_t* bytes);

// The stream forms, appended little-endian (for the world writer).
void AppendPath(std::vector<uint8_t>& out, const Path& path);
void AppendPointList(std::vector<uint8_t>& out, const PointList& list);

}  // namespace kes
