#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>

#include "game/core/render/RenderInterface.h"
#include "game/core/texture/TextureContainer.h"
#include "game/core/texture/tests/TextureRecordBuilder.h"

namespace kes::test {
namespace {

namespace rs = plat::rs;

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnumerateDevicesFrom({{1024, 768, 24}}, 24, nullptr);
        ASSERT_EQ(DeviceInit(kPrimaryDriverGuid, kHardwareDeviceGuid, 16, 16, 16, "t", kDeviceHidden | kDeviceNoVsync), 0);
        r = std::make_unique<RenderInterface>();
    }
    void TearDown() override {
        r->ReleaseAllTextures();
        DeviceShutdown();
        while (TextureListHead()) DestroyTexture(TextureListHead()->name);
        FreeDeviceList();
    }
    uint32_t Make(const char* name, uint8_t red) {
        ImageRecord* img = AllocImage(2, 2, kImage24, name);
        for (int i = 0; i < 4; ++i) {
            img->pixels[i * 3] = red;
            img->pixels[i * 3 + 1] = 0;
            img->pixels[i * 3 + 2] = 0;
        }
        uint32_t h = 0;
        EXPECT_EQ(r->CreateTextureFromImage(name, img, &h, 0), 0);
        return h;
    }
    // Red of the middle pixel after drawing a full-screen quad with the given interface handle.
    int DrawRed(uint32_t handle) {
        r->BeginScene();
        r->SetState(rs::kZEnable, 0);
        r->SelectTexture(handle);
        ScreenVertex v[4] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0xFF000000, 0, 0}, {16, 0, 0.5f, 1, 0xFFFFFFFF, 0xFF000000, 1, 0},
                             {16, 16, 0.5f, 1, 0xFFFFFFFF, 0xFF000000, 1, 1}, {0, 16, 0.5f, 1, 0xFFFFFFFF, 0xFF000000, 0, 1}};
        uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
        r->DrawIndexed(rs::kTriangleList, 4, v, 6, idx, 0);
        r->EndScene();
        return RenderReadBackBuffer()[(8 * 16 + 8) * 4];
    }
    std::unique_ptr<RenderInterface> r;
};

TEST_F(RenderTest, HandleAllocationReusesHolesAndKeepsHigherHandlesValid) {
    const uint32_t h1 = Make("one", 101), h2 = Make("two", 102), h3 = Make("three", 103);
    EXPECT_EQ(h1, 1u);
    EXPECT_EQ(h2, 2u);
    EXPECT_EQ(h3, 3u);
    r->ReleaseTexture(h2);
    EXPECT_EQ(FindTexture("two"), nullptr);
    EXPECT_EQ(Make("two again", 50), 2u);
    r->ReleaseTexture(h1);
    EXPECT_EQ(r->Handles()[0], 2u);
    // Handle 3 lies above the count now and still selects its texture.
    EXPECT_EQ(DrawRed(h3), 104);  // 103 plus one from the picture sliders
    struct Case { uint32_t handle; } none[] = {{0}, {1}, {4}, {1023}, {5000}};
    for (const auto& c : none) EXPECT_EQ(DrawRed(c.handle), 255) << c.handle;  // untextured white
    r->ReleaseTexture(h1);  // already free: the count stays
    EXPECT_EQ(r->Handles()[0], 2u);
}

TEST_F(RenderTest, SameNameIsSharedAndSurvivesOneRelease) {
    const uint32_t a = Make("shared", 10);
    const uint32_t b = Make("SHARED", 200);
    EXPECT_NE(a, b);
    EXPECT_EQ(r->Handles()[a], r->Handles()[b]);
    r->ReleaseTexture(a);
    EXPECT_NE(FindTexture("shared"), nullptr);
    EXPECT_EQ(DrawRed(b), 11);
    r->ReleaseAllTextures();
    EXPECT_EQ(r->Handles()[0], 0u);
    EXPECT_EQ(FindTexture("shared"), nullptr);
}

