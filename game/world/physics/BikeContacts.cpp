#include "game/world/physics/BikeContacts.h"

#include <algorithm>
#include <cmath>

#include "game/core/maths/VecMath.h"

namespace kes {

namespace {

Vec3 Add(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 Sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Mul(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

SurfaceProperties ContactSurface() {
    // The fallback row of the surface table gives the grip and sink that the contact leaves open.
    SurfaceProperties s;
    GetSurfaceProperties(0xFFFF, &s);
    s.code = kContactSurfaceCode;
    s.rollDrag = 0.0015f;
    s.sideDrag = 0.12f;
    s.roughness = 0.0f;
    return s;
}

// The diagonal spheres push the whole body out of the surface.
void PushBody(BikeBody& bike, const Vec3& objectPosition, const SurfaceContact& c) {
    if (!c.sphere) return;
    const Vec3 centre = Add(objectPosition, c.sphere->centre);
    const Vec3 target = Add(c.point, Mul(c.normal, kBikeDiagonalRadius));
    const Vec3 shift = Sub(target, centre);
    for (uint32_t i = 0; i < 4; ++i)
        bike.body.particles[i].position = Add(bike.body.particles[i].position, shift);
}

void SurfaceTouch(BikeBody& bike, uint32_t event, SurfaceContact& c) {
    const uint32_t i = c.sphereIndex;
    Particle& p = bike.body.particles[i];
    const Vec3 n = c.normal;
    if (i < 2) {
        bike.surface = ContactSurface();
        if (event == kContactFace && p.contactTimer == 0 && bike.riding && bike.env.events) {
            const float impact = -Dot(p.velocity, n);
            if (impact > 45.0f) bike.env.events->OnLandSound(true);
            else if (impact > 20.0f) bike.env.events->OnLandSound(false);
        }
        if (p.contactTimer == 0 || Dot(n, bike.up) > Dot(p.contactNormal, bike.up)) {
            p.contactTimer = event == kContactTouch ? 10 : 20;
            p.contactNormal = n;
            bike.surface = ContactSurface();
            bike.airborneLatch = 1;
        }
    } else if (bike.up.z < 0.2f || Dot(p.velocity, n) < -40.0f) {
        bike.riding = 0;
    }
    p.position = Add(c.point, Mul(n, p.radius));
    Vec3 reflected;
    Vec3Reflect(&p.velocity, &n, &reflected);
    const float w = Dot(reflected, n);
    p.velocity = Sub(reflected, Mul(n, w));
    const bool soundClass = bike.controlClass == kClassLocal || bike.controlClass == kClassReplay;
    if (soundClass) {
        if (c.soundA != -1 && w > 5.0f && bike.env.events) {
            const int volume = std::min(static_cast<int>(w * 3000.0f / 70.0f), 3000) - 3000;
            bike.env.events->OnEffectSound(c.soundA, volume, bike.centre);
        }
        bike.skidSoundIndex = c.soundB;
        bike.skidTimer = 5;
    } else {
        bike.skidSoundIndex = -1;
    }
}

void SphereTouch(BikeBody& bike, const Vec3& objectPosition, const ContactInfo& c) {
    if (!c.ownSphere || !c.other || !c.otherSphere) return;
    const Vec3 own = Add(objectPosition, c.ownSphere->centre);
    const Vec3 other = Add(c.other->position, c.otherSphere->centre);
    const Vec3 ownBefore = Add(objectPosition, c.ownSphere->centre);
    const Vec3 otherBefore = Add(c.other->previousPosition, c.otherSphere->centre);
    const float reach = c.ownSphere->radius + c.otherSphere->radius;
    const Vec3 d = Sub(own, other);
    const float dist = std::sqrt(Dot(d, d));
    const Vec3 db = Sub(ownBefore, otherBefore);
    const float o = dist - reach;
    const float o2 = std::sqrt(Dot(db, db)) - reach;
    const Vec3 u = dist != 0.0f ? Mul(d, 1.0f / dist) : d;
    Vec3 force = Mul(u, (o * 500.0f + (o - o2) * 10.0f) * -3.0f);
    if (c.other->tag == kCrashedRiderTag) force = Mul(force, 0.2f);
    const uint32_t i = c.ownIndex;
    struct Split {
        uint32_t a, b;
        float fa;
    };
    static const Split kSplits[4] = {{0, 3, 2.0f / 3.0f}, {0, 3, 1.0f / 3.0f}, {1, 2, 2.0f / 3.0f}, {1, 2, 1.0f / 3.0f}};
    if (i < 4) {
        bike.body.AddForce(i, force.x, force.y, force.z);
    } else if (i >= 5 && i <= 8) {
        const Split& s = kSplits[i - 5];
        bike.body.AddForce(s.a, force.x * s.fa, force.y * s.fa, force.z * s.fa);
        const float fb = 1.0f - s.fa;
        bike.body.AddForce(s.b, force.x * fb, force.y * fb, force.z * fb);
    }
    if (o < -0.05f && bike.env.events)
        bike.env.events->OnCrashSound(static_cast<int>((std::max(o, -1.05f) + 1.05f) * -5500.0f));
}

}  // namespace

int32_t OnBikeContact(BikeBody& bike, const Vec3& objectPosition, uint32_t event, void* info) {
    if (!info) return 1;
    if (event == kContactTouch || event == kContactFace) {
        SurfaceContact& c = *static_cast<SurfaceContact*>(info);
        const uint32_t i = c.sphereIndex;
        if (i >= 5 && i <= 8) {
            if (event == kContactTouch) c.approachLimit = 0.0f;
            PushBody(bike, objectPosition, c);
        } else if (i < 4) {
            if (event == kContactTouch && Dot(bike.meanVelocity, c.normal) < -c.approachLimit) {
                c.approachLimit = 0.0f;
                Particle& p = bike.body.particles[i];
                p.velocity = Mul(p.velocity, 0.5f);
            } else {
                SurfaceTouch(bike, event, c);
            }
        }
    } else if (event == kContactObject) {
        SphereTouch(bike, objectPosition, *static_cast<ContactInfo*>(info));
    }
    return 1;
}

void PlaceBikeSpheres(const BikeBody& bike, ObjectSphere out[kBikeSphereCount]) {
    for (uint32_t i = 0; i < kBikeSphereCount; ++i) out[i] = ObjectSphere{};
    const Particle* p = bike.body.particles;
    for (uint32_t i = 0; i < 4; ++i) {
        out[i].centre = Sub(p[i].position, bike.centre);
        out[i].radius = p[i].radius;
    }
    // Along each diagonal, a third and two thirds of the way from the wheel.
    const struct {
        uint32_t from, to;
        float t;
    } diagonals[4] = {{0, 3, 1.0f / 3.0f}, {0, 3, 2.0f / 3.0f}, {1, 2, 1.0f / 3.0f}, {1, 2, 2.0f / 3.0f}};
    for (uint32_t k = 0; k < 4; ++k) {
        const Vec3 a = p[diagonals[k].from].position, b = p[diagonals[k].to].position;
        out[5 + k].centre = Sub(Add(a, Mul(Sub(b, a), diagonals[k].t)), bike.centre);
        out[5 + k].radius = kBikeDiagonalRadius;
    }
}

}  // namespace kes
