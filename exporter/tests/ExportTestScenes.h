#pragma once
// Small scenes built directly in the modeller layer, and a recording of the exporter's messages.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/modeller/ModellerScene.h"

namespace quelm::test {

struct RecordingUi : plat::ModellerUi {
    std::vector<std::string> prompts;
    std::vector<std::pair<std::string, std::string>> boxes;  // text, caption
    void PushPrompt(const std::string& text, int) override { prompts.push_back(text); }
    void MessageBox(const std::string& text, const std::string& caption) override { boxes.push_back({text, caption}); }
    bool Prompted(const std::string& text) const {
        for (const auto& p : prompts)
            if (p == text) return true;
        return false;
    }
};

inline std::shared_ptr<plat::SceneMaterial> StandardMaterial(const std::string& name, plat::SceneColor colour,
                                                             const std::string& diffuseFile = {}) {
    auto m = std::make_shared<plat::SceneMaterial>();
    m->name = name;
    m->diffuse = colour;
    if (!diffuseFile.empty()) m->maps[plat::kMapDiffuse] = std::make_shared<plat::SceneTexmap>(plat::SceneTexmap{plat::kBitmapMapClassId, diffuseFile});
    return m;
}

inline std::shared_ptr<plat::SceneMaterial> MultiMaterial(std::vector<std::shared_ptr<plat::SceneMaterial>> subs) {
    auto m = std::make_shared<plat::SceneMaterial>();
    m->name = "Multi";
    m->classId = plat::kMultiMaterialClassId;
    m->subMaterials = std::move(subs);
    return m;
}

// The triangle (0,0,0), (1,0,0), (0,1,0) with texture vertices (0,0), (1,0), (0,1).
inline plat::SceneMesh UnitTriangle() {
    plat::SceneMesh m;
    m.verts = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    m.faces = {plat::SceneFace{{0, 1, 2}, 0, 1}};
    m.tverts = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    m.tvFaces = {{0, 1, 2}};
    return m;
}

// The square (0,0)-(1,1) as two faces (0,1,2) and (0,2,3), texture vertices matching the corners.
inline plat::SceneMesh UnitSquare(uint16_t secondFaceMaterial = 0) {
    plat::SceneMesh m;
    m.verts = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    m.faces = {plat::SceneFace{{0, 1, 2}, 0, 1}, plat::SceneFace{{0, 2, 3}, secondFaceMaterial, 1}};
    m.tverts = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    m.tvFaces = {{0, 1, 2}, {0, 2, 3}};
    return m;
}

inline plat::SceneNode* AddMeshNode(plat::ModellerScene& scene, const std::string& name, plat::SceneMesh mesh,
                                    std::shared_ptr<plat::SceneMaterial> material, plat::SceneNode* parent = nullptr) {
    plat::SceneNode* node = scene.AddNode(name, parent);
    node->meshKeys.push_back({0, std::move(mesh)});
    node->material = std::move(material);
    return node;
}

}  // namespace quelm::test
