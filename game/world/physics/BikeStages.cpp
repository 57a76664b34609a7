// The stages of one bike step between reading the controls and integrating the particle body. All
// forces are at the simulation scale (twice the world scale); positions and velocities are at the
// world scale while the stages run.
#include <cmath>

#include "game/core/maths/VecMath.h"
#include "game/world/physics/BikeBody.h"
#include "game/world/physics/ResponseCurves.h"

namespace kes {

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kDegToRad = 0.017453292f;
constexpr float kLeanCrashAngle = 1.2566371f;  // 72 degrees
constexpr float kFrontalImpact = 1500.0f;

// Weights of the posture stage (the rider's body language and the small forces it puts on the bike).
constexpr float kPostureFollow = 0.1f;      // pose values move this far toward their targets per step
constexpr float kMaxRiderLeanDeg = 20.0f;   // lean into a turn at full side counter and speed
constexpr float kLeanTargetStep = 0.5f;     // degrees per step the lean target may move
constexpr float kDriveLiftWeight = 10.0f;   // scale of the drive-lift pair (squat under throttle)
constexpr float kAirRightingForce = 60.0f;  // push that frees a body lodged in the air
constexpr float kHeightLimit = 1.0e5f;

float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

float MoveToward(float v, float target, float step) {
    if (v < target - step) return v + step;
    if (v > target + step) return v - step;
    return target;
}

float WrapAngle(float a) {
    if (!std::isfinite(a)) return 0.0f;
    while (a > kPi) a -= 2.0f * kPi;
    while (a < -kPi) a += 2.0f * kPi;
    return a;
}

void AddAlong(ParticleBody& body, int index, const Vec3& axis, float amount) {
    body.AddForce(static_cast<uint32_t>(index), axis.x * amount, axis.y * amount, axis.z * amount);
}

// Unit normal of the corner triangle at `corner`, spanned toward `next` and `previous`. Always in line:
// the frame stage takes four of them every step.
[[gnu::always_inline]] inline Vec3 CornerNormal(const Vec3& corner, const Vec3& next, const Vec3& previous) {
    Vec3 e1, e2, n;
    Vec3Sub(&next, &corner, &e1);
    Vec3Sub(&previous, &corner, &e2);
    Vec3Cross(&e1, &e2, &n);
    Vec3Normalize(&n);
    return n;
}

}  // namespace

void BikeBody::LimitVelocitySpread(float limit, float factor) {
    for (int i = 0; i < 4; ++i) {
        Particle& p = body.particles[i];
        Vec3 d;
        Vec3Sub(&p.velocity, &meanVelocity, &d);
        if (limit >= 0.0f) {
            ClampVectorLength(&d, limit);
        }
        if (factor != 0.0f) {
            Vec3Scale(&d, &d, factor);
        }
        Vec3Add(&meanVelocity, &d, &p.velocity);
    }
}

void BikeBody::ApplyAirAttitude(float pitch, float yaw, float roll) {
    // Each commanded turn sets the velocity along its axis, with opposite signs at the two ends.
    for (int i = 0; i < 4; ++i) {
        Particle& p = body.particles[i];
        const bool wheel = i < 2;
        const bool rear = (i == 0 || i == 2);
        const float alongForward = wheel ? pitch : -pitch;
        const float alongSide = (rear ? yaw : -yaw) + (wheel ? roll : -roll);
        const float f = Vec3Dot(&p.velocity, &forward);
        const float s = Vec3Dot(&p.velocity, &side);
        p.velocity.x += forward.x * (alongForward - f) + side.x * (alongSide - s);
        p.velocity.y += forward.y * (alongForward - f) + side.y * (alongSide - s);
        p.velocity.z += forward.z * (alongForward - f) + side.z * (alongSide - s);
    }
}

void BikeBody::RotateAbout(const Vec3& axis, float angle) {
    if (!std::isfinite(angle) || angle == 0.0f) {
        return;
    }
    const AxisRotation rotation = MakeAxisRotation(&axis, angle);
    for (int i = 0; i < 4; ++i) {
        Particle& p = body.particles[i];
        Vec3 rel;
        Vec3Sub(&p.position, &centre, &rel);
        ApplyAxisRotation(rotation, &rel, &rel);
        Vec3Add(&centre, &rel, &p.position);
    }
}

