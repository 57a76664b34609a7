#pragma once
// A node of the modeller's scene: a name, a place in the hierarchy, an optional group head, a
// material, a transform that may change over time, and an optional mesh object that may change
// shape over time.
#include <memory>
#include <string>
#include <vector>

#include "platform/modeller/SceneMaterial.h"
#include "platform/modeller/SceneMesh.h"

namespace plat {

template <typename T>
struct SceneKey {
    SceneTime time = 0;
    T value{};
};

// Keys of a node's own transform; with no keys at all the node keeps its fixed local transform.
struct TransformTrack {
    std::vector<SceneKey<ScenePoint>> position;
    std::vector<SceneKey<SceneQuat>> rotation;
    std::vector<SceneKey<ScenePoint>> scale;
    bool Empty() const { return position.empty() && rotation.empty() && scale.empty(); }
};

struct MeshKey {
    SceneTime time = 0;
    SceneMesh mesh;
};

class SceneNode {
public:
    std::string name;
    SceneNode* parent = nullptr;
    std::vector<SceneNode*> children;
    // A closed group is exported through its members; an open group is a plain node.
    bool groupHead = false;
    bool groupOpen = false;
    std::shared_ptr<SceneMaterial> material;
    SceneMatrix localTm;
    TransformTrack track;
    // The object's shape over time; empty when the node carries no geometry (camera, light, helper).
    std::vector<MeshKey> meshKeys;
    // The shape is moved by bones or morph targets, which the mesh keys do not follow: only the
    // rest shape is known.
    bool deformed = false;

    int NumberOfChildren() const { return static_cast<int>(children.size()); }
    SceneNode* GetChildNode(int i) const;
    bool IsGroupHead() const { return groupHead; }
    bool IsOpenGroupHead() const { return groupHead && groupOpen; }
    SceneMaterial* GetMtl() const { return material.get(); }

    // True when the node's object at t is a usable triangle mesh.
    bool CanConvertToTriObject(SceneTime t) const;
    // The mesh at t: the last key at or before t (the first key before it). Null without geometry.
    const SceneMesh* EvalMesh(SceneTime t) const;
    // The node's own transform at t, before its parents'.
    SceneMatrix LocalTmAt(SceneTime t) const;
    // The object's transform to world space at t.
    SceneMatrix GetObjectTM(SceneTime t) const;

    // Set by the scene: the transform above the root (axis conversion of the file).
    const SceneMatrix* sceneBase = nullptr;
};

}  // namespace plat
