// Model files into the modeller scene: hierarchy, geometry, materials, axes, animation, bad files.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <unistd.h>
#include <fstream>
#include <string>

#include "platform/modeller/AssimpSceneLoader.h"
#include "platform/modeller/ImportGuard.h"

namespace plat {
namespace {

namespace fs = std::filesystem;

class AssimpLoader : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("modeller-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    fs::path dir_;
};

void ExpectPoint(ScenePoint got, ScenePoint want) {
    EXPECT_NEAR(got.x, want.x, 1e-5);
    EXPECT_NEAR(got.y, want.y, 1e-5);
    EXPECT_NEAR(got.z, want.z, 1e-5);
}

TEST_F(AssimpLoader, ObjObjectWithTwoMaterialsBecomesOneNodeWithAMultiMaterial) {
    const std::string obj = Write("box.obj",
                                  "mtllib box.mtl\no Box\n"
                                  "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                  "usemtl red\nf 1/1 2/2 3/3\nusemtl tex\nf 1/1 3/3 4/4\n");
    Write("box.mtl", "newmtl red\nKd 1 0 0\nnewmtl tex\nKd 0.5 0.5 0.5\nmap_Kd maps/Rock.tga\nmap_d maps/Mask.tga\n");
    ModellerScene scene;
    const SceneLoadResult r = LoadModellerScene(obj, scene);
    ASSERT_TRUE(r.ok) << r.error;
    SceneNode* box = scene.FindNode("Box");
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(box->CanConvertToTriObject(0));
    const SceneMesh& mesh = *box->EvalMesh(0);
    ASSERT_EQ(mesh.faces.size(), 2u);
    EXPECT_EQ(mesh.faces[0].materialId, 0);
    EXPECT_EQ(mesh.faces[1].materialId, 1);
    EXPECT_TRUE(mesh.HasTextureVertices());
    ASSERT_NE(box->GetMtl(), nullptr);
    EXPECT_EQ(box->GetMtl()->classId, kMultiMaterialClassId);
    ASSERT_EQ(box->GetMtl()->NumSubMtls(), 2);
    const SceneMaterial* red = box->GetMtl()->GetSubMtl(0);
    const SceneMaterial* tex = box->GetMtl()->GetSubMtl(1);
    EXPECT_EQ(red->name, "red");
    EXPECT_EQ(red->classId, kStandardMaterialClassId);
    EXPECT_FLOAT_EQ(red->diffuse.r, 1.0f);
    EXPECT_EQ(red->GetSubTexmap(kMapDiffuse), nullptr);
    ASSERT_NE(tex->GetSubTexmap(kMapDiffuse), nullptr);
    EXPECT_EQ(tex->GetSubTexmap(kMapDiffuse)->fileName, "maps/Rock.tga");
    ASSERT_NE(tex->GetSubTexmap(kMapOpacity), nullptr);
    EXPECT_EQ(tex->GetSubTexmap(kMapOpacity)->fileName, "maps/Mask.tga");
    // The file is y up: its (1, 1, 0) stands at (1, 0, 1).
    ExpectPoint(mesh.verts[mesh.faces[0].v[2]] * box->GetObjectTM(0), {1, 0, 1});
}

TEST_F(AssimpLoader, ObjWithoutMaterialsGivesANodeWithoutMaterial) {
    const std::string obj = Write("plain.obj", "o Plain\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    ModellerScene scene;
    ASSERT_TRUE(LoadModellerScene(obj, scene).ok);
    SceneNode* plain = scene.FindNode("Plain");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->GetMtl(), nullptr);
    EXPECT_FALSE(plain->EvalMesh(0)->HasTextureVertices());
}

TEST_F(AssimpLoader, AseStaysZUp) {
    const std::string ase = Write("tri.ase",
        "*3DSMAX_ASCIIEXPORT 200\n*GEOMOBJECT {\n*NODE_NAME \"Tri\"\n*NODE_TM {\n*NODE_NAME \"Tri\"\n"
        "*TM_ROW0 1 0 0\n*TM_ROW1 0 1 0\n*TM_ROW2 0 0 1\n*TM_ROW3 0 0 0\n}\n*MESH {\n*TIMEVALUE 0\n"
        "*MESH_NUMVERTEX 3\n*MESH_NUMFACES 1\n*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 0 0 0\n"
        "*MESH_VERTEX 1 10 0 0\n*MESH_VERTEX 2 0 0 10\n}\n*MESH_FACE_LIST {\n"
        "*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 *MESH_MTLID 0\n}\n}\n}\n");
    ModellerScene scene;
    const SceneLoadResult r = LoadModellerScene(ase, scene);
    ASSERT_TRUE(r.ok) << r.error;
    SceneNode* tri = scene.FindNode("Tri");
    ASSERT_NE(tri, nullptr);
    const SceneMesh& mesh = *tri->EvalMesh(0);
    bool foundTop = false;
    for (const ScenePoint& p : mesh.verts) {
        const ScenePoint world = p * tri->GetObjectTM(0);
        if (std::abs(world.z - 10.0f) < 1e-4f) foundTop = true;
    }
    EXPECT_TRUE(foundTop);
}

TEST_F(AssimpLoader, GltfAnimationDrivesTheNodeTransform) {
    // One triangle on node "Mover", translated from x = 0 at 0 s to x = 3 at 1 s.
    const std::string gltf = Write("anim.gltf", R"({
 "asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
 "nodes": [{"name": "Mover", "mesh": 0}],
 "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
 "animations": [{"channels": [{"sampler": 0, "target": {"node": 0, "path": "translation"}}],
                 "samplers": [{"input": 1, "output": 2}]}],
 "buffers": [{"byteLength": 68, "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAAAAAAAgD8AAAAAAAAAAAAAAAAAAEBAAAAAAAAAAAA="}],
 "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36}, {"buffer": 0, "byteOffset": 36, "byteLength": 8},
                 {"buffer": 0, "byteOffset": 44, "byteLength": 24}],
 "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]},
               {"bufferView": 1, "componentType": 5126, "count": 2, "type": "SCALAR", "min": [0], "max": [1]},
               {"bufferView": 2, "componentType": 5126, "count": 2, "type": "VEC3"}]
})");
    ModellerScene scene;
    const SceneLoadResult r = LoadModellerScene(gltf, scene);
    ASSERT_TRUE(r.ok) << r.error;
    SceneNode* mover = scene.FindNode("Mover");
    ASSERT_NE(mover, nullptr);
    EXPECT_FALSE(mover->track.Empty());
    ExpectPoint(ScenePoint{} * mover->GetObjectTM(0), {0, 0, 0});
    ExpectPoint(ScenePoint{} * mover->GetObjectTM(kTicksPerSecond / 2), {1.5f, 0, 0});
    ExpectPoint(ScenePoint{} * mover->GetObjectTM(kTicksPerSecond), {3, 0, 0});
}

