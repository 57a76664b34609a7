#include "game/world/racer/Racer.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <new>

#include "game/world/file/WorldFile.h"
#include "game/world/landscape/Landscape.h"
#include "game/world/physics/BikeContacts.h"
#include "game/world/racer/ControlMapping.h"
#include "game/world/racer/RacerTrack.h"
#include "game/world/rider/RiderBody.h"
#include "platform/sys/CrtRand.h"

namespace kes {

namespace {

RaceContextData g_context;
RacerHookTable g_hooks;
uint32_t g_liveRacers = 0;
Vec3 g_sunkCourse[40] = {};

Vec3 Sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Add(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 Mul(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }

float GroundHeight(float x, float y) { return g_context.ground ? g_context.ground->HeightAt(x, y) : 0.0f; }

// Upper case of the game's font: ASCII and the accented letters of Latin-1.
uint8_t UpperCase(char c) {
    const uint8_t u = static_cast<uint8_t>(c);
    if (u >= 'a' && u <= 'z') return static_cast<uint8_t>(u - 0x20);
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<uint8_t>(u - 0x20);
    return u;
}

}  // namespace

RaceContextData& RaceContext() { return g_context; }
RacerHookTable& RacerHooks() { return g_hooks; }
uint32_t LiveRacerCount() { return g_liveRacers; }

RacerRecord* CreateRacer(const RacerDesc* desc) {
    if (!desc || desc->kind < kRacerLocal || desc->kind > kRacerReplay || !g_context.ground) return nullptr;
    RacerRecord* racer = new (std::nothrow) RacerRecord();
    if (!racer) return nullptr;
    racer->kind = desc->kind;
    racer->slot = desc->slot;
    racer->netPlayer = desc->netPlayer;
    racer->playerIndex = static_cast<uint32_t>(desc->netPlayer);
    racer->colour = desc->colour;
    const float groundZ = GroundHeight(desc->startX, desc->startY);

    ObjectDesc od{};
    od.tag = kRacerTag;
    od.x = desc->startX;
    od.y = desc->startY;
    od.z = groundZ + 2.0f;
    if (CreateObject(&racer->object, &od) != 0 || !racer->object) {
        delete racer;
        return nullptr;
    }
    if (desc->kind == kRacerRemote) {
        // Names come from the network: at most 63 characters are kept.
        uint32_t n = 0;
        if (desc->name) {
            for (; n + 1 < kRacerNameSize && desc->name[n] != '\0'; ++n)
                racer->nameBuf[n] = static_cast<char>(UpperCase(desc->name[n]));
        }
        racer->nameBuf[n] = '\0';
        racer->name = racer->nameBuf;
    }
    racer->riderSkin = desc->riderSkin;
    if (g_hooks.createRider) {
        racer->rider = g_hooks.createRider(desc->riderSkin);
        if (!racer->rider) {
            DestroyObject(racer->object);
            delete racer;
            return nullptr;
        }
    }
    ObjectUpdateFn controller = ControlNone;
    int32_t controlClass = kClassInert;
    switch (desc->kind) {
    case kRacerLocal: controller = ControlLocalRacer; controlClass = kClassLocal; break;
    case kRacerComputer: controller = ControlComputerRacer; controlClass = kClassComputer; break;
    case kRacerInert: controller = ControlNone; controlClass = kClassNetwork; break;
    case kRacerRemote: controller = ControlRemoteRacer; controlClass = kClassNetwork; break;
    case kRacerMenu: controller = ControlMenuRacer; controlClass = kClassInert; break;
    case kRacerReplay: controller = ControlReplayRacer; controlClass = kClassReplay; break;
    default: break;
    }
    racer->startPos = {desc->startX, desc->startY, groundZ + 2.0f};
    racer->startHeading = desc->startHeading;
    racer->input = desc->kind == kRacerLocal ? desc->input : nullptr;
    racer->env.ground = g_context.ground;
    racer->env.events = g_context.events;
    racer->env.gameMode = g_context.gameMode;
    racer->env.worldKind = g_context.worldType;
    racer->bike = new (std::nothrow) BikeBody(racer->env, desc->params, controlClass, racer->startPos, racer->startHeading);
    racer->riderBody = new (std::nothrow) RiderBody();
    // A racer without its bike or its rider's body cannot be driven: it is not made at all.
    if (!racer->bike || !racer->bike->body.particles || !racer->riderBody || !racer->riderBody->Ready()) {
        if (racer->rider && g_hooks.freeRider) g_hooks.freeRider(racer->rider);
        DestroyObject(racer->object);
        delete racer->bike;
        delete racer->riderBody;
        delete racer;
        return nullptr;
    }
    racer->bike->holdControls = 0;
    if (racer->rider && g_hooks.riderAnimation) racer->bike->riderAnim = g_hooks.riderAnimation(racer->rider);
    if (!racer->bike->riderAnim) {
        racer->timedAnimation = new (std::nothrow) TimedRiderAnimation();
        racer->bike->riderAnim = racer->timedAnimation;
    }
    racer->controlClass = static_cast<uint32_t>(controlClass);
    racer->riderBody->ground = g_context.ground;
    racer->riderBody->soundOwner = racer;
    if (controlClass == kClassComputer) {
        Vec3 start = racer->startPos;
        if (RacerGateCount() > 0) RacerInitRoute(*racer->bike, &start);
    }
    racer->startGate = racer->bike->currentGate;
    SectorObject* o = racer->object;
    o->update = controller;
    o->user = racer;
    o->draw = RenderRacer;
    if (desc->kind != kRacerMenu) {
        o->contact = [](uint32_t event, ContactInfo* info, void* user) {
            RacerRecord* r = static_cast<RacerRecord*>(user);
            return static_cast<int>(OnBikeContact(*r->bike, r->object->position, event, info));
        };
        o->contactUser = racer;
    }
    racer->bikeModel.bikeSkin = desc->bikeSkin;
    if (desc->kind == kRacerMenu) ControlMapping().trickLock = 0;
    if (g_hooks.touchSkins) g_hooks.touchSkins(desc->bikeSkin, desc->riderSkin);
    TakeBikeSnapshot(*racer->bike, &racer->previous);
    racer->current = racer->drawn = racer->previous;
    UpdateRacerSpheres(racer);
    ++g_liveRacers;
    return racer;
}

int32_t DestroyRacer(RacerRecord* racer) {
    if (!racer) return 0;
    if (racer->bike) {
        RemoveCrashedRider(racer);
        --g_liveRacers;
    }
    if (racer->rider && g_hooks.freeRider) g_hooks.freeRider(racer->rider);
    if (racer->object) DestroyObject(racer->object);
    delete racer->bike;
    delete racer->riderBody;
    delete racer->timedAnimation;
    delete racer;
    return 0;
}

void ControlNone(SectorObject*, uint32_t, void*) {}

uint32_t AccumulateSteps(RacerRecord* racer, uint32_t ms) {
    racer->accumulator += static_cast<float>(ms) * 1.1f;
    uint32_t steps = 0;
    while (racer->accumulator >= 5.0f) {
        racer->accumulator -= 5.0f;
        ++steps;
    }
    return steps;
}

void InterpolateRacer(RacerRecord* racer) {
    InterpolateBikeSnapshots(racer->previous, racer->current, racer->accumulator * 0.2f, &racer->drawn);
}

void ResnapRacer(RacerRecord* racer, bool zeroAccumulator) {
    BikeBody& bike = *racer->bike;
    if (!bike.resnap) return;
    bike.resnap = 0;
    if (zeroAccumulator) racer->accumulator = racer->accumulatorSpare = 0.0f;
    TakeBikeSnapshot(bike, &racer->previous);
    bike.Step();
    TakeBikeSnapshot(bike, &racer->current);
}

Vec3 WrapRacer(RacerRecord* racer) {
    BikeBody& bike = *racer->bike;
    float dx = 0.0f, dy = 0.0f;
    LandscapeWrapOffset(bike.centre.x, bike.centre.y, &dx, &dy);
    if (dx != 0.0f || dy != 0.0f) {
        for (int i = 0; i < 4; ++i) {
            bike.body.particles[i].position.x += dx;
            bike.body.particles[i].position.y += dy;
        }
        bike.centre.x += dx;
        bike.centre.y += dy;
    }
    return {dx, dy, 0.0f};
}

void UpdateRacerSpheres(RacerRecord* racer) {
    const Vec3* p = racer->current.positions;
    SetObjectPosition(racer->object, p[0].x, p[0].y, p[0].z);
    const float third = std::bit_cast<float>(0x3EAAAAABu);
    const float twoThirds = std::bit_cast<float>(0x3F2AAAABu);
    const Vec3 r1 = Sub(p[1], p[0]), r2 = Sub(p[2], p[0]), r3 = Sub(p[3], p[0]);
    const Vec3 mean = Mul(Add(Add(Vec3{0, 0, 0}, r1), Add(r2, r3)), 0.25f);
    // Each sphere keeps its last centre in its unused words. Written in place, sphere by sphere.
    ObjectSphere* spheres = racer->spheres;
    const auto place = [spheres](uint32_t i, Vec3 centre, float radius, uint32_t flags) {
        ObjectSphere& s = spheres[i];
        s.unused[0] = s.centre.x;
        s.unused[1] = s.centre.y;
        s.unused[2] = s.centre.z;
        s.centre = centre;
        s.radius = radius;
        s.flags = flags;
    };
    static_assert(kRacerSphereCount == 9, "the racer's sphere layout below");
    place(0, {0, 0, 0}, 1.2f, 0);
    place(1, r1, 1.2f, 0);
    place(2, r2, 0.5f, 0);
    place(3, r3, 0.5f, 0);
    place(4, mean, 8.0f, kSphereNotSolid);
    place(5, Mul(r3, third), 1.6f, 0);
    place(6, Mul(r3, twoThirds), 1.6f, 0);
    place(7, Add(Mul(r2, third), Mul(r1, twoThirds)), 1.6f, 0);
    place(8, Add(Mul(r2, twoThirds), Mul(r1, third)), 1.6f, 0);
    racer->object->spheres = racer->spheres;
    racer->object->sphereCount = kRacerSphereCount;
}

void ResetFallenRacer(RacerRecord* racer, bool toStart) {
    BikeBody& bike = *racer->bike;
    RemoveCrashedRider(racer);
    if (toStart) {
        bike.currentGate = racer->startGate;
        bike.Reset(racer->startPos, racer->startHeading, bike.params);
    } else {
        ResetBikeOntoTrack(racer);
    }
    racer->fallTimer = 0;
}

void SinkPointsBelowGround(const Vec3 points[40]) {
    for (int i = 0; i < 40; ++i) {
        g_sunkCourse[i] = points[i];
        g_sunkCourse[i].z = GroundHeight(points[i].x, points[i].y) - 10.0f;
    }
}

const Vec3* SunkCoursePoints() { return g_sunkCourse; }

void ResetBikeOntoTrack(RacerRecord* racer) {
    BikeBody& bike = *racer->bike;
    if (!bike.passedGate) {
        bike.Reset(racer->startPos, racer->startHeading, bike.params);
        return;
    }
    bike.currentGate = bike.lastGatePassed;
    const int32_t top = RacerWaypointMax();
    int32_t g1 = bike.currentGate - 1;
    if (g1 < 0) g1 = top;
    int32_t g2 = g1 - 1;
    if (g2 < 0) g2 = top;
    const AiGate* a2 = RacerGate(g2, 0);
    const AiGate* a1 = RacerGate(g1, 0);
    const AiGate* ac = RacerGate(bike.currentGate, 0);
    // A gap in the numbering (or a track that went away) leaves nothing to stand on: the start.
    if (!a2 || !a1 || !ac) {
        bike.Reset(racer->startPos, racer->startHeading, bike.params);
        return;
    }
    const float z = bike.centre.z;
    Vec3 p2 = RacerGateEndA(a2), p1 = RacerGateEndA(a1), pc = RacerGateEndA(ac);
    p2.z = p1.z = pc.z = z;
    const auto project = [&](Vec3 from, Vec3 to, float* t) {
        const Vec3 d = Sub(to, from);
        const float len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        const Vec3 rel = Sub(bike.centre, from);
        *t = len > 0.0f ? (rel.x * d.x + rel.y * d.y + rel.z * d.z) / len : 0.0f;
        const float tc = *t < 0.0f ? 0.0f : (*t > len ? len : *t);
        return len > 0.0f ? Add(from, Mul(d, tc / len)) : from;
    };
    float t = 0.0f;
    Vec3 position = project(p2, p1, &t);
    if (t < 0.0f) {
        float t2 = 0.0f;
        position = project(p1, pc, &t2);
    }
    const bool course40 = g_context.gameMode == 2 || g_context.worldType == 2;
    if (course40 && bike.controlClass == kClassLocal) {
        const int32_t i = bike.currentGate >= 0 && bike.currentGate < 40 ? bike.currentGate : 0;
        position = g_sunkCourse[i];
        position.z = GroundHeight(position.x, position.y) + 2.0f;
    }
    Vec3 aim;
    if (bike.controlClass == kClassLocal) {
        aim = RacerGateEndA(ac);
    } else {
        const float r = static_cast<float>(plat::SimRand()) / 32767.0f * 0.4f + 0.3f;
        aim = Add(Mul(RacerGateEndA(ac), r), Mul(RacerGateEndB(ac), 1.0f - r));
    }
    aim.z = GroundHeight(aim.x, aim.y) + 2.0f;
    bike.aimPoint = aim;
    Vec3 heading = Sub(p1, p2);
    heading.z = 0.0f;
    const float len = std::sqrt(heading.x * heading.x + heading.y * heading.y);
    if (len > 0.0f) heading = Mul(heading, 1.0f / len);
    else heading = racer->startHeading;
    bike.Reset(position, heading, bike.params);
}

float RiderSteerValue(const BikeBody& bike) {
    const float s = bike.steerAngle / 30.0f;
    return s < -1.0f ? -1.0f : (s > 1.0f ? 1.0f : s);
}

void SetBikePartValues(RacerRecord* racer, const Vec3& forward) {
    const Vec3* p = racer->drawn.positions;
    const BikeBody& bike = *racer->bike;
    const auto length = [](Vec3 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); };
    const auto unit = [](float v) { return std::isfinite(v) ? (v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v)) : 0.0f; };
    // The suspension lengths in the model's units (the bike body is built at 1 / scale of them):
    // a long front leg swings the arm down, a long rear one lets the fork out.
    const float f = unit((length(Sub(p[3], p[1])) * bike.scale - 2.5f) / 1.5f + 0.1f);
    const float g = unit((length(Sub(p[2], p[0])) * bike.scale - 2.5f) / 1.5f + 0.2f);
    constexpr float kDegrees = 0.017453292f;
    BikeDrawBlock& block = racer->bikeModel;
    block.parts[0] = -RiderSteerValue(bike);
    block.parts[1] = (f * -10.0f + (1.0f - f) * 30.0f) * kDegrees;
    block.parts[4] = g * 0.05f - (1.0f - g) * 0.1f;
    // Each wheel turns by the distance it rolled forward over its radius, kept within one turn.
    constexpr float kWheelRadius = 1.2f;
    constexpr float kTurn = 6.2831855f;
    const Vec3 wheels[2] = {p[1], p[0]};
    for (int w = 0; w < 2; ++w) {
        if (racer->wheelsPlaced) {
            const Vec3 d = Sub(wheels[w], racer->wheelAt[w]);
            const float rolled = (d.x * forward.x + d.y * forward.y + d.z * forward.z) * bike.scale / kWheelRadius;
            // A teleport (reset, landscape wrap) is not a roll.
            if (std::isfinite(rolled) && std::fabs(rolled) < kTurn) {
                racer->wheelTurn[w] = std::fmod(racer->wheelTurn[w] + rolled, kTurn);
            }
        }
        racer->wheelAt[w] = wheels[w];
    }
    racer->wheelsPlaced = 1;
    block.parts[2] = racer->wheelTurn[0];
    block.parts[3] = racer->wheelTurn[1];
}

