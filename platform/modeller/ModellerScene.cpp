#include "platform/modeller/ModellerScene.h"

namespace plat {
namespace {

void Walk(SceneNode* node, std::vector<SceneNode*>& out) {
    for (SceneNode* child : node->children) {
        out.push_back(child);
        Walk(child, out);
    }
}

}  // namespace

ModellerScene::ModellerScene() {
    nodes_.push_back(std::make_unique<SceneNode>());
    root_ = nodes_.back().get();
    root_->name = "Scene Root";
    root_->sceneBase = &base_;
}

SceneNode* ModellerScene::AddNode(const std::string& name, SceneNode* parent) {
    if (!parent) parent = root_;
    nodes_.push_back(std::make_unique<SceneNode>());
    SceneNode* node = nodes_.back().get();
    node->name = name;
    node->parent = parent;
    node->sceneBase = &base_;
    parent->children.push_back(node);
    return node;
}

std::vector<SceneNode*> ModellerScene::AllNodes() const {
    std::vector<SceneNode*> out;
    Walk(root_, out);
    return out;
}

SceneNode* ModellerScene::FindNode(const std::string& name) const {
    for (SceneNode* node : AllNodes())
        if (node->name == name) return node;
    return nullptr;
}

void ModellerScene::SelectAllGeometry() {
    selection_.clear();
    for (SceneNode* node : AllNodes())
        if (node->EvalMesh(time_)) selection_.push_back(node);
}

SceneNode* ModellerScene::GetSelNode(int i) const {
    if (i < 0 || i >= GetSelNodeCount()) return nullptr;
    return selection_[static_cast<size_t>(i)];
}

void ModellerScene::SetFrameRate(int framesPerSecond) {
    if (framesPerSecond > 0 && framesPerSecond <= kTicksPerSecond)
        ticksPerFrame_ = kTicksPerSecond / framesPerSecond;
}

}  // namespace plat