TEST_F(AssimpLoader, ImageInsideTheFileIsLeftOutWithAWarning) {
    // The material's texture is stored in the buffer itself (bytes 36-43), not in a file of its own.
    const std::string gltf = Write("embedded.gltf", R"({
 "asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
 "nodes": [{"name": "Tri", "mesh": 0}],
 "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "material": 0}]}],
 "materials": [{"name": "Skin", "pbrMetallicRoughness": {"baseColorTexture": {"index": 0}}}],
 "textures": [{"source": 0}],
 "images": [{"bufferView": 1, "mimeType": "image/png"}],
 "buffers": [{"byteLength": 68, "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAAAAAAAgD8AAAAAAAAAAAAAAAAAAEBAAAAAAAAAAAA="}],
 "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36}, {"buffer": 0, "byteOffset": 36, "byteLength": 8}],
 "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]}]
})");
    ModellerScene scene;
    const SceneLoadResult r = LoadModellerScene(gltf, scene);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_NE(r.warnings[0].find("\"Skin\""), std::string::npos) << r.warnings[0];
    SceneNode* tri = scene.FindNode("Tri");
    ASSERT_NE(tri, nullptr);
    ASSERT_NE(tri->GetMtl(), nullptr);
    EXPECT_EQ(tri->GetMtl()->GetSubTexmap(kMapDiffuse), nullptr);
}

TEST_F(AssimpLoader, BadFilesAreRefusedWithAReason) {
    struct Case {
        const char* name;
        const char* contents;  // null: the file does not exist
    };
    const Case cases[] = {{"missing.obj", nullptr},
                          {"empty.obj", ""},
                          {"words.obj", "nothing here resembles a model, only words and more words"},
                          {"broken.gltf", "{\"asset\": {\"version\": \"2.0\"}, \"nodes\": [{\"mesh\": 7}]"},
                          {"noise.3ds", "MM\xff\xff\xff\x7f random bytes that are no chunks"},
                          {"noise.fbx", "Kaydara FBX Binary  \x00\x1a\x00 and then nothing of use"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.contents ? Write(c.name, std::string(c.contents)) : (dir_ / c.name).string();
        ModellerScene scene;
        const SceneLoadResult r = LoadModellerScene(path, scene);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.empty());
    }
    ModellerScene scene;
    EXPECT_FALSE(LoadModellerSceneFromMemory(nullptr, 0, "obj", scene).ok);
}

TEST_F(AssimpLoader, FileThatCrashesTheImportLibraryIsRefused) {
    // A damaged face line of an .ase file: the library reads outside its buffers on it.
    const std::string ase = Write("damaged.ase",
        "*3DSMAX_ASCIIEXPORT 200\n*GEOMOBJECT {\n*NODE_NAME \"T\"\n*MESH {\n*MESH_NUMVERTEX 3\n"
        "*MESH_NUMFACES 1\n*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 0 0 0\n*MESH_VERTEX 1 1 0 0\n"
        "*MESH_VERTEX 2 0 0 1\n}\n*MESH_FACE_LIST {\n*ME\xff\xff_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1 "
        "*MESH_SMOOTHING 1 *MESH_MTLID 0\n}\n}\n}\n");
    ModellerScene scene;
    const SceneLoadResult r = LoadModellerScene(ase, scene);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
}

TEST(ImportGuard, ChildOutcomes) {
    std::string error;
    EXPECT_EQ(ProbeImport([](std::string&) { return true; }, error), ImportProbe::kReadable);
    EXPECT_EQ(ProbeImport([](std::string& why) { why = "bad magic"; return false; }, error), ImportProbe::kRefused);
    EXPECT_EQ(error, "bad magic");
    EXPECT_EQ(ProbeImport([](std::string&) { ::raise(SIGKILL); return true; }, error), ImportProbe::kCrashed);
    EXPECT_NE(error.find("signal 9"), std::string::npos) << error;
    EXPECT_EQ(ProbeImport([](std::string&) { ::sleep(30); return true; }, error, 1), ImportProbe::kCrashed);
    EXPECT_NE(error.find("did not finish"), std::string::npos) << error;
}

TEST_F(AssimpLoader, MemoryLoadReadsTheSameScene) {
    const std::string text = "o Tri\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    ModellerScene scene;
    const SceneLoadResult r = LoadModellerSceneFromMemory(reinterpret_cast<const uint8_t*>(text.data()),
                                                          text.size(), "obj", scene);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_NE(scene.FindNode("Tri"), nullptr);
    EXPECT_TRUE(scene.FindNode("Tri")->CanConvertToTriObject(0));
}

}  // namespace
}  // namespace plat
