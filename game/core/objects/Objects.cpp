// The scene-object pool and its sector grid.
#include "game/core/objects/Objects.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "game/core/maths/FastMath.h"
#include "game/core/maths/VecMath.h"
#include "platform/bytes/AsciiCase.h"
#include "platform/sys/Fpu.h"

namespace kes {
namespace {

constexpr float kEdge = 0.00001f;

struct ObjectSystem {
    float boxMin[3] = {};
    float boxMax[3] = {};
    float size[3] = {};
    uint32_t count[3] = {};
    uint32_t highest[3] = {};
    float cell[3] = {};
    SectorObject* pool = nullptr;
    SectorObject* freeHead = nullptr;
    SectorObject* activeHead = nullptr;
    uint32_t live = 0;
    uint32_t stamp = 0;
    SectorObject** sectors = nullptr;
    // The largest |offset| component any object has had (NaN left out): a bound on every object's
    // offsets, for the sphere pass's quick rejection of far pairs.
    float largestOffset = 0.0f;
    // Counts every change of an offset or of a sector list's links: a snapshot taken at one count
    // still describes the lists at the same count.
    uint64_t layoutCount = 1;
    // One sector list's members in list order with their offsets, side by side: the sphere pass walks
    // it for every mover, and rejecting the far ones from an array beats chasing the list's links.
    struct {
        SectorObject* const* head = nullptr;
        uint64_t layoutCount = 0;  // 0: no snapshot
        uint32_t count = 0;
        float x[kMaxObjects] = {};
        float y[kMaxObjects] = {};
        float z[kMaxObjects] = {};
        SectorObject* members[kMaxObjects] = {};
    } snapshot;
};

ObjectSystem g_objects;

SectorObject** SectorHead(const SectorObject* o) {
    const uint32_t index = (o->sector[2] * g_objects.count[1] + o->sector[1]) * g_objects.count[0] + o->sector[0];
    return &g_objects.sectors[index];
}

void LinkSector(SectorObject* o) {
    ++g_objects.layoutCount;
    SectorObject** head = SectorHead(o);
    o->sectorPrev = nullptr;
    o->sectorNext = *head;
    if (*head) (*head)->sectorPrev = o;
    *head = o;
}

void UnlinkSector(SectorObject* o) {
    ++g_objects.layoutCount;
    SectorObject** head = SectorHead(o);
    if (o->sectorPrev) o->sectorPrev->sectorNext = o->sectorNext;
    else if (*head == o) *head = o->sectorNext;
    if (o->sectorNext) o->sectorNext->sectorPrev = o->sectorPrev;
    o->sectorPrev = o->sectorNext = nullptr;
}

void SetNodeFromCell(SectorObject* o) {
    float p[3];
    for (int a = 0; a < 3; ++a)
        p[a] = g_objects.boxMin[a] + static_cast<float>(o->sector[a]) * g_objects.cell[a] + o->offset[a];
    o->node->SetPosition(p[0], p[1], p[2]);
    o->previousPosition = o->position;
    o->position = {p[0], p[1], p[2]};
}

// Moves a linked object to the head of its new sector when its cell changed.
void Relink(SectorObject* o, const uint32_t oldSector[3], bool linked) {
    if (!linked) return;
    if (oldSector[0] == o->sector[0] && oldSector[1] == o->sector[1] && oldSector[2] == o->sector[2]) return;
    uint32_t now[3] = {o->sector[0], o->sector[1], o->sector[2]};
    std::memcpy(o->sector, oldSector, sizeof now);
    UnlinkSector(o);
    std::memcpy(o->sector, now, sizeof now);
    LinkSector(o);
}

void SetOffset(SectorObject* o, int axis, float offset) {
    ++g_objects.layoutCount;
    o->offset[axis] = offset;
    const float magnitude = std::fabs(offset);
    if (magnitude > g_objects.largestOffset) g_objects.largestOffset = magnitude;
}

bool IsLinked(const SectorObject* o) {
    return o->sectorPrev || o->sectorNext || *SectorHead(o) == o;
}

}  // namespace

int InitObjects(uint32_t, uint32_t countX, uint32_t countY, uint32_t countZ, const float box[6]) {
    FreeObjects();
    g_objects = ObjectSystem{};
    const uint32_t counts[3] = {countX ? countX : 1, countY ? countY : 1, countZ ? countZ : 1};
    for (int a = 0; a < 3; ++a) {
        g_objects.boxMin[a] = box[a];
        g_objects.boxMax[a] = box[3 + a];
        g_objects.size[a] = box[3 + a] - box[a];
        g_objects.count[a] = counts[a];
        g_objects.highest[a] = counts[a] - 1;
        g_objects.cell[a] = g_objects.size[a] / static_cast<float>(counts[a]);
    }
    g_objects.pool = new (std::nothrow) SectorObject[kMaxObjects];
    if (!g_objects.pool) {
        std::printf("MAXOBJECTS Allocation Error\n");
        return 1;
    }
    std::memset(static_cast<void*>(g_objects.pool), 0, sizeof(SectorObject) * kMaxObjects);
    for (uint32_t i = 0; i + 1 < kMaxObjects; ++i) g_objects.pool[i].activeNext = &g_objects.pool[i + 1];
    g_objects.freeHead = &g_objects.pool[0];
    const uint64_t sectorCount = uint64_t{counts[0]} * counts[1] * counts[2];
    g_objects.sectors = sectorCount <= (1u << 24) ? new (std::nothrow) SectorObject*[sectorCount]() : nullptr;
    if (!g_objects.sectors) {
        std::printf("SectorList Allocation Error\n");
        delete[] g_objects.pool;
        g_objects.pool = nullptr;
        return 1;
    }
    return 0;
}

int FreeObjects() {
    if (g_objects.pool) {
        while (g_objects.activeHead) DestroyObject(g_objects.activeHead);
    }
    delete[] g_objects.pool;
    delete[] g_objects.sectors;
    g_objects = ObjectSystem{};
    return 0;
}

bool ObjectsReady() {
    return g_objects.pool != nullptr;
}

int CreateObject(SectorObject** out, const ObjectDesc* desc) {
    if (!g_objects.pool) return 1;
    if (++g_objects.live >= kMaxObjects) {
        --g_objects.live;
        std::printf("Can not allocate another object\n");
        return 1;
    }
    SectorObject* o = g_objects.freeHead;
    g_objects.freeHead = o->activeNext;
    if (out) *out = o;
    std::memset(static_cast<void*>(o), 0, sizeof *o);
    o->activeNext = g_objects.activeHead;
    if (g_objects.activeHead) g_objects.activeHead->activePrev = o;
    g_objects.activeHead = o;
    std::memcpy(o->name, desc->name, kObjectNameSize);
    o->name[kObjectNameSize - 1] = '\0';
    o->tag = desc->tag;
    o->node = new SceneNode();
    // Not linked yet: SetObjectPosition only computes the cell.
    SetObjectPosition(o, desc->x, desc->y, desc->z);
    if (desc->parent) {
        o->parent = desc->parent;
        desc->parent->node->AddChild(o->node);
        for (SectorObject* a = desc->parent; a; a = a->parent) MoveObjectBy(o, a->position.x, a->position.y, a->position.z);
    }
    LinkSector(o);
    return 0;
}

int DestroyObject(SectorObject* o) {
    if (!o || !g_objects.pool) return 0;
    UnlinkSector(o);
    if (o->node) {
        o->node->Release();
        delete o->node;
        o->node = nullptr;
    }
    // Children made with this object as parent must not walk to a freed record.
    for (SectorObject* a = g_objects.activeHead; a; a = a->activeNext)
        if (a->parent == o) a->parent = nullptr;
    if (o->activePrev) o->activePrev->activeNext = o->activeNext;
    else g_objects.activeHead = o->activeNext;
    if (o->activeNext) o->activeNext->activePrev = o->activePrev;
    o->activePrev = nullptr;
    o->activeNext = g_objects.freeHead;
    o->update = nullptr;
    o->draw = nullptr;
    o->contact = nullptr;
    o->sphereCount = 0;
    g_objects.freeHead = o;
    --g_objects.live;
    return 0;
}

int FindObject(const char* name, SectorObject** out) {
    *out = nullptr;
    const size_t length = name ? std::strlen(name) : 0;
    if (length == 0 || length > kObjectNameSize) {
        std::printf("ObjectName too long or zero sized\n");
        return 1;
    }
    for (SectorObject* o = g_objects.activeHead; o; o = o->activeNext) {
        if (plat::EqualNoCase(o->name, name)) {
            *out = o;
            return 0;
        }
    }
    return 2;
}

int SetObjectUpdate(SectorObject* o, ObjectUpdateFn update) {
    o->update = update;
    return 0;
}

int SetObjectPosition(SectorObject* o, float x, float y, float z) {
    const float p[3] = {x, y, z};
    const uint32_t old[3] = {o->sector[0], o->sector[1], o->sector[2]};
    const bool linked = IsLinked(o);
    for (int a = 0; a < 3; ++a) {
        float rel = p[a] - g_objects.boxMin[a];
        if (!(rel >= 0.0f)) rel = 0.0f;
        if (rel > g_objects.size[a] - kEdge) rel = g_objects.size[a] - kEdge;
        int index = plat::FloatToInt(rel / g_objects.cell[a]);
        if (index < 0) index = 0;
        float offset = rel - static_cast<float>(index) * g_objects.cell[a];
        while (offset > g_objects.cell[a]) offset -= g_objects.cell[a];
        while (offset < 0.0f) offset += g_objects.cell[a];
        if (static_cast<uint32_t>(index) > g_objects.highest[a]) {
            index = static_cast<int>(g_objects.highest[a]);
            offset = g_objects.cell[a] - kEdge;
        }
        o->sector[a] = static_cast<uint32_t>(index);
        SetOffset(o, a, offset);
    }
    Relink(o, old, linked);
    SetNodeFromCell(o);
    return 0;
}

int MoveObjectBy(SectorObject* o, float dx, float dy, float dz) {
    const float d[3] = {dx, dy, dz};
    const uint32_t old[3] = {o->sector[0], o->sector[1], o->sector[2]};
    const bool linked = IsLinked(o);
    for (int a = 0; a < 3; ++a) {
        const float cell = g_objects.cell[a];
        int64_t index = o->sector[a];
        float offset = o->offset[a] + d[a];
        // Whole cells at once: a large move must not loop for long.
        if (offset >= cell || offset < 0.0f) {
            const float cells = static_cast<float>(static_cast<int64_t>(offset / cell));
            if (cells > 1.0f || cells < -1.0f) {
                const float bounded = cells > 1e6f ? 1e6f : (cells < -1e6f ? -1e6f : cells);
                index += static_cast<int64_t>(bounded);
                offset -= bounded * cell;
            }
        }
        for (int pass = 0; pass < 2; ++pass) {
            for (int guard = 0; offset >= cell && guard < 64; ++guard) { offset -= cell; ++index; }
            for (int guard = 0; offset < 0.0f && guard < 64; ++guard) { offset += cell; --index; }
            if (index > static_cast<int64_t>(g_objects.highest[a])) {
                index = g_objects.highest[a];
                offset = cell - kEdge;
            } else if (index < 0) {
                index = 0;
                offset = 0.0f;
            }
        }
        if (!(offset >= 0.0f && offset < cell)) offset = offset >= cell ? cell - kEdge : 0.0f;
        o->sector[a] = static_cast<uint32_t>(index);
        SetOffset(o, a, offset);
    }
    Relink(o, old, linked);
    // The node takes the absolute position, as SetObjectPosition gives it.
    SetNodeFromCell(o);
    return 0;
}

int GetObjectPosition(const SectorObject* o, Vec3* out) {
    *out = o->position;
    return 0;
}

int SetObjectMatrix(SectorObject* o, const Matrix4* m) {
    o->node->SetMatrix(*m);
    return 0;
}

int GetObjectMatrix(const SectorObject* o, Matrix4* out) {
    *out = o->node->world;
    return 0;
}

int UpdateObjects(uint32_t stepMs, uint32_t) {
    // The next record is taken before each routine runs, so that a routine may destroy its own object.
    for (SectorObject* o = g_objects.activeHead; o;) {
        SectorObject* next = o->activeNext;
        if (o->update) {
            o->update(o, stepMs, o->user);
            if (o->node) {
                float radius = 0.0f;
                for (uint32_t i = 0; i < o->sphereCount; ++i) {
                    const ObjectSphere& s = o->spheres[i];
                    if (s.flags & kSphereNotSolid) continue;
                    const float r = FastSqrt(s.centre.x * s.centre.x + s.centre.y * s.centre.y +
                                             s.centre.z * s.centre.z) + s.radius;
                    if (r > radius) radius = r;
                }
                o->boundingRadius = radius;
            }
        }
        o = next;
    }
    for (SectorObject* o = g_objects.activeHead; o;) {
        SectorObject* next = o->activeNext;
        CollideObjectsInSector(o);
        o = next;
    }
    return 0;
}

namespace {

// The farthest the object's spheres reach from its position: all of them, or only the solid ones
// (the only ones that can be the other party of a contact). A NaN bound stays NaN.
float SphereReach(const SectorObject* o, bool solidOnly) {
    float reach = 0.0f;
    for (uint32_t i = 0; i < o->sphereCount; ++i) {
        const ObjectSphere& s = o->spheres[i];
        if (solidOnly && (s.flags & kSphereNotSolid)) continue;
        const float r = std::sqrt(s.centre.x * s.centre.x + s.centre.y * s.centre.y + s.centre.z * s.centre.z) +
                        s.radius;
        if (!(r <= reach)) reach = r;
    }
    return reach;
}

float LargestMagnitude(const SectorObject* o, float m) {
    for (int c = 0; c < 3; ++c) {
        const float v = std::fabs(o->offset[c]);
        if (v > m) m = v;
    }
    return m;
}

// True when the point (from + lift) lies farther than `reach` from b's position, by more than float
// rounding in the exact sphere tests could ever make up; those tests then cannot pass and are skipped.
// The rounding grows with the coordinates, so the slack does too, many times over. NaN gives false,
// leaving the decision to the exact tests.
bool BeyondReach(const SectorObject* a, const Vec3& lift, const SectorObject* b, float reach) {
    const float dx = b->offset[0] - (a->offset[0] + lift.x);
    const float dy = b->offset[1] - (a->offset[1] + lift.y);
    const float dz = b->offset[2] - (a->offset[2] + lift.z);
    const float slack = 1.0e-4f * (LargestMagnitude(b, LargestMagnitude(a, 0.0f)) + reach) + 1.0e-3f;
    const float limit = reach + slack;
    return dx * dx + dy * dy + dz * dz > limit * limit;
}

// BeyondReach(a, at its position, b, reach) for many b at the price of a distance: the slack is
// worked out once from the largest offset any object has had instead of the two objects' own. The
// float operations grow with the offset in every rounding mode, so this limit is never below
// BeyondReach's and a pair beyond it is beyond BeyondReach's too; a pair inside it (or anything NaN)
// is left to BeyondReach.
struct FarBound {
    bool usable = false;
    float from[3] = {};
    float squaredLimit = 0.0f;

