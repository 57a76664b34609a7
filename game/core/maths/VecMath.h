#pragma once
// Vector operations. Results go to a separate output argument, which may be one of the inputs:
// every routine reads all of its inputs before it writes.
#include "game/core/maths/FastMath.h"
#include "game/core/maths/MathTypes.h"

namespace kes {

// The small routines physics calls in its inner loops are inline.
inline float Vec3SquaredLength(const Vec3* v) {
    return v->x * v->x + v->y * v->y + v->z * v->z;
}

// Scales v to unit length in place; a zero vector is left as it is.
inline void Vec3Normalize(Vec3* v) {
    const float squared = Vec3SquaredLength(v);
    if (squared == 0.0f) {
        return;
    }
    const float inverse = 1.0f / FastSqrt(squared);
    v->x *= inverse;
    v->y *= inverse;
    v->z *= inverse;
}

// FastSqrt gives 0 for a squared length of +-0 itself: no test of its own.
inline float Vec3Length(const Vec3* v) {
    return FastSqrt(Vec3SquaredLength(v));
}

inline float Vec3Dot(const Vec3* a, const Vec3* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z;
}

// out = a x b.
inline void Vec3Cross(const Vec3* a, const Vec3* b, Vec3* out) {
    const Vec3 result = {a->y * b->z - a->z * b->y,
                         a->z * b->x - a->x * b->z,
                         a->x * b->y - a->y * b->x};
    *out = result;
}
// Unit normal of the triangle points[0], points[1], points[2] (three Vec3 in a row), counter-clockwise
// winding facing the viewer.
void Vec3TriangleNormal(const Vec3* points, Vec3* out);
// v rotated by angle (radians) about the unit axis, with table sine and cosine.
void Vec3RotateAxis(const Vec3* axis, const Vec3* v, float angle, Vec3* out);

// The rotation Vec3RotateAxis applies, as matrix rows: for turning many vectors by one axis and angle,
// the table look-ups and the rows are worked out once. Applying it gives Vec3RotateAxis's result.
struct AxisRotation {
    float rows[3][3];
};
AxisRotation MakeAxisRotation(const Vec3* axis, float angle);
inline void ApplyAxisRotation(const AxisRotation& r, const Vec3* v, Vec3* out) {
    const float vx = v->x, vy = v->y, vz = v->z;
    out->x = r.rows[0][0] * vx + r.rows[0][1] * vy + r.rows[0][2] * vz;
    out->y = r.rows[1][0] * vx + r.rows[1][1] * vy + r.rows[1][2] * vz;
    out->z = r.rows[2][0] * vx + r.rows[2][1] * vy + r.rows[2][2] * vz;
}
// out = v - 2 (v . n) n.
void Vec3Reflect(const Vec3* v, const Vec3* n, Vec3* out);
// Inline too: out of line, the three separate stores of the result and the caller's wider load of
// them stall the processor's store forwarding in the physics loops.
inline void Vec3Add(const Vec3* a, const Vec3* b, Vec3* out) {
    const Vec3 result = {a->x + b->x, a->y + b->y, a->z + b->z};
    *out = result;
}
inline void Vec3Sub(const Vec3* a, const Vec3* b, Vec3* out) {
    const Vec3 result = {a->x - b->x, a->y - b->y, a->z - b->z};
    *out = result;
}
inline void Vec3Scale(const Vec3* v, Vec3* out, float s) {
    const Vec3 result = {v->x * s, v->y * s, v->z * s};
    *out = result;
}
// out = v x (1 / s).
inline void Vec3Divide(const Vec3* v, Vec3* out, float s) {
    Vec3Scale(v, out, 1.0f / s);
}

float Vec4Dot(const Vec4* a, const Vec4* b);
void Vec4Scale(const Vec4* v, Vec4* out, float s);
void Vec4Divide(const Vec4* v, Vec4* out, float s);

// Row vector times matrix: out[j] = v.x m[j] + v.y m[3 + j] + v.z m[6 + j].
void Vec3MulMat3(const Matrix3* m, const Vec3* v, Vec3* out);
// Row vector times matrix: out[j] = sum over i of v[i] m[4i + j].
void Vec4MulMat4(const Matrix4* m, const Vec4* v, Vec4* out);

}  // namespace kes
