// The rendering layer on the shared GL back end, headless: viewport text reaches the frame's pixels, and
// the display set-up resizes the render target when it goes between a window and the full screen.
#include <gtest/gtest.h>

#include <memory>

#include "editor/render/GfxDisplayBackend.h"
#include "editor/render/GfxRenderDevice.h"
#include "editor/render/TextContext.h"
#include "editor/texture/TextureTable.h"
#include "platform/gfx/GfxDevice.h"

namespace qv {
namespace {

class GlDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        plat::GfxConfig config;
        config.windowWidth = config.renderWidth = 200;
        config.windowHeight = config.renderHeight = 100;
        config.hidden = true;
        std::string error;
        gfx = plat::GfxDevice::Create(config, &error);
        ASSERT_NE(gfx, nullptr) << error;
    }
    std::unique_ptr<plat::GfxDevice> gfx;
};

// Bright pixels (red above 128) inside [left, right) x [top, bottom) of a frame 200 pixels wide.
int Bright(const std::vector<uint8_t>& frame, int left, int top, int right, int bottom) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) n += frame[(static_cast<size_t>(y) * 200 + static_cast<size_t>(x)) * 4] > 128;
    return n;
}

TEST_F(GlDisplay, ViewportTextIsDrawnWhereItWasAskedFor) {
    TextureTable textures;
    GfxRenderDevice device(gfx.get(), &textures);
    RenderLayer layer(&device, 200, 100);
    const int32_t viewport = layer.AddViewport(100, 0, 100, 100);  // the right half of the frame
    ASSERT_EQ(layer.SelectViewport(viewport), 0);
    layer.BeginFrame();
    layer.Clear();
    TextContext dc(&layer);
    dc.SetBkMode(1);
    dc.SetTextColor(0xFFFFFF);
    ASSERT_EQ(dc.TextOut(4, 10, "WWW", -1), 1);
    layer.EndFrame();
    gfx->Flush();
    const std::vector<uint8_t> frame = gfx->ReadFrame();
    ASSERT_EQ(frame.size(), 200u * 100 * 4);
    int32_t width = 0, height = 0;
    dc.GetTextExtent("WWW", -1, &width, &height);
    const int inside = Bright(frame, 104, 10, 104 + width, 10 + height);
    EXPECT_GT(inside, 25) << "the letters, moved by the viewport's origin";
    EXPECT_EQ(Bright(frame, 0, 0, 100, 100), 0) << "nothing in the left half";
    EXPECT_EQ(Bright(frame, 100, 40, 200, 100), 0) << "nothing below the line";
}

// A bitmap of 4 x 4 pixels of one colour, 24 bits per pixel.
Dib Solid(uint8_t red, uint8_t green, uint8_t blue) {
    Dib d;
    d.header.width = 4;
    d.header.height = 4;
    d.header.bitCount = 24;
    for (int i = 0; i < 16; ++i) d.pixels.insert(d.pixels.end(), {blue, green, red});
    return d;
}

TEST_F(GlDisplay, FurtherTextureStagesMultiplyTheColourOfTheStagesBefore) {
    TextureTable textures;
    uint32_t base = 0, light = 0, tint = 0;
    ASSERT_EQ(textures.AddFromMemory("base", Solid(200, 100, 240), &base), 0);
    ASSERT_EQ(textures.AddFromMemory("light", Solid(128, 255, 64), &light), 0);
    ASSERT_EQ(textures.AddFromMemory("tint", Solid(255, 128, 255), &tint), 0);
    GfxRenderDevice device(gfx.get(), &textures);
    RenderLayer layer(&device, 200, 100);
    layer.SetRenderState(22, 1);  // no culling
    struct Case {
        const char* what;
        uint32_t stage1, stage2;
        uint8_t red, green, blue;
    };
    const Case cases[] = {
        {"stage 0 alone", 0, 0, 200, 100, 240},
        {"a light map on stage 1", light, 0, 100, 100, 60},
        {"stages 1 and 2", light, tint, 100, 50, 60},
        {"stage 2 without stage 1", 0, tint, 200, 50, 240},
    };
    const ScreenVertex quad[4] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0},
                                  {200, 0, 0.5f, 1, 0xFFFFFFFF, 0, 1, 0},
                                  {200, 100, 0.5f, 1, 0xFFFFFFFF, 0, 1, 1},
                                  {0, 100, 0.5f, 1, 0xFFFFFFFF, 0, 0, 1}};
    const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(layer.SelectViewport(0), 0);
        layer.BeginFrame();
        layer.Clear();
        ASSERT_EQ(layer.SetStageTexture(0, base), 0);
        ASSERT_EQ(layer.SetStageTexture(1, c.stage1), 0);
        ASSERT_EQ(layer.SetStageTexture(2, c.stage2), 0);
        ASSERT_EQ(layer.DrawPrimitive(4, 4, quad, 6, indices), 0);
        layer.EndFrame();
        gfx->Flush();
        const std::vector<uint8_t> frame = gfx->ReadFrame();
        ASSERT_EQ(frame.size(), 200u * 100 * 4);
        const uint8_t* centre = &frame[(50u * 200 + 100) * 4];
        EXPECT_NEAR(centre[0], c.red, 2);
        EXPECT_NEAR(centre[1], c.green, 2);
        EXPECT_NEAR(centre[2], c.blue, 2);
    }
}

TEST_F(GlDisplay, ToggleResizesTheRenderTargetBetweenFullScreenAndWindow) {
    auto drivers = EnumerateDisplay(gfx->RendererName(), {{320, 240, 32}, {640, 480, 32}}, 32);
    DisplayChoice choice;
    ASSERT_EQ(ChooseDisplay(drivers, 0, &choice), 0u);
    bool closed = false;
    GfxDisplayBackend backend(gfx.get(), [&] { closed = true; });
    DisplaySettings settings;
    settings.width = 320;
    settings.height = 240;
    DisplaySetup setup(&backend, drivers, choice, settings, 200, 100);
    ASSERT_EQ(setup.ToggleSize(), 0u);
    EXPECT_EQ(gfx->RenderWidth(), 320) << "full screen at the requested size";
    EXPECT_EQ(gfx->RenderHeight(), 240);
    ASSERT_EQ(setup.ToggleSize(), 0u);
    EXPECT_EQ(gfx->RenderWidth(), 300) << "a window of 300 x 300";
    EXPECT_EQ(gfx->RenderHeight(), 300);
    EXPECT_FALSE(closed);
    DisplaySettings broken;
    broken.windowed = false;
    broken.width = 0;
    EXPECT_EQ(backend.Rebuild(broken, choice), static_cast<uint32_t>(kFwBadDisplayMode));
}

}  // namespace
}  // namespace qv
