#include "game/world/path/MotionPath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "game/world/chunk/ChunkStream.h"
#include "game/world/path/Vec3Ops.h"

namespace kes {

namespace {

// Arc length of one segment: five successive chords from its start point at u = 0.2 .. 1.0.
float SegmentLength(const Vec3 p[4]) {
    float sum = 0.0f;
    Vec3 last = p[1];
    for (int k = 1; k <= 5; ++k) {
        const Vec3 q = CatmullRom(p, 0.2f * static_cast<float>(k));
        sum += Length(q - last);
        last = q;
    }
    return sum;
}

void OpenControls(const Path& path, int32_t segment, Vec3 out[4]) {
    for (int k = 0; k < 4; ++k) out[k] = path.points[static_cast<size_t>(segment + k)];
}

void ClosedControls(const Path& path, int32_t segment, Vec3 out[4]) {
    const int32_t n = path.Count();
    for (int k = 0; k < 4; ++k) out[k] = path.points[static_cast<size_t>(((segment - 1 + k) % n + n) % n)];
}

// A zero span (coincident knots) gives the segment's start rather than 0 / 0.
float Fraction(float t, float from, float to) {
    const float span = to - from;
    return span != 0.0f ? (t - from) / span : 0.0f;
}

bool EvalOpen(const Path& path, float t, Vec3* out) {
    const int32_t n = path.Count();
    if (n < kMinPathPoints) return false;
    for (int32_t i = 0; i <= n - 4; ++i) {
        const float end = path.knots[static_cast<size_t>(i + 2)];
        if (end >= t) {
            Vec3 p[4];
            OpenControls(path, i, p);
            *out = CatmullRom(p, Fraction(t, path.knots[static_cast<size_t>(i + 1)], end));
            return true;
        }
    }
    return false;
}

bool EvalClosed(const Path& path, float t, Vec3* out) {
    int32_t segment;
    float u;
    if (!FindPathSegment(path, t, &segment, &u)) return false;
    Vec3 p[4];
    ClosedControls(path, segment, p);
    *out = CatmullRom(p, u);
    return true;
}

bool KnotsUsable(const Path& path) {
    if (path.knots.size() != path.points.size() || !std::isfinite(path.length)) return false;
    for (size_t i = 0; i < path.knots.size(); ++i) {
        if (!std::isfinite(path.knots[i])) return false;
        if (i > 0 && path.knots[i] < path.knots[i - 1]) return false;
    }
    return true;
}

bool ReadCurve(ChunkStream& s, Path* out, bool withClosed) {
    s.U32();
    const int32_t count = s.I32();
    s.U32();
    s.U32();
    const float length = s.F32();
    const uint32_t closed = withClosed ? s.U32() : 0;
    if (!s.Ok() || count < 0 || static_cast<uint64_t>(count) > s.Remaining() / 16) return false;
    Path p;
    p.closed = closed;
    p.length = length;
    p.points.resize(static_cast<size_t>(count));
    p.knots.resize(static_cast<size_t>(count));
    for (Vec3& v : p.points) {
        v.x = s.F32();
        v.y = s.F32();
        v.z = s.F32();
        if (!Finite(v)) return false;
    }
    for (float& k : p.knots) k = s.F32();
    if (!s.Ok()) return false;
    if (!KnotsUsable(p)) RebuildKnots(&p);
    *out = std::move(p);
    return true;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutF32(std::vector<uint8_t>& out, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    PutU32(out, v);
}

void AppendCurve(std::vector<uint8_t>& out, const Path& path, bool withClosed) {
    PutU32(out, 0);
    PutU32(out, static_cast<uint32_t>(path.points.size()));
    PutU32(out, 0);
    PutU32(out, 0);
    PutF32(out, path.length);
    if (withClosed) PutU32(out, path.closed);
    for (const Vec3& v : path.points) {
        PutF32(out, v.x);
        PutF32(out, v.y);
        PutF32(out, v.z);
    }
    for (size_t i = 0; i < path.points.size(); ++i) PutF32(out, i < path.knots.size() ? path.knots[i] : 0.0f);
}

}  // namespace

Vec3 CatmullRom(const Vec3 p[4], float u) {
    const float u2 = u * u, u3 = u2 * u;
    const float w0 = -0.5f * u3 + u2 - 0.5f * u;
    const float w1 = 1.5f * u3 - 2.5f * u2 + 1.0f;
    const float w2 = -1.5f * u3 + 2.0f * u2 + 0.5f * u;
    const float w3 = 0.5f * u3 - 0.5f * u2;
    return p[0] * w0 + p[1] * w1 + p[2] * w2 + p[3] * w3;
}

bool EvalPath(const Path& path, float t, Vec3* out) {
    return path.closed ? EvalClosed(path, t, out) : EvalOpen(path, t, out);
}

float PathLength(const Path& path) {
    const int32_t n = path.Count();
    if (n < kMinPathPoints) return 0.0f;
    float total = 0.0f;
    Vec3 p[4];
    if (path.closed) {
        for (int32_t i = 0; i < n; ++i) {
            ClosedControls(path, i, p);
            total += SegmentLength(p);
        }
    } else {
        for (int32_t i = 0; i <= n - 4; ++i) {
            OpenControls(path, i, p);
            total += SegmentLength(p);
        }
    }
    return total;
}

void RebuildKnots(Path* path) {
    const int32_t n = path->Count();
    path->knots.assign(path->points.size(), 0.0f);
    if (n < kMinPathPoints) {
        path->length = 0.0f;
        return;
    }
    float total = PathLength(*path);
    if (total == 0.0f) total = 0.01f;
    path->length = total;
    std::vector<float>& k = path->knots;
    Vec3 p[4];
    if (path->closed) {
        k[0] = 0.0f;
        for (int32_t i = 1; i < n; ++i) {
            ClosedControls(*path, i - 1, p);
            k[static_cast<size_t>(i)] = k[static_cast<size_t>(i - 1)] + SegmentLength(p) / total;
        }
    } else {
        for (int32_t i = 0; i <= n - 4; ++i) {
            OpenControls(*path, i, p);
            k[static_cast<size_t>(i + 2)] = k[static_cast<size_t>(i + 1)] + SegmentLength(p) / total;
        }
        k[0] = k[1] = 0.0f;
        k[static_cast<size_t>(n - 2)] = k[static_cast<size_t>(n - 1)] = 1.0f;
    }
}

bool FindPathSegment(const Path& path, float t, int32_t* segment, float* fraction) {
    const int32_t n = path.Count();
    if (n < kMinPathPoints || path.knots.size() != path.points.size()) return false;
    const std::vector<float>& k = path.knots;
    for (int32_t i = 0; i <= n - 2; ++i) {
        if (t <= k[static_cast<size_t>(i + 1)]) {
            *segment = i;
            *fraction = Fraction(t, k[static_cast<size_t>(i)], k[static_cast<size_t>(i + 1)]);
            return true;
        }
    }
    *segment = n - 1;
    *fraction = Fraction(t, k[static_cast<size_t>(n - 1)], 1.0f);
    return true;
}

bool EvalPointList(const PointList& list, float t, Vec3* out) {
    if (t < 0.0f) t += 1.0f;
    if (t > 1.0f) t -= 1.0f;
    return EvalOpen(list, t, out);
}

void InsertPathPoint(PointList* list, Vec3 point, int32_t index) {
    index = std::clamp(index, 0, list->Count());
    list->points.insert(list->points.begin() + index, point);
    RebuildPathKnots(list);
}

void RebuildPathKnots(PointList* list) {
    const uint32_t closed = list->closed;
    list->closed = 0;
    RebuildKnots(list);
    list->closed = closed;
}

bool ReadPath(ChunkStream& stream, Path* out, uint32_t* bytes) {
    if (!ReadCurve(stream, out, true)) return false;
    if (bytes) *bytes = 24 + 16 * static_cast<uint32_t>(out->points.size());
    return true;
}

bool ReadPointList(ChunkStream& stream, PointList* out, uint32_t* bytes) {
    if (!ReadCurve(stream, out, false)) return false;
    out->closed = 0;
    if (bytes) *bytes = 20 + 16 * static_cast<uint32_t>(out->points.size());
    return true;
}

void AppendPath(std::vector<uint8_t>& out, const Path& path) { AppendCurve(out, path, true); }
void AppendPointList(std::vector<uint8_t>& out, const PointList& list) { AppendCurve(out, list, false); }

}  // namespace kes