void BikeBody::FrameAndContactStage() {
    const Particle* ps = body.particles;
    // Copies: the stage writes the bike's own vectors, which the compiler cannot tell apart from the
    // particles, and would read the corners again after every write.
    const Vec3 p0 = ps[0].position;
    const Vec3 p1 = ps[1].position;
    const Vec3 p2 = ps[2].position;
    const Vec3 p3 = ps[3].position;

    Vec3 u;
    Vec3Sub(&p1, &p0, &forward);
    Vec3Normalize(&forward);
    Vec3Sub(&p2, &p0, &u);
    Vec3Cross(&forward, &u, &side);
    Vec3Normalize(&side);
    Vec3Cross(&side, &forward, &up);
    Vec3Normalize(&up);

    // Fold test over the quadrilateral p0 -> p1 -> p3 -> p2: opposite corners of an intact body see
    // their triangles from the same side.
    const Vec3 n0 = CornerNormal(p0, p1, p2);
    const Vec3 n3 = CornerNormal(p3, p2, p1);
    const Vec3 n1 = CornerNormal(p1, p3, p0);
    const Vec3 n2 = CornerNormal(p2, p0, p3);
    frameCheck = Vec3Dot(&n0, &n3);
    if (frameCheck < 0.0f || Vec3Dot(&n1, &n2) < 0.0f) {
        riding = 0;
    }

    Vec3Sub(&p3, &p2, &frontForward);
    Vec3Normalize(&frontForward);

    lastContactBits = contactBits;
    contactBits = (ps[0].contactTimer != 0 ? 1u : 0u) + (ps[1].contactTimer != 0 ? 2u : 0u);
    if ((contactBits == 0) != (lastContactBits == 0)) {
        contactSteps = 0;
    } else if (contactSteps < 1000000) {
        ++contactSteps;
    }

    Vec3 sumP = {0.0f, 0.0f, 0.0f};
    Vec3 sumV = {0.0f, 0.0f, 0.0f};
    for (int i = 0; i < 4; ++i) {
        Vec3Add(&sumP, &ps[i].position, &sumP);
        Vec3Add(&sumV, &ps[i].velocity, &sumV);
    }
    Vec3Scale(&sumP, &centre, 0.25f);
    Vec3 newMean;
    Vec3Scale(&sumV, &newMean, 0.25f);
    Vec3Sub(&newMean, &meanVelocity, &acceleration);
    Vec3Scale(&acceleration, &acceleration, 100.0f);
    meanVelocity = newMean;
    if (std::fabs(Vec3Dot(&acceleration, &forward)) > kFrontalImpact) {
        riding = 0;
    }

    if (contactBits != 0) {
        // Along the ground under the bike.
        Vec3 flat;
        Vec3Scale(&groundNormal, &flat, Vec3Dot(&forward, &groundNormal));
        Vec3Sub(&forward, &flat, &flat);
        Vec3Normalize(&flat);
        speed = Vec3Dot(&ps[0].velocity, &flat);
    } else {
        speed = Vec3Length(&meanVelocity);
    }
    speedRatio150 = speed / 150.0f;
    absSpeedRatio150 = std::fabs(speedRatio150);
    speedRatio = speed / topSpeed;
    absSpeedRatio = std::fabs(speedRatio);

    if (!riding) {
        LimitVelocitySpread(20.0f, 0.0f);
    } else if (contactBits == 0) {
        if (analogModes[0] != 0 && params.airAssist == 1 && hasRoute) {
            ApplyAirAttitude(analogLevels[1] * -10.0f, analogLevels[0] * -10.0f, analogLevels[2] * -12.0f);
        } else {
            LimitVelocitySpread(10.0f, 0.0f);
        }
    }
}

namespace {

// One axis of the air levelling: the rider's pose value leans toward the error, and the force is a
// spring on the error with damping on its change since the last call (0 when level).
float LevelAxis(float error, float* previous, float* poseValue) {
    const float change = error - *previous;
    *previous = error;
    if (error == 0.0f) return 0.0f;
    *poseValue = MoveToward(*poseValue, error, 0.05f);
    return -(100.0f * error + 2500.0f * change);
}

}  // namespace

