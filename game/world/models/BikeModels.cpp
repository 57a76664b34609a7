#include "game/world/models/BikeModels.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "game/core/image/BitmapCache.h"
#include "game/core/maths/FastMath.h"
#include "game/core/maths/MatMath.h"
#include "game/core/maths/VecMath.h"
#include "platform/gfx/GfxStates.h"

namespace kes {

namespace {

constexpr const char* kSkinMaskName = "BIKES\\TEXTURES\\bike-a.bmp";
constexpr const char* kSkinPattern = "BIKES\\TEXTURES\\BIKET%02d.BMP";
constexpr const char* kMeshNames[kBikeMeshCount] = {
    "BIKES\\Body125.JM5", "BIKES\\Body250.JM5", "BIKES\\Body500.JM5", "BIKES\\Wheel.JM5",
    "BIKES\\rearfrks.JM5", "BIKES\\handleb.JM5", "BIKES\\forks.JM5"};
// Every part but the wheel wears the skin on its first group.
constexpr BikeMeshIndex kSkinnedMeshes[] = {kBikeHandlebar, kBikeFrontFork, kBikeRearFork,
                                            kBikeBody125,   kBikeBody250,   kBikeBody500};

// Where each part sits on its parent.
constexpr Vec3 kBodyOnRearFork{0.0f, 1.64561f, 0.48575f};
constexpr Vec3 kHandlebarOnBody{0.0f, 2.13199f, 1.70005f};
// The front fork slides along the steering head: (320, -640) hundredths per unit of travel.
constexpr float kForkSlideY = 320.0f, kForkSlideZ = -640.0f;

// A texture of the data pack with its alpha picture; 0 when the picture is missing.
uint32_t LoadPackTexture(RenderInterface* r, const char* name, const char* image, const char* alpha, uint32_t flags) {
    ImageRecord* picture = LoadBitmapFromCache(image);
    if (!picture || !r) {
        FreeImage(picture);
        return 0;
    }
    uint32_t handle = 0;
    if (r->CreateTextureFromImage(name, picture, &handle, flags) != 0) return 0;
    if (handle)
        if (ImageRecord* mask = LoadBitmapFromCache(alpha)) r->UpdateTexture(handle, mask, 1);
    return handle;
}

// Sets a group's texture on a mesh and on each of its detail levels.
void SetGroupTexture(Mesh& mesh, uint32_t group, uint32_t texture) {
    if (group < mesh.groups.size()) mesh.groups[group].texture = texture;
    for (Mesh* level : mesh.levels)
        if (level) SetGroupTexture(*level, group, texture);
}

// Rotation about the x axis with a translation.
Matrix4 TurnX(float angle, const Vec3& at) {
    Matrix4 m;
    MatRotationX(&m, angle);
    m.m[12] = at.x, m.m[13] = at.y, m.m[14] = at.z;
    return m;
}

// Rotation by angle about the steering head, the line through the handlebar's origin along which the
// fork slides; the handlebar turns the front fork and wheel with it.
Matrix4 TurnAboutSteeringHead(float angle, const Vec3& at) {
    Vec3 axis{0.0f, kForkSlideY, kForkSlideZ};
    Vec3Normalize(&axis);
    Matrix4 m;
    MatIdentity(&m);
    const Vec3 rows[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int i = 0; i < 3; ++i) {
        Vec3 r;
        Vec3RotateAxis(&axis, &rows[i], angle, &r);
        m.m[4 * i] = r.x, m.m[4 * i + 1] = r.y, m.m[4 * i + 2] = r.z;
    }
    m.m[12] = at.x, m.m[13] = at.y, m.m[14] = at.z;
    return m;
}

Matrix4 Times(const Matrix4& local, const Matrix4& parent) {
    Matrix4 out;
    MatMultiply(&parent, &local, &out);
    return out;
}

}  // namespace

BikeModelSet& TheBikeModels() {
    static BikeModelSet set;
    return set;
}

TextureRect OverlayGlyph(uint32_t code) {
    const uint32_t cell = (code >= 32 && code < 32 + kOverlayGlyphCount) ? code - 32 : 0;
    const float c = static_cast<float>(cell % 16), r = static_cast<float>(cell / 16);
    return {(8.0f * c + 0.5f) / 128.0f, (10.0f * r + 0.5f) / 128.0f, (8.0f * (c + 1.0f) - 0.5f) / 128.0f,
            (10.0f * (r + 1.0f) - 0.5f) / 128.0f};
}

int32_t LoadBikeModels(BikeModelSet& set, RenderInterface* renderer, bool withLods, std::string_view userSkinFolder) {
    FreeBikeModels(set);
    set.renderer = renderer;
    try {
        set.skins = std::make_unique<SkinList>(renderer, kSkinMaskName);
    } catch (const std::bad_alloc&) {
        return kBikeModelsOutOfMemory;
    }
    char name[64];
    for (int i = 1; i < 100; ++i) {
        std::snprintf(name, sizeof name, kSkinPattern, i);
        if (set.skins->AddFromPack(name) != 0) break;
    }
    if (!userSkinFolder.empty()) set.skins->AddFolder(userSkinFolder);
    set.frontWheelTexture = LoadPackTexture(renderer, "WHEEL", "BIKES\\TEXTURES\\FrntWhel.bmp",
                                            "BIKES\\TEXTURES\\FrntWhelA.bmp", 0);
    set.rearWheelTexture = LoadPackTexture(renderer, "BWHEEL", "BIKES\\TEXTURES\\RearWhel.bmp",
                                           "BIKES\\TEXTURES\\RearWhelA.bmp", 0);
    for (auto& mesh : set.meshes) mesh = std::make_unique<Mesh>(renderer);
    for (uint32_t i = 0; i < kBikeMeshCount; ++i)
        if (!set.meshes[i]->Load(kMeshNames[i], withLods ? 1 : 0)) {
            std::fprintf(stderr, "Bikes: %s cannot be loaded\n", kMeshNames[i]);
            set.meshesLoaded = false;
            return 1;
        }
    set.fontTexture = LoadPackTexture(renderer, "Fonts8", "TEXTURES\\OVERLAY\\Fonts8.BMP",
                                      "TEXTURES\\OVERLAY\\Fonts8A.BMP", 1);
    for (uint32_t i = 0; i < kOverlayGlyphCount; ++i) set.glyphs[i] = OverlayGlyph(32 + i);
    return 0;
}

void FreeBikeModels(BikeModelSet& set) {
    for (auto& mesh : set.meshes) mesh.reset();
    if (set.renderer)
        for (uint32_t* t : {&set.frontWheelTexture, &set.rearWheelTexture, &set.fontTexture})
            if (*t) set.renderer->ReleaseTexture(*t);
    set.frontWheelTexture = set.rearWheelTexture = set.fontTexture = 0;
    set.skins.reset();
    set.meshesLoaded = true;
}

void ComputeBikeParts(const BikeDrawBlock& b, BikePartMatrices* out) {
    const float* p = b.parts;
    out->rearWheel = Times(TurnX(-p[3], {0, 0, 0}), b.bikeMatrix);
    out->rearFork = Times(TurnX(-p[1], {0, 0, 0}), b.bikeMatrix);
    out->body = Times(TurnX(p[1], kBodyOnRearFork), out->rearFork);
    out->handlebar = Times(TurnAboutSteeringHead(-0.5f * p[0], kHandlebarOnBody), out->body);
    const Vec3 fork{0.0f, ((p[4] * kForkSlideY + 449.0f) - 377.76f) * 0.01f,
                    ((101.99f + p[4] * kForkSlideZ) - 218.58f) * 0.01f};
    Matrix4 slide;
    MatTranslation(&slide, fork.x, fork.y, fork.z);
    out->frontFork = Times(slide, out->handlebar);
    out->frontWheel = Times(TurnX(-p[2], {0, 0, 0}), out->frontFork);
}

int32_t WrapBikeSkin(int32_t skin, uint32_t count) {
    if (count == 0) return -1;
    const int64_t n = count;
    return static_cast<int32_t>(((skin % n) + n) % n);
}

int32_t DrawBike(BikeModelSet& set, BikeDrawBlock& block, RenderInterface* renderer, const char* label,
                 const Vec3& eye) {
    BikePartMatrices parts;
    ComputeBikeParts(block, &parts);
    block.riderMatrix = parts.body;
    if (!set.meshes[kBikeHandlebar]) return 0;  // nothing loaded
    // No skins at all: the parts are drawn untextured rather than wrapping into an empty list.
    const int32_t skin = WrapBikeSkin(block.bikeSkin, set.skins ? set.skins->Count() : 0);
    const uint32_t skinTexture = skin >= 0 ? set.skins->GetTexture(static_cast<uint32_t>(skin)) : 0;
    if (renderer && skinTexture) renderer->SelectTexture(skinTexture);
    for (BikeMeshIndex i : kSkinnedMeshes) SetGroupTexture(*set.meshes[i], 0, skinTexture);
    set.meshes[kBikeHandlebar]->Render(eye, &parts.handlebar, 1, nullptr);
    if (set.meshesLoaded) {
        set.meshes[kBikeFrontFork]->Render(eye, &parts.frontFork, 1, nullptr);
        const uint32_t body = block.bodyModel >= 0 && block.bodyModel <= 2 ? static_cast<uint32_t>(block.bodyModel) : 0;
        set.meshes[body]->Render(eye, &parts.body, 1, nullptr);
        set.meshes[kBikeRearFork]->Render(eye, &parts.rearFork, 1, nullptr);
    }
    Mesh& wheel = *set.meshes[kBikeWheel];
    SetGroupTexture(wheel, 1, skinTexture);
    SetGroupTexture(wheel, 0, set.frontWheelTexture);
    wheel.Render(eye, &parts.frontWheel, 1, nullptr);
    if (set.meshesLoaded) {
        SetGroupTexture(wheel, 0, set.rearWheelTexture);
        wheel.Render(eye, &parts.rearWheel, 1, nullptr);
    }
    if (label && renderer) DrawBikeLabel(set, block, renderer, label);
    return 0;
}

int32_t TouchBikeMeshes(const BikeModelSet& set) {
    volatile uint32_t sum = 0;
    for (const auto& mesh : set.meshes)
        if (mesh) sum = sum + mesh->vertexCount + mesh->faceCount;
    return 0;
}

}  // namespace kes
