#pragma once
// Value arithmetic on Vec3 and row-vector transforms, for the world's object, fence, water and
// collision code (the pointer-style helpers of the maths library read poorly in long formulas).
#include <cmath>

#include "game/core/maths/MathTypes.h"

namespace kes {

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
// The unit vector of a, or a itself when it has no length (so a zero vector stays zero, not NaN).
inline Vec3 Normalised(Vec3 a) {
    const float l = Length(a);
    return l > 0.0f ? a * (1.0f / l) : a;
}
inline bool Finite(Vec3 a) { return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z); }

// Point p (w = 1) through a row-vector matrix.
inline Vec3 TransformPoint(const Matrix4& m, Vec3 p) {
    return {p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12], p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13],
            p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14]};
}
// Direction d (w = 0) through the upper 3x3.
inline Vec3 TransformDirection(const Matrix4& m, Vec3 d) {
    return {d.x * m.m[0] + d.y * m.m[4] + d.z * m.m[8], d.x * m.m[1] + d.y * m.m[5] + d.z * m.m[9],
            d.x * m.m[2] + d.y * m.m[6] + d.z * m.m[10]};
}
// a then b: the product a x b for row vectors.
inline Matrix4 Then(const Matrix4& a, const Matrix4& b) {
    Matrix4 out{};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k) s += a.m[4 * r + k] * b.m[4 * k + c];
            out.m[4 * r + c] = s;
        }
    return out;
}

}  // namespace kes