TEST_F(RenderTest, FullHandleTableFailsWithoutWritingBeyondIt) {
    uint32_t table[kHandleTableSize] = {};
    table[0] = 1022;
    for (uint32_t i = 1; i <= 1022; ++i) table[i] = 0;  // all "in use" by count, words free
    r->handleTable = table;
    // The first free word within the count is taken.
    EXPECT_EQ(Make("a", 1), 1u);
    for (uint32_t i = 2; i < kHandleTableSize; ++i) table[i] = 500;
    table[0] = 1023;
    ImageRecord* img = AllocImage(2, 2, kImage24, "b");
    uint32_t h = 77;
    EXPECT_EQ(r->CreateTextureFromImage("b", img, &h, 0), kNoFreeTextureHandle);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(FindTexture("b"), nullptr);
    r->ReleaseTexture(1);
    r->ResetHandleTable();
    EXPECT_EQ(r->Handles(), r->builtInHandleTable);
}

TEST_F(RenderTest, TextureRecordsFromStreams) {
    const auto bytes = TextureRecordBytes("TXTR", "grass", SolidPicture(4, 4, 90, 0, 0));
    MemoryImageStream s(bytes.data(), bytes.size());
    uint32_t h = 0;
    ASSERT_EQ(r->LoadTextureRecord(s, &h, 0, 0), 0);
    EXPECT_EQ(h, 1u);
    EXPECT_EQ(DrawRed(h), 91);
    const auto bad = TextureRecordBytes("XXXX", "bad", SolidPicture(4, 4, 0, 0, 0));
    MemoryImageStream sb(bad.data(), bad.size());
    h = 5;
    EXPECT_EQ(r->LoadTextureRecord(sb, &h, 0, 0), 1);
    EXPECT_EQ(h, 0u);
    // The alpha image of a handle is replaced and the texture rebuilt; bad handles report 0x81233001.
    EXPECT_EQ(r->UpdateTexture(1, nullptr, 0), 0);
    EXPECT_EQ(r->UpdateTexture(9, nullptr, 0), kTextureRebuildFailed);
    r->ReleaseTextureSurface(1);
    EXPECT_EQ(DrawRed(1), 91);  // made again on use
    r->ReleaseDeviceTextures();
    EXPECT_EQ(DrawRed(1), 91);
}

// View matrix giving c0 = x, c1 = y, c2 = z, c3 = z.
const float kDepthView[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0};

TEST_F(RenderTest, FogFactorFromDepth) {
    r->viewProjection = kDepthView;
    r->SetFogRange(10.0f, 265.0f);
    EXPECT_FLOAT_EQ(r->fogScale, 1.0f);
    r->SetFogEnable(1);
    struct Case { float depth; uint32_t specular; } cases[] = {
        {10.0f, 0xFF000000}, {138.0f, 0x7F000000}, {265.0f, 0}, {300.0f, 0}, {5.0f, 0xFF000000}, {264.0f, 0x01000000}, {254.0f, 0x0B000000},
    };
    for (const auto& c : cases) {
        SourceVertex in{0, 0, c.depth, 0, 0, 1, 0, 0};
        ScreenVertex out{};
        r->TransformVertices(nullptr, &out, 1, &in, 0, nullptr, 0);
        EXPECT_EQ(out.specular, c.specular) << c.depth;
    }
    // Inside a frame the conversion truncates: 255 - 127.1 = 127.9 gives 127, not 128.
    const int saved = std::fegetround();
    std::fesetround(FE_TOWARDZERO);
    SourceVertex in{0, 0, 137.1f, 0, 0, 1, 0, 0};
    ScreenVertex out{};
    r->TransformVertices(nullptr, &out, 1, &in, 0, nullptr, 0);
    std::fesetround(saved);
    EXPECT_EQ(out.specular, 0x7F000000u);
    r->SetFogEnable(0);
    r->TransformVertices(nullptr, &out, 1, &in, 0, nullptr, 0);
    EXPECT_EQ(out.specular, 0xFF000000u);
}

TEST_F(RenderTest, VertexInTheCameraPlaneStaysFinite) {
    r->viewProjection = kDepthView;
    for (uint32_t fog : {0u, 1u}) {
        r->SetFogEnable(fog);
        SourceVertex in{3, 4, 0, 0, 0, 1, 0, 0};
        ScreenVertex out{};
        r->TransformVertices(nullptr, &out, 1, &in, 0, nullptr, 0);
        EXPECT_TRUE(std::isfinite(out.sx) && std::isfinite(out.sy) && std::isfinite(out.rhw)) << "fog " << fog;
        EXPECT_FLOAT_EQ(out.rhw, -1.0f);
    }
}

