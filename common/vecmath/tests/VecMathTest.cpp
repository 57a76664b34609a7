#include "common/vecmath/VecMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using namespace qv;

void ExpectVec(const Vec3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
}

TEST(VecMath, NormalizeLeavesZeroAloneAndScalesOthers) {
    Vec3 zero{0, 0, 0};
    Vec3Normalize(&zero);
    ExpectVec(zero, 0, 0, 0);
    Vec3 v{3, 0, 4};
    Vec3Normalize(&v);
    ExpectVec(v, 0.6f, 0, 0.8f);
}

TEST(VecMath, CrossAndTriangleNormal) {
    Vec3 x{1, 0, 0}, y{0, 1, 0}, out;
    Vec3Cross(&x, &y, &out);
    ExpectVec(out, 0, 0, 1);
    Vec3 tri[3] = {{1, 1, 1}, {3, 1, 1}, {1, 5, 1}};
    Vec3TriangleNormal(tri, &out);
    ExpectVec(out, 0, 0, 1);
}

TEST(VecMath, RotateAxisQuarterTurnAboutZ) {
    Vec3 axis{0, 0, 1}, v{1, 0, 0}, out;
    Vec3RotateAxis(&axis, &v, std::numbers::pi_v<float> / 2, &out);
    ExpectVec(out, 0, 1, 0);
}

// b is turned about normalise(cross(-a, b)) by the angle between b and -a, and takes a's length; a is
// left normalised and negated, b normalised. Parallel and antiparallel inputs have no axis: the turn
// is by 0 or by pi.
TEST(VecMath, RotateOntoTurnsBByItsAngleToMinusAAndKeepsTheLengthOfA) {
    const float h = std::sqrt(0.5f);
    struct Case {
        Vec3 a, b, out;
    } cases[] = {
        {{0, 3, 0}, {1, 0, 0}, {0, 3, 0}},        // a quarter turn about +z
        {{0, 0, 2}, {1, 0, 1}, {-2, 0, 0}},       // three eighths of a turn about -y
        {{2, 0, 0}, {1, 0, 0}, {-2, 0, 0}},       // b along a: half a turn
        {{2, 0, 0}, {-1, 0, 0}, {-2, 0, 0}},      // b along -a: no turn
        {{1, 1e-9f, 0}, {1, 0, 0}, {-1, 0, 0}},   // nearly along a: still half a turn, no stray axis
        {{0, 0, 5}, {0, 4, 0}, {0, 0, 5}},        // a quarter turn about +x
        {{0, 0, -1}, {h, 0, h}, {1, 0, 0}},       // an eighth of a turn about +y
    };
    for (Case c : cases) {
        const Vec3 a0 = c.a, b0 = c.b;
        Vec3 out;
        Vec3RotateOnto(&c.a, &c.b, &out);
        SCOPED_TRACE(::testing::Message() << "a " << a0.x << "," << a0.y << "," << a0.z << " b " << b0.x << ","
                                          << b0.y << "," << b0.z);
        ExpectVec(out, c.out.x, c.out.y, c.out.z);
        EXPECT_NEAR(Vec3Length(&out), Vec3Length(&a0), 1e-5f);
        // In place: a normalised and negated, b normalised.
        const float la = Vec3Length(&a0), lb = Vec3Length(&b0);
        ExpectVec(c.a, -a0.x / la, -a0.y / la, -a0.z / la);
        ExpectVec(c.b, b0.x / lb, b0.y / lb, b0.z / lb);
    }
}

TEST(VecMath, HomogenizeWithZeroWChangesNothing) {
    Vec4 v{2, 4, 6, 0};
    Vec4Homogenize(&v);
    EXPECT_EQ(v.x, 2);
    EXPECT_EQ(v.w, 0);
    Vec4 h{2, 4, 6, 2};
    Vec4Homogenize(&h);
    EXPECT_FLOAT_EQ(h.x, 1);
    EXPECT_FLOAT_EQ(h.z, 3);
    EXPECT_FLOAT_EQ(h.w, 1);
}

TEST(VecMath, RowVectorConventionAndTranslation) {
    Matrix4 t{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1}};
    Vec4 p{1, 2, 3, 1}, out;
    Mat4MulVec4(&t, &p, &out);
    EXPECT_FLOAT_EQ(out.x, 11);
    EXPECT_FLOAT_EQ(out.y, 22);
    EXPECT_FLOAT_EQ(out.z, 33);
    Matrix3 m{{1, 2, 3, 4, 5, 6, 7, 8, 9}};
    Vec3 v{1, 0, 0}, r;
    Vec3MulMat3(&m, &v, &r);
    ExpectVec(r, 1, 2, 3);
    float m43[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 5, 6, 7};
    Vec3 r3;
    Vec4MulMat4x3(m43, &p, &r3);
    ExpectVec(r3, 6, 8, 10);
}

TEST(VecMath, MultiplyIntoAnInputGivesTheSameResult) {
    Matrix4 m, n;
    for (int i = 0; i < 16; ++i) {
        m.m[i] = static_cast<float>(i + 1);
        n.m[i] = static_cast<float>((i * 7) % 5 - 2);
    }
    Matrix4 separate;
    Mat4Multiply(&m, &n, &separate);
    Mat4Multiply(&m, &n, &n);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(n.m[i], separate.m[i]);
    Matrix3 a{{1, 2, 0, 0, 1, 0, 3, 0, 1}}, b{{2, 0, 0, 0, 2, 0, 0, 0, 2}}, sep;
    Mat3Multiply(&a, &b, &sep);
    Mat3Multiply(&a, &b, &a);
    for (int i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(a.m[i], sep.m[i]);
}

TEST(VecMath, TransposeSwapsAcrossTheDiagonal) {
    Matrix4 m;
    for (int i = 0; i < 16; ++i) m.m[i] = static_cast<float>(i);
    Mat4Transpose(&m);
    EXPECT_EQ(m.m[1], 4);
    EXPECT_EQ(m.m[12], 3);
    Matrix3 t{{0, 1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(Mat3Transpose(&t), &t);
    EXPECT_EQ(t.m[1], 3);
    EXPECT_EQ(t.m[6], 2);
}

}  // namespace
