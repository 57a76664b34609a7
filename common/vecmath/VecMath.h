#pragma once
// Small f32 vector and matrix library of the editor and its plug-ins. Operands come by pointer, results
// go through a separate output pointer; nothing is allocated and nothing is kept.
// Matrices are row-major with row vectors (v' = v x M), translation in elements 12..14.

namespace qv {

struct Vec3 {
    float x, y, z;
};
struct Vec4 {
    float x, y, z, w;
};
struct Matrix3 {
    float m[9];
};
struct Matrix4 {
    float m[16];
};

void Vec3Normalize(Vec3* v);
float Vec3Length(const Vec3* v);
float Vec3Dot(const Vec3* a, const Vec3* b);
void Vec3Cross(const Vec3* a, const Vec3* b, Vec3* out);
// p points at three vectors in a row.
void Vec3TriangleNormal(const Vec3* p, Vec3* out);
void Vec3RotateAxis(const Vec3* axis, const Vec3* v, float angle, Vec3* out);
// Rotates b by the angle between b and -a (a keeps its length L in the result). Normalises b and a and
// negates a in place, as plug-ins expect.
void Vec3RotateOnto(Vec3* a, Vec3* b, Vec3* out);
void Vec3Add(const Vec3* a, const Vec3* b, Vec3* out);
void Vec3Sub(const Vec3* a, const Vec3* b, Vec3* out);
void Vec3Scale(const Vec3* v, float s, Vec3* out);
void Vec3Divide(const Vec3* v, float s, Vec3* out);

void Vec4Homogenize(Vec4* v);
float Vec4Length(const Vec4* v);
float Vec4Dot(const Vec4* a, const Vec4* b);
void Vec4Add(const Vec4* a, const Vec4* b, Vec4* out);
void Vec4Sub(const Vec4* a, const Vec4* b, Vec4* out);
void Vec4Scale(const Vec4* v, float s, Vec4* out);
void Vec4Divide(const Vec4* v, float s, Vec4* out);

Matrix3* Mat3Transpose(Matrix3* m);
Matrix4* Mat4Transpose(Matrix4* m);
void Vec3MulMat3(const Matrix3* m, const Vec3* v, Vec3* out);
void Mat4MulVec4(const Matrix4* m, const Vec4* v, Vec4* out);
// m: four rows of three.
void Vec4MulMat4x3(const float* m, const Vec4* v, Vec3* out);
// Each row of n times m; out may equal m or n.
void Mat3Multiply(const Matrix3* m, const Matrix3* n, Matrix3* out);
void Mat4Multiply(const Matrix4* m, const Matrix4* n, Matrix4* out);

}  // namespace qv
