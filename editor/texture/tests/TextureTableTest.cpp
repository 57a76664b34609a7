#include "editor/texture/TextureTable.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "editor/msgbox/EditorMessageBox.h"
#include "editor/texture/tests/BmpBytes.h"
#include "platform/registry/RegistryStore.h"
#include "platform/sys/Env.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Bmp(int w, int h, int bits) {
    const uint32_t entries = bits <= 8 ? (1u << bits) : 0;
    plat::ByteWriter out;
    const uint32_t row = qv::test::WriteBmpHead(out, w, h, bits, entries);
    for (uint32_t i = 0; i < entries; ++i) out.U32(i * 0x010101u);
    for (uint32_t i = 0; i < row * static_cast<uint32_t>(h); ++i) out.U8(static_cast<uint8_t>(i * 31 + 7));
    return out.Take();
}

class TextureTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qv_tex_" + std::to_string(getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        qv::SetEditorMessageHook([this](const qv::EditorMessage& m) {
            messages.push_back(m.caption + "|" + m.text);
            return qv::MessageAnswer::Ok;
        });
    }
    void TearDown() override {
        qv::SetEditorMessageHook(nullptr);
        fs::remove_all(dir_);
    }
    std::string Put(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream(dir_ / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                            static_cast<std::streamsize>(bytes.size()));
        return (dir_ / name).string();
    }
    fs::path dir_;
    std::vector<std::string> messages;
    qv::TextureTable table;
};

TEST_F(TextureTableTest, ChecksWarnButStillCreate) {
    struct Row {
        int w, h;
        const char* message;
    } rows[] = {{128, 64, "Not square !"},
                {192, 192, "Not power of 2 !"},
                {512, 512, "Width greater than 256 !"},
                {64, 512, "Height greater than 256 !"},
                {64, 64, nullptr}};
    for (const Row& r : rows) {
        messages.clear();
        uint32_t handle = 0;
        std::string file = Put("t" + std::to_string(r.w) + "x" + std::to_string(r.h) + ".bmp", Bmp(r.w, r.h, 8));
        ASSERT_EQ(table.AddFromFile(file, &handle), 0);
        EXPECT_NE(handle, 0u);
        if (r.message) {
            EXPECT_EQ(messages, (std::vector<std::string>{"Texture Error !|Texture : " + file + "\n\n" + r.message}));
        } else {
            EXPECT_TRUE(messages.empty());
        }
    }
}

TEST_F(TextureTableTest, FindingFiles) {
    Put("stone.bmp", Bmp(8, 8, 24));
    Put("stone.tga", Bmp(8, 8, 24));
    uint32_t h = 0;
    EXPECT_NE(table.AddFromFile((dir_ / "stone").string(), &h), 0);
    EXPECT_NE(table.AddFromFile((dir_ / "stone.tga").string(), &h), 0);
    EXPECT_EQ(table.AddFromFile((dir_ / "STONE.BMP").string(), &h), 0);
    uint32_t again = 0;
    EXPECT_EQ(table.AddFromFile((dir_ / "stone.BMP").string(), &again), 0);
    EXPECT_EQ(again, h);  // the same name in another case is the same texture
    EXPECT_EQ(table.References(h), 2u);
    setenv("D3DPATH", dir_.c_str(), 1);
    EXPECT_EQ(table.AddFromFile("Stone.bmp", &again), 0);
    unsetenv("D3DPATH");
    EXPECT_EQ(table.LiveCount(), 2u);
}