void BikeBody::SteerInAir() {
    const float groundHeight = env.ground->HeightAt(centre.x, centre.y);
    const float h = centre.z - groundHeight;
    Vec3 n;
    env.ground->NormalAt(centre.x, centre.y, groundHeight, &n);
    const float e = Vec3Dot(&forward, &n);
    const float r = Vec3Dot(&side, &n);
    if (airSteerFresh) {
        // The first call of a flight has no earlier values: no rate from the time before.
        airHeight = h;
        airPitchError = e;
        airRollError = r;
        airSteerFresh = 0;
    }
    const float dh = h - airHeight;
    airHeight = h;
    if (h >= 30.0f || dh >= 0.0f) {
        LimitVelocitySpread(0.0f, 0.0f);
        return;
    }
    // Pitch: the forward axis against the normal, pushing the wheels one way and the top the other.
    const float pitch = LevelAxis(e, &airPitchError, &pose[3]);
    if (pitch != 0.0f) {
        AddAlong(body, 0, n, pitch);
        AddAlong(body, 1, n, pitch);
        AddAlong(body, 2, n, -pitch);
        AddAlong(body, 3, n, -pitch);
    }
    // Roll: the side axis against the normal, across the body's diagonal.
    const float roll = LevelAxis(r, &airRollError, &pose[0]);
    if (roll != 0.0f) {
        AddAlong(body, 1, n, roll);
        AddAlong(body, 2, n, -roll);
    }
}

