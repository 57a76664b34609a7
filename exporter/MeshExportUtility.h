#pragma once
// The exporter: gathers the selected nodes of the modeller's scene, turns each into split vertices,
// faces and material records, and writes them as one JMESH5 or JMESH4 file.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "exporter/ExportFrame.h"
#include "platform/modeller/ModellerScene.h"

namespace quelm {

class MeshExportUtility {
public:
    MeshExportUtility(plat::ModellerScene& scene, plat::ModellerUi& ui) : scene_(scene), ui_(ui) {}

    // Settings of the panel.
    float scale = 1.0f;
    int32_t handedness = 1;
    int32_t startFrame = 0;
    int32_t endFrame = 0;
    // Told after each node is collected: steps done and steps in all (nodes x frames).
    std::function<void(int64_t done, int64_t total)> progress;

    // Each export shows its own messages and returns true only when the file was written. The path
    // stands for the save dialog's choice; an empty path is a cancelled dialog.
    bool ExportJM4(const std::string& path);
    bool ExportJM5(const std::string& path);

    // Steps of an export, open for tests.
    bool CollectSelection(plat::SceneTime t);
    bool CollectExportMesh(plat::SceneNode& node, plat::SceneTime t, ExportFrame& frame);
    const std::vector<plat::SceneNode*>& Nodes() const { return nodes_; }

private:
    enum class Gathered { kOk, kLeftOut, kFailed };
    Gathered Gather(plat::SceneNode& node, plat::SceneTime t, bool throughGroup);
    void FillMaterial(plat::SceneMaterial* material, int index, plat::SceneTime t, MeshMaterial& out);
    bool Finish(std::vector<ExportFrame>& frames, const std::string& path, bool animated);
    void Prompt(const std::string& text) { ui_.PushPrompt(text, 2000); }
    void Report(int64_t done, int64_t total) {
        if (progress) progress(done, total);
    }

    plat::ModellerScene& scene_;
    plat::ModellerUi& ui_;
    std::vector<plat::SceneNode*> nodes_;
};

// The name a material record gives a bitmap: the file name without its folder, cut at its first
// dot, with ".BMP" appended when there was a dot, at most 31 characters.
std::string BitmapRecordName(const std::string& fileName);
// One colour channel of 0..1 as a byte; values outside are held at the ends.
uint32_t ColourChannelByte(float channel);

}  // namespace quelm
