#include "game/core/camera/Camera.h"
#include "game/core/input/Input.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/racer/tests/RacerTestSupport.h"

namespace kes::test {
namespace {

struct DrawScene : RacerScene {
    void SetUp() override {
        RacerScene::SetUp();
        ASSERT_EQ(CreateCamera(&camera, "Main Camera", nullptr), 0);
        SetViewportSize(640, 480);
        SetActiveCamera(camera);
    }
    void TearDown() override {
        SetActiveCamera(nullptr);
        DestroyCamera(camera);
        FreeRaceModels();
        RacerScene::TearDown();
    }
    // The camera 30 behind (0, 0) looking along +y.
    ViewRecord View() {
        Matrix4 m{};
        m.m[0] = 1, m.m[5] = 1, m.m[10] = 1, m.m[13] = -30, m.m[14] = 5, m.m[15] = 1;
        SetObjectMatrix(camera->object, &m);
        ViewRecord v{};
        ApplyCameraView(&v);
        v.renderer = &render;
        return v;
    }
    SceneCamera* camera = nullptr;
    TableRender render;
};

int g_bikesDrawn = 0;

TEST_F(DrawScene, RacerDrawsWhatExistsAndNothingOffScreen) {
    EXPECT_EQ(LoadRaceModels(&render), static_cast<int32_t>(0x8007000E));  // no model files here
    EXPECT_FALSE(RaceModelsLoaded());
    RacerRecord* seen = Make(kRacerComputer, 0, 0);
    RacerRecord* behind = Make(kRacerComputer, 0, -200);
    ASSERT_NE(seen, nullptr);
    ASSERT_NE(behind, nullptr);
    Frame(10);
    RaceContext().followed = seen;
    ViewRecord v = View();
    // Without bike or rider models nothing is drawn, and nothing fails.
    DrawObjects(&v);
    g_bikesDrawn = 0;
    RacerHooks().drawBike = [](BikeDrawBlock*, RenderInterface*, const char*, const Vec3&) { ++g_bikesDrawn; };
    DrawObjects(&v);
    EXPECT_EQ(g_bikesDrawn, 1);  // the one behind the camera is left out
    // The pose pass filled the bike's matrix: its origin is the bike's centre.
    EXPECT_NEAR(seen->bikeModel.bikeMatrix.m[12], seen->bike->centre.x, 0.5f);
    EXPECT_NEAR(seen->bikeModel.riderMatrix.m[14] - seen->bikeModel.bikeMatrix.m[14], 2.5f, 0.5f);
}

TEST_F(DrawScene, CameraKeysAreBoundOnlyOnce) {
    InputInit(nullptr, nullptr);
    const uint32_t before = InputBindingCount(0x52);
    EXPECT_EQ(LoadRacerAssets(&render), 0);
    RegisterRacerBindings();
    EXPECT_EQ(InputBindingCount(0x52), before + 1);
    EXPECT_EQ(InputBindingCount(0x9C), before + 1);
    EXPECT_EQ(FreeRacerAssets(), 0);
    EXPECT_EQ(InputBindingCount(0x52), before);
    InputShutdown();
}

// The drawing block's part values come from the drawn bike: the handlebar from the steering, the
// swing arm and fork from the two suspension lengths, the wheels from the distance rolled forward.
TEST_F(RacerScene, PartValuesFollowSteeringSuspensionAndRolling) {
    RacerRecord* racer = Make(kRacerComputer, 0, 0);
    ASSERT_NE(racer, nullptr);
    const auto pose = [&](float front, float rear, float ahead) {
        Vec3* p = racer->drawn.positions;
        p[0] = {0, ahead, 0}, p[1] = {0, ahead + 10, 0}, p[2] = {0, ahead, rear}, p[3] = {0, ahead + 10, front};
        ComputeBikeFrame(racer);
        return racer->bikeModel.parts;
    };
    constexpr float kDeg = 0.017453292f;
    struct Case {
        float front, rear, steer;
        float handlebar, arm, fork;
    } cases[] = {
        {7.0f, 7.0f, 0.0f, 0.0f, (0.76667f * -10 + 0.23333f * 30) * kDeg, 0.86667f * 0.05f - 0.13333f * 0.1f},
        {5.0f, 5.0f, 15.0f, -0.5f, 26.0f * kDeg, 0.2f * 0.05f - 0.8f * 0.1f},    // both legs pressed in
        {10.0f, 10.0f, -90.0f, 1.0f, -10.0f * kDeg, 0.05f},                      // stretched; steering held at 1
        {2.0f, 2.0f, 0.0f, 0.0f, 30.0f * kDeg, -0.1f},                            // beyond the stops
    };
    for (const Case& c : cases) {
        racer->bike->steerAngle = c.steer;
        const float* parts = pose(c.front, c.rear, 0.0f);
        EXPECT_NEAR(parts[0], c.handlebar, 1e-5f) << c.front;
        EXPECT_NEAR(parts[1], c.arm, 1e-4f) << c.front;
        EXPECT_NEAR(parts[4], c.fork, 1e-4f) << c.front;
    }
    // Rolling 1.2 forward turns both wheels by 1.2 x scale / radius 1.2; a jump of 100 is a teleport.
    const float front0 = pose(7, 7, 0.0f)[2], rear0 = racer->bikeModel.parts[3];
    const float* rolled = pose(7, 7, 1.2f);
    EXPECT_NEAR(rolled[2] - front0, 1.2f * racer->bike->scale / 1.2f, 1e-4f);
    EXPECT_NEAR(rolled[3] - rear0, 1.2f * racer->bike->scale / 1.2f, 1e-4f);
    const float afterRoll = rolled[2];
    EXPECT_FLOAT_EQ(pose(7, 7, 101.2f)[2], afterRoll);
}

}  // namespace
}  // namespace kes::test
