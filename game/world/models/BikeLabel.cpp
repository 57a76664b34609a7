#include <algorithm>
#include <cstring>

#include "game/core/maths/MatMath.h"
#include "game/core/maths/VecMath.h"
#include "game/world/models/BikeModels.h"
#include "platform/gfx/GfxStates.h"

namespace kes {

namespace {

constexpr float kGlyphWidth = 0.0125f;           // of the screen: 8 pixels of 640
constexpr float kGlyphHeight = 10.0f / 480.0f;
constexpr float kHalfGlyphPixels = 8.0f / 640.0f;  // centring: half the length times 8 pixels
constexpr uint32_t kLabelLimit = 64;              // characters shown of a name
constexpr Vec3 kLabelPoint{0.0f, 2.5f, 6.0f};

}  // namespace

uint32_t LayoutBikeLabel(const char* label, float x, float y, const std::array<TextureRect, kOverlayGlyphCount>& glyphs,
                         Sprite* out, uint32_t capacity) {
    if (!label || !out) return 0;
    const uint32_t length = std::min(static_cast<uint32_t>(std::strlen(label)), capacity);
    const float left = x - static_cast<float>(length) / 2.0f * kHalfGlyphPixels;
    uint32_t n = 0;
    for (; n < length; ++n) {
        // Names from other players may hold any byte: codes outside the font draw as a space.
        const uint8_t code = static_cast<uint8_t>(label[n]);
        const uint32_t cell = code >= 32 && code < 32 + kOverlayGlyphCount ? code - 32u : 0u;
        Sprite& s = out[n];
        s.left = left + static_cast<float>(n) * kGlyphWidth;
        s.right = s.left + kGlyphWidth;
        s.bottom = y;
        s.top = y - kGlyphHeight;
        s.z = 0.0f;
        s.colour = 0xFFFFFFFFu;
        s.rect = &glyphs[cell];
    }
    return n;
}

void DrawBikeLabel(BikeModelSet& set, const BikeDrawBlock& block, RenderInterface* renderer, const char* label) {
    if (!renderer->viewProjection) return;
    renderer->SetState(plat::rs::kAlphaBlendEnable, 1);
    renderer->SetState(plat::rs::kColorKeyEnable, 0);
    renderer->SelectTexture(set.fontTexture);
    Matrix4 m;
    MatMultiply(renderer->viewProjection, &block.bikeMatrix, &m);
    const Vec4 point{kLabelPoint.x, kLabelPoint.y, kLabelPoint.z, 1.0f};
    Vec4 screen;
    Vec4MulMat4(&m, &point, &screen);
    if (!(screen.w > 0.0f)) return;  // behind the viewer
    uint32_t width = 640, height = 480;
    renderer->GetScreenSize(&width, &height);
    if (width == 0 || height == 0) return;
    // The view-projection gives screen x in its first column and screen y in its third.
    const float x = screen.x / screen.w / static_cast<float>(width);
    const float y = screen.z / screen.w / static_cast<float>(height);
    Sprite sprites[kLabelLimit];
    const uint32_t n = LayoutBikeLabel(label, x, y, set.glyphs, sprites, kLabelLimit);
    for (uint32_t i = 0; i < n; ++i) DrawSprite(&sprites[i]);
}

}  // namespace kes
