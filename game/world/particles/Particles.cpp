#include "game/world/particles/Particles.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "game/core/image/BitmapCache.h"
#include "game/core/maths/VecMath.h"
#include "game/core/display/Display.h"
#include "game/world/maps/PhysMap.h"
#include "game/world/physics/BikeBody.h"
#include "platform/gfx/GfxStates.h"
#include "platform/sys/CrtRand.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

struct NamedTexture {
    const char* name;
    const char* image;
    const char* alpha;
};

const NamedTexture kTextures[7] = {
    {"Grass", "Textures\\Particles\\grass.bmp", "Textures\\Particles\\grass-alpha.bmp"},
    {"Mud", "Textures\\Particles\\mud.bmp", "Textures\\Particles\\mud-alpha.bmp"},
    {"Snow", "Textures\\Particles\\snow.bmp", "Textures\\Particles\\snow-alpha.bmp"},
    {"Water", "Textures\\Particles\\water.bmp", "Textures\\Particles\\water-alpha.bmp"},
    {"Sand", "Textures\\Particles\\sand.bmp", "Textures\\Particles\\sand-alpha.bmp"},
    {"Exhaust", "Textures\\Particles\\exhaust.bmp", "Textures\\Particles\\exhaust-a.bmp"},
    {"Dust", "Textures\\Particles\\dust.bmp", "Textures\\Particles\\dust-a.bmp"},
};
constexpr int kExhaustTexture = 5, kDustTexture = 6;
// The texture each list draws with, in drawing order.
constexpr int kListTexture[kParticleLists] = {kDustTexture, kDustTexture, kDustTexture,
                                              kDustTexture, kExhaustTexture, kDustTexture};

struct ParticleSystem {
    RenderInterface* render = nullptr;
    std::vector<SprayParticle> pool;
    int32_t freeHead = -1;
    int32_t heads[kParticleLists] = {-1, -1, -1, -1, -1, -1};
    uint32_t counts[kParticleLists] = {};
    uint32_t live = 0;
    std::vector<TextureRect> cells[3];  // 16 x 16, 8 x 8, 4 x 4
    std::vector<Sprite> batch;
    uint32_t textures[7] = {};
    uint32_t elapsedMs = 0;
    uint32_t drawn = 0;
} g_ps;

float Random01() { return static_cast<float>(plat::CrtRand()) / 32767.0f; }

void MakeCells(std::vector<TextureRect>& cells, uint32_t n) {
    cells.resize(static_cast<size_t>(n) * n);
    for (uint32_t k = 0; k < n * n; ++k) {
        const float column = static_cast<float>(k % n), row = static_cast<float>(k / n), size = static_cast<float>(n);
        cells[k] = {column / size, row / size, (column + 1) / size, (row + 1) / size};
    }
}

const TextureRect* Cell(const SprayParticle& p) {
    const std::vector<TextureRect>& cells = g_ps.cells[std::min<uint32_t>(p.grid, 2)];
    return cells.empty() ? nullptr : &cells[p.frame % cells.size()];
}

void Unlink(uint32_t list, int32_t i) {
    SprayParticle& p = g_ps.pool[static_cast<size_t>(i)];
    if (p.prev >= 0) g_ps.pool[static_cast<size_t>(p.prev)].next = p.next;
    else g_ps.heads[list] = p.next;
    if (p.next >= 0) g_ps.pool[static_cast<size_t>(p.next)].prev = p.prev;
    --g_ps.counts[list];
    --g_ps.live;
    p.prev = -1;
    p.next = g_ps.freeHead;
    g_ps.freeHead = i;
}

void UpdateList(uint32_t list, int32_t elapsed) {
    const float dt = static_cast<float>(elapsed) * 0.001f;
    for (int32_t i = g_ps.heads[list]; i >= 0;) {
        SprayParticle& p = g_ps.pool[static_cast<size_t>(i)];
        const int32_t next = p.next;
        p.life -= elapsed;
        if (p.life < 0 || p.frame + 1 >= p.frameCount) {
            Unlink(list, i);
            i = next;
            continue;
        }
        if (p.frameTimer < 0) {
            p.frameTimer = p.frameDuration;
            ++p.frame;
            const float grow = (1.0f - static_cast<float>(p.life) / static_cast<float>(p.lifeAtBirth)) * p.growth;
            p.width += grow;
            p.height += grow;
        }
        p.frameTimer -= elapsed;
        p.cell = Cell(p);
        p.velocity = {p.velocity.x * p.damping, p.velocity.y * p.damping, p.velocity.z * p.damping};
        const float half = 0.5f * dt * dt;
        p.position.x += p.velocity.x * dt + p.acceleration.x * half;
        p.position.y += p.velocity.y * dt + p.acceleration.y * half;
        p.position.z += p.velocity.z * dt + p.acceleration.z * half;
        p.velocity.x += p.acceleration.x * dt;
        p.velocity.y += p.acceleration.y * dt;
        p.velocity.z += p.acceleration.z * dt;
        i = next;
    }
}

