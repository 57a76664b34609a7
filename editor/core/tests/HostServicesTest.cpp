#include <gtest/gtest.h>

#include "EditorFixture.h"
#include "common/stream/FileStream.h"
#include "platform/bytes/ByteIO.h"

namespace {

using qv::MsgArg;
using qvtest::EditorFixture;
using qvtest::JMeshFace;
using qvtest::JMeshMaterial;

class SpyPort : public qv::Port {
public:
    SpyPort() : Port("Spy", qv::kKindResources) {}
    int32_t OnMessage(qv::Port*, uint32_t code, MsgArg arg, MsgArg data) override {
        seen.push_back({code, static_cast<uint32_t>(data)});
        hosts.push_back(arg);
        return 0;
    }
    std::vector<std::pair<uint32_t, uint32_t>> seen;
    std::vector<MsgArg> hosts;
};

class HostServices : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        ASSERT_EQ(Load({"a_land", "b_objt"}), 2u);
        host = editor->Host(0);
        other = editor->Host(1);
        editor->bus.Register(&spy);
        for (int i = 1; i <= 5; ++i)
            qvtest::WriteFile(Path("t" + std::to_string(i) + ".bmp"), qvtest::MakeBmp(8, 8, 24, static_cast<uint8_t>(i)));
    }
    void TearDown() override {
        editor->bus.Unregister(&spy);
        EditorFixture::TearDown();
    }
    std::string MeshWithTextures(const std::string& file, const std::vector<std::string>& textures) {
        std::vector<JMeshFace> faces;
        std::vector<JMeshMaterial> materials;
        for (size_t i = 0; i < textures.size(); ++i) {
            const uint16_t b = static_cast<uint16_t>(3 * i);
            faces.push_back({b, static_cast<uint16_t>(b + 1), static_cast<uint16_t>(b + 2), static_cast<uint16_t>(i)});
            materials.push_back({textures[i], ""});
        }
        qvtest::WriteFile(Path(file), qvtest::MakeJMesh5(faces, materials, static_cast<uint32_t>(3 * textures.size())));
        return Path(file);
    }
    std::vector<uint32_t> GroupTextures(uint32_t mesh) {
        std::vector<uint32_t> out;
        for (const auto& g : host->GetMesh(mesh)->groups) out.push_back(g.textureIndex);
        return out;
    }

    qv::PluginHostImpl* host = nullptr;
    qv::PluginHostImpl* other = nullptr;
    SpyPort spy;
};

TEST_F(HostServices, AddingATextureBroadcastsAroundIt) {
    uint32_t index = 0;
    EXPECT_EQ(host->AddTextureFromFile(Path("t1.bmp").c_str(), &index), 1);
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(spy.seen, (std::vector<std::pair<uint32_t, uint32_t>>{{0x20001, 0}, {0x20002, 1}}));
    EXPECT_EQ(spy.hosts[1], reinterpret_cast<MsgArg>(static_cast<qv::PluginHost*>(host)));
    EXPECT_EQ(host->AddTextureFromFile(Path("missing.bmp").c_str(), &index), 0);
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(host->GetTextureCount(), 1);
    EXPECT_STREQ(host->GetTextureName(1), Path("t1.bmp").c_str());
    uint32_t w = 0, h = 0;
    EXPECT_EQ(host->GetTextureSize(1, &w, &h), 0);
    EXPECT_EQ(w, 8u);
}

TEST_F(HostServices, DeletingTextureThreeOfFiveRenumbersMeshReferences) {
    uint32_t mesh = 0;
    host->AddMeshFromFile(MeshWithTextures("m.jm5", {"t1.bmp", "t2.bmp", "t3.bmp", "t4.bmp",
                                                     "t5.bmp"}).c_str(), &mesh);
    ASSERT_EQ(mesh, 1u);
    ASSERT_EQ(GroupTextures(1), (std::vector<uint32_t>{1, 2, 3, 4, 5}));
    spy.seen.clear();
    EXPECT_EQ(host->DeleteTexture(3, 0), 0);
    EXPECT_EQ(GroupTextures(1), (std::vector<uint32_t>{1, 2, 0, 3, 4}));
    EXPECT_EQ(spy.seen, (std::vector<std::pair<uint32_t, uint32_t>>{{0x20003, 3}, {0x20004, 3}}));
    EXPECT_EQ(host->DeleteTexture(0, 0), qv::Result(qv::kResultBadIndex));
    EXPECT_EQ(host->DeleteTexture(5, 0), qv::Result(qv::kResultBadIndex));
}

