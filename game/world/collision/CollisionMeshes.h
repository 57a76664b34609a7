#pragma once
// The "COLL" chunk: named collision meshes, each a set of spheres, capped cylinders and boxes in
// the frame of the object they stand in for. Placed and dynamic objects find their mesh by name;
// CollideObjectWithMesh tests a moving object's spheres against one mesh placed in the world and
// reports touches to its contact routine, or plays the owner's impact sound for sound-only solids.
#include <cstdint>
#include <vector>

#include "game/core/maths/MathTypes.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/ContactSubject.h"

namespace kes {

constexpr uint32_t kCollisionMeshRecordBytes = 284;
constexpr uint32_t kCollisionChunkHeadBytes = 264;
constexpr uint32_t kMeshSphereBytes = 20, kMeshCylinderBytes = 32, kMeshBoxBytes = 40;

struct MeshSphere {
    Vec3 centre{};
    float radius = 0;
    float shapeValue = 0;  // exactly 0: sound only
};

struct MeshCylinder {
    Vec3 base{};  // centre of the base cap
    float radius = 0, length = 0, angleX = 0, angleY = 0, shapeValue = 0;
    Vec3 end{};   // centre of the far cap, built after loading
};

struct MeshBox {
    Vec3 corner{};
    float sizeX = 0, sizeY = 0, sizeZ = 0, angleX = 0, angleY = 0, angleZ = 0;
    uint32_t reserved = 0;
    Vec3 normals[6]{};  // unit face normals, built after loading
    float offsets[6]{}; // a point X is outside face k when normals[k] . X + offsets[k] > 0
};

struct CollisionMesh {
    char name[256] = {};  // always terminated
    uint32_t reserved = 0;
    std::vector<MeshSphere> spheres;
    std::vector<MeshCylinder> cylinders;
    std::vector<MeshBox> boxes;
};

// Reads the chunk, replacing the table. Always 0: a damaged chunk (a count beyond the chunk, a
// value that is not finite, a short read) leaves the world without collision meshes.
int32_t LoadCollisionChunk(ChunkStream& stream, uint32_t size);
void FreeCollisionMeshes();
// Index of the first mesh of exactly this name, -1 for none.
int32_t FindCollisionMesh(const char* name);
int32_t CollisionMeshCount();
// The mesh at index, or null.
const CollisionMesh* CollisionMeshAt(int32_t index);
int32_t GetCollisionSphereCount(int32_t index);
// Writes each mesh sphere's centre and radius into spheres[i] (sized by GetCollisionSphereCount).
void CopyCollisionSpheres(ObjectSphere* spheres, int32_t index);

// Builds the cylinder ends and box faces of a mesh from its stored fields (done by the reader).
void BuildCollisionMesh(CollisionMesh* mesh);

// Tests every sphere of the object against the mesh placed by world (which holds the scale) and
// rotation (its upper 3x3), the solids' sizes multiplied by scale. Touches of reporting solids go
// to the object's contact routine (event 2 for spheres and cylinders, 3 for box faces); touches of
// sound-only solids play sound B. source identifies the mesh's owner for the impact sound. 0.
int32_t CollideObjectWithMesh(const RacerContactSubject& object, int32_t mesh, float scale, const Matrix4& world,
                              const Matrix4& rotation, int32_t soundA, int32_t soundB, const void* source);

}  // namespace kes
