#pragma once
// Vector operations. Results go to a separate output argument, which may be one of the inputs:
// every routine reads all of its inputs before it writes.
#include "game/core/maths/MathTypes.h"

namespace kes {

// Scales v to unit length in place; a zero vector is left as it is.
void Vec3Normalize(Vec3* v);
float Vec3Length(const Vec3* v);
float Vec3Dot(const Vec3* a, const Vec3* b);
// out = a x b.
void Vec3Cross(const Vec3* a, const Vec3* b, Vec3* out);
// Unit normal of the triangle points[0], points[1], points[2] (three Vec3 in a row), counter-clockwise
// winding facing the viewer.
void Vec3TriangleNormal(const Vec3* points, Vec3* out);
// v rotated by angle (radians) about the unit axis, with table sine and cosine.
void Vec3RotateAxis(const Vec3* axis, const Vec3* v, float angle, Vec3* out);
// out = v - 2 (v . n) n.
void Vec3Reflect(const Vec3* v, const Vec3* n, Vec3* out);
void Vec3Add(const Vec3* a, const Vec3* b, Vec3* out);
void Vec3Sub(const Vec3* a, const Vec3* b, Vec3* out);
void Vec3Scale(const Vec3* v, Vec3* out, float s);
// out = v x (1 / s).
void Vec3Divide(const Vec3* v, Vec3* out, float s);

float Vec4Dot(const Vec4* a, const Vec4* b);
void Vec4Scale(const Vec4* v, Vec4* out, float s);
void Vec4Divide(const Vec4* v, Vec4* out, float s);

// Row vector times matrix: out[j] = v.x m[j] + v.y m[3 + j] + v.z m[6 + j].
void Vec3MulMat3(const Matrix3* m, const Vec3* v, Vec3* out);
// Row vector times matrix: out[j] = sum over i of v[i] m[4i + j].
void Vec4MulMat4(const Matrix4* m, const Vec4* v, Vec4* out);

}  // namespace kes