TEST_F(HostServices, TheSixtyFifthTextureGrowsTheList) {
    uint32_t index = 0;
    for (int i = 0; i < 65; ++i) host->AddTextureFromFile(Path("t1.bmp").c_str(), &index);
    EXPECT_EQ(index, 65u);
    EXPECT_EQ(host->TextureCapacity(), 128u);
    // The same file is one texture counted by every entry; compacting merges the entries.
    EXPECT_EQ(editor->textures.References(host->TextureHandle(1)), 65u);
    host->CompactTextures();
    EXPECT_EQ(host->GetTextureCount(), 1);
    EXPECT_EQ(editor->textures.References(host->TextureHandle(1)), 1u);
}

TEST_F(HostServices, DeletingAMeshKeepsTexturesOthersStillUse) {
    uint32_t a = 0, b = 0, kept = 0;
    other->AddMeshFromFile(MeshWithTextures("o.jm5", {"t1.bmp"}).c_str(), &kept);
    kept = 1;
    host->AddMeshFromFile(MeshWithTextures("a.jm5", {"t1.bmp", "t2.bmp"}).c_str(), &a);
    host->AddMeshFromFile(MeshWithTextures("b.jm5", {"t1.bmp"}).c_str(), &b);
    ASSERT_EQ(host->GetTextureCount(), 2);  // the second t1 entry was merged
    EXPECT_EQ(GroupTextures(2), (std::vector<uint32_t>{1}));
    EXPECT_EQ(host->DeleteMesh(1), 0);
    EXPECT_EQ(host->GetTextureCount(), 1);
    EXPECT_EQ(GroupTextures(1), (std::vector<uint32_t>{1}));
    EXPECT_STREQ(host->GetTextureName(1), "t1.bmp");
    EXPECT_EQ(host->TextureHandle(1), other->TextureHandle(kept));
    host->DeleteAllMeshes();
    EXPECT_EQ(host->GetTextureCount(), 0);
    EXPECT_STREQ(other->GetTextureName(kept), "t1.bmp");
    EXPECT_EQ(editor->textures.References(other->TextureHandle(kept)), 1u);
}

TEST_F(HostServices, FailedReplacesKeepTheOldEntries) {
    uint32_t t = 0, m = 0, w = 0;
    host->AddTextureFromFile(Path("t1.bmp").c_str(), &t);
    host->AddMeshFromFile(MeshWithTextures("a.jm5", {"t2.bmp"}).c_str(), &m);
    qvtest::WriteFile(Path("a.wav"), qvtest::MakeWav(1, 16, 22050, 64));
    host->AddWaveFromFile(Path("a.wav").c_str(), &w);
    spy.seen.clear();
    EXPECT_NE(host->ReplaceTextureFromFile(Path("missing.bmp").c_str(), t), 0);
    EXPECT_NE(host->ReplaceMeshFromFile(Path("missing.jm5").c_str(), m), 0);
    EXPECT_NE(host->ReplaceWaveFromFile(Path("missing.wav").c_str(), w), 0);
    EXPECT_TRUE(spy.seen.empty());
    EXPECT_STREQ(host->GetTextureName(t), Path("t1.bmp").c_str());
    ASSERT_NE(host->GetMesh(m), nullptr);
    EXPECT_STREQ(host->GetWaveName(w), "a");
    EXPECT_EQ(host->ReplaceTextureFromFile(Path("t3.bmp").c_str(), t), 0);
    EXPECT_EQ(spy.seen, (std::vector<std::pair<uint32_t, uint32_t>>{{0x20006, 1}}));
}

TEST_F(HostServices, IndexChecks) {
    qv::BitmapInfoHeader header;
    header.width = 4, header.height = 4, header.bitCount = 24;
    std::vector<uint8_t> pixels(48, 7);
    uint32_t index = 0;
    EXPECT_EQ(host->AddTextureFromMemory("sky", &header, pixels.data(), &index), 1);
    EXPECT_EQ(host->InsertAlpha(Path("t1.bmp").c_str(), 0), qv::Result(qv::kResultBadIndex));
    EXPECT_EQ(host->InsertAlpha(Path("t1.bmp").c_str(), 2), qv::Result(qv::kResultBadIndex));
    EXPECT_EQ(host->ReplaceTextureFromMemory("sky", &header, pixels.data(), 2), qv::Result(qv::kResultBadIndex));
    EXPECT_EQ(host->SetStageTexture(0, 0), 0);
    EXPECT_EQ(host->SetStageTexture(0, 2), qv::Result(qv::kResultBadIndex));
    EXPECT_EQ(host->GetTextureName(2), nullptr);
    EXPECT_EQ(host->GetMesh(1), nullptr);
    EXPECT_EQ(host->GetWaveName(1), nullptr);
    EXPECT_EQ(host->FindTexture("SKY"), 1);
    EXPECT_EQ(host->FindTexture("cloud"), 0);
    EXPECT_EQ(host->GetPluginCount(), 2);
    EXPECT_EQ(host->FindPlugin(qv::FourCC("BBBB")), editor->Plugin(1));
    EXPECT_EQ(host->GetPlugin(2), nullptr);
}

