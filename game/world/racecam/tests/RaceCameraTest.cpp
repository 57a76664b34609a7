#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <memory>
#include <vector>

#include "game/core/camera/Camera.h"
#include "game/core/maths/FastMath.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/maps/CameraZones.h"
#include "game/world/physics/GeneratedGround.h"
#include "game/world/racecam/RaceCamera.h"
#include "game/world/racer/Racer.h"
#include "platform/sys/CrtRand.h"

namespace kes {
namespace {

struct CameraScene : ::testing::Test {
    void SetUp() override {
        InitTrigTables();
        const float box[6] = {-20000, -20000, -20000, 20000, 20000, 20000};
        InitObjects(0, 1, 1, 1, box);
        RaceContext() = RaceContextData();
        RaceContext().ground = ground.get();
        RacerHooks() = RacerHookTable();
        ResetRaceCamera();
        RaceCamKeys() = RaceCameraKeys();
        ASSERT_EQ(CreateCamera(&camera, "Main Camera", UpdateRaceCamera), 0);
        SetViewportSize(640, 480);
        SetActiveCamera(camera);
        RacerDesc d;
        d.kind = kRacerComputer;
        d.startX = 200;
        d.startY = 200;
        racer = CreateRacer(&d);
        ASSERT_NE(racer, nullptr);
        SetRaceCameraTarget(racer);
    }
    void TearDown() override {
        SetRaceCameraTarget(nullptr);
        DestroyRacer(racer);
        SetActiveCamera(nullptr);
        DestroyCamera(camera);
        CameraZonesFree();
        FreeObjects();
        RaceContext() = RaceContextData();
        RacerHooks() = RacerHookTable();
    }
    void Frame(uint32_t ms = 10) { UpdateObjects(ms, 0); }
    Vec3 CameraEye() const { return {ChaseRig().view.m[12], ChaseRig().view.m[13], ChaseRig().view.m[14]}; }
    Vec3 CameraForward() const { return {ChaseRig().view.m[4], ChaseRig().view.m[5], ChaseRig().view.m[6]}; }