uint8_t SurfaceUnder(const BikeBody& bike, uint32_t particle) {
    const Vec3& p = bike.body.particles[particle].position;
    return bike.env.ground ? bike.env.ground->SurfaceAt(p.x, p.y) : 0;
}

Vec3 Normalised(Vec3 v) {
    const float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return len > 0.0f ? Vec3{v.x / len, v.y / len, v.z / len} : Vec3{0, 0, 0};
}

float Speed(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

}  // namespace

uint32_t ParticleListOf(uint8_t surface) {
    switch (surface) {
    case 64: case 65: return 0;
    case 80: case 81: return 1;
    case 32: case 33: return 3;
    case kExhaustSurface: return 4;
    case 0: case 1: case 2: return 5;
    default: return 2;  // 16, 17 and every code without a list of its own
    }
}

int32_t ParticleEmissionInterval(float sideways, float a150) {
    return static_cast<int32_t>((1.0f - a150) * (1.0f - sideways) * 200.0f * 0.5f + 100.0f * sideways);
}

int32_t ParticlesInit(RenderInterface* render, uint32_t poolSize) {
    ParticlesFree();
    g_ps.render = render;
    try {
        g_ps.pool.assign(poolSize, SprayParticle{});
        g_ps.batch.reserve(static_cast<size_t>(poolSize) * 2);
        MakeCells(g_ps.cells[0], 16);
        MakeCells(g_ps.cells[1], 8);
        MakeCells(g_ps.cells[2], 4);
    } catch (const std::bad_alloc&) {
        ParticlesFree();
        return 1;
    }
    for (uint32_t i = 0; i < poolSize; ++i) g_ps.pool[i].next = i + 1 < poolSize ? static_cast<int32_t>(i + 1) : -1;
    g_ps.freeHead = poolSize ? 0 : -1;
    if (render) {
        for (int t = 0; t < 7; ++t) {
            ImageRecord* picture = LoadBitmapFromCache(kTextures[t].image);
            if (!picture) continue;
            uint32_t handle = 0;
            if (render->CreateTextureFromImage(kTextures[t].name, picture, &handle, 0) != 0) handle = 0;
            // The alpha picture only goes to a texture that was made.
            if (handle)
                if (ImageRecord* alpha = LoadBitmapFromCache(kTextures[t].alpha)) render->UpdateTexture(handle, alpha, 1);
            g_ps.textures[t] = handle;
        }
    }
    return 0;
}

void ParticlesFree() {
    if (g_ps.render)
        for (uint32_t h : g_ps.textures)
            if (h) g_ps.render->ReleaseTexture(h);
    g_ps = ParticleSystem{};
}

bool SpawnParticle(const GroundQuery* ground, float absSpeedRatio, const Vec3& position, const Vec3& velocity,
                   uint8_t surface, uint32_t sizeClass) {
    if (g_ps.freeHead < 0) return false;
    const int32_t i = g_ps.freeHead;
    SprayParticle& p = g_ps.pool[static_cast<size_t>(i)];
    g_ps.freeHead = p.next;
    p = SprayParticle{};
    sizeClass = std::min<uint32_t>(sizeClass, 2);
    p.sizeClass = sizeClass;
    p.position = position;
    p.velocity = velocity;
    p.damping = 0.99f;
    p.grid = 1;
    if (surface == kExhaustSurface) {
        p.acceleration = {0, 0, 7.0f};
        p.width = p.height = 1.0f + static_cast<float>(sizeClass);
        p.growth = 0.7f;
        p.colour = 0xFFFFFFFFu;
        p.frameDuration = p.frameTimer = 25;
        p.frameCount = 20;
        p.life = p.lifeAtBirth = 500;
    } else {
        if (ground) p.position.z = std::max(p.position.z, ground->HeightAt(position.x, position.y) + 0.8f);
        const float s2 = absSpeedRatio * absSpeedRatio;
        p.width = p.height = 0.7f * s2 + 6.0f;
        p.growth = 0.3f * s2 + 0.2f;
        const float size[3] = {1.0f, 1.5f, 3.9f}, grow[3] = {1.0f, 0.9f, 1.1f};
        p.width *= size[sizeClass];
        p.height *= size[sizeClass];
        p.growth *= grow[sizeClass];
        // The colour map's word is blue, green, red from the low byte: an opaque 0xRRGGBB. A world
        // without a colour map keeps the picture's own colour rather than throwing black dust.
        p.colour = PhysColourPresent() ? 0xFF000000u | (PhysColourSample(p.position.x, p.position.y) & 0xFFFFFFu)
                                       : 0xFFFFFFFFu;
        p.firstFrame = p.frame = static_cast<uint32_t>(plat::CrtRand() % 3);
        p.frameDuration = p.frameTimer = 33;
        p.frameCount = 23;
        p.life = p.lifeAtBirth = 24 * 33;
    }
    p.cell = Cell(p);
    const uint32_t list = ParticleListOf(surface);
    p.prev = -1;
    p.next = g_ps.heads[list];
    if (p.next >= 0) g_ps.pool[static_cast<size_t>(p.next)].prev = i;
    g_ps.heads[list] = i;
    ++g_ps.counts[list];
    ++g_ps.live;
    return true;
}

