#pragma once
// Sprites of dirt, spray and exhaust that the bikes throw up. A fixed pool of particles is sorted
// into lists by the ground surface under the emitting wheel, each list drawn with its texture as
// screen-space sprites. No allocation after ParticlesInit: when the pool is empty spawns are
// dropped (that is the particle budget).
#include <cstdint>

#include "game/core/maths/MathTypes.h"
#include "game/core/render/RenderInterface.h"
#include "game/core/sprite/Sprites.h"
#include "game/world/chunk/WorldView.h"

namespace kes {

class BikeBody;
class GroundQuery;
class ParticleBody;

constexpr uint8_t kExhaustSurface = 254;
constexpr uint32_t kParticleLists = 6;

struct SprayParticle {
    int32_t prev = -1, next = -1;  // list links (pool indices)
    Vec3 position{}, velocity{}, acceleration{};
    float width = 0, height = 0, growth = 0;
    int32_t frameTimer = 0;     // ms, counts down
    int32_t frameDuration = 0;  // ms
    uint32_t colour = 0;        // ARGB
    const TextureRect* cell = nullptr;
    float damping = 0;
    uint32_t frame = 0, firstFrame = 0, frameCount = 0;
    uint32_t sizeClass = 0;
    uint32_t grid = 0;          // 0 = 16 x 16 cells, 1 = 8 x 8, 2 = 4 x 4
    int32_t life = 0;           // ms left
    int32_t lifeAtBirth = 0;
};

// What a bike's emission keeps between steps (the body's emission words).
struct ParticleEmitterState {
    int32_t interval = 0;     // ms between sprays
    int32_t exhaustTimer = 0;
    int32_t timers[2][7] = {};
};

// The crashed rider, for the spray of a sliding body.
struct RiderSpray {
    const ParticleBody* body = nullptr;
    uint8_t stateBytes[2] = {0, 0};  // both set: the rider is off the bike and down
    uint8_t sliding = 0;
    uint32_t stop = 0;
};

// 0, or 1 when the pool or batch cannot be allocated. poolSize 128, 256 or 512 by the particle
// detail; 0 makes a pool that drops every spawn.
int32_t ParticlesInit(RenderInterface* render, uint32_t poolSize);
void ParticlesFree();
// The spray, exhaust and crash debris of one bike step (rider may be null).
void ParticlesEmitFromBike(const BikeBody& bike, ParticleEmitterState& state, const RiderSpray* rider);
void ParticlesUpdate(uint32_t elapsedMs);
// Draws the lists through the render interface's view-projection matrix.
void ParticlesDraw(const WorldView& view, RenderInterface* render);

// One particle of the surface code (254: exhaust); false when the pool is empty. ground (may be
// null) raises ground particles to at least 0.8 above it; absSpeedRatio sizes them.
bool SpawnParticle(const GroundQuery* ground, float absSpeedRatio, const Vec3& position, const Vec3& velocity,
                   uint8_t surface, uint32_t sizeClass);

// List (0-based, in drawing order) of a surface code.
uint32_t ParticleListOf(uint8_t surface);
uint32_t ParticleCount();
uint32_t ParticleListCount(uint32_t list);
// The first particle of a list (most recent spawn), or null.
const SprayParticle* ParticleListHead(uint32_t list);
// Sprites written by the last ParticlesDraw.
uint32_t ParticlesDrawn();
// The emission interval formula for a sideways factor and speed ratio.
int32_t ParticleEmissionInterval(float sideways, float absSpeedRatio150);

}  // namespace kes
