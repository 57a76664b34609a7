// The active camera's projection, view matrices, frustum planes and ground rectangle.
#include "game/core/camera/Camera.h"

#include <cmath>
#include <cstring>
#include <new>

#include "game/core/maths/MatMath.h"
#include "game/core/maths/VecMath.h"

namespace kes {
namespace {

struct CameraState {
    SceneCamera* active = nullptr;
    uint32_t width = 640;
    uint32_t height = 480;
    Matrix4 projection{};
    Matrix4 screen{};
    Matrix4 projectionScreen{};
    Matrix4 world{};
    Matrix4 view{};
    Matrix4 viewProjection{};
    Matrix4 viewProjectionScreen{};
};

CameraState g_camera;

int CameraContact(uint32_t, ContactInfo*, void* user) {
    static_cast<SceneCamera*>(user)->touched = 1;
    return 1;
}

float Clamp(float v, float lo, float hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace

int CreateCamera(SceneCamera** out, const char* name, ObjectUpdateFn update) {
    auto* camera = new (std::nothrow) SceneCamera{};
    if (!camera) return static_cast<int>(0x8007000E);
    ObjectDesc desc{};
    if (name) std::strncpy(desc.name, name, kObjectNameSize - 1);
    const int result = CreateObject(&camera->object, &desc);
    if (result != 0) {
        delete camera;
        return result;
    }
    SectorObject* o = camera->object;
    o->update = update;
    o->user = camera;
    o->spheres = &camera->sphere;
    o->sphereCount = 1;
    o->contact = CameraContact;
    o->contactUser = camera;
    camera->sphere.radius = 1.0f;
    camera->nearPlane = 1.0f;
    camera->farPlane = 2000.0f;
    camera->fov = 1.57079632679f;
    if (!g_camera.active) {
        g_camera.active = camera;
        camera->active = 1;
        UpdateProjection();
    }
    if (out) *out = camera;
    return 0;
}

int DestroyCamera(SceneCamera* camera) {
    if (!camera) return 0;
    DestroyObject(camera->object);
    if (g_camera.active == camera) {
        camera->active = 0;
        g_camera.active = nullptr;
    }
    delete camera;
    return 0;
}

SceneCamera* SetActiveCamera(SceneCamera* camera) {
    SceneCamera* previous = g_camera.active;
    if (previous) previous->active = 0;
    g_camera.active = camera;
    if (camera) {
        camera->active = 1;
        UpdateProjection();
    }
    return previous;
}

SceneCamera* ActiveCamera() {
    return g_camera.active;
}

int SetCameraFov(SceneCamera* camera, float degrees) {
    const float radians = degrees * 3.1415927f / 180.0f;
    if (radians == camera->fov) return 0;
    camera->fov = radians;
    if (camera == g_camera.active) UpdateProjection();
    return 0;
}

int SetViewportSize(uint32_t width, uint32_t height) {
    g_camera.width = width;
    g_camera.height = height;
    UpdateProjection();
    return 0;
}

void UpdateProjection() {
    const SceneCamera* c = g_camera.active;
    if (!c) return;
    const float w = static_cast<float>(g_camera.width);
    const float h = static_cast<float>(g_camera.height ? g_camera.height : 1);
    const float q = c->farPlane / (c->farPlane - c->nearPlane);
    const float t = std::tan(c->fov / 2.0f);
    Matrix4& p = g_camera.projection;
    std::memset(&p, 0, sizeof p);
    p.m[0] = 1.0f / t;
    p.m[5] = q;
    p.m[7] = 1.0f;
    p.m[10] = (w * (1.0f / t)) / h;
    p.m[13] = -q * c->nearPlane;
    Matrix4& s = g_camera.screen;
    std::memset(&s, 0, sizeof s);
    s.m[0] = w / 2.0f;
    s.m[5] = 1.0f;
    s.m[10] = -h / 2.0f;
    s.m[12] = w / 2.0f;
    s.m[14] = h / 2.0f;
    s.m[15] = 1.0f;
    MatMultiply(&g_camera.screen, &g_camera.projection, &g_camera.projectionScreen);  // P x S
}

int ApplyCameraView(ViewRecord* view) {
    SceneCamera* c = g_camera.active;
    if (!c) return kNoActiveCamera;
    c->object->node->Update();
    GetObjectMatrix(c->object, &g_camera.world);
    const float* w = g_camera.world.m;
    Matrix4& v = g_camera.view;
    std::memset(&v, 0, sizeof v);
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col) v.m[4 * r + col] = w[4 * col + r];
    const float tx = w[12], ty = w[13], tz = w[14];
    for (int col = 0; col < 3; ++col) v.m[12 + col] = -(tx * w[4 * col] + ty * w[4 * col + 1] + tz * w[4 * col + 2]);
    v.m[15] = 1.0f;
    MatMultiply(&g_camera.projection, &g_camera.view, &g_camera.viewProjection);  // V x P
    MatMultiply(&g_camera.projectionScreen, &g_camera.view, &g_camera.viewProjectionScreen);

    view->world = &g_camera.world;
    view->view = &g_camera.view;
    view->projection = &g_camera.projection;
    view->screen = &g_camera.screen;
    view->viewProjection = &g_camera.viewProjection;
    view->viewProjectionScreen = &g_camera.viewProjectionScreen;
    const float half = c->fov / 2.0f;
    view->fov = c->fov;
    view->cosHalfFov = std::cos(half);
    view->sinHalfFov = std::sin(half);
    view->tanHalfFov = std::tan(half);
    const float width = static_cast<float>(g_camera.width ? g_camera.width : 1);
    const float height = static_cast<float>(g_camera.height);
    view->verticalFov = 2.0f * std::atan(height * std::tan(half) / width);
    const float vhalf = view->verticalFov / 2.0f;
    view->cosHalfVertical = std::cos(vhalf);
    view->sinHalfVertical = std::sin(vhalf);
    view->tanHalfVertical = std::tan(vhalf);
    view->position = {tx, ty, tz};
    view->direction = {w[4], w[5], w[6]};
    view->zero = 0;
    view->screenWidth = g_camera.width;
    view->screenHeight = g_camera.height;
    view->nearPlane = c->nearPlane;
    view->farPlane = c->farPlane;

    const float ch = view->cosHalfFov, sh = view->sinHalfFov;
    const float cv = view->cosHalfVertical, sv = view->sinHalfVertical;
    const Vec3 normals[6] = {{ch, sh, 0}, {-ch, sh, 0}, {0, sv, -cv}, {0, sv, cv}, {0, 1, 0}, {0, -1, 0}};
    Matrix3 rot;
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col) rot.m[3 * r + col] = w[4 * r + col];
    const Vec3 pos = view->position, dir = view->direction;
    const Vec3 nearPoint{pos.x + dir.x * c->nearPlane, pos.y + dir.y * c->nearPlane, pos.z + dir.z * c->nearPlane};
    const Vec3 farPoint{pos.x + dir.x * c->farPlane, pos.y + dir.y * c->farPlane, pos.z + dir.z * c->farPlane};
    for (int i = 0; i < 6; ++i) {
        Vec3 n;
        Vec3MulMat3(&rot, &normals[i], &n);
        const Vec3& through = i == 4 ? nearPoint : (i == 5 ? farPoint : pos);
        view->planes[i] = {n.x, n.y, n.z, -(n.x * through.x + n.y * through.y + n.z * through.z)};
    }

