#pragma once
// The engine's vector and matrix records. All values are f32; matrices are row-major and used with
// row vectors (v' = v x M), so a 4 x 4 matrix keeps its translation in elements 12, 13 and 14.

namespace kes {

struct Vec3 {
    float x, y, z;
};

// w is 1.0 for points and 0.0 for directions.
struct Vec4 {
    float x, y, z, w;
};

struct Matrix3 {
    float m[9];
};

// Element 4i + j is row i, column j; v'[j] = sum over i of v[i] x m[4i + j].
struct Matrix4 {
    float m[16];
};

}  // namespace kes
