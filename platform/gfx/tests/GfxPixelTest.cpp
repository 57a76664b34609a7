// Headless pixel tests of the render-state emulation: each concern has one table of cases.
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/gfx/tests/GfxTestUtil.h"

namespace plat::test {
namespace {

uint32_t FloatBits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

void ExpectNear(uint32_t got, uint32_t want, int tolerance, const std::string& what) {
    for (int shift : {16, 8, 0})
        EXPECT_NEAR(Channel(got, shift), Channel(want, shift), tolerance)
            << what << std::hex << " got " << got << " want " << want;
}

using PixelTest = GfxFixture;

TEST_F(PixelTest, OnePixelQuadLandsOnExactlyOnePixel) {
    dev->SetRenderState(rs::kZEnable, 0);
    struct Case { float x, y; } cases[] = {{0, 0}, {10, 20}, {63, 63}, {31, 5}};
    for (const Case& c : cases) {
        dev->ClearColour({0, 0, kW, kH}, 0xFF000000);
        Quad(c.x, c.y, c.x + 1, c.y + 1, 0.5f, 0xFFFFFFFF);
        EXPECT_EQ(CountNonBlack(), 1) << c.x << "," << c.y;
        EXPECT_EQ(Pixel(static_cast<int>(c.x), static_cast<int>(c.y)), 0xFFFFFFFFu);
    }
}

TEST_F(PixelTest, NearestAndBilinearFiltering) {
    // A 2 x 1 texture, black then white, stretched over the whole target.
    GfxTexture* t = SolidTexture(2, 1, {0xFF000000, 0xFFFFFFFF}, false);
    dev->SetTexture(t);
    dev->SetRenderState(rs::kZEnable, 0);
    dev->SetRenderState(rs::kTextureAddress, rs::kAddressClamp);
    struct Case { uint32_t filter; int x; int lo, hi; } cases[] = {
        {rs::kFilterNearest, 8, 0, 0},     {rs::kFilterNearest, 31, 0, 0},   {rs::kFilterNearest, 33, 255, 255},
        {rs::kFilterLinear, 8, 0, 0},      {rs::kFilterLinear, 32, 120, 136}, {rs::kFilterLinear, 40, 180, 200},
        {rs::kFilterLinear, 60, 255, 255},
    };
    for (const Case& c : cases) {
        dev->SetRenderState(rs::kTextureMag, c.filter);
        dev->SetRenderState(rs::kTextureMin, c.filter);
        Quad(0, 0, kW, kH, 0.5f, 0xFFFFFFFF);
        Refresh();
        const int red = Channel(Pixel(c.x, 10), 16);
        EXPECT_GE(red, c.lo) << "filter " << c.filter << " x " << c.x;
        EXPECT_LE(red, c.hi) << "filter " << c.filter << " x " << c.x;
    }
    dev->DestroyTexture(t);
}

TEST_F(PixelTest, BlendFactorPairs) {
    dev->SetRenderState(rs::kZEnable, 0);
    struct Case { uint32_t src, dst; uint32_t under, over; uint32_t want; } cases[] = {
        {rs::kBlendSrcAlpha, rs::kBlendInvSrcAlpha, 0xFF0000FF, 0x80FF0000, 0xFF80007F},
        {rs::kBlendOne, rs::kBlendZero, 0xFF0000FF, 0x80FF0000, 0xFFFF0000},
        {rs::kBlendOne, rs::kBlendOne, 0xFF000080, 0xFF800000, 0xFF800080},
        {rs::kBlendSrcAlpha, rs::kBlendOne, 0xFF000080, 0x80FF0000, 0xFF800080},
        {rs::kBlendZero, rs::kBlendSrcColor, 0xFF80FF80, 0xFFFF8000, 0xFF808000},
        {rs::kBlendZero, rs::kBlendOne, 0xFF123456, 0xFFFFFFFF, 0xFF123456},
    };
    for (const Case& c : cases) {
        dev->SetRenderState(rs::kAlphaBlendEnable, 0);
        Quad(0, 0, kW, kH, 0.5f, c.under);
        dev->SetRenderState(rs::kAlphaBlendEnable, 1);
        dev->SetRenderState(rs::kSrcBlend, c.src);
        dev->SetRenderState(rs::kDestBlend, c.dst);
        Quad(0, 0, kW, kH, 0.5f, c.over);
        Refresh();
        ExpectNear(Pixel(20, 20), c.want, 2, "blend " + std::to_string(c.src) + "/" + std::to_string(c.dst));
    }
}

TEST_F(PixelTest, ModulateTakesAlphaFromTextureOnlyWhenItHasAlpha) {
    dev->SetRenderState(rs::kZEnable, 0);
    struct Case { bool textureAlpha; uint32_t texel; uint32_t diffuse; uint32_t want; } cases[] = {
        {false, 0x00FFFFFF, 0x80FF0000, 0xFF800000},  // no texture alpha: diffuse alpha 0x80 blends
        {true, 0x40FFFFFF, 0xFFFF0000, 0xFF400000},   // texture alpha 0x40 wins over diffuse 0xFF
        {true, 0xFF808080, 0x00FFFFFF, 0xFF808080},   // opaque texel stays opaque
    };
    for (const Case& c : cases) {
        GfxTexture* t = SolidTexture(1, 1, {c.texel}, c.textureAlpha);
        dev->SetTexture(nullptr);
        dev->SetRenderState(rs::kAlphaBlendEnable, 0);
        Quad(0, 0, kW, kH, 0.5f, 0xFF000000);
        dev->SetTexture(t);
        dev->SetRenderState(rs::kAlphaBlendEnable, 1);
        dev->SetRenderState(rs::kSrcBlend, rs::kBlendSrcAlpha);
        dev->SetRenderState(rs::kDestBlend, rs::kBlendInvSrcAlpha);
        Quad(0, 0, kW, kH, 0.5f, c.diffuse);
        Refresh();
        ExpectNear(Pixel(5, 5), c.want, 2, "modulate");
        dev->DestroyTexture(t);
    }
}

TEST_F(PixelTest, ColourKeyDropsKeyedTexels) {
    dev->SetRenderState(rs::kZEnable, 0);
    GfxTexture* t = SolidTexture(2, 1, {0xFF102030, 0xFF00FF00}, false);
    dev->SetColourKey(t, true, 0x102030);
    struct Case { uint32_t keyOn; uint32_t left, right; } cases[] = {
        {1, 0xFF000000, 0xFF00FF00},
        {0, 0xFF102030, 0xFF00FF00},
    };
    for (const Case& c : cases) {
        dev->ClearColour({0, 0, kW, kH}, 0xFF000000);
        dev->SetTexture(t);
        dev->SetRenderState(rs::kColorKeyEnable, c.keyOn);
        Quad(0, 0, kW, kH, 0.5f, 0xFFFFFFFF);
        Refresh();
        EXPECT_EQ(Pixel(10, 10), c.left) << "key " << c.keyOn;
        EXPECT_EQ(Pixel(50, 10), c.right) << "key " << c.keyOn;
    }
    dev->DestroyTexture(t);
}

TEST_F(PixelTest, AlphaTestGreaterOrEqual) {
    dev->SetRenderState(rs::kZEnable, 0);
    dev->SetRenderState(rs::kAlphaTestEnable, 1);
    dev->SetRenderState(rs::kAlphaFunc, rs::kCmpGreaterEqual);
    struct Case { uint32_t ref, alpha; bool drawn; } cases[] = {
        {128, 127, false}, {128, 128, true}, {128, 255, true}, {7, 6, false}, {7, 7, true}, {0, 0, true}};
    for (const Case& c : cases) {
        dev->ClearColour({0, 0, kW, kH}, 0xFF000000);
        dev->SetRenderState(rs::kAlphaRef, c.ref);
        Quad(0, 0, kW, kH, 0.5f, (c.alpha << 24) | 0xFFFFFF);
        Refresh();
        EXPECT_EQ(Pixel(3, 3) == 0xFFFFFFFFu, c.drawn) << "ref " << c.ref << " alpha " << c.alpha;
    }
}

TEST_F(PixelTest, DepthFunctions) {
    struct Case { uint32_t func; float first, second; bool secondWins; } cases[] = {
        {rs::kCmpLess, 0.5f, 0.5f, false},     {rs::kCmpLess, 0.5f, 0.25f, true},
        {rs::kCmpLessEqual, 0.5f, 0.5f, true}, {rs::kCmpLessEqual, 0.5f, 0.75f, false},
        {rs::kCmpAlways, 0.5f, 0.75f, true},
    };
    for (const Case& c : cases) {
        dev->ClearDepth({0, 0, kW, kH});
        dev->SetRenderState(rs::kZFunc, c.func);
        Quad(0, 0, kW, kH, c.first, 0xFFFF0000);
        Quad(0, 0, kW, kH, c.second, 0xFF00FF00);
        Refresh();
        EXPECT_EQ(Pixel(30, 30), c.secondWins ? 0xFF00FF00u : 0xFFFF0000u) << "func " << c.func;
    }
}

TEST_F(PixelTest, CullingByScreenWinding) {
    dev->SetRenderState(rs::kZEnable, 0);
    // On screen (rows downwards) (10,10) (50,10) (10,50) runs clockwise; the reverse counter-clockwise.
    const GfxVertex cw[3] = {V(10, 10, 0.5f, 0xFFFFFFFF), V(50, 10, 0.5f, 0xFFFFFFFF), V(10, 50, 0.5f, 0xFFFFFFFF)};
    const GfxVertex ccw[3] = {cw[0], cw[2], cw[1]};
    const uint16_t idx[3] = {0, 1, 2};
    struct Case { uint32_t mode; bool clockwise; bool drawn; } cases[] = {
        {rs::kCullCCW, false, false}, {rs::kCullCCW, true, true}, {rs::kCullNone, false, true},
        {rs::kCullNone, true, true},  {rs::kCullCW, true, false}, {rs::kCullCW, false, true},
    };
    for (const Case& c : cases) {
        dev->ClearColour({0, 0, kW, kH}, 0xFF000000);
        dev->SetRenderState(rs::kCullMode, c.mode);
        dev->DrawIndexed(rs::kTriangleList, c.clockwise ? cw : ccw, 3, idx, 3);
        EXPECT_EQ(CountNonBlack() > 0, c.drawn) << "mode " << c.mode << " cw " << c.clockwise;
    }
}

TEST_F(PixelTest, TableAndVertexFog) {
    dev->SetRenderState(rs::kZEnable, 0);
    dev->SetRenderState(rs::kFogColor, 0xFF0000FF);
    dev->SetRenderState(rs::kFogTableStart, FloatBits(10.0f));
    dev->SetRenderState(rs::kFogTableEnd, FloatBits(110.0f));
    struct Case { uint32_t enable, table; float eyeDistance; uint32_t fogAlpha; uint32_t want; } cases[] = {
        {0, rs::kFogLinear, 110.0f, 0x00, 0xFFFF0000},  // fog off
        {1, rs::kFogLinear, 5.0f, 0x00, 0xFFFF0000},    // before the start: no fog, specular ignored
        {1, rs::kFogLinear, 60.0f, 0xFF, 0xFF800080},   // half way
        {1, rs::kFogLinear, 200.0f, 0xFF, 0xFF0000FF},  // beyond the end: all fog
        {1, rs::kFogNone, 60.0f, 0xFF, 0xFFFF0000},     // vertex fog 255: none
        {1, rs::kFogNone, 60.0f, 0x80, 0xFF80007F},     // vertex fog 128
        {1, rs::kFogNone, 60.0f, 0x00, 0xFF0000FF},     // vertex fog 0: all fog
    };
    for (const Case& c : cases) {
        dev->SetRenderState(rs::kFogEnable, c.enable);
        dev->SetRenderState(rs::kFogTableMode, c.table);
        Quad(0, 0, kW, kH, 0.5f, 0xFFFF0000, 0, 0, 1, 1, 1.0f / c.eyeDistance, c.fogAlpha << 24);
        Refresh();
        ExpectNear(Pixel(30, 30), c.want, 3, "fog " + std::to_string(c.table) + " at " + std::to_string(c.eyeDistance));
    }
}

TEST_F(PixelTest, DrawsSharingStateAreBatched) {
    dev->SetRenderState(rs::kZEnable, 0);
    dev->ResetDrawCalls();
    for (int i = 0; i < 10; ++i) Quad(i * 4.0f, 0, i * 4.0f + 4, 4, 0.5f, 0xFFFFFFFF);
    dev->Flush();
    EXPECT_EQ(dev->DrawCalls(), 1u);
    dev->ResetDrawCalls();
    for (int i = 0; i < 10; ++i) {
        dev->SetRenderState(rs::kAlphaBlendEnable, i & 1);
        Quad(i * 4.0f, 0, i * 4.0f + 4, 4, 0.5f, 0xFFFFFFFF);
    }
    dev->Flush();
    EXPECT_EQ(dev->DrawCalls(), 10u);
    // Strips and fans join a list batch as triangles.
    dev->ResetDrawCalls();
    dev->ClearColour({0, 0, kW, kH}, 0xFF000000);
    dev->SetRenderState(rs::kAlphaBlendEnable, 0);
    dev->SetRenderState(rs::kCullMode, rs::kCullNone);
    const GfxVertex strip[4] = {V(0, 0, 0.5f, 0xFFFFFFFF), V(8, 0, 0.5f, 0xFFFFFFFF), V(0, 8, 0.5f, 0xFFFFFFFF),
                                V(8, 8, 0.5f, 0xFFFFFFFF)};
    const uint16_t idx[4] = {0, 1, 2, 3};
    dev->DrawIndexed(rs::kTriangleStrip, strip, 4, idx, 4);
    const GfxVertex fan[4] = {V(16, 0, 0.5f, 0xFFFFFFFF), V(24, 0, 0.5f, 0xFFFFFFFF), V(24, 8, 0.5f, 0xFFFFFFFF),
                              V(16, 8, 0.5f, 0xFFFFFFFF)};
    dev->DrawIndexed(rs::kTriangleFan, fan, 4, idx, 4);
    EXPECT_EQ(CountNonBlack(), 128);
    EXPECT_EQ(dev->DrawCalls(), 1u);
}

TEST_F(PixelTest, IndicesBeyondTheVerticesAreDropped) {
    dev->SetRenderState(rs::kZEnable, 0);
    const GfxVertex v[3] = {V(0, 0, 0.5f, 0xFFFFFFFF), V(8, 0, 0.5f, 0xFFFFFFFF), V(0, 8, 0.5f, 0xFFFFFFFF)};
    const uint16_t idx[6] = {0, 1, 2, 0, 1, 900};
    dev->DrawIndexed(rs::kTriangleList, v, 3, idx, 6);
    EXPECT_GT(CountNonBlack(), 0);
}

// A vertex as the game's camera projects it onto the 64 x 64 target (90 degree field of view, near
// plane at 1, far at 100): camera x to the right, y the depth ahead, z up.
GfxVertex Projected(float x, float y, float z) {
    const float q = 100.0f / 99.0f;
    const float c0 = x * 32 + y * 32, c1 = q * (y - 1.0f), c2 = -z * 32 + y * 32, c3 = y;
    const float rhw = 1.0f / c3;
    return V(c0 * rhw, c2 * rhw, c1 * rhw, 0xFFFFFFFF, 0, 0, rhw);
}

TEST_F(PixelTest, TrianglesReachingBehindTheEyeAreClippedAtTheNearPlane) {
    dev->SetRenderState(rs::kZEnable, 0);
    dev->SetRenderState(rs::kCullMode, rs::kCullNone);
    // Ground one unit below the eye: two corners 4 ahead, the third 3 behind the eye. The visible
    // part runs from row 40 (depth 4) down past the bottom of the target, widening as it nears.
    const GfxVertex v[3] = {Projected(-2, 4, -1), Projected(2, 4, -1), Projected(0, -3, -1)};
    const uint16_t idx[3] = {0, 1, 2};
    dev->DrawIndexed(rs::kTriangleList, v, 3, idx, 3);
    Refresh();
    EXPECT_EQ(Pixel(32, 48), 0xFFFFFFFFu) << "the near part of the ground";
    EXPECT_EQ(Pixel(2, 62), 0xFFFFFFFFu) << "the ground widens towards the eye";
    EXPECT_EQ(Pixel(32, 30), 0xFF000000u) << "nothing above the far edge: the hidden corner is not drawn";
    EXPECT_EQ(Pixel(10, 41), 0xFF000000u) << "outside the triangle's sides";

    // A corner exactly on the eye plane projects to infinity: the triangle is dropped, not smeared.
    dev->ClearColour({0, 0, kW, kH}, 0xFF000000);
    const float inf = std::numeric_limits<float>::infinity();
    const GfxVertex onEyePlane[3] = {v[0], v[1], V(inf, inf, -inf, 0xFFFFFFFF, 0, 0, inf)};
    dev->DrawIndexed(rs::kTriangleList, onEyePlane, 3, idx, 3);
    EXPECT_EQ(CountNonBlack(), 0);
}

TEST_F(PixelTest, SurfaceBlitsAndBackBufferCopy) {
    GfxSurface* s = dev->CreateSurface(4, 4);
    ASSERT_TRUE(s);
    uint8_t* p = GfxDevice::SurfacePixels(s);
    for (int i = 0; i < 16; ++i) {  // left half red, right half green
        p[i * 4 + 0] = (i % 4) < 2 ? 255 : 0;
        p[i * 4 + 1] = (i % 4) < 2 ? 0 : 255;
        p[i * 4 + 2] = 0;
        p[i * 4 + 3] = 255;
    }
    dev->SurfaceChanged(s);
    struct Case { GfxRect dest; } cases[] = {{{16, 16, 48, 48}}, {{0, 0, kW, kH}}, {{10, 20, 14, 60}}};
    for (const Case& c : cases) {
        dev->ClearColour({0, 0, kW, kH}, 0xFF000000);
        dev->BlitToScreen(s, nullptr, c.dest);
        EXPECT_EQ(CountNonBlack(), (c.dest.right - c.dest.left) * (c.dest.bottom - c.dest.top));
        EXPECT_EQ(Pixel(c.dest.left, c.dest.top), 0xFFFF0000u);
        EXPECT_EQ(Pixel(c.dest.right - 1, c.dest.bottom - 1), 0xFF00FF00u);
    }
    // Surface to surface: the green half stretched over a whole 8 x 2 surface.
    GfxSurface* d = dev->CreateSurface(8, 2);
    GfxRect right{2, 0, 4, 4};
    GfxDevice::BlitSurface(s, &right, d, nullptr);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(GfxDevice::SurfacePixels(d)[i * 4 + 1], 255);
    // Back buffer into a surface of the same size: pixel for pixel.
    dev->ClearColour({0, 0, kW, kH}, 0xFF000000);
    dev->ClearColour({0, 0, 32, 64}, 0xFF0000FF);
    GfxSurface* copy = dev->CreateSurface(kW, kH);
    dev->CopyBackBufferToSurface(copy);
    EXPECT_EQ(GfxDevice::SurfacePixels(copy)[(5 * kW + 31) * 4 + 2], 255);
    EXPECT_EQ(GfxDevice::SurfacePixels(copy)[(5 * kW + 32) * 4 + 2], 0);
    dev->DestroySurface(copy);
    dev->DestroySurface(d);
    dev->DestroySurface(s);
}

TEST_F(PixelTest, PresentKeepsTheRenderTarget) {
    dev->ClearColour({0, 0, kW, kH}, 0xFF204060);
    dev->Present();
    Refresh();
    EXPECT_EQ(Pixel(1, 1), 0xFF204060u);
    EXPECT_TRUE(dev->SetRenderSize(32, 24));
    EXPECT_EQ(dev->RenderWidth(), 32);
    EXPECT_FALSE(dev->SetRenderSize(0, 24));
}

TEST(PresentTest, FrameKeepsFourToThreeInAnyWindow) {
    struct Case { int w, h; GfxRect want; } cases[] = {
        {640, 480, {0, 0, 640, 480}},    {1920, 1080, {240, 0, 1680, 1080}}, {800, 800, {0, 100, 800, 700}},
        {1280, 1024, {0, 32, 1280, 992}}, {1, 1, {0, 0, 1, 0}},
    };
    for (const auto& c : cases) {
        const GfxRect r = GfxDevice::PresentRect(c.w, c.h);
        EXPECT_EQ(r.left, c.want.left) << c.w << "x" << c.h;
        EXPECT_EQ(r.top, c.want.top) << c.w << "x" << c.h;
        EXPECT_EQ(r.right, c.want.right) << c.w << "x" << c.h;
        EXPECT_EQ(r.bottom, c.want.bottom) << c.w << "x" << c.h;
    }
}

TEST_F(PixelTest, MipChainStoppingEarlyStillSamples) {
    GfxLevel l0{4, 4, std::vector<uint8_t>(64, 255)};
    GfxLevel l1{2, 2, std::vector<uint8_t>(16, 255)};
    GfxTexture* t = dev->CreateTexture({l0, l1}, false);
    ASSERT_TRUE(t);
    dev->SetTexture(t);
    dev->SetRenderState(rs::kZEnable, 0);
    dev->SetRenderState(rs::kTextureMin, rs::kFilterLinearMipLinear);
    Quad(0, 0, 1, 1, 0.5f, 0xFFFFFFFF);  // minified far below the last level
    Refresh();
    EXPECT_EQ(Pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(dev->CreateTexture({GfxLevel{4, 4, std::vector<uint8_t>(8)}}, false), nullptr);
    dev->DestroyTexture(t);
}

}  // namespace
}  // namespace plat::test
