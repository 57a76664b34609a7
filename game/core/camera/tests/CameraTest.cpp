#include <gtest/gtest.h>

#include <cmath>

#include "game/core/camera/Camera.h"
#include "game/core/maths/FastMath.h"

namespace kes {
namespace {

const float kBox[6] = {-40000, -40000, -20000, 40000, 40000, 20000};

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitTrigTables();
        ASSERT_EQ(InitObjects(0, 1, 1, 1, kBox), 0);
        SetViewportSize(640, 480);
    }
    void TearDown() override {
        SetActiveCamera(nullptr);
        FreeObjects();
    }
};

TEST_F(CameraTest, FirstCameraBecomesActiveAndProjectsTheScreenCentre) {
    SceneCamera* cam = nullptr;
    ASSERT_EQ(CreateCamera(&cam, "Main Camera", nullptr), 0);
    EXPECT_EQ(ActiveCamera(), cam);
    EXPECT_EQ(cam->fov, 1.57079632679f);
    ViewRecord view{};
    ASSERT_EQ(ApplyCameraView(&view), 0);
    EXPECT_NEAR(view.verticalFov, 2.0f * std::atan(0.75f), 1e-6f);
    // A point straight ahead lands at the screen centre; a point on the left frustum edge at x = 0.
    auto project = [&](float x, float y, float z, float* sx, float* sy, float* sz) {
        const float* m = view.viewProjectionScreen->m;
        const float in[4] = {x, y, z, 1};
        float out[4] = {};
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i) out[j] += in[i] * m[4 * i + j];
        *sx = out[0] / out[3];
        *sy = out[2] / out[3];
        *sz = out[1] / out[3];
    };
    float sx, sy, sz;
    project(0, 100, 0, &sx, &sy, &sz);
    EXPECT_NEAR(sx, 320, 1e-3);
    EXPECT_NEAR(sy, 240, 1e-3);
    project(-100, 100, 0, &sx, &sy, &sz);
    EXPECT_NEAR(sx, 0, 1e-3);
    project(0, 1, 0, &sx, &sy, &sz);
    EXPECT_NEAR(sz, 0, 1e-5);
    project(0, 2000, 0, &sx, &sy, &sz);
    EXPECT_NEAR(sz, 1, 1e-5);
    DestroyCamera(cam);
    EXPECT_EQ(ActiveCamera(), nullptr);
    EXPECT_EQ(ApplyCameraView(&view), kNoActiveCamera);
}

TEST_F(CameraTest, PlanesHoldTheInsideAndViewInvertsTheWorld) {
    SceneCamera* cam = nullptr;
    ASSERT_EQ(CreateCamera(&cam, "cam", nullptr), 0);
    SetObjectPosition(cam->object, 100, 200, 50);
    cam->object->node->rotateFlag = 1;
    cam->object->node->angleA = 0.7f;
    cam->object->node->angleC = -0.3f;
    ViewRecord view{};
    ASSERT_EQ(ApplyCameraView(&view), 0);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += view.world->m[4 * r + k] * view.view->m[4 * k + c];
            EXPECT_NEAR(sum, r == c ? 1.0f : 0.0f, 1e-4f);
        }
    const Vec3 p = view.position, d = view.direction;
    const Vec3 inside{p.x + d.x * 500, p.y + d.y * 500, p.z + d.z * 500};
    const Vec3 behind{p.x - d.x * 5, p.y - d.y * 5, p.z - d.z * 5};
    const Vec3 beyond{p.x + d.x * 2500, p.y + d.y * 2500, p.z + d.z * 2500};
    auto side = [](const Plane& pl, const Vec3& v) { return pl.nx * v.x + pl.ny * v.y + pl.nz * v.z + pl.d; };
    for (const Plane& pl : view.planes) EXPECT_GT(side(pl, inside), 0.0f);
    EXPECT_LT(side(view.planes[4], behind), 0.0f);
    EXPECT_LT(side(view.planes[5], beyond), 0.0f);
    DestroyCamera(cam);
}

TEST_F(CameraTest, FovOfAnInactiveCameraWaitsUntilItIsActive) {
    SceneCamera *first = nullptr, *second = nullptr;
    ASSERT_EQ(CreateCamera(&first, "first", nullptr), 0);
    ASSERT_EQ(CreateCamera(&second, "second", nullptr), 0);
    EXPECT_EQ(second->active, 0u);
    const float before = CameraProjection().m[0];
    SetCameraFov(second, 60.0f);
    EXPECT_EQ(CameraProjection().m[0], before);
    EXPECT_EQ(SetActiveCamera(second), first);
    EXPECT_EQ(first->active, 0u);
    EXPECT_NEAR(CameraProjection().m[0], 1.0f / std::tan(30.0f * 3.1415927f / 180.0f), 1e-5f);
    DestroyCamera(first);
    DestroyCamera(second);
}

TEST_F(CameraTest, GroundRectangleIsLimited) {
    SceneCamera* cam = nullptr;
    ASSERT_EQ(CreateCamera(&cam, "down", nullptr), 0);
    cam->farPlane = 40000.0f;
    SetObjectPosition(cam->object, -9000, -9000, 5000);
    // Looking straight down: the forward (y) row becomes -z.
    Matrix4 look{};
    look.m[0] = 1;
    look.m[6] = -1;
    look.m[9] = 1;
    look.m[15] = 1;
    SetObjectMatrix(cam->object, &look);
    ViewRecord view{};
    ASSERT_EQ(ApplyCameraView(&view), 0);
    EXPECT_FLOAT_EQ(view.groundMinX, -10000.0f);
    EXPECT_FLOAT_EQ(view.groundMinY, -10000.0f);
    EXPECT_FLOAT_EQ(view.groundMaxX, 15000.0f);
    EXPECT_FLOAT_EQ(view.groundMaxY, 15000.0f);
    Vec3 corners[4];
    ASSERT_EQ(GetNearPlaneCorners(view.world, corners), 0);
    EXPECT_NEAR(corners[0].z, 5000 - 1.0f, 1e-2f);
    DestroyCamera(cam);
}

TEST_F(CameraTest, ContactSetsTouched) {
    SceneCamera* cam = nullptr;
    ASSERT_EQ(CreateCamera(&cam, "cam", nullptr), 0);
    ObjectDesc desc{};
    desc.name[0] = 'w';
    SectorObject* wall = nullptr;
    ASSERT_EQ(CreateObject(&wall, &desc), 0);
    ObjectSphere s{{}, {0.5f, 0, 0}, 1, 0};
    wall->spheres = &s;
    wall->sphereCount = 1;
    UpdateObjects(10, 0);
    EXPECT_EQ(cam->touched, 1u);
    DestroyCamera(cam);
}

}  // namespace
}  // namespace kes
