#pragma once
// The transform of a scene object: position, three angles, a uniform scale and an optional local
// matrix, turned into a world matrix by Update (after the parent node's, when there is one).
#include <cstdint>

#include "game/core/maths/MathTypes.h"

namespace kes {

class SceneNode;

struct SceneNodeLink {
    SceneNode* child;
    SceneNodeLink* next;
};

class SceneNode {
public:
    SceneNode();
    virtual ~SceneNode();
    SceneNode(const SceneNode&) = delete;
    SceneNode& operator=(const SceneNode&) = delete;

    // Rebuilds the world matrix; 1.
    virtual int Update();
    void SetPosition(float x, float y, float z);
    void SetMatrix(const Matrix4& local);
    int AddChild(SceneNode* child);
    // Takes the node out of its parent's children and lets its own children go, so that no node keeps
    // a pointer to a destroyed one. 1.
    int Release();

    uint32_t childCount = 0;
    uint32_t frozen = 0;
    uint32_t hasParent = 0;
    uint32_t hasChildren = 0;
    SceneNode* parent = nullptr;
    SceneNodeLink* children = nullptr;
    Matrix4 world;
    Matrix4 local;
    Vec3 worldPosition{0, 0, 0};
    float posZ = 0, posY = 0, posX = 0;
    float scale = 1.0f;
    float angleA = 0, angleB = 0, angleC = 0;
    uint32_t rotateFlag = 0;
    uint32_t translateFlag = 0;
    uint32_t scaleFlag = 0;
    uint32_t localFlag = 0;
};

}  // namespace kes
