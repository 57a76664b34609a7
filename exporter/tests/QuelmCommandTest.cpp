// quelm from model files to mesh files: scenes written by the tests as .obj/.mtl text, glTF JSON
// and .3ds (through the import library's own exporter), every field of the output checked.
#include <gtest/gtest.h>

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <sys/wait.h>

#include "exporter/ExportFrame.h"
#include "exporter/QuelmCommand.h"
#include "exporter/tests/JMeshTestReader.h"
#include "platform/bytes/ByteIO.h"

namespace quelm::test {
namespace {

namespace fs = std::filesystem;

// One written corner: position and texture coordinates as stored (v already 1 - v).
struct Corner {
    float x, y, z, u, v;
};

std::vector<Corner> Corners(const ReadMesh& mesh, size_t face) {
    std::vector<Corner> out;
    for (uint16_t i : mesh.faces[face]) {
        const ReadVertex& v = mesh.frames[0][i];
        out.push_back({v.x, v.y, v.z, v.u, v.v});
    }
    return out;
}

void ExpectCorners(const ReadMesh& mesh, size_t face, const std::vector<Corner>& expected) {
    SCOPED_TRACE("face " + std::to_string(face));
    const std::vector<Corner> got = Corners(mesh, face);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t c = 0; c < got.size(); ++c) {
        SCOPED_TRACE("corner " + std::to_string(c));
        EXPECT_NEAR(got[c].x, expected[c].x, 1e-5);
        EXPECT_NEAR(got[c].y, expected[c].y, 1e-5);
        EXPECT_NEAR(got[c].z, expected[c].z, 1e-5);
        EXPECT_NEAR(got[c].u, expected[c].u, 1e-5);
        EXPECT_NEAR(got[c].v, expected[c].v, 1e-5);
    }
}

void ExpectNormals(const ReadMesh& mesh, float nx, float ny, float nz) {
    for (const ReadVertex& v : mesh.frames[0]) {
        EXPECT_NEAR(v.nx, nx, 1e-5);
        EXPECT_NEAR(v.ny, ny, 1e-5);
        EXPECT_NEAR(v.nz, nz, 1e-5);
    }
}

void ExpectMaterial(const ReadMesh& mesh, size_t index, const std::string& diffuse, uint32_t faces,
                    std::array<uint8_t, 4> colour, uint32_t flags) {
    SCOPED_TRACE("material " + std::to_string(index));
    ASSERT_LT(index, mesh.materials.size());
    const ReadMaterial& m = mesh.materials[index];
    EXPECT_EQ(m.diffuseName, diffuse);
    EXPECT_EQ(m.opacityName, "");
    EXPECT_EQ(m.faceCount, faces);
    EXPECT_EQ(m.colour, colour);
    EXPECT_EQ(m.flags, flags);
}

// The panel of an .obj scene: a paint face, then two road faces with a texture.
const char* kPanelObj =
    "mtllib panel.mtl\n"
    "o Panel\n"
    "v 0 0 0\nv 2 0 0\nv 2 0 2\nv 0 0 2\nv 4 0 0\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
    "vn 0 1 0\n"
    "usemtl paint\n"
    "f 1/1/1 2/2/1 3/3/1\n"
    "usemtl road\n"
    "f 1/1/1 3/3/1 4/4/1\n"
    "f 2/2/1 5/2/1 3/3/1\n";
const char* kPanelMtl =
    "newmtl paint\nKd 1 0.5 0\n"
    "newmtl road\nKd 0.2 0.2 0.2\nmap_Kd textures/Road.png\n";

class Quelm : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("quelm-cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    int Run(std::vector<std::string> args) {
        out_.str({});
        err_.str({});
        return RunQuelm(args, out_, err_);
    }

    ReadMesh Read(const std::string& path, bool jm4 = false) {
        ReadMesh mesh;
        const std::vector<uint8_t> bytes = ReadFileBytes(path);
        EXPECT_EQ(jm4 ? ReadJMesh4(bytes, mesh) : ReadJMesh5(bytes, mesh), "");
        EXPECT_EQ(CheckInvariants(mesh), "");
        return mesh;
    }

    std::ostringstream out_;
    std::ostringstream err_;
    fs::path dir_;
};

