#include "game/core/maths/VecMath.h"

#include "game/core/maths/FastMath.h"

namespace kes {

void Vec3TriangleNormal(const Vec3* points, Vec3* out) {
    Vec3 edge1;
    Vec3 edge2;
    Vec3Sub(&points[1], &points[0], &edge1);
    Vec3Sub(&points[2], &points[0], &edge2);
    Vec3Cross(&edge1, &edge2, out);
    Vec3Normalize(out);
}

AxisRotation MakeAxisRotation(const Vec3* axis, float angle) {
    const float c = FastCos(angle);
    const float s = FastSin(angle);
    const float t = 1.0f - c;
    const float ax = axis->x;
    const float ay = axis->y;
    const float az = axis->z;
    // Rodrigues' rotation written out as the rows of the rotation matrix.
    return {{{(1.0f - ax * ax) * c + ax * ax, t * ax * ay - s * az, t * az * ax + s * ay},
             {t * ax * ay + s * az, (1.0f - ay * ay) * c + ay * ay, t * az * ay - s * ax},
             {t * az * ax - s * ay, t * az * ay + s * ax, (1.0f - az * az) * c + az * az}}};
}

void Vec3RotateAxis(const Vec3* axis, const Vec3* v, float angle, Vec3* out) {
    ApplyAxisRotation(MakeAxisRotation(axis, angle), v, out);
}

void Vec3Reflect(const Vec3* v, const Vec3* n, Vec3* out) {
    const float twiceDot = 2.0f * Vec3Dot(v, n);
    const Vec3 result = {v->x - twiceDot * n->x, v->y - twiceDot * n->y, v->z - twiceDot * n->z};
    *out = result;
}

float Vec4Dot(const Vec4* a, const Vec4* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}

void Vec4Scale(const Vec4* v, Vec4* out, float s) {
    const Vec4 result = {v->x * s, v->y * s, v->z * s, v->w * s};
    *out = result;
}

void Vec4Divide(const Vec4* v, Vec4* out, float s) {
    Vec4Scale(v, out, 1.0f / s);
}

void Vec3MulMat3(const Matrix3* m, const Vec3* v, Vec3* out) {
    const float* e = m->m;
    const Vec3 result = {v->x * e[0] + v->y * e[3] + v->z * e[6],
                         v->x * e[1] + v->y * e[4] + v->z * e[7],
                         v->x * e[2] + v->y * e[5] + v->z * e[8]};
    *out = result;
}

void Vec4MulMat4(const Matrix4* m, const Vec4* v, Vec4* out) {
    const float* e = m->m;
    const Vec4 result = {v->x * e[0] + v->y * e[4] + v->z * e[8] + v->w * e[12],
                         v->x * e[1] + v->y * e[5] + v->z * e[9] + v->w * e[13],
                         v->x * e[2] + v->y * e[6] + v->z * e[10] + v->w * e[14],
                         v->x * e[3] + v->y * e[7] + v->z * e[11] + v->w * e[15]};
    *out = result;
}

}  // namespace kes
