#include <gtest/gtest.h>

#include <vector>

#include "game/core/sprite/Sprites.h"
#include "game/core/texture/TextureContainer.h"

namespace kes::test {
namespace {

namespace rs = plat::rs;

// Records the draws instead of drawing.
class RecordingRenderer : public RenderInterface {
public:
    struct Call {
        uint32_t vertexCount, indexCount;
        std::vector<ScreenVertex> vertices;
        std::vector<uint16_t> indices;
    };
    int32_t DrawIndexed(uint32_t type, uint32_t vertexCount, ScreenVertex* v, uint32_t indexCount, uint16_t* idx,
                        uint32_t) override {
        EXPECT_EQ(type, rs::kTriangleList);
        calls.push_back({vertexCount, indexCount, {v, v + vertexCount}, {idx, idx + indexCount}});
        return 0;
    }
    std::vector<Call> calls;
};

TEST(SpriteBatchTest, VerticesAndIndices) {
    RecordingRenderer rec;
    ASSERT_EQ(InitSprites(&rec, 4, 640, 480), 0);
    const TextureRect rect{0.25f, 0.5f, 0.75f, 1.0f};
    const Sprite s{0.5f, 0.25f, 0.75f, 0.5f, 0.3f, 0x80112233, &rect};
    DrawSprite(&s);
    ASSERT_EQ(rec.calls.size(), 1u);
    const auto& c = rec.calls[0];
    EXPECT_EQ(c.vertexCount, 4u);
    EXPECT_EQ(c.indexCount, 6u);
    const float want[4][4] = {{320, 120, 0.25f, 0.5f}, {480, 120, 0.75f, 0.5f}, {480, 240, 0.75f, 1}, {320, 240, 0.25f, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(c.vertices[i].sx, want[i][0]);
        EXPECT_FLOAT_EQ(c.vertices[i].sy, want[i][1]);
        EXPECT_FLOAT_EQ(c.vertices[i].u, want[i][2]);
        EXPECT_FLOAT_EQ(c.vertices[i].v, want[i][3]);
        EXPECT_FLOAT_EQ(c.vertices[i].sz, 0.3f);
        EXPECT_FLOAT_EQ(c.vertices[i].rhw, 1.0f);
        EXPECT_EQ(c.vertices[i].diffuse, 0x80112233u);
        EXPECT_EQ(c.vertices[i].specular, 0xFF000000u);
    }
    EXPECT_EQ(c.indices, (std::vector<uint16_t>{0, 1, 2, 0, 2, 3}));
    // Several sprites: one call, in array order, indices 4q + pattern.
    Sprite many[4] = {s, s, s, s};
    many[3].left = 0;
    EXPECT_EQ(DrawSprites(many, 4), 0);
    ASSERT_EQ(rec.calls.size(), 2u);
    EXPECT_EQ(rec.calls[1].vertexCount, 16u);
    EXPECT_EQ(rec.calls[1].indexCount, 24u);
    EXPECT_EQ(rec.calls[1].indices[18], 12u);
    EXPECT_FLOAT_EQ(rec.calls[1].vertices[12].sx, 0.0f);
    // One too many: nothing drawn.
    Sprite five[5] = {s, s, s, s, s};
    EXPECT_EQ(DrawSprites(five, 5), 1);
    EXPECT_EQ(rec.calls.size(), 2u);
    // The whole screen at any scale.
    const Sprite whole{0, 0, 1, 1, 0, 0xFFFFFFFF, nullptr};
    struct Scale { uint32_t w, h; } scales[] = {{640, 480}, {800, 600}, {1280, 1024}};
    for (const auto& sc : scales) {
        SetSpriteScale(sc.w, sc.h);
        DrawSprite(&whole);
        EXPECT_FLOAT_EQ(rec.calls.back().vertices[2].sx, static_cast<float>(sc.w));
        EXPECT_FLOAT_EQ(rec.calls.back().vertices[2].sy, static_cast<float>(sc.h));
    }
    FreeSprites();
    EXPECT_EQ(InitSprites(&rec, 0, 640, 480), 1);
    EXPECT_EQ(InitSprites(&rec, 100000, 640, 480), 1);
    FreeSprites();
}

class SpritePixelTest : public ::testing::Test {
protected:
    static constexpr uint32_t kW = 64, kH = 48;
    void SetUp() override {
        EnumerateDevicesFrom({{1024, 768, 24}}, 24, nullptr);
        ASSERT_EQ(DeviceInit(kPrimaryDriverGuid, kHardwareDeviceGuid, kW, kH, 16, "t", kDeviceHidden | kDeviceNoVsync), 0);
        r = std::make_unique<RenderInterface>();
        ASSERT_EQ(InitSprites(r.get(), 256, kW, kH), 0);
    }
    void TearDown() override {
        FreeSprites();
        r->ReleaseAllTextures();
        DeviceShutdown();
        FreeDeviceList();
    }
    int Count(uint32_t argb) {
        const auto f = RenderReadBackBuffer();
        int n = 0;
        for (size_t i = 0; i < f.size(); i += 4)
            n += (0xFF000000u | (f[i] << 16) | (f[i + 1] << 8) | f[i + 2]) == argb;
        return n;
    }
    uint32_t Pixel(int x, int y) {
        const auto f = RenderReadBackBuffer();
        const uint8_t* p = &f[(static_cast<size_t>(y) * kW + x) * 4];
        return 0xFF000000u | (p[0] << 16) | (p[1] << 8) | p[2];
    }
    std::unique_ptr<RenderInterface> r;
};

TEST_F(SpritePixelTest, FractionalRectanglesCoverTheirPixels) {
    struct Case { float l, t, rr, b; int x0, y0, x1, y1; } cases[] = {
        {0, 0, 1, 1, 0, 0, 64, 48},
        {10.0f / 64, 20.0f / 48, 11.0f / 64, 21.0f / 48, 10, 20, 11, 21},  // one pixel
        {0.25f, 0.25f, 0.5f, 0.5f, 16, 12, 32, 24},
        {0.1f, 0.1f, 0.2f, 0.3f, 7, 5, 13, 15},  // 6.4..12.8 x 4.8..14.4: pixel centres 7..12 and 5..14
    };
    for (const auto& c : cases) {
        r->BeginScene();
        DisplayGfx()->ClearColour({0, 0, 64, 48}, 0xFF000000);
        r->SetState(rs::kZEnable, 0);
        r->SelectTexture(0);
        const Sprite s{c.l, c.t, c.rr, c.b, 0.5f, 0xFFFFFFFF, nullptr};
        DrawSprite(&s);
        r->EndScene();
        EXPECT_EQ(Count(0xFFFFFFFF), (c.x1 - c.x0) * (c.y1 - c.y0)) << c.x0 << "," << c.y0;
        EXPECT_EQ(Pixel(c.x0, c.y0), 0xFFFFFFFFu);
        EXPECT_EQ(Pixel(c.x1 - 1, c.y1 - 1), 0xFFFFFFFFu);
    }
}

TEST_F(SpritePixelTest, ReversedTextureRectangleMirrors) {
    ImageRecord* img = AllocImage(2, 1, kImage24, "lr");
    const uint8_t px[6] = {254, 0, 0, 0, 0, 254};  // red then blue
    std::memcpy(img->pixels, px, 6);
    uint32_t handle = 0;
    ASSERT_EQ(r->CreateTextureFromImage("lr", img, &handle, 1), 0);
    struct Case { TextureRect rect; uint32_t left, right; } cases[] = {
        {{0, 0, 1, 1}, 0xFFFF0101, 0xFF0101FF},  // the picture sliders' defaults add one
        {{1, 0, 0, 1}, 0xFF0101FF, 0xFFFF0101},
    };
    for (const auto& c : cases) {
        r->BeginScene();
        r->SetState(rs::kZEnable, 0);
        r->SelectTexture(handle);
        const Sprite s{0, 0, 1, 1, 0.5f, 0xFFFFFFFF, &c.rect};
        DrawSprite(&s);
        r->EndScene();
        EXPECT_EQ(Pixel(4, 10), c.left);
        EXPECT_EQ(Pixel(60, 10), c.right);
    }
}

}  // namespace
}  // namespace kes::test