void BikeBody::ControlStage() {
    const bool bothDown = contactBits == 3;
    const bool wheelDown = contactBits != 0;
    const bool analogSteer = analogModes[0] != 0;

    // Computer bikes choose their manoeuvre on the ground and keep both wheels down: on the front
    // wheel alone they pitch back, on the rear alone forward. In the air the computer's handling
    // also takes a bike without manual air control.
    const bool computer = controlClass == kClassComputer || controlClass == kClassInert;
    if (computer && wheelDown) {
        ChooseManoeuvre();
        if (!bothDown) controls[contactBits == 2 ? kControlPitchBack : kControlPitchForward] = 1;
    } else if (!wheelDown && (params.airAssist == 0 || controlClass == kClassInert)) {
        ChooseManoeuvre();
    }
    const bool left = controls[kControlLeft] != 0;
    const bool right = controls[kControlRight] != 0;
    const bool throttle = controls[kControlThrottle] != 0;
    const bool brake = controls[kControlBrake] != 0;

    // The rider keeps a balance trick on its feet with the steering, air-lean and pitch bytes.
    if (trickAnim != 0) {
        if (controls[kControlLeft] || controls[kControlAirLeanLeft]) trickBalance.NudgeLeft();
        if (controls[kControlRight] || controls[kControlAirLeanRight]) trickBalance.NudgeRight();
        if (controls[kControlPitchBack]) trickBalance.NudgeBack();
        if (controls[kControlPitchForward]) trickBalance.NudgeForward();
    }

    // Steering on the ground.
    if (bothDown) {
        if (analogSteer) {
            steerAngle = analogLevels[0] * -30.0f;
        } else {
            if (left || right) {
                steerRate = steerRate + 0.5f > 2.0f ? 2.0f : steerRate + 0.5f;
                if (left && steerAngle < 30.0f - steerRate) {
                    steerAngle += steerRate;
                } else if (right && !left && steerAngle > steerRate - 30.0f) {
                    steerAngle -= steerRate;
                }
            } else {
                steerRate = 0.0f;
                steerAngle = MoveToward(steerAngle, 0.0f, 1.0f);
            }
        }
    }
    if (steerAngle < -31.0f) {
        steerAngle += 1.0f;
    } else if (steerAngle < -30.0f) {
        steerAngle = -30.0f;
    } else if (steerAngle > 31.0f) {
        steerAngle -= 1.0f;
    } else if (steerAngle > 30.0f) {
        steerAngle = 30.0f;
    }

    // Pitch and hop with a wheel down.
    if (wheelDown) {
        const float pitchScale = analogModes[1] != 0 ? std::fabs(analogLevels[1]) : 1.0f;
        if (controls[kControlHop] && hopCooldown == 0) {
            hopCooldown = 150;
            hopStarted = 1;
        } else {
            if (controls[kControlPitchForward]) {
                if (left || right) {
                    AddAlong(body, 2, up, 50.0f * pitchScale);
                    AddAlong(body, 3, up, -100.0f * pitchScale);
                } else {
                    if (noseUpHold) {
                        AddAlong(body, 2, up, 120.0f * pitchScale);
                    } else if (brake) {
                        AddAlong(body, 2, up, 70.0f * pitchScale);
                    }
                    AddAlong(body, 3, up, -80.0f * pitchScale);
                }
            }
            if (controls[kControlPitchBack]) {
                AddAlong(body, 2, up, (noseUpHold && !throttle ? -300.0f : -150.0f) * pitchScale);
                if (throttle) {
                    AddAlong(body, 3, up, 130.0f * pitchScale);
                }
            }
        }
    }

    // Landing assist: a player's bike (or its replay) on a route, falling toward the ground with no
    // wheel down and no air lean held, is levelled for landing instead of taking the air control.
    // Value 2 hands it to the computer riders' manoeuvre choice.
    bool assisted = false;
    const bool lastFromCentre = assistFromCentre;
    const Vec3 lastCentre = assistCentre;
    assistCentre = centre;
    assistFromCentre = 1;
    if (wheelDown) {
        airSteerFresh = 1;
    } else if (params.landingAssist != 0 && hasRoute && (controlClass == kClassLocal || controlClass == kClassReplay)) {
        const float h = centre.z - env.ground->HeightAt(centre.x, centre.y);
        const float lastHeight =
            lastFromCentre ? lastCentre.z - env.ground->HeightAt(lastCentre.x, lastCentre.y) : assistHeight;
        const bool sinking = h < lastHeight;
        if (h < 30.0f && sinking && !controls[kControlAirLeanLeft] && !controls[kControlAirLeanRight]) {
            if (params.landingAssist == 2) {
                ChooseManoeuvre();
            } else {
                SteerInAir();
            }
            assisted = true;
        }
    }

    // Air control.
    const bool manualAir = params.airAssist == 2 || (params.airAssist == 1 && !analogSteer);
    if (!wheelDown && manualAir && !assisted) {
        if (trickAnim != 0 && brake) {
            LimitVelocitySpread(-1.0f, 0.975f);
        }
        const float s = 30.0f * params.airControl + 5.0f;
        const float p = 90.0f * params.airControl + 30.0f;
        const float turnScale = analogModes[2] != 0 ? std::fabs(analogLevels[2]) : 1.0f;
        const float rollScale = analogSteer ? std::fabs(analogLevels[0]) : 1.0f;
        const float pitchScale = analogModes[1] != 0 ? std::fabs(analogLevels[1]) : 1.0f;
        static const float kTurn[4] = {1.0f, -1.0f, 1.0f, -1.0f};
        static const float kRoll[4] = {1.0f, 1.0f, -1.0f, -1.0f};
        static const float kPitch[4] = {-1.0f, 0.0f, 0.0f, 1.0f};
        for (int i = 0; i < 4; ++i) {
            float sideForce = 0.0f;
            if (controls[kControlAirLeanLeft]) sideForce += kTurn[i] * s * turnScale;
            if (controls[kControlAirLeanRight]) sideForce -= kTurn[i] * s * turnScale;
            if (left) sideForce += kRoll[i] * s * rollScale;
            if (right) sideForce -= kRoll[i] * s * rollScale;
            float upForce = 0.0f;
            if (controls[kControlPitchBack]) upForce += kPitch[i] * p * pitchScale;
            if (controls[kControlPitchForward]) upForce -= kPitch[i] * p * pitchScale;
            if (sideForce != 0.0f) AddAlong(body, i, side, sideForce);
            if (upForce != 0.0f) AddAlong(body, i, up, upForce);
        }
    }

    // Drive.
    {
        const float x = Clamp(speed / 150.0f, 0.0f, 1.0f);
        float k = 1.0f;
        if (Vec3Dot(&forward, &worldUp) > 0.2f) {
            const float h = forward.z;
            k = 1.0f - (airborneLatch ? h * h * h : h);
            if (k > 1.0f) k = 1.0f;
        }
        k = (1.0f - params.driveBlendFloor) * k + params.driveBlendFloor;
        const bool alt = env.worldKind == 1;
        const CurveTable& a = alt ? DriveCurveAltA : DriveCurveA;
        const CurveTable& b = alt ? DriveCurveAltB : DriveCurveB;
        const float d = k * ((1.0f - params.engineClass) * a.Evaluate(x) + params.engineClass * b.Evaluate(x));
        throttleLevel = throttle ? 1.0f : 0.0f;
        if (body.particles[0].contactTimer != 0 && speed < topSpeedNow && throttle) {
            for (int i = 0; i < 4; ++i) {
                AddAlong(body, i, forward, d);
            }
        }
    }

    // Brake and slide.
    if (brake) {
        if (!wheelDown) {
            // In the air the brake has nothing to act on.
        } else if ((left || right) && (slide || throttle || speedRatio150 > 0.2f)) {
            if (controlClass == kClassComputer) {
                wheelDrag[3] = 1.0f;
                wheelDrag[1] = 0.7f;
                slide = 1;
            } else {
                if (!slide) {
                    slideStart = absSpeedRatio150 < 1.0f ? absSpeedRatio150 : 1.0f;
                    slide = 1;
                }
                const bool pitchByte = controls[kControlPitchBack] || controls[kControlPitchForward];
                if (speedRatio150 < 0.2f && !throttle) {
                    wheelDrag[1] = wheelDrag[3] = 1.0f;
                    slide = 0;
                } else if (slideStart < 0.2f) {
                    if (speedRatio150 > 0.05f) {
                        wheelDrag[3] = 3.0f;
                        wheelDrag[1] = 0.2f;
                    }
                } else if (!pitchByte) {
                    wheelDrag[3] = 0.4f;
                    wheelDrag[1] = 0.3f;
                } else {
                    wheelDrag[3] = 1.0f;
                    wheelDrag[1] = 0.0f;
                }
            }
        } else {
            brakeLevel = brakeLevel + 0.005f > 2.0f ? 2.0f : brakeLevel + 0.005f;
            wheelDrag[0] = wheelDrag[2] = brakeLevel * 30.0f;
            slide = 0;
            wheelDrag[1] = MoveToward(wheelDrag[1], 1.0f, 0.008f);
            wheelDrag[3] = MoveToward(wheelDrag[3], 1.0f, 0.008f);
        }
    } else {
        brakeLevel = brakeLevel - 0.05f < 0.0f ? 0.0f : brakeLevel - 0.05f;
        wheelDrag[1] = MoveToward(wheelDrag[1], 1.0f, 0.015f);
        wheelDrag[3] = MoveToward(wheelDrag[3], 1.0f, 0.015f);
        wheelDrag[0] = wheelDrag[2] = 1.0f;
        slide = 0;
    }
}