TEST_F(Quelm, ObjWithTwoMaterialsAndATexture) {
    const std::string obj = Write("panel.obj", kPanelObj);
    Write("panel.mtl", kPanelMtl);
    for (const bool jm4 : {false, true}) {
        SCOPED_TRACE(jm4 ? "jm4" : "jm5");
        const std::string out = Path(jm4 ? "panel.jm4" : "panel.jm5");
        ASSERT_EQ(Run({obj, out}), 0) << err_.str();
        EXPECT_EQ(out_.str(), "Convertion OK !\n");
        const ReadMesh mesh = Read(out, jm4);
        ASSERT_EQ(mesh.frames.size(), 1u);
        ASSERT_EQ(mesh.faces.size(), 3u);
        EXPECT_EQ(mesh.vertexCount, 8u);
        EXPECT_EQ(mesh.faceMaterials, (std::vector<uint16_t>{0, 1, 1}));
        ExpectMaterial(mesh, 0, "", 1, {255, 128, 0, 0}, kMaterialSolidColour);
        ExpectMaterial(mesh, 1, "Road.BMP", 2, {51, 51, 51, 0}, 0);
        // The file's y-up axes turned z-up: (x, y, z) -> (x, -z, y); corners taken (0, 2, 1).
        ExpectCorners(mesh, 0, {{0, 0, 0, 0, 1}, {2, -2, 0, 1, 0}, {2, 0, 0, 1, 1}});
        ExpectCorners(mesh, 1, {{0, 0, 0, 0, 1}, {0, -2, 0, 0, 0}, {2, -2, 0, 1, 0}});
        ExpectCorners(mesh, 2, {{2, 0, 0, 1, 1}, {2, -2, 0, 1, 0}, {4, 0, 0, 1, 1}});
        ExpectNormals(mesh, 0, 0, 1);
        EXPECT_EQ(err_.str(), "");
    }
}

TEST_F(Quelm, ScaleAndFormatOptions) {
    const std::string obj = Write("panel.obj", kPanelObj);
    Write("panel.mtl", kPanelMtl);
    ASSERT_EQ(Run({"--scale", "0.5", "--format", "JM4", obj, Path("panel.bin")}), 0) << err_.str();
    const ReadMesh mesh = Read(Path("panel.bin"), true);
    ExpectCorners(mesh, 2, {{1, 0, 0, 1, 1}, {1, -1, 0, 1, 0}, {2, 0, 0, 1, 1}});
}

TEST_F(Quelm, ThreeDsWrittenByTheImportLibrary) {
    const std::string obj = Write("panel.obj", kPanelObj);
    Write("panel.mtl", kPanelMtl);
    {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(obj, 0);
        ASSERT_NE(scene, nullptr) << importer.GetErrorString();
        Assimp::Exporter exporter;
        ASSERT_EQ(exporter.Export(scene, "3ds", Path("panel.3ds")), aiReturn_SUCCESS) << exporter.GetErrorString();
    }
    ASSERT_EQ(Run({Path("panel.3ds"), Path("panel.jm5")}), 0) << err_.str();
    const ReadMesh mesh = Read(Path("panel.jm5"));
    // The .3ds file is z-up and holds the coordinates as the exporter wrote them.
    ASSERT_EQ(mesh.faces.size(), 3u);
    EXPECT_EQ(mesh.faceMaterials, (std::vector<uint16_t>{0, 1, 1}));
    ExpectMaterial(mesh, 0, "", 1, {255, 128, 0, 0}, kMaterialSolidColour);
    ExpectMaterial(mesh, 1, "Road.BMP", 2, {51, 51, 51, 0}, 0);
    ExpectCorners(mesh, 0, {{0, 0, 0, 0, 1}, {2, 0, 2, 1, 0}, {2, 0, 0, 1, 1}});
    ExpectCorners(mesh, 1, {{0, 0, 0, 0, 1}, {0, 0, 2, 0, 0}, {2, 0, 2, 1, 0}});
    ExpectCorners(mesh, 2, {{2, 0, 0, 1, 1}, {2, 0, 2, 1, 0}, {4, 0, 0, 1, 1}});
}

