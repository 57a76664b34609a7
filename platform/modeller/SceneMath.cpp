#include "platform/modeller/SceneMath.h"

namespace plat {

ScenePoint operator*(ScenePoint p, const SceneMatrix& m) {
    return {p.x * m.row[0].x + p.y * m.row[1].x + p.z * m.row[2].x + m.row[3].x,
            p.x * m.row[0].y + p.y * m.row[1].y + p.z * m.row[2].y + m.row[3].y,
            p.x * m.row[0].z + p.y * m.row[1].z + p.z * m.row[2].z + m.row[3].z};
}

SceneMatrix operator*(const SceneMatrix& a, const SceneMatrix& b) {
    SceneMatrix out;
    const ScenePoint origin{};
    for (int i = 0; i < 3; ++i) out.row[i] = a.row[i] * b - (origin * b);
    out.row[3] = a.row[3] * b;
    return out;
}

float SceneMatrix::Determinant3() const {
    const ScenePoint& a = row[0];
    const ScenePoint& b = row[1];
    const ScenePoint& c = row[2];
    return a.x * (b.y * c.z - b.z * c.y) - a.y * (b.x * c.z - b.z * c.x) + a.z * (b.x * c.y - b.y * c.x);
}

SceneMatrix SceneMatrix::Compose(ScenePoint scale, SceneQuat q, ScenePoint translation) {
    // Rows of the rotation for row vectors (the transpose of the usual column form).
    const float xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
    const float xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
    const float wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
    SceneMatrix m;
    m.row[0] = ScenePoint{1 - 2 * (yy + zz), 2 * (xy + wz), 2 * (xz - wy)} * scale.x;
    m.row[1] = ScenePoint{2 * (xy - wz), 1 - 2 * (xx + zz), 2 * (yz + wx)} * scale.y;
    m.row[2] = ScenePoint{2 * (xz + wy), 2 * (yz - wx), 1 - 2 * (xx + yy)} * scale.z;
    m.row[3] = translation;
    return m;
}

SceneQuat Slerp(SceneQuat a, SceneQuat b, float s) {
    float dot = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    if (dot < 0.0f) {  // take the short way round
        b = {-b.x, -b.y, -b.z, -b.w};
        dot = -dot;
    }
    float wa = 1.0f - s, wb = s;
    if (dot < 0.9995f) {
        const float angle = std::acos(dot);
        const float sine = std::sin(angle);
        wa = std::sin((1.0f - s) * angle) / sine;
        wb = std::sin(s * angle) / sine;
    }
    SceneQuat q{a.x * wa + b.x * wb, a.y * wa + b.y * wb, a.z * wa + b.z * wb, a.w * wa + b.w * wb};
    const float len = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (len > 0.0f) q = {q.x / len, q.y / len, q.z / len, q.w / len};
    return q;
}

}  // namespace plat