void BikeBody::PostureStage() {
    const bool wheelDown = contactBits != 0;
    const bool throttle = controls[kControlThrottle] != 0;
    const bool brake = controls[kControlBrake] != 0;

    // The hop: crouch, then push off along the ground.
    if (hopCooldown > 0) {
        --hopCooldown;
        if (hopCooldown > 100) {
            AddAlong(body, 2, up, -150.0f);
            AddAlong(body, 3, up, -150.0f);
            postureTargets[3] = -1.0f;
        } else {
            postureTargets[3] = 0.0f;
        }
        if (hopCooldown == 100 && wheelDown) {
            if (contactBits == 3) {
                hopDirection = groundNormal;
            } else {
                hopDirection = body.particles[contactBits == 1 ? 0 : 1].contactNormal;
            }
        }
        if (hopCooldown >= 81 && hopCooldown <= 100 && wheelDown) {
            AddAlong(body, 2, hopDirection, 650.0f);
            AddAlong(body, 3, hopDirection, 650.0f);
        }
    }

    // Lean counters.
    const bool sideHeld = controls[kControlLeft] || controls[kControlRight] || controls[kControlAirLeanLeft] ||
                          controls[kControlAirLeanRight];
    if (sideHeld) {
        const float dir = (controls[kControlLeft] || controls[kControlAirLeanLeft]) ? 1.0f : -1.0f;
        sideCounter = Clamp(sideCounter + dir, -30.0f, 30.0f);
    } else {
        sideCounter = MoveToward(sideCounter, 0.0f, 2.0f);
    }
    if (controls[kControlPitchForward] || controls[kControlPitchBack]) {
        const float dir = controls[kControlPitchForward] ? 1.0f : -1.0f;
        forwardCounter = Clamp(forwardCounter + dir, -32.0f, 32.0f);
    } else {
        forwardCounter = MoveToward(forwardCounter, 0.0f, 2.0f);
    }

    // Pitch load: how hard the bike is being pitched by acceleration and slope.
    const float pitchLoad =
        Clamp((Vec3Dot(&forward, &acceleration) - forward.z * body.gravity.z) * 0.0125f, -1.0f, 1.0f);

    // Braking hard tips the nose down; the rider pulls it back up.
    // The push grows with the load: the full 300 and 200 at the largest load would lift a bike that
    // merely rolls to a stop off the ground.
    noseUpHold = 0;
    if (!throttle && brake && pitchLoad < 0.0f && !slide && wheelDown) {
        AddAlong(body, 3, up, 300.0f * -pitchLoad);
        if (!controls[kControlPitchForward]) {
            AddAlong(body, 2, up, 200.0f * -pitchLoad);
        } else {
            noseUpHold = 1;
        }
    }
    // Under throttle the rear squats a little.
    if (throttle && contactBits == 3 && pitchLoad >= 0.0f) {
        const float k = analogLevels[0] * (1.0f - speedRatio) * kDriveLiftWeight;
        AddAlong(body, 0, up, (brake ? 1.0f : 3.0f) * k);
        AddAlong(body, 2, up, (brake ? -1.5f : -1.0f) * k);
    }

    postureTargets[0] = sideCounter / 30.0f;
    postureTargets[1] = forwardCounter / 32.0f - pitchLoad * 0.5f;
    postureTargets[2] = (steerAngle / 30.0f) * 0.5f;
    for (int i = 0; i < 4; ++i) {
        postureTargets[i] = Clamp(postureTargets[i], -1.0f, 1.0f);
        pose[i] = MoveToward(pose[i], postureTargets[i], kPostureFollow);
    }
    riderLean = pose[0];
    riderCrouch = pose[3];
}

