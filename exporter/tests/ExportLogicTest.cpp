// The export logic on scenes built in the modeller layer: splitting, winding, materials, clean-ups,
// groups, frames, limits and the exact bytes of both formats.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "exporter/ExportMessages.h"
#include "exporter/MeshExportUtility.h"
#include "exporter/tests/ExportTestScenes.h"
#include "exporter/tests/JMeshTestReader.h"
#include "platform/bytes/ByteIO.h"

namespace quelm::test {
namespace {

namespace fs = std::filesystem;

class ExportLogic : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("quelm-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Exports the selection (everything with geometry when nothing is selected) as JM5 and reads it.
    ReadMesh ExportJm5(bool expectOk = true) {
        if (scene.GetSelNodeCount() == 0) scene.SelectAllGeometry();
        const std::string path = Path("out.jm5");
        EXPECT_EQ(exporter.ExportJM5(path), expectOk);
        ReadMesh mesh;
        if (!expectOk) return mesh;
        EXPECT_EQ(ReadJMesh5(ReadFileBytes(path), mesh), "");
        EXPECT_EQ(CheckInvariants(mesh), "");
        EXPECT_TRUE(ui.Prompted("Convertion OK !"));
        return mesh;
    }

    plat::ModellerScene scene;
    RecordingUi ui;
    MeshExportUtility exporter{scene, ui};
    fs::path dir_;
};

TEST_F(ExportLogic, OneTriangleGivesTheExactJm5Bytes) {
    AddMeshNode(scene, "Tri", UnitTriangle(), StandardMaterial("Red", {1, 0, 0}, "C:\\maps\\Rock.tga"));
    scene.SelectAllGeometry();
    ASSERT_TRUE(exporter.ExportJM5(Path("tri.jm5")));
    const std::vector<uint8_t> b = ReadFileBytes(Path("tri.jm5"));
    ASSERT_EQ(b.size(), 224u);

    plat::ByteWriter w;  // what the file must hold, field by field
    w.Bytes("JMESH5*<TL>", 11);
    w.U32(1);
    // The identity keeps the handedness, so the corners are taken as (0, 2, 1).
    w.U16(0), w.U16(2), w.U16(1);
    w.Bytes("<ML>", 4);
    w.U32(1);
    w.U16(0);
    w.FixedString("Rock.BMP", 32);
    w.FixedString("", 32);
    w.U32(1);                 // faces
    w.U8(255), w.U8(0), w.U8(0), w.U8(0);
    w.U32(0);                 // textured, one-sided
    w.Bytes("<NF>", 4);
    w.U32(1);
    w.Bytes("<VT>", 4);
    w.U32(3);
    const float expected[3][8] = {{0, 0, 0, 0, 0, 1, 0, 1}, {1, 0, 0, 0, 0, 1, 1, 1}, {0, 1, 0, 0, 0, 1, 0, 0}};
    for (const auto& v : expected)
        for (float f : v) w.F32(f);
    w.Bytes("<END>", 5);
    EXPECT_EQ(b, w.Data());
}

TEST_F(ExportLogic, Jm4HoldsVerticesThenFacesThenMaterials) {
    AddMeshNode(scene, "Tri", UnitTriangle(), StandardMaterial("Red", {1, 0, 0}));
    scene.SelectAllGeometry();
    ASSERT_TRUE(exporter.ExportJM4(Path("tri.jm4")));
    const std::vector<uint8_t> b = ReadFileBytes(Path("tri.jm4"));
    ASSERT_EQ(b.size(), 7u + 8 + 96 + 8 + 6 + 8 + 2 + 76 + 5);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 11), "JMESH4*<VT>");
    EXPECT_EQ(plat::LoadU32(&b[11]), 3u);
    EXPECT_EQ(std::string(b.begin() + 111, b.begin() + 115), "<TL>");
    EXPECT_EQ(std::string(b.begin() + 125, b.begin() + 129), "<ML>");
    ReadMesh mesh;
    ASSERT_EQ(ReadJMesh4(b, mesh), "");
    EXPECT_EQ(mesh.materials[0].flags, kMaterialSolidColour);
    EXPECT_EQ(mesh.faces[0], (std::array<uint16_t, 3>{0, 2, 1}));
}

