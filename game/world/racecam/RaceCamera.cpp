#include "game/world/racecam/RaceCamera.h"

#include <bit>
#include <algorithm>
#include <cmath>

#include "game/core/camera/Camera.h"
#include "game/core/input/Input.h"
#include "game/world/maps/CameraZones.h"
#include "game/world/path/MotionPath.h"
#include "game/world/racer/Racer.h"
#include "game/world/racer/RacerTrack.h"
#include "game/world/rider/RiderBody.h"

namespace kes {

namespace {

ChaseCam g_rig;
RaceCameraState g_state;
RacerRecord* g_target = nullptr;
Path g_introPath;

constexpr float kMaxSwing = 0.0873f;  // radians per frame
constexpr float kHugeCoordinate = 3.6893488e19f;  // 2^65

Vec3 Add(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 Sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Mul(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 Normalised(Vec3 v, Vec3 fallback) {
    const float l = Length(v);
    return (l > 1e-6f && std::isfinite(l)) ? Mul(v, 1.0f / l) : fallback;
}

float Ground(float x, float y) {
    const GroundQuery* g = RaceContext().ground;
    return g ? g->HeightAt(x, y) : 0.0f;
}

void BuildView(const Vec3& eye, const Vec3& target, Matrix4* m) {
    const Vec3 forward = Normalised(Sub(target, eye), {0, 1, 0});
    Vec3 right = Cross(forward, {0, 0, 1});
    right = Normalised(right, {1, 0, 0});
    const Vec3 up = Cross(right, forward);
    const Vec3 rows[3] = {right, forward, up};
    for (int r = 0; r < 3; ++r) {
        m->m[4 * r] = rows[r].x;
        m->m[4 * r + 1] = rows[r].y;
        m->m[4 * r + 2] = rows[r].z;
        m->m[4 * r + 3] = 0.0f;
    }
    m->m[12] = eye.x;
    m->m[13] = eye.y;
    m->m[14] = eye.z;
    m->m[15] = 1.0f;
}

// How far the lowest near-plane corner lies below the ground + 2.0 (0 when none does).
float NearPlaneDeficit(const Matrix4& m) {
    Vec3 corners[4];
    if (GetNearPlaneCorners(&m, corners) != 0) {
        corners[0] = corners[1] = corners[2] = corners[3] = {m.m[12], m.m[13], m.m[14]};
    }
    float deficit = 0.0f;
    for (const Vec3& c : corners) deficit = std::fmax(deficit, Ground(c.x, c.y) + 2.0f - c.z);
    return deficit;
}

bool RigFinite() {
    const float v[6] = {g_rig.eye.x, g_rig.eye.y, g_rig.eye.z, g_rig.target.x, g_rig.target.y, g_rig.target.z};
    for (float f : v)
        if (!std::isfinite(f) || std::fabs(f) >= kHugeCoordinate) return false;
    return true;
}

Vec3 DrawnCentre(const RacerRecord& r) {
    Vec3 c = {0, 0, 0};
    for (const Vec3& p : r.drawn.positions) c = Add(c, p);
    return Mul(c, 0.25f);
}

Vec3 KeepAboveGround(Vec3 eye) {
    eye.z = std::fmax(eye.z, Ground(eye.x, eye.y) + 1.0f);
    return eye;
}

float& ModeDistance() {
    const int32_t m = g_state.mode;
    return g_state.distance[m == 2 ? 1 : (m == 4 ? 2 : 0)];
}

void BuildIntroPath() {
    g_introPath = Path();
    const auto point = [](int32_t waypoint) {
        const AiGate* g = RacerGate(waypoint, 0);
        Vec3 p = Mul(Add(RacerGateEndA(g), RacerGateEndB(g)), 0.5f);
        p.z = Ground(p.x, p.y) + 50.0f;
        return p;
    };
    const Vec3 start = point(0);
    g_introPath.points = {start, start};
    int32_t w = RacerNextWaypoint(0);
    for (int guard = 0; w > 0 && guard <= 100; ++guard) {
        if (!RacerGate(w, 0)) break;
        g_introPath.points.push_back(point(w));
        w = RacerNextWaypoint(w);
    }
    g_introPath.points.push_back(start);
    g_introPath.points.push_back(start);
    RebuildPathKnots(&g_introPath);
    g_state.introPathBuilt = true;
}

void SetCameraMatrix(SectorObject* object) {
    Matrix4 m;
    ChaseCamUpdate(&m);
    if (object) SetObjectMatrix(object, &m);
}

SceneCamera* CameraOf(SectorObject* object) {
    SceneCamera* c = ActiveCamera();
    return (c && c->object == object) ? c : nullptr;
}

void ShiftRig(RacerRecord* racer, float dx, float dy) {
    if (racer != g_target) return;
    for (Vec3* v : {&g_rig.eye, &g_rig.target, &g_rig.goalEye, &g_rig.goalTarget}) {
        v->x += dx;
        v->y += dy;
    }
}

}  // namespace

ChaseCam& ChaseRig() { return g_rig; }
RaceCameraState& RaceCamState() { return g_state; }

void ChaseCamDefaults() { g_rig = ChaseCam(); }

void ChaseCamInit(const Vec3& eye, const Vec3& target) {
    g_rig.eye = g_rig.goalEye = eye;
    g_rig.target = g_rig.goalTarget = target;
    ChaseCamStep(1);
}

void ChaseCamSetGoal(const Vec3& eye, const Vec3& target) {
    g_rig.goalEye = eye;
    g_rig.goalTarget = target;
}

void ChaseCamStep(uint32_t n) {
    if (n == 0) {
        g_rig.eye = g_rig.goalEye;
        g_rig.target = g_rig.goalTarget;
        return;
    }
    for (uint32_t i = 0; i < n; ++i) {
        const Vec3 d = Sub(g_rig.goalEye, g_rig.eye);
        if (Length(d) > g_rig.eyeDeadZone) g_rig.eye = Add(g_rig.eye, Mul(d, g_rig.eyeEasing));
        const Vec3 t = Sub(g_rig.goalTarget, g_rig.target);
        if (Length(t) > g_rig.targetDeadZone) g_rig.target = Add(g_rig.target, Mul(t, g_rig.targetEasing));
    }
}

void ChaseCamUpdate(Matrix4* out) {
    if (g_rig.followMode == 0) {
        const Vec3 dir = Normalised(Sub(g_rig.eye, g_rig.target), {0, -1, 0});
        g_rig.eye = Add(g_rig.target, Mul(dir, g_rig.fixedDistance));
    } else {
        g_rig.eye = Add(g_rig.eye, Mul(Sub(g_rig.goalEye, g_rig.eye), g_rig.followFactor));
        const Vec3 away = Sub(g_rig.eye, g_rig.target);
        const float d = Length(away);
        const Vec3 dir = Normalised(away, {0, -1, 0});
        if (g_rig.minSwitch && d < g_rig.minDistance) g_rig.eye = Add(g_rig.target, Mul(dir, g_rig.minDistance));
        if (g_rig.maxSwitch && d > g_rig.maxDistance) g_rig.eye = Add(g_rig.target, Mul(dir, g_rig.maxDistance));
    }
    BuildView(g_rig.eye, g_rig.target, &g_rig.view);
    // Raising the eye turns the view a little, so the corners are measured again until they clear.
    for (int pass = 0; pass < 8; ++pass) {
        const float deficit = NearPlaneDeficit(g_rig.view);
        if (deficit <= 0.0f) break;
        g_rig.eye.z += deficit + 1e-3f;
        BuildView(g_rig.eye, g_rig.target, &g_rig.view);
    }
    if (out) *out = g_rig.view;
}

void ResetRaceCamera() {
    const int32_t mode = g_state.mode;
    g_state = RaceCameraState();
    g_state.mode = mode;
    g_target = nullptr;
    RaceContext().followed = nullptr;
    g_introPath = Path();
    ChaseCamDefaults();
    RacerHooks().wrapShift = ShiftRig;
}

void SetRaceCameraTarget(RacerRecord* racer) {
    g_target = racer;
    RaceContext().followed = racer;
    RacerHooks().wrapShift = ShiftRig;
}
RacerRecord* RaceCameraTarget() { return g_target; }

void HatDirections(uint32_t h, bool out[4]) {
    out[0] = out[1] = out[2] = out[3] = false;
    if (h > 35900) return;  // centred
    out[0] = h < 9000 || h > 27000;
    out[1] = h > 0 && h < 18000;
    out[2] = h > 9000 && h < 27000;
    out[3] = h > 18000 && h < 35901;
}

void StartRaceCamera(SectorObject* object, uint32_t ms, void* user) {
    RaceContextData& race = RaceContext();
    if (race.racePhase == 1) {
        g_state.introParameter = -0.05f;
        g_state.mode = 1;
    }
    g_state.introParameter += 0.0004f;
    (void)ms;
    const bool keyPressed = InputAnyNewPress() != 0;
    if (RacerGateCount() > 3 && g_state.introParameter <= 0.95f && !keyPressed) {
        if (race.racePhase == 1) {
            race.racePhase = 2;
            g_state.mode = 1;
            g_state.distance[0] = g_state.distance[1] = g_state.distance[2] = 15.0f;
            g_state.displayTimer = 2000;
            g_state.yaw = g_state.pitch = 0.0f;
            BuildIntroPath();
            ChaseCamInit({400, 400, 50}, {200, 700, 90});
        }
        if (!g_state.introPathBuilt) BuildIntroPath();
        Vec3 eye, target;
        if (EvalPointList(g_introPath, g_state.introParameter, &eye) &&
            EvalPointList(g_introPath, g_state.introParameter + 0.05f, &target)) {
            ChaseCamSetGoal(eye, target);
        }
        ChaseCamStep(ms);
        SetCameraMatrix(object);
        return;
    }
    if (object) object->update = UpdateRaceCamera;
    UpdateRaceCamera(object, ms, user);
}

void UpdateRaceCamera(SectorObject* object, uint32_t ms, void*) {
    RacerRecord* racer = g_target;
    if (!racer || !racer->bike) return;
    const BikeBody& bike = *racer->bike;
    RaceCameraKeys& keys = RaceCamKeys();
    const bool hudToggle = RaceContext().hudToggle && *RaceContext().hudToggle;
    const int32_t timerMs = static_cast<int32_t>(hudToggle ? ms * 4 : ms);
    g_state.displayTimer = std::max(0, g_state.displayTimer - timerMs);

    // Latched keys; a rig gone non-finite starts again from the racer.
    bool snap = false;
    if (keys.freeOrbit) {
        keys.freeOrbit = 0;
        if (g_state.mode == 4) {
            g_state.mode = g_state.savedMode;
        } else {
            g_state.savedMode = g_state.mode;
            g_state.mode = 4;
        }
        g_state.displayTimer = 2000;
    }
    if (keys.nextMode) {
        keys.nextMode = 0;
        g_state.mode = g_state.mode == 4 ? g_state.savedMode : (g_state.mode + 1) % 3;
        g_state.displayTimer = 2000;
        snap = true;
    }
    keys.centre = 0;
    if (!RigFinite()) snap = true;

    // Zoom, yaw and pitch from the held keys and the hat.
    bool hat[4];
    const int32_t device = RaceContext().controlDevice;
    uint32_t pov[4];
    InputGetJoystickState(nullptr, nullptr, nullptr, pov, nullptr);
    HatDirections((device == 2 || device == 3) ? pov[0] : 0xFFFFFFFFu, hat);
    const float step = static_cast<float>(ms) * 0.002f;
    const bool zooming = keys.zoomIn || keys.zoomOut;
    float& distance = ModeDistance();
    if (keys.zoomIn) distance = std::fmax(kMinZoom, distance - static_cast<float>(ms) * 0.05f);
    if (keys.zoomOut) distance = std::fmin(kMaxZoom, distance + static_cast<float>(ms) * 0.05f);
    if (keys.yawLeft || hat[3]) g_state.yaw += step;
    if (keys.yawRight || hat[1]) g_state.yaw -= step;
    if (keys.pitchUp || hat[0]) g_state.pitch += step;
    if (keys.pitchDown || hat[2]) g_state.pitch -= step;
    g_state.yaw = std::fmod(g_state.yaw, kTwoPi);
    if (g_state.yaw < 0.0f) g_state.yaw += kTwoPi;
    g_state.pitch = std::fmax(-kMaxPitch, std::fmin(kMaxPitch, g_state.pitch));

    // Tilt with the ground under the wheels; the eye's height; the blend onto a crashed rider.
    const bool wheelDown = (bike.contactBits & 3u) != 0;
    const Vec3 c = DrawnCentre(*racer);
    if (!racer->crashed[0]) {
        const float tiltTarget = std::fmax(-1.0f, std::fmin(1.0f, bike.leanAngle));
        if (wheelDown) {
            const float d = tiltTarget - g_state.tilt;
            g_state.tilt += std::fmax(-0.005f, std::fmin(0.005f, d));
        } else if (std::fabs(g_state.tilt) < 0.0008f) {
            g_state.tilt = 0.0f;
        } else {
            g_state.tilt -= g_state.tilt > 0.0f ? 0.0008f : -0.0008f;
        }
    }
    Vec3 reference = c;
    float eyeHeight = g_state.distance[0] * 0.5f + racer->drawn.positions[0].z - g_state.tilt * 10.0f;
    if (!racer->crashed[0]) {
        g_state.crashBlend = 500.0f;
    } else {
        g_state.crashBlend = std::fmax(0.0f, g_state.crashBlend - static_cast<float>(ms));
        const float w = g_state.crashBlend * 0.002f;
        const Vec3 body = racer->riderBody ? racer->riderBody->body.particles[2].position : c;
        reference = Add(Mul(c, w), Mul(body, 1.0f - w));
        eyeHeight = eyeHeight * w + (g_state.distance[0] * 0.5f + body.z) * (1.0f - w);
    }

    // The candidate views.
    Vec3 chaseDir = Sub(g_rig.eye, reference);
    chaseDir.z = 0.0f;
    chaseDir = Normalised(chaseDir, Mul(bike.forward, -1.0f));
    if (wheelDown) {
        const Vec3 back = Normalised({-bike.forward.x, -bike.forward.y, 0.0f}, chaseDir);
        const float angle = std::atan2(chaseDir.x * back.y - chaseDir.y * back.x, Dot(chaseDir, back));
        const float turn = std::fmax(-kMaxSwing, std::fmin(kMaxSwing, angle));
        const float cs = std::cos(turn), sn = std::sin(turn);
        chaseDir = {chaseDir.x * cs - chaseDir.y * sn, chaseDir.x * sn + chaseDir.y * cs, 0.0f};
    }
    Vec3 chaseEye = Add(reference, Mul(chaseDir, g_state.distance[0]));
    chaseEye.z = eyeHeight;
    chaseEye = KeepAboveGround(chaseEye);
    const float cp = std::cos(g_state.pitch), sp = std::sin(g_state.pitch);
    const Vec3 orbitEye = KeepAboveGround(Add(
        reference, Mul(Vec3{cp * std::sin(g_state.yaw), -cp * std::cos(g_state.yaw), sp}, g_state.distance[1])));
    const Vec3 bikeEye = KeepAboveGround(Add(c, Mul(bike.up, 2.0f)));
    const Vec3 bikeTarget = Add(Add(c, Mul(bike.forward, 15.0f)), Mul(bike.up, 2.0f));

    if (g_state.lastMode != g_state.mode) snap = true;
    SceneCamera* camera = CameraOf(object);
    bool inZone = false;
    Vec3 goalEye = chaseEye, goalTarget = reference;
    const auto followWith = [&](float factor, int32_t minOn, float minD, int32_t maxOn, float maxD) {
        g_rig.followMode = 1;
        g_rig.followFactor = factor;
        g_rig.minSwitch = minOn;
        g_rig.minDistance = minD;
        g_rig.maxSwitch = maxOn;
        g_rig.maxDistance = maxD;
    };
    int32_t effectiveMode = g_state.mode;
    if (g_state.mode == 4) {
        g_rig.followMode = 0;
        g_rig.fixedDistance = g_state.distance[2];
        g_rig.followFactor = 0.0f;
        goalEye = g_rig.eye;
        goalTarget = reference;
    } else if (g_state.mode == 0) {
        Vec3 zoneEye;
        const int32_t zone = CameraZoneContains(reference, g_state.zone, &zoneEye);
        const CameraZone* z = CameraZoneAt(zone);
        if (z) {
            inZone = true;
            if (zone != g_state.zone) snap = true;
            g_state.zone = zone;
            const uint32_t type = std::bit_cast<uint32_t>(z->settings[2]);
            if (type == 0) {
                followWith(std::fmin(z->settings[0], 0.9f), std::bit_cast<uint32_t>(z->settings[4]) != 0,
                           z->settings[3], std::bit_cast<uint32_t>(z->settings[6]) != 0, z->settings[5]);
            } else {
                g_rig.followMode = 0;
                g_rig.followFactor = 0.0f;
                g_rig.fixedDistance = z->settings[1];
            }
            if (camera && z->settings[8] > 1.0f && z->settings[8] < 179.0f) SetCameraFov(camera, z->settings[8]);
            goalEye = zoneEye;
            goalTarget = reference;
        } else {
            g_state.zone = -1;
            effectiveMode = 1;
        }
    }
    if (effectiveMode >= 1 && effectiveMode <= 3) {
        followWith(0.0f, 0, 0.0f, 0, 0.0f);
        if (camera) SetCameraFov(camera, 90.0f);
        goalEye = effectiveMode == 1 ? chaseEye : (effectiveMode == 2 ? orbitEye : bikeEye);
        goalTarget = effectiveMode == 3 ? bikeTarget : reference;
    }

    // Look ahead along the bike's motion and lift the target with the bike's speed and climb.
    const float fixedOrSpan = g_rig.followMode == 0 ? g_rig.fixedDistance : Length(Sub(goalEye, goalTarget));
    const float v = std::fmax(0.0f, std::fmin(316.5f, fixedOrSpan * (1.0f - g_rig.followFactor) - 6.0f));
    const bool zoomPush = zooming && g_state.mode != 0;
    if (g_state.mode != 1) {
        Vec3 velocity = bike.meanVelocity;
        const float speed = Length(velocity);
        if (speed > 50.0f) velocity = Mul(velocity, 50.0f / speed);
        Vec3 push = Mul(velocity, 0.008f * v);
        const float limit = zoomPush ? 12.0f : 0.2f;
        const float pushLength = Length(push);
        if (pushLength > limit) push = Mul(push, limit / pushLength);
        if (g_state.mode == 0) push = Mul(push, 0.95f);
        else push.z = 0.0f;
        goalTarget = Add(goalTarget, push);
    }
    const float lift = std::fmin(bike.speed, 150.0f) * 0.01f * v * 0.1f + std::fmax(0.0f, bike.meanVelocity.z) * 0.02f;
    float ds = (lift - g_state.smoothing) * (zoomPush ? 1.2f : 0.02f);
    const float dsLimit = zoomPush ? 60.0f : 1.0f;
    ds = std::fmax(-dsLimit, std::fmin(dsLimit, ds));
    if (ds < 0.0f) ds *= 0.05f;
    g_state.smoothing += ds;
    if (g_state.mode == 0) g_state.smoothing *= 0.95f;
    if (!std::isfinite(g_state.smoothing)) g_state.smoothing = 0.0f;
    goalTarget.z += g_state.smoothing;

    if (snap || !RigFinite()) {
        g_rig.eye = goalEye;
        g_rig.target = goalTarget;
    }
    ChaseCamSetGoal(goalEye, goalTarget);
    ChaseCamStep(inZone ? 0 : ms);
    SetCameraMatrix(object);
    g_state.lastMode = g_state.mode;
}

}  // namespace kes
