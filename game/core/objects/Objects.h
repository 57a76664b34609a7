#pragma once
// The scene-object pool: 200 records (at most 199 live), an active list in whose order objects are
// updated and drawn (new objects at its head), and a sector grid over the world box in whose lists
// objects meet for sphere contacts. Messages go to standard output.
#include <cstdint>

#include "game/core/maths/MathTypes.h"
#include "game/core/objects/SceneNode.h"

namespace kes {

constexpr uint32_t kMaxObjects = 200;
constexpr uint32_t kObjectNameSize = 32;
constexpr uint32_t kSphereNotSolid = 0x100;
constexpr uint32_t kContactObject = 4;

struct SectorObject;
struct ViewRecord;

struct ObjectSphere {
    float unused[3];
    Vec3 centre;  // relative to the object's position
    float radius;
    uint32_t flags;  // kSphereNotSolid: never the other party of a contact, not in the radius
};

struct ContactInfo {
    uint32_t ownIndex;
    ObjectSphere* ownSphere;
    Vec3 offset;     // direction x own radius
    Vec3 direction;  // unit, own centre to other centre (zero when they coincide)
    SectorObject* other;
    ObjectSphere* otherSphere;
    uint32_t otherIndex;
};

using ObjectUpdateFn = void (*)(SectorObject* object, uint32_t stepMs, void* user);
using ObjectDrawFn = void (*)(SectorObject* object, ViewRecord* view);
using ObjectContactFn = int (*)(uint32_t event, ContactInfo* info, void* user);

struct SectorObject {
    SectorObject* sectorPrev;
    SectorObject* sectorNext;
    SectorObject* activePrev;
    SectorObject* activeNext;  // the free-list link of a free record
    SectorObject* parent;
    SceneNode* node;
    char name[kObjectNameSize];
    uint32_t tag;
    ObjectUpdateFn update;
    ObjectDrawFn draw;
    uint32_t sector[3];
    float offset[3];
    void* user;
    Vec3 previousPosition;
    Vec3 position;
    ObjectSphere* spheres;
    uint32_t sphereCount;
    ObjectContactFn contact;
    void* contactUser;
    float boundingRadius;
    uint32_t visitStamp;
    uint32_t ownerWords[8];  // for the owner; zeroed at creation
};

struct ObjectDesc {
    SectorObject* parent;
    char name[kObjectNameSize];
    uint32_t tag;
    float x, y, z;
};

int InitObjects(uint32_t ignored, uint32_t countX, uint32_t countY, uint32_t countZ, const float box[6]);
int FreeObjects();
int CreateObject(SectorObject** out, const ObjectDesc* desc);
int DestroyObject(SectorObject* object);
int FindObject(const char* name, SectorObject** out);
int SetObjectUpdate(SectorObject* object, ObjectUpdateFn update);
int UpdateObjects(uint32_t stepMs, uint32_t ignored);
int DrawObjects(ViewRecord* view);
int SetObjectPosition(SectorObject* object, float x, float y, float z);
int MoveObjectBy(SectorObject* object, float dx, float dy, float dz);
int GetObjectPosition(const SectorObject* object, Vec3* out);
int SetObjectMatrix(SectorObject* object, const Matrix4* m);
int GetObjectMatrix(const SectorObject* object, Matrix4* out);
int CollideObjectsInSector(SectorObject* object);

// Inspection for the frame loop and tests.
uint32_t LiveObjectCount();
SectorObject* FirstActiveObject();
SectorObject* SectorListHead(uint32_t x, uint32_t y, uint32_t z);
bool ObjectsReady();

}  // namespace kes