TEST_F(ExportLogic, ScaleMovesPositionsOnlyAndLeftHandedSwapsYAndZ) {
    AddMeshNode(scene, "Tri", UnitTriangle(), StandardMaterial("Red", {1, 0, 0}));
    exporter.scale = 2.0f;
    exporter.handedness = 0;
    const ReadMesh mesh = ExportJm5();
    ASSERT_EQ(mesh.vertexCount, 3u);
    const ReadVertex& v = mesh.frames[0][2];  // modeller vertex (0, 1, 0), normal (0, 0, 1)
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_EQ(v.z, 2.0f);
    EXPECT_EQ(v.ny, 1.0f);
    EXPECT_EQ(v.nz, 0.0f);
    // (0, 2, 1) written as (a, c, b)
    EXPECT_EQ(mesh.faces[0], (std::array<uint16_t, 3>{0, 1, 2}));
}

TEST_F(ExportLogic, MirroringTransformKeepsTheCornerOrder) {
    plat::SceneNode* node = AddMeshNode(scene, "Tri", UnitTriangle(), StandardMaterial("Red", {1, 0, 0}));
    node->localTm.row[0] = {-1, 0, 0};
    node->localTm.row[3] = {5, 0, 0};
    const ReadMesh mesh = ExportJm5();
    EXPECT_EQ(mesh.faces[0], (std::array<uint16_t, 3>{0, 1, 2}));
    EXPECT_EQ(mesh.frames[0][1].x, 4.0f);  // (1,0,0) mirrored and moved
}