std::string Base64(const std::vector<uint8_t>& bytes) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t n = (bytes[i] << 16) | ((i + 1 < bytes.size() ? bytes[i + 1] : 0) << 8) |
                           (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        out += digits[(n >> 18) & 63];
        out += digits[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? digits[(n >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? digits[n & 63] : '=';
    }
    return out;
}

// Body (a paint and a chrome triangle) with a child Wheel, and a group Rig holding Fin.
std::string HierarchyGltf() {
    plat::ByteWriter w;
    for (float f : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f}) w.F32(f);  // triangle at z = 0
    for (float f : {0.f, 0.f, 1.f, 1.f, 0.f, 1.f, 0.f, 1.f, 1.f}) w.F32(f);  // triangle at z = 1
    for (float f : {0.f, 0.f, 1.f, 0.f, 0.f, 1.f}) w.F32(f);
    for (uint16_t i : {0, 1, 2}) w.U16(i);
    w.U16(0);
    const std::string data = Base64(w.Data());
    return R"({
 "asset": {"version": "2.0"},
 "scene": 0,
 "scenes": [{"nodes": [0, 2]}],
 "nodes": [
  {"name": "Body", "mesh": 0, "translation": [1, 0, 0], "children": [1]},
  {"name": "Wheel", "mesh": 1, "translation": [0, 0, 2]},
  {"name": "Rig", "children": [3]},
  {"name": "Fin", "mesh": 1, "translation": [0, 5, 0]}
 ],
 "meshes": [
  {"name": "BodyMesh", "primitives": [
    {"attributes": {"POSITION": 0, "TEXCOORD_0": 2}, "indices": 3, "material": 0},
    {"attributes": {"POSITION": 1, "TEXCOORD_0": 2}, "indices": 3, "material": 1}]},
  {"name": "WheelMesh", "primitives": [
    {"attributes": {"POSITION": 1, "TEXCOORD_0": 2}, "indices": 3, "material": 1}]}
 ],
 "materials": [
  {"name": "Paint", "pbrMetallicRoughness": {"baseColorFactor": [1, 0, 0, 1]}},
  {"name": "Chrome", "doubleSided": true,
   "pbrMetallicRoughness": {"baseColorFactor": [0.5, 0.5, 0.5, 1], "baseColorTexture": {"index": 0}}}
 ],
 "textures": [{"source": 0}],
 "images": [{"uri": "tex/Chrome.png"}],
 "buffers": [{"byteLength": 104, "uri": "data:application/octet-stream;base64,)" + data + R"("}],
 "bufferViews": [
  {"buffer": 0, "byteOffset": 0, "byteLength": 72},
  {"buffer": 0, "byteOffset": 72, "byteLength": 24},
  {"buffer": 0, "byteOffset": 96, "byteLength": 6}
 ],
 "accessors": [
  {"bufferView": 0, "byteOffset": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]},
  {"bufferView": 0, "byteOffset": 36, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 1], "max": [1, 1, 1]},
  {"bufferView": 1, "componentType": 5126, "count": 3, "type": "VEC2"},
  {"bufferView": 2, "componentType": 5123, "count": 3, "type": "SCALAR"}
 ]
})";
}

TEST_F(Quelm, GltfHierarchyWithAMultiMaterial) {
    const std::string gltf = Write("car.gltf", HierarchyGltf());
    ASSERT_EQ(Run({gltf, Path("car.jm5")}), 0) << err_.str();
    const ReadMesh mesh = Read(Path("car.jm5"));
    // Body's two materials, Wheel's and Fin's chrome merged into one.
    ASSERT_EQ(mesh.materials.size(), 2u);
    ExpectMaterial(mesh, 0, "", 1, {255, 0, 0, 0}, kMaterialSolidColour);
    ExpectMaterial(mesh, 1, "Chrome.BMP", 3, {128, 128, 128, 0}, kMaterialTwoSided);
    ASSERT_EQ(mesh.faces.size(), 4u);
    EXPECT_EQ(mesh.vertexCount, 12u);
    // Positions: own translation, then the parents', then y-up turned z-up; v as the file has it.
    ExpectCorners(mesh, 0, {{1, 0, 0, 0, 0}, {1, 0, 1, 0, 1}, {2, 0, 0, 1, 0}});
    ExpectCorners(mesh, 1, {{1, -1, 0, 0, 0}, {1, -1, 1, 0, 1}, {2, -1, 0, 1, 0}});
    ExpectCorners(mesh, 2, {{1, -3, 0, 0, 0}, {1, -3, 1, 0, 1}, {2, -3, 0, 1, 0}});
    ExpectCorners(mesh, 3, {{0, -1, 5, 0, 0}, {0, -1, 6, 0, 1}, {1, -1, 5, 1, 0}});
}

