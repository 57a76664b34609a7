#pragma once
// 4 x 4 matrix builders and products (row-major, row vectors: v' = v x M).
#include "game/core/maths/MathTypes.h"

namespace kes {

// out = b x a: a point transformed by out goes through b first, then a. out may be a or b.
void MatMultiply(const Matrix4* a, const Matrix4* b, Matrix4* out);
void MatTranspose(Matrix4* m);
void MatIdentity(Matrix4* m);
// Identity with the translation (x, y, z) in elements 12, 13, 14.
void MatTranslation(Matrix4* m, float x, float y, float z);
// Elements 0, 5, 10 = s, element 15 = 1, all others 0.
void MatUniformScale(Matrix4* m, float s);

// Rotations by angle (radians) with table sine and cosine. X and Y turn counter-clockwise about
// their axis for row vectors; Z keeps the game's heading sense and turns the other way
// (x' = x cos + y sin).
void MatRotationX(Matrix4* m, float angle);
void MatRotationY(Matrix4* m, float angle);
void MatRotationZ(Matrix4* m, float angle);

}  // namespace kes