TEST_F(ExportLogic, VerticesSplitAtSeamsAndMaterialBordersOnly) {
    struct Case {
        const char* name;
        plat::SceneMesh mesh;
        size_t vertices;
    };
    plat::SceneMesh seam = UnitSquare();
    seam.tverts.push_back({0.5f, 0.5f, 0});
    seam.tvFaces[1] = {0, 4, 3};  // vertex 2 has other coordinates in the second face
    plat::SceneMesh sameUv = UnitSquare();
    plat::SceneMesh twoMaterials = UnitSquare(1);
    plat::SceneMesh reuse = UnitSquare(1);  // a third face reuses the split copies
    reuse.faces.push_back(plat::SceneFace{{0, 2, 1}, 1, 1});
    reuse.tvFaces.push_back({0, 2, 1});
    const Case cases[] = {{"shared coordinates", sameUv, 4},
                          {"texture seam", seam, 5},
                          {"two materials", twoMaterials, 6},
                          {"split copies reused", reuse, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        plat::ModellerScene s;
        RecordingUi u;
        MeshExportUtility e(s, u);
        AddMeshNode(s, "Square", c.mesh,
                    MultiMaterial({StandardMaterial("A", {1, 0, 0}), StandardMaterial("B", {0, 1, 0})}));
        s.SelectAllGeometry();
        const std::string path = Path("split.jm5");
        ASSERT_TRUE(e.ExportJM5(path));
        ReadMesh mesh;
        ASSERT_EQ(ReadJMesh5(ReadFileBytes(path), mesh), "");
        EXPECT_EQ(mesh.vertexCount, c.vertices);
        EXPECT_EQ(CheckInvariants(mesh), "");
    }
}

TEST_F(ExportLogic, RotatedDuplicateFacesGoReversedOnesStay) {
    plat::SceneMesh m = UnitTriangle();
    m.faces.push_back(plat::SceneFace{{1, 2, 0}, 0, 1});  // the same face rotated
    m.faces.push_back(plat::SceneFace{{0, 2, 1}, 0, 1});  // reversed winding
    m.faces.push_back(plat::SceneFace{{2, 0, 1}, 0, 1});  // rotated again
    m.tvFaces = {{0, 1, 2}, {1, 2, 0}, {0, 2, 1}, {2, 0, 1}};
    AddMeshNode(scene, "Tri", m, StandardMaterial("Red", {1, 0, 0}));
    const ReadMesh mesh = ExportJm5();
    ASSERT_EQ(mesh.faces.size(), 2u);
    EXPECT_EQ(mesh.materials[0].faceCount, 2u);
    EXPECT_EQ(mesh.faces[0], (std::array<uint16_t, 3>{0, 2, 1}));
    EXPECT_EQ(mesh.faces[1], (std::array<uint16_t, 3>{0, 1, 2}));
}

TEST_F(ExportLogic, EqualMaterialsMergeWhateverTheCaseOfTheirNames) {
    AddMeshNode(scene, "A", UnitTriangle(), StandardMaterial("A", {0, 0, 1}, "maps/rock.tga"));
    AddMeshNode(scene, "B", UnitSquare(), StandardMaterial("B", {0, 1, 0}));
    AddMeshNode(scene, "C", UnitTriangle(), StandardMaterial("C", {0, 0, 1}, "C:\\ROCK.TGA"));
    const ReadMesh mesh = ExportJm5();
    ASSERT_EQ(mesh.materials.size(), 2u);
    EXPECT_EQ(mesh.materials[0].diffuseName, "rock.BMP");
    EXPECT_EQ(mesh.materials[0].faceCount, 2u);
    EXPECT_EQ(mesh.materials[1].faceCount, 2u);
    EXPECT_EQ(mesh.materials[1].colour, (std::array<uint8_t, 4>{0, 255, 0, 0}));
    // Faces of C (vertices 7-9) now use material 0 and sort before B's.
    EXPECT_EQ(mesh.faceMaterials, (std::vector<uint16_t>{0, 0, 1, 1}));
    EXPECT_GE(mesh.faces[1][0], 7);
}

TEST_F(ExportLogic, FaceMaterialPastTheMultiMaterialTakesTheLastSubMaterial) {
    plat::SceneMesh m = UnitTriangle();
    m.faces[0].materialId = 7;
    AddMeshNode(scene, "Tri", m,
                MultiMaterial({StandardMaterial("A", {1, 0, 0}), StandardMaterial("B", {0, 1, 0}),
                               StandardMaterial("C", {0, 0, 1})}));
    const ReadMesh mesh = ExportJm5();
    ASSERT_EQ(mesh.materials.size(), 3u);
    EXPECT_EQ(mesh.faceMaterials[0], 2);
    EXPECT_EQ(mesh.materials[2].colour, (std::array<uint8_t, 4>{0, 0, 255, 0}));
    EXPECT_EQ(mesh.materials[2].faceCount, 1u);
}

TEST_F(ExportLogic, MaterialRecordFlagsAndNames) {
    auto m = StandardMaterial("M", {0.5f, 0.25f, 1.0f}, "tex/Body.Paint.tga");
    m->maps[plat::kMapOpacity] = std::make_shared<plat::SceneTexmap>(plat::SceneTexmap{plat::kBitmapMapClassId, "mask"});
    m->twoSided = true;
    m->wire = true;
    AddMeshNode(scene, "Tri", UnitTriangle(), m);
    const ReadMesh mesh = ExportJm5();
    EXPECT_EQ(mesh.materials[0].diffuseName, "Body.BMP");
    EXPECT_EQ(mesh.materials[0].opacityName, "mask");
    EXPECT_EQ(mesh.materials[0].flags, kMaterialTwoSided | kMaterialOpacityMap | kMaterialWire);
    EXPECT_EQ(mesh.materials[0].colour, (std::array<uint8_t, 4>{128, 64, 255, 0}));
}

TEST_F(ExportLogic, UnsupportedMaterialWarnsAndLeavesAZeroRecord) {
    auto m = StandardMaterial("Raytrace", {1, 1, 1}, "a.tga");
    m->classId = {0x1234, 0};
    AddMeshNode(scene, "Tri", UnitTriangle(), m);
    const ReadMesh mesh = ExportJm5();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].first, "Material \"Raytrace\" unsuported !");
    EXPECT_EQ(ui.boxes[0].second, "Warning");
    EXPECT_EQ(mesh.materials[0].flags, 0u);
    EXPECT_EQ(mesh.materials[0].diffuseName, "");
    EXPECT_EQ(mesh.materials[0].colour, (std::array<uint8_t, 4>{0, 0, 0, 0}));
}

