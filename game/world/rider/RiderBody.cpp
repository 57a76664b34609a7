#include "game/world/rider/RiderBody.h"

#include <algorithm>
#include <cmath>

#include "game/world/chunk/ContactSubject.h"
#include "platform/sys/CrtRand.h"

namespace kes {

namespace {

Vec3 Add(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 Sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Mul(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float Length(Vec3 a) { return std::sqrt(Dot(a, a)); }

const float kMasses[kRiderParticles] = {4, 4, 4, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

struct SpringSetup {
    uint32_t a, b;
    bool limit;
};

const SpringSetup kSpringSetup[kRiderSprings] = {
    {0, 1, false},  {1, 2, false},  {2, 0, false},  {0, 3, false},  {3, 4, false},  {1, 5, false},
    {5, 6, false},  {2, 7, false},  {7, 8, false},  {2, 9, false},  {9, 10, false}, {3, 1, true},
    {4, 0, true},   {5, 0, true},   {1, 6, true},   {1, 7, true},   {2, 8, true},   {0, 9, true},
    {2, 10, true},  {11, 0, false}, {11, 1, false}, {11, 2, false}, {11, 12, false}, {12, 2, true},
    {7, 9, true},
};

const RiderJoint kJoints[kRiderJoints] = {
    {1, 0, 3, 11, 0, 3, -0.6f, 0},    {0, 3, 4, 12, 3, 4, -0.9f, 0},   {0, 1, 5, 13, 0, 5, -0.6f, 0},
    {1, 5, 6, 14, 5, 6, -0.9f, 0},    {1, 2, 7, 15, 1, 7, -0.975f, 0}, {2, 7, 8, 16, 7, 8, -0.95f, 0},
    {0, 2, 9, 17, 2, 9, -0.975f, 0},  {2, 9, 10, 18, 9, 10, -0.95f, 0}, {12, 11, 2, 23, 22, 21, -0.8f, 0},
    {7, 2, 9, 24, 7, 9, 0.7f, 0},
};

// Spring classes: the body's own springs, and the joint-limit springs.
constexpr uint32_t kStructuralClass = 0;
constexpr uint32_t kLimitClass = 1;
const SpringClass kClasses[2] = {{400.0f, 35.0f, 10.0f}, {225.0f, 47.0f, 4.0f}};

constexpr float kEaseStep = 0.02f;

float LawOfCosines(float l1, float l2, float c) {
    return std::sqrt(std::max(0.0f, l1 * l1 + l2 * l2 - 2.0f * l1 * l2 * c));
}

// A random fraction 0..1 from the simulation's generator (the rider's jitter changes how a race plays).
float SimFraction() { return static_cast<float>(plat::SimRand()) / 32767.0f; }

void Pain(const RiderBody& rider, const Vec3& at) {
    if (RiderSounds().pain) RiderSounds().pain(rider.soundOwner, at);
}

}  // namespace

const Vec3 kRiderRestShape[kRiderParticles] = {
    {0, 0, 0},   {6, 0, 0},   {3, 0, -7},  {-3, 0, 0},   {-6, 0, 0},  {9, 0, 0}, {12, 0, 0},
    {1, 0, -10}, {-1, 0, -13}, {5, 0, -10}, {7, 0, -13}, {3, 0, 0},   {3, 0, 3},
};

const float kRiderCrashLengths[kRiderEasedSprings] = {1.1276f,  1.22669f, 1.29815f, 0.76662f, 0.82217f, 0.71184f,
                                                       0.73918f, 1.69039f, 1.88072f, 1.79497f, 1.84097f};

RiderSoundHooks& RiderSounds() {
    static RiderSoundHooks hooks;
    return hooks;
}

RiderBody::RiderBody() {
    body.timeStep = kRiderTimeStep;
    body.particleCount = kRiderParticles;
    body.springCount = kRiderSprings;
    body.gravity = {0.0f, 0.0f, kRiderGravity};
    body.classes[kStructuralClass] = kClasses[0];
    body.classes[kLimitClass] = kClasses[1];
    body.Allocate();
    for (uint32_t j = 0; j < kRiderJoints; ++j) joints[j] = kJoints[j];
    if (!Ready()) return;
    for (uint32_t i = 0; i < kRiderParticles; ++i) {
        Particle& p = body.particles[i];
        p.mass = kMasses[i];
        p.radius = 1.0f;
        p.position = kRiderRestShape[i];
        p.contactNormal = {0.0f, 0.0f, 1.0f};
    }
    for (uint32_t s = 0; s < kRiderSprings; ++s) {
        Spring& sp = body.springs[s];
        sp.a = kSpringSetup[s].a;
        sp.b = kSpringSetup[s].b;
        sp.limitOnly = kSpringSetup[s].limit ? 1 : 0;
        sp.springClass = kSpringSetup[s].limit ? kLimitClass : kStructuralClass;
        sp.enabled = kSpringSetup[s].limit ? 0 : 1;
        // A limit spring's lengths are set by the joint it guards; the others rest as posed.
        sp.restFromPose = kSpringSetup[s].limit ? 0 : 1;
    }
    body.Reset();
}

Vec3 RiderBody::Centroid() const {
    Vec3 sum = {0, 0, 0};
    for (uint32_t i = 0; i < kRiderParticles; ++i) sum = Add(sum, body.particles[i].position);
    return Mul(sum, 1.0f / kRiderParticles);
}

Vec3 RiderBody::MeanVelocity() const {
    Vec3 sum = {0, 0, 0};
    for (uint32_t i = 0; i < kRiderParticles; ++i) sum = Add(sum, body.particles[i].velocity);
    return Mul(sum, 1.0f / kRiderParticles);
}

bool RiderBody::Finite() const {
    for (uint32_t i = 0; i < kRiderParticles; ++i) {
        const Particle& p = body.particles[i];
        const float v[6] = {p.position.x, p.position.y, p.position.z, p.velocity.x, p.velocity.y, p.velocity.z};
        for (float f : v)
            if (!std::isfinite(f)) return false;
    }
    return true;
}

void RiderBody::StartCrash() {
    easing = 1;
    for (uint32_t i = 0; i < kRiderParticles; ++i) {
        forceCountdown[i] = 0;
        contactForce[i] = {0, 0, 0};
        lastOverlap[i] = 0.0f;
    }
    contactPushTimer = kRiderContactPushTicks;
    const Particle* p = body.particles;
    for (uint32_t j = 0; j < kRiderJoints; ++j) {
        RiderJoint& e = joints[j];
        const float l1 = body.springs[e.segment1].restLength;
        const float l2 = body.springs[e.segment2].restLength;
        Vec3 ua = Sub(p[e.a].position, p[e.joint].position);
        Vec3 ub = Sub(p[e.b].position, p[e.joint].position);
        const float la = Length(ua), lb = Length(ub);
        const float c = (la > 0.0f && lb > 0.0f) ? Dot(ua, ub) / (la * lb) : 1.0f;
        if (c > e.cosineLimit) {
            bent[j] = 1;
            bentLength[j] = LawOfCosines(l1, l2, c);
        } else {
            bent[j] = 0;
            bentLength[j] = 0.0f;
        }
        e.limitLength = LawOfCosines(l1, l2, e.cosineLimit);
    }
}

void RiderBody::UpdateJointLimits() {
    const Particle* p = body.particles;
    for (uint32_t j = 0; j < kRiderJoints; ++j) {
        const RiderJoint& e = joints[j];
        Spring& s = body.springs[e.limitSpring];
        const float d = Length(Sub(p[e.a].position, p[e.b].position));
        const float hold = bent[j] ? bentLength[j] : e.limitLength;
        if (d < hold) {
            s.enabled = 1;
            s.minLength = s.maxLength = hold;
        } else {
            s.enabled = 0;
            if (bent[j] && d > e.limitLength) bent[j] = 0;
        }
    }
}

void RiderBody::Tick() {
    if (!Ready()) return;
    for (uint32_t i = 0; i < kRiderParticles; ++i) {
        if (forceCountdown[i] > 0) --forceCountdown[i];
        if (forceCountdown[i] != 0) body.AddForce(i, contactForce[i].x, contactForce[i].y, contactForce[i].z);
    }
    if (ground) {
        for (uint32_t i = 0; i < 2; ++i) {
            Particle& p = body.particles[i];
            float surfaceHeight = 0.0f;
            if (ground->WaterAt(p.position.x, p.position.y, &surfaceHeight) && surfaceHeight > p.position.z) {
                inWater = 1;
                p.velocity = Mul(p.velocity, 0.98f);
            }
        }
    }
    if (contactPushTimer > 0) --contactPushTimer;
    UpdateJointLimits();
    if (easing) {
        bool arrived = true;
        for (uint32_t s = 0; s < kRiderEasedSprings; ++s) {
            float& rest = body.springs[s].restLength;
            const float diff = kRiderCrashLengths[s] - rest;
            if (std::fabs(diff) <= kEaseStep) {
                rest = kRiderCrashLengths[s];
            } else {
                rest += diff > 0.0f ? kEaseStep : -kEaseStep;
                arrived = false;
            }
        }
        if (arrived) easing = 0;
    }
    body.Step();
    --groundDivider;
    if (groundDivider < 0) groundDivider = 10;
    if (groundDivider == 0) GroundContact();
}

void RiderBody::GroundContact() {
    if (!ground) return;
    inWater = 0;
    for (uint32_t i = 0; i < kRiderParticles; ++i) {
        Particle& p = body.particles[i];
        if (p.contactTimer > 0 && --p.contactTimer == 0) p.contactNormal = {0.0f, 0.0f, 1.0f};
        const float groundHeight = ground->HeightAt(p.position.x, p.position.y);
        float level = groundHeight;
        const uint32_t s = ground->SurfaceAt(p.position.x, p.position.y);
        if (s < 145) {
            level += Length(p.velocity) * SimFraction() / 50.0f + 0.5f;
        } else {
            if (i < 2 && p.position.z < level) {
                p.velocity = Mul(p.velocity, 0.98f);
                inWater = 1;
            }
            level -= static_cast<float>(s - 144) / 111.0f * 10.0f;
        }
        if (p.position.z >= level) continue;
        if (!inWater) Pain(*this, p.position);
        p.contactTimer = kRiderContactTicks;
        Vec3 n;
        ground->NormalAt(p.position.x, p.position.y, groundHeight, &n);
        p.contactNormal = n;
        p.position.z = level;
        // Only the motion into the ground is taken away (a particle at rest, or one already leaving
        // the ground, keeps its velocity): the stronger the head-on share of the speed, the more.
        const float speed = Length(p.velocity);
        const float into = Dot(n, p.velocity);
        if (speed > 0.0f && into < 0.0f) {
            const float share = std::fabs(into / speed);
            const float k = share * share * share * into;
            p.velocity = Sub(p.velocity, Mul(n, i < 3 ? k * 0.7f : k));
        }
        if (i < 3) bodyContactCountdown = 0;
        const float v = Length(p.velocity);
        p.velocity = Mul(p.velocity, 0.94f + 0.03f * std::min(v / 100.0f, 1.0f));
    }
    LimitVelocities(25.0f, 0.0f);
}

void RiderBody::LimitVelocities(float maxDeviation, float scale) {
    const Vec3 mean = MeanVelocity();
    meanVelocity = mean;
    for (uint32_t i = 0; i < kRiderParticles; ++i) {
        Particle& p = body.particles[i];
        Vec3 dev = Sub(p.velocity, mean);
        const float len = Length(dev);
        if (maxDeviation >= 0.0f && len > maxDeviation) dev = Mul(dev, maxDeviation / len);
        if (scale != 0.0f) dev = Mul(dev, scale);
        p.velocity = Add(mean, dev);
    }
}

int32_t RiderBodyContact(RiderBody& rider, bool riding, const Vec3& objectPosition, uint32_t event, void* info) {
    if (!info || !rider.Ready()) return 1;
    uint32_t index = kRiderParticles;
    if (event == kContactTouch || event == kContactFace) {
        const SurfaceContact& c = *static_cast<const SurfaceContact*>(info);
        index = c.sphereIndex;
        if (index >= kRiderParticles) return 1;
        Particle& p = rider.body.particles[index];
        const float radius = c.sphere ? c.sphere->radius : p.radius;
        // The push that puts the particle's sphere just outside the surface.
        const Vec3 push = Sub(Add(c.point, Mul(c.normal, radius)), p.position);
        if (event == kContactTouch) {
            p.position = Add(p.position, push);  // the particles' second factor is 1.0
            if (Length(p.velocity) > 20.0f) Pain(rider, p.position);
            p.contactTimer = kRiderContactTicks;
            p.velocity = Mul(p.velocity, 0.98f);
        } else {
            p.contactNormal = c.normal;
            Pain(rider, p.position);
            p.position = Add(p.position, push);
            const float s = Length(p.velocity);
            p.velocity = Sub(p.velocity, Mul(c.normal, s * (riding ? 0.7f : 0.2f)));
            p.velocity = Mul(p.velocity, 0.98f);
            p.contactTimer = kRiderContactTicks;
            if (c.soundA != -1 && s > 5.0f && RiderSounds().effect) {
                const int level = std::min(static_cast<int>(s * 3000.0f / 70.0f), 3000);
                RiderSounds().effect(c.soundA, level - 3000, p.position);
            }
        }
    } else if (event == kContactObject) {
        if (rider.contactPushTimer != 0) return 1;
        const ContactInfo& c = *static_cast<const ContactInfo*>(info);
        if (!c.ownSphere || !c.other || !c.otherSphere || c.ownIndex >= kRiderParticles) return 1;
        index = c.ownIndex;
        const Vec3 own = Add(objectPosition, c.ownSphere->centre);
        const Vec3 other = Add(c.other->position, c.otherSphere->centre);
        const Vec3 d = Sub(own, other);
        const float dist = Length(d);
        const float overlap = dist - (c.ownSphere->radius + c.otherSphere->radius);
        const float change = overlap - rider.lastOverlap[index];
        rider.lastOverlap[index] = overlap;
        const Vec3 u = dist > 0.0f ? Mul(d, 1.0f / dist) : Vec3{0, 0, 0};
        rider.contactForce[index] = Mul(u, -(2000.0f * overlap + 100.0f * change));
        rider.forceCountdown[index] = kRiderContactTicks;
    }
    (void)objectPosition;
    if (index < 3) rider.bodyContactCountdown = 1;
    return 1;
}

}  // namespace kes
