#include "plugins/info/InfoPlugin.h"

#include "PluginKit.h"
#include "platform/bytes/ByteIO.h"
#include "plugins/shared/MemoryStream.h"

namespace qvtest {
namespace {

class InfoTest : public PluginFixture {
protected:
    void Register() override {
        plugin = std::make_unique<qv::InfoPlugin>();
        plugin->clock = [] { return uint64_t{0x01D5A2B389ABCDEFull}; };
        ASSERT_EQ(editor->RegisterPlugin(ModuleOf(plugin.get()), plugin.get()), 0);
    }
    void TearDown() override {
        PluginFixture::TearDown();
        plugin.reset();
    }
    std::unique_ptr<qv::InfoPlugin> plugin;
};

TEST(InfoIdentifier, ComesFromTheFileTimeHalves) {
    EXPECT_EQ(qv::TrackIdFromFileTime(0x01D5A2B389ABCDEFull), 0xCDFF2C5Eu);
    EXPECT_EQ(qv::TrackIdFromFileTime(0), 0u);
}

TEST_F(InfoTest, ValuesTypedInThePanelSurviveSaveAndReopen) {
    plat::Dialog& d = Panel(0);
    d.UserType(1004, "Red Hill");
    d.UserType(1005, "first line\nsecond line");
    d.UserType(1011, "300");  // kept to 255
    d.UserType(1012, "10");
    d.UserType(1013, "20");
    d.UserType(1015, "1");
    d.UserType(1016, "2");
    d.UserType(1017, "3");
    d.UserType(1024, "0.75");
    d.UserType(1023, "0.125");
    d.UserType(1018, "100.5");
    d.UserType(1019, "-20");
    d.UserType(1020, "1234");
    d.UserClick(1008);  // Free Style
    EXPECT_EQ(d.Text(1003), std::to_string(0xCDFF2C5Eu));
    EXPECT_EQ(plugin->info.sun[0], 255u);
    EXPECT_EQ(plugin->info.comments, "first line\r\nsecond line");
    ASSERT_EQ(editor->world.Save(Path("w.wld")), 0);

    const std::vector<uint8_t> chunk = ChunkOf(ReadFile(Path("w.wld")), qv::FourCC("TINF"));
    // No picture: the empty texture list (12 bytes), the comments and their zero, and 324 bytes.
    EXPECT_EQ(chunk.size(), 12u + 24u + 324u);

    MakeEditor();
    EXPECT_EQ(plugin->info.name, "A track");
    ASSERT_EQ(editor->world.Open(Path("w.wld")), 0);
    const qv::TrackInfo& i = plugin->info;
    EXPECT_EQ(i.name, "Red Hill");
    EXPECT_EQ(i.comments, "first line\r\nsecond line");
    EXPECT_EQ(i.type, 2u);
    EXPECT_EQ(i.id, 0xCDFF2C5Eu);
    EXPECT_EQ((std::vector<uint32_t>{i.sun[0], i.sun[1], i.sun[2], i.ambient[0], i.ambient[1], i.ambient[2]}),
              (std::vector<uint32_t>{255, 10, 20, 1, 2, 3}));
    EXPECT_FLOAT_EQ(i.sunIntensity, 0.75f);
    EXPECT_FLOAT_EQ(i.ambientIntensity, 0.125f);
    EXPECT_FLOAT_EQ(i.sunPosition[0], 100.5f);
    EXPECT_FLOAT_EQ(i.sunPosition[1], -20.0f);
    EXPECT_FLOAT_EQ(i.sunPosition[2], 1234.0f);
    // The reopened panel shows the comments with plain line ends.
    EXPECT_EQ(Panel(0).Text(1005), "first line\nsecond line");
}

TEST_F(InfoTest, ReportedSizeIsTheBytesWrittenWithAndWithoutPicture) {
    for (bool picture : {false, true}) {
        if (picture) plugin->info.picture = qv::GreyBitmap(5, 3, 9);  // rows of 5 bytes padded to 8
        plugin->info.comments = "abc";
        qv::MemoryStream out;
        uint32_t size = 0;
        ASSERT_EQ(plugin->SaveChunk(&out, &size), 0);
        EXPECT_EQ(size, out.bytes().size());
        EXPECT_EQ(size, 12u + 4u + 324u + (picture ? 40u + 1024u + 24u : 0u));
    }
}

TEST_F(InfoTest, PictureSizeLimitsAreCheckedWhenLoaded) {
    struct Case {
        int32_t width, height;
        uint16_t bits;
        bool taken;
    } cases[] = {{400, 300, 24, true}, {401, 300, 24, false}, {400, 301, 8, false}, {3, 2, 8, true}};
    plat::Dialog& d = Panel(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        plat::ClearMessagesShown();
        qv::Dib dib = qv::GreyBitmap(c.width, c.height, 7);
        if (c.bits == 24) {
            dib.header.bitCount = 24;
            dib.colourTable.clear();
            dib.pixels.assign(qv::RowBytes(c.width, 24) * static_cast<uint32_t>(c.height), 50);
        }
        WriteBitmap("p.bmp", dib);
        plat::ScriptNextFiles({Path("p.bmp")});
        d.UserClick(1001);
        EXPECT_EQ(plugin->info.picture.has_value(), c.taken);
        EXPECT_EQ(d.IsEnabled(1002), c.taken);
        EXPECT_EQ(Boxes(), c.taken ? std::vector<std::string>{} : std::vector<std::string>{"Error|Must be max 400x300 BMP"});
    }
}

// A chunk body as the plug-in writes it, with the comment count replaced.
std::vector<uint8_t> ChunkWithCommentCount(qv::InfoPlugin& p, uint32_t count) {
    qv::MemoryStream out;
    uint32_t size = 0;
    p.SaveChunk(&out, &size);
    std::vector<uint8_t> bytes = out.bytes();
    plat::StoreU32(bytes.data() + 28 + 256, count);  // after the version, the list, three words and the name
    return bytes;
}

TEST_F(InfoTest, DamagedChunksAreRefusedWithoutReadingPastThem) {
    for (uint32_t count : {0xFFFFFFFFu, 0x10000u, 400u}) {
        std::vector<uint8_t> bytes = ChunkWithCommentCount(*plugin, count);
        qv::MemoryStream in(bytes);
        EXPECT_EQ(plugin->LoadChunk(&in, static_cast<uint32_t>(bytes.size())), qv::Result(qv::kResultBadChunk)) << count;
    }
    // Cut anywhere inside the fixed fields.
    std::vector<uint8_t> whole = ChunkWithCommentCount(*plugin, 1);
    for (size_t cut : {size_t{2}, size_t{20}, size_t{100}, whole.size() - 3}) {
        qv::MemoryStream in(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(cut)));
        EXPECT_NE(plugin->LoadChunk(&in, static_cast<uint32_t>(cut)), 0) << cut;
    }
}

TEST_F(InfoTest, ANameWithoutTerminatorIsCutAtItsField) {
    std::vector<uint8_t> bytes = ChunkWithCommentCount(*plugin, 1);
    std::fill(bytes.begin() + 28, bytes.begin() + 28 + 256, 'x');
    qv::MemoryStream in(bytes);
    ASSERT_EQ(plugin->LoadChunk(&in, static_cast<uint32_t>(bytes.size())), 0);
    EXPECT_EQ(plugin->info.name, std::string(256, 'x'));
}

TEST_F(InfoTest, APictureTooLargeOrCutShortIsDropped) {
    plugin->info.picture = qv::GreyBitmap(4, 4, 1);
    qv::MemoryStream out;
    uint32_t size = 0;
    plugin->SaveChunk(&out, &size);
    std::vector<uint8_t> bytes = out.bytes();
    const size_t header = bytes.size() - (40 + 1024 + 16);
    plat::StoreU32(bytes.data() + header + 4, 401);  // wider than a picture may be
    qv::MemoryStream in(bytes);
    ASSERT_EQ(plugin->LoadChunk(&in, size), 0);
    EXPECT_FALSE(plugin->info.picture.has_value());
    bytes.resize(bytes.size() - 5);
    plat::StoreU32(bytes.data() + header + 4, 4);
    qv::MemoryStream cut(bytes);
    ASSERT_EQ(plugin->LoadChunk(&cut, static_cast<uint32_t>(bytes.size())), 0);
    EXPECT_FALSE(plugin->info.picture.has_value());
}

}  // namespace
}  // namespace qvtest
