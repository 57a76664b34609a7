#include "tools/contentgen/AssetFamilies.h"
#include "tools/contentgen/bike/BikeMeshes.h"
#include "tools/contentgen/bike/BikeTextures.h"

namespace tools {

bool AddBikes(PackContent& pack, std::string* error) {
    auto meshes = bike::BikeMeshFiles(error);
    if (meshes.empty()) return false;
    for (auto& [name, bytes] : meshes)
        if (!pack.Add(name, std::move(bytes), error)) return false;
    for (auto& [name, bytes] : bike::BikeTextureFiles(error))
        if (!pack.Add(name, std::move(bytes), error, false)) return false;
    return true;
}

}  // namespace tools
