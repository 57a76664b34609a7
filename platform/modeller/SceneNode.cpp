#include "platform/modeller/SceneNode.h"

#include <algorithm>

namespace plat {
namespace {

ScenePoint Lerp(ScenePoint a, ScenePoint b, float s) { return a + (b - a) * s; }
SceneQuat Lerp(SceneQuat a, SceneQuat b, float s) { return Slerp(a, b, s); }

// Interpolates linearly between the keys around t; holds the end values outside them.
template <typename T>
T Sample(const std::vector<SceneKey<T>>& keys, SceneTime t, T fallback) {
    if (keys.empty()) return fallback;
    if (t <= keys.front().time) return keys.front().value;
    if (t >= keys.back().time) return keys.back().value;
    auto after = std::upper_bound(keys.begin(), keys.end(), t,
                                  [](SceneTime time, const SceneKey<T>& k) { return time < k.time; });
    auto before = after - 1;
    const float span = static_cast<float>(after->time - before->time);
    const float s = span > 0.0f ? static_cast<float>(t - before->time) / span : 0.0f;
    return Lerp(before->value, after->value, s);
}

}  // namespace

SceneNode* SceneNode::GetChildNode(int i) const {
    if (i < 0 || i >= NumberOfChildren()) return nullptr;
    return children[static_cast<size_t>(i)];
}

const SceneMesh* SceneNode::EvalMesh(SceneTime t) const {
    if (meshKeys.empty()) return nullptr;
    const MeshKey* chosen = &meshKeys.front();
    for (const MeshKey& k : meshKeys)
        if (k.time <= t) chosen = &k;
    return &chosen->mesh;
}

bool SceneNode::CanConvertToTriObject(SceneTime t) const {
    const SceneMesh* mesh = EvalMesh(t);
    return mesh && !mesh->faces.empty() && mesh->IsValid();
}

SceneMatrix SceneNode::LocalTmAt(SceneTime t) const {
    if (track.Empty()) return localTm;
    return SceneMatrix::Compose(Sample(track.scale, t, ScenePoint{1, 1, 1}),
                                Sample(track.rotation, t, SceneQuat{}),
                                Sample(track.position, t, ScenePoint{}));
}

SceneMatrix SceneNode::GetObjectTM(SceneTime t) const {
    SceneMatrix tm = LocalTmAt(t);
    for (const SceneNode* p = parent; p; p = p->parent) tm = tm * p->LocalTmAt(t);
    if (sceneBase) tm = tm * *sceneBase;
    return tm;
}

}  // namespace plat
