#pragma once
// Materials as the modeller holds them: a standard material with colour, switches and bitmap maps,
// or a multi material whose sub-materials are chosen by the faces' material ids.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/modeller/SceneMath.h"

namespace plat {

// Scene time in ticks (4800 a second).
using SceneTime = int32_t;
constexpr SceneTime kTicksPerSecond = 4800;

struct SceneClassId {
    uint32_t a = 0, b = 0;
    bool operator==(const SceneClassId&) const = default;
};
constexpr SceneClassId kStandardMaterialClassId{2, 0};
constexpr SceneClassId kMultiMaterialClassId{0x200, 0};
constexpr SceneClassId kBitmapMapClassId{576, 0};

// A texture map; a bitmap map names an image file.
struct SceneTexmap {
    SceneClassId classId = kBitmapMapClassId;
    std::string fileName;
};

// Map slots of a standard material.
constexpr int kMapAmbient = 0;
constexpr int kMapDiffuse = 1;
constexpr int kMapOpacity = 6;
constexpr int kMapSlotCount = 12;

class SceneMaterial {
public:
    std::string name;
    SceneClassId classId = kStandardMaterialClassId;
    SceneColor diffuse{0.6f, 0.6f, 0.6f};
    bool twoSided = false;
    bool wire = false;
    std::array<std::shared_ptr<SceneTexmap>, kMapSlotCount> maps;
    std::vector<std::shared_ptr<SceneMaterial>> subMaterials;

    int NumSubMtls() const { return static_cast<int>(subMaterials.size()); }
    // The n-th sub-material; null for an empty slot or an index out of range.
    SceneMaterial* GetSubMtl(int n) const;
    const SceneTexmap* GetSubTexmap(int slot) const;
    // Brings animated values up to date for time t (our values do not change over time).
    void Update(SceneTime) {}
    SceneColor GetDiffuse(SceneTime) const { return diffuse; }
    bool GetTwoSided() const { return twoSided; }
    bool GetWire() const { return wire; }
};

}  // namespace plat
