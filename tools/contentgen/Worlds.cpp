// The track pack's worlds: the menu world "_select.wld" and the race worlds, each made through the
// editor's plug-ins (see worlds/WorldBuilder.h).
#include "tools/contentgen/AssetFamilies.h"
#include "tools/contentgen/worlds/WorldBuilder.h"

namespace tools {

bool AddWorlds(PackContent& pack, std::string* error) {
    for (const worlds::WorldRecipe& recipe : worlds::DefaultWorlds()) {
        std::vector<uint8_t> bytes = worlds::BuildWorld(recipe, error);
        if (bytes.empty()) return false;
        if (!pack.Add(recipe.fileName, std::move(bytes), error)) return false;
    }
    return true;
}

}  // namespace tools