void ComputeBikeFrame(RacerRecord* racer) {
    const Vec3* p = racer->drawn.positions;
    Vec3 forward = Sub(Mul(Add(p[1], p[3]), 0.5f), Mul(Add(p[0], p[2]), 0.5f));
    Vec3 upish = Sub(Mul(Add(p[2], p[3]), 0.5f), Mul(Add(p[0], p[1]), 0.5f));
    const auto normalise = [](Vec3 v, Vec3 fallback) {
        const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
        return (l > 1e-6f && std::isfinite(l)) ? Mul(v, 1.0f / l) : fallback;
    };
    forward = normalise(forward, {0, 1, 0});
    Vec3 side = {forward.y * upish.z - forward.z * upish.y, forward.z * upish.x - forward.x * upish.z,
                 forward.x * upish.y - forward.y * upish.x};
    side = normalise(side, {1, 0, 0});
    const Vec3 up = {side.y * forward.z - side.z * forward.y, side.z * forward.x - side.x * forward.z,
                     side.x * forward.y - side.y * forward.x};
    const Vec3 centre = Mul(Add(Add(p[0], p[1]), Add(p[2], p[3])), 0.25f);
    Matrix4& m = racer->bikeModel.bikeMatrix;
    const Vec3 rows[3] = {side, forward, up};
    for (int r = 0; r < 3; ++r) {
        m.m[4 * r] = rows[r].x;
        m.m[4 * r + 1] = rows[r].y;
        m.m[4 * r + 2] = rows[r].z;
        m.m[4 * r + 3] = 0.0f;
    }
    m.m[12] = centre.x;
    m.m[13] = centre.y;
    m.m[14] = centre.z;
    m.m[15] = 1.0f;
    const BikeBody* bike = racer->bike;
    SetBikePartValues(racer, forward);
    // The rider sits above the middle of the bike, leaning with the pose.
    Matrix4& r = racer->bikeModel.riderMatrix;
    r = m;
    const Vec3 seat = Add(centre, Add(Mul(up, 2.5f), Mul(forward, -0.5f)));
    r.m[12] = seat.x;
    r.m[13] = seat.y;
    r.m[14] = seat.z;
    if (g_hooks.placeRider) g_hooks.placeRider(&racer->bikeModel);
    racer->progress = bike->progress + static_cast<float>(bike->currentGate);
}

void RacerContactsWithWorld(RacerRecord* racer, uint32_t skipFlags) {
    SectorObject* o = racer->object;
    if (!o) return;
    RacerContactSubject subject;
    subject.previous = o->previousPosition;
    subject.position = o->position;
    subject.spheres = racer->spheres;
    subject.sphereCount = kRacerSphereCount;
    subject.user = racer;
    subject.contact = [](void* user, uint32_t event, void* info) {
        auto* r = static_cast<RacerRecord*>(user);
        OnBikeContact(*r->bike, r->object->position, event, info);
    };
    for (const ObjectSphere& sp : racer->spheres) {
        if (sp.flags & kSphereNotSolid) continue;
        const float reach = std::sqrt(sp.centre.x * sp.centre.x + sp.centre.y * sp.centre.y + sp.centre.z * sp.centre.z);
        subject.radius = std::fmax(subject.radius, reach + sp.radius);
    }
    RacerWorldContacts(subject, skipFlags);
}

}  // namespace kes
