#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "game/core/texture/TextureContainer.h"
#include "game/core/texture/tests/TextureRecordBuilder.h"
#include "game/core/config/Config.h"
#include "platform/gfx/GfxDevice.h"

namespace kes::test {
namespace {

class TextureTest : public ::testing::Test {
protected:
    void SetUp() override { blocksBefore = ImageHeapLiveBlocks(); }
    void TearDown() override {
        while (TextureListHead()) DestroyTexture(TextureListHead()->name);
        EXPECT_EQ(ImageHeapLiveBlocks(), blocksBefore) << "image blocks leaked";
    }
    int32_t Read(const std::vector<uint8_t>& bytes, uint32_t keep = 0, uint32_t half = 0, uint64_t* end = nullptr,
                 const char** name = nullptr) {
        MemoryImageStream s(bytes.data(), bytes.size());
        const char* n = nullptr;
        const int32_t r = ReadTextureRecord(s, &n, keep, half);
        if (end) *end = s.Tell();
        if (name) *name = n;
        return r;
    }
    size_t blocksBefore = 0;
};

int ChainLength(const ImageRecord* i) {
    int n = 0;
    for (; i; i = i->nextLevel) ++n;
    return n;
}

TEST_F(TextureTest, ColourAndAlphaRecords) {
    const Picture colour = SolidPicture(8, 8, 10, 20, 30);
    const Picture alpha = GreyPicture(8, 8, 200);
    struct Case { const char* kind; bool hasAlpha; } cases[] = {{"TXTR", false}, {"TXTA", true}};
    for (const auto& c : cases) {
        const auto bytes = TextureRecordBytes(c.kind, std::string("tex_") + c.kind, colour, c.hasAlpha ? &alpha : nullptr);
        uint64_t end = 0;
        const char* name = nullptr;
        ASSERT_EQ(Read(bytes, 0, 0, &end, &name), 0) << c.kind;
        EXPECT_EQ(end, bytes.size());
        EXPECT_EQ(std::string(name), std::string("tex_") + c.kind);
        TextureContainer* t = FindTexture(name);
        ASSERT_TRUE(t);
        EXPECT_EQ(t->image->format, kImage24);
        EXPECT_EQ(t->image->pixels[0], 10);
        EXPECT_EQ(ChainLength(t->image), 4);  // 8, 4, 2, 1
        EXPECT_EQ(t->alphaImage != nullptr, c.hasAlpha);
        EXPECT_EQ(t->moreAlphaBits, c.hasAlpha ? 1u : 0u);
        if (c.hasAlpha) {
            EXPECT_EQ(ChainLength(t->alphaImage), 4);
        }
    }
}

// The editor pads bitmap rows to four bytes, the game's own form to two; both load alike. The
// pictures are narrow enough that the two paddings differ, two rows high so that a wrong row size
// would shift the second row, and "TXTA" records show that the stream ends exactly after each.
TEST_F(TextureTest, RowsPaddedToTwoOrFourBytesBothLoad) {
    auto paletted = [](int w) {
        Picture p;
        p.width = w;
        p.height = 2;
        p.bits = 8;
        p.table.assign(256, 0);
        p.table[1] = 0x00102030;  // blue 0x30, green 0x20, red 0x10
        p.table[2] = 0x00405060;
        p.table[3] = 0x00708090;
        p.table[4] = 0x00A0B0C0;
        for (int i = 0; i < 2 * w; ++i) p.rowsTopDown.push_back(static_cast<uint8_t>(1 + i));
        return p;
    };
    Picture rgb;  // 2 x 2 at 24 bits: rows of 6 bytes, or 8 in the editor's form
    rgb.width = 2;
    rgb.height = 2;
    rgb.rowsTopDown = {0x30, 0x20, 0x10, 0x60, 0x50, 0x40, 0x90, 0x80, 0x70, 0xC0, 0xB0, 0xA0};
    const Picture alpha = GreyPicture(2, 2, 77);  // 8-bit rows of 2 bytes, or 4
    struct Case {
        const char* what;
        Picture colour;
    } cases[] = {{"24-bit, 2 pixels", rgb}, {"8-bit, 1 pixel", paletted(1)}, {"8-bit, 2 pixels", paletted(2)}};
    for (const Case& c : cases) {
        for (const RowForm form : {RowForm::Game, RowForm::Editor}) {
            const std::string label = std::string(c.what) + (form == RowForm::Game ? " (game)" : " (editor)");
            auto bytes = TextureRecordBytes("TXTA", "padded", c.colour, &alpha, form);
            const size_t recordSize = bytes.size();
            bytes.push_back(0xEE);  // the next record's first byte must stay unread
            uint64_t end = 0;
            ASSERT_EQ(Read(bytes, 0, 0, &end), 0) << label;
            EXPECT_EQ(end, recordSize) << label;
            const TextureContainer* t = FindTexture("padded");
            ASSERT_TRUE(t) << label;
            ASSERT_EQ(t->image->format, kImage24) << label;
            ASSERT_EQ(t->image->width, c.colour.width) << label;
            // Top row first, red, green, blue: 0x10 0x20 0x30, then 0x40 0x50 0x60, ...
            const uint32_t w = t->image->width;
            for (uint32_t i = 0; i < 2 * w; ++i) {
                const uint8_t* px = t->image->pixels + i * 3;
                EXPECT_EQ(px[0], 0x10 + 0x30 * i) << label << " pixel " << i;
                EXPECT_EQ(px[1], 0x20 + 0x30 * i) << label << " pixel " << i;
                EXPECT_EQ(px[2], 0x30 + 0x30 * i) << label << " pixel " << i;
            }
            ASSERT_TRUE(t->alphaImage) << label;
            EXPECT_EQ(t->alphaImage->pixels[0], 77) << label;
            EXPECT_EQ(t->alphaImage->pixels[3], 77) << label;
            DestroyTexture("padded");
        }
    }
}

TEST_F(TextureTest, BadRecordsReportTheirCodes) {
    const Picture colour = SolidPicture(4, 4, 1, 2, 3);
    Picture fourBit = GreyPicture(4, 4, 0);
    fourBit.bits = 4;
    fourBit.rowsTopDown.assign(8, 0);
    auto truncated = TextureRecordBytes("TXTA", "cut", colour, &colour);
    truncated.resize(truncated.size() - 5);
    struct Case { const char* what; std::vector<uint8_t> bytes; int32_t result; } cases[] = {
        {"unknown kind", TextureRecordBytes("TXTX", "a", colour), 1},
        {"empty", {}, 1},
        {"four-bit picture", TextureRecordBytes("TXTR", "b", fourBit), -1},
        {"alpha picture cut short", truncated, -1},
        {"name cut short", std::vector<uint8_t>{'T', 'X', 'T', 'R', 'n'}, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Read(c.bytes), c.result) << c.what;
        EXPECT_EQ(TextureListHead(), nullptr) << c.what;
    }
}

TEST_F(TextureTest, NameSeenTwiceKeepsTheFirstContainerUnchanged) {
    const Picture big = SolidPicture(16, 16, 50, 60, 70);
    ASSERT_EQ(Read(TextureRecordBytes("TXTR", "rock", big), 0, 1), 0);
    ASSERT_EQ(Read(TextureRecordBytes("TXTR", "other", big)), 0);
    TextureContainer* rock = FindTexture("ROCK");
    ASSERT_TRUE(rock);
    EXPECT_EQ(rock->image->width, 8);  // half size once
    const auto again = TextureRecordBytes("TXTA", "Rock", big, &big);
    uint64_t end = 0;
    EXPECT_EQ(Read(again, 0, 1, &end), 0);
    EXPECT_EQ(end, again.size());
    EXPECT_EQ(FindTexture("rock"), rock);
    EXPECT_EQ(rock->image->width, 8);  // not halved a second time
    EXPECT_EQ(rock->alphaImage, nullptr);
    EXPECT_EQ(TextureListHead(), FindTexture("other"));
    EXPECT_EQ(TextureListHead()->next, rock);
}

TEST_F(TextureTest, HalfSizeAndKeepFormat) {
    struct Case { int w, h; uint32_t keep, half; int width, chain; } cases[] = {
        {16, 16, 0, 1, 8, 4},   // halved, then 8, 4, 2, 1
        {16, 8, 0, 1, 16, 1},   // cannot be halved: the full picture stays
        {16, 16, 1, 0, 16, 1},  // kept as it is
        {16, 16, 1, 1, 8, 1},   // halved, no chain
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string name = "t" + std::to_string(n++);
        ASSERT_EQ(Read(TextureRecordBytes("TXTR", name, SolidPicture(c.w, c.h, 1, 1, 1)), c.keep, c.half), 0);
        TextureContainer* t = FindTexture(name.c_str());
        ASSERT_TRUE(t && t->image);
        EXPECT_EQ(t->image->width, c.width) << name;
        EXPECT_EQ(ChainLength(t->image), c.chain) << name;
    }
}

TEST_F(TextureTest, AlphaFieldKeepsOpaqueOpaqueAndClearClear) {
    struct Case { uint32_t alpha, mask, want; } cases[] = {
        {255, 0xF000, 0xF000}, {0, 0xF000, 0}, {255, 0x8000, 0x8000}, {0, 0x8000, 0},
        {127, 0x8000, 0},        {254, 0x8000, 0}, {255, 0xFF, 0xFF},     {0, 0xFF, 0},
        {128, 0xFF, 128},        {255, 0xFF000000, 0xFF000000},
    };
    for (const auto& c : cases) EXPECT_EQ(AlphaField(c.alpha, c.mask), c.want) << c.alpha << " mask " << c.mask;
}

TEST_F(TextureTest, PictureSlidersAdjustChannels) {
    struct Case { int p1, p2, c, want; } cases[] = {
        {50, 50, 0, 1}, {50, 50, 100, 101}, {50, 50, 255, 255}, {0, 49, 200, 100}, {100, 49, 200, 255}, {50, 0, 10, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(AdjustChannel(static_cast<uint8_t>(c.c), c.p1, c.p2), c.want) << c.p1 << "," << c.p2 << "," << c.c;
}

class TextureDeviceTest : public TextureTest {
protected:
    void SetUp() override {
        TextureTest::SetUp();
        plat::GfxConfig c;
        c.windowWidth = c.renderWidth = 16;
        c.windowHeight = c.renderHeight = 16;
        c.hidden = true;
        c.swapInterval = 0;
        std::string error;
        dev = plat::GfxDevice::Create(c, &error);
        ASSERT_TRUE(dev) << error;
    }
    void TearDown() override {
        TextureTest::TearDown();
        dev.reset();
    }
    // Draws the texture over the whole target on black with alpha blending; the red of pixel (4, 4).
    int DrawRed(TextureContainer* t) {
        dev->ClearColour({0, 0, 16, 16}, 0xFF000000);
        dev->SetRenderState(plat::rs::kZEnable, 0);
        dev->SetRenderState(plat::rs::kAlphaBlendEnable, 1);
        dev->SetRenderState(plat::rs::kSrcBlend, plat::rs::kBlendSrcAlpha);
        dev->SetRenderState(plat::rs::kDestBlend, plat::rs::kBlendInvSrcAlpha);
        dev->SetTexture(t->texture);
        const plat::GfxVertex v[4] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0xFF000000, 0, 0},
                                      {16, 0, 0.5f, 1, 0xFFFFFFFF, 0xFF000000, 1, 0},
                                      {16, 16, 0.5f, 1, 0xFFFFFFFF, 0xFF000000, 1, 1},
                                      {0, 16, 0.5f, 1, 0xFFFFFFFF, 0xFF000000, 0, 1}};
        const uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
        dev->DrawIndexed(plat::rs::kTriangleList, v, 4, idx, 6);
        return dev->ReadFrame()[(4 * 16 + 4) * 4];
    }
    std::unique_ptr<plat::GfxDevice> dev;
};

TEST_F(TextureDeviceTest, AlphaImageReachesTheDeviceTexture) {
    const Picture colour = SolidPicture(8, 8, 200, 0, 0);
    const Picture half = GreyPicture(8, 8, 127);
    ASSERT_EQ(Read(TextureRecordBytes("TXTA", "a", colour, &half)), 0);
    ASSERT_EQ(Read(TextureRecordBytes("TXTR", "b", colour)), 0);
    TextureContainer* a = FindTexture("a");
    TextureContainer* b = FindTexture("b");
    ASSERT_EQ(CreateTextureSurface(a, dev.get()), 0);
    ASSERT_EQ(CreateTextureSurface(b, dev.get()), 0);
    EXPECT_NEAR(DrawRed(a), 201 / 2, 3);  // slider defaults add 1, alpha 128 of 255
    EXPECT_EQ(DrawRed(b), 201);           // no alpha image: opaque
    // Replacing the alpha image by nothing makes it opaque; an unknown name is reported.
    EXPECT_EQ(ReplaceAlphaImage("A", nullptr, dev.get(), 0), 0);
    EXPECT_EQ(DrawRed(a), 201);
    EXPECT_EQ(ReplaceAlphaImage("nothing", nullptr, dev.get(), 0), kResultNotFound);
    EXPECT_EQ(RebuildTexture("a", nullptr), kResultBadArgument);
    ReleaseAllTextureSurfaces();
    EXPECT_EQ(a->texture, nullptr);
    EXPECT_EQ(RebuildTexture("a", dev.get()), 0);
    EXPECT_NE(a->texture, nullptr);
}

TEST_F(TextureDeviceTest, WithoutAlphaTestClearTexelsTakeTheColourKey) {
    EXPECT_EQ(ColourKeyValue(0xF800, 0x07E0, 0x001F), 0x2000u | 0x0120u | 0x0006u);
    EXPECT_EQ(ColourKeyValue(0xFF0000, 0xFF00, 0xFF), 0x282832u);
    CurrentTextureSettings().deviceAlphaTest = false;
    const Picture colour = SolidPicture(4, 4, 200, 0, 0);
    const Picture clear = GreyPicture(4, 4, 0);
    ASSERT_EQ(Read(TextureRecordBytes("TXTA", "k", colour, &clear)), 0);
    TextureContainer* t = FindTexture("k");
    ASSERT_EQ(CreateTextureSurface(t, dev.get()), 0);
    CurrentTextureSettings().deviceAlphaTest = true;
    dev->SetRenderState(plat::rs::kColorKeyEnable, 1);
    dev->SetRenderState(plat::rs::kAlphaBlendEnable, 0);
    dev->ClearColour({0, 0, 16, 16}, 0xFF000000);
    dev->SetTexture(t->texture);
    const plat::GfxVertex v[4] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0xFF000000, 0, 0},
                                  {16, 0, 0.5f, 1, 0xFFFFFFFF, 0xFF000000, 1, 0},
                                  {16, 16, 0.5f, 1, 0xFFFFFFFF, 0xFF000000, 1, 1},
                                  {0, 16, 0.5f, 1, 0xFFFFFFFF, 0xFF000000, 0, 1}};
    const uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
    dev->SetRenderState(plat::rs::kZEnable, 0);
    dev->DrawIndexed(plat::rs::kTriangleList, v, 4, idx, 6);
    EXPECT_EQ(dev->ReadFrame()[(4 * 16 + 4) * 4], 0);  // keyed away: the black background stays
    dev->SetRenderState(plat::rs::kColorKeyEnable, 0);
    dev->DrawIndexed(plat::rs::kTriangleList, v, 4, idx, 6);
    EXPECT_EQ(dev->ReadFrame()[(4 * 16 + 4) * 4], 0x28);  // the key colour itself
}

