#include "plugins/physics/PhysicsPlugin.h"

#include "PluginKit.h"
#include "platform/bytes/ByteIO.h"
#include "plugins/shared/MemoryStream.h"

namespace qvtest {
namespace {

class PhysicsTest : public PluginFixture {
protected:
    void Register() override {
        plugin = std::make_unique<qv::PhysicsPlugin>();
        ASSERT_EQ(editor->RegisterPlugin(ModuleOf(plugin.get()), plugin.get()), 0);
    }
    void TearDown() override {
        PluginFixture::TearDown();
        plugin.reset();
    }
    qv::Dib Colour(int32_t w, int32_t h, uint16_t bits) {
        qv::Dib d;
        d.header.width = w;
        d.header.height = h;
        d.header.bitCount = bits;
        d.header.sizeImage = qv::RowBytes(w, bits) * static_cast<uint32_t>(h);
        d.pixels.assign(d.header.sizeImage, 33);
        return d;
    }
    std::unique_ptr<qv::PhysicsPlugin> plugin;
};

TEST(AuthoringPalette, EntriesOfTheClassesAndTheBlueRamp) {
    const auto p = qv::AuthoringPalette();
    auto rgb = [&](int i) { return std::vector<int>{p[i * 3], p[i * 3 + 1], p[i * 3 + 2]}; };
    EXPECT_EQ(rgb(0), (std::vector<int>{219, 93, 41}));
    EXPECT_EQ(rgb(2), (std::vector<int>{255, 178, 94}));
    EXPECT_EQ(rgb(17), (std::vector<int>{149, 149, 0}));
    EXPECT_EQ(rgb(80), (std::vector<int>{63, 255, 76}));
    EXPECT_EQ(rgb(129), (std::vector<int>{175, 0, 0}));
    EXPECT_EQ(rgb(143), (std::vector<int>{0, 0, 0}));
    const std::pair<int, int> ramp[] = {{144, 255}, {145, 251}, {146, 251}, {200, 127}, {254, 7}, {255, 7}};
    for (auto [i, b] : ramp) EXPECT_EQ(rgb(i), (std::vector<int>{0, 0, b})) << i;
}

TEST_F(PhysicsTest, MapsAndTilingChosenInThePanelSurviveSaveAndReopen) {
    plat::Dialog& d = Panel(0);
    qv::Dib surface = qv::GreyBitmap(256, 256, 16);
    surface.pixels[5] = 128;
    WriteBitmap("surface.bmp", surface);
    WriteBitmap("particle.bmp", Colour(512, 300, 32));
    plat::ScriptNextFiles({Path("surface.bmp")});
    d.UserClick(1001);
    plat::ScriptNextFiles({Path("particle.bmp")});
    d.UserClick(1005);
    d.UserClick(1009);  // Tile Maps
    EXPECT_TRUE(Boxes().empty());
    ASSERT_EQ(editor->world.Save(Path("w.wld")), 0);
    const std::vector<uint8_t> chunk = ChunkOf(ReadFile(Path("w.wld")), qv::FourCC("PHYS"));
    EXPECT_EQ(chunk.size(), 16u + 40 + 1024 + 65536 + 40 + 512u * 300 * 4);

    MakeEditor();
    EXPECT_EQ(plugin->physicsMap->Width(), 128);
    ASSERT_EQ(editor->world.Open(Path("w.wld")), 0);
    EXPECT_EQ(plugin->tileMaps, 1u);
    EXPECT_EQ(plugin->physicsMap->Width(), 256);
    EXPECT_EQ(qv::BitmapPixel(*plugin->physicsMap, 5, 0), 128u);
    EXPECT_EQ(plugin->particleMap->Width(), 512);
    EXPECT_EQ(plugin->particleMap->header.bitCount, 32);
    EXPECT_TRUE(Panel(0).IsChecked(1009));
}

TEST_F(PhysicsTest, WrongMapsAreReplacedByTheDefaultWithAMessage) {
    struct Case {
        int control;
        qv::Dib file;
        const char* box;
    } cases[] = {
        {1001, Colour(256, 256, 24), "Error|Must be 256x256x256 BMP"},
        {1001, qv::GreyBitmap(128, 256, 0), "Error|Must be 256x256x256 BMP"},
        {1005, Colour(513, 10, 24), "Error|Must be max 512x512x16M BMP"},
        {1005, qv::GreyBitmap(16, 16, 0), "Error|Must be max 512x512x16M BMP"},
        {1005, Colour(510, 10, 24), nullptr},
    };
    plat::Dialog& d = Panel(0);
    for (const Case& c : cases) {
        plat::ClearMessagesShown();
        WriteBitmap("m.bmp", c.file);
        plat::ScriptNextFiles({Path("m.bmp")});
        d.UserClick(c.control);
        const qv::Dib& now = c.control == 1001 ? *plugin->physicsMap : *plugin->particleMap;
        if (c.box) {
            EXPECT_EQ(Boxes(), std::vector<std::string>{c.box});
            EXPECT_EQ(now.Width(), c.control == 1001 ? 128 : 256);
        } else {
            EXPECT_TRUE(Boxes().empty());
            EXPECT_EQ(now.Width(), c.file.Width());
        }
    }
}

TEST_F(PhysicsTest, SavePalWritesTheColourTableFile) {
    plat::ScriptNextFiles({Path("p.act")});
    Panel(0).UserClick(1003);
    const std::vector<uint8_t> bytes = ReadFile(Path("p.act"));
    const auto palette = qv::AuthoringPalette();
    EXPECT_EQ(bytes, std::vector<uint8_t>(palette.begin(), palette.end()));
}

TEST_F(PhysicsTest, TheTilingFlagOutlivesAWorldReset) {
    plugin->tileMaps = 1;
    editor->world.Reset(true, false);
    EXPECT_EQ(plugin->tileMaps, 1u);
}

TEST_F(PhysicsTest, OlderLayoutAndDamagedChunks) {
    qv::MemoryStream out;
    uint32_t size = 0;
    ASSERT_EQ(plugin->SaveChunk(&out, &size), 0);
    EXPECT_EQ(size, out.bytes().size());
    const std::vector<uint8_t> whole = out.bytes();
    // The older layout: one surface map on its own.
    std::vector<uint8_t> older(whole.begin() + 12, whole.begin() + 12 + 40 + 1024 + 128 * 128);
    older[44] = 99;
    qv::MemoryStream oldIn(older);
    plugin->physicsMap.reset();
    ASSERT_EQ(plugin->LoadChunk(&oldIn, static_cast<uint32_t>(older.size())), 0);
    EXPECT_EQ(qv::BitmapPixel(*plugin->physicsMap, 0, 0), 0u);
    // Cut short anywhere, or with a bitmap header that lies: refused, and the maps kept.
    for (size_t cut : {size_t{3}, size_t{10}, size_t{100}, whole.size() - 1}) {
        qv::MemoryStream in(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(cut)));
        EXPECT_EQ(plugin->LoadChunk(&in, static_cast<uint32_t>(cut)), qv::Result(qv::kResultBadChunk)) << cut;
    }
    std::vector<uint8_t> lying = whole;
    for (int i = 0; i < 4; ++i) lying.at(12 + 8 + i) = i == 3 ? 0x7F : 0xFF;  // height
    qv::MemoryStream in(lying);
    EXPECT_EQ(plugin->LoadChunk(&in, static_cast<uint32_t>(lying.size())), qv::Result(qv::kResultBadChunk));
}

}  // namespace
}  // namespace qvtest
