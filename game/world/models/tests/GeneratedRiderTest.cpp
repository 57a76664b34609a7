// The generated rider as the game loads it: enough key frames, a skeleton whose lists cover the mesh,
// bones as long as the rider body's segments, and the bind pose rebuilt by the skeleton from particles
// placed on its nodes.
#include <gtest/gtest.h>

#include <cmath>

#include "game/core/maths/FastMath.h"
#include "game/world/models/RiderBlend.h"
#include "game/world/models/RiderModel.h"
#include "game/world/models/tests/GeneratedModels.h"
#include "game/world/models/tests/RiderTestMesh.h"

namespace kes::test {
namespace {

class GeneratedRiderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitTrigTables();
        std::string error;
        ASSERT_TRUE(OpenGeneratedModelsPack(&error)) << error;
        ASSERT_EQ(LoadRider(model, nullptr), 0);
    }
    static void TearDownTestSuite() {
        FreeRider(model);
        CloseGeneratedModelsPack();
    }
    static RiderModel model;
};
RiderModel GeneratedRiderTest::model;

TEST_F(GeneratedRiderTest, EveryVertexIsOnABoneAndEveryNodeHasVertices) {
    ASSERT_TRUE(model.mesh);
    EXPECT_GE(model.mesh->frameCount, kRiderFrameCount);
    EXPECT_GE(model.mesh->faceCount, 300u);
    EXPECT_LE(model.mesh->faceCount, 1200u);
    std::vector<int> owners(model.VertexCount(), 0);
    for (const auto& list : model.bones)
        for (uint32_t v : list) ++owners[v];
    for (uint32_t v = 0; v < model.VertexCount(); ++v) EXPECT_EQ(owners[v], 1) << "vertex " << v;
    for (const auto& list : model.nodes) EXPECT_FALSE(list.empty());
    EXPECT_EQ(model.skins->Count(), 8u);
}

TEST_F(GeneratedRiderTest, BonesHaveTheRiderBodysLengths) {
    model.mesh->current = model.Frame(kRiderBindFrame);
    auto length = [](uint32_t a, uint32_t b) {
        return Distance(GetRiderModelNodePosition(model, a), GetRiderModelNodePosition(model, b));
    };
    // The rider body's segment lengths after a fall: shoulders, upper arms, forearms, thighs, shins.
    EXPECT_NEAR(length(0, 1), 1.13f, 0.05f);
    EXPECT_NEAR(length(0, 3), 0.77f, 0.05f);
    EXPECT_NEAR(length(3, 4), 0.82f, 0.05f);
    EXPECT_NEAR(length(1, 5), 0.77f, 0.05f);
    EXPECT_NEAR(length(7, 8), 1.86f, 0.05f);
    EXPECT_NEAR(length(9, 10), 1.86f, 0.05f);
    EXPECT_NEAR(length(2, 7), 1.72f, 0.12f);
    EXPECT_NEAR(length(11, 12), 0.95f, 0.05f);
}

TEST_F(GeneratedRiderTest, ParticlesOnTheBindPoseNodesRebuildTheBindPose) {
    model.mesh->current = model.Frame(kRiderBindFrame);
    Vec3 particles[kRiderParticleCount];
    for (uint32_t i = 0; i < kRiderParticleCount; ++i) particles[i] = GetRiderModelNodePosition(model, i);
    auto rider = CreateRiderInstance(model, 0);
    DrawRider(model, particles, *rider, nullptr);
    const SourceVertex* bind = model.Frame(kRiderBindFrame);
    float worst = 0.0f;
    for (uint32_t v = 0; v < model.VertexCount(); ++v)
        worst = std::max(worst, Distance({rider->vertices[v].x, rider->vertices[v].y, rider->vertices[v].z},
                                          {bind[v].x, bind[v].y, bind[v].z}));
    // Table rotation: 2 pi / 4096 of a turn at up to half a unit from the bone, and table roots.
    EXPECT_LT(worst, 0.01f);
    FreeRiderInstance(model, rider);
}

TEST_F(GeneratedRiderTest, RidingPosesKeepTheRiderInOnePiece) {
    // Every pose the blend can make keeps the bones at their lengths (rigid parts, real poses).
    auto rider = CreateRiderInstance(model, 0);
    rider->poseOn = 1;
    const float points[][4] = {{0, 0, 0, 0}, {-1, 1, 0, -1}, {0.3f, -0.6f, 0.4f, 0.5f}, {0, 0, -1, 1}, {0.5f, 1, 0.5f, 0}};
    for (const auto& p : points) {
        rider->poseX = p[0], rider->poseY = p[1], rider->poseZ = p[2], rider->poseSteer = p[3];
        BlendRiderPose(model, *rider);
        model.mesh->current = rider->vertices.data();
        const float shin = Distance(GetRiderModelNodePosition(model, 7), GetRiderModelNodePosition(model, 8));
        EXPECT_NEAR(shin, 1.86f, 0.08f) << p[0] << " " << p[1] << " " << p[2] << " " << p[3];
    }
    FreeRiderInstance(model, rider);
}

}  // namespace
}  // namespace kes::test
