#include "platform/modeller/SceneMaterial.h"

namespace plat {

SceneMaterial* SceneMaterial::GetSubMtl(int n) const {
    if (n < 0 || n >= NumSubMtls()) return nullptr;
    return subMaterials[static_cast<size_t>(n)].get();
}

const SceneTexmap* SceneMaterial::GetSubTexmap(int slot) const {
    if (slot < 0 || slot >= kMapSlotCount) return nullptr;
    return maps[static_cast<size_t>(slot)].get();
}

}  // namespace plat
