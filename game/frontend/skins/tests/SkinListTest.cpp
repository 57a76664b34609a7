#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/core/config/Config.h"
#include "game/core/datapack/DataPack.h"
#include "game/core/image/tests/PictureBuilder.h"
#include "game/core/render/RenderInterface.h"
#include "game/frontend/skins/SkinList.h"
#include "tools/packtool/PackWriter.h"

namespace kes {
namespace {

namespace fs = std::filesystem;

// Records what the list asks of the renderer; pictures are freed as a texture would free them.
class RecordingRender : public RenderInterface {
public:
    struct Made {
        std::string name;
        uint32_t width;
        uint32_t maskWidth = 0;
    };
    int32_t CreateTextureFromImage(const char* name, ImageRecord* image, uint32_t* out, uint32_t) override {
        made.push_back({name, image->width});
        FreeImage(image);
        *out = static_cast<uint32_t>(made.size());
        return 0;
    }
    int32_t UpdateTexture(uint32_t handle, ImageRecord* image, uint32_t) override {
        if (handle >= 1 && handle <= made.size() && image) made[handle - 1].maskWidth = image->width;
        FreeImage(image);
        return 0;
    }
    int32_t ReleaseTexture(uint32_t handle) override {
        released.push_back(handle);
        return 0;
    }
    std::vector<Made> made;
    std::vector<uint32_t> released;
};

std::vector<uint8_t> Bmp(uint16_t bits, int side, uint8_t seed) {
    test::Picture p;
    p.width = side;
    p.height = side;
    p.bits = bits;
    if (bits <= 8) p.table = test::GreyTable(false), p.table[1] = 0x00FF0000;
    for (size_t i = 0; i < test::RowBytes(p) * side; ++i) p.rowsTopDown.push_back(uint8_t(seed + i * 7));
    return test::BmpFile(p);
}

uint32_t SkinNumber(const char* name) { return uint32_t(std::stoul(std::string(name).substr(4))); }

class SkinListTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateImageHeap();
        dir_ = fs::path(::testing::TempDir()) /
               ("skins_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "Skins" / "Rider");
        g_Config.textureDetail = 1;
    }
    void TearDown() override {
        FreeLoadCache();
        fs::remove_all(dir_);
    }
    void Write(const fs::path& p, const std::vector<uint8_t>& b) {
        std::ofstream out(p, std::ios::binary);
        out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    }
    fs::path dir_;
    RecordingRender render_;
};

TEST_F(SkinListTest, AFolderGivesItsReadablePicturesAndSkipsBrokenOnes) {
    const fs::path folder = dir_ / "Skins" / "Rider";
    Write(folder / "a.bmp", Bmp(24, 4, 1));
    Write(folder / "B.BMP", Bmp(8, 4, 2));
    Write(folder / "c.bmp", Bmp(16, 8, 3));
    auto broken = Bmp(24, 4, 4);
    broken.resize(40);
    Write(folder / "d.bmp", broken);
    Write(folder / "e.bmp", Bmp(24, 3, 5));  // an odd side has no half-size level
    Write(folder / "notes.txt", {1, 2});
    SkinList list(&render_, nullptr);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(list.AddFolder(folder.string()), 0);
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_NE(log.find("d.bmp skipped"), std::string::npos) << log;
    EXPECT_NE(log.find("e.bmp skipped"), std::string::npos) << log;
    EXPECT_EQ(list.AddFolder((dir_ / "missing").string()), -1);
    // Checksums tell the skins apart and find them again.
    EXPECT_NE(list.GetChecksum(0), list.GetChecksum(1));
    EXPECT_EQ(list.FindChecksum(list.GetChecksum(2)), 2u);
    EXPECT_EQ(list.FindChecksum(0x12345678u), 0u);
}

TEST_F(SkinListTest, NamesCountOnAcrossLists) {
    const fs::path folder = dir_ / "Skins" / "Rider";
    Write(folder / "a.bmp", Bmp(24, 4, 1));
    Write(folder / "b.bmp", Bmp(24, 4, 2));
    SkinList first(&render_, nullptr);
    first.AddFolder(folder.string());
    fs::remove(folder / "b.bmp");
    SkinList second(&render_, nullptr);
    second.AddFolder(folder.string());
    ASSERT_EQ(first.Count(), 2u);
    ASSERT_EQ(second.Count(), 1u);
    const uint32_t base = SkinNumber(first.Name(0));
    EXPECT_EQ(SkinNumber(first.Name(1)), base + 1);
    EXPECT_EQ(SkinNumber(second.Name(0)), base + 2);
}

TEST_F(SkinListTest, TexturesFollowTheDetailSettingWithTheMask) {
    std::string error;
    const std::string pack = (dir_ / "data.pak").string();
    ASSERT_TRUE(tools::WritePack(pack,
                                 {{"BIKES\\TEXTURES\\BIKET01.BMP", Bmp(24, 8, 1), false},
                                  {"BIKES\\TEXTURES\\bike-a.bmp", Bmp(8, 8, 9), false}},
                                 &error))
        << error;
    ASSERT_EQ(MakeLoadCache(pack.c_str()), 1);
    SkinList list(&render_, "BIKES\\TEXTURES\\bike-a.bmp");
    EXPECT_EQ(list.AddFromPack("BIKES\\TEXTURES\\BIKET01.BMP"), 0);
    EXPECT_EQ(list.AddFromPack("BIKES\\TEXTURES\\BIKET02.BMP"), -1);
    ASSERT_EQ(list.Count(), 1u);
    const uint32_t full = list.GetTexture(0);
    ASSERT_NE(full, 0u);
    EXPECT_EQ(list.GetTexture(0), full) << "made once";
    ASSERT_EQ(render_.made.size(), 1u);
    EXPECT_EQ(render_.made[0].width, 8u);
    EXPECT_EQ(render_.made[0].maskWidth, 8u);
    EXPECT_EQ(render_.made[0].name, list.Name(0));
    g_Config.textureDetail = 0;
    const uint32_t half = list.GetTexture(0);
    EXPECT_EQ(render_.released, std::vector<uint32_t>{full});
    ASSERT_EQ(render_.made.size(), 2u);
    EXPECT_EQ(render_.made[1].width, 4u);
    EXPECT_EQ(render_.made[1].maskWidth, 4u);
    list.Clear();
    EXPECT_EQ(render_.released, (std::vector<uint32_t>{full, half}));
    EXPECT_EQ(list.Count(), 0u);
}

TEST_F(SkinListTest, AnEmptyListGivesNoTexture) {
    SkinList list(&render_, nullptr);
    EXPECT_EQ(list.GetTexture(list.FindChecksum(7)), 0u);
    EXPECT_EQ(list.GetTexture(5), 0u);
    EXPECT_EQ(list.GetChecksum(0), 0u);
    EXPECT_TRUE(render_.made.empty());
}

}  // namespace
}  // namespace kes
