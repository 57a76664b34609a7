#include "common/vecmath/VecMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace qv {

void Vec3Normalize(Vec3* v) {
    float len = Vec3Length(v);
    if (len > 0.0f) Vec3Scale(v, 1.0f / len, v);
}

float Vec3Length(const Vec3* v) { return std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z); }

float Vec3Dot(const Vec3* a, const Vec3* b) { return a->x * b->x + a->y * b->y + a->z * b->z; }

void Vec3Cross(const Vec3* a, const Vec3* b, Vec3* out) {
    Vec3 r{a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x};
    *out = r;
}

void Vec3TriangleNormal(const Vec3* p, Vec3* out) {
    Vec3 e1, e2;
    Vec3Sub(&p[1], &p[0], &e1);
    Vec3Sub(&p[2], &p[0], &e2);
    Vec3Cross(&e1, &e2, out);
    Vec3Normalize(out);
}

void Vec3RotateAxis(const Vec3* u, const Vec3* v, float angle, Vec3* out) {
    const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    Vec3 r;
    r.x = (u->x * u->x + c * (1 - u->x * u->x)) * v->x + (u->x * u->y * t - u->z * s) * v->y +
          (u->x * u->z * t + u->y * s) * v->z;
    r.y = (u->x * u->y * t + u->z * s) * v->x + (u->y * u->y + c * (1 - u->y * u->y)) * v->y +
          (u->y * u->z * t - u->x * s) * v->z;
    r.z = (u->x * u->z * t - u->y * s) * v->x + (u->y * u->z * t + u->x * s) * v->y +
          (u->z * u->z + c * (1 - u->z * u->z)) * v->z;
    *out = r;
}

void Vec3RotateOnto(Vec3* a, Vec3* b, Vec3* out) {
    const float length = Vec3Length(a);
    Vec3Normalize(b);
    Vec3Normalize(a);
    Vec3Scale(a, -1.0f, a);
    Vec3 axis;
    Vec3Cross(a, b, &axis);
    // Rounding can push the dot product just past +-1, where the arc cosine is not defined.
    const float dot = std::clamp(Vec3Dot(b, a), -1.0f, 1.0f);
    if (Vec3Length(&axis) < 1e-6f) {
        // (Anti)parallel: no axis; the rotation is by 0 or by pi, whatever the axis.
        Vec3Scale(b, dot >= 0.0f ? length : -length, out);
        return;
    }
    Vec3Normalize(&axis);
    Vec3RotateAxis(&axis, b, std::acos(dot), out);
    Vec3Scale(out, length, out);
}

void Vec3Add(const Vec3* a, const Vec3* b, Vec3* out) { *out = Vec3{a->x + b->x, a->y + b->y, a->z + b->z}; }
void Vec3Sub(const Vec3* a, const Vec3* b, Vec3* out) { *out = Vec3{a->x - b->x, a->y - b->y, a->z - b->z}; }
void Vec3Scale(const Vec3* v, float s, Vec3* out) { *out = Vec3{v->x * s, v->y * s, v->z * s}; }
void Vec3Divide(const Vec3* v, float s, Vec3* out) { Vec3Scale(v, 1.0f / s, out); }

void Vec4Homogenize(Vec4* v) {
    if (v->w == 0.0f) return;
    v->x /= v->w;
    v->y /= v->w;
    v->z /= v->w;
    v->w = 1.0f;
}
float Vec4Length(const Vec4* v) { return std::sqrt(Vec4Dot(v, v)); }
float Vec4Dot(const Vec4* a, const Vec4* b) { return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w; }
void Vec4Add(const Vec4* a, const Vec4* b, Vec4* out) {
    *out = Vec4{a->x + b->x, a->y + b->y, a->z + b->z, a->w + b->w};
}
void Vec4Sub(const Vec4* a, const Vec4* b, Vec4* out) {
    *out = Vec4{a->x - b->x, a->y - b->y, a->z - b->z, a->w - b->w};
}
void Vec4Scale(const Vec4* v, float s, Vec4* out) { *out = Vec4{v->x * s, v->y * s, v->z * s, v->w * s}; }
void Vec4Divide(const Vec4* v, float s, Vec4* out) { Vec4Scale(v, 1.0f / s, out); }

Matrix3* Mat3Transpose(Matrix3* m) {
    for (int r = 0; r < 3; ++r)
        for (int c = r + 1; c < 3; ++c) std::swap(m->m[3 * r + c], m->m[3 * c + r]);
    return m;
}

Matrix4* Mat4Transpose(Matrix4* m) {
    for (int r = 0; r < 4; ++r)
        for (int c = r + 1; c < 4; ++c) std::swap(m->m[4 * r + c], m->m[4 * c + r]);
    return m;
}

void Vec3MulMat3(const Matrix3* m, const Vec3* v, Vec3* out) {
    const float* a = m->m;
    *out = Vec3{v->x * a[0] + v->y * a[3] + v->z * a[6], v->x * a[1] + v->y * a[4] + v->z * a[7],
                v->x * a[2] + v->y * a[5] + v->z * a[8]};
}

void Mat4MulVec4(const Matrix4* m, const Vec4* v, Vec4* out) {
    const float* a = m->m;
    Vec4 r;
    float* o = &r.x;
    for (int j = 0; j < 4; ++j) o[j] = v->x * a[j] + v->y * a[4 + j] + v->z * a[8 + j] + v->w * a[12 + j];
    *out = r;
}

void Vec4MulMat4x3(const float* m, const Vec4* v, Vec3* out) {
    Vec3 r;
    float* o = &r.x;
    for (int j = 0; j < 3; ++j) o[j] = v->x * m[j] + v->y * m[3 + j] + v->z * m[6 + j] + v->w * m[9 + j];
    *out = r;
}

void Mat3Multiply(const Matrix3* m, const Matrix3* n, Matrix3* out) {
    Matrix3 r;
    for (int row = 0; row < 3; ++row) {
        Vec3 in{n->m[3 * row], n->m[3 * row + 1], n->m[3 * row + 2]};
        Vec3 o;
        Vec3MulMat3(m, &in, &o);
        r.m[3 * row] = o.x;
        r.m[3 * row + 1] = o.y;
        r.m[3 * row + 2] = o.z;
    }
    std::memcpy(out, &r, sizeof r);
}

void Mat4Multiply(const Matrix4* m, const Matrix4* n, Matrix4* out) {
    Matrix4 r;
    for (int row = 0; row < 4; ++row) {
        Vec4 in{n->m[4 * row], n->m[4 * row + 1], n->m[4 * row + 2], n->m[4 * row + 3]};
        Vec4 o;
        Mat4MulVec4(m, &in, &o);
        r.m[4 * row] = o.x;
        r.m[4 * row + 1] = o.y;
        r.m[4 * row + 2] = o.z;
        r.m[4 * row + 3] = o.w;
    }
    std::memcpy(out, &r, sizeof r);
}

}  // namespace qv
