#include "game/world/models/tests/GeneratedModels.h"

#include <filesystem>
#include <unistd.h>

#include "game/core/datapack/DataPack.h"
#include "tools/contentgen/AssetFamilies.h"
#include "tools/contentgen/ContentGen.h"

namespace kes::test {

namespace {

std::string PackPath() {
    return (std::filesystem::temp_directory_path() / ("generated_models_" + std::to_string(::getpid()) + ".dat")).string();
}

}  // namespace

bool OpenGeneratedModelsPack(std::string* error) {
    const tools::PackRecipe recipe{"models", {{"bikes", tools::AddBikes}, {"rider", tools::AddRider},
                                              {"front end", tools::AddFrontEnd}}};
    std::vector<uint8_t> bytes;
    if (!tools::BuildContentPack(recipe, &bytes, error)) return false;
    if (!tools::WriteFileAtomically(PackPath(), bytes, error)) return false;
    if (MakeLoadCache(PackPath().c_str()) != 1) {
        *error = "the generated pack does not open";
        return false;
    }
    return true;
}

void CloseGeneratedModelsPack() {
    FreeLoadCache();
    std::error_code ec;
    std::filesystem::remove(PackPath(), ec);
}

}  // namespace kes::test
