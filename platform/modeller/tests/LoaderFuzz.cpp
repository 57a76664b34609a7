// Feeds arbitrary bytes to the model-file loader. The first byte picks the format ('o' obj, 'g' gltf,
// 'a' ase, '3' 3ds, 'f' fbx, 'b' glb); the loaded scene is then walked as the exporter walks it.
#include <cstddef>
#include <cstdint>

#include "platform/modeller/AssimpSceneLoader.h"

// The import library leaks a little on some damaged files; those leaks are its own and not ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libassimp\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const char* hint = "obj";
    switch (data[0]) {
        case 'g': hint = "gltf"; break;
        case 'a': hint = "ase"; break;
        case '3': hint = "3ds"; break;
        case 'f': hint = "fbx"; break;
        case 'b': hint = "glb"; break;
        default: break;
    }
    plat::ModellerScene scene;
    if (!plat::LoadModellerSceneFromMemory(data + 1, size - 1, hint, scene).ok) return 0;
    for (plat::SceneNode* node : scene.AllNodes()) {
        (void)node->GetObjectTM(0);
        if (node->CanConvertToTriObject(0)) {
            plat::SceneMesh mesh = *node->EvalMesh(0);
            mesh.DeleteIsoVerts();
            mesh.BuildNormals();
        }
    }
    return 0;
}