// The picture sliders and the mip-mapping switch come from the settings record: moving a slider and
// rebuilding changes the texels the device draws.
TEST_F(TextureDeviceTest, SettingsSlidersReachTheTexels) {
    const ConfigRecord saved = g_Config;
    ASSERT_EQ(Read(TextureRecordBytes("TXTR", "s", SolidPicture(8, 8, 200, 0, 0))), 0);
    TextureContainer* t = FindTexture("s");
    const struct {
        uint32_t slider1, slider2;
        int red;
    } cases[] = {{50, 50, 201}, {100, 50, 255}, {0, 50, 101}, {50, 0, 151}, {50, 100, 251}, {50, 50, 201}};
    for (const auto& c : cases) {
        g_Config.displaySlider1 = c.slider1;
        g_Config.displaySlider2 = c.slider2;
        ASSERT_EQ(RebuildTexture("s", dev.get()), 0);
        EXPECT_EQ(DrawRed(t), c.red) << c.slider1 << " " << c.slider2;
    }
    g_Config.mipMapping = 0;
    EXPECT_FALSE(CurrentTextureSettings().mipMapping);
    g_Config.mipMapping = 1;
    EXPECT_TRUE(CurrentTextureSettings().mipMapping);
    g_Config = saved;
}

TEST_F(TextureDeviceTest, ContainerFromImageIsExpandedAndChained) {
    ImageRecord* pal = AllocImage(4, 4, kImagePaletted, "p");
    for (int i = 0; i < 256; ++i) pal->palette[i] = 0x00FF0000;
    std::memset(pal->pixels, 0, 16);
    ASSERT_EQ(NewTextureContainer("pal", pal, 0), 0);
    TextureContainer* t = FindTexture("PAL");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->image->format, kImage24);
    EXPECT_EQ(ChainLength(t->image), 3);
    ASSERT_EQ(CreateTextureSurface(t, dev.get()), 0);
    EXPECT_EQ(DrawRed(t), 255);
    ASSERT_EQ(NewTextureContainer("empty", nullptr, 0), 0);
    EXPECT_EQ(CreateTextureSurface(FindTexture("empty"), dev.get()), -1);
}

}  // namespace
}  // namespace kes::test
