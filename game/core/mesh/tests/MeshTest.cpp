#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "game/core/maths/FastMath.h"
#include "game/core/mesh/Mesh.h"
#include "game/core/mesh/tests/MeshBuilder.h"

namespace kes::test {
namespace {

// Records what a mesh asks of the render interface.
class MeshRecorder : public RenderInterface {
public:
    struct Call {
        std::string what;
        uint32_t a = 0, b = 0;
        std::vector<uint16_t> indices;
        std::vector<SourceVertex> vertices;
    };
    std::vector<Call> calls;
    int32_t SetState(uint32_t s, uint32_t v) override {
        calls.push_back({"state", s, v, {}, {}});
        return 0;
    }
    int32_t SelectTexture(uint32_t h) override {
        calls.push_back({"texture", h, 0, {}, {}});
        return 0;
    }
    int32_t TransformVertices(const Matrix4*, ScreenVertex*, int32_t n, const SourceVertex* in, uint32_t ic,
                              const uint16_t*, uint32_t flags) override {
        calls.push_back({"transform", static_cast<uint32_t>(n), flags, {}, std::vector<SourceVertex>(in, in + n)});
        (void)ic;
        return 0;
    }
    int32_t DrawIndexed(uint32_t type, uint32_t v, ScreenVertex*, uint32_t ic, uint16_t* idx, uint32_t flags) override {
        calls.push_back({"draw", v, flags, std::vector<uint16_t>(idx, idx + ic), {}});
        EXPECT_EQ(type, 4u);
        return 0;
    }
    size_t Count(const std::string& what) const {
        size_t n = 0;
        for (const Call& c : calls) n += c.what == what;
        return n;
    }
};

// Lengths use the table square root, filled once as the game does at start-up.
const bool kTables = (InitTrigTables(), true);

SourceVertex At(float x, float y = 0, float z = 0) { return {x, y, z, 0, 0, 1, x * 0.01f, 0.5f}; }

// Four separate triangles with materials 1, 0, 1, 0; vertex i has x = i.
MeshSpec Interleaved() {
    MeshSpec m;
    m.materialTable = {{0x000000FF, 0}, {0x0000FF00, 2}};
    for (int i = 0; i < 12; ++i) m.vertices.push_back(At(static_cast<float>(i), static_cast<float>(i % 3)));
    m.faces = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    m.materials = {1, 0, 1, 0};
    return m;
}

const Matrix4 kIdentityMatrix = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
const Matrix4* const kIdentity = &kIdentityMatrix;

TEST(Mesh, FacesAreGroupedByMaterialWithGroupRelativeIndices) {
    MeshRecorder r;
    Mesh mesh(&r);
    const auto bytes = Jmesh5(Interleaved());
    ASSERT_EQ(mesh.LoadFromMemory(bytes.data(), bytes.size(), "C:\\bikes\\frame.v2.jm5", 0), 1);
    EXPECT_STREQ(mesh.name, "frame.v2");
    ASSERT_EQ(mesh.groups.size(), 2u);
    EXPECT_EQ(mesh.groups[0].faceCount, 2);
    EXPECT_EQ(mesh.groups[0].vertexCount, 6);
    EXPECT_EQ(mesh.groups[0].colour, 0x000000FFu);
    EXPECT_EQ(mesh.groups[1].flags, 2);
    const std::vector<uint16_t> faces = {0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 4, 5};
    EXPECT_EQ(mesh.faces, faces);
    const float order[] = {3, 4, 5, 9, 10, 11, 0, 1, 2, 6, 7, 8};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(mesh.frames[i].x, order[i]) << i;
    EXPECT_EQ(mesh.bounds[0], 0.0f);
    EXPECT_EQ(mesh.bounds[1], 11.0f);
    EXPECT_EQ(mesh.bounds[3], 2.0f);
    EXPECT_NEAR(mesh.radius, std::sqrt(11.0f * 11.0f + 4.0f), 1e-3f);
}

TEST(Mesh, UnusedMaterialGivesAnEmptyGroupThatIsNotDrawn) {
    MeshRecorder r;
    Mesh mesh(&r);
    MeshSpec m = Interleaved();
    m.materialTable.push_back({0x00FF0000, 8});
    m.materials = {0, 2, 0, 2};
    const auto bytes = Jmesh5(m);
    ASSERT_EQ(mesh.LoadFromMemory(bytes.data(), bytes.size(), "m", 0), 1);
    ASSERT_EQ(mesh.groups.size(), 3u);
    EXPECT_EQ(mesh.groups[1].faceCount, 0);
    mesh.Render({0, 0, 0}, kIdentity, 0, nullptr);
    EXPECT_EQ(r.Count("draw"), 2u);
}

TEST(Mesh, DamagedFilesAreRefused) {
    const std::vector<uint8_t> good = Jmesh5(Interleaved());
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    auto magic = good;
    magic[5] = '4';
    cases.push_back({"wrong magic", magic});
    MeshSpec noMaterials = Interleaved();
    noMaterials.materialTable.clear();
    cases.push_back({"no materials", Jmesh5(noMaterials)});
    MeshSpec badIndex = Interleaved();
    badIndex.faces[4] = 12;
    cases.push_back({"face index = V", Jmesh5(badIndex)});
    MeshSpec badMaterial = Interleaved();
    badMaterial.materials[2] = 2;
    cases.push_back({"material index = M", Jmesh5(badMaterial)});
    MeshSpec shared = Interleaved();
    shared.faces[3] = 0;  // vertex 0 used by a face of material 1 and one of material 0
    cases.push_back({"vertex shared by two materials", Jmesh5(shared)});
    cases.push_back({"truncated", std::vector<uint8_t>(good.begin(), good.end() - 40)});
    cases.push_back({"no end tag", std::vector<uint8_t>(good.begin(), good.end() - 1)});
    auto hugeFaces = good;
    plat::StoreU32(hugeFaces.data() + 11, 0x7FFFFFFF);
    cases.push_back({"face count beyond the file", hugeFaces});
    auto noFrames = good;
    cases.push_back({"empty", {}});
    // Positions that are not finite numbers, in the first frame and in a later one.
    for (float bad : {INFINITY, -INFINITY, NAN}) {
        MeshSpec nonFinite = Interleaved();
        nonFinite.vertices[5].y = bad;
        cases.push_back({"position not finite", Jmesh5(nonFinite)});
        MeshSpec laterFrame = Interleaved();
        laterFrame.frames = 2;
        for (int i = 0; i < 12; ++i) laterFrame.vertices.push_back(At(static_cast<float>(i)));
        laterFrame.vertices[20].z = bad;
        cases.push_back({"position not finite in frame 2", Jmesh5(laterFrame)});
    }
    for (const Case& c : cases) {
        Mesh mesh(nullptr);
        EXPECT_EQ(mesh.LoadFromMemory(c.bytes.data(), c.bytes.size(), "bad", 1), 0) << c.what;
    }
    Mesh missing(nullptr);
    EXPECT_EQ(missing.Load("no/such/mesh.jm5", 0), 0);
}

TEST(Mesh, LoadsFromDisk) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("mesh_" + std::to_string(::getpid()) + ".jm5")).string();
    const auto bytes = Jmesh5(Interleaved());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    Mesh mesh(nullptr);
    EXPECT_EQ(mesh.Load(path.c_str(), 0), 1);
    EXPECT_EQ(mesh.faceCount, 4u);
    std::remove(path.c_str());
}