TEST_F(ExportLogic, MeshWithoutMappingWarnsAndWritesUZeroVOne) {
    plat::SceneMesh m = UnitTriangle();
    m.tverts.clear();
    m.tvFaces.clear();
    AddMeshNode(scene, "Bare", m, StandardMaterial("Red", {1, 0, 0}));
    const ReadMesh mesh = ExportJm5();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].first, "Object \"Bare\" has no mapping coordinate !");
    for (const ReadVertex& v : mesh.frames[0]) {
        EXPECT_EQ(v.u, 0.0f);
        EXPECT_EQ(v.v, 1.0f);
    }
}

TEST_F(ExportLogic, IsolatedVerticesAreDropped) {
    plat::SceneMesh m = UnitTriangle();
    m.verts.insert(m.verts.begin(), plat::ScenePoint{9, 9, 9});
    m.faces[0].v = {1, 2, 3};
    AddMeshNode(scene, "Tri", m, StandardMaterial("Red", {1, 0, 0}));
    const ReadMesh mesh = ExportJm5();
    EXPECT_EQ(mesh.vertexCount, 3u);
    EXPECT_EQ(mesh.frames[0][0].x, 0.0f);
}

TEST_F(ExportLogic, ClosedGroupExportsItsMembersAndSkipsWhatItCannotConvert) {
    plat::SceneNode* group = scene.AddNode("Group");
    group->groupHead = true;
    AddMeshNode(scene, "A", UnitTriangle(), StandardMaterial("Red", {1, 0, 0}), group);
    scene.AddNode("Camera", group);
    AddMeshNode(scene, "B", UnitSquare(), StandardMaterial("Red", {1, 0, 0}), group);
    scene.Select(group);
    scene.Select(scene.FindNode("A"));  // selected twice: exported once
    const ReadMesh mesh = ExportJm5();
    EXPECT_TRUE(ui.Prompted("Can't process object \"Camera\""));
    EXPECT_EQ(mesh.faces.size(), 3u);
    EXPECT_EQ(mesh.vertexCount, 7u);
}

