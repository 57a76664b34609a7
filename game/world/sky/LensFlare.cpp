#include "game/world/sky/LensFlare.h"

#include <algorithm>

#include "game/core/display/Display.h"
#include "game/core/image/BitmapCache.h"
#include "game/core/sprite/Sprites.h"
#include "game/world/info/WorldTextures.h"
#include "platform/gfx/GfxStates.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

struct FlareState {
    RenderInterface* render = nullptr;
    uint32_t texture = 0;
    uint16_t lastDepth = 0;
    bool drawn = false;
    FlareDepthReader reader = RenderReadDepth;
} g_flare;

// Position along the centre-sun line and size at 640 x 480 of each sprite; the last one sits
// opposite the sun.
constexpr struct {
    float t, size;
} kFlareSprites[5] = {{1.0f, 40.0f}, {0.66f, 20.0f}, {0.33f, 60.0f}, {-0.5f, 60.0f}, {-1.0f, 70.0f}};

}  // namespace

void SetFlareDepthReader(FlareDepthReader reader) { g_flare.reader = reader ? reader : RenderReadDepth; }

void LensFlareLoad(RenderInterface* render) {
    g_flare.render = render;
    g_flare.texture = 0;
    ImageRecord* picture = LoadBitmapFromCache("TEXTURES\\LENZ.BMP");
    if (!picture || !render) {
        FreeImage(picture);
        return;
    }
    uint32_t handle = 0;
    if (render->CreateTextureFromImage("Lenz", picture, &handle, 0) != 0) handle = 0;
    if (handle)
        if (ImageRecord* alpha = LoadBitmapFromCache("TEXTURES\\LENZ-A.BMP")) render->UpdateTexture(handle, alpha, 1);
    g_flare.texture = handle;
}

void LensFlareFree() {
    if (g_flare.render && g_flare.texture) g_flare.render->ReleaseTexture(g_flare.texture);
    g_flare.texture = 0;
}

uint32_t LensFlareTexture() { return g_flare.texture; }
bool LensFlareDrawn() { return g_flare.drawn; }

float FlareFade(float x, float y, float w, float h) {
    const float qx = w / 4.0f, qy = h / 4.0f;
    const float fx = x < qx ? x / qx : x > w - qx ? (w - x) / qx : 1.0f;
    const float fy = y < qy ? y / qy : y > h - qy ? (h - y) / qy : 1.0f;
    return std::clamp(std::min(fx, fy), 0.0f, 1.0f);
}

void FlareLayout(float x, float y, float w, float h, FlareSprite out[5]) {
    const float fade = FlareFade(x, y, w, h), cx = w / 2.0f, cy = h / 2.0f;
    for (int i = 0; i < 5; ++i) {
        const float along = kFlareSprites[i].t * fade;
        out[i] = {cx + (x - cx) * along, cy + (y - cy) * along, kFlareSprites[i].size * fade};
    }
}

uint16_t LensFlareDraw(const WorldView& view) {
    g_flare.drawn = false;
    RenderInterface* r = g_flare.render;
    if (!r || !r->viewProjection) return g_flare.lastDepth;
    Vec3 sun{};
    WorldGetSunPosition(&sun);
    const float* m = r->viewProjection->m;
    const float cw = sun.x * m[3] + sun.y * m[7] + sun.z * m[11] + m[15];
    if (cw <= 0.0f) return g_flare.lastDepth;  // behind the camera
    const float x = (sun.x * m[0] + sun.y * m[4] + sun.z * m[8] + m[12]) / cw;
    const float depth = (sun.x * m[1] + sun.y * m[5] + sun.z * m[9] + m[13]) / cw;
    const float y = (sun.x * m[2] + sun.y * m[6] + sun.z * m[10] + m[14]) / cw;
    const float w = static_cast<float>(view.screenWidth), h = static_cast<float>(view.screenHeight);
    if (!(depth >= 0.0f && depth <= 1.0f && x >= 0.0f && x < w && y >= 0.0f && y < h)) return g_flare.lastDepth;

    uint16_t sampled = 0;
    if (!g_flare.reader(static_cast<uint32_t>(x), static_cast<uint32_t>(y), &sampled)) return g_flare.lastDepth;
    g_flare.lastDepth = sampled;
    if (plat::FloatToInt(depth * 65536.0f) > static_cast<int>(sampled)) return 0;  // something covers the sun
    if (!g_flare.texture) return sampled;

    FlareSprite placed[5];
    FlareLayout(x, y, w, h, placed);
    static const TextureRect kWhole{0, 0, 1, 1};
    const uint32_t colour = 0xFF000000u | (WorldGetSunColour() & 0xFFFFFFu);
    Sprite sprites[5];
    for (int i = 0; i < 5; ++i) {
        const float hx = placed[i].size / 2.0f / 640.0f, hy = placed[i].size / 2.0f / 480.0f;
        const float fx = placed[i].x / w, fy = placed[i].y / h;
        sprites[i] = {fx - hx, fy - hy, fx + hx, fy + hy, 0.0f, colour, &kWhole};
    }
    namespace rs = plat::rs;
    // Glare adds light to what lies below and is never hidden by the scene's depth.
    r->SetState(kStateImmediateBlend, 1);
    r->SetState(rs::kZEnable, 0);
    r->SetState(rs::kAlphaBlendEnable, 1);
    r->SetState(rs::kSrcBlend, rs::kBlendSrcAlpha);
    r->SetState(rs::kDestBlend, rs::kBlendOne);
    r->SelectTexture(g_flare.texture);
    DrawSprites(sprites, 5);
    r->SetState(rs::kFlushBatch, 1);
    r->SetState(rs::kSrcBlend, rs::kBlendOne);
    r->SetState(rs::kDestBlend, rs::kBlendZero);
    r->SetState(rs::kAlphaBlendEnable, 0);
    r->SetState(rs::kZEnable, 1);
    r->SetState(kStateImmediateBlend, 0);
    g_flare.drawn = true;
    return sampled;
}

}  // namespace kes