TEST_F(TextureTableTest, RendererFoldersFromTheRegistryAreSearchedLast) {
    setenv("GRAVELON_REGISTRY", (dir_ / "registry").c_str(), 1);
    plat::ReloadEnv();
    fs::create_directories(dir_ / "renderer" / "D3DIM" / "Media");
    fs::create_directories(dir_ / "renderer" / "maps");
    std::ofstream(dir_ / "renderer" / "D3DIM" / "Media" / "Leaf.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(Bmp(8, 8, 24).data()), static_cast<std::streamsize>(Bmp(8, 8, 24).size()));
    std::ofstream(dir_ / "renderer" / "maps" / "bark.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(Bmp(4, 4, 8).data()), static_cast<std::streamsize>(Bmp(4, 4, 8).size()));
    qv::TextureTable table;
    uint32_t h = 0;
    EXPECT_NE(table.AddFromFile("leaf.bmp", &h), 0) << "no registry value: not found";

    // The value as the registry keeps a text: with its terminating zero.
    const std::string folder = (dir_ / "renderer").string();
    std::vector<uint8_t> text(folder.begin(), folder.end());
    text.push_back(0);
    ASSERT_EQ(plat::RegistryStore::Default().SetValue(plat::RegKeyPath(plat::kHKeyLocalMachine, qv::kRendererKey),
                                                      qv::kRendererValue, plat::REG_SZ, text),
              plat::RegStatus::Ok);
    EXPECT_EQ(table.AddFromFile("leaf.bmp", &h), 0) << "the renderer's media folder";
    EXPECT_EQ(table.Get(h)->colour.header.width, 8);
    EXPECT_NE(table.AddFromFile("bark.bmp", &h), 0) << "the texture path is empty";
    qv::SetTexturePath("MAPS\\");
    EXPECT_EQ(table.AddFromFile("bark.bmp", &h), 0) << "renderer folder, texture path, name";
    qv::SetTexturePath("");
    EXPECT_NE(table.AddFromFile("stone.bmp", &h), 0);
    unsetenv("GRAVELON_REGISTRY");
    plat::ReloadEnv();
}

TEST_F(TextureTableTest, RecordsRoundTripForSmallWidthsAndDepths) {
    for (int bits : {1, 4, 8, 24}) {
        for (int w : {1, 2, 4, 8}) {
            qv::TextureTable source;
            uint32_t h = 0;
            ASSERT_EQ(source.AddFromFile(Put("r.bmp", Bmp(w, w, bits)), &h), 0) << bits << " " << w;
            plat::ByteWriter out;
            ASSERT_EQ(source.WriteRecord(h, out), 0);
            out.U32(0xDEADBEEF);
            qv::TextureTable target;
            plat::ByteReader in(out.Data().data(), out.Size());
            uint32_t read = 0;
            ASSERT_EQ(target.ReadRecord(in, &read), 0) << bits << " " << w;
            EXPECT_EQ(in.Remaining(), 4u) << bits << " " << w;  // the reader stops at the record's end
            plat::ByteWriter again;
            target.WriteRecord(read, again);
            EXPECT_EQ(again.Data(), std::vector<uint8_t>(out.Data().begin(), out.Data().end() - 4));
            // 1- and 4-bit images are kept as 8 bits, so the record has a full colour table.
            EXPECT_EQ(target.Get(read)->colour.header.bitCount, bits <= 8 ? 8 : bits);
        }
    }
}

TEST_F(TextureTableTest, AlphaRecordForAListedTextureIsSkippedWhole) {
    uint32_t h = 0;
    ASSERT_EQ(table.AddFromFile(Put("c.bmp", Bmp(8, 8, 24)), &h), 0);
    ASSERT_EQ(table.SetAlphaFromFile(h, Put("a.bmp", Bmp(8, 8, 8))), 0);
    plat::ByteWriter out;
    table.WriteRecord(h, out);
    EXPECT_EQ(plat::LoadU32(out.Data().data()), qv::kRecordColourAlpha);
    out.U32(0x01020304);
    plat::ByteReader in(out.Data().data(), out.Size());
    uint32_t again = 0;
    ASSERT_EQ(table.ReadRecord(in, &again), 0);
    EXPECT_EQ(again, h);
    EXPECT_EQ(in.Remaining(), 4u);
    EXPECT_EQ(table.References(h), 2u);
}

TEST_F(TextureTableTest, DamagedRecordsAreRefused) {
    uint32_t h = 0;
    ASSERT_EQ(table.AddFromFile(Put("c.bmp", Bmp(4, 4, 24)), &h), 0);
    plat::ByteWriter good;
    table.WriteRecord(h, good);
    const std::vector<uint8_t> bytes = good.Data();
    struct Row {
        const char* label;
        size_t at;
        uint32_t value;
    } rows[] = {{"kind", 0, 0x12345678},         {"header size", 132, 41},     {"width", 136, 0},
                {"huge width", 136, 0x7FFFFFFF}, {"bit count", 146, 3},       {"compressed", 148, 1},
                {"image size beyond the record", 152, 0x10000000}};
    for (const Row& r : rows) {
        std::vector<uint8_t> bad = bytes;
        if (std::string(r.label) == "bit count")
            plat::StoreU16(bad.data() + r.at, static_cast<uint16_t>(r.value));
        else
            plat::StoreU32(bad.data() + r.at, r.value);
        qv::TextureTable fresh;
        plat::ByteReader in(bad.data(), bad.size());
        uint32_t got = 0;
        EXPECT_EQ(fresh.ReadRecord(in, &got), 1) << r.label;
        EXPECT_EQ(fresh.LiveCount(), 0u) << r.label;
    }
    for (size_t cut : {size_t{3}, size_t{100}, size_t{150}, bytes.size() - 1}) {
        qv::TextureTable fresh;
        plat::ByteReader in(bytes.data(), cut);
        uint32_t got = 0;
        EXPECT_EQ(fresh.ReadRecord(in, &got), 1) << cut;
    }
}

TEST_F(TextureTableTest, LastReferenceFreesTheEntry) {
    uint32_t h = 0;
    table.AddFromFile(Put("c.bmp", Bmp(4, 4, 24)), &h);
    table.AddRef(h);
    table.Release(h);
    EXPECT_NE(table.Get(h), nullptr);
    table.Release(h);
    EXPECT_EQ(table.Get(h), nullptr);
}

}  // namespace