TEST(Mesh, KeyFramesBlend) {
    MeshSpec m;
    m.materialTable.push_back({});
    m.frames = 2;
    m.vertices = {At(0), At(1), At(2), At(4, 8, 12), At(5, 9, 13), At(6, 10, 14)};
    m.vertices[3].u = 0.9f;
    m.faces = {0, 1, 2};
    m.materials = {0};
    const auto bytes = Jmesh5(m);
    Mesh mesh(nullptr);
    ASSERT_EQ(mesh.LoadFromMemory(bytes.data(), bytes.size(), "k", 0), 1);
    mesh.SetFrame(0.25f);
    EXPECT_FLOAT_EQ(mesh.current[0].x, 1.0f);
    EXPECT_FLOAT_EQ(mesh.current[0].y, 2.0f);
    EXPECT_FLOAT_EQ(mesh.current[0].z, 3.0f);
    EXPECT_FLOAT_EQ(mesh.current[0].u, 0.0f);  // u and v of frame 0
    mesh.SetFrame(1.0f);
    EXPECT_EQ(mesh.current, mesh.frames.data() + 3);
    EXPECT_EQ(mesh.current[0].u, 0.9f);
    mesh.SetFrame(0.0f);
    EXPECT_EQ(mesh.current, mesh.frames.data());
    mesh.SetFrame(7.5f);  // past the last frame: the last frame, no blend outside the array
    EXPECT_EQ(mesh.current, mesh.frames.data() + 3);
}

