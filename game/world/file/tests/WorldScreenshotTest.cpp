#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "game/core/display/DeviceList.h"
#include "game/core/display/Display.h"
#include "game/core/texture/TextureContainer.h"
#include "game/world/file/tests/WorldTestSupport.h"
#include "game/world/landscape/Landscape.h"
#include "game/world/landscape/OrderedJobs.h"
#include "platform/gfx/GfxDevice.h"

namespace kes::test {
namespace {

constexpr uint32_t kWidth = 160, kHeight = 120;
constexpr uint32_t kSky = 0xFF142878;  // clear colour: red 20, green 40, blue 120

// A gentle 2000 x 2000 landscape of 9 x 9 cells without textures.
LandscapeData GentleValley(const WorldBounds& b) {
    LandscapeData l;
    l.knotsX = l.knotsY = 37;
    l.knotsPerCellX = l.knotsPerCellY = 4;
    l.bounds = b;
    for (uint32_t r = 0; r < 37; ++r)
        for (uint32_t c = 0; c < 37; ++c) l.heights.push_back(3.0f * std::sin(c * 0.5f) * std::cos(r * 0.4f));
    l.cells.assign(static_cast<size_t>(l.CellsX()) * l.CellsY(), 1);
    return l;
}

// The valley in one green texture, fogged from 50 to 300 units.
std::vector<uint8_t> GreenValley() {
    WorldWriter w;
    const WorldBounds b{0, 0, 0, 2000, 2000, 100};
    w.Header(b);
    FogData fog;
    fog.enabled = 1;
    fog.start = 50;
    fog.end = 300;
    w.Fog(fog);  // the editor's colour 0x00FFE6D7 becomes red 0xD8, green 0xE7, blue 0xFF
    LandscapeData l = GentleValley(b);
    l.textures.push_back({"valley.bmp", DibPicture::Solid(64, 64, 40, 160, 40)});
    w.Landscape(l);
    return w.Finish();
}

struct Rgb {
    int r, g, b;
};

Rgb Average(const std::vector<uint8_t>& rgba, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) {
    long r = 0, g = 0, b = 0, n = 0;
    for (uint32_t y = y0; y < y1; ++y)
        for (uint32_t x = x0; x < x1; ++x, ++n) {
            const uint8_t* p = &rgba[(y * kWidth + x) * 4];
            r += p[0], g += p[1], b += p[2];
        }
    return {static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n)};
}

// The valley in 16 patterned textures of 64 x 64, a different one in every cell, no fog.
std::vector<uint8_t> PatternedValley() {
    WorldWriter w;
    const WorldBounds b{0, 0, 0, 2000, 2000, 100};
    w.Header(b);
    LandscapeData l = GentleValley(b);
    for (int t = 0; t < 16; ++t) {
        DibPicture p = DibPicture::Solid(64, 64, 0, 0, 0);
        for (size_t i = 0; i < p.rows.size(); ++i) p.rows[i] = static_cast<uint8_t>((i * (t + 3)) ^ (i >> 6));
        l.textures.push_back({"pattern" + std::to_string(t) + ".bmp", std::move(p)});
    }
    for (size_t i = 0; i < l.cells.size(); ++i) l.cells[i] = static_cast<uint16_t>(1 + (i * 5) % 16);
    w.Landscape(l);
    return w.Finish();
}

// One frame of the current world through vp (left as the interface's view) from a fixed eye just
// off the ground's near edge, so that no triangle reaches behind it; near ground and far ground
// (small mip levels) are in view.
std::vector<uint8_t> DrawValley(RenderInterface& r, Matrix4* vp) {
    const Vec3 eye{1000, -10, 60};
    ViewProjection(eye, 0.3f, kWidth, kHeight, 5.0f, 3000.0f, vp->m);
    r.viewProjection = vp;
    WorldView view;
    view.eye = eye;
    view.groundMinX = 0, view.groundMinY = 0, view.groundMaxX = 1999, view.groundMaxY = 1999;
    for (Vec4& p : view.planes) p = {0, 0, 0, 1e9f};
    r.BeginScene();
    DisplayGfx()->ClearColour({0, 0, static_cast<int>(kWidth), static_cast<int>(kHeight)}, kSky);
    r.ClearDepth();
    r.SetState(plat::rs::kZEnable, 1);
    r.SetState(plat::rs::kCullMode, plat::rs::kCullNone);
    WorldRender(view);
    r.EndScene();
    return RenderReadBackBuffer();
}

TEST(WorldScreenshot, TexturesPreparedOnWorkersDrawTheSameFrameAsOnOneThread) {
    EnumerateDevicesFrom({{1024, 768, 24}}, 24, nullptr);
    ASSERT_EQ(DeviceInit(kPrimaryDriverGuid, kHardwareDeviceGuid, kWidth, kHeight, 16, "world", kDeviceHidden | kDeviceNoVsync),
              0);
    RenderInterface& r = TheRenderInterface();
    const std::vector<uint8_t> world = PatternedValley();
    std::vector<uint8_t> reference;
    std::vector<uint32_t> referenceHandles;
    for (unsigned threads : {1u, 4u}) {
        SetLoadThreads(threads);
        ASSERT_EQ(LoadBytes(world, &r), 0);
        SetLoadThreads(0);
        std::vector<uint32_t> handles;
        for (const LandscapeTile& tile : CurrentLandscape().tiles) handles.push_back(tile.texture);
        Matrix4 vp;
        const std::vector<uint8_t> frame = DrawValley(r, &vp);
        ASSERT_EQ(frame.size(), kWidth * kHeight * 4u);
        // Textures rebuilt by the device from their images (as after a mode change) convert their
        // texels themselves: the frame must not change.
        for (TextureContainer* c = TextureListHead(); c; c = c->next) ASSERT_EQ(RebuildTexture(c->name, DisplayGfx()), 0);
        EXPECT_TRUE(DrawValley(r, &vp) == frame) << threads;
        r.viewProjection = nullptr;
        if (reference.empty()) {
            reference = frame;
            referenceHandles = handles;
            // The frame shows more than one texture.
            EXPECT_GT(std::set<uint32_t>(handles.begin(), handles.end()).size(), 8u);
        } else {
            EXPECT_EQ(handles, referenceHandles);
            EXPECT_TRUE(frame == reference);
        }
        WorldUnload();
        while (TextureListHead()) DestroyTexture(TextureListHead()->name);
    }
    DeviceShutdown();
    FreeDeviceList();
}

TEST(WorldScreenshot, FoggedLandscapeFromAFixedCamera) {
    EnumerateDevicesFrom({{1024, 768, 24}}, 24, nullptr);
    ASSERT_EQ(DeviceInit(kPrimaryDriverGuid, kHardwareDeviceGuid, kWidth, kHeight, 16, "world", kDeviceHidden | kDeviceNoVsync),
              0);
    RenderInterface& r = TheRenderInterface();
    ASSERT_EQ(LoadBytes(GreenValley(), &r), 0);
    ASSERT_TRUE(LandscapePresent());

    Matrix4 vp;
    const std::vector<uint8_t> pixels = DrawValley(r, &vp);
    ASSERT_EQ(pixels.size(), kWidth * kHeight * 4u);
    EXPECT_GT(LandscapeTrianglesDrawn(), 0u);

    // Top rows: above the horizon, the clear colour.
    const Rgb sky = Average(pixels, 0, 0, kWidth, 8);
    EXPECT_NEAR(sky.r, 20, 3);
    EXPECT_NEAR(sky.g, 40, 3);
    EXPECT_NEAR(sky.b, 120, 3);
    // Bottom rows: the ground close by, green and hardly fogged.
    const Rgb near = Average(pixels, 40, kHeight - 10, kWidth - 40, kHeight);
    EXPECT_GT(near.g, near.r + 60);
    EXPECT_GT(near.g, near.b + 60);
    // Just below the horizon: ground far beyond the fog's end, in the fog colour.
    uint32_t horizon = 0;
    for (uint32_t y = 0; y < kHeight && !horizon; ++y) {
        const Rgb row = Average(pixels, 0, y, kWidth, y + 1);
        if (std::abs(row.r - 20) > 10 || std::abs(row.b - 120) > 10) horizon = y;
    }
    ASSERT_GT(horizon, 8u);
    // Ground 500 units ahead, beyond the fog's end: the fog colour.
    SourceVertex farPoint{1000, 500, 0, 0, 0, 1, 0, 0};
    ScreenVertex farScreen{};
    r.TransformVertices(nullptr, &farScreen, 1, &farPoint, 0, nullptr, 2);
    const uint32_t farRow = static_cast<uint32_t>(farScreen.sy);
    ASSERT_GT(farRow, horizon + 1);
    const Rgb far = Average(pixels, 40, farRow, kWidth - 40, farRow + 1);
    EXPECT_NEAR(far.r, 0xD8, 12);
    EXPECT_NEAR(far.g, 0xE7, 12);
    EXPECT_NEAR(far.b, 0xFF, 12);

    WorldUnload();
    r.viewProjection = nullptr;
    DeviceShutdown();
    while (TextureListHead()) DestroyTexture(TextureListHead()->name);
    FreeDeviceList();
}

}  // namespace
}  // namespace kes::test
