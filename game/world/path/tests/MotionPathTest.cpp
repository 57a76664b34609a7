#include <gtest/gtest.h>

#include <cmath>

#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/path/MotionPath.h"
#include "game/world/path/Vec3Ops.h"

namespace kes {
namespace {

Path Line(int n, bool closed = false) {
    Path p;
    for (int i = 0; i < n; ++i) p.points.push_back({10.0f * static_cast<float>(i), 0.0f, 0.0f});
    p.closed = closed ? 1 : 0;
    RebuildKnots(&p);
    return p;
}

void ExpectNear(Vec3 a, Vec3 b, float tol = 1e-4f) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

TEST(MotionPath, FourOpenPointsHaveOneSegmentFromSecondToThirdPoint) {
    Path p = Line(4);
    EXPECT_EQ(p.knots, (std::vector<float>{0, 0, 1, 1}));
    Vec3 out{};
    ASSERT_TRUE(EvalPath(p, 0.0f, &out));
    ExpectNear(out, p.points[1]);
    ASSERT_TRUE(EvalPath(p, 1.0f, &out));
    ExpectNear(out, p.points[2]);
    // Beyond the last segment nothing is written.
    out = {7, 7, 7};
    EXPECT_FALSE(EvalPath(p, 1.5f, &out));
    ExpectNear(out, {7, 7, 7});
}

TEST(MotionPath, WeightsSumToOneAndEvenPointsRunLinearly) {
    const Vec3 ones[4] = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}};
    for (float u = 0.0f; u <= 1.0f; u += 0.125f) ExpectNear(CatmullRom(ones, u), {1, 1, 1}, 1e-5f);
    Path p = Line(8);
    EXPECT_NEAR(p.length, 50.0f, 1e-3f);
    for (size_t i = 1; i < p.knots.size(); ++i) EXPECT_GE(p.knots[i], p.knots[i - 1]);
    for (float t : {0.1f, 0.37f, 0.5f, 0.9f}) {
        Vec3 out{};
        ASSERT_TRUE(EvalPath(p, t, &out));
        EXPECT_NEAR(out.x, 10.0f + 50.0f * t, 1e-2f) << t;
    }
}

TEST(MotionPath, DegeneratePathsStayFinite) {
    Path same;
    same.points.assign(5, Vec3{0, 0, 0});
    RebuildKnots(&same);
    EXPECT_FLOAT_EQ(same.length, 0.01f);
    EXPECT_EQ(same.knots, (std::vector<float>{0, 0, 0, 1, 1}));
    // Equal points away from the origin differ by rounding only; every point is still the same.
    same.points.assign(5, Vec3{3, 4, 5});
    RebuildKnots(&same);
    for (float t : {0.0f, 0.3f, 1.0f}) {
        Vec3 out{};
        ASSERT_TRUE(EvalPath(same, t, &out));
        EXPECT_TRUE(Finite(out));
        ExpectNear(out, {3, 4, 5});
    }
    same.closed = 1;
    RebuildKnots(&same);
    int32_t segment = -1;
    float u = -1;
    ASSERT_TRUE(FindPathSegment(same, 0.5f, &segment, &u));
    EXPECT_TRUE(std::isfinite(u));
    // Below four points: no length, no point, no segment.
    Path three = Line(3);
    EXPECT_EQ(PathLength(three), 0.0f);
    Vec3 out{1, 2, 3};
    EXPECT_FALSE(EvalPath(three, 0.5f, &out));
    EXPECT_FALSE(FindPathSegment(three, 0.5f, &segment, &u));
}

TEST(MotionPath, ClosedSquareReturnsToItsFirstPoint) {
    Path sq;
    sq.points = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
    sq.closed = 1;
    RebuildKnots(&sq);
    EXPECT_EQ(sq.knots[0], 0.0f);
    EXPECT_NEAR(sq.knots[2], 0.5f, 1e-5f);
    Vec3 out{};
    ASSERT_TRUE(EvalPath(sq, 0.0f, &out));
    ExpectNear(out, {0, 0, 0});
    ASSERT_TRUE(EvalPath(sq, 1.0f, &out));
    ExpectNear(out, {0, 0, 0});
    ASSERT_TRUE(EvalPath(sq, 0.5f, &out));
    ExpectNear(out, {10, 10, 0});
    int32_t segment;
    float u;
    ASSERT_TRUE(FindPathSegment(sq, 0.9f, &segment, &u));
    EXPECT_EQ(segment, 3);
    EXPECT_NEAR(u, 0.6f, 1e-4f);
}