    bool Beyond(const SectorObject* b) const {
        if (!usable) return false;
        const float dx = b->offset[0] - from[0];
        const float dy = b->offset[1] - from[1];
        const float dz = b->offset[2] - from[2];
        return dx * dx + dy * dy + dz * dz > squaredLimit;
    }
};

FarBound MakeFarBound(const SectorObject* a, float reach) {
    FarBound f;
    // Squaring keeps the order only for limits that are not negative.
    f.usable = reach >= 0.0f;
    // The same sums as BeyondReach's, with a lift of zero.
    for (int c = 0; c < 3; ++c) f.from[c] = a->offset[c] + 0.0f;
    const float slack = 1.0e-4f * (g_objects.largestOffset + reach) + 1.0e-3f;
    const float limit = reach + slack;
    f.squaredLimit = limit * limit;
    return f;
}

// BeyondReach for a point already lifted (a's offset plus the lift, the sums BeyondReach makes), with
// the two objects' largest offset magnitude worked out beforehand: the same operations, so the same
// answer, without going over the offsets again for every sphere.
bool BeyondReachFrom(const Vec3& from, const SectorObject* b, float reach, float largestMagnitude) {
    const float dx = b->offset[0] - from.x;
    const float dy = b->offset[1] - from.y;
    const float dz = b->offset[2] - from.z;
    const float slack = 1.0e-4f * (largestMagnitude + reach) + 1.0e-3f;
    const float limit = reach + slack;
    return dx * dx + dy * dy + dz * dz > limit * limit;
}

// Where a sphere of o sits: o's offset plus the sphere's centre.
Vec3 SpherePlace(const SectorObject* o, const ObjectSphere& s) {
    return {o->offset[0] + s.centre.x, o->offset[1] + s.centre.y, o->offset[2] + s.centre.z};
}

// A reach kept with a copy of the spheres it was measured from. After a contact the reaches are due
// again, but contact routines seldom reshape spheres, and comparing the copy is far cheaper than the
// square roots of measuring. The copy is taken just before a contact routine runs (nothing can have
// changed the spheres since the measure); an object with more spheres than it holds is measured again.
struct MeasuredReach {
    static constexpr uint32_t kCopied = 16;
    float reach = 0.0f;
    bool copied = false;
    const ObjectSphere* spheres = nullptr;
    uint32_t count = 0;
    bool unchanged = false;  // the last remeasure found the spheres as copied
    ObjectSphere copy[kCopied];
};

float MeasureReach(const SectorObject* o, bool solidOnly, MeasuredReach* m) {
    m->reach = SphereReach(o, solidOnly);
    m->copied = false;
    return m->reach;
}

void KeepSpheres(const SectorObject* o, MeasuredReach* m) {
    if (m->copied) return;
    m->copied = true;
    m->spheres = o->spheres;
    m->count = o->sphereCount;
    if (m->count <= MeasuredReach::kCopied && m->count > 0) std::memcpy(m->copy, o->spheres, sizeof(ObjectSphere) * m->count);
}

// The reach again, measured only when the spheres differ from the copy kept before the contact.
float RemeasureReach(const SectorObject* o, bool solidOnly, MeasuredReach* m) {
    const bool same = m->copied && m->spheres == o->spheres && m->count == o->sphereCount &&
                      m->count <= MeasuredReach::kCopied &&
                      (m->count == 0 || std::memcmp(m->copy, o->spheres, sizeof(ObjectSphere) * m->count) == 0);
    m->unchanged = same;
    return same ? m->reach : MeasureReach(o, solidOnly, m);
}

// Where the solid spheres of an object sit (its offset plus their centres, the sums SpherePlace makes),
// with their radii, worked out once for every sphere of the mover that comes near. Taken again after a
// contact routine ran, which may have moved or reshaped the spheres.
struct SolidPlace {
    float x, y, z, radius;
    uint32_t index;
};

struct SolidPlaces {
    static constexpr uint32_t kHeld = 32;
    bool taken = false;
    uint64_t layoutCount = 0;  // the objects' layout count when taken
    uint32_t from = 0;  // the first sphere index looked at
    uint32_t next = 0;  // the sphere index after the last one looked at
    uint32_t count = 0;
    SolidPlace places[kHeld];

