#pragma once
// Scene cameras: scene objects with a horizontal field of view, near and far distances and one small
// sphere. The active camera defines the projection and, once per frame, the view record that every
// drawing routine receives. Camera space: X right, Y forward (depth), Z up.
#include <cstdint>

#include "game/core/maths/MathTypes.h"
#include "game/core/objects/Objects.h"

namespace kes {

class RenderInterface;

constexpr int32_t kNoActiveCamera = static_cast<int32_t>(0x8123F700);

struct SceneCamera {
    SectorObject* object;
    float fov;  // radians, horizontal
    float nearPlane;
    float farPlane;
    uint32_t active;
    uint32_t ownerWord;
    ObjectSphere sphere;
    uint32_t ownerWords[3];
    uint32_t touched;
};

struct Plane {
    float nx, ny, nz, d;
};

struct ViewRecord {
    const Matrix4* world;
    const Matrix4* view;
    const Matrix4* projection;
    const Matrix4* screen;
    const Matrix4* viewProjection;
    const Matrix4* viewProjectionScreen;
    float groundMinX, groundMaxX, groundMinY, groundMaxY;
    float fov, cosHalfFov, sinHalfFov, tanHalfFov;
    float verticalFov, cosHalfVertical, sinHalfVertical, tanHalfVertical;
    Plane planes[6];  // left, right, bottom, top, near, far
    Vec3 position;
    Vec3 direction;
    uint32_t zero;
    uint32_t screenWidth, screenHeight;
    float nearPlane, farPlane;
    RenderInterface* renderer;
    uint32_t drawWords[4];
};

int CreateCamera(SceneCamera** out, const char* name, ObjectUpdateFn update);
int DestroyCamera(SceneCamera* camera);
SceneCamera* SetActiveCamera(SceneCamera* camera);
SceneCamera* ActiveCamera();
int SetCameraFov(SceneCamera* camera, float degrees);
int SetViewportSize(uint32_t width, uint32_t height);
void UpdateProjection();
int ApplyCameraView(ViewRecord* view);
int GetNearPlaneCorners(const Matrix4* m, Vec3 out[4]);

// The matrices of the projection (tests and the render interface).
const Matrix4& CameraProjection();
const Matrix4& CameraScreen();
const Matrix4& CameraProjectionScreen();

}  // namespace kes
