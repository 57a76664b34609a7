#pragma once
// The crashed rider: a body of 13 particles and 25 springs that takes over from the animated rider
// when the rider leaves the bike. It is seeded from the rider's pose, thrown with the bike's speed,
// bends at ten joints only as far as their limits allow, bounces off the ground and the world's solids
// and cries out when it hits something.
//
// Particles: 0 and 1 the shoulders, 2 the pelvis, 3-4 and 5-6 the arms (elbow, hand), 7-8 and 9-10
// the legs (knee, foot), 11 the neck, 12 the head. The rider model's crash pose reads the particle
// positions (RiderBody::body.particles[i].position) in this order.
#include <cstdint>

#include "game/core/maths/MathTypes.h"
#include "game/core/objects/Objects.h"
#include "game/world/physics/GroundQuery.h"
#include "game/world/physics/ParticleBody.h"

namespace kes {

constexpr uint32_t kRiderParticles = 13;
constexpr uint32_t kRiderSprings = 25;
constexpr uint32_t kRiderJoints = 10;
constexpr uint32_t kRiderEasedSprings = 11;  // springs 0-10 ease toward their crash lengths
constexpr int32_t kRiderContactPushTicks = 400;
constexpr int32_t kRiderContactTicks = 10;
constexpr float kRiderTimeStep = 0.001f;
constexpr float kRiderGravity = -30.0f;

// One joint: the angle at `joint` between the segments to `a` and to `b` may not open past the
// cosine limit; the limit spring between a and b holds it there.
struct RiderJoint {
    uint32_t a, joint, b;
    uint32_t limitSpring;
    uint32_t segment1, segment2;
    float cosineLimit;
    float limitLength;
};

// What the crashed rider asks of the sound layer. The bike sounds fill these in; all null = silent.
struct RiderSoundHooks {
    void (*crash)(void* racer) = nullptr;                // the rider leaves the bike
    void (*pain)(void* racer, const Vec3& at) = nullptr; // a particle hits the ground or a solid
    void (*stop)(void* racer) = nullptr;                 // the rider is back on the bike
    // A solid's sound effect at the particle, volume in hundredths of a decibel (-3000..0).
    void (*effect)(int32_t effect, int volume, const Vec3& at) = nullptr;
};
RiderSoundHooks& RiderSounds();

class RiderBody {
public:
    RiderBody();
    RiderBody(const RiderBody&) = delete;
    RiderBody& operator=(const RiderBody&) = delete;

    // False when the particle or spring arrays could not be allocated.
    bool Ready() const { return body.particles != nullptr && body.springs != nullptr; }

    // Rest lengths from the current positions, then the crash's starting state: contact forces
    // cleared, the contact-push delay, the joints found bent past their limits.
    void StartCrash();
    // One tick of 0.001 s.
    void Tick();
    void GroundContact();
    // Pulls every particle's velocity toward the mean: deviations longer than maxDeviation (when it
    // is not negative) are shortened, and all are scaled by scale when it is not zero.
    void LimitVelocities(float maxDeviation, float scale);
    void UpdateJointLimits();
    // The mean position and velocity of the particles.
    Vec3 Centroid() const;
    Vec3 MeanVelocity() const;
    bool Finite() const;

    ParticleBody body;
    const GroundQuery* ground = nullptr;  // required for Tick
    void* soundOwner = nullptr;           // handed to the sound hooks (the racer)

    int32_t contactPushTimer = 0;
    int32_t forceCountdown[kRiderParticles] = {};
    Vec3 contactForce[kRiderParticles] = {};
    int32_t bodyContactCountdown = 0;
    int32_t groundDivider = 0;
    ObjectSphere spheres[kRiderParticles] = {};
    RiderJoint joints[kRiderJoints] = {};
    uint8_t bent[kRiderJoints] = {};
    float bentLength[kRiderJoints] = {};
    float accumulator = 0.0f;  // units of 1/1.1 ms
    Vec3 meanVelocity = {0.0f, 0.0f, 0.0f};
    uint8_t inWater = 0;
    uint8_t easing = 0;        // springs 0-10 still easing toward their crash lengths
    float lastOverlap[kRiderParticles] = {};  // sphere overlap at the last object contact
};

// The rest shape of the constructor (x, y, z with y = 0) and the crash lengths of springs 0-10.
extern const Vec3 kRiderRestShape[kRiderParticles];
extern const float kRiderCrashLengths[kRiderEasedSprings];

// The contact routine of the crashed rider's scene object (events 2 and 3: a SurfaceContact; 4: a
// ContactInfo). riding: the rider's bike is ridden again. Always 1.
int32_t RiderBodyContact(RiderBody& rider, bool riding, const Vec3& objectPosition, uint32_t event, void* info);

}  // namespace kes
