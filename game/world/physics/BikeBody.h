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
#include "game/world/tricks/Tricks.h"

namespace kes {

// The bike's parameter block (12 words): six set-up words, then the starting surface.
struct BikeParams {
    uint32_t airAssist = 2;        // 0 computer air handling, 1 manual while digital, 2 manual
    float driveBlendFloor = 0.0f;  // lower bound of the slope factor of the drive force
    float engineClass = 0.5f;      // 0..1, blends the two drive curves
    float topSpeedFactor = 0.5f;   // top speed = 70 + 80 x this
    float airControl = 0.5f;       // air-control force 30 x this + 5, pitch force 90 x this + 30
    // 0 off; otherwise a player's bike on a route that falls toward the ground (centre less than 30.0
    // above it, sinking, no wheel down, no air lean held) is levelled for landing instead of taking
    // the rider's air control: by SteerInAir, or with 2 by the computer's ChooseManoeuvre.
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
    // The bike passed the start/finish gate (or wrapped past the last track point): the racer's
    // RecordLap.
    virtual void OnLap() {}
    // A trick started: the crowd cheers.
    virtual void OnCheer() {}
};

// What the bike needs of the world around it.
struct BikeEnvironment {
    const GroundQuery* ground = nullptr;  // required
    int32_t worldKind = 0;                // kind 1 uses the alternative drive curves
    int32_t gameMode = 0;                 // the race's game mode: 2 follows the 40 track points
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

// The racer's trick message the heads-up display shows (the bike writes it, the racer counts the
// timer down).
struct TrickMessage {
    uint32_t timerMs = 0;
    float multiplier = 0.0f;
    int32_t points = 0;
    int32_t total = 0;
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

    // Progress along the AI track (see BikeProgress.cpp): keeps the current gate, counts laps at the
    // start gate, measures the progress toward the aim and remembers the last positions on the
    // track. Returns the angle in degrees from the heading to the aim (positive to the right).
    float TrackProgress();
    // Computer steering: throttle, brake and steering bytes toward the aim, tricks on trick gates
    // and the turn toward the aim in the air.
    void ChooseManoeuvre();
    // Tricks (see BikeTricks.cpp).
    void RequestTrick(uint32_t trick);
    uint32_t StartTrick();
    void UpdateTricks();
    // The balance game of a running trick (step 5 of the step) and the air-rotation landing score.
    void UpdateTrickBalance();
    void UpdateLandingScore();
    // Sets up the route at construction: the current gate, the aim point and the has-route flag
    // (computer riders of class 3 start at a random gate), the reset positions and the gate last
    // passed; in game mode 2 the first track point. The racer's start position may move (class 3).
    void InitRoute(Vec3* startPosition);
    // True when the bike faces against its course: the dot product of its heading and the
    // direction from the previous gate to the aim (both on the ground plane) below -0.3.
    bool FacesAgainstCourse() const;

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
    // The landing assist compares the centre's height above the ground with the last step's. Only
    // a player's bike on a route asks for it, so the last step keeps its centre and the height is
    // worked out from it when asked for (assistHeight holds it until the first step).
    float assistHeight = 0.0f;
    Vec3 assistCentre = {0.0f, 0.0f, 0.0f};
    uint8_t assistFromCentre = 0;
    float airHeight = 0.0f;       // SteerInAir's height, pitch error and roll error of its last call
    float airPitchError = 0.0f;
    float airRollError = 0.0f;
    uint8_t airSteerFresh = 1;    // no SteerInAir call since the wheels were last down
    // The surface sound of the last world solid touched, and the steps it is held for.
    int32_t skidSoundIndex = -1;
    int32_t skidTimer = 0;

    // Progress along the AI track.
    float aimAngle = 0.0f;        // degrees, positive when the aim lies to the right of the heading
    int32_t stuckSteps = 0;       // steps of a computer bike since it last passed a gate
    uint32_t onRoute = 0;         // centre inside the quadrilateral of the last two gate pairs
    uint32_t onTrack = 0;         // centre on the track bitmap
    Vec3 resetPosition = {0.0f, 0.0f, 0.0f};  // last position on the track and the route
    Vec3 lastOnTrack = {0.0f, 0.0f, 0.0f};    // last position on the track
    Vec3 lastPosition = {0.0f, 0.0f, 0.0f};   // centre at the last progress check
    float progress = 0.0f;        // fraction of the way from the previous gate to the aim
    int32_t currentGate = 1;      // waypoint of the next gate to pass (next track point in mode 2)
    int32_t lastGatePassed = 1;   // currentGate when the bike was last on the track
    int32_t resetGate = 1;        // currentGate when it was last on the track and the route
    int32_t lane = 0;             // lane of the current gate chosen for a computer bike
    Vec3 aimPoint = {0.0f, 0.0f, 0.0f};
    uint8_t passedGate = 0;       // the bike has passed a gate since its route was set up
    Vec3 rearBeforeStep = {0.0f, 0.0f, 0.0f};  // rear wheel before the last particle step
    uint32_t laps = 0;            // laps counted by this bike (the racer keeps the race's count)

    // Tricks.
    RiderAnimation* riderAnim = nullptr;  // the racer's rider animation; null plays nothing
    uint32_t trickAnim = 0;       // animation of the running trick, 0 = none
    int32_t trickWindow = 0;      // steps until the requested trick starts
    int32_t trickScoreDelay = 0;  // steps until the finished trick's points are added
    uint32_t trickStart = 0;      // start the requested trick in this step
    uint32_t trickRequest = 0;    // requested trick 1-24, 0 = none
    uint32_t trickUsesBalance = 0;
    uint32_t trickKind = 0;
    float airTurn = 0.0f;         // landing multiplier: 1.0 at take-off + 0.45 per full turn per axis
    int32_t airCounter = 0;       // 20-step sampling countdown in the air, -50..-1 after landing
    float trickPoints = 0.0f;     // points of finished tricks waiting to be awarded
    Vec3 savedAxes[3] = {};       // side, forward, up at the last sample
    TrickMessage trickMessage;
};

void TakeBikeSnapshot(const BikeBody& bike, BikeSnapshot* out);
// out = b x t + a x (1 - t), field by field.
void InterpolateBikeSnapshots(const BikeSnapshot& a, const BikeSnapshot& b, float t, BikeSnapshot* out);

// Brings a parameter block into the ranges the step can work with (NaN and infinities become the
// defaults, fractions are clamped to 0..1).
BikeParams SanitizeBikeParams(const BikeParams& in);

}  // namespace kes