void ParticlesUpdate(uint32_t elapsedMs) {
    g_ps.elapsedMs = elapsedMs;
    const int32_t elapsed = static_cast<int32_t>(std::min<uint32_t>(elapsedMs, 1000000));
    for (uint32_t l = 0; l < kParticleLists; ++l) UpdateList(l, elapsed);
}

void ParticlesEmitFromBike(const BikeBody& bike, ParticleEmitterState& st, const RiderSpray* rider) {
    if (g_ps.pool.empty() || !bike.body.particles || bike.body.particleCount < 4) return;
    const Particle* bp = bike.body.particles;
    const bool throttle = bike.controls[kControlThrottle] != 0;
    const Vec3& n = bp[0].contactNormal;
    const Vec3 f = Normalised({bp[1].position.x - bp[0].position.x, bp[1].position.y - bp[0].position.y,
                               bp[1].position.z - bp[0].position.z});
    const Vec3 s = Normalised({f.y * n.z - f.z * n.y, f.z * n.x - f.x * n.z, f.x * n.y - f.y * n.x});
    const Vec3& mv = bike.meanVelocity;
    float sideways = std::fabs(mv.x * s.x + mv.y * s.y + mv.z * s.z) / 30.0f;
    if (throttle && bike.speedRatio < 0.1f) sideways += 0.5f;
    sideways = std::min(sideways, 1.0f);
    st.interval = ParticleEmissionInterval(sideways, bike.absSpeedRatio150);

    const int32_t elapsed = static_cast<int32_t>(std::min<uint32_t>(g_ps.elapsedMs, 1000000));
    st.exhaustTimer += elapsed;
    for (auto& row : st.timers)
        for (int32_t& t : row)
            if (t < 200) t += elapsed;

    const float push = bike.absSpeedRatio150 + 0.5f;
    const float r1 = Random01(), r2 = 2.0f * Random01() - 1.0f;
    const Vec3 spray{0.5f * mv.x + n.x * 2.0f * r1 * push + bike.side.x * 2.0f * r2 * push,
                     0.5f * mv.y + n.y * 2.0f * r1 * push + bike.side.y * 2.0f * r2 * push,
                     0.5f * mv.z + n.z * 2.0f * r1 * push + bike.side.z * 2.0f * r2 * push};
    const GroundQuery* ground = bike.env.ground;
    const float ratio = bike.absSpeedRatio;
    if (bike.riding) {
        if (bike.airborneLatch == 0 && st.interval < st.timers[0][0] && (bike.contactBits & 1) &&
            (std::fabs(bike.speed) > 10.0f || throttle || bike.contactSteps < 100)) {
            st.timers[0][0] -= st.interval;
            const Vec3 at{bp[0].position.x, bp[0].position.y, bp[0].position.z - 4.0f};
            SpawnParticle(ground, ratio, at, spray, SurfaceUnder(bike, 0), static_cast<uint32_t>(plat::CrtRand() % 2));
        }
        const Vec3& fw = bike.forward;
        const float pitchLoad = std::clamp(
            (fw.x * bike.acceleration.x + fw.y * bike.acceleration.y + fw.z * bike.acceleration.z -
             fw.z * bike.body.gravity.z) * 0.0125f, -1.0f, 1.0f);
        if (st.exhaustTimer > 50 && throttle && bike.contactBits != 0 && (pitchLoad > 0.6f || bike.contactSteps < 70)) {
            st.exhaustTimer = 0;
            const Vec3 at{bp[2].position.x - 1.5f * bike.up.x, bp[2].position.y - 1.5f * bike.up.y,
                          bp[2].position.z - 1.5f * bike.up.z};
            SpawnParticle(ground, ratio, at, mv, kExhaustSurface, static_cast<uint32_t>(plat::CrtRand() % 2));
        }
        return;
    }
    bool touching = false;
    for (uint32_t i = 0; i < 4; ++i) touching = touching || bp[i].contactTimer != 0;
    if (touching && bike.airborneLatch == 0 && st.interval < st.timers[0][0] && Speed(bp[0].velocity) > 5.0f) {
        st.timers[0][0] -= st.interval;
        const Vec3 at{bike.centre.x, bike.centre.y, bike.centre.z - 2.0f};
        SpawnParticle(ground, ratio, at, mv, SurfaceUnder(bike, 0), static_cast<uint32_t>(plat::CrtRand() % 2 + 1));
    }
    if (!rider || !rider->body || !rider->stateBytes[0] || !rider->stateBytes[1] || rider->stop != 0) return;
    for (uint32_t k = 0; k < 3 && k < rider->body->particleCount; ++k) {
        const Particle& rp = rider->body->particles[k];
        if (!(rp.contactTimer != 0 || rider->sliding)) continue;
        if (!(st.timers[1][k] > st.interval) || !(Speed(rp.velocity) > 20.0f || rider->sliding)) continue;
        st.timers[1][k] -= st.interval;
        Vec3 at = rp.position;
        if (rider->sliding) at.z += 1.0f;
        SpawnParticle(ground, ratio, at, rp.velocity, SurfaceUnder(bike, k), static_cast<uint32_t>(plat::CrtRand() % 2));
    }
}