    std::unique_ptr<GroundQuery> ground = std::make_unique<FlatGround>(0.0f);
    SceneCamera* camera = nullptr;
    RacerRecord* racer = nullptr;
};

TEST_F(CameraScene, KeypadZeroCyclesTheFirstThreeModesAndEnterTogglesFreeOrbit) {
    RaceCamState().mode = 0;
    const int32_t cycle[] = {1, 2, 0, 1};
    for (int32_t want : cycle) {
        RaceCamKeys().nextMode = 1;
        Frame();
        EXPECT_EQ(RaceCamState().mode, want);
        EXPECT_EQ(RaceCamKeys().nextMode, 0u);  // the camera clears a latched key
        EXPECT_EQ(RaceCamState().displayTimer, 2000);  // counted down before the keys
    }
    RaceCamKeys().freeOrbit = 1;
    Frame();
    EXPECT_EQ(RaceCamState().mode, 4);
    EXPECT_EQ(ChaseRig().followMode, 0);
    RaceCamKeys().freeOrbit = 1;
    Frame();
    EXPECT_EQ(RaceCamState().mode, 1);
    // From free orbit keypad 0 goes back to the saved mode.
    RaceCamState().mode = 2;
    RaceCamKeys().freeOrbit = 1;
    Frame();
    RaceCamKeys().nextMode = 1;
    Frame();
    EXPECT_EQ(RaceCamState().mode, 2);
}

TEST_F(CameraScene, ZoomPitchAndYawStayInTheirRanges) {
    RaceCamState().mode = 1;
    RaceCamKeys().zoomIn = 1;
    for (int i = 0; i < 100; ++i) Frame();
    EXPECT_EQ(RaceCamState().distance[0], kMinZoom);
    RaceCamKeys().zoomIn = 0;
    RaceCamKeys().zoomOut = 1;
    for (int i = 0; i < 400; ++i) Frame();
    EXPECT_EQ(RaceCamState().distance[0], kMaxZoom);
    RaceCamKeys().zoomOut = 0;
    RaceCamKeys().pitchUp = 1;
    for (int i = 0; i < 200; ++i) Frame();
    EXPECT_EQ(RaceCamState().pitch, kMaxPitch);
    RaceCamKeys().pitchUp = 0;
    RaceCamKeys().pitchDown = 1;
    for (int i = 0; i < 200; ++i) Frame();
    EXPECT_EQ(RaceCamState().pitch, -kMaxPitch);
    RaceCamKeys().pitchDown = 0;
    RaceCamKeys().yawRight = 1;
    Frame();
    EXPECT_GT(RaceCamState().yaw, kTwoPi - 0.03f);
    EXPECT_LT(RaceCamState().yaw, kTwoPi);
}

TEST(RaceCameraHat, DirectionsOfTheHatAngle) {
    const struct {
        uint32_t angle;
        bool up, right, down, left;
    } cases[] = {{0, true, false, false, false},      {4500, true, true, false, false},
                 {13500, false, true, true, false},   {22500, false, false, true, true},
                 {31500, true, false, false, true},   {0xFFFFFFFFu, false, false, false, false}};
    for (const auto& c : cases) {
        bool d[4];
        HatDirections(c.angle, d);
        EXPECT_EQ(d[0], c.up) << c.angle;
        EXPECT_EQ(d[1], c.right) << c.angle;
        EXPECT_EQ(d[2], c.down) << c.angle;
        EXPECT_EQ(d[3], c.left) << c.angle;
    }
}

TEST(ChaseRigSteps, StepZeroSnapsAndStepsEaseGeometrically) {
    ChaseCamDefaults();
    ChaseRig().eye = {0, 0, 0};
    ChaseRig().target = {0, 0, 0};
    ChaseCamSetGoal({100, 0, 0}, {0, 50, 0});
    ChaseCamStep(10);
    EXPECT_NEAR(100.0f - ChaseRig().eye.x, 100.0f * std::pow(0.98f, 10.0f), 1e-3);
    EXPECT_NEAR(50.0f - ChaseRig().target.y, 50.0f * std::pow(0.4f, 10.0f), 1e-3);
    ChaseCamStep(0);
    EXPECT_EQ(ChaseRig().eye.x, 100.0f);
    EXPECT_EQ(ChaseRig().target.y, 50.0f);
}

struct BumpyCamera : CameraScene {
    void SetUp() override {
        ground = std::make_unique<RandomGround>(5, 40.0f, 30.0f);
        CameraScene::SetUp();
    }
};

TEST_F(BumpyCamera, NearPlaneStaysAboveTheGroundOverRandomPoses) {
    plat::CrtSrand(3);
    const auto rnd = [] { return static_cast<float>(plat::CrtRand()) / 32767.0f; };
    float worst = 1e9f;
    for (int i = 0; i < 2000; ++i) {
        const Vec3 target = {rnd() * 2000.0f, rnd() * 2000.0f, 0.0f};
        const float gt = ground->HeightAt(target.x, target.y);
        const Vec3 eye = {target.x + (rnd() - 0.5f) * 60.0f, target.y + (rnd() - 0.5f) * 60.0f,
                          gt + (rnd() - 0.7f) * 40.0f};
        ChaseCamDefaults();
        ChaseRig().followMode = (i % 2) ? 1 : 0;
        ChaseCamInit(eye, {target.x, target.y, gt + rnd() * 10.0f});
        Matrix4 m;
        ChaseCamUpdate(&m);
        Vec3 corners[4];
        ASSERT_EQ(GetNearPlaneCorners(&m, corners), 0);
        for (const Vec3& c : corners) worst = std::fmin(worst, c.z - (ground->HeightAt(c.x, c.y) + 2.0f));
    }
    EXPECT_GE(worst, -1e-3f);
}

TEST_F(BumpyCamera, FollowingARacerKeepsTheNearPlaneAboveTheGround) {
    RaceCamState().mode = 1;
    for (int i = 0; i < 300; ++i) {
        racer->bike->controls[kControlThrottle] = 1;
        Frame();
        Vec3 corners[4];
        ASSERT_EQ(GetNearPlaneCorners(&ChaseRig().view, corners), 0);
        for (const Vec3& c : corners) ASSERT_GE(c.z, ground->HeightAt(c.x, c.y) + 2.0f - 1e-3f) << i;
    }
}

TEST_F(CameraScene, ChaseViewLooksAtTheBikeFromItsDistance) {
    RaceCamState().mode = 1;
    for (int i = 0; i < 400; ++i) Frame();
    const Vec3 eye = CameraEye();
    const Vec3 c = racer->bike->centre;
    const float flat = std::hypot(eye.x - c.x, eye.y - c.y);
    EXPECT_NEAR(flat, 15.0f, 1.5f);
    // The camera faces the bike.
    const Vec3 f = CameraForward();
    const Vec3 to = {c.x - eye.x, c.y - eye.y, c.z - eye.z};
    const float len = std::sqrt(to.x * to.x + to.y * to.y + to.z * to.z);
    EXPECT_GT((f.x * to.x + f.y * to.y + f.z * to.z) / len, 0.95f);
    EXPECT_NEAR(camera->fov, 90.0f * 0.017453292f, 1e-4);
}

TEST_F(CameraScene, NonFiniteRigIsSnappedBack) {
    RaceCamState().mode = 1;
    Frame();
    ChaseRig().eye.x = std::nanf("");
    ChaseRig().target.y = 1e30f;
    Frame();
    for (float v : {ChaseRig().eye.x, ChaseRig().eye.y, ChaseRig().eye.z, ChaseRig().target.x, ChaseRig().target.y})
        EXPECT_TRUE(std::isfinite(v));
    EXPECT_LT(std::fabs(ChaseRig().target.y - racer->bike->centre.y), 50.0f);
}

// One camera zone record as the editor stores it.
void PutZone(std::vector<uint8_t>& b, float x, float y, float z, Vec3 from, Vec3 to, uint32_t type, float factor,
             float range, float fov) {
    const auto f32 = [&](float v) {
        const uint32_t u = std::bit_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(u >> (8 * i)));
    };
    const auto u32 = [&](uint32_t v) { f32(std::bit_cast<float>(v)); };
    f32(x), f32(y), f32(z), f32(0), f32(from.x), f32(from.y), f32(to.x), f32(to.y);
    f32(factor), f32(range), u32(type), f32(0), u32(0), f32(0), u32(0), f32(0.1f), f32(fov);
}

TEST_F(CameraScene, ZoneCameraTakesTheZonesPointAndFieldOfView) {
    std::vector<uint8_t> b = {2, 0, 0, 0, 2, 0, 0, 0};
    PutZone(b, 150, 150, 30, {100, 100, 0}, {300, 300, 0}, 0, 0.5f, 0, 60.0f);
    PutZone(b, 900, 900, 30, {800, 800, 0}, {1000, 1000, 0}, 1, 0, 40.0f, 75.0f);
    MemoryPack pack(b);
    ChunkStream s(pack, static_cast<uint32_t>(b.size()));
    ASSERT_EQ(CameraZonesLoad(s), 0);
    RaceCamState().mode = 0;
    Frame();
    EXPECT_EQ(RaceCamState().zone, 0);
    EXPECT_NEAR(CameraEye().x, 150.0f, 1e-3);
    EXPECT_NEAR(CameraEye().y, 150.0f, 1e-3);
    EXPECT_NEAR(camera->fov, 60.0f * 0.017453292f, 1e-4);
    // Out of every zone the zone camera chases like mode 1.
    racer->bike->Reset({600, 300, 3}, {0, 1, 0}, racer->bike->params);
    for (int i = 0; i < 3; ++i) Frame();
    EXPECT_EQ(RaceCamState().zone, -1);
    EXPECT_NEAR(camera->fov, 90.0f * 0.017453292f, 1e-4);
    // A zone of the second type keeps its fixed distance from the bike.
    racer->bike->Reset({900, 900, 3}, {0, 1, 0}, racer->bike->params);
    for (int i = 0; i < 3; ++i) Frame();
    EXPECT_EQ(RaceCamState().zone, 1);
    EXPECT_EQ(ChaseRig().followMode, 0);
    const Vec3 e = CameraEye(), t = ChaseRig().target;
    EXPECT_NEAR(std::sqrt((e.x - t.x) * (e.x - t.x) + (e.y - t.y) * (e.y - t.y) + (e.z - t.z) * (e.z - t.z)), 40.0f, 1.0f);
}

TEST_F(CameraScene, IntroEndsAtOnceWithoutACourse) {
    RaceContext().racePhase = 1;
    camera->object->update = StartRaceCamera;
    Frame();
    EXPECT_EQ(camera->object->update, UpdateRaceCamera);
}

TEST_F(CameraScene, WrapShiftMovesTheRigWithItsRacer) {
    Frame();
    const Vec3 before = ChaseRig().eye;
    ASSERT_NE(RacerHooks().wrapShift, nullptr);
    RacerHooks().wrapShift(racer, 100.0f, -50.0f);
    EXPECT_EQ(ChaseRig().eye.x, before.x + 100.0f);
    EXPECT_EQ(ChaseRig().eye.y, before.y - 50.0f);
    RacerHooks().wrapShift(nullptr, 100.0f, 0.0f);  // another racer: nothing moves
    EXPECT_EQ(ChaseRig().eye.x, before.x + 100.0f);
}

}  // namespace
}  // namespace kes
