#include "game/core/maths/VecMath.h"

#include <gtest/gtest.h>

#include <cmath>

#include "game/core/maths/FastMath.h"
#include "game/core/maths/MatMath.h"

namespace kes {
namespace {

class VecMathTest : public ::testing::Test {
protected:
    void SetUp() override { InitTrigTables(); }
};

void ExpectNear(const Vec3& actual, const Vec3& expected, float tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

Vec3 ThroughMatrix(const Matrix4& m, const Vec3& v) {
    const Vec4 point = {v.x, v.y, v.z, 1.0f};
    Vec4 result;
    Vec4MulMat4(&m, &point, &result);
    return {result.x, result.y, result.z};
}

TEST_F(VecMathTest, NormalizeLeavesTheZeroVectorAndMakesOthersUnitLength) {
    Vec3 zero = {0.0f, 0.0f, 0.0f};
    Vec3Normalize(&zero);
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    EXPECT_EQ(zero.z, 0.0f);
    EXPECT_EQ(Vec3Length(&zero), 0.0f);

    const Vec3 vectors[] = {{3.0f, 4.0f, 0.0f}, {-1.0f, 2.0f, -2.0f}, {1e-3f, 0.0f, 0.0f},
                            {250.0f, -1000.0f, 7.5f}};
    for (Vec3 v : vectors) {
        const Vec3 before = v;
        Vec3Normalize(&v);
        // 13-bit square-root mantissas: the length is within 2^-13 of 1.
        EXPECT_NEAR(std::sqrt(Vec3Dot(&v, &v)), 1.0f, 1.3e-4f);
        // Direction kept.
        Vec3 cross;
        Vec3Cross(&before, &v, &cross);
        EXPECT_NEAR(Vec3Length(&cross) / Vec3Length(&before), 0.0f, 1e-3f);
        EXPECT_GT(Vec3Dot(&before, &v), 0.0f);
    }
    const Vec3 threeFourFive = {3.0f, 4.0f, 0.0f};
    EXPECT_EQ(Vec3Length(&threeFourFive), 5.0f);
}

TEST_F(VecMathTest, OutputsMayAliasInputs) {
    const Vec3 a = {1.0f, 2.0f, 3.0f};
    const Vec3 b = {-4.0f, 5.0f, 0.5f};
    Vec3 separate;
    Vec3Cross(&a, &b, &separate);
    const Vec3 expectedCross = {2.0f * 0.5f - 3.0f * 5.0f, 3.0f * -4.0f - 1.0f * 0.5f,
                                1.0f * 5.0f - 2.0f * -4.0f};
    EXPECT_EQ(separate.x, expectedCross.x);
    EXPECT_EQ(separate.y, expectedCross.y);
    EXPECT_EQ(separate.z, expectedCross.z);

    Vec3 intoA = a;
    Vec3Cross(&intoA, &b, &intoA);
    ExpectNear(intoA, separate, 0.0f);
    Vec3 intoB = b;
    Vec3Cross(&a, &intoB, &intoB);
    ExpectNear(intoB, separate, 0.0f);

    const Vec3 n = {0.0f, 0.0f, 1.0f};
    Vec3 reflected = {1.0f, 2.0f, -3.0f};
    Vec3Reflect(&reflected, &n, &reflected);
    ExpectNear(reflected, {1.0f, 2.0f, 3.0f}, 0.0f);

    const Vec3 axis = {0.0f, 0.0f, 1.0f};
    Vec3 rotated = {1.0f, 0.0f, 0.0f};
    Vec3RotateAxis(&axis, &rotated, 1.5707964f, &rotated);
    ExpectNear(rotated, {0.0f, 1.0f, 0.0f}, 1e-6f);

    Matrix3 swapXY = {{0, 1, 0, 1, 0, 0, 0, 0, 1}};
    Vec3 v = {1.0f, 2.0f, 3.0f};
    Vec3MulMat3(&swapXY, &v, &v);
    ExpectNear(v, {2.0f, 1.0f, 3.0f}, 0.0f);

    Matrix4 move;
    MatTranslation(&move, 10.0f, 20.0f, 30.0f);
    Vec4 p = {1.0f, 2.0f, 3.0f, 1.0f};
    Vec4MulMat4(&move, &p, &p);
    EXPECT_EQ(p.x, 11.0f);
    EXPECT_EQ(p.y, 22.0f);
    EXPECT_EQ(p.z, 33.0f);
    EXPECT_EQ(p.w, 1.0f);
}

TEST_F(VecMathTest, TriangleNormalFollowsTheWinding) {
    const Vec3 counterClockwise[3] = {{0, 0, 0}, {2, 0, 0}, {0, 3, 0}};
    Vec3 normal;
    Vec3TriangleNormal(counterClockwise, &normal);
    ExpectNear(normal, {0.0f, 0.0f, 1.0f}, 1e-6f);

    const Vec3 clockwise[3] = {{5, 5, 1}, {5, 8, 1}, {9, 5, 1}};
    Vec3TriangleNormal(clockwise, &normal);
    ExpectNear(normal, {0.0f, 0.0f, -1.0f}, 1e-6f);

    const Vec3 degenerate[3] = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
    Vec3TriangleNormal(degenerate, &normal);
    ExpectNear(normal, {0.0f, 0.0f, 0.0f}, 0.0f);
}

struct AxisRotationCase {
    const char* name;
    Vec3 axis;
    void (*matrix)(Matrix4*, float);
    float matrixAngleSign;  // MatRotationZ turns the other way round
};

TEST_F(VecMathTest, RotationAboutAnAxisMatchesTheRotationMatrices) {
    const AxisRotationCase cases[] = {
        {"x", {1, 0, 0}, MatRotationX, 1.0f},
        {"y", {0, 1, 0}, MatRotationY, 1.0f},
        {"z", {0, 0, 1}, MatRotationZ, -1.0f},
    };
    const float angles[] = {1.5707964f, 0.3f, -2.0f, 4.0f};
    const Vec3 v = {1.0f, -2.0f, 0.5f};
    for (const AxisRotationCase& c : cases) {
        for (float angle : angles) {
            Vec3 rotated;
            Vec3RotateAxis(&c.axis, &v, angle, &rotated);
            Matrix4 m;
            c.matrix(&m, c.matrixAngleSign * angle);
            ExpectNear(rotated, ThroughMatrix(m, v), 2e-6f);
            // A rotation keeps the length and the component along the axis.
            EXPECT_NEAR(Vec3Dot(&rotated, &rotated), Vec3Dot(&v, &v), 1e-5f) << c.name;
            EXPECT_NEAR(Vec3Dot(&rotated, &c.axis), Vec3Dot(&v, &c.axis), 1e-6f) << c.name;
        }
    }
    // A quarter turn about +z takes x to y.
    const Vec3 x = {1, 0, 0};
    const Vec3 z = {0, 0, 1};
    Vec3 turned;
    Vec3RotateAxis(&z, &x, 1.5707964f, &turned);
    ExpectNear(turned, {0.0f, 1.0f, 0.0f}, 1e-6f);
}

TEST_F(VecMathTest, RotationAboutAnOddAxisAgreesWithTheTrueRotation) {
    const float k = 1.0f / std::sqrt(3.0f);
    const Vec3 axis = {k, k, k};
    const Vec3 v = {1.0f, 0.0f, 0.0f};
    Vec3 turned;
    // A third of a turn about (1,1,1) cycles the axes: x -> y.
    Vec3RotateAxis(&axis, &v, 2.0943951f, &turned);
    ExpectNear(turned, {0.0f, 1.0f, 0.0f}, 2e-3f);
}

TEST_F(VecMathTest, ReflectScaleAndDivide) {
    const Vec3 down = {3.0f, -4.0f, 0.0f};
    const Vec3 ground = {0.0f, 1.0f, 0.0f};
    Vec3 bounced;
    Vec3Reflect(&down, &ground, &bounced);
    ExpectNear(bounced, {3.0f, 4.0f, 0.0f}, 0.0f);

    Vec3 halved;
    Vec3Divide(&down, &halved, 2.0f);
    ExpectNear(halved, {1.5f, -2.0f, 0.0f}, 0.0f);
    Vec3 sum;
    Vec3Add(&halved, &halved, &sum);
    Vec3Sub(&sum, &down, &sum);
    ExpectNear(sum, {0.0f, 0.0f, 0.0f}, 0.0f);

    const Vec4 q = {1.0f, 2.0f, 3.0f, 4.0f};
    Vec4 scaled;
    Vec4Scale(&q, &scaled, 2.0f);
    EXPECT_EQ(Vec4Dot(&q, &scaled), 60.0f);
    Vec4Divide(&scaled, &scaled, 4.0f);
    EXPECT_EQ(scaled.w, 2.0f);
    EXPECT_EQ(scaled.x, 0.5f);
}

}  // namespace
}  // namespace kes
