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

}  // namespace
}  // namespace kes::test
