// The sky plug-in: the "SKY." bytes after a reset, both layouts read back, size checks, the choices
// following deleted and picked textures, "Load Sky" and "Reset", and where the preview draws.
#include "PluginKit.h"
#include "TestViewport.h"
#include "platform/bytes/ByteIO.h"
#include "plugins/shared/MemoryStream.h"
#include "plugins/sky/SkyPlugin.h"

namespace qvtest {
namespace {

enum : int { kLoadSky = 1001, kReset = 1002 };

class SkyTest : public OnePluginFixture<qv::SkyPlugin> {
protected:
    void AddTexture(const std::string& name, uint8_t level) {
        // 24 bits: the memory form is the header and the pixels, with no colour table.
        qv::Dib d;
        d.header.width = d.header.height = 64;
        d.header.bitCount = 24;
        d.header.sizeImage = 64 * 64 * 3;
        d.pixels.assign(d.header.sizeImage, level);
        uint32_t index = 0;
        editor->Host(0)->AddTextureFromMemory(name.c_str(), &d.header, d.pixels.data(), &index);
        ASSERT_NE(index, 0u) << name;
    }
};

TEST_F(SkyTest, ANewWorldWritesTheDefaultsAndTheBuiltInSky) {
    const std::vector<uint8_t> b = Saved();
    const uint32_t words[5] = {100, 0xFFFFFFFFu, 0, 0xFFFFFFFFu, 1};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(plat::LoadU32(&b[4 * static_cast<size_t>(i)]), words[i]) << i;
    const float values[7] = {2, 2, 512, 64, 512, 20, 0};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(plat::LoadF32(&b[20 + 4 * static_cast<size_t>(i)]), values[i]) << i;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[48]), 4), "TXDB");
    EXPECT_EQ(plat::LoadU32(&b[52]) + 8 + 48, b.size());
    EXPECT_EQ(plat::LoadU32(&b[56]), 1u);
    EXPECT_STREQ(editor->Host(0)->GetTextureName(1), "sky");

    plugin->sky.horizonAdjust = 35;
    plugin->sky.speed = 3;
    const std::vector<uint8_t> changed = Saved();
    ASSERT_EQ(Load(changed), 0);
    EXPECT_EQ(plugin->sky.horizonAdjust, 35.0f);
    EXPECT_EQ(plugin->sky.overheadTexture, 0);
    EXPECT_EQ(Saved(), changed);
}

TEST_F(SkyTest, TheOlderLayoutKeepsTheValuesAndSizesMustMatch) {
    const std::vector<uint8_t> now = Saved();
    // Older: wall, overhead, cloud, activated, then the list.
    std::vector<uint8_t> older(now.begin() + 4, now.begin() + 20);
    older.insert(older.end(), now.begin() + 48, now.end());
    plugin->sky.wallTiles = 7;
    qv::MemoryStream in(older);
    editor->Host(0)->DeleteAllTextures();
    ASSERT_EQ(plugin->LoadChunk(&in, static_cast<uint32_t>(older.size())), 0);
    EXPECT_EQ(plugin->sky.wallTiles, 7.0f);
    EXPECT_EQ(plugin->sky.overheadTexture, 0);

    for (const std::vector<uint8_t>* body : {&now, static_cast<const std::vector<uint8_t>*>(&older)}) {
        std::vector<uint8_t> longer = *body;
        longer.push_back(0);
        EXPECT_EQ(Load(longer), qv::Result(qv::kResultBadChunk));
        const std::vector<uint8_t> shorter(body->begin(), body->end() - 1);
        EXPECT_NE(Load(shorter), 0);
    }
    // A choice naming no texture reads as none.
    std::vector<uint8_t> bad = now;
    plat::StoreU32(&bad[4], 9);
    ASSERT_EQ(Load(bad), 0);
    EXPECT_EQ(plugin->sky.wallTexture, -1);
}

