#pragma once
// The modeller's scene and the services the export logic asks of the modeller: the selection, the
// current time, prompts and message boxes.
#include <memory>
#include <string>
#include <vector>

#include "platform/modeller/SceneNode.h"

namespace plat {

// Where the modeller shows its messages: a temporary prompt on the status line, or a message box.
class ModellerUi {
public:
    virtual ~ModellerUi() = default;
    virtual void PushPrompt(const std::string& text, int milliseconds) = 0;
    virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
};

class ModellerScene {
public:
    ModellerScene();
    ModellerScene(const ModellerScene&) = delete;
    ModellerScene& operator=(const ModellerScene&) = delete;

    SceneNode* Root() { return root_; }
    // Adds a node below parent (the root when null).
    SceneNode* AddNode(const std::string& name, SceneNode* parent = nullptr);
    // Every node but the root, parents before children.
    std::vector<SceneNode*> AllNodes() const;
    // The first node with this exact name, or null.
    SceneNode* FindNode(const std::string& name) const;

    void ClearSelection() { selection_.clear(); }
    void Select(SceneNode* node) { selection_.push_back(node); }
    // Selects every node that carries geometry at the current time, in hierarchy order.
    void SelectAllGeometry();
    int GetSelNodeCount() const { return static_cast<int>(selection_.size()); }
    SceneNode* GetSelNode(int i) const;

    SceneTime GetTime() const { return time_; }
    void SetTime(SceneTime t, bool /*redraw*/ = true) { time_ = t; }
    int GetTicksPerFrame() const { return ticksPerFrame_; }
    void SetFrameRate(int framesPerSecond);

    // Transform applied above the root: the files' axes turned into the modeller's (z up).
    void SetBaseTransform(const SceneMatrix& m) { base_ = m; }
    const SceneMatrix& BaseTransform() const { return base_; }

private:
    std::vector<std::unique_ptr<SceneNode>> nodes_;
    SceneNode* root_;
    std::vector<SceneNode*> selection_;
    SceneTime time_ = 0;
    int ticksPerFrame_ = kTicksPerSecond / 30;
    SceneMatrix base_;
};

}  // namespace plat