TEST_F(ExportLogic, SelectionFailures) {
    struct Case {
        const char* name;
        const char* select;  // null: nothing selected
        const char* prompt;
    };
    const Case cases[] = {{"nothing selected", nullptr, "No selection !"},
                          {"camera selected by itself", "Camera", "Can't process object \"Camera\""},
                          {"closed group of nothing", "EmptyGroup", "No object selected !"},
                          {"no material", "Plain", "There is no material apply to object \"Plain\" !"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        plat::ModellerScene s;
        RecordingUi u;
        MeshExportUtility e(s, u);
        s.AddNode("Camera");
        s.AddNode("EmptyGroup")->groupHead = true;
        AddMeshNode(s, "Plain", UnitTriangle(), nullptr);
        if (c.select) s.Select(s.FindNode(c.select));
        const std::string path = Path("never.jm5");
        EXPECT_FALSE(e.ExportJM5(path));
        EXPECT_FALSE(e.ExportJM4(path));
        EXPECT_TRUE(u.Prompted(c.prompt));
        EXPECT_FALSE(u.Prompted("Convertion OK !"));
        EXPECT_FALSE(fs::exists(path));
    }
}

TEST_F(ExportLogic, EmptyPathIsACancelledDialog) {
    AddMeshNode(scene, "Tri", UnitTriangle(), StandardMaterial("Red", {1, 0, 0}));
    scene.SelectAllGeometry();
    EXPECT_FALSE(exporter.ExportJM5(""));
    EXPECT_TRUE(ui.Prompted("Convertion canceled !"));
}

TEST_F(ExportLogic, UnwritableDestinationIsReported) {
    AddMeshNode(scene, "Tri", UnitTriangle(), StandardMaterial("Red", {1, 0, 0}));
    scene.SelectAllGeometry();
    EXPECT_FALSE(exporter.ExportJM5(Path("no/such/folder/out.jm5")));
    EXPECT_TRUE(ui.Prompted("Can't open destination file !"));
    EXPECT_FALSE(ui.Prompted("Convertion OK !"));
}

// A mesh of separate triangles with n vertices in all (n a multiple of 3).
plat::SceneMesh SeparateTriangles(uint32_t vertices) {
    plat::SceneMesh m;
    for (uint32_t i = 0; i < vertices; i += 3) {
        const float x = static_cast<float>(i);
        m.verts.push_back({x, 0, 0});
        m.verts.push_back({x + 1, 0, 0});
        m.verts.push_back({x, 1, 0});
        m.faces.push_back(plat::SceneFace{{i, i + 1, i + 2}, 0, 1});
    }
    return m;
}

TEST_F(ExportLogic, MoreThan65535VerticesAreRefusedAndTheOldFileKept) {
    struct Case {
        uint32_t vertices;
        bool ok;
    };
    for (const Case c : {Case{65535, true}, Case{65538, false}}) {
        SCOPED_TRACE(c.vertices);
        plat::ModellerScene s;
        RecordingUi u;
        MeshExportUtility e(s, u);
        plat::SceneMesh big = SeparateTriangles(c.vertices);
        big.tverts = {{0, 0, 0}};
        big.tvFaces.assign(big.faces.size(), {0, 0, 0});
        AddMeshNode(s, "Big", big, StandardMaterial("Red", {1, 0, 0}));
        s.SelectAllGeometry();
        const std::string path = Path("big.jm5");
        { std::ofstream(path) << "previous"; }
        EXPECT_EQ(e.ExportJM5(path), c.ok);
        if (c.ok) {
            ReadMesh mesh;
            ASSERT_EQ(ReadJMesh5(ReadFileBytes(path), mesh), "");
            EXPECT_EQ(mesh.vertexCount, 65535u);
            EXPECT_EQ(mesh.faces.back(), (std::array<uint16_t, 3>{65532, 65534, 65533}));
        } else {
            EXPECT_TRUE(u.Prompted("Too many vertices (65538) : a mesh file holds at most 65535 !"));
            EXPECT_FALSE(e.ExportJM4(path));
            const std::vector<uint8_t> kept = ReadFileBytes(path);
            EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous");
        }
    }
}

TEST_F(ExportLogic, AnimatedExportWritesEveryFrame) {
    plat::SceneNode* node = AddMeshNode(scene, "Tri", UnitTriangle(), StandardMaterial("Red", {1, 0, 0}));
    node->track.position = {{0, {0, 0, 0}}, {320, {10, 0, 0}}};
    exporter.endFrame = 2;
    const ReadMesh mesh = ExportJm5();
    ASSERT_EQ(mesh.frames.size(), 3u);
    EXPECT_EQ(mesh.frames[0][1].x, 1.0f);
    EXPECT_EQ(mesh.frames[1][1].x, 6.0f);
    EXPECT_EQ(mesh.frames[2][1].x, 11.0f);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ExportLogic, LaterFrameWithFewerVerticesIsRefused) {
    plat::SceneNode* node = AddMeshNode(scene, "Shape", UnitSquare(), StandardMaterial("Red", {1, 0, 0}));
    node->meshKeys.push_back({160, UnitTriangle()});
    exporter.endFrame = 1;
    scene.SelectAllGeometry();
    EXPECT_FALSE(exporter.ExportJM5(Path("shape.jm5")));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].first, "Morphology changed at frame 1");
    EXPECT_EQ(ui.boxes[0].second, "Error ...");
    EXPECT_TRUE(ui.Prompted("Frame 1 has fewer vertices than the first frame !"));
    EXPECT_FALSE(fs::exists(Path("shape.jm5")));
}

