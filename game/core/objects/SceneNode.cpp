// Scene-node transforms: translation, local matrix, the three rotations and the scale, applied in
// that order after the parent's world matrix.
#include "game/core/objects/SceneNode.h"

#include "game/core/maths/FastMath.h"
#include "game/core/maths/MatMath.h"

// MatMultiply(a, b) is b x a: "world = T x world" is MatMultiply(world, T).

namespace kes {

SceneNode::SceneNode() {
    MatIdentity(&world);
    MatIdentity(&local);
}

SceneNode::~SceneNode() {
    Release();
}

void SceneNode::SetPosition(float x, float y, float z) {
    posX = x;
    posY = y;
    posZ = z;
    translateFlag = 1;
}

void SceneNode::SetMatrix(const Matrix4& m) {
    local = m;
    localFlag = 1;
}

int SceneNode::AddChild(SceneNode* child) {
    auto* link = new SceneNodeLink{child, nullptr};
    SceneNodeLink** tail = &children;
    while (*tail) tail = &(*tail)->next;
    *tail = link;
    hasChildren = 1;
    child->hasParent = 1;
    child->parent = this;
    ++childCount;
    return 1;
}

int SceneNode::Release() {
    if (parent) {
        for (SceneNodeLink** at = &parent->children; *at; at = &(*at)->next) {
            if ((*at)->child == this) {
                SceneNodeLink* gone = *at;
                *at = gone->next;
                delete gone;
                --parent->childCount;
                break;
            }
        }
        parent->hasChildren = parent->children ? 1u : 0u;
        parent = nullptr;
        hasParent = 0;
    }
    while (children) {
        SceneNodeLink* link = children;
        children = link->next;
        link->child->parent = nullptr;
        link->child->hasParent = 0;
        delete link;
    }
    childCount = 0;
    hasChildren = 0;
    return 1;
}

int SceneNode::Update() {
    if (hasParent && parent) world = parent->world;
    else MatIdentity(&world);
    if (!frozen) {
        Matrix4 tmp;
        if (translateFlag) {
            Matrix4 t;
            MatTranslation(&t, posX, posY, posZ);
            MatMultiply(&world, &t, &tmp);
            world = tmp;
        }
        if (localFlag) {
            MatMultiply(&world, &local, &tmp);
            world = tmp;
        }
        if (rotateFlag) {
            float* m = world.m;
            const float ca = FastCos(angleA), sa = FastSin(angleA);
            const float cb = FastCos(angleB), sb = FastSin(angleB);
            const float cc = FastCos(angleC), sc = FastSin(angleC);
            float t1[3], t2[3], t3[3];
            for (int i = 0; i < 3; ++i) {
                t1[i] = ca * m[i] + sa * m[4 + i];
                t2[i] = ca * m[4 + i] - sa * m[i];
            }
            for (int i = 0; i < 3; ++i) {
                m[4 + i] = cc * t2[i] + sc * m[8 + i];
                t3[i] = cc * m[8 + i] - sc * t2[i];
            }
            for (int i = 0; i < 3; ++i) {
                m[i] = cb * t1[i] - sb * t3[i];
                m[8 + i] = cb * t3[i] + sb * t1[i];
            }
        }
        if (scaleFlag) {
            Matrix4 s;
            MatIdentity(&s);
            s.m[0] = s.m[5] = s.m[10] = scale;
            MatMultiply(&world, &s, &tmp);
            world = tmp;
        }
    }
    worldPosition = {world.m[12], world.m[13], world.m[14]};
    return 1;
}

}  // namespace kes
