#include "tools/contentgen/AssetFamilies.h"
#include "tools/contentgen/rider/RiderMesh.h"
#include "tools/contentgen/rider/RiderTextures.h"

namespace tools {

bool AddRider(PackContent& pack, std::string* error) {
    rider::RiderMeshFiles files;
    if (!rider::MakeRiderMesh(&files, error)) return false;
    // Megabytes of key frames: stored as they are, like the pictures.
    if (!pack.AddStored("RIDER\\Rider.jm5", std::move(files.mesh), error) ||
        !pack.Add("NODE01.dmp", std::move(files.nodeDump), error) ||
        !pack.Add("BONE02.dmp", std::move(files.boneDump), error))
        return false;
    for (auto& [name, bytes] : rider::RiderSkinFiles())
        if (!pack.Add(name, std::move(bytes), error, false)) return false;
    return true;
}

}  // namespace tools
