#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <set>
#include <unordered_map>
#include <vector>

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

// The frame-0 position as a hash key: the three coordinates' bits, with -0 taken as 0 so that
// equal positions give equal keys. Positions with a NaN equal nothing and have no key.
struct PositionKey {
    uint32_t bits[3];
    bool operator==(const PositionKey& o) const {
        return bits[0] == o.bits[0] && bits[1] == o.bits[1] && bits[2] == o.bits[2];
    }
};

struct PositionHash {
    size_t operator()(const PositionKey& k) const {
        uint64_t h = 1469598103934665603ull;
        for (uint32_t b : k.bits) h = (h ^ b) * 1099511628211ull;
        return static_cast<size_t>(h ^ (h >> 29));
    }
};

bool KeyOf(const SourceVertex& v, PositionKey* key) {
    const float c[3] = {v.x, v.y, v.z};
    for (int a = 0; a < 3; ++a) {
        if (std::isnan(c[a])) return false;
        const float plain = c[a] == 0.0f ? 0.0f : c[a];
        std::memcpy(&key->bits[a], &plain, 4);
    }
    return true;
}

// A face's place in the collapse order: by cost, then by a label that keeps ties in order.
struct OrderKey {
    float cost;
    int64_t label;
    uint32_t face;
    bool operator<(const OrderKey& o) const { return cost < o.cost || (cost == o.cost && label < o.label); }
};

// The cost of each face's collapse, in order, after counts[i] collapses for every i (counts
// ascending, each below the face count). The faces are taken cheapest first; a collapse moves the
// ends of the face's shortest edge to its middle and prices again the faces that share them.
//
// Ties keep the order of a stable sort of the remaining faces after every collapse: a face whose
// cost did not change keeps its place among equal costs, one whose cost rose goes before the faces
// already at its new cost, one whose cost fell after them, each in the order they stood before.
// The order is a set of (cost, label) keys, so a collapse costs a logarithm per face it touches.
std::vector<float> CollapseCosts(const Mesh& m, const std::vector<uint32_t>& counts) {
    std::vector<SourceVertex> pos(m.frames.begin(), m.frames.begin() + m.vertexCount);
    const std::vector<uint32_t> f = AbsoluteFaces(m);
    const uint32_t faceCount = m.faceCount;
    // The faces of each vertex.
    std::vector<uint32_t> first(static_cast<size_t>(m.vertexCount) + 1, 0), around(f.size());
    for (uint32_t i : f) ++first[i + 1];
    for (size_t i = 1; i < first.size(); ++i) first[i] += first[i - 1];
    {
        std::vector<uint32_t> fill(first.begin(), first.end() - 1);
        for (size_t k = 0; k < f.size(); ++k) around[fill[f[k]]++] = static_cast<uint32_t>(k / 3);
    }
    auto cost = [&](uint32_t face) {
        const SourceVertex &a = pos[f[face * 3]], &b = pos[f[face * 3 + 1]], &c = pos[f[face * 3 + 2]];
        const float d = std::min({Distance(a, b), Distance(b, c), Distance(c, a)}) / kCostScale;
        return std::isnan(d) ? INFINITY : d;  // an order needs comparable costs
    };
    std::set<OrderKey> order;
    std::vector<OrderKey> key(faceCount);
    for (uint32_t k = 0; k < faceCount; ++k) order.insert(key[k] = {cost(k), k, k});
    std::vector<bool> done(faceCount, false);
    std::vector<uint32_t> seen(faceCount, UINT32_MAX);
    std::vector<uint32_t> touched, rising, falling;
    std::vector<float> out;
    size_t next = 0;
    for (uint32_t step = 0; next < counts.size(); ++step) {
        while (next < counts.size() && counts[next] == step) out.push_back(order.begin()->cost), ++next;
        if (next == counts.size() || order.empty()) break;
        const uint32_t face = order.begin()->face;
        order.erase(order.begin());
        done[face] = true;
        const uint32_t v[3] = {f[face * 3], f[face * 3 + 1], f[face * 3 + 2]};
        int e0, e1;
        ShortestEdge(Distance(pos[v[0]], pos[v[1]]), Distance(pos[v[1]], pos[v[2]]), Distance(pos[v[2]], pos[v[0]]),
                     &e0, &e1);
        const uint32_t p = v[e0], q = v[e1];
        const float mx = 0.5f * (pos[p].x + pos[q].x), my = 0.5f * (pos[p].y + pos[q].y),
                    mz = 0.5f * (pos[p].z + pos[q].z);
        pos[p].x = pos[q].x = mx;
        pos[p].y = pos[q].y = my;
        pos[p].z = pos[q].z = mz;
        touched.clear();
        for (uint32_t end : {p, q})
            for (uint32_t i = first[end]; i < first[end + 1]; ++i) {
                const uint32_t other = around[i];
                if (done[other] || seen[other] == step) continue;
                seen[other] = step;
                touched.push_back(other);
            }
        std::sort(touched.begin(), touched.end(), [&](uint32_t a, uint32_t b) { return key[a] < key[b]; });
        rising.clear();
        falling.clear();
        std::vector<float> costs(touched.size());
        for (size_t i = 0; i < touched.size(); ++i) {
            costs[i] = cost(touched[i]);
            if (costs[i] == key[touched[i]].cost) continue;
            order.erase(key[touched[i]]);
            (costs[i] > key[touched[i]].cost ? rising : falling).push_back(static_cast<uint32_t>(i));
        }
        for (auto it = rising.rbegin(); it != rising.rend(); ++it) {
            const uint32_t t = touched[*it];
            const auto at = order.lower_bound({costs[*it], INT64_MIN, 0});
            const int64_t label = at != order.end() && at->cost == costs[*it] ? at->label - 1 : 0;
            order.insert(key[t] = {costs[*it], label, t});
        }
        for (uint32_t i : falling) {
            const uint32_t t = touched[i];
            const auto at = order.lower_bound({costs[i], INT64_MAX, 0});
            const int64_t label =
                at != order.begin() && std::prev(at)->cost == costs[i] ? std::prev(at)->label + 1 : 0;
            order.insert(key[t] = {costs[i], label, t});
        }
    }
    return out;
}

}  // namespace

