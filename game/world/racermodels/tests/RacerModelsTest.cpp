// The racer hooks filled from a small rider model made in memory: a racer gets its own rider whose
// animation the bike plays tricks through and which runs on with the frames whether or not anything
// is drawn; the rider's pose follows the drawn bike; the rider sits on the bike body's part.
#include <gtest/gtest.h>

#include "game/world/chunk/TableRender.h"
#include "game/world/models/BikeModels.h"
#include "game/world/models/RiderBlend.h"
#include "game/world/models/RiderModel.h"
#include "game/world/models/tests/RiderTestMesh.h"
#include "game/world/racer/tests/RacerTestSupport.h"
#include "game/world/racermodels/RacerModels.h"
#include "game/world/tricks/Tricks.h"

namespace kes::test {
namespace {

struct ConnectedScene : RacerScene {
    void SetUp() override {
        RacerScene::SetUp();
        // Four vertices on 723 frames; frame f puts them f / 1000 along x.
        auto mesh = RiderMesh(4, kRiderFrameCount, [](uint32_t f, uint32_t v) {
            return Vec3{static_cast<float>(f) * 0.001f, static_cast<float>(v), 0.0f};
        });
        ASSERT_NE(mesh, nullptr);
        ASSERT_EQ(BuildRider(TheRiderModel(), std::move(mesh), {}, {}), 0);
        TheBikeModels().renderer = &render;  // stands for loaded bike models: nothing is drawn here
        ConnectRacerModels();
    }
    void TearDown() override {
        RacerScene::TearDown();  // the racers go first: they free their riders through the hooks
        DisconnectRacerModels();
        TheBikeModels().renderer = nullptr;
        FreeRider(TheRiderModel());
    }
    TableRender render;
};

TEST_F(ConnectedScene, RacerCarriesItsRiderAndTheBikePlaysTricksThroughIt) {
    RacerRecord* racer = Make(kRacerComputer, 0, 0);
    ASSERT_NE(racer, nullptr);
    RiderInstance* rider = RacerRiderInstance(racer->rider);
    ASSERT_NE(rider, nullptr);
    EXPECT_EQ(rider->vertices.size(), 4u);
    EXPECT_EQ(racer->bike->riderAnim, RacerRiderAnimation(racer->rider));
    EXPECT_EQ(racer->timedAnimation, nullptr);

    // Animation 1 runs frames 40 to 52: 12 frame periods. Nothing is drawn.
    racer->bike->riderAnim->StartRiderAnim(1);
    for (int i = 0; i < 66; ++i) Frame(10);  // 660 ms, half way
    EXPECT_EQ(rider->animClock, 660u);
    EXPECT_NEAR(racer->bike->riderAnim->AnimProgress(), 6.0f / 12.0f, 1e-6f);
    EXPECT_NEAR(rider->vertices[0].x, 46.0f * 0.001f, 1e-4f);  // the copy shows the running frame
    for (int i = 0; i < 70; ++i) Frame(10);
    EXPECT_TRUE(racer->bike->riderAnim->IsRiderAnimStopped());
    EXPECT_FLOAT_EQ(racer->bike->riderAnim->AnimProgress(), 1.0f);

    // The pose values are the drawn bike's.
    EXPECT_FLOAT_EQ(rider->poseX, racer->drawn.pose[0]);
    EXPECT_FLOAT_EQ(rider->poseY, racer->drawn.pose[1]);
    EXPECT_FLOAT_EQ(rider->poseZ, racer->drawn.pose[3]);
    EXPECT_FLOAT_EQ(rider->poseSteer, RiderSteerValue(*racer->bike));
    EXPECT_EQ(rider->poseOn, 1u);
}

TEST_F(ConnectedScene, RiderSitsOnTheBodyPartOfTheBike) {
    RacerRecord* racer = Make(kRacerComputer, 0, 0);
    ASSERT_NE(racer, nullptr);
    Frame(10);
    ComputeBikeFrame(racer);
    BikePartMatrices parts;
    ComputeBikeParts(racer->bikeModel, &parts);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(racer->bikeModel.riderMatrix.m[i], parts.body.m[i]) << i;
}

TEST_F(ConnectedScene, DisconnectingEmptiesTheHooks) {
    DisconnectRacerModels();
    const RacerHookTable& h = RacerHooks();
    EXPECT_EQ(h.createRider, nullptr);
    EXPECT_EQ(h.drawBike, nullptr);
    EXPECT_EQ(h.placeRider, nullptr);
    EXPECT_EQ(h.riderNodes, nullptr);
    // A racer made now does without a rider and times its tricks itself.
    RacerRecord* racer = Make(kRacerComputer, 0, 0);
    ASSERT_NE(racer, nullptr);
    EXPECT_EQ(racer->rider, nullptr);
    EXPECT_NE(racer->timedAnimation, nullptr);
}

}  // namespace
}  // namespace kes::test