void BikeBody::SteeringAndWheelStage() {
    const bool bothDown = contactBits == 3;

    if (bothDown) {
        // Lean about forward: the angle between up and the vertical seen along forward; positive
        // when the top leans toward -side (to the left). Taken with atan2 of the vertical's parts
        // along side and up rather than acos of one dot product: near upright acos turns the table
        // square root's rounding into jitter of a hundredth of a radian, which the lean control's
        // rate term would amplify into a shaking bike.
        Vec3 vertical;
        Vec3Scale(&forward, &vertical, Vec3Dot(&forward, &worldUp));
        Vec3Sub(&worldUp, &vertical, &vertical);
        const float lean = std::atan2(Vec3Dot(&vertical, &side), Vec3Dot(&vertical, &up));
        leanAngle = lean;
        if (std::fabs(leanAngle) > kLeanCrashAngle && frameCheck > 0.2f) {
            riding = 0;
            leanTracking = 0;
        }
    }

    if (bothDown && riding) {
        if (!leanTracking) {
            leanTracking = 1;
            leanTarget = leanAngle / kDegToRad;  // the target is kept in degrees
            leanLastError = 0.0f;
        }
        // The rider leans into a turn, more the faster he goes.
        const float speedFactor = Clamp(absSpeedRatio150 * 4.0f, 0.0f, 1.0f);
        const float asked = (sideCounter / 30.0f) * kMaxRiderLeanDeg * speedFactor;
        leanTarget = MoveToward(leanTarget, asked, kLeanTargetStep);
        const float e = WrapAngle(leanTarget * kDegToRad - leanAngle);
        const float d = WrapAngle(e - leanLastError);
        leanLastError = e;
        const float f = 500.0f * e + 20000.0f * d;
        AddAlong(body, 0, side, f);
        AddAlong(body, 1, side, f);
        AddAlong(body, 2, side, -f);
        AddAlong(body, 3, side, -f);
    } else {
        leanTracking = 0;
    }

    // Wheelie axis.
    if (slide) {
        wheelieAxis = {0.0f, 0.0f, 0.0f};
    } else if ((contactBits == 1 || contactBits == 2) && (lastContactBits == 0 || lastContactBits == 3)) {
        wheelieAxis = side;
    }

    // In the air.
    if (contactBits == 0) {
        if (lastContactBits != 0) {
            airSteps = 0;
            LimitVelocitySpread(0.3f, 0.0f);
        }
        if (airSteps < 1000000) {
            ++airSteps;
        }
        if (airSteps >= 201 && airSteps <= 214) {
            const float rearSpeed = Vec3Length(&body.particles[0].velocity);
            const float diff = rearSpeed - Vec3Length(&meanVelocity);
            if (diff > -0.2f && diff < 0.2f) {
                // A body hanging still in the air is lodged on something: push it over.
                Vec3 push;
                Vec3RotateAxis(&side, &up, kPi * 0.5f, &push);
                for (int i = 0; i < 4; ++i) {
                    AddAlong(body, i, push, kAirRightingForce);
                }
            }
        }
    }

    // Turning.
    const bool left = controls[kControlLeft] != 0;
    const bool right = controls[kControlRight] != 0;
    if (riding && ((left && steerAngle >= 0.0f) || (right && steerAngle < 0.0f))) {
        float rate;
        if (speedRatio150 >= 0.0f) {
            rate = TurnRateCurve.Evaluate(Clamp(speed / 150.0f, 0.0f, 1.0f));
        } else {
            rate = -TurnRateCurve.Evaluate(-Clamp(speed / 150.0f, -1.0f, 0.0f));
        }
        const float angle = rate * std::fabs(steerAngle) * 0.007f / 30.0f;
        RotateAbout(groundNormal, steerAngle < 0.0f ? -angle : angle);
    }
}

