#pragma once
// The race camera: the scene camera "Main Camera" flies over the course along the AI gates, then
// follows one racer in one of five modes (0 camera zones of the world, 1 chase, 2 orbit, 3 on the
// bike, 4 free orbit), switched and zoomed with the numeric keypad or the joystick's hat. Every mode
// sets goals for one chase rig that eases the eye and the target toward them and keeps the near
// plane above the ground.
#include <cstdint>

#include "game/core/maths/MathTypes.h"
#include "game/core/objects/Objects.h"
#include "game/world/race/RaceRacers.h"

namespace kes {

struct ChaseCam {
    Vec3 eye{0, 0, 0}, target{0, 0, 0};
    Vec3 goalEye{0, 0, 0}, goalTarget{0, 0, 0};
    Matrix4 view{};            // rows: right, forward, up, eye (the scene camera's object matrix)
    float eyeDeadZone = 0.0f;
    float targetDeadZone = 0.0f;
    float limits[2] = {50.0f, 50.0f};
    float eyeEasing = 0.02f;
    float targetEasing = 0.6f;
    int32_t followMode = 1;    // 1 follow with the limits, 0 keep the fixed distance
    float followFactor = 0.0f;
    int32_t minSwitch = 0;
    int32_t maxSwitch = 0;
    float maxDistance = 0.0f;
    float minDistance = 0.0f;
    float fixedDistance = 10.0f;
};
ChaseCam& ChaseRig();

void ChaseCamDefaults();
void ChaseCamInit(const Vec3& eye, const Vec3& target);
void ChaseCamSetGoal(const Vec3& eye, const Vec3& target);
// n easing sub-steps; 0 jumps to the goals.
void ChaseCamStep(uint32_t n);
// Places the eye by the follow mode, builds the view looking at the target with z up, raises the eye
// until the near plane's corners are at least 2.0 above the ground, and copies the matrix to out.
void ChaseCamUpdate(Matrix4* out);

constexpr float kMinZoom = 6.0f;
constexpr float kMaxZoom = 100.0f;
constexpr float kMaxPitch = 1.2566371f;
constexpr float kTwoPi = 6.2831855f;

struct RaceCameraState {
    int32_t mode = 1;
    int32_t savedMode = 1;
    float distance[3] = {15.0f, 15.0f, 15.0f};  // modes 1, 2 and 4
    float yaw = 0.0f;
    float pitch = 0.0f;
    float introParameter = 0.0f;
    float tilt = 0.0f;
    float smoothing = 0.0f;
    int32_t zone = -1;
    int32_t displayTimer = 0;       // ms the mode's name stays on screen
    float crashBlend = 500.0f;      // ms
    int32_t lastMode = -1;          // mode of the previous update (a change snaps the rig)
    bool introPathBuilt = false;
};
RaceCameraState& RaceCamState();
// Resets the state and the rig for a new race.
void ResetRaceCamera();

// The racer the camera follows (null: the camera stays where it is).
void SetRaceCameraTarget(RacerRecord* racer);
RacerRecord* RaceCameraTarget();

// Update routines of the camera object: the intro first, then the follow camera.
void StartRaceCamera(SectorObject* object, uint32_t ms, void* user);
void UpdateRaceCamera(SectorObject* object, uint32_t ms, void* user);

// The held-key directions the joystick's hat stands for (its angle in hundredths of a degree; any
// value above 35900 is centred): up, right, down, left.
void HatDirections(uint32_t angle, bool out[4]);

}  // namespace kes
