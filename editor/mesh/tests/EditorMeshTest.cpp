#include "editor/mesh/EditorMesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

struct Face {
    uint16_t a, b, c, material;
};

std::vector<uint8_t> JMesh(const std::vector<Face>& faces, uint32_t materials, uint32_t vertices, uint32_t frames = 1,
                           const std::vector<std::pair<std::string, std::string>>& names = {}) {
    plat::ByteWriter w;
    w.Bytes("JMESH5*", 7);
    w.Bytes("<TL>", 4);
    w.U32(static_cast<uint32_t>(faces.size()));
    for (const Face& f : faces) w.U16(f.a), w.U16(f.b), w.U16(f.c);
    w.Bytes("<ML>", 4);
    w.U32(materials);
    for (const Face& f : faces) w.U16(f.material);
    for (uint32_t m = 0; m < materials; ++m) {
        w.FixedString(m < names.size() ? names[m].first : "", 32);
        w.FixedString(m < names.size() ? names[m].second : "", 32);
        w.U32(0);
        w.U32(0x00102030 + m);
        w.U32(0x10002 + m);
    }
    w.Bytes("<NF>", 4);
    w.U32(frames);
    w.Bytes("<VT>", 4);
    w.U32(vertices);
    for (uint32_t k = 0; k < frames; ++k)
        for (uint32_t v = 0; v < vertices; ++v)
            for (int i = 0; i < 8; ++i) w.F32(static_cast<float>(v * 10 + i) + 1000.0f * k);
    w.Bytes("<END>", 5);
    return w.Take();
}

class RecordingSource final : public qv::MeshTextureSource {
public:
    int32_t AddMeshTexture(const char* name, const char* file, uint32_t* index) override {
        calls.push_back(std::string("add:") + name + ":" + fs::path(file).parent_path().filename().string());
        *index = ++count;
        return 1;
    }
    int32_t InsertMeshAlpha(const char* file, uint32_t index) override {
        calls.push_back("alpha:" + fs::path(file).filename().string() + ":" + std::to_string(index));
        return 0;
    }
    std::vector<std::string> calls;
    uint32_t count = 0;
};

TEST(EditorMesh, FacesAreGroupedByMaterial) {
    auto image = JMesh({{0, 1, 2, 2}, {3, 4, 5, 0}, {6, 7, 8, 1}}, 3, 9);
    qv::EditorMesh mesh;
    ASSERT_EQ(mesh.LoadJMesh5Memory(image.data(), image.size()), 1);
    EXPECT_EQ(mesh.name, "dummy");
    ASSERT_EQ(mesh.groups.size(), 3u);
    for (const auto& g : mesh.groups) {
        EXPECT_EQ(g.faceCount, 1u);
        EXPECT_EQ(g.vertexCount, 3u);
    }
    EXPECT_EQ(mesh.faceMaterials, (std::vector<uint16_t>{0, 1, 2}));
    EXPECT_EQ(mesh.faces, (std::vector<uint16_t>{0, 1, 2, 0, 1, 2, 0, 1, 2}));
    // Group 0 holds the vertices of the face with material 0 (file vertices 3..5).
    EXPECT_EQ(mesh.frames[0].x, 30.0f);
    EXPECT_EQ(mesh.frames[3].x, 60.0f);
    EXPECT_EQ(mesh.frames[6].x, 0.0f);
    EXPECT_EQ(mesh.groups[2].colour, 0x00102032u);
    EXPECT_EQ(mesh.groups[2].flags, 0x0004u);
}

TEST(EditorMesh, SharedVertexIsCopiedIntoEveryGroup) {
    auto image = JMesh({{0, 1, 2, 0}, {2, 3, 4, 1}}, 2, 5);
    qv::EditorMesh mesh;
    ASSERT_EQ(mesh.LoadJMesh5Memory(image.data(), image.size()), 1);
    EXPECT_EQ(mesh.vertexCount, 6u);
    EXPECT_EQ(mesh.groups[1].vertexCount, 3u);
    EXPECT_EQ(mesh.frames[3].x, 20.0f);  // file vertex 2 starts group 1 as well
}

TEST(EditorMesh, DamagedFilesAreRefused) {
    auto good = JMesh({{0, 1, 2, 0}}, 1, 3);
    struct Row {
        const char* label;
        std::vector<uint8_t> bytes;
    } rows[] = {
        {"no materials", JMesh({{0, 1, 2, 0}}, 0, 3)},
        {"material beyond the count", JMesh({{0, 1, 2, 1}}, 1, 3)},
        {"vertex beyond the count", JMesh({{0, 1, 3, 0}}, 1, 3)},
        {"negative material", JMesh({{0, 1, 2, 0x8000}}, 1, 3)},
        {"cut after <VT>", std::vector<uint8_t>(good.begin(), good.end() - 40)},
        {"empty", {}},
    };
    for (const Row& r : rows) {
        qv::EditorMesh mesh;
        EXPECT_EQ(mesh.LoadJMesh5Memory(r.bytes.data(), r.bytes.size()), 0) << r.label;
    }
    // A position that is not a finite number: vertex 1's z (the vertices end before "<END>").
    for (float notFinite : {INFINITY, -INFINITY, NAN}) {
        std::vector<uint8_t> bad = good;
        plat::StoreF32(bad.data() + bad.size() - 5 - 2 * 32 + 8, notFinite);
        qv::EditorMesh mesh;
        EXPECT_EQ(mesh.LoadJMesh5Memory(bad.data(), bad.size()), 0) << notFinite;
    }
    const char* tags[] = {"JMESH5*", "<TL>", "<ML>", "<NF>", "<VT>", "<END>"};
    for (const char* tag : tags) {
        std::vector<uint8_t> bad = good;
        auto it = std::search(bad.begin(), bad.end(), tag, tag + std::strlen(tag));
        ASSERT_NE(it, bad.end());
        *(it + 1) ^= 0x20;
        qv::EditorMesh mesh;
        EXPECT_EQ(mesh.LoadJMesh5Memory(bad.data(), bad.size()), 0) << tag;
    }
}

