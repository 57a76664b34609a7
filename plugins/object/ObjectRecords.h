#pragma once
// The records of the object placer: a placed instance as its 56 stored bytes, the transform that puts
// a type's mesh where the instance stands, the text dump of all instances, and the built-in marker
// mesh every new world starts with.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/vecmath/VecMath.h"

namespace qv {

// Instance flags. Collision, no shading, hard collision, facing and shadow belong to the object type:
// the panel keeps them per type and copies them onto every instance of it.
enum : uint32_t {
    kObjectCollision = 0x1,
    kObjectNotAligned = 0x2,   // up vector (0, 0, 1) instead of the ground normal
    kObjectNotOnGround = 0x4,  // ground height 0 instead of the landscape's
    kObjectNoShading = 0x8,
    kObjectHardCollision = 0x10,
    kObjectFacing = 0x20,
    kObjectShadow = 0x40,
};
// The five type flags in the order the panel keeps their booleans.
inline constexpr uint32_t kObjectTypeFlags[5] = {kObjectCollision, kObjectNoShading, kObjectHardCollision, kObjectFacing,
                                                 kObjectShadow};

inline constexpr uint32_t kInstanceBytes = 56;
inline constexpr uint32_t kOlderInstanceBytes = 40;  // records of the older layout: no up vector, flags or id

struct ObjectInstance {
    float x = 0, y = 0;
    float groundHeight = 0;  // landscape height at x, y (0 with kObjectNotOnGround)
    float rotX = 0, rotY = 0, rotZ = 0;  // radians
    float scale = 1;
    float heightAbove = 0;
    uint32_t type = 0;  // 0-based into the plug-in's mesh list
    Vec3 up{0, 0, 1};
    uint32_t flags = kObjectNotAligned;
    uint32_t id = 0;
};

// The 56 bytes of an instance, field by field, little-endian.
void StoreInstance(const ObjectInstance& in, uint8_t out[kInstanceBytes]);
// The instance held in the first n bytes (n <= 56; the missing bytes read as 0).
ObjectInstance LoadInstance(const uint8_t* bytes, uint32_t n);

// Where the instance puts its type's mesh (row vectors, v' = v x M): turned about y, then x, then z,
// set into the frame of its up vector, scaled, then moved to (x, y, ground height + height above).
// Without the move the translation row stays (0, 0, 0, 1).
Matrix4 InstanceTransform(const ObjectInstance& in, bool withTranslation = true);

// The text dump: the type names, then per instance its type's name, its position and the 3 x 3 part of
// its transform.
struct DumpedInstance {
    std::string type;
    float position[3] = {0, 0, 0};
    float basis[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
};
struct ObjectDump {
    std::vector<std::string> types;
    std::vector<DumpedInstance> instances;
};
std::string FormatObjectDump(const ObjectDump& dump);
// False for a text that is not a whole dump (counts that do not match the lines, a missing number).
bool ParseObjectDump(std::string_view text, ObjectDump* out);

// The JMESH5 image of the built-in object: an orange three-sided pyramid, 40 units tall.
std::vector<uint8_t> MarkerMeshImage();

}  // namespace qv