    // The solid spheres from index `first` on, as many as are held; `next` tells where to go on.
    void Take(const SectorObject* o, uint32_t first) {
        taken = true;
        layoutCount = g_objects.layoutCount;
        from = first;
        count = 0;
        uint32_t j = first;
        for (; j < o->sphereCount && count < kHeld; ++j) {
            const ObjectSphere& s = o->spheres[j];
            if (s.flags & kSphereNotSolid) continue;
            const Vec3 at = SpherePlace(o, s);
            places[count++] = {at.x, at.y, at.z, s.radius, j};
        }
        next = j;
    }
};

// The snapshot of the list at head, taken again when anything moved or relinked since; false when the
// list is too long to hold (the caller then walks the list itself).
bool TakeSnapshot(SectorObject* const* head) {
    auto& snap = g_objects.snapshot;
    if (snap.head == head && snap.layoutCount == g_objects.layoutCount) return true;
    snap.layoutCount = 0;
    snap.head = head;
    uint32_t n = 0;
    for (SectorObject* o = *head; o; o = o->sectorNext) {
        if (n == kMaxObjects) return false;
        snap.x[n] = o->offset[0];
        snap.y[n] = o->offset[1];
        snap.z[n] = o->offset[2];
        snap.members[n++] = o;
    }
    snap.count = n;
    snap.layoutCount = g_objects.layoutCount;
    return true;
}

}  // namespace

int CollideObjectsInSector(SectorObject* a) {
    const uint32_t stamp = ++g_objects.stamp;
    a->visitStamp = stamp;
    // Without spheres or a contact routine nothing below is observable.
    if (a->sphereCount == 0 || !a->contact) return 0;
    // The bounds only skip pairs the exact tests would reject; contacts come in the same order.
    constexpr Vec3 kAtPosition{0.0f, 0.0f, 0.0f};
    MeasuredReach aMeasure, bMeasure;
    float aReach = MeasureReach(a, false, &aMeasure);
    FarBound far = MakeFarBound(a, aReach + a->boundingRadius);
    // The list is walked from its snapshot while nothing moves, which is while no contact routine
    // moves anything: the same objects in the same order with the same offsets. A multi-sphere object
    // beyond the far bound is passed over there as the loop below would pass it over (marked visited,
    // nothing else). Once a contact routine moved or relinked anything the walk goes on along the links.
    SectorObject* const* head = SectorHead(a);
    const auto& snap = g_objects.snapshot;
    bool fromSnapshot = TakeSnapshot(head);
    uint32_t k = 0;
    const auto next = [&](SectorObject* current) -> SectorObject* {
        if (fromSnapshot && (snap.head != head || snap.layoutCount != g_objects.layoutCount)) fromSnapshot = false;
        if (!fromSnapshot) return current->sectorNext;
        return ++k < snap.count ? snap.members[k] : nullptr;
    };
    // The squared distances far.Beyond compares, the same float operations on the offsets the snapshot
    // holds, all at once. They hold while the snapshot does: a's offset, the bound's centre, stays too
    // (a contact changes only the bound's limit).
    float squaredDistance[kMaxObjects];
    const bool skipFar = fromSnapshot && far.usable;
    if (skipFar) {
        for (uint32_t i = 0; i < snap.count; ++i) {
            const float dx = snap.x[i] - far.from[0];
            const float dy = snap.y[i] - far.from[1];
            const float dz = snap.z[i] - far.from[2];
            squaredDistance[i] = dx * dx + dy * dy + dz * dz;
        }
    }
    SectorObject* b = fromSnapshot ? (snap.count > 0 ? snap.members[0] : nullptr) : *head;
    for (; b; b = next(b)) {
        if (skipFar && fromSnapshot && far.usable) {
            const uint32_t count = snap.count;
            while (squaredDistance[k] > far.squaredLimit && b != a && b->sphereCount > 1) {
                b->visitStamp = stamp;
                if (++k == count) return 0;
                b = snap.members[k];
            }
        }
        if (b == a || b->sphereCount == 0 || b->visitStamp == stamp) continue;
        b->visitStamp = stamp;
        if (a->sphereCount == 0) continue;
        if (b->sphereCount > 1) {
            if (far.Beyond(b)) continue;
            if (BeyondReach(a, kAtPosition, b, aReach + a->boundingRadius)) continue;
            bool near = false;
            for (uint32_t i = 0; i < a->sphereCount && !near; ++i) {
                const ObjectSphere& s = a->spheres[i];
                const float dx = b->offset[0] - (a->offset[0] + s.centre.x);
                const float dy = b->offset[1] - (a->offset[1] + s.centre.y);
                const float dz = b->offset[2] - (a->offset[2] + s.centre.z);
                const float reach = a->boundingRadius + s.radius;
                near = dx * dx + dy * dy + dz * dz <= reach * reach;
            }
            if (!near) continue;
        }
        float bReach = MeasureReach(b, true, &bMeasure);
        if (BeyondReach(a, kAtPosition, b, aReach + bReach)) continue;
        float largest = LargestMagnitude(b, LargestMagnitude(a, 0.0f));
        SolidPlaces bPlaces;
        for (uint32_t i = 0; i < a->sphereCount; ++i) {
            ObjectSphere* sa = &a->spheres[i];
            Vec3 aAt = SpherePlace(a, *sa);
            if (BeyondReachFrom(aAt, b, sa->radius + bReach, largest)) continue;
            if (!bPlaces.taken || bPlaces.from != 0) bPlaces.Take(b, 0);
            for (uint32_t n = 0;;) {
                if (n == bPlaces.count) {
                    // The rest of an object with more solid spheres than are held at once.
                    if (bPlaces.next >= b->sphereCount) break;
                    bPlaces.Take(b, bPlaces.next);
                    n = 0;
                    continue;
                }
                const SolidPlace& place = bPlaces.places[n++];
                const uint32_t j = place.index;
                Vec3 d{place.x - aAt.x, place.y - aAt.y, place.z - aAt.z};
                const float reach = sa->radius + place.radius;
                if (d.x * d.x + d.y * d.y + d.z * d.z > reach * reach) continue;
                ObjectSphere* sb = &b->spheres[j];
                Vec3 unit = d;
                if (d.x != 0.0f || d.y != 0.0f || d.z != 0.0f) Vec3Normalize(&unit);
                ContactInfo info{i, sa, {unit.x * sa->radius, unit.y * sa->radius, unit.z * sa->radius}, unit, b, sb, j};
                KeepSpheres(a, &aMeasure);
                KeepSpheres(b, &bMeasure);
                if (a->contact) a->contact(kContactObject, &info, a->contactUser);
                // The contact routine may have moved or reshaped either object's spheres.
                aReach = RemeasureReach(a, false, &aMeasure);
                bReach = RemeasureReach(b, true, &bMeasure);
                far = MakeFarBound(a, aReach + a->boundingRadius);
                largest = LargestMagnitude(b, LargestMagnitude(a, 0.0f));
                aAt = SpherePlace(a, *sa);
                // b's spheres as they are now, from the one after j on, unless the routine left
                // them and b's offset as they were.
                if (!bMeasure.unchanged || bPlaces.layoutCount != g_objects.layoutCount) {
                    bPlaces.Take(b, j + 1);
                    n = 0;
                }
            }
        }
    }
    return 0;
}

int DrawObjects(ViewRecord* view) {
    for (SectorObject* o = g_objects.activeHead; o; o = o->activeNext)
        if (o->node) o->node->Update();
    for (SectorObject* o = g_objects.activeHead; o;) {
        SectorObject* next = o->activeNext;
        if (o->draw) o->draw(o, view);
        o = next;
    }
    return 0;
}

uint32_t LiveObjectCount() {
    return g_objects.live;
}

SectorObject* FirstActiveObject() {
    return g_objects.activeHead;
}

SectorObject* SectorListHead(uint32_t x, uint32_t y, uint32_t z) {
    if (!g_objects.sectors || x >= g_objects.count[0] || y >= g_objects.count[1] || z >= g_objects.count[2])
        return nullptr;
    return g_objects.sectors[(z * g_objects.count[1] + y) * g_objects.count[0] + x];
}

}  // namespace kes