TEST_F(ExportLogic, LaterFrameWithMoreVerticesWarnsAndWritesTheFirstFramesCount) {
    plat::SceneNode* node = AddMeshNode(scene, "Shape", UnitTriangle(), StandardMaterial("Red", {1, 0, 0}));
    node->meshKeys.push_back({160, UnitSquare()});
    exporter.endFrame = 1;
    const ReadMesh mesh = ExportJm5();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].first, "Morphology changed at frame 1");
    ASSERT_EQ(mesh.frames.size(), 2u);
    EXPECT_EQ(mesh.frames[1].size(), 3u);
}

TEST_F(ExportLogic, DeformedShapeInAGroupIsRefusedOverFramesOnly) {
    // A shape moved by bones, reached through a closed group: its frames would all be its rest shape.
    plat::SceneNode* rig = scene.AddNode("Rig");
    rig->groupHead = true;
    plat::SceneNode* skin = AddMeshNode(scene, "Skin", UnitTriangle(), StandardMaterial("Red", {1, 0, 0}), rig);
    skin->deformed = true;
    scene.Select(rig);
    exporter.endFrame = 2;
    EXPECT_FALSE(exporter.ExportJM5(Path("skin.jm5")));
    EXPECT_TRUE(ui.Prompted("Object \"Skin\" is deformed by bones or morph targets : only its first frame can be exported !"));
    EXPECT_FALSE(fs::exists(Path("skin.jm5")));
    // One frame of it is its rest shape, in either format.
    exporter.endFrame = 0;
    EXPECT_TRUE(exporter.ExportJM5(Path("skin.jm5")));
    EXPECT_TRUE(exporter.ExportJM4(Path("skin.jm4")));
}

TEST(BitmapRecordName, FolderDroppedCutAtFirstDot) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\a\\Rock.tga", "Rock.BMP"},
        {"maps/Rock.tga", "Rock.BMP"},
        {"noext", "noext"},
        {"a.b.c", "a.BMP"},
        {"dir.v2/plain", "plain"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn.png", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcde"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(BitmapRecordName(in), out) << in;
}

TEST(ColourChannelByte, RoundsAndHoldsTheEnds) {
    const std::pair<float, uint32_t> cases[] = {{0.0f, 0},    {0.5f, 128},  {1.0f, 255},  {0.999f, 255},
                                                {1.01f, 255}, {1.5f, 255},  {-0.3f, 0},   {NAN, 0},
                                                {INFINITY, 255}};
    for (const auto& [in, out] : cases) EXPECT_EQ(ColourChannelByte(in), out) << in;
}

TEST(ExportMessages, TextsAsTheModellerShowsThem) {
    EXPECT_STREQ(MessageText(kMsgOk), "Convertion OK !");
    EXPECT_STREQ(MessageText(kMsgNotEnoughMemory), "Not enought memory available !");
    EXPECT_EQ(FormatMessage(kMsgCantProcessObject, "Box"), "Can't process object \"Box\"");
    EXPECT_EQ(FormatMessage(kMsgMorphologyChanged, 12), "Morphology changed at frame 12");
    EXPECT_STREQ(MessageText(4), "");
}

}  // namespace
}  // namespace quelm::test