void ParticlesDraw(const WorldView& view, RenderInterface* r) {
    g_ps.drawn = 0;
    if (!r || !r->viewProjection || g_ps.live == 0) return;
    const float* m = r->viewProjection->m;
    const float sw = static_cast<float>(view.screenWidth), sh = static_cast<float>(view.screenHeight);
    if (sw <= 0.0f || sh <= 0.0f) return;
    namespace rs = plat::rs;
    r->SetState(kStateImmediateBlend, 1);
    r->SetState(rs::kAlphaBlendEnable, 1);
    r->SetState(rs::kSrcBlend, rs::kBlendSrcAlpha);
    r->SetState(rs::kDestBlend, rs::kBlendInvSrcAlpha);
    r->SetState(rs::kZWriteEnable, 0);
    for (uint32_t list = 0; list < kParticleLists; ++list) {
        g_ps.batch.clear();
        for (int32_t i = g_ps.heads[list]; i >= 0; i = g_ps.pool[static_cast<size_t>(i)].next) {
            const SprayParticle& p = g_ps.pool[static_cast<size_t>(i)];
            const Vec3& v = p.position;
            const float c3 = v.x * m[3] + v.y * m[7] + v.z * m[11] + m[15];
            if (!(c3 > 0.0f)) continue;
            const float w = 1.0f / c3;
            const float depth = (v.x * m[1] + v.y * m[5] + v.z * m[9] + m[13]) * w;
            if (!(depth > 0.0f && depth < 1.0f)) continue;
            // Screen fractions of the centre; the sizes are given for a 640 x 480 screen.
            const float x = (v.x * m[0] + v.y * m[4] + v.z * m[8] + m[12]) * w / sw;
            const float y = (v.x * m[2] + v.y * m[6] + v.z * m[10] + m[14]) * w / sh;
            const float hx = (w * p.width * 100.0f / 2.0f) / 640.0f, hy = (w * p.height * 100.0f / 2.0f) / 480.0f;
            const Sprite s{x - hx, y - hy, x + hx, y + hy, depth, p.colour, p.cell};
            if (s.right < 0.0f || s.bottom < 0.0f || s.left > 1.0f || s.top > 1.0f) continue;
            g_ps.batch.push_back(s);
        }
        if (g_ps.batch.empty()) continue;
        g_ps.drawn += static_cast<uint32_t>(g_ps.batch.size());
        r->SelectTexture(g_ps.textures[kListTexture[list]]);
        const uint32_t capacity = SpriteCapacity();
        for (size_t at = 0; capacity && at < g_ps.batch.size(); at += capacity)
            DrawSprites(g_ps.batch.data() + at, static_cast<uint32_t>(std::min<size_t>(capacity, g_ps.batch.size() - at)));
    }
    r->SetState(rs::kFlushBatch, 1);
    r->SetState(rs::kZWriteEnable, 1);
    r->SetState(rs::kAlphaBlendEnable, 0);
    r->SetState(rs::kSrcBlend, rs::kBlendOne);
    r->SetState(rs::kDestBlend, rs::kBlendZero);
    r->SetState(kStateImmediateBlend, 0);
}

uint32_t ParticleCount() { return g_ps.live; }
uint32_t ParticleListCount(uint32_t list) { return list < kParticleLists ? g_ps.counts[list] : 0; }
const SprayParticle* ParticleListHead(uint32_t list) {
    return list < kParticleLists && g_ps.heads[list] >= 0 ? &g_ps.pool[static_cast<size_t>(g_ps.heads[list])] : nullptr;
}
uint32_t ParticlesDrawn() { return g_ps.drawn; }

}  // namespace kes
