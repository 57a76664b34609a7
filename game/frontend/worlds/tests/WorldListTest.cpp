#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "game/core/text/TextTable.h"
#include "game/frontend/worlds/WorldList.h"
#include "game/frontend/worlds/tests/WorldFiles.h"
#include "platform/fs/Paths.h"
#include "tools/packtool/PackWriter.h"

namespace kes {
namespace {

namespace fs = std::filesystem;
using namespace kes::testing;

class WorldListTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("worlds_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "Tracks");
    }
    void TearDown() override {
        FreeWorldList(nullptr);
        fs::remove_all(dir_);
    }
    void WriteFile(const fs::path& p, const std::vector<uint8_t>& b) {
        std::ofstream out(p, std::ios::binary);
        out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    }
    std::string Pack(const std::vector<tools::PackInput>& files) {
        const std::string path = (dir_ / "Tracks.dat").string();
        std::string error;
        EXPECT_TRUE(tools::WritePack(path, files, &error)) << error;
        return path;
    }
    std::string Folder() { return (dir_ / "Tracks").string(); }
    fs::path dir_;
};

TEST_F(WorldListTest, PackAndFolderWorldsAreListedByKindAndIdentifier) {
    const std::string pack = Pack({{"Forest.wld", SimpleWorld(20, 1, "Forest@Bosque@For\xeat@Wald"), false},
                                   {"Dunes.wld", SimpleWorld(10, 2, "Dunes"), true},
                                   {"Hills.wld", SimpleWorld(30, 1, "Hills"), false}});
    WriteFile(dir_ / "Tracks" / "Loose.WLD", SimpleWorld(20, 1, "Loose"));
    WriteFile(dir_ / "Tracks" / "_SELECT.WLD", {1, 2, 3});
    WriteFile(dir_ / "Tracks" / "notes.txt", {1});
    ASSERT_EQ(BuildWorldList(pack, Folder(), nullptr), 0);
    ASSERT_EQ(WorldCount(), 5u);
    const uint32_t expected[][2] = {{0, kSelectWorldKind}, {20, 1}, {20, 1}, {30, 1}, {10, 2}};
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(WorldAt(i)->identifier, expected[i][0]) << i;
        EXPECT_EQ(WorldAt(i)->kind, expected[i][1]) << i;
    }
    EXPECT_EQ(WorldAt(0)->fileName, "_select.wld");
    EXPECT_EQ(WorldAt(5), nullptr);
    const WorldRecord* dunes = WorldIndexOf(10);
    ASSERT_NE(dunes, nullptr);
    EXPECT_EQ(dunes->name, "Dunes");
    EXPECT_EQ(dunes->path, pack);
    EXPECT_NE(dunes->offset, 0u);
    // The packed world was read through its container.
    EXPECT_EQ(dunes->size, SimpleWorld(10, 2, "Dunes").size());
    EXPECT_EQ(dunes->description, (std::vector<std::string>{"A", "B"}));
    // The loose world is opened by its full path whatever folder is current later.
    const WorldRecord* loose = WorldAt(1)->name == "Loose" ? WorldAt(1) : WorldAt(2);
    EXPECT_EQ(loose->name, "Loose");
    EXPECT_EQ(loose->offset, 0u);
    EXPECT_EQ(loose->path, (dir_ / "Tracks" / "Loose.WLD").string());
    EXPECT_EQ(WorldIndexOf(99), nullptr);
}

TEST_F(WorldListTest, NamesAreCutAtTheFirstAtAndMappedToGlyphs) {
    WriteFile(dir_ / "Tracks" / "a.wld", SimpleWorld(1, 1, "For\xeat@Bosque", "Un\r\n\xe9t\xe9\rDeux\r\n2.5"));
    ASSERT_EQ(BuildWorldList("", Folder(), nullptr), 0);
    ASSERT_EQ(WorldCount(), 1u);
    const WorldRecord* w = WorldAt(0);
    EXPECT_EQ(w->name, std::string("For") + char(MapTextChar(0xea)) + "t");
    EXPECT_NE(uint8_t(w->name[3]), 0xea);
    const std::string ete = std::string(1, char(MapTextChar(0xe9))) + "t" + char(MapTextChar(0xe9));
    EXPECT_EQ(w->description, (std::vector<std::string>{"Un", ete, "Deux", "2.5"}));
}

