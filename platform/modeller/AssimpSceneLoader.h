#pragma once
// Fills a modeller scene from a model file (.3ds, .ase, .obj, .gltf, .glb, .fbx, ...) through Assimp.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/modeller/ModellerScene.h"

namespace plat {

struct SceneLoadResult {
    bool ok = false;
    std::string error;                  // why the file could not be read
    std::vector<std::string> warnings;  // what was read but cannot be used as the file means it
};

// Reads the file at path into scene (which must be fresh). Files are taken as y-up, the convention of
// the import library (it turns the z-up formats into y-up itself), and turned z-up like the modeller.
SceneLoadResult LoadModellerScene(const std::string& path, ModellerScene& scene);
// The same from bytes in memory; hint is the file extension without the dot ("obj", "gltf", ...).
SceneLoadResult LoadModellerSceneFromMemory(const uint8_t* data, size_t size, const std::string& hint,
                                            ModellerScene& scene);

}  // namespace plat
