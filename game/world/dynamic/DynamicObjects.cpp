#include "game/world/dynamic/DynamicObjects.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "game/core/maths/MatMath.h"
#include "game/world/collision/CollisionMeshes.h"
#include "game/world/landscape/Landscape.h"
#include "game/world/path/Vec3Ops.h"

namespace kes {

namespace {

std::vector<std::unique_ptr<DynamicRecord>> g_records;
std::vector<std::unique_ptr<DynamicObject>> g_objects;
uint32_t g_random = 1;

constexpr uint32_t kUnlockKey = 261;
constexpr uint32_t kPointsStat = 20, kBikePointsStat = 33;
constexpr float kBikePointsCap = 350.0f;

// The C library's generator as the game uses it: 0..32767.
int32_t Random() {
    g_random = g_random * 214013u + 2531011u;
    return static_cast<int32_t>((g_random >> 16) & 0x7FFF);
}

float F32At(const uint8_t* p) {
    float f;
    std::memcpy(&f, p, 4);
    return std::isfinite(f) ? f : 0.0f;
}
int32_t I32At(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void ParseRecord(const uint8_t* b, DynamicRecord* r) {
    r->objectId = static_cast<uint32_t>(I32At(b));
    float* params[] = {&r->paramA, &r->paramB, &r->paramC, &r->paramD, &r->paramE, &r->paramF, &r->soundPlayLeft,
                       &r->soundPauseLeft};
    for (int i = 0; i < 8; ++i) *params[i] = F32At(b + 4 + 4 * i);
    r->animationRate = F32At(b + 40);
    r->mode = I32At(b + 44);
    r->amount = I32At(b + 48);
    for (int i = 0; i < 16; ++i) {
        r->animStart[i] = I32At(b + 84 + 4 * i);
        r->animEnd[i] = I32At(b + 148 + 4 * i);
        r->animWeight[i] = std::max(0, I32At(b + 212 + 4 * i));
    }
    r->behaviour = I32At(b + 276);
    r->hasPath = static_cast<uint32_t>(I32At(b + 280));
    r->followGround = static_cast<uint32_t>(I32At(b + 284));
    r->levelHeading = static_cast<uint32_t>(I32At(b + 292));
    r->hasSound = static_cast<uint32_t>(I32At(b + 296));
    r->soundMinDistance = F32At(b + 300);
    r->soundMaxDistance = F32At(b + 304);
    r->soundLevel = F32At(b + 308);
}

Matrix4 Rotation(float angle, void (*make)(Matrix4*, float)) {
    Matrix4 m;
    make(&m, angle);
    return m;
}

float GroundAt(float x, float y) { return LandscapePresent() ? LandscapeHeightAt(x, y) : 0.0f; }

void MoveSpheres(DynamicObject& d, const Matrix4& m) {
    for (size_t i = 0; i < d.spheres.size(); ++i) {
        ObjectSphere& s = d.spheres[i];
        std::memcpy(s.unused, &s.centre, sizeof s.unused);  // the previous centre
        s.centre = TransformDirection(m, d.keptCentres[i]);
    }
}

void Animate(DynamicObject& d, uint32_t ms) {
    const DynamicRecord& r = *d.record;
    const Mesh* mesh = ObjectTypeMesh(d.instance.type);
    const float lastFrame = mesh && mesh->frameCount ? static_cast<float>(mesh->frameCount - 1) : 0.0f;
    auto choose = [&]() {
        int32_t k = 0;
        if (d.weightTotal == 1) {
            while (k < 15 && r.animWeight[k] <= 0) ++k;
        } else {
            const int32_t pick = (Random() >> 2) % d.weightTotal;
            int32_t sum = 0;
            k = -1;
            for (int32_t i = 0; i < 16 && k < 0; ++i)
                if ((sum += r.animWeight[i]) > pick) k = i;
            if (k < 0) k = 0;
        }
        d.animation = k;
        // Frames outside the mesh's key frames are brought inside them.
        d.frame = std::clamp(static_cast<float>(r.animStart[k]), 0.0f, lastFrame);
    };
    if (d.animation < 0) {
        choose();
        return;
    }
    const float rate = r.animationRate != 0.0f ? r.animationRate / 1000.0f : 0.007f;
    d.frame += static_cast<float>(ms) * rate;
    if (d.frame > std::clamp(static_cast<float>(r.animEnd[d.animation]), 0.0f, lastFrame)) choose();
}

// One step along the path; false when the object has no path to travel.
bool PathStep(DynamicObject& d, uint32_t ms, float* position, float* fraction, bool moveSpheres, Vec3* at) {
    DynamicRecord& r = *d.record;
    if (!r.path || d.working.Count() < kMinPathPoints) return false;
    if (*fraction == 0.0f) {
        const float length = PathLength(d.working);
        // A path of no length does not move the object (no division by zero).
        if (!(length > 0.0f)) return false;
        *fraction = r.paramA / length / 1000.0f;
    }
    float t = *position + static_cast<float>(ms) * *fraction;
    bool wrapped = false;
    if (t > 1.0f) t = 0.0f, wrapped = true;
    else if (t < 0.0f) t = 1.0f, wrapped = true;
    if (!std::isfinite(t)) t = 0.0f;
    *position = t;
    if (wrapped && r.paramB != 0.0f) {
        for (size_t i = 1; i < d.working.points.size(); ++i) {
            const Vec3 dir = Normalised({1.0f - Random() / 16383.0f, 1.0f - Random() / 16383.0f, 1.0f - Random() / 16383.0f});
            const float length = Random() / 32767.0f * r.paramB;
            d.working.points[i] = r.path->points[i] + dir * length;
        }
        RebuildKnots(&d.working);
    }
    Vec3 P{}, Q{};
    EvalPath(d.working, t, &P);
    float tq = t + 0.01f;
    if (tq > 1.0f) tq -= 1.0f;
    if (!EvalPath(d.working, tq, &Q)) Q = P;
    const Vec3 base{d.instance.position.x, d.instance.position.y, d.instance.position.z + d.instance.heightOffset};
    P = P + base;
    Q = Q + base;
    if (r.followGround) {
        const float under = GroundAt(d.instance.position.x, d.instance.position.y);
        P.z += GroundAt(P.x, P.y) - under;
        Q.z += GroundAt(Q.x, Q.y) - under;
    }
    int32_t segment = 0;
    float u = 0;
    float roll = 0;
    if (FindPathSegment(d.working, t, &segment, &u) && !r.pointRoll.empty()) {
        const size_t n = r.pointRoll.size();
        const float a = r.pointRoll[static_cast<size_t>(segment) % n], b = r.pointRoll[static_cast<size_t>(segment + 1) % n];
        roll = a + (b - a) * u;
    }
    if (r.levelHeading) Q.z = P.z;
    Matrix4 m = MatrixLookAlong(P, Q, {0, 0, 1});
    if (roll != 0.0f) m = Then(Rotation(roll, MatRotationY), m);
    d.matrix = m;
    if (d.object) {
        SetObjectMatrix(d.object, &m);
        if (moveSpheres) {
            MoveSpheres(d, m);
            SetObjectPosition(d.object, P.x, P.y, P.z);
        }
    }
    *at = P;
    return true;
}

Vec3 InstancePoint(const DynamicObject& d) {
    return {d.instance.position.x, d.instance.position.y, d.instance.position.z + d.instance.heightOffset};
}

void PlaceVoice(const DynamicObject& d, Vec3 at) {
    const ObjectVoiceHooks& h = DynamicVoiceHooks();
    if (d.voice && h.setPosition) h.setPosition(d.voice, at);
}

// Behaviour 3: the sound plays, then pauses a whole number of seconds between the shortest and the
// longest pause, then plays again.
void IntermittentSound(DynamicObject& d, uint32_t ms) {
    DynamicRecord& r = *d.record;
    const ObjectVoiceHooks& h = DynamicVoiceHooks();
    if (!d.voice) return;
    if (r.soundPlayLeft > 0.0f) {
        r.soundPlayLeft -= static_cast<float>(ms);
        if (r.soundPlayLeft <= 0.0f) {
            const float spread = (r.paramD - r.paramC) * static_cast<float>(Random()) / 32767.0f;
            r.soundPauseLeft = (r.paramC + std::round(spread)) * 1000.0f + r.soundPlayLeft;
            r.soundPlayLeft = 0.0f;
        }
        return;
    }
    r.soundPauseLeft -= static_cast<float>(ms);
    if (r.soundPauseLeft > 0.0f) return;
    const uint32_t frames = h.sampleFrames ? h.sampleFrames(d.voice) : 0;
    r.soundPlayLeft = static_cast<float>(frames) / 22050.0f * 1000.0f;
    if (h.play) h.play(d.voice, false, true);
}

void UpdateMover(SectorObject*, uint32_t ms, void* user) {
    DynamicObject& d = *static_cast<DynamicObject*>(user);
    DynamicRecord& r = *d.record;
    Vec3 at = InstancePoint(d);
    const bool sound = r.behaviour == kPathMoverWithSound;
    PathStep(d, ms, sound ? &r.paramE : &r.paramC, sound ? &r.paramF : &r.paramD, true, &at);
    if (d.animated) Animate(d, ms);
    PlaceVoice(d, at);
    if (sound) IntermittentSound(d, ms);
}

void UpdateLift(SectorObject*, uint32_t ms, void* user) {
    DynamicObject& d = *static_cast<DynamicObject*>(user);
    DynamicRecord& r = *d.record;
    const float span = std::fabs(r.paramB - r.paramA);
    float p = r.paramD;
    if (span > 0.0f) {
        const int32_t dir = r.mode == -1 ? -1 : 1;
        p += static_cast<float>(ms) * r.paramC / span * static_cast<float>(dir) * 0.001f;
        int32_t next = dir;
        if (p < 0.0f) p = 0.0f, next = 1;
        if (p > 1.0f) p = 1.0f, next = -1;
        if (!std::isfinite(p)) p = 0.0f;
        r.mode = next;
    }
    // Equal heights leave the lift standing at its low height.
    r.paramD = p;
    const float height = (r.paramB - r.paramA) * p + d.instance.position.z + r.paramA;
    PlacedObjectSetHeight(PlacedObjectIndex(d.instance.id), height);
    PlaceVoice(d, {d.instance.position.x, d.instance.position.y, height});
}

void UpdateBlocker(SectorObject* o, uint32_t ms, void* user) {
    DynamicObject& d = *static_cast<DynamicObject*>(user);
    if (d.animated) Animate(d, ms);
    if (d.record->behaviour == kBlocker) CollideObjectsInSector(o);
    PlaceVoice(d, InstancePoint(d));
    if (d.record->behaviour == kPathMoverWithSound) IntermittentSound(d, ms);
}

bool UnlockOwned(int32_t kind) {
    if (kind < 2 || kind > 5) return false;
    const PickupHooks& h = DynamicPickupHooks();
    if (!h.profilePresent || !h.profilePresent() || !h.profileKey) return false;
    return (h.profileKey(kUnlockKey) & (1u << (kind - 2))) != 0;
}

void UpdateBonus(SectorObject* o, uint32_t ms, void* user) {
    DynamicObject& d = *static_cast<DynamicObject*>(user);
    DynamicRecord& r = *d.record;
    Vec3 at;
    PathStep(d, ms, &r.paramC, &r.paramD, false, &at);
    const PickupHooks& h = DynamicPickupHooks();
    if (UnlockOwned(r.mode) || (h.pickupsOff && h.pickupsOff())) o->contact = nullptr;
    if (d.animated) Animate(d, ms);
    CollideObjectsInSector(o);
    PlaceVoice(d, InstancePoint(d));
}

int IgnoreContact(uint32_t, ContactInfo*, void*) { return 0; }

int BonusContact(uint32_t event, ContactInfo* info, void* user) {
    DynamicObject& d = *static_cast<DynamicObject*>(user);
    const PickupHooks& h = DynamicPickupHooks();
    if (event != kContactObject || !info || !info->other || info->other->tag != kRacerBikeTag) return 1;
    if (!h.profilePresent || !h.profilePresent() || !h.isLocalPlayer || !h.isLocalPlayer(info->other)) return 1;
    if (h.playPickupSound && info->ownSphere) h.playPickupSound(info->ownSphere->centre);
    char message[64] = {};
    const int32_t kind = d.record->mode, amount = d.record->amount;
    if (kind == 1) {
        if (h.profileStat && h.setProfileStat) h.setProfileStat(kPointsStat, h.profileStat(kPointsStat) + static_cast<float>(amount));
        std::snprintf(message, sizeof message, "%d EXTRA POINTS", amount);
    } else if (kind >= 2 && kind <= 5) {
        const uint32_t bit = 1u << (kind - 2);
        const uint32_t keys = h.profileKey ? h.profileKey(kUnlockKey) : 0;
        if (!(keys & bit) && h.setProfileKey) {
            h.setProfileKey(kUnlockKey, keys | bit);
            std::snprintf(message, sizeof message, "%s", kind == 5 ? "SPECIAL BIKE UNLOCKED" : "NEW TRACK UNLOCKED");
        }
    } else if (kind == 6 && h.profileStat && h.setProfileStat) {
        const float now = std::round(h.profileStat(kBikePointsStat));
        const int32_t room = static_cast<int32_t>(std::max(0.0f, kBikePointsCap - now));
        const int32_t add = std::clamp(amount, 0, room);
        if (add > 0) {
            h.setProfileStat(kBikePointsStat, now + static_cast<float>(add));
            std::snprintf(message, sizeof message, "%d BIKE POINTS", add);
        }
    }
    if (message[0] && h.showMessage) h.showMessage(info->other, message);
    if (d.object) d.object->contact = nullptr;  // collected once
    return 1;
}

// The type's collision spheres, scaled by the instance and turned by m.
void AttachSpheres(DynamicObject& d, const Matrix4& m, uint32_t flags) {
    const Mesh* mesh = ObjectTypeMesh(d.instance.type);
    const CollisionMesh* c = mesh ? CollisionMeshAt(FindCollisionMesh(mesh->name)) : nullptr;
    if (!c || c->spheres.empty()) return;
    for (const MeshSphere& s : c->spheres) {
        d.keptCentres.push_back(s.centre * d.instance.scale);
        ObjectSphere o{};
        o.centre = TransformDirection(m, d.keptCentres.back());
        std::memcpy(o.unused, &o.centre, sizeof o.unused);
        o.radius = s.radius * d.instance.scale;
        o.flags = flags;
        d.spheres.push_back(o);
    }
}

}  // namespace

ObjectVoiceHooks& DynamicVoiceHooks() {
    static ObjectVoiceHooks hooks;
    return hooks;
}

PickupHooks& DynamicPickupHooks() {
    static PickupHooks hooks;
    return hooks;
}

void SeedDynamicRandom(uint32_t seed) { g_random = seed; }

Matrix4 MatrixLookAlong(Vec3 from, Vec3 to, Vec3 up) {
    Vec3 y = Normalised(to - from);
    if (!(Length(y) > 0.0f)) y = {0, 1, 0};
    Vec3 x = Normalised(Cross(y, up));
    if (!(Length(x) > 0.0f)) x = {1, 0, 0};
    const Vec3 z = Normalised(Cross(x, y));
    return {{x.x, x.y, x.z, 0, y.x, y.y, y.z, 0, z.x, z.y, z.z, 0, 0, 0, 0, 1}};
}

int32_t LoadDynamicChunk(ChunkStream& s, uint32_t) {
    FreeDynamicObjects();
    const uint32_t version = s.U32();
    const uint32_t count = s.U32();
    if (!s.Ok() || count > s.Remaining() / kDynamicRecordV1) return -1;
    const uint32_t bytes = version == 1 ? kDynamicRecordV1 : version == 2 ? kDynamicRecordV2 : kDynamicRecordV3;
    std::vector<std::unique_ptr<DynamicRecord>> records;
    std::vector<uint32_t> rollCounts(count, 0);
    std::vector<std::vector<float>> rolls(count);
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t b[kDynamicRecordV3] = {};
        if (!s.Bytes(b, bytes)) return -1;
        auto r = std::make_unique<DynamicRecord>();
        ParseRecord(b, r.get());
        if (version != 1 && version != 2) {
            const uint32_t m = s.U32();
            if (!s.Ok() || m > s.Remaining() / 4) return -1;
            rolls[i].resize(m);
            for (float& f : rolls[i]) f = s.F32();
            for (float& f : rolls[i])
                if (!std::isfinite(f)) f = 0.0f;
        }
        records.push_back(std::move(r));
    }
    for (uint32_t i = 0; i < count; ++i) {
        DynamicRecord& r = *records[i];
        if (!r.hasPath) continue;
        auto path = std::make_unique<Path>();
        if (!ReadPath(s, path.get(), nullptr)) return -1;
        // One roll per path point, whatever the file held.
        r.pointRoll.assign(path->points.size(), 0.0f);
        for (size_t k = 0; k < r.pointRoll.size() && k < rolls[i].size(); ++k) r.pointRoll[k] = rolls[i][k];
        r.path = std::move(path);
    }
    if (!s.Ok()) return -1;
    g_records = std::move(records);
    return 0;
}

void CreateDynamicObjects() {
    g_objects.clear();
    if (!ObjectsReady()) return;
    for (const std::unique_ptr<DynamicRecord>& rp : g_records) {
        DynamicRecord& r = *rp;
        auto d = std::make_unique<DynamicObject>();
        d->record = &r;
        bool found;
        if (r.behaviour == kLift) {
            found = PlacedObjectCopy(r.objectId, &d->instance, &d->radius);
        } else if (r.behaviour == kPathMover && !r.path) {
            found = PlacedObjectCopy(r.objectId, &d->instance, &d->radius);
            if (found) PlacedObjectSetVisible(r.objectId, 0);
        } else {
            found = PlacedObjectTake(r.objectId, &d->instance, &d->radius);
        }
        const Mesh* mesh = found ? ObjectTypeMesh(d->instance.type) : nullptr;
        if (!mesh) continue;  // no such placed object: nothing to bring to life
        for (int32_t w : r.animWeight) d->weightTotal += w;
        d->animated = mesh->frameCount >= 2 && d->weightTotal > 0;
        if (r.path) d->working = *r.path;
        ObjectDesc desc{};
        std::snprintf(desc.name, sizeof desc.name, "obj%X", d->instance.id);
        desc.x = d->instance.position.x;
        desc.y = d->instance.position.y;
        desc.z = d->instance.position.z + d->instance.heightOffset;
        if (CreateObject(&d->object, &desc) != 0 || !d->object) continue;
        const Matrix4 turn = Then(Then(Rotation(d->instance.rotZ, MatRotationZ), Rotation(d->instance.rotX, MatRotationX)),
                                  Rotation(d->instance.rotY, MatRotationY));
        d->matrix = Then(turn, MatrixFromUpAxis(d->instance.up));
        SetObjectMatrix(d->object, &d->matrix);
        SectorObject* o = d->object;
        o->user = d.get();
        o->contactUser = d.get();
        o->boundingRadius = d->radius;
        switch (r.behaviour) {
            case kLift:
                SetObjectUpdate(o, UpdateLift);
                break;
            case kBlocker: {
                ObjectSphere s{};
                s.radius = r.paramA;
                d->spheres.push_back(s);
                d->keptCentres.push_back({0, 0, 0});
                o->contact = IgnoreContact;
                SetObjectUpdate(o, UpdateBlocker);
                break;
            }
            case kBonus:
                AttachSpheres(*d, d->matrix, kSphereNotSolid);
                o->contact = BonusContact;
                SetObjectUpdate(o, UpdateBonus);
                break;
            default:
                if (r.path) AttachSpheres(*d, d->matrix, 0);
                SetObjectUpdate(o, r.path ? UpdateMover : UpdateBlocker);
                break;
        }
        o->spheres = d->spheres.empty() ? nullptr : d->spheres.data();
        o->sphereCount = static_cast<uint32_t>(d->spheres.size());
        SetObjectPosition(o, d->instance.position.x, d->instance.position.y, d->instance.position.z);
        o->previousPosition = o->position;
        g_objects.push_back(std::move(d));
    }
    // The sounds of the objects that have one.
    const ObjectVoiceHooks& h = DynamicVoiceHooks();
    for (const std::unique_ptr<DynamicObject>& d : g_objects) {
        if (!d->record->hasSound || !h.typeVoice) continue;
        d->voice = h.typeVoice(d->instance.type);
        if (!d->voice) continue;
        if (h.setVolume) h.setVolume(d->voice, static_cast<int32_t>(std::lrint((1.0f - d->record->soundLevel) * -10000.0f)));
        if (d->record->behaviour != kPathMoverWithSound && h.play) h.play(d->voice, true, false);
        if (h.setDistances) h.setDistances(d->voice, d->record->soundMinDistance, d->record->soundMaxDistance);
    }
}

void FreeDynamicObjects() {
    for (const std::unique_ptr<DynamicObject>& d : g_objects)
        if (d->object && ObjectsReady()) DestroyObject(d->object);
    g_objects.clear();
    g_records.clear();
}

void DrawDynamicObjects(const WorldView& view, RenderInterface* render) {
    if (!render) return;
    for (const std::unique_ptr<DynamicObject>& d : g_objects) {
        if (d->record->behaviour == kLift || !d->object) continue;
        Mesh* mesh = ObjectTypeMesh(d->instance.type);
        if (!mesh) continue;
        // The instance's scale stays with the object once it moves.
        Matrix4 scale;
        MatUniformScale(&scale, d->instance.scale);
        Matrix4 m = Then(scale, d->matrix);
        m.m[12] = d->object->position.x;
        m.m[13] = d->object->position.y;
        m.m[14] = d->object->position.z;
        Matrix4 mirror{{-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
        m = Then(mirror, m);
        if (d->animated) mesh->SetFrame(d->frame);
        mesh->Render(view.eye, &m, 1, nullptr);
        if (d->animated) mesh->SetFrame(0);
    }
}

const std::vector<std::unique_ptr<DynamicRecord>>& DynamicRecords() { return g_records; }
const std::vector<std::unique_ptr<DynamicObject>>& DynamicObjects() { return g_objects; }

}  // namespace kes
