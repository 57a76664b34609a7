#pragma once
// Helpers shared by the pixel tests: a hidden device with a small render target and quad builders.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/GfxDevice.h"

namespace plat::test {

inline GfxVertex V(float x, float y, float z, uint32_t argb, float u = 0, float v = 0, float rhw = 1.0f,
                   uint32_t specular = 0xFF000000) {
    return GfxVertex{x, y, z, rhw, argb, specular, u, v};
}

class GfxFixture : public ::testing::Test {
protected:
    static constexpr int kW = 64, kH = 64;
    void SetUp() override {
        GfxConfig c;
        c.windowWidth = kW;
        c.windowHeight = kH;
        c.renderWidth = kW;
        c.renderHeight = kH;
        c.hidden = true;
        c.swapInterval = 0;
        std::string error;
        dev = GfxDevice::Create(c, &error);
        ASSERT_TRUE(dev) << error;
        dev->ClearColour({0, 0, kW, kH}, 0xFF000000);
        dev->ClearDepth({0, 0, kW, kH});
    }
    // A rectangle (left, top) - (right, bottom) as two triangles, clockwise on screen.
    void Quad(float l, float t, float r, float b, float z, uint32_t argb, float u0 = 0, float v0 = 0,
              float u1 = 1, float v1 = 1, float rhw = 1.0f, uint32_t specular = 0xFF000000) {
        GfxVertex v[4] = {V(l, t, z, argb, u0, v0, rhw, specular), V(r, t, z, argb, u1, v0, rhw, specular),
                          V(r, b, z, argb, u1, v1, rhw, specular), V(l, b, z, argb, u0, v1, rhw, specular)};
        const uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
        dev->DrawIndexed(rs::kTriangleList, v, 4, idx, 6);
    }
    // ARGB of one pixel of the render target.
    uint32_t Pixel(int x, int y) {
        if (frame.empty()) frame = dev->ReadFrame();
        const uint8_t* p = &frame[(static_cast<size_t>(y) * kW + x) * 4];
        return 0xFF000000u | (p[0] << 16) | (p[1] << 8) | p[2];
    }
    void Refresh() { frame.clear(); }
    int CountNonBlack() {
        Refresh();
        int n = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) n += Pixel(x, y) != 0xFF000000u;
        return n;
    }
    GfxTexture* SolidTexture(int w, int h, const std::vector<uint32_t>& argb, bool alpha) {
        GfxLevel l;
        l.width = w;
        l.height = h;
        for (uint32_t c : argb) {
            l.rgba.push_back((c >> 16) & 0xFF);
            l.rgba.push_back((c >> 8) & 0xFF);
            l.rgba.push_back(c & 0xFF);
            l.rgba.push_back(c >> 24);
        }
        return dev->CreateTexture({l}, alpha);
    }
    std::unique_ptr<GfxDevice> dev;
    std::vector<uint8_t> frame;
};

inline int Channel(uint32_t argb, int shift) { return (argb >> shift) & 0xFF; }

}  // namespace plat::test
