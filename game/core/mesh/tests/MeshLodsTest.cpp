// The detail levels against the plain algorithm they were first built with (re-sorting every
// face after each collapse, scanning every vertex for the ones at an edge's ends): the fast
// builder must give the same levels, ties included, on meshes with many equal edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "game/core/maths/FastMath.h"
#include "game/core/mesh/Mesh.h"
#include "game/core/mesh/tests/MeshBuilder.h"

namespace kes::test {
namespace {

constexpr float kCostScale = 0.005f;  // as in the builder

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


float CollapseDistance(const Mesh& m, float fraction) {
    std::vector<SourceVertex> pos(m.frames.begin(), m.frames.begin() + m.vertexCount);
    const std::vector<uint32_t> f = AbsoluteFaces(m);
    const uint32_t n = static_cast<uint32_t>(static_cast<float>(m.faceCount) * fraction);
    if (m.faceCount == 0 || n >= m.faceCount) return 0.0f;
    auto cost = [&](uint32_t face) {
        const SourceVertex &a = pos[f[face * 3]], &b = pos[f[face * 3 + 1]], &c = pos[f[face * 3 + 2]];
        return std::min({Distance(a, b), Distance(b, c), Distance(c, a)}) / kCostScale;
    };
    std::vector<std::pair<float, uint32_t>> pairs(m.faceCount);
    for (uint32_t k = 0; k < m.faceCount; ++k) pairs[k] = {cost(k), k};
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
        for (uint32_t j = k + 1; j < m.faceCount; ++j) {
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


Mesh* BuildLevel(const Mesh& m, float distance) {
    std::vector<uint32_t> f = AbsoluteFaces(m);
    std::vector<uint16_t> mats = m.faceMaterials;
    std::vector<Vec3> normals = m.faceNormals;
    std::vector<MeshGroup> grp = m.groups;
    std::vector<uint32_t> faceGroup, vertexGroup;
    for (uint32_t g = 0; g < grp.size(); ++g) {
        faceGroup.insert(faceGroup.end(), grp[g].faceCount, g);
        vertexGroup.insert(vertexGroup.end(), grp[g].vertexCount, g);
    }
    uint32_t v = m.vertexCount;
    // Frames side by side: frame k's vertex i at [k][i].
    std::vector<std::vector<SourceVertex>> fr(m.frameCount);
    for (uint32_t k = 0; k < m.frameCount; ++k)
        fr[k].assign(m.frames.begin() + static_cast<size_t>(k) * v, m.frames.begin() + static_cast<size_t>(k + 1) * v);
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
    auto* level = new Mesh(m.renderer);
    level->groups = grp;
    level->vertexCount = v;
    level->faceCount = static_cast<uint32_t>(f.size() / 3);
    level->materialCount = m.materialCount;
    level->frameCount = m.frameCount;
    level->faceMaterials = mats;
    level->faceNormals = normals;
    level->materialTextures = m.materialTextures;
    level->frames.reserve(static_cast<size_t>(m.frameCount + 1) * v);
    for (auto& frame : fr) level->frames.insert(level->frames.end(), frame.begin(), frame.end());
    level->frames.resize(static_cast<size_t>(m.frameCount + 1) * v);
    level->faces.resize(f.size());
    uint32_t face = 0, base = 0;
    for (const MeshGroup& g : grp) {
        for (uint32_t k = 0; k < g.faceCount; ++k, ++face)
            for (int c = 0; c < 3; ++c) level->faces[face * 3 + c] = static_cast<uint16_t>(f[face * 3 + c] - base);
        base += g.vertexCount;
    }
    level->screen.assign(v, ScreenVertex{});
    level->current = level->frames.data();
    level->radius = m.radius;
    std::copy(m.bounds, m.bounds + 6, level->bounds);
    std::copy(m.name, m.name + 128, level->name);
    return level;
}



// BuildLods with the plain algorithm: the levels and their distances.
void ReferenceLods(const Mesh& m, std::vector<Mesh*>& levels, std::vector<float>& levelDistances) {
    uint32_t levelCount = 0;
    for (uint32_t i = 0; i < kMeshMaxLevels; ++i) {
        const float f = m.faceCount < 10 ? static_cast<float>(i) / static_cast<float>(m.faceCount)
                                         : static_cast<float>(i + 1) / 10.0f;
        if (f >= 1.0f) break;
        const float d = CollapseDistance(m, f);
        levelDistances.push_back(d);
        if (d > kMeshLevelLimit) {
            levelDistances.pop_back();
            break;
        }
        levels.push_back(BuildLevel(m, d));
        ++levelCount;
    }
    levelDistances.push_back(kMeshLevelLimit);
    while (levelCount > 0 && levels[0]->faceCount == m.faceCount) {
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
}

const bool kTables = (InitTrigTables(), true);

void ExpectSameMesh(const Mesh& a, const Mesh& b) {
    EXPECT_EQ(a.faceCount, b.faceCount);
    EXPECT_EQ(a.vertexCount, b.vertexCount);
    EXPECT_EQ(a.faces, b.faces);
    EXPECT_EQ(a.faceMaterials, b.faceMaterials);
    ASSERT_EQ(a.groups.size(), b.groups.size());
    for (size_t g = 0; g < a.groups.size(); ++g) {
        EXPECT_EQ(a.groups[g].faceCount, b.groups[g].faceCount) << g;
        EXPECT_EQ(a.groups[g].vertexCount, b.groups[g].vertexCount) << g;
    }
    ASSERT_EQ(a.frames.size(), b.frames.size());
    for (size_t i = 0; i < a.frames.size(); ++i) {
        EXPECT_EQ(a.frames[i].x, b.frames[i].x) << i;
        EXPECT_EQ(a.frames[i].y, b.frames[i].y) << i;
        EXPECT_EQ(a.frames[i].z, b.frames[i].z) << i;
        EXPECT_EQ(a.frames[i].u, b.frames[i].u) << i;
    }
    ASSERT_EQ(a.faceNormals.size(), b.faceNormals.size());
}

// A grid with two materials (split vertices on the border between them share positions), a
// second frame, and heights from a seed: seed 0 leaves it flat, full of equal edges.
MeshSpec TestGrid(uint32_t n, unsigned seed) {
    MeshSpec m = Grid(n, 10.0f);
    m.materialTable.push_back({0x00FF0000, 0});
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> step(0, 4);
    for (SourceVertex& v : m.vertices) v.z = seed ? 0.25f * static_cast<float>(step(random)) : 0.0f;
    // The right half takes material 1 through copies of its vertices, as the exporter splits them.
    const uint32_t half = static_cast<uint32_t>(m.materials.size() / 2);
    std::vector<int> copyOf(m.vertices.size(), -1);
    for (uint32_t k = half; k < m.materials.size(); ++k) {
        m.materials[k] = 1;
        for (int c = 0; c < 3; ++c) {
            uint16_t& i = m.faces[k * 3 + c];
            if (copyOf[i] < 0) {
                copyOf[i] = static_cast<int>(m.vertices.size());
                m.vertices.push_back(m.vertices[i]);
            }
            i = static_cast<uint16_t>(copyOf[i]);
        }
    }
    // Left-half vertices only the right half used stay unused; the loader drops them.
    const size_t count = m.vertices.size();
    m.frames = 2;
    for (size_t i = 0; i < count; ++i) {
        SourceVertex moved = m.vertices[i];
        moved.z += 1.0f + 0.5f * moved.x;
        m.vertices.push_back(moved);
    }
    return m;
}

TEST(MeshLevels, SameAsThePlainAlgorithm) {
    for (const uint32_t n : {3u, 8u, 16u}) {
        for (const unsigned seed : {0u, 1u, 2u, 3u}) {
            SCOPED_TRACE("grid " + std::to_string(n) + " seed " + std::to_string(seed));
            const std::vector<uint8_t> bytes = Jmesh5(TestGrid(n, seed));
            Mesh fast(nullptr);
            ASSERT_EQ(fast.LoadFromMemory(bytes.data(), bytes.size(), "grid", 1), 1);
            Mesh plain(nullptr);
            ASSERT_EQ(plain.LoadFromMemory(bytes.data(), bytes.size(), "grid", 0), 1);
            std::vector<Mesh*> levels;
            std::vector<float> distances;
            ReferenceLods(plain, levels, distances);
            for (float f : {0.1f, 0.5f, 0.9f}) EXPECT_EQ(fast.CollapseDistance(f), CollapseDistance(plain, f)) << f;
            EXPECT_EQ(fast.levelDistances, distances);
            ASSERT_EQ(fast.levels.size(), levels.size());
            EXPECT_EQ(fast.hasLevels, !levels.empty());
            for (size_t i = 0; i < levels.size(); ++i) {
                SCOPED_TRACE("level " + std::to_string(i));
                ExpectSameMesh(*fast.levels[i], *levels[i]);
            }
            for (Mesh* l : levels) delete l;
        }
    }
}

}  // namespace
}  // namespace kes::test