TEST_F(Quelm, NodeSelection) {
    const std::string gltf = Write("car.gltf", HierarchyGltf());
    struct Case {
        std::vector<std::string> nodes;
        size_t faces;
        float firstX;
    };
    const Case cases[] = {{{"Wheel"}, 1, 1}, {{"Rig"}, 1, 0}, {{"Wheel", "Body", "Wheel"}, 3, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nodes.front());
        std::vector<std::string> args;
        for (const std::string& n : c.nodes) args.insert(args.end(), {"--node", n});
        args.insert(args.end(), {gltf, Path("sel.jm4")});
        ASSERT_EQ(Run(args), 0) << err_.str();
        const ReadMesh mesh = Read(Path("sel.jm4"), true);
        EXPECT_EQ(mesh.faces.size(), c.faces);
        EXPECT_NEAR(Corners(mesh, 0)[0].x, c.firstX, 1e-5);
    }
}

// One triangle with a material; positions as given, and a morph target moving it when asked.
std::string TriangleGltf(const std::vector<float>& positions, bool morph) {
    plat::ByteWriter w;
    for (float f : positions) w.F32(f);
    for (float f : {0.f, 0.f, 1.f, 0.f, 0.f, 1.f, 0.f, 0.f, 1.f}) w.F32(f);  // the target's offsets
    const std::string data = Base64(w.Data());
    const std::string target = morph ? R"(, "targets": [{"POSITION": 1}])" : "";
    const std::string weights = morph ? R"(, "weights": [0.5])" : "";
    return R"({
 "asset": {"version": "2.0"},
 "scene": 0,
 "scenes": [{"nodes": [0]}],
 "nodes": [{"name": "Box", "mesh": 0}],
 "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "material": 0)" + target + "}]" + weights + R"(}],
 "materials": [{"name": "Paint", "pbrMetallicRoughness": {"baseColorFactor": [1, 0, 0, 1]}}],
 "buffers": [{"byteLength": 72, "uri": "data:application/octet-stream;base64,)" + data + R"("}],
 "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36}, {"buffer": 0, "byteOffset": 36, "byteLength": 36}],
 "accessors": [
  {"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]},
  {"bufferView": 1, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [0, 0, 1]}
 ]
})";
}