TEST_F(WorldListTest, FindNthCountsWithinAKind) {
    for (uint32_t id = 1; id <= 4; ++id)
        WriteFile(dir_ / "Tracks" / ("w" + std::to_string(id) + ".wld"), SimpleWorld(id, id % 2, "W"));
    ASSERT_EQ(BuildWorldList("", Folder(), nullptr), 0);
    EXPECT_EQ(WorldFindNth(0, 1)->identifier, 1u);
    EXPECT_EQ(WorldFindNth(1, 1)->identifier, 3u);
    EXPECT_EQ(WorldFindNth(2, 1), nullptr);
    EXPECT_EQ(WorldFindNth(1, 0)->identifier, 4u);
    EXPECT_EQ(WorldFindNth(0, 7), nullptr);
}

TEST_F(WorldListTest, DamagedWorldsAreLeftOutAndTheRestListed) {
    auto hostileCount = InfoChunkBody(5, 1, "Hostile", "");
    // The description length word sits after 4+4+4+3+4+4+4+256 bytes.
    const size_t at = 4 + 4 + 4 + 3 + 4 + 4 + 4 + 256;
    for (int i = 0; i < 4; ++i) hostileCount[at + i] = i == 0 ? 0xF0 : 0xFF;
    auto hugeTextures = InfoChunkBody(6, 1, "Huge", "");
    hugeTextures[8] = 0xFF, hugeTextures[9] = 0xFF, hugeTextures[10] = 0xFF, hugeTextures[11] = 0x7F;
    auto pastTheEnd = SimpleWorld(7, 1, "Past");
    pastTheEnd.resize(pastTheEnd.size() - 10);
    pastTheEnd[4] = uint8_t(pastTheEnd.size() - 8);  // a sound header over a chunk that runs past the file
    pastTheEnd[5] = uint8_t((pastTheEnd.size() - 8) >> 8);
    auto previewMissing = InfoChunkBody(8, 1, "Preview", "");
    previewMissing[previewMissing.size() - 4] = 1;  // says a picture follows; none does
    struct Case {
        const char* file;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"hostile.wld", WorldFile({{Tag("TINF"), hostileCount}})},
        {"huge.wld", WorldFile({{Tag("TINF"), hugeTextures}})},
        {"past.wld", pastTheEnd},
        {"preview.wld", WorldFile({{Tag("TINF"), previewMissing}})},
        {"notworld.wld", {'Q', 'V', 'E', 'X', 0, 0, 0, 0}},
        {"noinfo.wld", WorldFile({{Tag("HEAD"), {1, 2, 3, 4}}})},
        {"short.wld", {1, 2}},
    };
    for (const Case& c : cases) WriteFile(dir_ / "Tracks" / c.file, c.bytes);
    WriteFile(dir_ / "Tracks" / "good.wld", SimpleWorld(1, 1, "Good"));
    ::testing::internal::CaptureStderr();
    const int32_t result = BuildWorldList((dir_ / "missing.dat").string(), Folder(), nullptr);
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(result, 0);
    ASSERT_EQ(WorldCount(), 1u);
    EXPECT_EQ(WorldAt(0)->name, "Good");
    EXPECT_NE(log.find("hostile.wld left out (damaged world information)"), std::string::npos) << log;
    EXPECT_NE(log.find("notworld.wld left out (not a world file)"), std::string::npos) << log;
    EXPECT_EQ(log.find("noinfo.wld"), std::string::npos) << "a world without information is simply absent";
}

TEST_F(WorldListTest, AWorldInfoForOneFile) {
    WriteFile(dir_ / "Tracks" / "One.wld", SimpleWorld(44, 3, "One"));
    const WorldRecord* w = WorldInfoForFile((dir_ / "Tracks" / "One.wld").string(), nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->identifier, 44u);
    EXPECT_EQ(WorldInfoForFile((dir_ / "Tracks" / "none.wld").string(), nullptr), nullptr);
}

}  // namespace
}  // namespace kes
