#include <gtest/gtest.h>

#include <cmath>

#include "game/core/maths/FastMath.h"
#include "game/world/physics/ResponseCurves.h"
#include "game/world/physics/Surface.h"
#include "game/world/physics/TrickBalance.h"
#include "platform/sys/CrtRand.h"

namespace kes {
namespace {

TEST(ResponseCurves, EvaluateEdgesInterpolationAndNaN) {
    FillBikeCurves();
    EXPECT_EQ(TurnRateCurve.Evaluate(-0.5f), 0.0f);
    EXPECT_EQ(TurnRateCurve.Evaluate(1.0f), 0.3f);
    EXPECT_EQ(TurnRateCurve.Evaluate(2.0f), 0.3f);
    EXPECT_NEAR(TurnRateCurve.Evaluate(0.05f), 0.9f, 1e-5f);
    EXPECT_NEAR(DriveCurveB.Evaluate(0.15f), 125.0f, 1e-3f);
    EXPECT_EQ(TurnRateCurve.Evaluate(NAN), 0.0f);
    EXPECT_EQ(DriveCurveAltA.Evaluate(0.95f), 0.0f);
}

TEST(ResponseCurves, SecondSetPointsKeepsTheFirstValues) {
    CurveTable curve;
    const float first[3] = {1.0f, 2.0f, 3.0f};
    const float second[2] = {9.0f, 9.0f};
    curve.SetPoints(3, first);
    curve.SetPoints(2, second);
    EXPECT_EQ(curve.count, 3);
    EXPECT_EQ(curve.Evaluate(0.5f), 2.0f);
    FillBikeCurves();
    FillBikeCurves();
    EXPECT_EQ(DriveCurveA.count, 11);
}

TEST(SurfaceTable, RowsAndFallback) {
    struct Row {
        uint32_t code;
        float roll, side, roughness, sink;
    };
    const Row rows[] = {
        {0, 0.001f, 0.1f, 0.3f, 0.3f},     {2, 0.001f, 0.1f, 1.0f, 0.5f},  {17, 0.003f, 0.3f, 0.1f, 1.0f},
        {48, 0.0003f, 0.003f, 0.15f, 0.1f}, {49, 0.0001f, 0.002f, 0.0f, 0.0f}, {65, 0.003f, 0.3f, 0.1f, 1.3f},
        {112, 0.001f, 0.03f, 0.2f, 0.2f},  {3, 0.001f, 0.1f, 0.0f, 0.0f},  {130, 0.001f, 0.1f, 0.0f, 0.0f},
        {255, 0.001f, 0.1f, 0.0f, 0.0f},
    };
    for (const Row& r : rows) {
        SurfaceProperties p;
        GetSurfaceProperties(r.code, &p);
        EXPECT_EQ(p.code, r.code);
        EXPECT_EQ(p.rollDrag, r.roll) << r.code;
        EXPECT_EQ(p.sideDrag, r.side) << r.code;
        EXPECT_EQ(p.grip, 0.7f) << r.code;
        EXPECT_EQ(p.roughness, r.roughness) << r.code;
        EXPECT_EQ(p.sink, r.sink) << r.code;
    }
}

TEST(SurfaceTable, BumpTableKeepsItsRangeAndMean) {
    const float* table = GroundBumpTable();
    const float firstEight[8] = {0.0f, 0.003f, 0.176f, 0.0f, 0.005f, 0.017f, 0.004f, 0.942f};
    double sum = 0.0;
    float largest = 0.0f;
    for (int i = 0; i < 256; ++i) {
        ASSERT_GE(table[i], 0.0f);
        ASSERT_LE(table[i], 0.981f);
        sum += table[i];
        largest = std::fmax(largest, table[i]);
        if (i < 8) {
            EXPECT_EQ(table[i], firstEight[i]);
        }
    }
    EXPECT_NEAR(sum / 256.0, 0.1975, 0.001);
    EXPECT_EQ(largest, 0.981f);
    EXPECT_EQ(GroundBump(3.7f, 3.4f, 2.0f), 0.942f * 2.0f);      // integer of 7.1 is 7
    EXPECT_EQ(GroundBump(-1.0e30f, 0.0f, 1.0f), table[0]);       // out of range converts to a fixed index
}

TEST(TrickBalanceGame, DriftStaysInItsBoundsAndTheEdgeStillCounts) {
    InitTrigTables();
    plat::SimSrand(5);
    TrickBalance balance;
    balance.Start(2);
    for (int i = 0; i < 500; ++i) {
        if (balance.Update() == 0) break;
        const float length = std::sqrt(balance.drift.x * balance.drift.x + balance.drift.y * balance.drift.y);
        EXPECT_GE(length, 0.0029f);
        EXPECT_LE(length, 0.0081f);
    }
    TrickBalance edge;
    edge.Start(1);
    edge.point = {1.0f, 0.0f, 0.0f};
    edge.drift = {0.0f, 0.003f, 0.0f};  // mode 1 measures x only
    TrickBalanceKickCountdown() = 100;
    EXPECT_EQ(edge.Update(), 1);
    EXPECT_EQ(edge.score, 0.0f);
    edge.drift = {0.003f, 0.0f, 0.0f};
    EXPECT_EQ(edge.Update(), 0);
}

}  // namespace
}  // namespace kes
