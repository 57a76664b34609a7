#pragma once
// The simulation record of one bike: a particle body of four particles and eight springs, the rider's
// riding state, the control bytes the racer's controller sets before each step, the frame derived from
// the particles and the working values of the step stages.
#include <cstdint>

#include "game/core/maths/MathTypes.h"
#include "game/world/physics/GroundQuery.h"
#include "game/world/physics/ParticleBody.h"
#include "game/world/physics/Surface.h"
#include "game/world/physics/TrickBalance.h"

namespace kes {

// The bike's parameter block (12 words): six set-up words, then the starting surface.
struct BikeParams {
    uint32_t airAssist = 2;        // 0 computer air handling, 1 manual while digital, 2 manual
    float driveBlendFloor = 0.0f;  // lower bound of the slope factor of the drive force
    float engineClass = 0.5f;      // 0..1, blends the two drive curves
    float topSpeedFactor = 0.5f;   // top speed = 70 + 80 x this
    float airControl = 0.5f;       // air-control force 30 x this + 5, pitch force 90 x this + 30
    // 0 off; otherwise a player's bike on a route that falls toward the ground (centre less than 30.0
    // above it, sinking, no wheel down, no air lean held) is levelled for landing by SteerInAir
    // instead of the rider's air control.
    uint32_t landingAssist = 0;
    SurfaceProperties surface = {0, 0.001f, 0.1f, 0.7f, 0.3f, 0.3f};
};

// Sounds the step asks for; the game's sound layer implements this, tests record it.
class BikeEventSink {
public:
    virtual ~BikeEventSink() = default;
    virtual void OnLandSound(bool big) = 0;
    // volume in hundredths of a decibel (0 = full)
    virtual void OnCrashSound(int volume) = 0;
    // A world solid's effect sound (its sound-effect number) at the bike, played from the start when
    // its voice is not already playing.
    virtual void OnEffectSound(int32_t, int, const Vec3&) {}
};

// What the bike needs of the world around it.
struct BikeEnvironment {
    const GroundQuery* ground = nullptr;  // required
    int32_t worldKind = 0;                // kind 1 uses the alternative drive curves
    BikeEventSink* events = nullptr;      // may be null
};

enum BikeControl : int {
    kControlThrottle = 0,
    kControlBrake = 1,
    kControlLeft = 2,
    kControlRight = 3,
    kControlPitchBack = 4,
    kControlPitchForward = 5,
    kControlHop = 6,
    kControlAirLeanLeft = 7,
    kControlAirLeanRight = 8,
    kControlGiveUp = 9,
};

enum BikeControlClass : int32_t {
    kClassLocal = 0,
    kClassComputer = 1,
    kClassNetwork = 2,
    kClassInert = 3,
    kClassReplay = 4,
};

// The unit of interpolation between two steps (76 bytes).
struct BikeSnapshot {
    Vec3 positions[4];
    float poseNegated;
    float pose[4];
    uint32_t trick[2];
};

class BikeBody {
public:
    BikeBody(const BikeEnvironment& env, const BikeParams& params, int32_t controlClass,
             const Vec3& startPosition, const Vec3& startHeading);
    BikeBody(const BikeBody&) = delete;
    BikeBody& operator=(const BikeBody&) = delete;

    // Places the bike at rest with its centre at position, facing heading, and restores every stage
    // value. Positions and parameters are brought into safe ranges first.
    void Reset(const Vec3& position, const Vec3& heading, const BikeParams& newParams);
    // One fixed step of 0.005 s.
    void Step();

    // Stages of the step.
    void FrameAndContactStage();
    void ControlStage();
    void PostureStage();
    void SteeringAndWheelStage();
    void DampingStage();
    void GroundContactStage();

    // The air-attitude controller: while the bike falls within 30.0 of the ground, forces along the
    // ground normal turn its forward and side axes level with the ground below; otherwise every
    // particle moves with the mean velocity.
    void SteerInAir();
    void LimitVelocitySpread(float limit, float factor);
    void ApplyAirAttitude(float pitch, float yaw, float roll);
    void RotateAbout(const Vec3& axis, float angle);

    BikeEnvironment env;
    BikeParams params;
    SurfaceProperties surface;
    ParticleBody body;

