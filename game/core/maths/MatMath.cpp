#include "game/core/maths/MatMath.h"

#include <utility>

#include "game/core/maths/FastMath.h"
#include "game/core/maths/VecMath.h"

namespace kes {

namespace {

void Clear(Matrix4* m) {
    for (float& element : m->m) {
        element = 0.0f;
    }
}

}  // namespace

void MatMultiply(const Matrix4* a, const Matrix4* b, Matrix4* out) {
    // Rows go to a temporary first so that out may be a or b.
    Matrix4 product;
    for (int row = 0; row < 4; ++row) {
        const float* r = &b->m[4 * row];
        const Vec4 bRow = {r[0], r[1], r[2], r[3]};
        Vec4 productRow;
        Vec4MulMat4(a, &bRow, &productRow);
        product.m[4 * row + 0] = productRow.x;
        product.m[4 * row + 1] = productRow.y;
        product.m[4 * row + 2] = productRow.z;
        product.m[4 * row + 3] = productRow.w;
    }
    *out = product;
}

void MatTranspose(Matrix4* m) {
    for (int row = 0; row < 4; ++row) {
        for (int column = row + 1; column < 4; ++column) {
            std::swap(m->m[4 * row + column], m->m[4 * column + row]);
        }
    }
}

void MatIdentity(Matrix4* m) {
    Clear(m);
    m->m[0] = m->m[5] = m->m[10] = m->m[15] = 1.0f;
}

void MatTranslation(Matrix4* m, float x, float y, float z) {
    MatIdentity(m);
    m->m[12] = x;
    m->m[13] = y;
    m->m[14] = z;
}

void MatUniformScale(Matrix4* m, float s) {
    Clear(m);
    m->m[0] = m->m[5] = m->m[10] = s;
    m->m[15] = 1.0f;
}

void MatRotationX(Matrix4* m, float angle) {
    const float c = FastCos(angle);
    const float s = FastSin(angle);
    Clear(m);
    m->m[0] = 1.0f;
    m->m[5] = c;
    m->m[6] = s;
    m->m[9] = -s;
    m->m[10] = c;
    m->m[15] = 1.0f;
}

void MatRotationY(Matrix4* m, float angle) {
    const float c = FastCos(angle);
    const float s = FastSin(angle);
    Clear(m);
    m->m[0] = c;
    m->m[2] = -s;
    m->m[5] = 1.0f;
    m->m[8] = s;
    m->m[10] = c;
    m->m[15] = 1.0f;
}

void MatRotationZ(Matrix4* m, float angle) {
    const float c = FastCos(angle);
    const float s = FastSin(angle);
    Clear(m);
    m->m[0] = c;
    m->m[1] = -s;
    m->m[4] = s;
    m->m[5] = c;
    m->m[10] = 1.0f;
    m->m[15] = 1.0f;
}

}  // namespace kes