TEST(MotionPath, PointListWrapsTheParameterOnce) {
    PointList l = Line(6);
    Vec3 a{}, b{};
    ASSERT_TRUE(EvalPointList(l, -0.25f, &a));
    ASSERT_TRUE(EvalPointList(l, 0.75f, &b));
    ExpectNear(a, b);
    ASSERT_TRUE(EvalPointList(l, 1.5f, &a));
    ASSERT_TRUE(EvalPointList(l, 0.5f, &b));
    ExpectNear(a, b);
}

TEST(MotionPath, InsertMovesLaterPointsUpAndRebuildsKnots) {
    PointList l = Line(4);
    InsertPathPoint(&l, {15, 0, 0}, 2);
    ASSERT_EQ(l.Count(), 5);
    ExpectNear(l.points[2], {15, 0, 0});
    ExpectNear(l.points[3], {20, 0, 0});
    EXPECT_EQ(l.knots.size(), 5u);
    EXPECT_EQ(l.knots[3], 1.0f);
    InsertPathPoint(&l, {99, 0, 0}, 100);  // clamped to the end
    ExpectNear(l.points.back(), {99, 0, 0});
}

std::vector<uint8_t> Bytes(const Path& p, bool path) {
    std::vector<uint8_t> out;
    if (path) AppendPath(out, p);
    else AppendPointList(out, p);
    return out;
}

TEST(MotionPath, StreamFormsRoundTripAndRefuseDamage) {
    Path p = Line(5, true);
    for (bool asPath : {true, false}) {
        const std::vector<uint8_t> bytes = Bytes(p, asPath);
        MemoryPack pack(bytes);
        ChunkStream s(pack, static_cast<uint32_t>(bytes.size()));
        Path back;
        uint32_t taken = 0;
        ASSERT_TRUE(asPath ? ReadPath(s, &back, &taken) : ReadPointList(s, &back, &taken));
        EXPECT_EQ(taken, bytes.size());
        EXPECT_EQ(back.points.size(), 5u);
        EXPECT_EQ(back.knots, p.knots);
        EXPECT_EQ(back.closed, asPath ? 1u : 0u);
    }
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
    } cases[] = {
        {"count past the chunk", 4, 1000},
        {"negative count", 4, 0x80000000u},
        {"point not finite", 24, 0x7FC00000u},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = Bytes(p, true);
        for (int i = 0; i < 4; ++i) bytes[c.at + i] = static_cast<uint8_t>(c.value >> (8 * i));
        MemoryPack pack(bytes);
        ChunkStream s(pack, static_cast<uint32_t>(bytes.size()));
        Path back;
        EXPECT_FALSE(ReadPath(s, &back, nullptr)) << c.what;
    }
    // Knots that fall are rebuilt rather than trusted.
    std::vector<uint8_t> bytes = Bytes(p, true);
    const size_t knot1 = 24 + 5 * 12 + 4;
    bytes[knot1 + 3] = 0xC0;  // a negative knot after knot 0
    MemoryPack pack(bytes);
    ChunkStream s(pack, static_cast<uint32_t>(bytes.size()));
    Path back;
    ASSERT_TRUE(ReadPath(s, &back, nullptr));
    EXPECT_EQ(back.knots, p.knots);
    // A short stream refuses.
    std::vector<uint8_t> cut = Bytes(p, true);
    cut.resize(cut.size() - 2);
    MemoryPack cutPack(cut);
    ChunkStream cs(cutPack, static_cast<uint32_t>(cut.size()));
    EXPECT_FALSE(ReadPath(cs, &back, nullptr));
}

}  // namespace
}  // namespace kes