    // Frame of the body.
    Vec3 worldUp = {0.0f, 0.0f, 1.0f};
    Vec3 groundNormal = {0.0f, 0.0f, 1.0f};
    Vec3 forward = {0.0f, 1.0f, 0.0f};
    Vec3 side = {1.0f, 0.0f, 0.0f};
    Vec3 up = {0.0f, 0.0f, 1.0f};
    Vec3 frontForward = {0.0f, 1.0f, 0.0f};
    float frameCheck = 1.0f;  // dot of the unit normals of the body's two corner triangles (1 = flat)

    uint8_t holdControls = 1;
    TrickBalance trickBalance;
    float scoreTarget = 0.0f;
    float scoreShown = 0.0f;
    uint32_t contactBits = 0;
    uint32_t lastContactBits = 0;
    int32_t contactSteps = 0;
    uint32_t airborneLatch = 0;
    int32_t groundCountdown = 0;
    Vec3 centre = {0.0f, 0.0f, 0.0f};
    uint32_t analogModes[3] = {0, 0, 0};  // steer, pitch, lean
    float wheelDrag[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // rear rolling, rear side, front rolling, front side
    float speed = 0.0f;
    float speedRatio150 = 0.0f;
    float absSpeedRatio150 = 0.0f;
    float speedRatio = 0.0f;
    float absSpeedRatio = 0.0f;
    float slideStart = 0.0f;
    float rearClearance = 0.0f;
    float riderLean = 0.0f;
    float riderCrouch = 0.0f;
    float throttleLevel = 0.0f;
    int32_t controlClass = 0;
    uint8_t hasRoute = 0;
    float topSpeed = 110.0f;
    float topSpeedNow = 110.0f;
    float scale = 0.5f;
    float invScale = 2.0f;
    float steerAngle = 0.0f;
    uint8_t riding = 1;
    uint8_t controls[10] = {};
    float brakeLevel = 0.0f;
    float analogLevels[5] = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    uint8_t resnap = 0;

    // Working values of the stages.
    Vec3 meanVelocity = {0.0f, 0.0f, 0.0f};
    Vec3 acceleration = {0.0f, 0.0f, 0.0f};
    float leanAngle = 0.0f;
    float leanTarget = 0.0f;      // degrees
    float leanLastError = 0.0f;
    uint8_t leanTracking = 0;
    float steerRate = 0.0f;
    uint8_t slide = 0;
    Vec3 wheelieAxis = {0.0f, 0.0f, 0.0f};
    int32_t airSteps = 0;
    int32_t hopCooldown = 0;
    Vec3 hopDirection = {0.0f, 0.0f, 1.0f};
    uint8_t hopStarted = 0;       // a hop began this step: no pitch forces
    uint8_t noseUpHold = 0;
    uint8_t holdFirstStep = 0;    // the first step after a reset runs with the brake held
    float postureTargets[4] = {}; // side, forward, twist, crouch; -1..1
    float pose[4] = {};           // rider pose values, following the targets
    float sideCounter = 0.0f;     // -30..30
    float forwardCounter = 0.0f;  // -32..32
    uint32_t trickState[2] = {0, 0};
    uint8_t throttleWasHeld = 0;
    float assistHeight = 0.0f;    // centre height above the ground at the last step (landing assist)
    float airHeight = 0.0f;       // SteerInAir's height, pitch error and roll error of its last call
    float airPitchError = 0.0f;
    float airRollError = 0.0f;
    uint8_t airSteerFresh = 1;    // no SteerInAir call since the wheels were last down
    // The surface sound of the last world solid touched, and the steps it is held for.
    int32_t skidSoundIndex = -1;
    int32_t skidTimer = 0;
};

void TakeBikeSnapshot(const BikeBody& bike, BikeSnapshot* out);
// out = b x t + a x (1 - t), field by field.
void InterpolateBikeSnapshots(const BikeSnapshot& a, const BikeSnapshot& b, float t, BikeSnapshot* out);

// Brings a parameter block into the ranges the step can work with (NaN and infinities become the
// defaults, fractions are clamped to 0..1).
BikeParams SanitizeBikeParams(const BikeParams& in);

}  // namespace kes
