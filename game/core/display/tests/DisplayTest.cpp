#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "game/core/display/Display.h"
#include "game/core/texture/TextureContainer.h"
#include "platform/gfx/GfxDevice.h"

namespace kes::test {
namespace {

namespace rs = plat::rs;

std::vector<std::pair<uint32_t, uint32_t>> g_sent;
void Record(uint32_t state, uint32_t value) { g_sent.emplace_back(state, value); }
size_t CountSent(uint32_t state) {
    size_t n = 0;
    for (auto& [s, v] : g_sent) n += s == state;
    return n;
}

TEST(DeviceListTest, ModeFilter) {
    struct Case { uint32_t w, h, bits, depths; bool accepted; } cases[] = {
        {640, 480, 16, 0x400, true},    {640, 480, 8, 0x700, false},   {640, 480, 32, 0x400, false},
        {640, 480, 32, 0x100, true},    {1280, 1024, 24, 0x200, true}, {1600, 1200, 16, 0x400, false},
        {320, 240, 16, 0x400, false},   {1280, 720, 16, 0x400, false}, {720, 540, 16, 0x400, true},
        {800, 480, 16, 0x400, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AcceptMode(c.w, c.h, c.bits, c.depths), c.accepted) << c.w << "x" << c.h << "x" << c.bits;
}

TEST(DeviceListTest, EnumerationSelectsTheHardwareDeviceAndDefaultMode) {
    ASSERT_EQ(EnumerateDevicesFrom({{1024, 768, 24}, {1920, 1080, 32}}, 24, nullptr), 0);
    DriverEntry* driver = nullptr;
    DeviceEntry* device = nullptr;
    ASSERT_EQ(GetSelectedDevice(&driver, &device), 0);
    EXPECT_EQ(driver->guidPointer, nullptr);
    EXPECT_EQ(device->guid, kHardwareDeviceGuid);
    EXPECT_TRUE(device->hardware);
    EXPECT_TRUE(device->canRenderWindowed);
    EXPECT_TRUE(device->windowedSelected);
    ASSERT_TRUE(device->selectedMode);
    EXPECT_STREQ(device->selectedMode->name, "640 x 480 x 16");
    bool saw1280 = false;
    for (ModeEntry* m = device->modes; m; m = m->next) {
        EXPECT_TRUE(AcceptMode(m->width, m->height, m->bitsPerPixel, 0x700)) << m->name;
        EXPECT_NE(m->width, 1920u) << m->name;  // refused by the aspect and size rules
        saw1280 |= m->width == 1280 && m->height == 1024;
    }
    EXPECT_TRUE(saw1280);  // common render sizes that fit the largest system mode are offered
    // A stored size that is absent takes the nearest 16-bit mode; unknown GUIDs select nothing.
    EXPECT_EQ(SelectDeviceByGuid(kPrimaryDriverGuid, kHardwareDeviceGuid, 1024, 768), 0);
    EXPECT_STREQ(device->selectedMode->name, "1024 x 768 x 16");
    EXPECT_EQ(SelectDeviceByGuid(kPrimaryDriverGuid, kHardwareDeviceGuid, 790, 610), 0);
    EXPECT_STREQ(device->selectedMode->name, "800 x 600 x 16");
    DeviceGuid other = kHardwareDeviceGuid;
    other.data1 ^= 1;
    EXPECT_EQ(SelectDeviceByGuid(kPrimaryDriverGuid, other, 640, 480), 1);
    FreeDeviceList();
    EXPECT_EQ(GetSelectedDevice(nullptr, nullptr), kNoDriverSelected);
    // A filter that rejects every device leaves nothing to select.
    EXPECT_EQ(EnumerateDevicesFrom({{1024, 768, 24}}, 24, [](const DeviceDescription&, const DriverCaps&) { return -1; }),
              kNoUsableDevice);
    EXPECT_EQ(EnumerateDevicesFrom({{320, 200, 16}}, 16, nullptr), kNoUsableDevice);
}

TEST(FrameworkErrorTest, TextsForCodes) {
    struct Case { uint32_t code; const char* text; } cases[] = {
        {0x8007000E, "Not enough memory!"},
        {0x82000004, "No 3D Device"},
        {0x8200000A, "No backbuffer"},
        {0x81000003, "Could not find any compatible Direct3D\ndevices."},
        {0x8876017C, "There was insufficient video memory to use the\nhardware device."},
        {0x82000000, "Generic Direct3D error : 82000000"},
        {0x12345678, "Generic Direct3D error : 12345678"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FrameworkErrorText(static_cast<int32_t>(c.code)), std::string(c.text) + "\n\nGravelon will now exit.");
}

TEST(FrameworkErrorTest, DeviceThatCannotBeMadeIsReportedAndTheCallerEndsCleanly) {
    const int32_t code = DeviceInit(kPrimaryDriverGuid, kHardwareDeviceGuid, 0, 480, 16, "t", kDeviceHidden);
    EXPECT_EQ(code, kNoBackBuffer);
    EXPECT_FALSE(DeviceReady());
    ::testing::internal::CaptureStderr();
    FrameworkError(code);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("No backbuffer\n\nGravelon will now exit."), std::string::npos);
    DeviceShutdown();
    EXPECT_EQ(DeviceInit(kPrimaryDriverGuid, kHardwareDeviceGuid, 640, 480, 8, "t", kDeviceHidden), kNeeds16BitMode);
    DeviceShutdown();
}

class DisplayTest : public ::testing::Test {
protected:
    static constexpr uint32_t kW = 64, kH = 64;
    void SetUp() override {
        EnumerateDevicesFrom({{1024, 768, 24}}, 24, nullptr);
        ASSERT_EQ(DeviceInit(kPrimaryDriverGuid, kHardwareDeviceGuid, kW, kH, 16, "test", kDeviceHidden | kDeviceNoVsync),
                  0);
        g_sent.clear();
        SetDeviceStateObserver(Record);
        SetAlphaTestCapability(true);
    }
    void TearDown() override {
        SetDeviceStateObserver(nullptr);
        SetAlphaTestCapability(true);
        DeviceShutdown();
        while (TextureListHead()) DestroyTexture(TextureListHead()->name);
        FreeDeviceList();
    }
    static ScreenVertex V(float x, float y, float z, uint32_t c) { return ScreenVertex{x, y, z, 1.0f, c, 0xFF000000, 0, 0}; }
    // A triangle covering the middle of the target, clockwise on screen.
    void Tri(float z, uint32_t colour) {
        const ScreenVertex v[3] = {V(0, 0, z, colour), V(64, 0, z, colour), V(0, 64, z, colour)};
        const uint16_t idx[3] = {0, 1, 2};
        RenderDrawIndexed(rs::kTriangleList, 3, v, 3, idx, 0);
    }
    uint32_t Pixel(int x, int y) {
        const auto f = RenderReadBackBuffer();
        const uint8_t* p = &f[(static_cast<size_t>(y) * kW + x) * 4];
        return 0xFF000000u | (p[0] << 16) | (p[1] << 8) | p[2];
    }
};

TEST_F(DisplayTest, StateBitsAreSentOnlyWhenTheyChange) {
    struct Case { bool alphaTest; uint32_t state; } cases[] = {{true, rs::kAlphaTestEnable}, {false, rs::kColorKeyEnable}};
    for (const auto& c : cases) {
        SetAlphaTestCapability(c.alphaTest);
        RenderBeginScene();
        g_sent.clear();
        RenderSetState(rs::kColorKeyEnable, 1);
        Tri(0.5f, 0xFFFFFFFF);
        Tri(0.5f, 0xFFFFFFFF);
        RenderSetState(rs::kColorKeyEnable, 0);
        Tri(0.5f, 0xFFFFFFFF);
        Tri(0.5f, 0xFFFFFFFF);
        EXPECT_EQ(CountSent(c.state), 2u) << c.state;
        // Colour key on clears the cull bit, off sets it again: culling sent twice as well.
        EXPECT_EQ(CountSent(rs::kCullMode), 2u);
        // Blend enable never reaches the device from callers: it switches queueing.
        g_sent.clear();
        RenderSetState(rs::kAlphaBlendEnable, 1);
        EXPECT_EQ(CountSent(rs::kAlphaBlendEnable), 0u);
        RenderSetState(rs::kAlphaBlendEnable, 0);
        RenderSetState(kStateImmediateBlend, 1);
        Tri(0.5f, 0xFFFFFFFF);
        EXPECT_EQ(CountSent(rs::kAlphaBlendEnable), 1u);
        RenderSetState(kStateImmediateBlend, 0);
        RenderEndScene();
    }
}

TEST_F(DisplayTest, TranslucentQueueDrawsAfterOpaqueGeometryFarthestFirst) {
    RenderBeginScene();
    RenderClearDepth();
    RenderSetState(rs::kZFunc, rs::kCmpLessEqual);
    RenderSetState(rs::kAlphaBlendEnable, 1);
    Tri(0.1f, 0xFFFF0000);  // near, queued first
    Tri(0.8f, 0xFF00FF00);  // far, queued second
    EXPECT_EQ(TranslucentQueued(), 2u);
    RenderSetState(rs::kAlphaBlendEnable, 0);
    Tri(0.9f, 0xFF0000FF);  // opaque behind both, drawn at once
    EXPECT_EQ(Pixel(5, 5), 0xFF0000FFu);
    RenderEndScene();
    EXPECT_EQ(TranslucentQueued(), 0u);
    EXPECT_EQ(TrianglesSubmitted(), 3u);
    EXPECT_EQ(TrianglesFromQueue(), 2u);
    EXPECT_EQ(Pixel(5, 5), 0xFFFF0000u);  // the near one drawn last
    // The queue's own states: blending, alpha reference 7, no culling.
    bool sawRef7 = false, sawCullNone = false;
    for (auto& [s, v] : g_sent) {
        sawRef7 |= s == rs::kAlphaRef && v == 7;
        sawCullNone |= s == rs::kCullMode && v == rs::kCullNone;
    }
    EXPECT_TRUE(sawRef7);
    EXPECT_TRUE(sawCullNone);
}

TEST_F(DisplayTest, QueueOrderHoldsForNegativeKeysAndRunsPerTexture) {
    struct Case { float bias; } cases[] = {{0.0f}, {-10.0f}, {5.0f}};
    for (const auto& c : cases) {
        RenderBeginScene();
        RenderClearDepth();
        SetTranslucentSortBias(c.bias);
        RenderSetState(rs::kZEnable, 0);
        RenderSetState(rs::kAlphaBlendEnable, 1);
        Tri(0.1f, 0xFFFF0000);
        Tri(0.8f, 0xFF00FF00);
        RenderEndScene();
        EXPECT_EQ(Pixel(5, 5), 0xFFFF0000u) << "bias " << c.bias;
    }
    SetTranslucentSortBias(0.0f);
    // Three triangles of two textures sorted into two runs: one draw each.
    ImageRecord* a = AllocImage(2, 2, kImage24, "a");
    ImageRecord* b = AllocImage(2, 2, kImage24, "b");
    std::memset(a->pixels, 255, 12);
    std::memset(b->pixels, 128, 12);
    ASSERT_EQ(NewTextureContainer("a", a, 0), 0);
    ASSERT_EQ(NewTextureContainer("b", b, 0), 0);
    uint32_t ha = 0, hb = 0;
    ASSERT_EQ(DeviceTextureAcquire(FindTexture("a"), &ha), 0);
    ASSERT_EQ(DeviceTextureAcquire(FindTexture("b"), &hb), 0);
    RenderBeginScene();
    RenderSetState(rs::kAlphaBlendEnable, 1);
    RenderSelectTexture(ha);
    Tri(0.9f, 0xFFFFFFFF);
    Tri(0.8f, 0xFFFFFFFF);
    RenderSelectTexture(hb);
    Tri(0.1f, 0xFFFFFFFF);
    DisplayGfx()->Flush();
    DisplayGfx()->ResetDrawCalls();
    RenderEndScene();
    EXPECT_EQ(DisplayGfx()->DrawCalls(), 2u);
    EXPECT_EQ(Pixel(5, 5), 0xFF818181u);  // texture b (128, plus one from the picture sliders) on top
    DeviceTextureRelease(ha);
    DeviceTextureRelease(hb);
}

TEST_F(DisplayTest, FullQueueIsDrawnAndRefilled) {
    RenderBeginScene();
    RenderSetState(rs::kAlphaBlendEnable, 1);
    std::vector<ScreenVertex> v(3 * 100);
    std::vector<uint16_t> idx(3 * 100);
    for (size_t i = 0; i < v.size(); ++i) {
        v[i] = V(static_cast<float>(i % 3 == 1 ? 8 : 0), static_cast<float>(i % 3 == 2 ? 8 : 0), 0.5f, 0x80FFFFFF);
        idx[i] = static_cast<uint16_t>(i);
    }
    for (int i = 0; i < 101; ++i) RenderDrawIndexed(rs::kTriangleList, 300, v.data(), 300, idx.data(), 0);
    EXPECT_EQ(TranslucentQueued(), 10100u - kTranslucentCapacity);
    EXPECT_EQ(TrianglesFromQueue(), kTranslucentCapacity);
    RenderEndScene();
    EXPECT_EQ(TrianglesFromQueue(), 10100u);
}

TEST_F(DisplayTest, ViewportsAndModes) {
    EXPECT_EQ(SelectViewport(-1), kBadViewport);
    EXPECT_EQ(SelectViewport(1), kBadViewport);
    EXPECT_EQ(AddViewport(0, 0, 32, 32), 1);
    EXPECT_EQ(SelectViewport(1), 0);
    EXPECT_EQ(SetViewportRect(5, 0, 0, 1, 1), kBadViewport);
    for (int i = 2; i < static_cast<int>(kMaxViewports); ++i) EXPECT_EQ(AddViewport(0, 0, 1, 1), i);
    EXPECT_EQ(AddViewport(0, 0, 1, 1), -1);
    // Drawing is clipped to the current viewport; clearing depth covers only it.
    Tri(0.5f, 0xFFFFFFFF);
    EXPECT_EQ(Pixel(5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(5, 40), 0xFF000000u);
    SelectViewport(0);
    // Windowed: the render size follows the mode.
    EXPECT_EQ(SetDisplayMode(32, 24, 16), 0);
    uint32_t w = 0, h = 0;
    GetRenderSize(&w, &h);
    EXPECT_EQ(w, 32u);
    EXPECT_EQ(h, 24u);
}

TEST_F(DisplayTest, FullScreenModeChanges) {
    DeviceShutdown();
    ASSERT_EQ(DeviceInit(kPrimaryDriverGuid, kHardwareDeviceGuid, 640, 480, 16, "t",
                         kDeviceFullScreen | kDeviceHidden | kDeviceNoVsync),
              0);
    const uint32_t generation = DeviceGeneration();
    EXPECT_EQ(SetDisplayMode(640, 480, 16), 0);
    EXPECT_EQ(DeviceGeneration(), generation);
    EXPECT_EQ(SetDisplayMode(1000, 1000, 16), -1);
    ImageRecord* img = AllocImage(2, 2, kImage24, "m");
    ASSERT_EQ(NewTextureContainer("m", img, 0), 0);
    uint32_t handle = 0;
    ASSERT_EQ(DeviceTextureAcquire(FindTexture("m"), &handle), 0);
    EXPECT_NE(FindTexture("m")->texture, nullptr);
    EXPECT_EQ(SetDisplayMode(800, 600, 16), 0);
    EXPECT_EQ(DeviceGeneration(), generation + 1);
    EXPECT_EQ(FindTexture("m")->texture, nullptr);  // rebuilt on next use
    RenderSelectTexture(handle);
    EXPECT_NE(FindTexture("m")->texture, nullptr);
    uint32_t w = 0, h = 0;
    GetRenderSize(&w, &h);
    EXPECT_EQ(w, 800u);
    DeviceTextureRelease(handle);
}

TEST_F(DisplayTest, DeviceTextureHandlesShareAndRelease) {
    ASSERT_EQ(NewTextureContainer("x", AllocImage(2, 2, kImage24, "x"), 0), 0);
    uint32_t h1 = 0, h2 = 0;
    ASSERT_EQ(DeviceTextureAcquire(FindTexture("x"), &h1), 0);
    ASSERT_EQ(DeviceTextureAcquire(FindTexture("X"), &h2), 0);
    EXPECT_EQ(h1, h2);
    EXPECT_EQ(DeviceTextureRefCount(h1), 2u);
    EXPECT_EQ(DeviceTextureFind("X"), h1);
    DeviceTextureRelease(h1);
    EXPECT_NE(FindTexture("x"), nullptr);
    DeviceTextureRelease(h1);
    EXPECT_EQ(FindTexture("x"), nullptr);
    DeviceTextureRelease(h1);  // a free handle: nothing happens
    DeviceTextureRelease(0);
    DeviceTextureRelease(9999);
    EXPECT_EQ(DeviceTextureContainer(h1), nullptr);
    uint32_t none = 7;
    EXPECT_NE(DeviceTextureAcquire(nullptr, &none), 0);
    EXPECT_EQ(none, 0u);
}

TEST_F(DisplayTest, SurfacesAndBlits) {
    EXPECT_EQ(FreeSurface(nullptr), -1);
    EXPECT_EQ(BlitToScreen(nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(BlitSurface(nullptr, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(CopyBackBufferToSurface(nullptr), -1);
    EXPECT_EQ(CreateSurfaceFromImage(nullptr), nullptr);
    ImageRecord* img = AllocImage(2, 2, kImage24, "s");
    std::memset(img->pixels, 0, 12);
    img->pixels[0] = 255;  // top-left red
    Surface2D* s = CreateSurfaceFromImage(img);
    ASSERT_TRUE(s);
    struct Case { float f[4]; int l, t, r, b; } cases[] = {
        {{0.25f, 0.25f, 0.75f, 0.75f}, 16, 16, 48, 48},
        {{0.0f, 0.0f, 1.0f, 1.0f}, 0, 0, 64, 64},
        {{0.1f, 0.5f, 0.3f, 0.6f}, 6, 32, 19, 38},
    };
    for (const auto& c : cases) {
        DisplayGfx()->ClearColour({0, 0, 64, 64}, 0xFF0000FF);
        ASSERT_EQ(BlitToScreen(s, nullptr, c.f), 0);
        EXPECT_EQ(Pixel(c.l, c.t), 0xFFFF0000u);
        EXPECT_EQ(Pixel(c.r - 1, c.b - 1), 0xFF000000u);
        if (c.r < 64) {
            EXPECT_EQ(Pixel(c.r, c.b - 1), 0xFF0000FFu);
        }
        if (c.l > 0) {
            EXPECT_EQ(Pixel(c.l - 1, c.t), 0xFF0000FFu);
        }
    }
    // The back buffer copied into a surface, then that surface onto the screen unchanged.
    Surface2D* copy = CreateSurface(kW, kH);
    ASSERT_EQ(CopyBackBufferToSurface(copy), 0);
    DisplayGfx()->ClearColour({0, 0, 64, 64}, 0xFF000000);
    ASSERT_EQ(BlitToScreen(copy, nullptr, nullptr), 0);
    EXPECT_EQ(Pixel(6, 32), 0xFFFF0000u);
    // Surface to surface.
    Surface2D* small = CreateSurface(1, 1);
    Rect topLeft{0, 0, 1, 1};
    ASSERT_EQ(BlitSurface(s, &topLeft, small, nullptr), 0);
    EXPECT_EQ(FreeSurface(small), 0);
    EXPECT_EQ(FreeSurface(copy), 0);
    EXPECT_EQ(FreeSurface(s), 0);
}

}  // namespace
}  // namespace kes::test