TEST_F(Quelm, PositionsThatAreNotFiniteAreRefused) {
    for (const float bad : {INFINITY, -INFINITY, NAN}) {
        SCOPED_TRACE(bad);
        const std::string gltf = Write("box.gltf", TriangleGltf({0, 0, 0, bad, 0, 0, 0, 1, 0}, false));
        EXPECT_EQ(Run({gltf, Path("box.jm5")}), kExitFailed);
        EXPECT_NE(err_.str().find("Object \"Box\" has a vertex position that is not a finite number !"),
                  std::string::npos)
            << err_.str();
        EXPECT_EQ(out_.str(), "");
        EXPECT_FALSE(fs::exists(Path("box.jm5")));
    }
    // Finite positions that the scale carries past the largest float.
    const std::string huge = Write("huge.gltf", TriangleGltf({0, 0, 0, 3e38f, 0, 0, 0, 1, 0}, false));
    EXPECT_EQ(Run({"--scale", "10", huge, Path("huge.jm5")}), kExitFailed);
    EXPECT_FALSE(fs::exists(Path("huge.jm5")));
    EXPECT_EQ(Run({huge, Path("huge.jm5")}), kExitOk) << err_.str();
    // The installed program says so too, with the failure exit code and no file.
    const std::string quelm = std::string(GRAVELON_BINARY_DIR) + "/bin/quelm";
    const std::string infinite = Write("inf.gltf", TriangleGltf({0, 0, 0, INFINITY, 0, 0, 0, 1, 0}, false));
    const int status = std::system((quelm + " '" + infinite + "' '" + Path("inf.jm5") + "' > '" + Path("out.txt") +
                                    "' 2> '" + Path("err.txt") + "'").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kExitFailed);
    EXPECT_FALSE(fs::exists(Path("inf.jm5")));
    std::ifstream err(Path("err.txt"));
    const std::string text((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("not a finite number"), std::string::npos) << text;
    EXPECT_EQ(fs::file_size(Path("out.txt")), 0u);
}

// The same triangle hung on one bone ("Bone") with its whole weight.
std::string SkinnedTriangleGltf() {
    plat::ByteWriter w;
    for (float f : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f}) w.F32(f);  // positions
    for (int i = 0; i < 12; ++i) w.U8(0);                                      // joints
    for (int v = 0; v < 3; ++v)
        for (float f : {1.f, 0.f, 0.f, 0.f}) w.F32(f);                          // weights
    for (int i = 0; i < 16; ++i) w.F32(i % 5 == 0 ? 1.f : 0.f);                // inverse bind matrix
    const std::string data = Base64(w.Data());
    return R"({
 "asset": {"version": "2.0"},
 "scene": 0,
 "scenes": [{"nodes": [0, 1]}],
 "nodes": [{"name": "Box", "mesh": 0, "skin": 0}, {"name": "Bone"}],
 "skins": [{"joints": [1], "inverseBindMatrices": 3}],
 "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "JOINTS_0": 1, "WEIGHTS_0": 2}, "material": 0}]}],
 "materials": [{"name": "Paint", "pbrMetallicRoughness": {"baseColorFactor": [1, 0, 0, 1]}}],
 "buffers": [{"byteLength": 160, "uri": "data:application/octet-stream;base64,)" + data + R"("}],
 "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36}, {"buffer": 0, "byteOffset": 36, "byteLength": 12},
                 {"buffer": 0, "byteOffset": 48, "byteLength": 48}, {"buffer": 0, "byteOffset": 96, "byteLength": 64}],
 "accessors": [
  {"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]},
  {"bufferView": 1, "componentType": 5121, "count": 3, "type": "VEC4"},
  {"bufferView": 2, "componentType": 5126, "count": 3, "type": "VEC4"},
  {"bufferView": 3, "componentType": 5126, "count": 1, "type": "MAT4"}
 ]
})";
}

TEST_F(Quelm, DeformedMeshIsRefusedOverAnAnimatedRange) {
    const std::pair<const char*, std::string> scenes[] = {
        {"morph.gltf", TriangleGltf({0, 0, 0, 1, 0, 0, 0, 1, 0}, true)},
        {"skin.gltf", SkinnedTriangleGltf()},
    };
    for (const auto& [name, text] : scenes) {
        SCOPED_TRACE(name);
        const std::string gltf = Write(name, text);
        EXPECT_EQ(Run({"--start-frame", "0", "--end-frame", "3", gltf, Path("deformed.jm5")}), kExitFailed);
        EXPECT_NE(err_.str().find("Object \"Box\" is deformed by bones or morph targets"), std::string::npos)
            << err_.str();
        EXPECT_FALSE(fs::exists(Path("deformed.jm5")));
        // One frame of it is its rest shape, which is what the file holds.
        EXPECT_EQ(Run({gltf, Path("deformed.jm5")}), kExitOk) << err_.str();
        EXPECT_EQ(Read(Path("deformed.jm5")).faces.size(), 1u);
        fs::remove(Path("deformed.jm5"));
    }
}

// A .3ds chunk: id, size counting its own six bytes, body.
std::string Chunk3ds(uint16_t id, const std::string& body) {
    plat::ByteWriter w;
    w.U16(id);
    w.U32(static_cast<uint32_t>(body.size() + 6));
    w.Bytes(body.data(), body.size());
    return std::string(w.Data().begin(), w.Data().end());
}

std::string Bytes(const plat::ByteWriter& w) { return std::string(w.Data().begin(), w.Data().end()); }

