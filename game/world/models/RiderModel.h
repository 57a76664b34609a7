#pragma once
// The rider: one shared key-framed mesh ("RIDER\Rider.jm5", authored at 748 units to the world unit)
// drawn for every racer from the racer's own copy of its vertices. While riding, the copy is posed by
// blending key frames (RiderBlend.h) and placed on the bike with the rider matrix of the bike's drawing
// block; after a fall it is bent by a skeleton of 12 bones whose ends are the rider body's particles.
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "game/core/maths/MathTypes.h"
#include "game/core/mesh/Mesh.h"
#include "game/frontend/skins/SkinList.h"
#include "game/world/models/RiderDumps.h"
#include "game/world/models/RiderSkeleton.h"

namespace kes {

constexpr int32_t kRiderOutOfMemory = static_cast<int32_t>(0x8007000E);
constexpr float kRiderMeshScale = 0.0013368984f;
// The blend reads key frames up to 722: a mesh with fewer frames is refused.
constexpr uint32_t kRiderFrameCount = 723;
constexpr uint32_t kRiderBindFrame = 390;
constexpr uint32_t kRiderParticleCount = 13;

// One racer's rider. The layout of the first fields follows the racer's record: the replay and network
// code read and write the skin as the first word.
struct RiderInstance {
    uint32_t skin = 0;
    float animProgress = 0.0f;  // 0 at an animation's first frame, 1.0 once it has played out
    uint32_t anim = 0;          // 1-36, 0 none
    uint32_t animClock = 0;     // ms since the animation started
    float poseX = 0.0f, poseZ = 0.0f, poseY = 0.0f, poseSteer = 0.0f;
    float rowPose1 = 0.0f, rowPose2 = 0.0f;  // 0: row not in use
    uint32_t poseOn = 0;
    std::vector<SourceVertex> vertices;  // the racer's own copy, one per mesh vertex
};

struct RiderModel {
    RenderInterface* renderer = nullptr;
    std::unique_ptr<Mesh> mesh;
    std::unique_ptr<SkinList> skins;
    RiderNodeLists nodes;
    RiderBoneLists bones;
    std::array<std::vector<RiderBoneCoords>, kRiderBoneCount> boneLocal;
    std::array<Vec3, kRiderFrameCount> posePoints{};  // by key frame number
    std::vector<SourceVertex> blendWorkA, blendWorkB;

    uint32_t VertexCount() const { return mesh ? mesh->vertexCount : 0; }
    const SourceVertex* Frame(uint32_t f) const { return mesh->frames.data() + static_cast<size_t>(f) * mesh->vertexCount; }
};

// The game's rider model.
RiderModel& TheRiderModel();

// Loads the mesh, the skins "RIDER\TEXTURE\RIDERT01.BMP" onward (and those of userSkinFolder when
// given), the key-pose points, "NODE01.dmp" and "BONE02.dmp", binds the skeleton and makes the blend
// work arrays. 0, or kRiderOutOfMemory when the mesh is missing, has fewer than 723 frames, or the skin
// list cannot be made (everything is then freed). Missing dump files leave the skeleton without
// vertices: the crashed rider then keeps its last riding shape.
int32_t LoadRider(RiderModel& model, RenderInterface* renderer, std::string_view userSkinFolder = {});
// The same steps from a mesh already loaded and the dump files' bytes (tests and tools): scales the
// mesh, reads the dumps and binds. kRiderOutOfMemory for a null mesh or one with too few frames.
int32_t BuildRider(RiderModel& model, std::unique_ptr<Mesh> mesh, const std::vector<uint8_t>& nodeDump,
                   const std::vector<uint8_t>& boneDump);
void FreeRider(RiderModel& model);

// A rider showing frame 0 of the mesh. Null when no mesh is loaded or memory runs out.
std::unique_ptr<RiderInstance> CreateRiderInstance(const RiderModel& model, uint32_t skin);
// Frees the instance; the mesh stops pointing at its copy.
void FreeRiderInstance(RiderModel& model, std::unique_ptr<RiderInstance>& rider);

inline void StartRiderAnim(RiderInstance& r, uint32_t number) { r.anim = number, r.animClock = 0; }
inline void StopRiderAnim(RiderInstance& r) { r.anim = 0; }
inline bool IsRiderAnimStopped(const RiderInstance& r) { return r.anim == 0; }
inline void AdvanceRiderClock(RiderInstance& r, uint32_t ms) { r.animClock += ms; }

// The rider's placement on the bike before the rider matrix: a half turn about z and the seat offset.
Matrix4 RiderLocalMatrix();
// The texture of the instance's skin, with the index wrapped into the skin count; 0 without skins.
uint32_t RiderSkinTexture(RiderModel& model, RiderInstance& rider);

// Poses the instance's copy (BlendRiderPose) and, with a renderer, draws it at the local matrix
// times riderMatrix.
void UpdateRiderPose(RiderModel& model, RiderInstance& rider, const Matrix4& riderMatrix, RenderInterface* renderer);
// Bends the copy by the skeleton, whose bones run between the 13 rider-body particles (world space),
// and with a renderer draws it as it stands. Vertices on no bone keep their last riding pose.
void DrawRider(RiderModel& model, const Vec3 particles[kRiderParticleCount], RiderInstance& rider,
               RenderInterface* renderer);

// Mean position of a node's vertices in the instance's copy, placed by RiderLocalMatrix: a point of the
// bike body's space, which the rider matrix takes to the world (the crash seeds the rider body so).
Vec3 GetRiderNodePosition(const RiderModel& model, uint32_t node, const RiderInstance& rider);
// Mean position of a node's vertices in the mesh's current frame. A node without vertices (or an index
// past the 15 nodes) is at the origin.
Vec3 GetRiderModelNodePosition(const RiderModel& model, uint32_t node);
// Fills boneLocal from frame 390 with the reference normal of nodes 0, 1, 2 in the current frame.
void BindRiderSkeleton(RiderModel& model);
// Walks the mesh's vertex and face counts (the race start touches the model); returns 0.
int32_t TouchRiderMesh(const RiderModel& model);

}  // namespace kes