void BikeBody::DampingStage() {
    if (!riding) {
        for (int i = 0; i < 4; ++i) {
            Particle& p = body.particles[i];
            if (p.contactTimer != 0) {
                Vec3Scale(&p.velocity, &p.velocity, 0.98f);
            }
        }
        return;
    }
    const bool throttle = controls[kControlThrottle] != 0;
    const bool brake = controls[kControlBrake] != 0;
    // Copies, read once: the velocity writes below could be the bike's own vectors as far as the
    // compiler knows.
    const Vec3 sideAxis = side;
    const Vec3 forwardAxis = forward;
    for (int wheel = 0; wheel < 2; ++wheel) {
        if (body.particles[wheel].contactTimer == 0) {
            continue;
        }
        float s, r;
        if (speedRatio150 > 0.05f || throttle || brake) {
            s = surface.sideDrag;
            r = surface.rollDrag;
            if (throttle) {
                r = speed < topSpeedNow ? r * 0.5f : 0.0f;
            }
        } else {
            s = 0.5f;
            r = 2.0f * surface.rollDrag;
        }
        s *= wheelDrag[wheel * 2 + 1];
        r *= wheelDrag[wheel * 2];
        // A loss above the whole velocity would turn the wheel round instead of stopping it.
        s = Clamp(s, 0.0f, 1.0f);
        r = Clamp(r, 0.0f, 1.0f);
        const int pair[2] = {wheel, wheel + 2};
        for (int index : pair) {
            Vec3& v = body.particles[index].velocity;
            const float vs = Vec3Dot(&v, &sideAxis) * s;
            v.x -= sideAxis.x * vs;
            v.y -= sideAxis.y * vs;
            v.z -= sideAxis.z * vs;
            const float vf = Vec3Dot(&v, &forwardAxis) * r;
            v.x -= forwardAxis.x * vf;
            v.y -= forwardAxis.y * vf;
            v.z -= forwardAxis.z * vf;
        }
    }
}

