#include "game/world/physics/ParticleBody.h"

#include <cmath>
#include <new>

#include "game/core/maths/VecMath.h"

namespace kes {

ParticleBody::ParticleBody() = default;

ParticleBody::~ParticleBody() {
    delete[] particles;
    delete[] springs;
}

void ParticleBody::Allocate() {
    delete[] particles;
    delete[] springs;
    particles = nullptr;
    springs = nullptr;
    particles = new (std::nothrow) Particle[particleCount]();
    if (particles == nullptr) {
        return;
    }
    springs = new (std::nothrow) Spring[springCount]();
    if (springs == nullptr) {
        delete[] particles;
        particles = nullptr;
        return;
    }
    for (uint32_t i = 0; i < springCount; ++i) {
        Spring& s = springs[i];
        s.enabled = 1;
        s.restFromPose = 1;
        s.limitOnly = 0;
        s.springClass = 0;
        s.lastForce = 0.0f;
        s.lastForce2 = 0.0f;
    }
}

void ParticleBody::Reset() {
    ClearForces();
    for (uint32_t i = 0; i < particleCount; ++i) {
        Particle& p = particles[i];
        // A mass of zero, a negative or a non-finite mass would give an infinite or meaningless
        // inverse; such a particle is treated as immovable instead.
        p.invMass = (std::isfinite(p.mass) && p.mass > 0.0f) ? 1.0f / p.mass : 0.0f;
        if (!std::isfinite(p.invMass)) {
            p.invMass = 0.0f;
        }
        p.velocity = {0.0f, 0.0f, 0.0f};
        p.contactTimer = 0;
    }
    for (uint32_t i = 0; i < springCount; ++i) {
        Spring& s = springs[i];
        Vec3 d;
        Vec3Sub(&particles[s.b].position, &particles[s.a].position, &d);
        const float length = Vec3Length(&d);
        s.lastLength = length;
        if (s.restFromPose) {
            s.restLength = length;
        }
    }
    // A zero or broken time step would make the damping rate infinite; such a body does not damp.
    invTimeStep = (std::isfinite(timeStep) && timeStep > 0.0f) ? 1.0f / timeStep : 0.0f;
}

void ParticleBody::ClearForces() {
    for (uint32_t i = 0; i < particleCount; ++i) {
        particles[i].force = {0.0f, 0.0f, 0.0f};
    }
}

void ParticleBody::ApplySpringForces() {
    // Copied once, as in Integrate: the stores below could otherwise be the body's own fields as far
    // as the compiler knows.
    Spring* const ss = springs;
    const uint32_t springTotal = springCount;
    Particle* const ps = particles;
    const uint32_t count = particleCount;
    const float dampingRate = invTimeStep;
    for (uint32_t i = 0; i < springTotal; ++i) {
        Spring& s = ss[i];
        if (!s.enabled || s.a >= count || s.b >= count) {
            continue;
        }
        Particle& pa = ps[s.a];
        Particle& pb = ps[s.b];
        Vec3 d;
        Vec3Sub(&pb.position, &pa.position, &d);
        const float length = Vec3Length(&d);
        const float rate = length - s.lastLength;
        float stretch = 0.0f;
        bool acts = true;
        if (s.limitOnly) {
            if (length > s.maxLength) {
                stretch = length - s.maxLength;
            } else if (length < s.minLength) {
                stretch = length - s.minLength;
            } else {
                acts = false;
            }
        } else {
            stretch = length - s.restLength;
        }
        s.lastLength = length;
        if (!acts) {
            continue;  // a limit spring inside its range: its direction is not needed
        }
        if (length != 0.0f) {
            Vec3Divide(&d, &d, length);
        }
        const SpringClass& c = classes[s.springClass < kSpringClassCount ? s.springClass : 0];
        const float f = (c.damping * dampingRate * rate + c.stiffness * stretch) * c.scale;
        // Smoothing over the last two steps: the applied force leans on the trend of the force.
        const float e1 = f - s.lastForce;
        const float e2 = e1 - (s.lastForce - s.lastForce2);
        s.lastForce2 = s.lastForce;
        s.lastForce = f;
        const float applied = ((e2 + e1 + f) + f) * 0.5f;
        pa.force.x += d.x * applied;
        pa.force.y += d.y * applied;
        pa.force.z += d.z * applied;
        pb.force.x -= d.x * applied;
        pb.force.y -= d.y * applied;
        pb.force.z -= d.z * applied;
    }
}

namespace {

// ClampVectorLength for a vector whose components are all finite.
inline void ClampFiniteVector(Vec3& v, float limit) {
    // Every component is finite here, so a plain comparison gives what fmax would, without its call.
    const float ax = std::fabs(v.x), ay = std::fabs(v.y), az = std::fabs(v.z);
    const float yz = ay < az ? az : ay;
    const float largest = ax < yz ? yz : ax;
    if (largest <= limit * 0.57735f) {
        return;  // no component large enough for the length to exceed the limit
    }
    if (largest > 1.0e18f) {
        // The squared length would overflow: shrink first, the direction is all that matters.
        Vec3Scale(&v, &v, 1.0f / largest);
    }
    const float length = Vec3Length(&v);
    if (length > limit) {
        Vec3Scale(&v, &v, limit / length);
    }
}

bool AllFinite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace

void ClampVectorLength(Vec3* v, float limit) {
    if (!AllFinite(*v)) {
        // An infinite component still has a direction; NaN has none.
        if (std::isnan(v->x) || std::isnan(v->y) || std::isnan(v->z)) {
            *v = {0.0f, 0.0f, 0.0f};
            return;
        }
        v->x = std::isinf(v->x) ? std::copysign(1.0f, v->x) : 0.0f;
        v->y = std::isinf(v->y) ? std::copysign(1.0f, v->y) : 0.0f;
        v->z = std::isinf(v->z) ? std::copysign(1.0f, v->z) : 0.0f;
        Vec3Normalize(v);
        Vec3Scale(v, v, limit);
        return;
    }
    ClampFiniteVector(*v, limit);
}

namespace {

// ClampVectorLength in line for the integration loop. Its limits give the same first bound in every
// rounding mode (2886.75 and 173.205), so the bound may be worked out when compiling.
inline void ClampInLoop(Vec3& v, float limit) {
    // Components all within the first bound (so finite too): the clamp leaves the vector alone.
    const float bound = limit * 0.57735f;
    if (std::fabs(v.x) <= bound && std::fabs(v.y) <= bound && std::fabs(v.z) <= bound) {
        return;
    }
    if (AllFinite(v)) {
        ClampFiniteVector(v, limit);
    } else {
        ClampVectorLength(&v, limit);
    }
}

// Integrate's pass; with kClearForces each particle's force is cleared as well, once it was used.
template <bool kClearForces>
void IntegrateBody(ParticleBody& b) {
    // Copied once: the stores to the particles could otherwise be the body's own fields as far as the
    // compiler knows, and every step would read them again.
    const float dt = b.timeStep;
    const float halfDtSquared = 0.5f * dt * dt;
    const float gx = b.gravity.x, gy = b.gravity.y, gz = b.gravity.z;
    Particle* const ps = b.particles;
    const uint32_t count = b.particleCount;
    for (uint32_t i = 0; i < count; ++i) {
        Particle& p = ps[i];
        if (p.fixed) {
            if (kClearForces) p.force = {0.0f, 0.0f, 0.0f};
            continue;
        }
        ClampInLoop(p.force, kMaxParticleForce);
        const float invMass = p.invMass;
        const float ax = p.force.x * invMass + gx;
        const float ay = p.force.y * invMass + gy;
        const float az = p.force.z * invMass + gz;
        const float vx = p.velocity.x, vy = p.velocity.y, vz = p.velocity.z;
        p.position.x += vx * dt + ax * halfDtSquared;
        p.position.y += vy * dt + ay * halfDtSquared;
        p.position.z += vz * dt + az * halfDtSquared;
        p.velocity.x = vx + ax * dt;
        p.velocity.y = vy + ay * dt;
        p.velocity.z = vz + az * dt;
        ClampInLoop(p.velocity, kMaxParticleSpeed);
        if (kClearForces) p.force = {0.0f, 0.0f, 0.0f};
    }
}

}  // namespace

void ParticleBody::Integrate() {
    IntegrateBody<false>(*this);
}

void ParticleBody::Step() {
    ApplySpringForces();
    // The integration and the clearing of the forces in one pass: each force is cleared once used.
    IntegrateBody<true>(*this);
}

}  // namespace kes