TEST_F(SkyTest, ChoicesFollowDeletedAndPickedTextures) {
    AddTexture("a", 10);
    AddTexture("b", 20);
    struct Case {
        const char* what;
        uint32_t deleted;  // 1-based
        int32_t wall;
    } cases[] = {{"the wall's own", 3, -1}, {"an earlier one", 1, 1}, {"a later one", 3, -1}};
    for (const Case& c : cases) {
        plugin->sky.wallTexture = 2;
        if (editor->Host(0)->GetTextureCount() < 3) AddTexture("again", 30);
        ASSERT_EQ(editor->Host(0)->DeleteTexture(c.deleted, 0), 0);
        EXPECT_EQ(plugin->sky.wallTexture, c.wall) << c.what;
    }
    plugin->pickTarget = 0;
    qv::TexturePickedRecord picked{editor->Host(0), 2, 0};
    editor->bus.Broadcast(&editor->mainPort, qv::kKindResources, qv::kMsgTexturePicked, reinterpret_cast<qv::MsgArg>(&picked), 0);
    EXPECT_EQ(plugin->sky.wallTexture, 1);
    plugin->sky.activated = 0;
    picked.index = 1;
    editor->bus.Broadcast(&editor->mainPort, qv::kKindResources, qv::kMsgTexturePicked, reinterpret_cast<qv::MsgArg>(&picked), 0);
    EXPECT_EQ(plugin->sky.wallTexture, 1);
}

TEST_F(SkyTest, LoadSkyReplacesTheFirstTextureAndResetBringsBackTheBuiltIn) {
    plat::Dialog& d = Panel(0);
    qv::Dib blue;
    blue.header.width = blue.header.height = 64;
    blue.header.bitCount = 24;
    blue.header.sizeImage = 64 * 64 * 3;
    blue.pixels.assign(blue.header.sizeImage, 200);
    WriteBitmap("dusk.bmp", blue);
    ui->fileAnswers.push_back({Path("dusk.bmp")});
    ASSERT_TRUE(d.UserClick(kLoadSky));
    ASSERT_EQ(editor->Host(0)->GetTextureCount(), 1);
    EXPECT_STRNE(editor->Host(0)->GetTextureName(1), "sky");
    EXPECT_EQ(plugin->sky.overheadTexture, 0);
    AddTexture("wall", 99);
    plugin->sky.wallTexture = 1;
    ASSERT_TRUE(d.UserClick(kReset));
    ASSERT_EQ(editor->Host(0)->GetTextureCount(), 1);
    EXPECT_STREQ(editor->Host(0)->GetTextureName(1), "sky");
    EXPECT_EQ(plugin->sky.wallTexture, -1);
    EXPECT_EQ(plugin->sky.overheadTexture, 0);
}

TEST_F(SkyTest, AWorldOpenedWithoutASkyGetsTheBuiltInBack) {
    editor->world.Reset(true, true);  // as an open does: every list emptied after the resets
    EXPECT_EQ(editor->Host(0)->GetTextureCount(), 0);
    const std::vector<uint8_t> b = Saved();
    EXPECT_EQ(plat::LoadU32(&b[56]), 1u);
    EXPECT_STREQ(editor->Host(0)->GetTextureName(1), "sky");
    EXPECT_EQ(plat::LoadU32(&b[8]), 0u);  // the overhead choice
}

TEST_F(SkyTest, ThePreviewDrawsOnlyInPerspectiveViews) {
    RecordingViewport view;
    plugin->DrawViewport(&view);
    EXPECT_TRUE(view.primitives.empty());
    view.flags = qv::kViewportPerspective;
    // Looking along +y from z 10: a perspective whose horizon is at row 240.
    float* m = view.state;
    std::fill(m, m + 16, 0.0f);
    m[0] = 320, m[4] = 320, m[5] = 1, m[6] = 240, m[7] = 1, m[10] = -320, m[14] = 3200;
    view.camera[2] = 10;
    plugin->DrawViewport(&view);
    ASSERT_FALSE(view.primitives.empty());
    const RecordingViewport::Primitive& line = view.primitives.back();
    ASSERT_EQ(line.vertices.size(), 2u);
    EXPECT_EQ(line.vertices[0].colour, 0xFF0000FFu);
    EXPECT_NEAR(qv::SkyPlugin::HorizonRow(&view), 240.0f, 0.1f);
    EXPECT_NEAR(line.vertices[0].sy, 240.0f + 480.0f * 20.0f / 480.0f, 0.1f);
    EXPECT_EQ(view.primitives.front().type, 4u);  // the overhead strips
}

}  // namespace
}  // namespace qvtest
