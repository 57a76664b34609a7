#include "game/world/physics/BikeBody.h"

#include <cmath>

#include "game/core/maths/VecMath.h"
#include "game/world/physics/ResponseCurves.h"

namespace kes {

namespace {

// Start positions and heights beyond this are brought back: at twice the world scale a float keeps
// well under a unit of precision here, and nothing can overflow to infinity.
constexpr float kWorldLimit = 1.0e5f;

float FiniteOr(float v, float fallback) { return std::isfinite(v) ? v : fallback; }

float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

struct ParticleSetup {
    float radius;
    Vec3 position;
};

// Rear wheel, front wheel, rear top, front top, before scaling and placing.
const ParticleSetup kParticles[4] = {
    {1.2f, {0.0f, 0.0f, 0.0f}},
    {1.2f, {0.0f, 10.0f, 0.0f}},
    {0.5f, {0.0f, 0.0f, 7.0f}},
    {0.5f, {0.0f, 10.0f, 7.0f}},
};

struct SpringSetup {
    uint32_t a, b, springClass;
    bool limit;
};

const SpringSetup kSprings[8] = {
    {0, 1, 0, false},  // wheelbase
    {2, 3, 0, false},  // top
    {0, 2, 1, false},  // rear suspension
    {1, 3, 4, false},  // front suspension
    {0, 3, 2, false},  // diagonal
    {1, 2, 2, false},  // diagonal
    {0, 2, 3, true},   // rear suspension travel limits
    {1, 3, 3, true},   // front suspension travel limits
};

const SpringClass kClasses[5] = {
    {1000.0f, 25.0f, 1.0f},  // frame
    {40.0f, 10.0f, 1.0f},    // rear suspension
    {1000.0f, 25.0f, 1.0f},  // diagonals
    {1000.0f, 25.0f, 1.0f},  // suspension limits
    {40.0f, 5.0f, 1.0f},     // front suspension
};

}  // namespace

BikeParams SanitizeBikeParams(const BikeParams& in) {
    BikeParams out = in;
    const BikeParams defaults;
    out.driveBlendFloor = Clamp(FiniteOr(in.driveBlendFloor, defaults.driveBlendFloor), 0.0f, 1.0f);
    out.engineClass = Clamp(FiniteOr(in.engineClass, defaults.engineClass), 0.0f, 1.0f);
    // Top speed 70 + 80 x factor: a factor below -0.875 would give a top speed of zero or less and
    // divide the speed ratio by it.
    out.topSpeedFactor = Clamp(FiniteOr(in.topSpeedFactor, defaults.topSpeedFactor), 0.0f, 2.0f);
    out.airControl = Clamp(FiniteOr(in.airControl, defaults.airControl), 0.0f, 2.0f);
    SurfaceProperties& s = out.surface;
    s.rollDrag = Clamp(FiniteOr(s.rollDrag, 0.001f), 0.0f, 1.0f);
    s.sideDrag = Clamp(FiniteOr(s.sideDrag, 0.1f), 0.0f, 1.0f);
    s.grip = Clamp(FiniteOr(s.grip, 0.7f), 0.0f, 1.0f);
    s.roughness = Clamp(FiniteOr(s.roughness, 0.0f), 0.0f, 2.0f);
    s.sink = Clamp(FiniteOr(s.sink, 0.0f), 0.0f, 10.0f);
    return out;
}

BikeBody::BikeBody(const BikeEnvironment& environment, const BikeParams& newParams, int32_t newControlClass,
                   const Vec3& startPosition, const Vec3& startHeading)
    : env(environment) {
    body.timeStep = 0.01f;
    holdControls = 1;
    controlClass = newControlClass;
    FillBikeCurves();
    worldUp = {0.0f, 0.0f, 1.0f};
    groundNormal = worldUp;
    for (int i = 0; i < 9; ++i) {
        controls[i] = 0;
    }
    controls[kControlGiveUp] = 0;
    body.gravity = {0.0f, 0.0f, -60.0f};
    scale = 0.5f;
    invScale = 2.0f;
    body.particleCount = 4;
    body.springCount = 8;
    body.Allocate();
    Vec3 start = startPosition;
    if (env.ground != nullptr) InitRoute(&start);
    Reset(start, startHeading, newParams);
}

void BikeBody::Reset(const Vec3& position, const Vec3& heading, const BikeParams& newParams) {
    resnap = 1;
    params = SanitizeBikeParams(newParams);
    surface = params.surface;
    topSpeed = topSpeedNow = 70.0f + 80.0f * params.topSpeedFactor;
    if (body.particles == nullptr || body.springs == nullptr) {
        riding = 0;
        return;
    }

    for (int i = 0; i < 4; ++i) {
        Particle& p = body.particles[i];
        p.mass = 1.0f;
        p.radius = kParticles[i].radius;
        p.position = kParticles[i].position;
        p.fixed = 0;
    }
    for (int i = 0; i < 5; ++i) {
        body.classes[i] = kClasses[i];
    }
    for (int i = 0; i < 8; ++i) {
        Spring& s = body.springs[i];
        s.a = kSprings[i].a;
        s.b = kSprings[i].b;
        s.springClass = kSprings[i].springClass;
        s.limitOnly = kSprings[i].limit ? 1 : 0;
        s.minLength = 4.5f;
        s.maxLength = 8.0f;
        s.enabled = 1;
        s.restFromPose = 1;
        s.lastForce = 0.0f;
        s.lastForce2 = 0.0f;
    }
    body.timeStep = 0.005f;
    body.Reset();

    for (float& d : wheelDrag) d = 1.0f;
    brakeLevel = 0.0f;
    for (float& a : analogLevels) a = 1.0f;
    speed = speedRatio150 = absSpeedRatio150 = speedRatio = absSpeedRatio = 0.0f;
    slideStart = rearClearance = riderLean = riderCrouch = throttleLevel = 0.0f;
    meanVelocity = acceleration = {0.0f, 0.0f, 0.0f};
    leanAngle = leanTarget = leanLastError = 0.0f;
    leanTracking = 0;
    steerAngle = steerRate = 0.0f;
    slide = 0;
    wheelieAxis = {0.0f, 0.0f, 0.0f};
    airSteps = 0;
    assistHeight = airHeight = airPitchError = airRollError = 0.0f;
    assistFromCentre = 0;
    airSteerFresh = 1;
    hopCooldown = 0;
    hopStarted = 0;
    noseUpHold = 0;
    for (int i = 0; i < 4; ++i) {
        postureTargets[i] = 0.0f;
        pose[i] = 0.0f;
    }
    sideCounter = forwardCounter = 0.0f;
    contactBits = lastContactBits = 0;
    contactSteps = 0;
    airborneLatch = 0;
    riding = 1;
    groundCountdown = 0;
    holdFirstStep = 1;
    // A computer bike that fell for passing no gate would fall again at once with the old count.
    stuckSteps = 0;
    throttleWasHeld = 0;
    groundNormal = worldUp;

    // Placing: scale to the world, then move the centre onto the position.
    const Vec3 target = {Clamp(FiniteOr(position.x, 0.0f), -kWorldLimit, kWorldLimit),
                         Clamp(FiniteOr(position.y, 0.0f), -kWorldLimit, kWorldLimit),
                         Clamp(FiniteOr(position.z, 0.0f), -kWorldLimit, kWorldLimit)};
    Vec3 sum = {0.0f, 0.0f, 0.0f};
    for (int i = 0; i < 4; ++i) {
        Particle& p = body.particles[i];
        Vec3Scale(&p.position, &p.position, scale);
        Vec3Add(&sum, &p.position, &sum);
    }
    Vec3Scale(&sum, &sum, 0.25f);
    for (int i = 0; i < 4; ++i) {
        Particle& p = body.particles[i];
        p.position.x += target.x - sum.x;
        p.position.y += target.y - sum.y;
        p.position.z += target.z - sum.z;
        p.contactTimer = 0;
        p.contactNormal = worldUp;
    }
    centre = target;
    FrameAndContactStage();
    contactBits = lastContactBits = 0;
    meanVelocity = acceleration = {0.0f, 0.0f, 0.0f};

    // Turn about the vertical onto the heading. Only the heading's direction on the ground counts;
    // a heading with none (zero or straight up) keeps the bike facing +y.
    Vec3 flatHeading = {FiniteOr(heading.x, 0.0f), FiniteOr(heading.y, 0.0f), 0.0f};
    ClampVectorLength(&flatHeading, 1.0f);
    Vec3Normalize(&flatHeading);
    if (flatHeading.x != 0.0f || flatHeading.y != 0.0f) {
        float angle = std::acos(Clamp(Vec3Dot(&forward, &flatHeading), -1.0f, 1.0f));
        Vec3 cross;
        Vec3Cross(&forward, &flatHeading, &cross);
        if (cross.z < 0.0f) {
            angle = -angle;
        }
        RotateAbout(worldUp, angle);
        FrameAndContactStage();
        contactBits = lastContactBits = 0;
        meanVelocity = acceleration = {0.0f, 0.0f, 0.0f};
    }
    riding = 1;
}

void BikeBody::Step() {
    if (body.particles == nullptr || body.springs == nullptr) {
        return;
    }
    // Analog levels come from devices and the network: keep them to -1..1.
    for (float& a : analogLevels) {
        a = Clamp(FiniteOr(a, 0.0f), -1.0f, 1.0f);
    }

    if (riding) {
        aimAngle = TrackProgress();
    }

    // Score counter.
    if (scoreShown < scoreTarget) {
        scoreShown = (scoreTarget - scoreShown > 2.0f) ? scoreShown + 2.0f : scoreTarget;
    } else if (scoreShown > scoreTarget) {
        scoreShown = (scoreShown - scoreTarget > 2.0f) ? scoreShown - 2.0f : scoreTarget;
    }

    FrameAndContactStage();
    UpdateTrickBalance();
    UpdateLandingScore();

    hopStarted = 0;
    if (holdControls || holdFirstStep) {
        for (int i = 0; i < 9; ++i) {
            controls[i] = 0;
        }
        controls[kControlBrake] = 1;
        wheelDrag[0] = wheelDrag[2] = 30.0f;
        wheelDrag[1] = wheelDrag[3] = 1.0f;
        postureTargets[3] = 1.0f;
        PostureStage();
        SteeringAndWheelStage();
    } else if (riding) {
        ControlStage();
        PostureStage();
        SteeringAndWheelStage();
    }

    UpdateTricks();
    DampingStage();
    GroundContactStage();

    // On one wheel the bike may only pitch: motion across the wheelie axis is taken out.
    if (riding && (contactBits == 1 || contactBits == 2)) {
        const float k = 1.0f - std::fabs(Vec3Dot(&wheelieAxis, &worldUp));
        for (int i = 0; i < 4; ++i) {
            Particle& p = body.particles[i];
            float d = Vec3Dot(&p.velocity, &wheelieAxis);
            if (d > 3.0f) d = 3.0f;
            if (d != 0.0f) {
                p.velocity.x -= wheelieAxis.x * k * d;
                p.velocity.y -= wheelieAxis.y * k * d;
                p.velocity.z -= wheelieAxis.z * k * d;
            }
            float fd = Vec3Dot(&p.force, &wheelieAxis);
            if (fd > 3.0f) fd = 3.0f;
            if (fd != 0.0f) {
                p.force.x -= wheelieAxis.x * k * fd;
                p.force.y -= wheelieAxis.y * k * fd;
                p.force.z -= wheelieAxis.z * k * fd;
            }
        }
    }

    rearBeforeStep = body.particles[0].position;
    // Integrate at twice the world scale.
    for (int i = 0; i < 4; ++i) {
        Particle& p = body.particles[i];
        Vec3Scale(&p.position, &p.position, invScale);
        Vec3Scale(&p.velocity, &p.velocity, invScale);
    }
    body.Step();
    if (controls[kControlBrake] && contactBits != 0 && !controls[kControlLeft] && !controls[kControlRight]) {
        // Holding the brake at walking pace stops the wheels outright.
        for (int i = 0; i < 2; ++i) {
            Particle& p = body.particles[i];
            if (p.contactTimer != 0 && Vec3Length(&p.velocity) < 10.0f) {
                Vec3Scale(&p.velocity, &p.velocity, 0.5f);
            }
        }
    }
    for (int i = 0; i < 4; ++i) {
        Particle& p = body.particles[i];
        Vec3Scale(&p.position, &p.position, scale);
        Vec3Scale(&p.velocity, &p.velocity, scale);
    }

    throttleWasHeld = controls[kControlThrottle];
    holdFirstStep = 0;
    for (int i = 0; i < 9; ++i) {
        controls[i] = 0;
    }
}

void TakeBikeSnapshot(const BikeBody& bike, BikeSnapshot* out) {
    for (int i = 0; i < 4; ++i) {
        out->positions[i] = bike.body.particles[i].position;
    }
    out->poseNegated = -bike.pose[0];
    for (int i = 0; i < 4; ++i) {
        out->pose[i] = bike.pose[i];
    }
    out->trick[0] = bike.trickState[0];
    out->trick[1] = bike.trickState[1];
}

void InterpolateBikeSnapshots(const BikeSnapshot& a, const BikeSnapshot& b, float t, BikeSnapshot* out) {
    const float u = 1.0f - t;
    for (int i = 0; i < 4; ++i) {
        out->positions[i].x = b.positions[i].x * t + a.positions[i].x * u;
        out->positions[i].y = b.positions[i].y * t + a.positions[i].y * u;
        out->positions[i].z = b.positions[i].z * t + a.positions[i].z * u;
    }
    out->poseNegated = b.poseNegated * t + a.poseNegated * u;
    for (int i = 0; i < 4; ++i) {
        out->pose[i] = b.pose[i] * t + a.pose[i] * u;
    }
    // Trick words are states, not quantities: the later snapshot's from halfway on.
    out->trick[0] = t >= 0.5f ? b.trick[0] : a.trick[0];
    out->trick[1] = t >= 0.5f ? b.trick[1] : a.trick[1];
}

}  // namespace kes
