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
