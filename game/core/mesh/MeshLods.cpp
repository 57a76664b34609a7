#include <algorithm>
#include <cmath>

#include "game/core/mesh/Mesh.h"

namespace kes {

namespace {

constexpr float kCostScale = 0.005f;

float Distance(const SourceVertex& a, const SourceVertex& b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Faces with absolute vertex numbers (group base + index).
std::vector<uint32_t> AbsoluteFaces(const Mesh& m) {
    std::vector<uint32_t> out(m.faces.size());
    uint32_t face = 0, base = 0;
    for (const MeshGroup& g : m.groups) {
        for (uint32_t k = 0; k < g.faceCount; ++k, ++face)
            for (int c = 0; c < 3; ++c) out[face * 3 + c] = base + m.faces[face * 3 + c];
        base += g.vertexCount;
    }
    return out;
}

// The shortest edge of a face: the first of a-b, b-c, c-a strictly shorter than the other two,
// otherwise b-c when it is shorter than c-a, else c-a. Returns the edge's two corners (0..2).
void ShortestEdge(float ab, float bc, float ca, int* e0, int* e1) {
    if (ab < bc && ab < ca) *e0 = 0, *e1 = 1;
    else if (bc < ab && bc < ca) *e0 = 1, *e1 = 2;
    else if (ca < ab && ca < bc) *e0 = 2, *e1 = 0;
    else if (bc < ca) *e0 = 1, *e1 = 2;
    else *e0 = 2, *e1 = 0;
}

}  // namespace

float Mesh::CollapseDistance(float fraction) const {
    std::vector<SourceVertex> pos(frames.begin(), frames.begin() + vertexCount);
    const std::vector<uint32_t> f = AbsoluteFaces(*this);
    const uint32_t n = static_cast<uint32_t>(static_cast<float>(faceCount) * fraction);
    if (faceCount == 0 || n >= faceCount) return 0.0f;
    auto cost = [&](uint32_t face) {
        const SourceVertex &a = pos[f[face * 3]], &b = pos[f[face * 3 + 1]], &c = pos[f[face * 3 + 2]];
        return std::min({Distance(a, b), Distance(b, c), Distance(c, a)}) / kCostScale;
    };
    std::vector<std::pair<float, uint32_t>> pairs(faceCount);
    for (uint32_t k = 0; k < faceCount; ++k) pairs[k] = {cost(k), k};
    std::stable_sort(pairs.begin(), pairs.end(), [](auto& a, auto& b) { return a.first < b.first; });
    for (uint32_t k = 0; k < n; ++k) {
        const uint32_t face = pairs[k].second;
        const uint32_t v[3] = {f[face * 3], f[face * 3 + 1], f[face * 3 + 2]};
        int e0, e1;
        ShortestEdge(Distance(pos[v[0]], pos[v[1]]), Distance(pos[v[1]], pos[v[2]]), Distance(pos[v[2]], pos[v[0]]),
                     &e0, &e1);
        const uint32_t p = v[e0], q = v[e1];
        SourceVertex mid = pos[p];
        mid.x = 0.5f * (pos[p].x + pos[q].x);
        mid.y = 0.5f * (pos[p].y + pos[q].y);
        mid.z = 0.5f * (pos[p].z + pos[q].z);
        pos[p].x = pos[q].x = mid.x;
        pos[p].y = pos[q].y = mid.y;
        pos[p].z = pos[q].z = mid.z;
        for (uint32_t j = k + 1; j < faceCount; ++j) {
            const uint32_t other = pairs[j].second;
            for (int c = 0; c < 3; ++c)
                if (f[other * 3 + c] == p || f[other * 3 + c] == q) {
                    pairs[j].first = cost(other);
                    break;
                }
        }
        std::stable_sort(pairs.begin() + k + 1, pairs.end(), [](auto& a, auto& b) { return a.first < b.first; });
    }
    return pairs[n].first;
}

Mesh* Mesh::BuildLevel(float distance) const {
    std::vector<uint32_t> f = AbsoluteFaces(*this);
    std::vector<uint16_t> mats = faceMaterials;
    std::vector<Vec3> normals = faceNormals;
    std::vector<MeshGroup> grp = groups;
    std::vector<uint32_t> faceGroup, vertexGroup;
    for (uint32_t g = 0; g < grp.size(); ++g) {
        faceGroup.insert(faceGroup.end(), grp[g].faceCount, g);
        vertexGroup.insert(vertexGroup.end(), grp[g].vertexCount, g);
    }
    uint32_t v = vertexCount;
    // Frames side by side: frame k's vertex i at [k][i].
    std::vector<std::vector<SourceVertex>> fr(frameCount);
    for (uint32_t k = 0; k < frameCount; ++k)
        fr[k].assign(frames.begin() + static_cast<size_t>(k) * v, frames.begin() + static_cast<size_t>(k + 1) * v);
    const float limit = kCostScale * distance;
    for (size_t face = f.size() / 3; face-- > 0;) {
        if (face * 3 + 2 >= f.size()) continue;
        const uint32_t c[3] = {f[face * 3], f[face * 3 + 1], f[face * 3 + 2]};
        if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) continue;
        const std::vector<SourceVertex>& p0 = fr[0];
        int e = -1;
        for (int k = 0; k < 3 && e < 0; ++k)
            if (Distance(p0[c[k]], p0[c[(k + 1) % 3]]) < limit) e = k;
        if (e < 0) continue;
        const uint32_t p = c[e], q = c[(e + 1) % 3];
        f.erase(f.begin() + static_cast<long>(face) * 3, f.begin() + static_cast<long>(face) * 3 + 3);
        mats.erase(mats.begin() + static_cast<long>(face));
        normals.erase(normals.begin() + static_cast<long>(face));
        --grp[faceGroup[face]].faceCount;
        faceGroup.erase(faceGroup.begin() + static_cast<long>(face));
        const SourceVertex oldP = p0[p], oldQ = p0[q];
        for (auto& frame : fr) {
            const float mx = 0.5f * (frame[p].x + frame[q].x), my = 0.5f * (frame[p].y + frame[q].y),
                        mz = 0.5f * (frame[p].z + frame[q].z);
            frame[p].x = frame[q].x = mx;
            frame[p].y = frame[q].y = my;
            frame[p].z = frame[q].z = mz;
        }
        for (uint32_t w = 0; w < v; ++w) {
            if (w == p || w == q) continue;
            const SourceVertex& at = fr[0][w];
            const bool likeP = at.x == oldP.x && at.y == oldP.y && at.z == oldP.z;
            const bool likeQ = at.x == oldQ.x && at.y == oldQ.y && at.z == oldQ.z;
            if (!likeP && !likeQ) continue;
            const uint32_t from = likeP ? p : q;
            for (auto& frame : fr) frame[w].x = frame[from].x, frame[w].y = frame[from].y, frame[w].z = frame[from].z;
        }
        // End vertices no face uses any more leave every frame; the higher one first.
        for (uint32_t end : {std::max(p, q), std::min(p, q)}) {
            if (std::find(f.begin(), f.end(), end) != f.end()) continue;
            for (auto& frame : fr) frame.erase(frame.begin() + end);
            --grp[vertexGroup[end]].vertexCount;
            vertexGroup.erase(vertexGroup.begin() + end);
            for (uint32_t& i : f)
                if (i > end) --i;
            --v;
        }
    }
    auto* level = new Mesh(renderer);
    level->groups = grp;
    level->vertexCount = v;
    level->faceCount = static_cast<uint32_t>(f.size() / 3);
    level->materialCount = materialCount;
    level->frameCount = frameCount;
    level->faceMaterials = mats;
    level->faceNormals = normals;
    level->materialTextures = materialTextures;
    level->frames.reserve(static_cast<size_t>(frameCount + 1) * v);
    for (auto& frame : fr) level->frames.insert(level->frames.end(), frame.begin(), frame.end());
    level->frames.resize(static_cast<size_t>(frameCount + 1) * v);
    level->faces.resize(f.size());
    uint32_t face = 0, base = 0;
    for (const MeshGroup& g : grp) {
        for (uint32_t k = 0; k < g.faceCount; ++k, ++face)
            for (int c = 0; c < 3; ++c) level->faces[face * 3 + c] = static_cast<uint16_t>(f[face * 3 + c] - base);
        base += g.vertexCount;
    }
    level->screen.assign(v, ScreenVertex{});
    level->current = level->frames.data();
    level->radius = radius;
    std::copy(bounds, bounds + 6, level->bounds);
    std::copy(name, name + 128, level->name);
    return level;
}

void Mesh::BuildLods() {
    for (Mesh* l : levels) delete l;
    levels.clear();
    levelDistances.clear();
    levelCount = 0;
    hasLevels = false;
    // A mesh without faces has nothing to simplify (and its fractions would divide by zero).
    if (faceCount == 0) return;
    for (uint32_t i = 0; i < kMeshMaxLevels; ++i) {
        const float f = faceCount < 10 ? static_cast<float>(i) / static_cast<float>(faceCount)
                                       : static_cast<float>(i + 1) / 10.0f;
        if (f >= 1.0f) break;
        const float d = CollapseDistance(f);
        levelDistances.push_back(d);
        if (d > kMeshLevelLimit) {
            levelDistances.pop_back();
            break;
        }
        levels.push_back(BuildLevel(d));
        ++levelCount;
    }
    levelDistances.push_back(kMeshLevelLimit);
    while (levelCount > 0 && levels[0]->faceCount == faceCount) {
        delete levels[0];
        levels.erase(levels.begin());
        levelDistances.erase(levelDistances.begin());
        --levelCount;
    }
    if (levelCount == 0) {
        levels.clear();
        levelDistances.clear();
        return;
    }
    for (uint32_t i = 1; i < levelCount;) {
        if (levels[i]->faceCount == levels[i - 1]->faceCount) {
            delete levels[i];
            levels.erase(levels.begin() + i);
            levelDistances.erase(levelDistances.begin() + i);
            --levelCount;
        } else {
            ++i;
        }
    }
    hasLevels = true;
}

}  // namespace kes
