#include "plugins/shadow/ShadowPlugin.h"

#include "PluginKit.h"
#include "plugins/shared/MemoryStream.h"

namespace qvtest {
namespace {

class ShadowTest : public PluginFixture {
protected:
    void Register() override {
        plugin = std::make_unique<qv::ShadowPlugin>();
        ASSERT_EQ(editor->RegisterPlugin(ModuleOf(plugin.get()), plugin.get()), 0);
    }
    void TearDown() override {
        PluginFixture::TearDown();
        plugin.reset();
    }
    std::unique_ptr<qv::ShadowPlugin> plugin;
};

TEST(ShadowLevels, SecondMapLevels) {
    const std::pair<int, int> table[] = {{0, 70}, {1, 70}, {127, 162}, {128, 163}, {254, 254}, {255, 255}};
    for (auto [g, v] : table) EXPECT_EQ(qv::AdjustedLevel(static_cast<uint8_t>(g)), v) << g;
}

TEST_F(ShadowTest, AMapLoadedThroughThePanelSurvivesSaveAndReopen) {
    plat::Dialog& d = Panel(0);
    EXPECT_FALSE(d.IsEnabled(1001));  // "Activate" first
    d.UserClick(1007);
    EXPECT_TRUE(d.IsEnabled(1001));
    qv::Dib map = qv::GreyBitmap(512, 512, 128);
    map.pixels[0] = 0;
    map.pixels[1] = 255;
    WriteBitmap("light.bmp", map);
    plat::ScriptNextFiles({Path("light.bmp")});
    d.UserClick(1001);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(ui->status, (std::vector<std::string>{"Opening image...", "Adjusting Levels...", "Ready"}));
    ASSERT_TRUE(plugin->map2.has_value());
    EXPECT_EQ(qv::BitmapPixel(*plugin->map2, 0, 0), 70u);
    EXPECT_EQ(qv::BitmapPixel(*plugin->map2, 1, 0), 255u);
    EXPECT_EQ(qv::BitmapPixel(*plugin->map2, 2, 0), 163u);
    ASSERT_EQ(editor->world.Save(Path("w.wld")), 0);
    EXPECT_EQ(ChunkOf(ReadFile(Path("w.wld")), qv::FourCC("LMAP")).size(), 12u + 2 * (40 + 1024 + 512 * 512));

    MakeEditor();
    EXPECT_FALSE(plugin->map1.has_value());
    ASSERT_EQ(editor->world.Open(Path("w.wld")), 0);
    EXPECT_EQ(plugin->activated, 1u);
    EXPECT_EQ(plugin->map1->pixels, map.pixels);
    EXPECT_EQ(qv::BitmapPixel(*plugin->map2, 2, 0), 163u);
}

TEST_F(ShadowTest, ARefusedFileKeepsTheMapsAlreadyThere) {
    plugin->map1 = qv::GreyBitmap(512, 512, 1);
    plugin->map2 = qv::GreyBitmap(512, 512, 2);
    plat::Dialog& d = Panel(0);
    d.UserClick(1007);
    qv::Dib wide = qv::GreyBitmap(512, 512, 0);
    wide.header.bitCount = 24;
    wide.colourTable.clear();
    wide.pixels.assign(512u * 512 * 3, 0);
    for (const qv::Dib& bad : {wide, qv::GreyBitmap(511, 512, 0)}) {
        plat::ClearMessagesShown();
        WriteBitmap("bad.bmp", bad);
        plat::ScriptNextFiles({Path("bad.bmp")});
        d.UserClick(1001);
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Error|Must be 512x512x256 grayscale BMP"});
        EXPECT_EQ(qv::BitmapPixel(*plugin->map1, 0, 0), 1u);
        EXPECT_EQ(qv::BitmapPixel(*plugin->map2, 0, 0), 2u);
    }
}

TEST_F(ShadowTest, WithoutMapsNoChunkAndDamagedChunksAreRefused) {
    EXPECT_EQ(plugin->HasChunk(), 0);
    ASSERT_EQ(editor->world.Save(Path("w.wld")), 0);
    EXPECT_TRUE(ChunkOf(ReadFile(Path("w.wld")), qv::FourCC("LMAP")).empty());

    plugin->map2 = qv::GreyBitmap(8, 8, 5);  // map 2 alone
    qv::MemoryStream out;
    uint32_t size = 0;
    ASSERT_EQ(plugin->SaveChunk(&out, &size), 0);
    EXPECT_EQ(size, out.bytes().size());
    const std::vector<uint8_t> whole = out.bytes();
    EXPECT_EQ(whole[4], 0);  // no map 1
    qv::MemoryStream in(whole);
    ASSERT_EQ(plugin->LoadChunk(&in, size), 0);
    EXPECT_FALSE(plugin->map1.has_value());
    EXPECT_TRUE(plugin->map2.has_value());
    for (size_t cut : {size_t{2}, size_t{9}, size_t{60}, whole.size() - 1}) {
        qv::MemoryStream part(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(cut)));
        EXPECT_EQ(plugin->LoadChunk(&part, static_cast<uint32_t>(cut)), qv::Result(qv::kResultBadChunk)) << cut;
    }
}

}  // namespace
}  // namespace qvtest

namespace qvtest {
namespace {

TEST_F(ShadowTest, ViewersShowTheMapsInWindowsSizedToThem) {
    qv::Dib map = qv::GreyBitmap(512, 512, 40);
    map.pixels[0] = 200;  // bottom left
    plugin->map1 = map;
    plugin->map2 = qv::GreyBitmap(512, 512, 90);
    plat::Dialog& d = Panel(0);
    d.UserClick(1007);
    ASSERT_TRUE(d.IsEnabled(1002));
    struct Seen {
        std::string title;
        int width = 0, height = 0;
        uint32_t bottomLeft = 0, topLeft = 0;
    } seen;
    auto look = [&seen](plat::Dialog& v) {
        seen.title = v.Title();
        seen.width = v.Template().width;
        seen.height = v.Template().height;
        const plat::Bitmap* b = v.Image(100);
        ASSERT_NE(b, nullptr);
        seen.bottomLeft = b->Pixel(0, 511);
        seen.topLeft = b->Pixel(0, 0);
    };
    plat::ScriptNextDialog(look);
    d.UserClick(1002);
    EXPECT_EQ(seen.title, "Shadow Bitmap Viewer");
    EXPECT_EQ(seen.width, 522);
    EXPECT_EQ(seen.height, 542);
    EXPECT_EQ(seen.bottomLeft, 0xFFC8C8C8u);
    EXPECT_EQ(seen.topLeft, 0xFF282828u);
    d.Show(1005, true);  // the hidden "View 2"
    plat::ScriptNextDialog(look);
    d.UserClick(1005);
    EXPECT_EQ(seen.title, "Shadow2 Bitmap Viewer");
    EXPECT_EQ(seen.topLeft, 0xFF5A5A5Au);
}

}  // namespace
}  // namespace qvtest
