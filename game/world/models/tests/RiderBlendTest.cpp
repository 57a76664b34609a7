// Rider poses on a mesh whose vertex x in frame k is k itself: every blend reads as a weighted frame
// number.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "game/core/maths/FastMath.h"
#include "game/world/models/RiderBlend.h"
#include "game/world/models/tests/RiderTestMesh.h"

namespace kes::test {
namespace {

class RiderBlendTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitTrigTables();
        auto mesh = RiderMesh(3, kRiderFrameCount, [](uint32_t f, uint32_t v) {
            return Vec3{static_cast<float>(f), static_cast<float>(v), 0.0f};
        });
        ASSERT_TRUE(mesh);
        ASSERT_EQ(BuildRider(model, std::move(mesh), {}, {}), 0);
        rider = CreateRiderInstance(model, 0);
        ASSERT_TRUE(rider);
        rider->poseOn = 1;
    }
    // The frame number the pose shows (vertex 0's x).
    float Shown() const { return rider->vertices[0].x; }
    float Pose(float x, float y, float z, float steer) {
        rider->poseX = x, rider->poseY = y, rider->poseZ = z, rider->poseSteer = steer;
        BlendRiderPose(model, *rider);
        return Shown();
    }

    RiderModel model;
    std::unique_ptr<RiderInstance> rider;
};

TEST_F(RiderBlendTest, NewInstanceShowsFrameZeroAndKeepsItWithoutPoseBlending) {
    EXPECT_FLOAT_EQ(Shown(), 0.0f);
    rider->poseOn = 0;
    rider->poseX = 0.5f;
    BlendRiderPose(model, *rider);
    EXPECT_FLOAT_EQ(Shown(), 0.0f);
    EXPECT_NEAR(rider->vertices[2].y, 2.0f, 1e-4f);  // the vertex keeps its own place
}

TEST_F(RiderBlendTest, AnimationPlaysItsFramesAndEnds) {
    struct Case {
        uint32_t anim, clock;
        float frame, progress;
        uint32_t animAfter;
    } cases[] = {
        {1, 0, 40.0f, 0.0f, 1},           // first frame exactly
        {1, 1210, 51.0f, 11.0f / 12.0f, 1},
        {1, 55, 40.5f, 0.0f, 1},          // halfway to the next frame
        {1, 1320, 52.0f, 1.0f, 0},        // played out: the last frame, animation over
        {20, 0, 390.0f, 1.0f, 0},         // a one-frame animation ends on its first call
        {36, 1000000, 722.0f, 1.0f, 0},   // long past its end
        {99, 0, 708.0f, 0.0f, 99},        // beyond the table: held at the last animation
    };
    for (const Case& c : cases) {
        StartRiderAnim(*rider, c.anim);
        AdvanceRiderClock(*rider, c.clock);
        BlendRiderPose(model, *rider);
        EXPECT_NEAR(Shown(), c.frame, 1e-3f) << c.anim << " at " << c.clock;
        EXPECT_NEAR(rider->animProgress, c.progress, 1e-6f) << c.anim << " at " << c.clock;
        EXPECT_EQ(rider->anim, c.animAfter) << c.anim << " at " << c.clock;
    }
}

TEST_F(RiderBlendTest, PosePointsShowTheirKeyFrames) {
    struct Case {
        float x, y, z, steer, frame;
    } cases[] = {
        {0, 0, 0, 0, 35.0f},  // steering 0 picks the variants after, with weight 0
        {-1, 1, 0, 0, 11.0f},
        {0.5f, 1, 0, 0, 14.0f},
        {1, 1, 0, 0, 17.0f},
        {0, -1, 0, 0, 23.0f},
        {0, 0, 1, 0, 0.5f * 5 + 0.5f * 29},   // the upper apex alone
        {0, 0, -1, 0, 0.5f * 8 + 0.5f * 26},  // the lower apex alone
        {0.5f, 0.5f, 0, 0, 0.5f * 35 + 0.5f * 17},
        {0, 0, 0, 1, 36.0f},                  // full right steering: the variant after
        {0, 0, 0, -1, 34.0f},                 // full left: the variant before
        {0, 0, 0, 0.5f, 35.5f},
        {1, 0, 1, 0, 0.5f * (0.5f * 5 + 0.5f * 29) + 0.25f * 17 + 0.25f * 32},  // used as x = z = 0.5
    };
    for (const Case& c : cases)
        EXPECT_NEAR(Pose(c.x, c.y, c.z, c.steer), c.frame, 2e-3f) << c.x << " " << c.y << " " << c.z << " " << c.steer;
}

TEST_F(RiderBlendTest, EdgePointsGoToTheEarlierTriangle) {
    EXPECT_EQ(FindRiderPoseTriangle(model, 0.5f, 0.5f, 0.0f), 3);
    EXPECT_EQ(FindRiderPoseTriangle(model, 0.0f, 0.0f, 0.0f), 0);
    EXPECT_EQ(FindRiderPoseTriangle(model, -0.5f, 0.9f, 0.0f), 5);
}

TEST_F(RiderBlendTest, WeightsAreNeverNegativeAndSumToOne) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (int i = 0; i < 2000; ++i) {
        float x = unit(random), z = unit(random);
        const float s = std::fabs(x) + std::fabs(z);
        if (s > 1.0f) x /= s, z /= s;
        RiderPoseBlend b;
        BuildRiderPoseBlend(model, &b, x, unit(random), z, unit(random));
        for (float w : {b.weight1, b.weight2, b.weight3, b.weight4}) EXPECT_GE(w, 0.0f);
        EXPECT_NEAR(b.weight1 + b.weight2 + b.weight3 + b.weight4, 1.0f, 1e-5f);
        EXPECT_NEAR(b.plainWeight + b.variantWeight, 1.0f, 1e-6f);
    }
}

TEST_F(RiderBlendTest, RowsRunAlongTheirThreeFrames) {
    struct Case {
        float row1, row2, steer, frame;
    } cases[] = {
        {1.0f, 0, 0, 590.0f},  // the last frame exactly
        {0.25f, 0, 0, 0.5f * 588 + 0.5f * 589},
        {0.5f, 0, 0, 589.0f},
        {0, 1.0f, 0, 352.0f},
        {0, 0.5f, -1.0f, 327.0f},  // row 2's left variant
        {0, 0.5f, 1.0f, 339.0f},   // and its right one
        {0, 0.5f, 0.5f, 345.0f},   // halfway between the plain row and the right one
        {0.5f, 0.5f, 0, 589.0f},   // both set: row 1
        {3.0f, 0, 0, 590.0f},      // past the end: held at it
    };
    for (const Case& c : cases) {
        rider->rowPose1 = c.row1, rider->rowPose2 = c.row2;
        EXPECT_NEAR(Pose(0, 0, 0, c.steer), c.frame, 2e-3f) << c.row1 << " " << c.row2 << " " << c.steer;
    }
}

}  // namespace
}  // namespace kes::test