TEST_F(HostServices, DialogsAndPanelsAreRecorded) {
    editor->ui->fileAnswers.push_back({Path("t1.bmp"), Path("t2.bmp")});
    uint32_t index = 0;
    EXPECT_EQ(host->LoadTextureDialog(&index), 2);
    EXPECT_EQ(index, 2u);
    EXPECT_EQ(host->LoadMeshDialog(&index), -1);  // cancelled
    qv::QvWnd panel = host->CreatePluginDialog(host->module, 101, nullptr);
    EXPECT_NE(panel, nullptr);
    host->SetStatusReady();
    host->RedrawPluginViewports(0);
    std::vector<std::string> ops;
    for (const auto& c : editor->ui->calls) ops.push_back(c.op + ":" + c.detail);
    EXPECT_EQ(std::vector<std::string>(ops.end() - 5, ops.end()),
              (std::vector<std::string>{"OpenFileDialog:0:Load Texture", "OpenFileDialog:2:Load Mesh", "CreatePluginDialog:101",
                                        "SetStatusText:Ready", "InvalidateViewports:0"}));
}

// ---- sub-chunk lists

class HostLists : public HostServices {
protected:
    std::string WriteBytes(const std::vector<uint8_t>& bytes) {
        qvtest::WriteFile(Path("list.bin"), bytes);
        return Path("list.bin");
    }
};

TEST_F(HostLists, WrongTagReadsOnlyTheHead) {
    plat::ByteWriter w;
    w.Bytes("XXXX", 4);
    w.U32(4);
    w.U32(0);
    qv::FileStream s(WriteBytes(w.Data()).c_str(), "rb");
    uint32_t bytes = 0;
    EXPECT_EQ(host->ReadTextures(&s, &bytes), qv::Result(qv::kResultBadChunk));
    EXPECT_EQ(s.Tell(), 8u);
    s.Seek(0, 0);
    EXPECT_EQ(host->ReadMeshes(&s, &bytes), qv::Result(qv::kResultBadChunk));
    s.Seek(0, 0);
    EXPECT_EQ(host->ReadWaves(&s, &bytes), qv::Result(qv::kResultBadChunk));
}

TEST_F(HostLists, ReaderEndsAtTheDeclaredSizeAndRefusesImpossibleCounts) {
    struct Row {
        const char* tag;
        uint32_t count;
        uint32_t size;
        int32_t result;
    } rows[] = {
        {"TXDB", 0, 40, 0},
        {"MES2", 0, 40, 0},
        {"WAVE", 0, 40, 0},
        {"TXDB", 1000000, 40, qv::Result(qv::kResultBadChunk)},
        {"MES2", 0xFFFFFFFF, 40, qv::Result(qv::kResultBadChunk)},
        {"WAVE", 2, 40, qv::Result(qv::kResultBadChunk)},
        {"TXDB", 0, 4000, qv::Result(qv::kResultBadChunk)},  // larger than the file
    };
    for (const Row& r : rows) {
        plat::ByteWriter w;
        w.Bytes(r.tag, 4);
        w.U32(r.size);
        w.U32(r.count);
        w.Zeros(36);
        w.U32(0xABCDEF01);
        qv::FileStream s(WriteBytes(w.Data()).c_str(), "rb");
        uint32_t bytes = 0;
        int32_t got = std::string(r.tag) == "TXDB" ? host->ReadTextures(&s, &bytes)
                      : std::string(r.tag) == "MES2" ? host->ReadMeshes(&s, &bytes)
                                                     : host->ReadWaves(&s, &bytes);
        EXPECT_EQ(got, r.result) << r.tag << " " << r.count << " " << r.size;
        if (r.result == 0) {
            EXPECT_EQ(bytes, 48u);
            EXPECT_EQ(s.Tell(), 48u);
        }
    }
}

