#include "game/world/models/RiderModel.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "game/core/datapack/DataPack.h"
#include "game/core/maths/MatMath.h"
#include "game/core/maths/VecMath.h"
#include "game/world/models/RiderBlend.h"

namespace kes {

namespace {

constexpr const char* kRiderMeshPattern = "RIDER\\%s";
constexpr const char* kRiderSkinPattern = "RIDER\\TEXTURE\\RIDERT%02d.BMP";
constexpr const char* kNodeDumpName = "NODE01.dmp";
constexpr const char* kBoneDumpName = "BONE02.dmp";

std::vector<uint8_t> PackBytes(const char* name) {
    uint32_t size = 0;
    void* data = LoadFile(name, nullptr, &size);
    if (!data) return {};
    std::vector<uint8_t> bytes(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    std::free(data);
    return bytes;
}

Vec3 NodeMean(const std::vector<uint32_t>& list, const SourceVertex* vertices) {
    Vec3 sum{0.0f, 0.0f, 0.0f};
    if (list.empty() || !vertices) return sum;
    for (uint32_t i : list) sum.x += vertices[i].x, sum.y += vertices[i].y, sum.z += vertices[i].z;
    Vec3Divide(&sum, &sum, static_cast<float>(list.size()));
    return sum;
}

Vec3 Transformed(const Vec3& p, const Matrix4& m) {
    const Vec4 in{p.x, p.y, p.z, 1.0f};
    Vec4 out;
    Vec4MulMat4(&m, &in, &out);
    return {out.x, out.y, out.z};
}

void PutSkin(RiderModel& model, RiderInstance& rider) {
    if (!model.mesh->groups.empty()) model.mesh->groups[0].texture = RiderSkinTexture(model, rider);
}

}  // namespace

RiderModel& TheRiderModel() {
    static RiderModel model;
    return model;
}

int32_t BuildRider(RiderModel& model, std::unique_ptr<Mesh> mesh, const std::vector<uint8_t>& nodeDump,
                   const std::vector<uint8_t>& boneDump) {
    if (!mesh || mesh->frameCount < kRiderFrameCount || mesh->vertexCount == 0) return kRiderOutOfMemory;
    mesh->Scale(kRiderMeshScale, kRiderMeshScale, kRiderMeshScale);
    mesh->current = mesh->frames.data();
    model.mesh = std::move(mesh);
    InitRiderPosePoints(model);
    const uint32_t n = model.VertexCount();
    const RiderDumpResult nodes = ReadRiderNodeDump(nodeDump.data(), nodeDump.size(), n, &model.nodes);
    const RiderDumpResult bones = ReadRiderBoneDump(boneDump.data(), boneDump.size(), n, &model.bones);
    if (!nodes.complete || nodes.dropped)
        std::fprintf(stderr, "Rider: %s is short or names missing vertices (%u left out)\n", kNodeDumpName,
                     nodes.dropped);
    if (!bones.complete || bones.dropped)
        std::fprintf(stderr, "Rider: %s is short or names missing vertices (%u left out)\n", kBoneDumpName,
                     bones.dropped);
    ExtendRiderBoneLists(model.Frame(0), n, &model.bones);
    BindRiderSkeleton(model);
    try {
        model.blendWorkA.assign(n, SourceVertex{});
        model.blendWorkB.assign(n, SourceVertex{});
    } catch (const std::bad_alloc&) {
        FreeRider(model);
        return kRiderOutOfMemory;
    }
    return 0;
}

int32_t LoadRider(RiderModel& model, RenderInterface* renderer, std::string_view userSkinFolder) {
    FreeRider(model);
    model.renderer = renderer;
    auto mesh = std::make_unique<Mesh>(renderer);
    char path[64];
    std::snprintf(path, sizeof path, kRiderMeshPattern, "Rider.jm5");
    if (!mesh->Load(path, 0)) return kRiderOutOfMemory;
    model.skins = std::make_unique<SkinList>(renderer, nullptr);
    for (int i = 1; i < 100; ++i) {
        std::snprintf(path, sizeof path, kRiderSkinPattern, i);
        if (model.skins->AddFromPack(path) != 0) break;
    }
    if (!userSkinFolder.empty()) model.skins->AddFolder(userSkinFolder);
    const int32_t built = BuildRider(model, std::move(mesh), PackBytes(kNodeDumpName), PackBytes(kBoneDumpName));
    if (built != 0) FreeRider(model);
    return built;
}

void FreeRider(RiderModel& model) {
    model.skins.reset();
    model.mesh.reset();
    for (auto& l : model.nodes) l.clear();
    for (auto& l : model.bones) l.clear();
    for (auto& l : model.boneLocal) l.clear();
    model.blendWorkA = {};
    model.blendWorkB = {};
}

std::unique_ptr<RiderInstance> CreateRiderInstance(const RiderModel& model, uint32_t skin) {
    if (!model.mesh) return nullptr;
    try {
        auto rider = std::make_unique<RiderInstance>();
        rider->skin = skin;
        rider->vertices.assign(model.Frame(0), model.Frame(0) + model.VertexCount());
        return rider;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void FreeRiderInstance(RiderModel& model, std::unique_ptr<RiderInstance>& rider) {
    if (rider && model.mesh && model.mesh->current == rider->vertices.data()) model.mesh->current = model.Frame(0);
    rider.reset();
}

Matrix4 RiderLocalMatrix() {
    Matrix4 m;
    MatIdentity(&m);
    m.m[0] = -1.0f;
    m.m[5] = -1.0f;
    m.m[12] = 0.0f;
    m.m[13] = 1.1363636f;
    m.m[14] = -0.6684492f;
    return m;
}

uint32_t RiderSkinTexture(RiderModel& model, RiderInstance& rider) {
    // An empty list would never stop wrapping: no skin, no texture.
    const uint32_t count = model.skins ? model.skins->Count() : 0;
    if (count == 0) return 0;
    rider.skin %= count;
    return model.skins->GetTexture(rider.skin);
}

void UpdateRiderPose(RiderModel& model, RiderInstance& rider, const Matrix4& riderMatrix, RenderInterface* renderer) {
    if (!model.mesh || rider.vertices.size() < model.VertexCount()) return;
    PutSkin(model, rider);
    model.mesh->current = rider.vertices.data();
    BlendRiderPose(model, rider);
    if (!renderer) return;
    const Matrix4 local = RiderLocalMatrix();
    Matrix4 placed;
    MatMultiply(&riderMatrix, &local, &placed);
    model.mesh->Render(Vec3{0.0f, 0.0f, 0.0f}, &placed, 1, nullptr);
}

void DrawRider(RiderModel& model, const Vec3 particles[kRiderParticleCount], RiderInstance& rider,
               RenderInterface* renderer) {
    if (!model.mesh || rider.vertices.size() < model.VertexCount()) return;
    Vec3 reference;
    Vec3TriangleNormal(particles, &reference);
    model.mesh->current = rider.vertices.data();
    SourceVertex* out = rider.vertices.data();
    for (uint32_t b = 0; b < kRiderBoneCount; ++b) {
        const RiderBoneFrame bone =
            MakeRiderBoneFrame(particles[kRiderBones[b].from], particles[kRiderBones[b].to], reference);
        const std::vector<uint32_t>& list = model.bones[b];
        const std::vector<RiderBoneCoords>& local = model.boneLocal[b];
        for (size_t k = 0; k < list.size() && k < local.size(); ++k) {
            const Vec3 p = RiderBoneWorld(bone, local[k]);
            out[list[k]].x = p.x, out[list[k]].y = p.y, out[list[k]].z = p.z;
        }
    }
    if (!renderer) return;
    PutSkin(model, rider);
    Matrix4 identity;
    MatIdentity(&identity);
    model.mesh->Render(Vec3{0.0f, 0.0f, 0.0f}, &identity, 1, nullptr);
}

Vec3 GetRiderNodePosition(const RiderModel& model, uint32_t node, const RiderInstance& rider) {
    if (node >= kRiderNodeCount || rider.vertices.size() < model.VertexCount()) return {0.0f, 0.0f, 0.0f};
    return Transformed(NodeMean(model.nodes[node], rider.vertices.data()), RiderLocalMatrix());
}

Vec3 GetRiderModelNodePosition(const RiderModel& model, uint32_t node) {
    if (node >= kRiderNodeCount || !model.mesh) return {0.0f, 0.0f, 0.0f};
    return NodeMean(model.nodes[node], model.mesh->current);
}

void BindRiderSkeleton(RiderModel& model) {
    if (!model.mesh || model.mesh->frameCount <= kRiderBindFrame) return;
    const Vec3 corners[3] = {GetRiderModelNodePosition(model, 0), GetRiderModelNodePosition(model, 1),
                             GetRiderModelNodePosition(model, 2)};
    Vec3 reference;
    Vec3TriangleNormal(corners, &reference);
    const SourceVertex* bind = model.Frame(kRiderBindFrame);
    model.mesh->current = bind;
    for (uint32_t b = 0; b < kRiderBoneCount; ++b) {
        const Vec3 a = GetRiderModelNodePosition(model, kRiderBones[b].from);
        const Vec3 e = GetRiderModelNodePosition(model, kRiderBones[b].to);
        std::vector<RiderBoneCoords>& local = model.boneLocal[b];
        local.clear();
        for (uint32_t i : model.bones[b]) local.push_back(RiderBoneLocal({bind[i].x, bind[i].y, bind[i].z}, a, e, reference));
    }
}

int32_t TouchRiderMesh(const RiderModel& model) {
    volatile uint32_t sum = 0;
    if (model.mesh) sum = sum + model.mesh->vertexCount + model.mesh->faceCount;
    return 0;
}

}  // namespace kes