TEST(Mesh, RenderSetsStatesPerGroupAndSelectsTexturesOnChange) {
    MeshRecorder r;
    Mesh mesh(&r);
    MeshSpec m = Interleaved();
    m.materialTable = {{0, 8}, {0, 2}};
    const auto bytes = Jmesh5(m);
    ASSERT_EQ(mesh.LoadFromMemory(bytes.data(), bytes.size(), "s", 0), 1);
    mesh.groups[0].texture = 5;
    mesh.groups[1].texture = 5;
    mesh.Render({0, 0, 0}, kIdentity, 0x7, nullptr);
    std::vector<std::string> seen;
    for (const auto& c : r.calls) {
        std::string s = c.what + ":" + std::to_string(c.a) + ":" + std::to_string(c.b);
        seen.push_back(s);
    }
    const std::vector<std::string> expected = {
        "state:41:0", "state:22:1", "state:27:1", "texture:5:0", "transform:6:3", "draw:6:4",
        "state:41:1", "state:27:0", "transform:6:3", "draw:6:4"};
    EXPECT_EQ(seen, expected);
    r.calls.clear();
    mesh.Render({0, 0, 0}, kIdentity, 0, nullptr);
    EXPECT_EQ(r.calls[1].what + std::to_string(r.calls[1].b), "state3");  // culling on without bit 0
}

TEST(Mesh, MeshBuiltFromItsRecordDrawsTheSameFaces) {
    MeshSpec m = Interleaved();
    m.frames = 2;
    for (int i = 0; i < 12; ++i) m.vertices.push_back(At(100.0f + i, 1.0f));
    MeshRecorder fromFile, fromRecord;
    Mesh a(&fromFile), b(&fromRecord);
    const auto bytes = Jmesh5(m);
    ASSERT_EQ(a.LoadFromMemory(bytes.data(), bytes.size(), "obj", 0), 1);
    a.groups[0].texture = 3;
    const std::vector<uint8_t> record = RecordOf(a);
    MemoryImageStream s(record.data(), record.size());
    ASSERT_EQ(b.Build(s, 0), 1);
    EXPECT_EQ(s.Remaining(), 0u);
    EXPECT_STREQ(b.name, "obj");
    EXPECT_EQ(b.faceCount, a.faceCount);
    EXPECT_EQ(b.vertexCount, a.vertexCount);
    EXPECT_EQ(b.frameCount, 2u);
    for (float t : {0.0f, 0.5f, 1.0f}) {
        a.SetFrame(t);
        b.SetFrame(t);
        fromFile.calls.clear();
        fromRecord.calls.clear();
        a.Render({0, 0, 0}, kIdentity, 0, nullptr);
        b.Render({0, 0, 0}, kIdentity, 0, nullptr);
        ASSERT_EQ(fromFile.calls.size(), fromRecord.calls.size());
        for (size_t i = 0; i < fromFile.calls.size(); ++i) {
            const auto &x = fromFile.calls[i], &y = fromRecord.calls[i];
            EXPECT_EQ(x.what, y.what);
            EXPECT_EQ(x.a, y.a);
            EXPECT_EQ(x.indices, y.indices);
            ASSERT_EQ(x.vertices.size(), y.vertices.size());
            for (size_t k = 0; k < x.vertices.size(); ++k) EXPECT_EQ(x.vertices[k].x, y.vertices[k].x);
        }
    }
}

TEST(Mesh, DamagedRecordsAreRefused) {
    Mesh a(nullptr);
    const auto bytes = Jmesh5(Interleaved());
    ASSERT_EQ(a.LoadFromMemory(bytes.data(), bytes.size(), "obj", 0), 1);
    const std::vector<uint8_t> good = RecordOf(a);
    const size_t groupsAt = good.size() - 32, facesAt = 4 + 4 + 128 + 20 + 12 * 32;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"truncated", std::vector<uint8_t>(good.begin(), good.end() - 1)});
    auto sums = good;
    plat::StoreU16(sums.data() + groupsAt, 3);  // group 0 claims three faces
    cases.push_back({"group faces do not add up", sums});
    auto index = good;
    plat::StoreU16(index.data() + facesAt, 6);  // outside group 0's six vertices
    cases.push_back({"index outside its group", index});
    auto frames = good;
    plat::StoreU32(frames.data() + 4 + 4 + 128 + 16, 0x40000000);
    cases.push_back({"frame count beyond the record", frames});
    auto noGroups = good;
    plat::StoreU32(noGroups.data() + 4 + 4 + 128 + 8, 0);
    cases.push_back({"no groups", noGroups});
    auto infinite = good;
    plat::StoreF32(infinite.data() + 4 + 4 + 128 + 20 + 32 * 3 + 4, INFINITY);  // vertex 3's y
    cases.push_back({"position not finite", infinite});
    for (const Case& c : cases) {
        Mesh b(nullptr);
        MemoryImageStream s(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(b.Build(s, 1), 0) << c.what;
        EXPECT_EQ(b.faceCount, 0u) << c.what;
    }
}