    // Ground rectangle over the camera position and the four far-plane corners.
    const float hx = view->tanHalfFov * c->farPlane;
    const float hz = view->tanHalfVertical * c->farPlane;
    float minX = pos.x, maxX = pos.x, minY = pos.y, maxY = pos.y;
    for (int corner = 0; corner < 4; ++corner) {
        const Vec4 local{(corner & 1) ? hx : -hx, c->farPlane, (corner & 2) ? hz : -hz, 1.0f};
        Vec4 world;
        Vec4MulMat4(&g_camera.world, &local, &world);
        if (world.x < minX) minX = world.x;
        if (world.x > maxX) maxX = world.x;
        if (world.y < minY) minY = world.y;
        if (world.y > maxY) maxY = world.y;
    }
    view->groundMinX = Clamp(minX, -10000.0f, 15000.0f);
    view->groundMaxX = Clamp(maxX, -10000.0f, 15000.0f);
    view->groundMinY = Clamp(minY, -10000.0f, 15000.0f);
    view->groundMaxY = Clamp(maxY, -10000.0f, 15000.0f);
    return 0;
}

int GetNearPlaneCorners(const Matrix4* m, Vec3 out[4]) {
    const SceneCamera* c = g_camera.active;
    if (!c) return kNoActiveCamera;
    const float t = std::tan(c->fov / 2.0f);
    const float hx = t * c->nearPlane;
    const float hz = t * static_cast<float>(g_camera.height) * c->nearPlane / static_cast<float>(g_camera.width ? g_camera.width : 1);
    // Top left, top right, bottom left, bottom right as seen from the camera.
    const float xs[4] = {-hx, hx, -hx, hx};
    const float zs[4] = {hz, hz, -hz, -hz};
    for (int i = 0; i < 4; ++i) {
        const Vec4 local{xs[i], c->nearPlane, zs[i], 1.0f};
        Vec4 r;
        Vec4MulMat4(m, &local, &r);
        out[i] = {r.x, r.y, r.z};
    }
    return 0;
}

const Matrix4& CameraProjection() { return g_camera.projection; }
const Matrix4& CameraScreen() { return g_camera.screen; }
const Matrix4& CameraProjectionScreen() { return g_camera.projectionScreen; }

}  // namespace kes
