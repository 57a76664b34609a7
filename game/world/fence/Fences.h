#pragma once
// The "FENC" chunk: fences standing on the landscape along curved lines, each cut into textured
// panels of one height that follow the ground. Fences are drawn from both sides and block bikes and
// riders; a panel of a breakable material hit hard enough breaks, takes its broken material and
// plays the material's sound.
#include <cstdint>
#include <string>
#include <vector>

#include "game/core/render/RenderInterface.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/ContactSubject.h"
#include "game/world/chunk/WorldView.h"
#include "game/world/path/MotionPath.h"

namespace kes {

constexpr uint32_t kFenceVersionOld = 1000;  // materials without sound names
constexpr uint32_t kFenceVersion = 1002;
constexpr uint32_t kFenceMaterialBytes = 272;

struct FenceMaterial {
    uint32_t breakable = 0;
    float breakThreshold = 0;  // breakable panels: 0 takes no contacts at all
    int32_t brokenMaterial = 0;  // 0-based material once broken
    char name[256] = {};
    std::string soundName = "None";
};

struct FenceLine {
    PointList curve;
    float height = 0;
    std::vector<uint32_t> materials;  // per panel: 0 not drawn, k = material k - 1
};

// Ground point A, ground point B, top A, top B.
struct FencePanel {
    SourceVertex v[4];
};

struct FenceGroup {
    std::vector<FencePanel> panels;
    float minX = 0, minY = 0, maxX = 0, maxY = 0;
    std::vector<Vec3> normals;
    std::vector<float> offsets;       // normal . ground point A
    std::vector<uint32_t> materials;  // as the line's, changed when a panel breaks
    std::vector<uint32_t> broken;
    float height = 0;
};

// 0; the negative result of a texture the interface could not read; -1 for a damaged chunk or a
// version other than 1000 and 1002 (the world then has no fences).
int32_t LoadFenceChunk(ChunkStream& stream, uint32_t size, RenderInterface* render);
// Cuts the lines into panels standing on the loaded landscape (on z = 0 without one) and groups
// them by direction. Lines of fewer than 4 points or without panels give none.
void BuildFences();
void DrawFences(const WorldView& view, RenderInterface* render);
// Tests the object's spheres against the panels; 1 when any contact was reported.
int32_t CollideFences(const RacerContactSubject& object);
void FreeFences();

const std::vector<FenceGroup>& FenceGroups();
const std::vector<FenceMaterial>& FenceMaterials();

}  // namespace kes