TEST(Mesh, DetailLevelsShrinkWithDistanceAndEndAt2000) {
    MeshRecorder r;
    Mesh mesh(&r);
    MeshSpec grid = Grid(8, 4.0f);
    // Rough it up so that collapses differ from face to face.
    for (size_t i = 0; i < grid.vertices.size(); ++i) grid.vertices[i].z = 0.05f * static_cast<float>(i % 7);
    const auto bytes = Jmesh5(grid);
    ASSERT_EQ(mesh.LoadFromMemory(bytes.data(), bytes.size(), "grid", 1), 1);
    ASSERT_TRUE(mesh.hasLevels);
    ASSERT_GE(mesh.levelCount, 1u);
    ASSERT_EQ(mesh.levelDistances.size(), mesh.levelCount + 1);
    EXPECT_EQ(mesh.levelDistances.back(), kMeshLevelLimit);
    uint32_t lastFaces = mesh.faceCount;
    for (uint32_t i = 0; i < mesh.levelCount; ++i) {
        EXPECT_LT(mesh.levels[i]->faceCount, lastFaces) << i;
        lastFaces = mesh.levels[i]->faceCount;
        EXPECT_LE(mesh.levelDistances[i], mesh.levelDistances[i + 1]);
        // Every level is a consistent mesh: indices inside their groups.
        uint32_t face = 0;
        for (const MeshGroup& g : mesh.levels[i]->groups)
            for (uint32_t k = 0; k < g.faceCount; ++k, ++face)
                for (int c = 0; c < 3; ++c) EXPECT_LT(mesh.levels[i]->faces[face * 3 + c], g.vertexCount);
    }
    // Near: the full mesh; beyond the last distance plus the radius: nothing.
    mesh.Render({0, 0, 0}, kIdentity, 0, nullptr);
    ASSERT_EQ(r.Count("draw"), 1u);
    EXPECT_EQ(r.calls.back().indices.size(), 3u * mesh.faceCount);
    r.calls.clear();
    Matrix4 farMatrix = kIdentityMatrix;
    farMatrix.m[12] = kMeshLevelLimit + mesh.radius + 1.0f;
    const Matrix4* far = &farMatrix;
    mesh.Render({0, 0, 0}, far, 0, nullptr);
    EXPECT_EQ(r.Count("draw"), 0u);
    r.calls.clear();
    farMatrix.m[12] = mesh.radius + mesh.levelDistances[0] + 0.01f;
    mesh.Render({0, 0, 0}, far, 0, nullptr);
    ASSERT_EQ(r.Count("draw"), 1u);
    EXPECT_EQ(r.calls.back().indices.size(), 3u * mesh.levels[0]->faceCount);
}

TEST(Mesh, TinyMeshesGetNoLevels) {
    MeshSpec one;
    one.materialTable.push_back({});
    one.vertices = {At(0), At(1), At(0, 1)};
    one.faces = {0, 1, 2};
    one.materials = {0};
    MeshSpec none;
    none.materialTable.push_back({});
    none.vertices = {At(0)};
    for (const MeshSpec& m : {one, none}) {
        const auto bytes = Jmesh5(m);
        Mesh mesh(nullptr);
        ASSERT_EQ(mesh.LoadFromMemory(bytes.data(), bytes.size(), "t", 1), 1);
        EXPECT_FALSE(mesh.hasLevels);
        EXPECT_TRUE(mesh.levels.empty());
    }
}

TEST(Mesh, ScaleMovesVerticesAndBoundsOnly) {
    const auto bytes = Jmesh5(Interleaved());
    Mesh mesh(nullptr);
    ASSERT_EQ(mesh.LoadFromMemory(bytes.data(), bytes.size(), "s", 0), 1);
    const float radius = mesh.radius;
    mesh.Scale(2, 3, 4);
    EXPECT_EQ(mesh.frames[0].x, 6.0f);
    EXPECT_EQ(mesh.bounds[1], 22.0f);
    EXPECT_EQ(mesh.frames[0].nz, 1.0f);
    EXPECT_EQ(mesh.radius, radius);
}

}  // namespace
}  // namespace kes::test