void BikeBody::GroundContactStage() {
    if (controlClass == kClassComputer || controlClass == kClassInert) {
        if (groundCountdown > 0) {
            --groundCountdown;
            return;
        }
        groundCountdown = 2;
    }
    const GroundQuery* ground = env.ground;
    bool rearExpired = false;
    for (int i = 0; i < 4; ++i) {
        Particle& p = body.particles[i];
        if (--p.contactTimer < 0) {
            p.contactTimer = 0;
            p.contactNormal = worldUp;
            if (i == 0) {
                rearExpired = true;
            } else if (i == 1 && rearExpired) {
                airborneLatch = 1;
            }
        }
        if (ground == nullptr) {
            continue;
        }
        float g = ground->HeightAt(p.position.x, p.position.y);
        if (!std::isfinite(g)) g = 0.0f;
        g = Clamp(g, -kHeightLimit, kHeightLimit);
        const float landscapeHeight = g;  // the normal is taken on the landscape, not the sunk surface
        const uint8_t c = ground->SurfaceAt(p.position.x, p.position.y);
        SurfaceProperties props;
        bool deep = false;
        if (c < kFirstDepthCode) {
            GetSurfaceProperties(c, &props);
            g -= props.sink * 0.3f;
            g += GroundBump(p.position.x, p.position.y,
                            props.roughness * speedRatio150 * 1.3f * (slide ? 0.3f : 1.0f));
        } else {
            const float f = static_cast<float>(c - kFirstDepthCode) / 111.0f;
            deep = f > 0.3f;
            GetSurfaceProperties(c, &props);
            props.code = kDepthSurfaceCode;
            props.rollDrag = f * 0.01f + 0.001f;
            props.sideDrag = (f + 1.0f) * 0.1f;
            g -= f * 10.0f;
        }
        const float h = g + p.radius;
        if (i == 0) {
            rearClearance = p.position.z - h;
            if (rearClearance < 0.1f) rearClearance = 0.0f;
        }
        if (p.position.z < h) {
            if (deep) {
                riding = 0;
            }
            Vec3 n;
            ground->NormalAt(p.position.x, p.position.y, landscapeHeight, &n);
            p.position.z = h;
            if (i >= 2) {
                p.contactTimer = 5;
                p.contactNormal = n;
                if (up.z < 0.2f) {
                    riding = 0;
                } else if (Vec3Dot(&p.velocity, &n) < -40.0f) {
                    riding = 0;
                }
            } else {
                const float a = Vec3Dot(&p.contactNormal, &up);
                const float b = Vec3Dot(&n, &up);
                if (a <= 0.4f && b <= 0.4f && std::fabs(forward.z) >= 0.7f) {
                    riding = 0;  // standing on its end
                }
                if (p.contactTimer == 0 && riding) {
                    const float v = -Vec3Dot(&p.velocity, &n);
                    if (env.events != nullptr) {
                        if (v > 45.0f) {
                            env.events->OnLandSound(true);
                        } else if (v > 20.0f) {
                            env.events->OnLandSound(false);
                        }
                    }
                }
                if (p.contactTimer == 0 || b > a || !airborneLatch) {
                    p.contactTimer = (controlClass == kClassComputer || controlClass == kClassInert) ? 5 : 20;
                    p.contactNormal = n;
                    airborneLatch = 0;
                    surface = props;
                }
            }
            Vec3Reflect(&p.velocity, &n, &p.velocity);
            const float w = Vec3Dot(&p.velocity, &n);
            if (riding) {
                p.velocity.x -= n.x * w;
                p.velocity.y -= n.y * w;
                p.velocity.z -= n.z * w;
            } else {
                p.velocity.x -= n.x * w * 0.9f;
                p.velocity.y -= n.y * w * 0.9f;
                p.velocity.z -= n.z * w * 0.9f;
                if (w > 5.0f && env.events != nullptr) {
                    const float clipped = w < 60.0f ? w : 60.0f;
                    env.events->OnCrashSound(static_cast<int>((1.0f - (clipped - 5.0f) / 55.0f) * -5500.0f));
                }
            }
        }
        float water = 0.0f;
        if (ground->WaterAt(p.position.x, p.position.y, &water) && p.position.z < water) {
            if (i >= 2) {
                riding = 0;
            }
            Vec3Scale(&p.velocity, &p.velocity, 0.95f);
        }
    }
    Vec3 sum;
    Vec3Add(&body.particles[0].contactNormal, &body.particles[1].contactNormal, &sum);
    Vec3Normalize(&sum);
    // Two opposite normals cancel; the vertical stands in for their mean.
    groundNormal = (sum.x == 0.0f && sum.y == 0.0f && sum.z == 0.0f) ? worldUp : sum;
}

}  // namespace kes
