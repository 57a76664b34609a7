// What the exporter writes, the editor reads and the game builds: a JMESH5 file of a small scene, read by
// the editor's mesh loader, holds the same triangles (corners, texture coordinates, winding and
// material) in every frame; stored by the editor as a mesh record, the game's mesh builds those
// triangles again (with the editor's reversed winding, which the stored records keep).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <tuple>
#include <vector>

#include "editor/mesh/EditorMesh.h"
#include "exporter/MeshExportUtility.h"
#include "game/core/maths/FastMath.h"
#include "game/core/mesh/Mesh.h"
#include "exporter/tests/ExportTestScenes.h"
#include "exporter/tests/JMeshTestReader.h"

namespace quelm::test {
namespace {

namespace fs = std::filesystem;

// One corner: position and texture coordinates.
using Corner = std::array<float, 5>;
// A triangle with its material, starting at its smallest corner so that only the winding matters.
using Triangle = std::tuple<uint32_t, Corner, Corner, Corner>;

Triangle MakeTriangle(uint32_t material, Corner a, Corner b, Corner c) {
    // Rotate (keeping the order, so the winding stays) to start at the least corner.
    if (b < a && b < c) return {material, b, c, a};
    if (c < a && c < b) return {material, c, a, b};
    return {material, a, b, c};
}

std::vector<Triangle> FileTriangles(const ReadMesh& mesh, size_t frame) {
    std::vector<Triangle> out;
    const auto& v = mesh.frames[frame];
    auto corner = [&](uint16_t i) { return Corner{v[i].x, v[i].y, v[i].z, v[i].u, v[i].v}; };
    for (size_t f = 0; f < mesh.faces.size(); ++f) {
        const auto& face = mesh.faces[f];
        out.push_back(MakeTriangle(mesh.faceMaterials[f], corner(face[0]), corner(face[1]), corner(face[2])));
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The editor's and the game's meshes keep their faces in draw groups, one per material, each indexing
// its own run of vertices.
template <class MeshType>
std::vector<Triangle> GroupedTriangles(const MeshType& mesh, size_t frame) {
    std::vector<Triangle> out;
    const auto* v = mesh.frames.data() + frame * mesh.vertexCount;
    auto corner = [&](size_t i) { return Corner{v[i].x, v[i].y, v[i].z, v[i].u, v[i].v}; };
    size_t firstVertex = 0, firstIndex = 0;
    for (size_t g = 0; g < mesh.groups.size(); ++g) {
        const auto& group = mesh.groups[g];
        for (size_t f = 0; f < group.faceCount; ++f) {
            const uint16_t* face = &mesh.faces[firstIndex + f * 3];
            EXPECT_TRUE(face[0] < group.vertexCount && face[1] < group.vertexCount && face[2] < group.vertexCount);
            out.push_back(MakeTriangle(static_cast<uint32_t>(g), corner(firstVertex + face[0]),
                                       corner(firstVertex + face[1]), corner(firstVertex + face[2])));
        }
        firstVertex += group.vertexCount;
        firstIndex += size_t{group.faceCount} * 3;
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<Triangle> Reversed(std::vector<Triangle> triangles) {
    for (Triangle& t : triangles) t = MakeTriangle(std::get<0>(t), std::get<1>(t), std::get<3>(t), std::get<2>(t));
    std::sort(triangles.begin(), triangles.end());
    return triangles;
}

// Hands out texture numbers in the order the mesh asks for them.
struct CountingTextures final : qv::MeshTextureSource {
    int32_t AddMeshTexture(const char* name, const char*, uint32_t* index) override {
        names.push_back(name);
        *index = static_cast<uint32_t>(names.size());
        return 1;
    }
    int32_t InsertMeshAlpha(const char*, uint32_t) override { return 0; }
    std::vector<std::string> names;
};

class EditorReadsExport : public ::testing::Test {
protected:
    static void SetUpTestSuite() { kes::InitTrigTables(); }
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("quelm-editor-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Exports the scene, reads the file both ways and compares every frame.
    void ExportAndCompare(size_t expectedFrames) {
        scene.SelectAllGeometry();
        const std::string path = (dir_ / "scene.jm5").string();
        ASSERT_TRUE(exporter.ExportJM5(path));
        ReadMesh file;
        ASSERT_EQ(ReadJMesh5(ReadFileBytes(path), file), "");
        ASSERT_EQ(file.frames.size(), expectedFrames);

        qv::EditorMesh mesh;
        CountingTextures textures;
        ASSERT_EQ(mesh.LoadJMesh5File(path, &textures), 1);
        ASSERT_EQ(mesh.frameCount, file.frames.size());
        ASSERT_EQ(mesh.faceCount, file.faces.size());
        ASSERT_EQ(mesh.materialCount, file.materials.size());
        EXPECT_EQ(mesh.groups.size(), file.materials.size()) << "one draw group per material";
        for (size_t k = 0; k < file.frames.size(); ++k) {
            SCOPED_TRACE(k);
            EXPECT_EQ(GroupedTriangles(mesh, k), FileTriangles(file, k));
        }
        // Stored as the editor keeps a mesh (faces turned to its drawing winding) and built by the game.
        qv::EditorMesh kept = mesh;
        kept.SwapFaceWinding();
        plat::ByteWriter record;
        kept.WriteRecord(record);
        kes::MemoryImageStream stream(record.Data().data(), record.Size());
        kes::Mesh game(nullptr);
        ASSERT_EQ(game.Build(stream, 0), 1);
        EXPECT_EQ(stream.Remaining(), 0u) << "the game reads the whole record";
        ASSERT_EQ(game.frameCount, mesh.frameCount);
        ASSERT_EQ(game.groups.size(), mesh.groups.size());
        for (size_t k = 0; k < file.frames.size(); ++k) {
            SCOPED_TRACE(k);
            EXPECT_EQ(GroupedTriangles(game, k), GroupedTriangles(kept, k));
            EXPECT_EQ(GroupedTriangles(game, k), Reversed(FileTriangles(file, k)));
        }
        for (size_t g = 0; g < game.groups.size(); ++g) {
            EXPECT_EQ(game.groups[g].colour, mesh.groups[g].colour) << g;
            EXPECT_EQ(game.groups[g].flags, mesh.groups[g].flags) << g;
        }

        // The game loads the same file directly, in the file's own winding.
        kes::Mesh direct(nullptr);
        const std::vector<uint8_t> bytes = ReadFileBytes(path);
        ASSERT_EQ(direct.LoadFromMemory(bytes.data(), bytes.size(), "scene", 0), 1);
        ASSERT_EQ(direct.frameCount, file.frames.size());
        for (size_t k = 0; k < file.frames.size(); ++k) {
            SCOPED_TRACE(k);
            EXPECT_EQ(GroupedTriangles(direct, k), FileTriangles(file, k));
        }

        // Every group takes its material's colour and flags as the file holds them.
        for (size_t g = 0; g < mesh.groups.size() && g < file.materials.size(); ++g) {
            const auto& c = file.materials[g].colour;
            EXPECT_EQ(mesh.groups[g].colour, uint32_t{c[0]} | uint32_t{c[1]} << 8 | uint32_t{c[2]} << 16) << g;
            EXPECT_EQ(mesh.groups[g].flags, file.materials[g].flags & 0xFFFF) << g;
        }
    }

    plat::ModellerScene scene;
    RecordingUi ui;
    MeshExportUtility exporter{scene, ui};
    fs::path dir_;
};

TEST_F(EditorReadsExport, TwoMaterialSquareAndATriangleKeepTheirTriangles) {
    AddMeshNode(scene, "Square", UnitSquare(1),
                MultiMaterial({StandardMaterial("Red", {1, 0, 0}, "C:\\maps\\Rock.tga"),
                               StandardMaterial("Green", {0, 1, 0}, "C:\\maps\\Moss.bmp")}));
    plat::SceneNode* tri = AddMeshNode(scene, "Tri", UnitTriangle(), StandardMaterial("Blue", {0, 0, 1}));
    tri->track.position = {{0, {3, 0, 1}}};
    ExportAndCompare(1);
}

TEST_F(EditorReadsExport, EveryFrameOfAnAnimatedMeshKeepsItsTriangles) {
    plat::SceneNode* node = AddMeshNode(scene, "Tri", UnitSquare(), StandardMaterial("Red", {1, 0, 0}));
    node->track.position = {{0, {0, 0, 0}}, {320, {10, 0, 5}}};
    exporter.endFrame = 2;
    ExportAndCompare(3);
}

}  // namespace
}  // namespace quelm::test