TEST(EditorMesh, FileNamesTexturesAndTheImagesFolder) {
    fs::path dir = fs::temp_directory_path() / ("qv_mesh_" + std::to_string(getpid()));
    fs::create_directories(dir / "images");
    std::ofstream(dir / "here.bmp") << "x";
    std::ofstream(dir / "images" / "far.bmp") << "x";
    std::ofstream(dir / "op.bmp") << "x";
    auto image = JMesh({{0, 1, 2, 0}, {0, 1, 2, 1}, {0, 1, 2, 2}}, 3, 3, 3,
                       {{"HERE.BMP", "op.bmp"}, {"far.bmp", "op.bmp"}, {"", ""}});
    std::ofstream(dir / "Rock.jm5", std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                             static_cast<std::streamsize>(image.size()));
    qv::EditorMesh mesh;
    RecordingSource source;
    ASSERT_EQ(mesh.LoadJMesh5File((dir / "Rock.jm5").string(), &source), 1);
    EXPECT_EQ(mesh.name, "Rock");
    const std::string folder = dir.filename().string();
    EXPECT_EQ(source.calls, (std::vector<std::string>{"add:HERE.BMP:" + folder, "alpha:op.bmp:1", "add:far.bmp:images"}));
    EXPECT_EQ(mesh.groups[0].textureIndex, 1u);
    EXPECT_EQ(mesh.groups[1].textureIndex, 2u);
    EXPECT_EQ(mesh.groups[2].textureIndex, 0u);
    EXPECT_EQ(mesh.frameCount, 3u);
    EXPECT_EQ(mesh.CurrentFrame(), mesh.frames.data());
    mesh.SetFrame(1.5f);
    EXPECT_FLOAT_EQ(mesh.CurrentFrame()[0].x, 1500.0f);
    fs::remove_all(dir);
}

TEST(EditorMesh, RecordRoundTripAndDamagedRecords) {
    auto image = JMesh({{0, 1, 2, 1}, {3, 4, 5, 0}}, 2, 6, 3);
    qv::EditorMesh mesh;
    ASSERT_EQ(mesh.LoadJMesh5Memory(image.data(), image.size()), 1);
    mesh.groups[0].textureIndex = 4;
    plat::ByteWriter out;
    mesh.WriteRecord(out);
    ASSERT_EQ(out.Size(), 156u + 3 * 6 * 32 + 2 * 8 + 2 * 16);
    EXPECT_EQ(plat::LoadU32(out.Data().data() + 4), out.Size() - 8);

    qv::EditorMesh back;
    plat::ByteReader in(out.Data().data(), out.Size());
    ASSERT_EQ(back.ReadRecord(in), 0);
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_EQ(back.groups[0].textureIndex, 4u);
    EXPECT_EQ(back.frameCount, 3u);
    plat::ByteWriter again;
    back.WriteRecord(again);
    EXPECT_EQ(again.Data(), out.Data());

    struct Row {
        const char* label;
        size_t at;
        uint32_t value;
    } rows[] = {{"tag", 0, 0x11223344}, {"size", 4, 0xFFFFFF00}, {"faces", 136, 99}, {"vertices", 148, 0x40000000},
                {"frames", 152, 0xFFFFFFFF}};
    for (const Row& r : rows) {
        std::vector<uint8_t> bad = out.Data();
        plat::StoreU32(bad.data() + r.at, r.value);
        plat::ByteReader badIn(bad.data(), bad.size());
        qv::EditorMesh target;
        EXPECT_EQ(target.ReadRecord(badIn), qv::Result(qv::kResultBadChunk)) << r.label;
    }
    std::vector<uint8_t> infinite = out.Data();
    plat::StoreF32(infinite.data() + 156 + 32 * 4, -INFINITY);  // vertex 4's x
    plat::ByteReader infiniteIn(infinite.data(), infinite.size());
    qv::EditorMesh refused;
    EXPECT_EQ(refused.ReadRecord(infiniteIn), qv::Result(qv::kResultBadChunk));
    std::vector<uint8_t> badIndex = out.Data();
    plat::StoreU16(badIndex.data() + 156 + 3 * 6 * 32, 7);  // a face corner beyond its group
    plat::ByteReader badIn(badIndex.data(), badIndex.size());
    qv::EditorMesh target;
    EXPECT_EQ(target.ReadRecord(badIn), qv::Result(qv::kResultBadChunk));
}

}  // namespace
