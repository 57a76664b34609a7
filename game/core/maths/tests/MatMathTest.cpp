#include "game/core/maths/MatMath.h"

#include <gtest/gtest.h>

#include "game/core/maths/FastMath.h"
#include "game/core/maths/VecMath.h"

namespace kes {
namespace {

class MatMathTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitTrigTables();
        // Two matrices that do not commute: a turn about z with a shift, and a stretch with a shift.
        MatRotationZ(&first_, 0.6f);
        first_.m[12] = 5.0f;
        first_.m[13] = -1.0f;
        MatUniformScale(&second_, 3.0f);
        second_.m[12] = 2.0f;
        second_.m[14] = 7.0f;
    }

    static Vec4 Apply(const Matrix4& m, const Vec4& v) {
        Vec4 out;
        Vec4MulMat4(&m, &v, &out);
        return out;
    }

    static void ExpectSameMatrix(const Matrix4& actual, const Matrix4& expected) {
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(actual.m[i], expected.m[i]) << "element " << i;
        }
    }

    Matrix4 first_;
    Matrix4 second_;
};

TEST_F(MatMathTest, ProductAppliesTheSecondArgumentFirst) {
    Matrix4 product;
    MatMultiply(&first_, &second_, &product);
    const Vec4 points[] = {{1, 2, 3, 1}, {-4, 0.5f, 2, 1}, {0, 0, 0, 1}, {1, 1, 0, 0}};
    for (const Vec4& p : points) {
        const Vec4 stepwise = Apply(first_, Apply(second_, p));
        const Vec4 direct = Apply(product, p);
        EXPECT_NEAR(direct.x, stepwise.x, 1e-5f);
        EXPECT_NEAR(direct.y, stepwise.y, 1e-5f);
        EXPECT_NEAR(direct.z, stepwise.z, 1e-5f);
        EXPECT_NEAR(direct.w, stepwise.w, 1e-5f);
    }
    // The other order gives a different matrix.
    Matrix4 reversed;
    MatMultiply(&second_, &first_, &reversed);
    EXPECT_NE(reversed.m[12], product.m[12]);
}

TEST_F(MatMathTest, ProductIntoEitherInputEqualsTheSeparateProduct) {
    Matrix4 expected;
    MatMultiply(&first_, &second_, &expected);

    Matrix4 intoFirst = first_;
    MatMultiply(&intoFirst, &second_, &intoFirst);
    ExpectSameMatrix(intoFirst, expected);

    Matrix4 intoSecond = second_;
    MatMultiply(&first_, &intoSecond, &intoSecond);
    ExpectSameMatrix(intoSecond, expected);

    Matrix4 squared;
    MatMultiply(&first_, &first_, &squared);
    Matrix4 squaredInPlace = first_;
    MatMultiply(&squaredInPlace, &squaredInPlace, &squaredInPlace);
    ExpectSameMatrix(squaredInPlace, squared);
}

TEST_F(MatMathTest, BuildersPlaceTheirValuesInTheRowVectorLayout) {
    Matrix4 m;
    MatTranslation(&m, 1.0f, 2.0f, 3.0f);
    const Vec4 moved = Apply(m, {10, 20, 30, 1});
    EXPECT_EQ(moved.x, 11.0f);
    EXPECT_EQ(moved.y, 22.0f);
    EXPECT_EQ(moved.z, 33.0f);
    const Vec4 direction = Apply(m, {10, 20, 30, 0});  // directions are not moved
    EXPECT_EQ(direction.x, 10.0f);

    MatTranspose(&m);
    EXPECT_EQ(m.m[3], 1.0f);
    EXPECT_EQ(m.m[7], 2.0f);
    EXPECT_EQ(m.m[11], 3.0f);
    EXPECT_EQ(m.m[12], 0.0f);
    MatTranspose(&m);
    Matrix4 translation;
    MatTranslation(&translation, 1.0f, 2.0f, 3.0f);
    ExpectSameMatrix(m, translation);

    MatUniformScale(&m, 2.5f);
    const Vec4 scaled = Apply(m, {1, -2, 4, 1});
    EXPECT_EQ(scaled.x, 2.5f);
    EXPECT_EQ(scaled.y, -5.0f);
    EXPECT_EQ(scaled.z, 10.0f);
    EXPECT_EQ(scaled.w, 1.0f);

    Matrix4 identity;
    MatIdentity(&identity);
    MatMultiply(&first_, &identity, &m);
    ExpectSameMatrix(m, first_);
}

struct QuarterTurnCase {
    const char* name;
    void (*build)(Matrix4*, float);
    Vec4 in;
    Vec4 out;
};

TEST_F(MatMathTest, QuarterTurnsMoveTheAxesAsTheGameExpects) {
    const QuarterTurnCase cases[] = {
        {"x", MatRotationX, {0, 1, 0, 1}, {0, 0, 1, 1}},
        {"y", MatRotationY, {0, 0, 1, 1}, {1, 0, 0, 1}},
        {"z", MatRotationZ, {1, 0, 0, 1}, {0, -1, 0, 1}},  // heading sense: x turns to -y
    };
    for (const QuarterTurnCase& c : cases) {
        Matrix4 m;
        c.build(&m, 1.5707964f);
        const Vec4 turned = Apply(m, c.in);
        EXPECT_NEAR(turned.x, c.out.x, 1e-6f) << c.name;
        EXPECT_NEAR(turned.y, c.out.y, 1e-6f) << c.name;
        EXPECT_NEAR(turned.z, c.out.z, 1e-6f) << c.name;
        EXPECT_EQ(turned.w, 1.0f) << c.name;
    }
}

}  // namespace
}  // namespace kes