TEST_F(HostLists, ListsRoundTripByteForByte) {
    uint32_t index = 0;
    host->AddTextureFromFile(Path("t4.bmp").c_str(), &index);
    host->AddMeshFromFile(MeshWithTextures("a.jm5", {"t1.bmp", "t2.bmp"}).c_str(), &index);
    qvtest::WriteFile(Path("engine.idle.wav"), qvtest::MakeWav(2, 16, 44100, 400));
    host->AddWaveFromFile(Path("engine.idle.wav").c_str(), &index);
    EXPECT_STREQ(host->GetWaveName(1), "engine.idle");

    auto writeAll = [&](qv::PluginHostImpl* h, const std::string& file) {
        qv::FileStream s(file.c_str(), "w+b");
        uint32_t b1 = 0, b2 = 0, b3 = 0;
        EXPECT_EQ(h->WriteTextures(&s, &b1), 0);
        EXPECT_EQ(h->WriteMeshes(&s, &b2), 0);
        EXPECT_EQ(h->WriteWaves(&s, &b3), 0);
        EXPECT_EQ(s.Tell(), b1 + b2 + b3);
    };
    writeAll(host, Path("first.bin"));
    {
        qv::FileStream s(Path("first.bin").c_str(), "rb");
        uint32_t bytes = 0;
        ASSERT_EQ(other->ReadTextures(&s, &bytes), 0);
        ASSERT_EQ(other->ReadMeshes(&s, &bytes), 0);
        ASSERT_EQ(other->ReadWaves(&s, &bytes), 0);
        EXPECT_EQ(s.Tell(), s.Size());
    }
    EXPECT_EQ(other->GetTextureCount(), 3);
    EXPECT_EQ(other->GetMeshCount(), 1);
    EXPECT_EQ(other->Wave(1)->Data().samples, host->Wave(1)->Data().samples);
    writeAll(other, Path("second.bin"));
    EXPECT_EQ(qvtest::ReadFile(Path("first.bin")), qvtest::ReadFile(Path("second.bin")));
}

TEST_F(HostLists, OldMeshListsSwapTheWinding) {
    uint32_t index = 0;
    host->AddMeshFromFile(MeshWithTextures("a.jm5", {""}).c_str(), &index);
    const std::vector<uint16_t> faces = host->GetMesh(1)->faces;
    {
        qv::FileStream s(Path("m.bin").c_str(), "w+b");
        uint32_t bytes = 0;
        host->WriteMeshes(&s, &bytes);
    }
    std::vector<uint8_t> bytes = qvtest::ReadFile(Path("m.bin"));
    for (const char* tag : {"MES2", "MESH"}) {
        std::memcpy(bytes.data(), tag, 4);
        qvtest::WriteFile(Path("m.bin"), bytes);
        qv::FileStream s(Path("m.bin").c_str(), "rb");
        uint32_t read = 0;
        spy.seen.clear();
        ASSERT_EQ(other->ReadMeshes(&s, &read), 0);
        EXPECT_EQ(spy.seen, (std::vector<std::pair<uint32_t, uint32_t>>{{0x20020, 1}}));
        const auto& got = other->GetMesh(1)->faces;
        if (std::string(tag) == "MES2") {
            EXPECT_EQ(got, faces);
        } else {
            EXPECT_EQ(got[1], faces[2]);
            EXPECT_EQ(got[2], faces[1]);
        }
    }
}

// ---- waves

TEST_F(HostServices, WavesAreKeptAndPlayed) {
    qvtest::WriteFile(Path("bad.wav"), qvtest::MakeWav(1, 16, 22050, 64, 14));
    qvtest::WriteFile(Path("good.wav"), qvtest::MakeWav(1, 16, 22050, 64));
    uint32_t index = 7;
    EXPECT_EQ(host->AddWaveFromFile(Path("bad.wav").c_str(), &index), 0);
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(host->AddWaveFromFile(Path("good.wav").c_str(), &index), 0);
    EXPECT_EQ(index, 1u);
    if (editor->sound.HasDevice()) {
        EXPECT_EQ(host->PlayWave(5, 0), 0);
        EXPECT_EQ(host->PlayWave(1, 1), 0);
        EXPECT_EQ(host->StopWave(1), 0);
        EXPECT_EQ(host->SetWaveVolume(1, -2000), 0);
        EXPECT_NEAR(host->Wave(1)->Gain(), 0.1f, 1e-4f);
        EXPECT_EQ(host->SetWaveFrequency(1, 44100), 0);
        EXPECT_FLOAT_EQ(host->Wave(1)->Pitch(), 2.0f);
    } else {
        EXPECT_EQ(host->PlayWave(1, 0), qv::Result(qv::kResultNoSound));
    }
    EXPECT_EQ(host->DeleteWave(2), qv::Result(qv::kResultBadIndex));
    EXPECT_EQ(host->DeleteWave(1), 0);
    EXPECT_EQ(host->GetWaveCount(), 0);
}

}  // namespace
