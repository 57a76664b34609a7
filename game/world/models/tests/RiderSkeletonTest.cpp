// The crashed rider's skeleton: bone-local coordinates there and back, and the whole bind-then-draw
// path on a small rider whose skeleton nodes are single vertices.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "game/core/maths/FastMath.h"
#include "game/world/models/RiderBlend.h"
#include "game/world/models/RiderModel.h"
#include "game/world/models/tests/RiderTestMesh.h"
#include "platform/bytes/ByteIO.h"

namespace kes::test {
namespace {

class RiderSkeletonTest : public ::testing::Test {
protected:
    void SetUp() override { InitTrigTables(); }
};

TEST_F(RiderSkeletonTest, BoneLocalAndBackGivesThePoint) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> unit(-3.0f, 3.0f);
    for (int i = 0; i < 1000; ++i) {
        const Vec3 a{unit(random), unit(random), unit(random)}, b{unit(random), unit(random), unit(random)};
        const Vec3 p{unit(random), unit(random), unit(random)};
        const Vec3 r{0.3f, -0.5f, 0.81f};
        const RiderBoneCoords local = RiderBoneLocal(p, a, b, r);
        ASSERT_GE(local.angle, 0.0f);
        ASSERT_LE(local.angle, 6.2831855f);
        // One table step of the angle moves the point by r x 2 pi / 4096; the table roots add a little.
        const float bound = local.r * 6.2831855f / 4096.0f * 1.5f + 0.01f * (1.0f + local.r + Distance(a, b));
        EXPECT_LT(Distance(RiderBoneWorld(a, b, r, local), p), bound) << i;
    }
}

TEST_F(RiderSkeletonTest, PointsOnTheBone) {
    const Vec3 a{1, 2, 3}, b{1, 2, 7}, r{1, 0, 0};
    const RiderBoneCoords atA = RiderBoneLocal(a, a, b, r);
    EXPECT_FLOAT_EQ(atA.t, 0.0f);
    EXPECT_FLOAT_EQ(atA.r, 0.0f);
    EXPECT_FLOAT_EQ(atA.angle, 1.5707964f);
    const RiderBoneCoords middle = RiderBoneLocal({1, 2, 5}, a, b, r);
    EXPECT_NEAR(middle.t, 0.5f, 1e-3f);
    EXPECT_NEAR(middle.r, 0.0f, 1e-3f);
    for (float angle : {0.0f, 1.0f, 4.0f}) {
        const Vec3 back = RiderBoneWorld(a, b, r, {0.5f, 0.0f, angle});
        EXPECT_NEAR(Distance(back, {1, 2, 5}), 0.0f, 1e-3f);
    }
}

TEST_F(RiderSkeletonTest, BoneAlongTheReferenceNormalTakesItsSideFromY) {
    const Vec3 a{0, 0, 0}, b{0, 0, 2}, r{0, 0, 1};
    // The side axis is then (0, 0, 1) x (0, 1, 0) = (-1, 0, 0): a point on -x has angle 0.
    const RiderBoneCoords local = RiderBoneLocal({-1, 0, 1}, a, b, r);
    EXPECT_NEAR(local.t, 0.5f, 1e-3f);
    EXPECT_NEAR(local.r, 1.0f, 1e-3f);
    EXPECT_NEAR(local.angle, 0.0f, 1e-3f);
    EXPECT_TRUE(std::isfinite(RiderBoneLocal({0, 1, 1}, a, b, r).angle));
}

// A rider of 15 node vertices (node i is vertex i) and one extra vertex beside each bone
// (vertex 15 + b). Nodes sit on a spread figure that turns a little from frame to frame.
Vec3 NodeAt(uint32_t node, uint32_t frame) {
    static const Vec3 rest[15] = {{0, 0, 0},  {6, 0, 0},  {3, 0, -7},  {-3, 0, 0}, {-6, 0, 0},
                                  {9, 0, 0},  {12, 0, 0}, {1, 0, -10}, {-1, 0, -13}, {5, 0, -10},
                                  {7, 0, -13}, {3, 0, 0}, {3, 0, 3},   {0, 1, -13}, {7, 1, -13}};
    const float bend = 0.01f * static_cast<float>(frame % 390 % 50);  // frames 0 and 390 agree
    const Vec3& p = rest[node];
    return {p.x * 0.2f, p.y * 0.2f + bend * p.x * 0.1f, p.z * 0.2f};
}

class BoundRiderTest : public RiderSkeletonTest {
protected:
    void SetUp() override {
        RiderSkeletonTest::SetUp();
        auto mesh = RiderMesh(27, kRiderFrameCount, [](uint32_t f, uint32_t v) {
            if (v < 15) return NodeAt(v, f);
            const RiderBone& bone = kRiderBones[v - 15];
            const Vec3 a = NodeAt(bone.from, f), b = NodeAt(bone.to, f);
            return Vec3{(a.x + b.x) / 2 + 0.1f, (a.y + b.y) / 2 + 0.15f, (a.z + b.z) / 2 - 0.05f};
        });
        ASSERT_TRUE(mesh);
        plat::ByteWriter nodes;
        for (uint32_t n = 0; n < 15; ++n) nodes.U32(1), nodes.U32(n);
        std::vector<uint8_t> bones;
        auto be16 = [&](int v) { bones.push_back(static_cast<uint8_t>(v >> 8)), bones.push_back(static_cast<uint8_t>(v)); };
        for (uint32_t b = 0; b < 12; ++b) {
            be16(b == 3 ? 2 : 1);
            be16(static_cast<int>(15 + b));
            if (b == 3) be16(15 + 2);  // listed under bone 2 and bone 3: bone 3 places it
        }
        ASSERT_EQ(BuildRider(model, std::move(mesh), nodes.Take(), bones), 0);
        rider = CreateRiderInstance(model, 0);
        ASSERT_TRUE(rider);
    }
    RiderModel model;
    std::unique_ptr<RiderInstance> rider;
};

TEST_F(BoundRiderTest, ParticlesOnTheBindPoseRebuildTheBindPose) {
    Vec3 particles[kRiderParticleCount];
    for (uint32_t i = 0; i < kRiderParticleCount; ++i) particles[i] = NodeAt(i, kRiderBindFrame);
    DrawRider(model, particles, *rider, nullptr);
    const SourceVertex* bind = model.Frame(kRiderBindFrame);
    for (uint32_t v = 15; v < 27; ++v)
        EXPECT_LT(Distance({rider->vertices[v].x, rider->vertices[v].y, rider->vertices[v].z}, {bind[v].x, bind[v].y, bind[v].z}),
                  2e-3f)
            << v;
}

TEST_F(BoundRiderTest, BonesCarryTheirVerticesAndOthersKeepTheRidingPose) {
    // Every particle moved by the same offset: bound vertices follow it, unbound ones do not.
    Vec3 particles[kRiderParticleCount];
    const Vec3 shift{10, -4, 2};
    for (uint32_t i = 0; i < kRiderParticleCount; ++i) {
        const Vec3 p = NodeAt(i, kRiderBindFrame);
        particles[i] = {p.x + shift.x, p.y + shift.y, p.z + shift.z};
    }
    const SourceVertex before13 = rider->vertices[13];
    DrawRider(model, particles, *rider, nullptr);
    const SourceVertex* bind = model.Frame(kRiderBindFrame);
    for (uint32_t v = 15; v < 27; ++v)
        EXPECT_LT(Distance({rider->vertices[v].x, rider->vertices[v].y, rider->vertices[v].z},
                           {bind[v].x + shift.x, bind[v].y + shift.y, bind[v].z + shift.z}),
                  2e-3f)
            << v;
    EXPECT_EQ(rider->vertices[13].x, before13.x);  // vertex 13 is on no bone
    EXPECT_EQ(model.bones[2].size(), 1u);
    EXPECT_EQ(model.bones[3].size(), 2u);
}

TEST_F(BoundRiderTest, NodePositionsAreTheMeansOfTheirVertices) {
    model.mesh->current = model.Frame(kRiderBindFrame);
    const Vec3 p = GetRiderModelNodePosition(model, 12);
    EXPECT_LT(Distance(p, NodeAt(12, kRiderBindFrame)), 1e-4f);
    EXPECT_EQ(GetRiderModelNodePosition(model, 99).x, 0.0f);
    // Placed on the bike: half a turn about z, then the seat offset.
    const Vec3 placed = GetRiderNodePosition(model, 12, *rider);
    const Vec3 frame0 = NodeAt(12, 0);
    EXPECT_NEAR(placed.x, -frame0.x, 1e-4f);
    EXPECT_NEAR(placed.y, -frame0.y + 1.1363636f, 1e-4f);
    EXPECT_NEAR(placed.z, frame0.z - 0.6684492f, 1e-4f);
}

TEST(RiderLoad, MeshesWithTooFewFramesAreRefused) {
    InitTrigTables();
    RiderModel model;
    auto shortMesh = RiderMesh(3, kRiderFrameCount - 1, [](uint32_t f, uint32_t) { return Vec3{float(f), 0, 0}; });
    ASSERT_TRUE(shortMesh);
    EXPECT_EQ(BuildRider(model, std::move(shortMesh), {}, {}), kRiderOutOfMemory);
    EXPECT_EQ(BuildRider(model, nullptr, {}, {}), kRiderOutOfMemory);
    EXPECT_FALSE(model.mesh);
}

TEST(RiderLoad, EmptySkinListGivesNoTexture) {
    InitTrigTables();
    RiderModel model;
    ASSERT_EQ(BuildRider(model, RiderMesh(3, kRiderFrameCount, [](uint32_t, uint32_t v) { return Vec3{float(v), 0, 0}; }),
                         {}, {}),
              0);
    model.skins = std::make_unique<SkinList>(nullptr, nullptr);
    auto rider = CreateRiderInstance(model, 5);
    EXPECT_EQ(RiderSkinTexture(model, *rider), 0u);
    Matrix4 m{};
    UpdateRiderPose(model, *rider, m, nullptr);  // returns: no endless wrapping
    FreeRiderInstance(model, rider);
    EXPECT_EQ(model.mesh->current, model.Frame(0));
}

}  // namespace
}  // namespace kes::test
