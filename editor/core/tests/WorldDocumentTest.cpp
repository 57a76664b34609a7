#include <gtest/gtest.h>

#include "EditorFixture.h"
#include "platform/bytes/ByteIO.h"

namespace {

using qvtest::EditorFixture;

class WorldDocument : public EditorFixture {
protected:
    // A world with chunks from two plug-ins, each with a payload, textures, a mesh and a wave.
    void Populate() {
        qvtest::WriteFile(Path("rock.bmp"), qvtest::MakeBmp(16, 16, 8, 3));
        qvtest::WriteFile(Path("leaf.bmp"), qvtest::MakeBmp(4, 4, 24, 5));
        qvtest::WriteFile(Path("rock.jm5"),
                          qvtest::MakeJMesh5({{0, 1, 2, 0}, {3, 4, 5, 1}}, {{"rock.bmp", ""}, {"", ""}}, 6, 2));
        qvtest::WriteFile(Path("wind.wav"), qvtest::MakeWav(1, 8, 11025, 101));
        const std::string tex = Path("leaf.bmp"), mesh = Path("rock.jm5"), wave = Path("wind.wav");
        EXPECT_EQ(Send("AAAA", 0x7001, reinterpret_cast<qv::MsgArg>(tex.c_str())), 1);
        EXPECT_EQ(Send("AAAA", 0x7002, reinterpret_cast<qv::MsgArg>(mesh.c_str())), 1);
        EXPECT_EQ(Send("BBBB", 0x7003, reinterpret_cast<qv::MsgArg>(wave.c_str())), 1);
        Send("AAAA", 0x7004, 1000);
        Send("BBBB", 0x7004, 3);
    }
    std::vector<uint8_t> Head(const char* tag, uint32_t size) {
        plat::ByteWriter w;
        w.Bytes(tag, 4);
        w.U32(size);
        return w.Take();
    }
};

TEST_F(WorldDocument, EmptyWorldIsTheEditorChunksOnly) {
    Load({});
    ASSERT_EQ(editor->world.Save(Path("empty.wld")), 0);
    const auto bytes = qvtest::ReadFile(Path("empty.wld"));
    ASSERT_EQ(bytes.size(), 868u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "QVED");
    EXPECT_EQ(plat::LoadU32(bytes.data() + 4), 860u);
    EXPECT_EQ(plat::LoadU32(bytes.data() + 12), 32u);
    EXPECT_EQ(plat::LoadF32(bytes.data() + 16 + 12), 1000.0f);
    EXPECT_EQ(plat::LoadF32(bytes.data() + 40), 0.05f);
    EXPECT_EQ(std::string(bytes.begin() + 48, bytes.begin() + 52), "VWPR");
    EXPECT_EQ(plat::LoadU32(bytes.data() + 52), 720u);
    EXPECT_EQ(plat::LoadF32(bytes.data() + 56 + 4), -100.0f);
    EXPECT_EQ(std::string(bytes.begin() + 776, bytes.begin() + 780), "FOG ");
    EXPECT_EQ(plat::LoadU32(bytes.data() + 784 + 8), 0xFFE6D7u);
    EXPECT_EQ(editor->world.title, Path("empty.wld"));
}

TEST_F(WorldDocument, OpenThenSaveGivesTheSameBytes) {
    ASSERT_EQ(Load({"a_land", "b_objt"}), 2u);
    Populate();
    ASSERT_EQ(editor->world.Save(Path("first.wld")), 0);
    const auto first = qvtest::ReadFile(Path("first.wld"));
    EXPECT_EQ(std::string(first.begin() + 868, first.begin() + 872), "AAAA");

    ASSERT_EQ(editor->world.Open(Path("first.wld")), 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(editor->Host(0)->GetTextureCount(), 2);
    EXPECT_EQ(editor->Host(0)->GetMeshCount(), 1);
    EXPECT_EQ(editor->Host(0)->GetMesh(1)->frameCount, 2u);
    EXPECT_EQ(editor->Host(1)->GetWaveCount(), 1);
    EXPECT_EQ(editor->world.path, Path("first.wld"));
    ASSERT_EQ(editor->world.Save(Path("second.wld")), 0);
    EXPECT_EQ(qvtest::ReadFile(Path("second.wld")), first);
    EXPECT_NE(State(0).find("LoadChunk;"), std::string::npos);
    EXPECT_NE(State(0).find("msg:131073:0;"), std::string::npos);  // the texture broadcasts reached its port
}

TEST_F(WorldDocument, ForeignChunkRefusesTheWholeFile) {
    ASSERT_EQ(Load({"a_land", "b_objt"}), 2u);
    Populate();
    ASSERT_EQ(editor->world.Save(Path("w.wld")), 0);
    auto bytes = qvtest::ReadFile(Path("w.wld"));
    std::memcpy(bytes.data() + 868, "PASS", 4);  // a chunk no loaded plug-in owns
    qvtest::WriteFile(Path("locked.wld"), bytes);
    EXPECT_NE(editor->world.Open(Path("locked.wld")), 0);
    EXPECT_EQ(messages, (std::vector<std::string>{"Security Breach|You are not allowed to edit this file!!\n"}));
    EXPECT_TRUE(editor->world.path.empty());
    EXPECT_EQ(editor->world.title, "Untitled.wld");
    EXPECT_EQ(editor->Host(0)->GetTextureCount(), 0);
    EXPECT_EQ(editor->Host(1)->GetWaveCount(), 0);
}

TEST_F(WorldDocument, FailedSaveKeepsTheOldFileAndSaysSo) {
    ASSERT_EQ(Load({"a_land", "b_objt"}), 2u);
    Populate();
    ASSERT_EQ(editor->world.Save(Path("keep.wld")), 0);
    const auto before = qvtest::ReadFile(Path("keep.wld"));
    Send("AAAA", 0x7004, 50);
    // The temporary file cannot be made: a folder stands in its place.
    std::filesystem::create_directory(Path("keep.wld.saving"));
    EXPECT_EQ(editor->world.Save(Path("keep.wld")), qv::Result(qv::kResultWriteFailed));
    EXPECT_EQ(messages, (std::vector<std::string>{"Save world|Write error ..."}));
    EXPECT_EQ(qvtest::ReadFile(Path("keep.wld")), before);
}

TEST_F(WorldDocument, MalformedFilesAreRefused) {
    ASSERT_EQ(Load({"a_land"}), 1u);
    auto world = [&](std::vector<std::vector<uint8_t>> parts, int32_t outerAdjust = 0) {
        std::vector<uint8_t> body;
        for (auto& p : parts) body.insert(body.end(), p.begin(), p.end());
        auto bytes = Head("QVED", static_cast<uint32_t>(body.size() + outerAdjust));
        bytes.insert(bytes.end(), body.begin(), body.end());
        return bytes;
    };
    std::vector<uint8_t> header = Head("QVED", 32);
    header.resize(40, 0);
    std::vector<uint8_t> shortHeader = Head("QVED", 31);
    shortHeader.resize(39, 0);
    std::vector<uint8_t> badPlugin = Head("AAAA", 4);
    badPlugin.resize(12, 0xFF);  // a payload size far beyond the chunk
    struct Row {
        const char* label;
        std::vector<uint8_t> bytes;
    } rows[] = {
        {"seven bytes", {'Q', 'V', 'E', 'D', 0, 0, 0}},
        {"wrong outer tag", Head("QVEX", 0)},
        {"outer size not length - 8", world({header}, 1)},
        {"chunk larger than what remains", world({header, Head("FOG ", 100)})},
        {"size that wraps", world({header, Head("FOG ", 0xFFFFFFF8)})},
        {"header chunk of 31 bytes", world({shortHeader})},
        {"chunk head cut short", world({header, {'F', 'O'}})},
        {"plug-in refuses its chunk", world({header, badPlugin})},
    };
    for (const Row& r : rows) {
        messages.clear();
        qvtest::WriteFile(Path("bad.wld"), r.bytes);
        EXPECT_NE(editor->world.Open(Path("bad.wld")), 0) << r.label;
        EXPECT_EQ(messages, (std::vector<std::string>{"Open Error|Wrong File ..."})) << r.label;
        EXPECT_TRUE(editor->world.path.empty()) << r.label;
    }
    messages.clear();
    EXPECT_NE(editor->world.Open(Path("missing.wld")), 0);
    EXPECT_EQ(messages, (std::vector<std::string>{"Open Error|Wrong File ..."}));
}

TEST_F(WorldDocument, PluginLoadRefusedResetsWithoutABox) {
    ASSERT_EQ(Load({"a_land"}), 1u);
    ASSERT_EQ(editor->world.Save(Path("w.wld")), 0);
    Send("AAAA", 0x7005, 0);
    EXPECT_EQ(editor->world.Open(Path("w.wld")), static_cast<int32_t>(qv::kPluginLoadRefused));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(editor->world.path.empty());
}

TEST_F(WorldDocument, BareHeadIsAnEmptyWorldAndShortFogKeepsTheRest) {
    Load({});
    qvtest::WriteFile(Path("bare.wld"), Head("QVED", 0));
    EXPECT_EQ(editor->world.Open(Path("bare.wld")), 0);
    EXPECT_EQ(editor->world.title, Path("bare.wld"));
    EXPECT_EQ(editor->world.bounds[3], 1000.0f);

    editor->world.fog.customColours[0] = 0x123456;
    auto fog = Head("FOG ", 20);
    for (uint32_t v : {2u, 1u, 0x00FF00u, 10u, 20u}) {
        fog.resize(fog.size() + 4);
        plat::StoreU32(fog.data() + fog.size() - 4, v);
    }
    auto bytes = Head("QVED", static_cast<uint32_t>(fog.size()));
    bytes.insert(bytes.end(), fog.begin(), fog.end());
    qvtest::WriteFile(Path("fog.wld"), bytes);
    // Open resets the document; the custom colours are not part of a reset.
    EXPECT_EQ(editor->world.Open(Path("fog.wld")), 0);
    EXPECT_EQ(editor->world.fog.mode, 2);
    EXPECT_EQ(editor->world.fog.on, 1);
    EXPECT_EQ(editor->world.fog.end, 20);
    EXPECT_EQ(editor->world.fog.customColours[0], 0x123456u);
}

TEST_F(WorldDocument, ResetAsksAndBroadcastsTheBounds) {
    Load({});
    qv::SetEditorMessageHook([](const qv::EditorMessage&) { return qv::MessageAnswer::Cancel; });
    editor->world.bounds[0] = 5;
    EXPECT_EQ(editor->world.Reset(false, false), 0);
    EXPECT_EQ(editor->world.bounds[0], 5);
    EXPECT_EQ(editor->world.Reset(true, false), 1);
    EXPECT_EQ(editor->world.bounds[0], 0);
}

TEST_F(WorldDocument, SaveAsAndOpenThroughTheDialogs) {
    ASSERT_EQ(Load({"a_land"}), 1u);
    editor->ui->fileAnswers.push_back({Path("Track")});
    ASSERT_EQ(editor->world.SaveCommand(), 0);
    EXPECT_EQ(editor->world.path, Path("track.WLD"));
    EXPECT_TRUE(std::filesystem::exists(Path("track.WLD")));
    EXPECT_EQ(editor->world.SaveCommand(), 0);  // the document path now, no dialog
    editor->ui->fileAnswers.push_back({Path("track.WLD")});
    editor->world.OpenWithDialog();
    EXPECT_EQ(editor->world.path, Path("track.WLD"));
    editor->world.OpenWithDialog();  // cancelled: an empty world
    EXPECT_TRUE(editor->world.path.empty());
    // The question is captioned with the window title: the saved world's path.
    // The caption is the window title cut to 63 characters.
    const std::string question =
        Path("track.WLD").substr(0, 63) + "|This operation will delete everything in memory and initialize the World.";
    EXPECT_EQ(messages, (std::vector<std::string>{question, question}));
}

TEST(WorldDocumentNames, SaveNameNormalisation) {
    struct Row {
        const char* typed;
        const char* stored;
    } rows[] = {{"Track", "track.WLD"}, {"a.WLD", "a.wld"}, {"dir/Sub/X", "dir/Sub/x.WLD"}, {"x.wld.bak", "x.wld.bak"}};
    for (const Row& r : rows) EXPECT_EQ(qv::WorldDocument::NormaliseSaveName(r.typed), r.stored) << r.typed;
}

}  // namespace