TEST_F(RenderTest, ProjectionUsesModelTimesView) {
    // Model: translate by (1, 2, 3); view: depth view. (1, 1, 1) -> (2, 3, 4): sx = 2/4, sy = 4/4, sz = 3/4.
    const float model[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1};
    r->viewProjection = kDepthView;
    SourceVertex in{1, 1, 1, 0, 0, 1, 0.25f, 0.75f};
    ScreenVertex out{};
    r->TransformVertices(model, &out, 1, &in, 0, nullptr, 0);
    EXPECT_FLOAT_EQ(out.sx, 0.5f);
    EXPECT_FLOAT_EQ(out.sy, 1.0f);
    EXPECT_FLOAT_EQ(out.sz, 0.75f);
    EXPECT_FLOAT_EQ(out.rhw, 0.25f);
    EXPECT_FLOAT_EQ(out.u, 0.25f);
    EXPECT_FLOAT_EQ(out.v, 0.75f);
}

bool g_haveLights = false;
bool FakeLighting(ScreenVertex* out, int32_t count, const SourceVertex*, const float*, float radius, uint32_t alpha) {
    if (!g_haveLights) return false;
    EXPECT_FLOAT_EQ(radius, 100.0f);
    EXPECT_EQ(alpha, 255u);
    for (int32_t i = 0; i < count; ++i) out[i].diffuse = 0xFF00FF00;
    return true;
}

TEST_F(RenderTest, DiffuseColourByLightingFlags) {
    r->SetColour(0x123456);
    EXPECT_EQ(r->currentColour, 0xFF123456u);
    SetMeshLighting(FakeLighting);
    struct Case { uint32_t flags; bool lights; uint32_t want; } cases[] = {
        {0, false, 0xFF123456}, {2, false, 0xCAFEBABE}, {1, false, 0xFF123456},
        {1, true, 0xFF00FF00},  {3, false, 0xCAFEBABE}, {0x102, false, 0xCAFEBABE},
    };
    for (const auto& c : cases) {
        g_haveLights = c.lights;
        SourceVertex in{0, 0, 1, 0, 0, 1, 0, 0};
        ScreenVertex out{};
        out.diffuse = 0xCAFEBABE;
        r->TransformVertices(nullptr, &out, 1, &in, 0, nullptr, c.flags);
        EXPECT_EQ(out.diffuse, c.want) << "flags " << c.flags << " lights " << c.lights;
    }
    SetMeshLighting(nullptr);
}

TEST_F(RenderTest, ScreenSizeSurfacesAndBackBuffer) {
    uint32_t w = 0, h = 0;
    r->GetScreenSize(&w, &h);
    EXPECT_EQ(w, 16u);
    EXPECT_EQ(h, 16u);
    BackBufferDC* dc = nullptr;
    ASSERT_EQ(r->GetBackBufferDC(&dc), 0);
    EXPECT_EQ(dc->rgba.size(), 16u * 16u * 4u);
    r->ReleaseBackBufferDC(dc);
    EXPECT_EQ(r->CreateSurfaceFromImage(nullptr), nullptr);
    Surface2D* s = r->CreateSurface(4, 4);
    ASSERT_TRUE(s);
    EXPECT_EQ(r->BlitToScreen(s, nullptr, nullptr), 0);
    EXPECT_EQ(r->FreeSurface(s), 0);
    EXPECT_EQ(r->FreeSurface(nullptr), -1);
    EXPECT_EQ(r->Empty5(), 0);
    EXPECT_EQ(r->Empty31(1, 2), 0);
    EXPECT_EQ(&TheRenderInterface(), &TheRenderInterface());
    EXPECT_FLOAT_EQ(TheRenderInterface().fogStart, 2.0f);
    EXPECT_EQ(TheRenderInterface().currentColour, 0xFFFFFFFFu);
}

}  // namespace
}  // namespace kes::test
