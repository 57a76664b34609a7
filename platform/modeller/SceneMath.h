#pragma once
// Points, colours and 4x3 transforms of the modeller scene. Points are row vectors: a point is
// multiplied from the left, p' = p x M, so the three axis rows come first and the translation last.
#include <array>
#include <cmath>

namespace plat {

struct ScenePoint {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

inline ScenePoint operator+(ScenePoint a, ScenePoint b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline ScenePoint operator-(ScenePoint a, ScenePoint b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline ScenePoint operator*(ScenePoint a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline bool operator==(ScenePoint a, ScenePoint b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
inline ScenePoint Cross(ScenePoint a, ScenePoint b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(ScenePoint a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }

struct SceneColor {
    float r = 0.0f, g = 0.0f, b = 0.0f;
};

// Rotation as a unit quaternion (x, y, z, w).
struct SceneQuat {
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;
};

// Three axis rows and a translation row.
struct SceneMatrix {
    std::array<ScenePoint, 4> row{ScenePoint{1, 0, 0}, ScenePoint{0, 1, 0}, ScenePoint{0, 0, 1},
                                  ScenePoint{0, 0, 0}};

    static SceneMatrix Identity() { return {}; }
    // Scale, then rotate, then translate.
    static SceneMatrix Compose(ScenePoint scale, SceneQuat rotation, ScenePoint translation);
    float Determinant3() const;
};

// Point times matrix, translation included.
ScenePoint operator*(ScenePoint p, const SceneMatrix& m);
// Applies a first, then b.
SceneMatrix operator*(const SceneMatrix& a, const SceneMatrix& b);

SceneQuat Slerp(SceneQuat a, SceneQuat b, float s);

}  // namespace plat