float Mesh::CollapseDistance(float fraction) const {
    const uint32_t n = static_cast<uint32_t>(static_cast<float>(faceCount) * fraction);
    if (faceCount == 0 || n >= faceCount) return 0.0f;
    return CollapseCosts(*this, {n}).front();
}

// Collapses, from the last face to the first, every face with an edge shorter than the limit in
// frame 0: the edge's ends meet at its middle in every frame, and so does every other vertex that
// stood on either end in frame 0. Vertices no face uses any more are dropped. Vertices are found
// by position through a hash of frame-0 positions and dropped at the end, so a collapse costs in
// proportion to the vertices it moves.
Mesh* Mesh::BuildLevel(float distance) const {
    const std::vector<uint32_t> f = AbsoluteFaces(*this);
    std::vector<MeshGroup> grp = groups;
    std::vector<uint32_t> faceGroup, vertexGroup;
    for (uint32_t g = 0; g < grp.size(); ++g) {
        faceGroup.insert(faceGroup.end(), grp[g].faceCount, g);
        vertexGroup.insert(vertexGroup.end(), grp[g].vertexCount, g);
    }
    const uint32_t v = vertexCount;
    // Frames side by side: frame k's vertex i at [k][i].
    std::vector<std::vector<SourceVertex>> fr(frameCount);
    for (uint32_t k = 0; k < frameCount; ++k)
        fr[k].assign(frames.begin() + static_cast<size_t>(k) * v, frames.begin() + static_cast<size_t>(k + 1) * v);
    std::vector<bool> faceKept(faceCount, true), vertexKept(v, true);
    std::vector<uint32_t> uses(v, 0);
    for (uint32_t i : f) ++uses[i];
    std::unordered_map<PositionKey, std::vector<uint32_t>, PositionHash> at;
    PositionKey key;
    for (uint32_t w = 0; w < v; ++w)
        if (KeyOf(fr[0][w], &key)) at[key].push_back(w);
    const float limit = kCostScale * distance;
    std::vector<uint32_t> moved;
    for (size_t face = faceCount; face-- > 0;) {
        const uint32_t c[3] = {f[face * 3], f[face * 3 + 1], f[face * 3 + 2]};
        if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) continue;
        const std::vector<SourceVertex>& p0 = fr[0];
        int e = -1;
        for (int k = 0; k < 3 && e < 0; ++k)
            if (Distance(p0[c[k]], p0[c[(k + 1) % 3]]) < limit) e = k;
        if (e < 0) continue;
        const uint32_t p = c[e], q = c[(e + 1) % 3];
        faceKept[face] = false;
        --grp[faceGroup[face]].faceCount;
        for (uint32_t corner : c) --uses[corner];
        // Everything standing on either end leaves its place...
        moved.clear();
        for (const SourceVertex* old : {&p0[p], &p0[q]}) {
            if (!KeyOf(*old, &key)) continue;
            auto found = at.find(key);
            if (found == at.end()) continue;
            moved.insert(moved.end(), found->second.begin(), found->second.end());
            at.erase(found);
        }
        // ...and takes the middle of the edge in every frame.
        for (auto& frame : fr) {
            const float mx = 0.5f * (frame[p].x + frame[q].x), my = 0.5f * (frame[p].y + frame[q].y),
                        mz = 0.5f * (frame[p].z + frame[q].z);
            frame[p].x = frame[q].x = mx;
            frame[p].y = frame[q].y = my;
            frame[p].z = frame[q].z = mz;
            for (uint32_t w : moved) frame[w].x = mx, frame[w].y = my, frame[w].z = mz;
        }
        std::vector<uint32_t>* here = nullptr;
        if (KeyOf(fr[0][p], &key)) {
            here = &at[key];
            here->insert(here->end(), moved.begin(), moved.end());
        }
        // End vertices no face uses any more leave the mesh.
        for (uint32_t end : {p, q}) {
            if (uses[end] != 0 || !vertexKept[end]) continue;
            vertexKept[end] = false;
            --grp[vertexGroup[end]].vertexCount;
            if (here) here->erase(std::find(here->begin(), here->end(), end));
        }
        if (here && here->empty()) at.erase(key);
    }
    // Number the kept vertices in order; groups stay contiguous, so indices stay group-relative.
    std::vector<uint32_t> index(v, 0);
    uint32_t kept = 0;
    for (uint32_t w = 0; w < v; ++w)
        if (vertexKept[w]) index[w] = kept++;
    auto* level = new Mesh(renderer);
    level->groups = grp;
    level->vertexCount = kept;
    level->materialCount = materialCount;
    level->frameCount = frameCount;
    level->materialTextures = materialTextures;
    level->frames.reserve(static_cast<size_t>(frameCount + 1) * kept);
    for (auto& frame : fr)
        for (uint32_t w = 0; w < v; ++w)
            if (vertexKept[w]) level->frames.push_back(frame[w]);
    level->frames.resize(static_cast<size_t>(frameCount + 1) * kept);
    uint32_t base = 0, g = 0, inGroup = 0;
    for (uint32_t face = 0; face < faceCount; ++face) {
        if (!faceKept[face]) continue;
        while (g < grp.size() && inGroup == grp[g].faceCount) base += grp[g].vertexCount, ++g, inGroup = 0;
        ++inGroup;
        for (int c = 0; c < 3; ++c) level->faces.push_back(static_cast<uint16_t>(index[f[face * 3 + c]] - base));
        level->faceMaterials.push_back(faceMaterials[face]);
        level->faceNormals.push_back(faceNormals[face]);
    }
    level->faceCount = static_cast<uint32_t>(level->faceMaterials.size());
    level->screen.assign(kept, ScreenVertex{});
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
    // The collapse order is the same for every level: one pass gives each level's distance.
    std::vector<uint32_t> counts;
    for (uint32_t i = 0; i < kMeshMaxLevels; ++i) {
        const float f = faceCount < 10 ? static_cast<float>(i) / static_cast<float>(faceCount)
                                       : static_cast<float>(i + 1) / 10.0f;
        if (f >= 1.0f) break;
        counts.push_back(std::min(static_cast<uint32_t>(static_cast<float>(faceCount) * f), faceCount));
    }
    std::vector<uint32_t> below;
    for (uint32_t n : counts)
        if (n < faceCount) below.push_back(n);
    const std::vector<float> costs = CollapseCosts(*this, below);
    for (uint32_t i = 0; i < counts.size(); ++i) {
        const float d = counts[i] < faceCount ? costs[i] : 0.0f;
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
