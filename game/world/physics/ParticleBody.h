#pragma once
// A small mass-spring engine: point masses joined by damped springs, advanced by a fixed time step.
// The bike uses 4 particles and 8 springs, the crashed rider 13 and 25.
#include <cstdint>

#include "game/core/maths/MathTypes.h"

namespace kes {

struct Particle {
    float mass;
    float invMass;        // 1 / mass, set by Reset (0 for a mass that is not positive: the particle is immovable)
    float radius;         // contact radius, read by the owner's ground contact
    Vec3 position;
    Vec3 velocity;
    Vec3 force;           // accumulated during the current step
    uint8_t fixed;        // non-zero: not integrated (forces still accumulate and are cleared)
    int32_t contactTimer; // steps since the owner last saw a contact, counted down by the owner
    Vec3 contactNormal;
};

struct Spring {
    float lastForce;
    float lastForce2;
    uint32_t a;
    uint32_t b;
    uint32_t springClass;
    float lastLength;
    float restLength;
    uint8_t limitOnly;    // non-zero: acts only outside [minLength, maxLength]
    float minLength;
    float maxLength;
    uint8_t enabled;
    uint8_t restFromPose; // non-zero: Reset takes restLength from the current distance
};

struct SpringClass {
    float stiffness;
    float damping;
    float scale;
};

constexpr int kSpringClassCount = 20;
constexpr float kMaxParticleForce = 5000.0f;
constexpr float kMaxParticleSpeed = 300.0f;

class ParticleBody {
public:
    ParticleBody();
    ~ParticleBody();
    ParticleBody(const ParticleBody&) = delete;
    ParticleBody& operator=(const ParticleBody&) = delete;

    // Frees old arrays and allocates particleCount particles and springCount springs. On failure
    // springs (and particles) stay null and the owner must not step the body.
    void Allocate();
    void Reset();
    void ClearForces();
    // In line: the bike's stages push on its particles many times a step.
    void AddForce(uint32_t index, float fx, float fy, float fz) {
        if (index >= particleCount) {
            return;
        }
        Vec3& f = particles[index].force;
        f.x += fx;
        f.y += fy;
        f.z += fz;
    }
    void Step();

    void ApplySpringForces();
    void Integrate();

    float timeStep = 0.01f;
    float invTimeStep = 100.0f;
    Particle* particles = nullptr;
    SpringClass classes[kSpringClassCount] = {};
    Spring* springs = nullptr;
    uint32_t springCount = 0;
    uint32_t particleCount = 0;
    Vec3 gravity = {0.0f, 0.0f, 0.0f};
};

// Scales v down to length limit when it is longer. Huge components are measured without overflow, and
// a vector with a NaN component becomes zero, so that no fault in one step spreads through the body.
void ClampVectorLength(Vec3* v, float limit);

}  // namespace kes