// A .3ds file with the triangle "Tri" (material "Paint" when withMaterial) and, when keyFrame > 0,
// keys moving it from x = 0 at frame 0 to x = keyFrame at frame keyFrame.
std::string Triangle3ds(bool withMaterial, uint32_t keyFrame) {
    plat::ByteWriter verts, faces, group, version;
    verts.U16(3);
    for (float f : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f}) verts.F32(f);
    faces.U16(1);
    for (uint16_t i : {0, 1, 2, 0}) faces.U16(i);
    group.Bytes("Paint", 6);
    group.U16(1);
    group.U16(0);
    const std::string faceList = Bytes(faces) + (withMaterial ? Chunk3ds(0x4130, Bytes(group)) : "");
    const std::string mesh = Chunk3ds(0x4100, Chunk3ds(0x4110, Bytes(verts)) + Chunk3ds(0x4120, faceList));
    const std::string object = Chunk3ds(0x4000, std::string("Tri", 4) + mesh);
    const std::string red = Chunk3ds(0x0011, std::string("\xFF\x00\x00", 3));
    const std::string material =
        Chunk3ds(0xAFFF, Chunk3ds(0xA000, std::string("Paint", 6)) + Chunk3ds(0xA020, red));
    version.U32(3);
    std::string edit = Chunk3ds(0x3D3E, Bytes(version)) + (withMaterial ? material : "") + object;
    std::string file = Chunk3ds(0x0002, Bytes(version)) + Chunk3ds(0x3D3D, edit);
    if (keyFrame > 0) {
        plat::ByteWriter segment, id, header, track;
        segment.U32(0);
        segment.U32(keyFrame);
        id.U16(0);
        header.Bytes("Tri", 4);
        for (uint16_t v : {0, 0, 0xFFFF}) header.U16(v);
        track.U16(0);
        for (int i = 0; i < 8; ++i) track.U8(0);
        track.U32(2);
        for (const uint32_t frame : {0u, keyFrame}) {
            track.U32(frame);
            track.U16(0);  // no spline values
            for (float f : {static_cast<float>(frame), 0.f, 0.f}) track.F32(f);
        }
        const std::string node = Chunk3ds(0xB002, Chunk3ds(0xB030, Bytes(id)) + Chunk3ds(0xB010, Bytes(header)) +
                                                      Chunk3ds(0xB020, Bytes(track)));
        file += Chunk3ds(0xB000, Chunk3ds(0xB008, Bytes(segment)) + node);
    }
    return Chunk3ds(0x4D4D, file);
}

TEST_F(Quelm, ThreeDsKeysCountFramesAtTheModellersRate) {
    const std::string moving = Write("moving.3ds", Triangle3ds(true, 30));
    ASSERT_EQ(Run({"--start-frame", "0", "--end-frame", "30", moving, Path("moving.jm5")}), kExitOk) << err_.str();
    const ReadMesh mesh = Read(Path("moving.jm5"));
    ASSERT_EQ(mesh.frames.size(), 31u);
    // Frame n of the export is key frame n of the file: the triangle has moved n along x.
    for (const size_t frame : {0u, 15u, 30u}) {
        SCOPED_TRACE(frame);
        float lowest = 1e9f;
        for (const ReadVertex& v : mesh.frames[frame]) lowest = std::min(lowest, v.x);
        EXPECT_NEAR(lowest, static_cast<float>(frame), 1e-3);
    }
}

TEST_F(Quelm, WhatTheImportLibraryInventsIsNotTakenAsTheModels) {
    // The same scene without a material in three formats: each refused the same way.
    const std::string ase =
        "*3DSMAX_ASCIIEXPORT 200\n*GEOMOBJECT {\n *NODE_NAME \"Tri\"\n *MESH {\n  *MESH_NUMVERTEX 3\n"
        "  *MESH_NUMFACES 1\n  *MESH_VERTEX_LIST {\n   *MESH_VERTEX 0 0 0 0\n   *MESH_VERTEX 1 1 0 0\n"
        "   *MESH_VERTEX 2 0 1 0\n  }\n  *MESH_FACE_LIST {\n   *MESH_FACE 0: A: 0 B: 1 C: 2 *MESH_MTLID 0\n"
        "  }\n }\n}\n";
    const std::pair<std::string, std::string> scenes[] = {
        {"tri.3ds", Triangle3ds(false, 0)},
        {"tri.ase", ase},
        {"tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"},
    };
    for (const auto& [name, contents] : scenes) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Run({Write(name, contents), Path("tri.jm5")}), kExitFailed);
        EXPECT_NE(err_.str().find("There is no material apply to object"), std::string::npos) << err_.str();
        EXPECT_EQ(out_.str(), "");
        EXPECT_FALSE(fs::exists(Path("tri.jm5")));
    }
    // The .3ds with its material is taken.
    EXPECT_EQ(Run({Write("painted.3ds", Triangle3ds(true, 0)), Path("tri.jm5")}), kExitOk) << err_.str();

    // A text model in UTF-16 that the library cannot read comes back as its placeholder skeleton.
    std::string wide = "\xFF\xFE";
    for (char c : ase) wide += std::string{c, '\0'};
    EXPECT_EQ(Run({Write("wide.ase", wide), Path("wide.jm5")}), kExitFailed);
    EXPECT_NE(err_.str().find("cannot read"), std::string::npos) << err_.str();
    EXPECT_EQ(out_.str(), "");
    EXPECT_FALSE(fs::exists(Path("wide.jm5")));
}

