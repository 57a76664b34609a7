#pragma once
// The "OBJT" chunk: the static scenery of a world. Object types are meshes (with the chunk's own
// textures); placed objects are instances of them with a position, rotations, a scale and flags.
// After loading each object gets its matrices and a place in a coarse grid of the ground plane;
// each frame the cells in view are drawn; moving scene objects collide with the objects near them
// (through their type's collision mesh, or through the object's own faces kept in world space);
// dynamic objects take objects out of the list by id.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/core/maths/MathTypes.h"
#include "game/core/mesh/Mesh.h"
#include "game/core/render/RenderInterface.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/ContactSubject.h"
#include "game/world/chunk/WorldView.h"

namespace kes {

constexpr uint32_t kPlacedObjectBytes = 56;
constexpr uint32_t kObjectKeepFaces = 1;      // keep world-space faces and collide with them
constexpr uint32_t kObjectNotPrelit = 8;
constexpr uint32_t kObjectBillboard = 0x20;   // turns about z to face the camera
constexpr float kObjectCellSize = 31.25f;
constexpr int32_t kObjectGridMax = 64;

// The 56 stored bytes of a placed object.
struct PlacedObjectRecord {
    Vec3 position{};
    float rotX = 0, rotY = 0, rotZ = 0;
    float scale = 1;
    float heightOffset = 0;  // added to z
    uint32_t type = 0;
    Vec3 up{0, 0, 1};
    uint32_t flags = 0;
    uint32_t id = 0;
};

struct PlacedObject {
    PlacedObjectRecord stored;
    float radius = 0;  // type radius x scale
    int32_t column = 0, row = 0, columnSpan = 0, rowSpan = 0;
    Matrix4 world{};
    Matrix4 rotation{};
    int32_t collisionMesh = -1;
    uint32_t stamp = 0;
    uint32_t visible = 1;
    float repeatX = 0, repeatY = 0;
    std::vector<Vec3> worldVertices;  // with kObjectKeepFaces
    std::vector<Vec4> facePlanes;     // normal and -(normal . first vertex), one per face
    std::vector<uint32_t> colours;    // prelit vertex colours, empty when not prelit
};

struct ObjectType {
    std::unique_ptr<Mesh> mesh;
    float radius = 0;
    std::string sound1 = "None", sound2 = "None";
    int32_t effectA = -1, effectB = -1;
};

// Reads the chunk. 0; the negative result of a texture or mesh read (the objects then stay empty);
// -1 for a damaged chunk. Objects whose type is out of range or whose values are not finite are
// dropped; a record longer than 56 bytes has its extra bytes skipped.
int32_t ObjectTypesLoad(ChunkStream& stream, uint32_t size, RenderInterface* render);
// After all chunks: sound lookups, matrices, kept faces, the grid and the collision meshes.
void WorldObjectsLoad();
// Lighting of each object's vertices at race start, filled in by the lighting module when it
// exists; without it objects are drawn unlit (mode 0).
using ObjectPrelightFn = void (*)(PlacedObject& object, const ObjectType& type);
void SetObjectPrelight(ObjectPrelightFn prelight);
void WorldObjectsPrelight();
void WorldObjectsDraw(const WorldView& view, RenderInterface* render);
// The placed-object pass of a racer's world contacts.
void CollidePlacedObjects(const RacerContactSubject& object);
void ObjectTypesFree();

// Lookups by id for the dynamic objects: the first match in array order wins.
int32_t PlacedObjectIndex(uint32_t id);
bool PlacedObjectCopy(uint32_t id, PlacedObjectRecord* out, float* radius);
bool PlacedObjectTake(uint32_t id, PlacedObjectRecord* out, float* radius);
void PlacedObjectSetVisible(uint32_t id, uint32_t value);
// Sets the z of the object at index and rebuilds its world matrix; returns z.
float PlacedObjectSetHeight(int32_t index, float z);

Mesh* ObjectTypeMesh(uint32_t type);
int32_t ObjectTypeCount();
const ObjectType* ObjectTypeAt(uint32_t type);
const std::vector<PlacedObject>& PlacedObjects();
// Grid size in cells (0 x 0 before WorldObjectsLoad or without objects).
void ObjectGridSize(int32_t* columns, int32_t* rows);

// The orientation of an up axis: row 1 = normalise(up x (1, 0, 0)), row 0 = up x row 1, row 2 = up.
// An up axis along x (or of no length) gives the identity.
Matrix4 MatrixFromUpAxis(Vec3 up);

}  // namespace kes
