// The crash switch and the crashed rider's scene object.
#include <cmath>

#include "game/core/camera/Camera.h"
#include "game/world/file/WorldFile.h"
#include "game/world/landscape/Landscape.h"
#include "game/world/maps/LightMap.h"
#include "game/world/racer/BikeState.h"
#include "game/world/racer/Racer.h"
#include "game/world/rider/RiderBody.h"
#include "platform/sys/CrtRand.h"

namespace kes {

namespace {

constexpr uint32_t kCrashedRiderTag = 0x13456780;

Vec3 Add(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 Sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Mul(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }

Vec3 TransformPoint(const Matrix4& m, const Vec3& v) {
    return {v.x * m.m[0] + v.y * m.m[4] + v.z * m.m[8] + m.m[12], v.x * m.m[1] + v.y * m.m[5] + v.z * m.m[9] + m.m[13],
            v.x * m.m[2] + v.y * m.m[6] + v.z * m.m[10] + m.m[14]};
}

// Without a rider model the rider's pose is the crashed body's own rest shape, upright and shrunk to
// the rider's size, its pelvis on the seat.
void DefaultRiderNodes(Vec3 out[kRiderParticles]) {
    constexpr float kSize = 0.19f;
    for (uint32_t i = 0; i < kRiderParticles; ++i) {
        const Vec3 s = kRiderRestShape[i];
        out[i] = {(s.x - 3.0f) * kSize, 0.0f, (s.z + 7.0f) * kSize};
    }
}

void RiderContactThunk(void* user, uint32_t event, void* info) {
    RacerRecord* racer = static_cast<RacerRecord*>(user);
    const Vec3 at = racer->crashedObject ? racer->crashedObject->position : Vec3{0, 0, 0};
    RiderBodyContact(*racer->riderBody, racer->bike->riding != 0, at, event, info);
}

}  // namespace

void RemoveCrashedRider(RacerRecord* racer) {
    if (!racer->crashed[0] && !racer->crashedObject) return;
    if (RiderSounds().stop) RiderSounds().stop(racer);
    if (racer->crashedObject) DestroyObject(racer->crashedObject);
    racer->crashedObject = nullptr;
    racer->crashed[0] = racer->crashed[1] = 0;
}

void UpdateCrash(RacerRecord* racer) {
    BikeBody& bike = *racer->bike;
    if (bike.riding) {
        if (racer->crashed[0]) RemoveCrashedRider(racer);
        return;
    }
    if (racer->crashed[0]) return;
    RiderBody& rider = *racer->riderBody;
    // The pose pass: the bike's frame and the rider's placement from the drawn bike, whether or not
    // the racer is ever drawn.
    ComputeBikeFrame(racer);
    Vec3 nodes[kRiderParticles];
    if (!(RacerHooks().riderNodes && RacerHooks().riderNodes(racer, nodes))) DefaultRiderNodes(nodes);
    for (uint32_t i = 0; i < kRiderParticles; ++i)
        rider.body.particles[i].position = TransformPoint(racer->bikeModel.riderMatrix, nodes[i]);
    rider.accumulator = 0.0f;
    rider.body.Reset();
    rider.StartCrash();
    const Vec3 up = {racer->bikeModel.bikeMatrix.m[8], racer->bikeModel.bikeMatrix.m[9], racer->bikeModel.bikeMatrix.m[10]};
    Vec3 velocity = {0, 0, 0};
    for (int i = 0; i < 4; ++i) velocity = Add(velocity, bike.body.particles[i].velocity);
    velocity = Mul(velocity, 0.25f);
    for (uint32_t i = 0; i < kRiderParticles; ++i) {
        const float r = static_cast<float>(plat::SimRand() % 100) / 99.0f * 0.2f + 0.8f;
        Vec3 v = Add(velocity, Mul(up, 3.0f * r));
        if (i < 3) v = Add(v, Mul(up, 20.0f));
        rider.body.particles[i].velocity = v;
    }
    racer->crashed[0] = racer->crashed[1] = 1;
    ObjectDesc od{};
    od.tag = kCrashedRiderTag;
    const Vec3 p0 = rider.body.particles[0].position;
    od.x = p0.x;
    od.y = p0.y;
    od.z = p0.z;
    if (CreateObject(&racer->crashedObject, &od) == 0 && racer->crashedObject) {
        SectorObject* o = racer->crashedObject;
        o->tag = kCrashedRiderTag;
        o->update = TickRiderBody;
        o->draw = RenderCrashedRider;
        o->user = racer;
        o->spheres = rider.spheres;
        o->sphereCount = kRiderParticles;
        o->contact = OnRiderContact;
        o->contactUser = racer;
    }
    if (RiderSounds().crash) RiderSounds().crash(racer);
}

void TickRiderBody(SectorObject* object, uint32_t ms, void* user) {
    RacerRecord* racer = static_cast<RacerRecord*>(user);
    if (!racer || !racer->bike || !racer->riderBody) return;
    BikeBody& bike = *racer->bike;
    RiderBody& rider = *racer->riderBody;
    rider.accumulator += static_cast<float>(ms) * 1.1f;
    while (rider.accumulator >= 1.0f) {
        rider.accumulator -= 1.0f;
        rider.Tick();
    }
    Particle* p = rider.body.particles;
    if (bike.controls[kControlGiveUp] || rider.inWater) {
        bike.riding = 0;
        const float ground = rider.ground ? rider.ground->HeightAt(p[0].position.x, p[0].position.y) : 0.0f;
        if (racer->crashedObject && p[0].position.z - ground < 50.0f) {
            const Vec3 lift = Mul(bike.worldUp, 8000.0f);
            for (uint32_t i = 0; i < 3; ++i) rider.body.AddForce(i, lift.x, lift.y, lift.z);
        }
    }
    Vec3 shift = {0, 0, 0};
    LandscapeWrapOffset(p[2].position.x, p[2].position.y, &shift.x, &shift.y);
    if (bike.controlClass == kClassNetwork && !bike.controls[kControlGiveUp]) {
        const Vec3 received = ReadBlockVec3(racer->netBlock + kNetRiderPosition);
        // A state is taken once: its x is zeroed below, so the next ticks leave the body alone.
        if (received.x != 0.0f) {
            const Vec3 receivedVelocity = ReadBlockVec3(racer->netBlock + kNetRiderVelocity);
            shift = Sub(shift, Sub(p[2].position, received));
            WriteBlockFloat(racer->netBlock + kNetRiderPosition, 0.0f);
            const Vec3 dv = Sub(p[2].velocity, receivedVelocity);
            for (uint32_t i = 0; i < kRiderParticles; ++i) p[i].velocity = Sub(p[i].velocity, dv);
        }
    }
    for (uint32_t i = 0; i < kRiderParticles; ++i) p[i].position = Add(p[i].position, shift);
    SetObjectPosition(object, p[2].position.x, p[2].position.y, p[2].position.z);
    for (uint32_t i = 0; i < kRiderParticles; ++i) {
        ObjectSphere& s = rider.spheres[i];
        s.unused[0] = s.centre.x;
        s.unused[1] = s.centre.y;
        s.unused[2] = s.centre.z;
        s.centre = Sub(p[i].position, p[2].position);
        s.radius = 1.0f;
        s.flags = 0;
    }
    RacerContactSubject subject;
    subject.previous = object->previousPosition;
    subject.position = object->position;
    subject.spheres = rider.spheres;
    subject.sphereCount = kRiderParticles;
    subject.contact = RiderContactThunk;
    subject.user = racer;
    for (uint32_t i = 0; i < kRiderParticles; ++i) {
        const Vec3 c = rider.spheres[i].centre;
        subject.radius = std::fmax(subject.radius, std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z) + 1.0f);
    }
    RacerWorldContacts(subject, 0);
}

int OnRiderContact(uint32_t event, ContactInfo* info, void* user) {
    RacerRecord* racer = static_cast<RacerRecord*>(user);
    if (!racer || !racer->riderBody || !racer->crashedObject) return 1;
    return RiderBodyContact(*racer->riderBody, racer->bike->riding != 0, racer->crashedObject->position, event, info);
}

void RenderCrashedRider(SectorObject* object, ViewRecord* view) {
    RacerRecord* racer = static_cast<RacerRecord*>(object->user);
    if (!racer || !view) return;
    for (const Plane& pl : view->planes) {
        if (pl.nx * object->position.x + pl.ny * object->position.y + pl.nz * object->position.z + pl.d < -5.0f)
            return;
    }
    if (RacerHooks().drawRider) RacerHooks().drawRider(racer->riderBody, racer->rider, view->renderer);
    LandscapeAddDynamicLight(static_cast<uint32_t>(racer->netPlayer) + 8, Add(object->position, {3.0f, 0, 0}), 5.0f);
}

}  // namespace kes