TEST_F(Quelm, BadInputFailsWithAClearMessage) {
    struct Case {
        const char* name;
        const char* file;      // written with this text; null: not written
        const char* contents;
        std::vector<std::string> options;
        const char* message;   // expected in stdout or stderr
    };
    const Case cases[] = {
        {"missing file", "missing.obj", nullptr, {}, "no such file"},
        {"unreadable obj", "bad.obj", "this is not a model at all, only words", {}, "cannot read"},
        {"broken gltf", "bad.gltf", "{\"asset\": {\"version\": \"2.0\"}, \"nodes\": [", {}, "cannot read"},
        {"random 3ds", "bad.3ds", "MM\x10\x00\x00\x00garbage-garbage-garbage", {}, "cannot read"},
        {"empty file", "empty.obj", "", {}, "cannot read"},
        {"empty scene", "empty.gltf", "{\"asset\": {\"version\": \"2.0\"}, \"scenes\": [{\"nodes\": []}], \"scene\": 0}", {}, "No selection !"},
        {"no material", "plain.obj", "o Plain\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/1 3/1\n", {},
         "There is no material apply to object \"Plain\" !"},
        {"unknown node", "panel.obj", kPanelObj, {"--node", "Nothing"}, "has no node named \"Nothing\""},
    };
    Write("panel.mtl", kPanelMtl);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string in = c.contents ? Write(c.file, c.contents) : Path(c.file);
        std::vector<std::string> args = c.options;
        args.push_back(in);
        args.push_back(Path("out.jm5"));
        EXPECT_EQ(Run(args), kExitFailed);
        // A failure says why on the error stream and prints nothing on the output stream.
        EXPECT_NE(err_.str().find(c.message), std::string::npos) << err_.str();
        EXPECT_EQ(out_.str(), "");
        EXPECT_FALSE(fs::exists(Path("out.jm5")));
    }
}

TEST_F(Quelm, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"only-one.obj"},
        {"a.obj", "b.jm5", "c"},
        {"--scale", "0", "a.obj", "b.jm5"},
        {"--scale", "2000000", "a.obj", "b.jm5"},
        {"--scale", "abc", "a.obj", "b.jm5"},
        {"--format", "jm6", "a.obj", "b.jm5"},
        {"--start-frame", "3", "--end-frame", "1", "a.obj", "b.jm5"},
        {"--bogus", "a.obj", "b.jm5"},
        {"a.obj", "b.jm5", "--node"},
    };
    for (const auto& args : cases) {
        EXPECT_EQ(Run(args), kExitUsage);
        EXPECT_NE(err_.str().find("Usage: quelm"), std::string::npos);
    }
    EXPECT_EQ(Run({"--help"}), kExitOk);
    EXPECT_NE(out_.str().find("--scale"), std::string::npos);
}

TEST_F(Quelm, ProgramExitCodes) {
    const std::string quelm = std::string(GRAVELON_BINARY_DIR) + "/bin/quelm";
    const std::string obj = Write("panel.obj", kPanelObj);
    Write("panel.mtl", kPanelMtl);
    const std::string quiet = " >/dev/null 2>&1";
    EXPECT_EQ(std::system((quelm + " '" + obj + "' '" + Path("ok.jm5") + "'" + quiet).c_str()), 0);
    EXPECT_TRUE(fs::exists(Path("ok.jm5")));
    const int failed = std::system((quelm + " '" + Path("missing.obj") + "' '" + Path("no.jm5") + "'" + quiet).c_str());
    ASSERT_TRUE(WIFEXITED(failed));
    EXPECT_EQ(WEXITSTATUS(failed), kExitFailed);
}

}  // namespace
}  // namespace quelm::test
