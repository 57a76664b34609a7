#include "editor/render/TextContext.h"

#include <cstring>
#include <vector>

namespace qv {

namespace {

// 0x00BBGGRR to an opaque vertex colour 0xFFRRGGBB.
uint32_t VertexColour(uint32_t bgr) {
    return 0xFF000000u | ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

size_t TextLength(const char* text, int32_t length) {
    if (!text) return 0;
    return length < 0 ? std::strlen(text) : static_cast<size_t>(length);
}

// Render states (Direct3D 6 numbers) changed while text is drawn, with the values the viewports' pass
// uses, which they get back afterwards.
constexpr uint32_t kZEnable = 7, kZWrite = 14, kSrcBlend = 19, kDestBlend = 20, kMagFilter = 17, kMinFilter = 18,
                   kAlphaBlend = 27;

}  // namespace

uint32_t TextContext::SetTextColor(uint32_t colour) {
    const uint32_t previous = textColour_;
    textColour_ = colour & 0xFFFFFF;
    return previous;
}

uint32_t TextContext::SetBkColor(uint32_t colour) {
    const uint32_t previous = backColour_;
    backColour_ = colour & 0xFFFFFF;
    return previous;
}

int32_t TextContext::SetBkMode(int32_t mode) {
    const int32_t previous = backMode_;
    if (mode == 1 || mode == 2) backMode_ = mode;
    return previous;
}

void TextContext::Reset() {
    textColour_ = 0x000000;
    backColour_ = 0xFFFFFF;
    backMode_ = 2;
}

int32_t TextContext::GetTextExtent(const char* text, int32_t length, int32_t* width, int32_t* height) {
    const size_t n = TextLength(text, length);
    float pen = 0;
    for (size_t i = 0; i < n; ++i) {
        float advance = 0;
        font_->Glyph(text[i], pen, nullptr, &advance);
        pen += advance;
    }
    if (width) *width = static_cast<int32_t>(pen + 0.5f);
    if (height) *height = font_->LineHeight();
    return font_->Ok() ? 1 : 0;
}

int32_t TextContext::TextOut(int32_t x, int32_t y, const char* text, int32_t length) {
    if (!font_->Ok() || !layer_ || !layer_->Device()) return 0;
    const size_t n = TextLength(text, length);
    if (n == 0) return 1;
    std::vector<ScreenVertex> vertices;
    std::vector<uint16_t> indices;
    const uint32_t colour = VertexColour(textColour_);
    const float baseline = static_cast<float>(y) + font_->Ascent();
    // Quad corners sit half a pixel off the pixel centres so that every texel lands on one pixel.
    auto quad = [&](float x0, float y0, float x1, float y1, float s0, float t0, float s1, float t1, uint32_t c) {
        if (vertices.size() + 4 > 0xFFFF) return;
        const uint16_t first = static_cast<uint16_t>(vertices.size());
        vertices.push_back({x0 - 0.5f, y0 - 0.5f, 0, 1, c, 0, s0, t0});
        vertices.push_back({x1 - 0.5f, y0 - 0.5f, 0, 1, c, 0, s1, t0});
        vertices.push_back({x1 - 0.5f, y1 - 0.5f, 0, 1, c, 0, s1, t1});
        vertices.push_back({x0 - 0.5f, y1 - 0.5f, 0, 1, c, 0, s0, t1});
        for (int i : {0, 1, 2, 0, 2, 3}) indices.push_back(static_cast<uint16_t>(first + i));
    };
    float pen = static_cast<float>(x);
    for (size_t i = 0; i < n; ++i) {
        GlyphQuad g;
        float advance = 0;
        if (font_->Glyph(text[i], pen, &g, &advance))
            quad(g.x0, baseline + g.y0, g.x1, baseline + g.y1, g.s0, g.t0, g.s1, g.t1, colour);
        pen += advance;
    }
    RenderDevice* device = layer_->Device();
    device->SetRenderState(kZEnable, 0);
    device->SetRenderState(kZWrite, 0);
    if (backMode_ == 2) {
        // The opaque background: one untextured box under the whole text.
        std::vector<ScreenVertex> box;
        const float x0 = static_cast<float>(x) - 0.5f, y0 = static_cast<float>(y) - 0.5f;
        const float x1 = pen - 0.5f, y1 = static_cast<float>(y + font_->LineHeight()) - 0.5f;
        const uint32_t c = VertexColour(backColour_);
        box = {{x0, y0, 0, 1, c, 0, 0, 0}, {x1, y0, 0, 1, c, 0, 0, 0}, {x1, y1, 0, 1, c, 0, 0, 0},
               {x0, y1, 0, 1, c, 0, 0, 0}};
        const uint16_t boxIndices[6] = {0, 1, 2, 0, 2, 3};
        device->SetTexture(0);
        device->SetRenderState(kAlphaBlend, 0);
        device->DrawIndexed(4, box.data(), 4, boxIndices, 6);
    }
    if (!indices.empty()) {
        device->SetTexture(kFontTextureSlot);
        device->SetRenderState(kAlphaBlend, 1);
        device->SetRenderState(kSrcBlend, 5);   // source alpha
        device->SetRenderState(kDestBlend, 6);  // inverse source alpha
        device->SetRenderState(kMagFilter, 1);
        device->SetRenderState(kMinFilter, 1);
        device->DrawIndexed(4, vertices.data(), static_cast<uint32_t>(vertices.size()), indices.data(),
                            static_cast<uint32_t>(indices.size()));
    }
    // What the viewports' pass set before, and the layer's current texture.
    device->SetRenderState(kAlphaBlend, 0);
    device->SetRenderState(kSrcBlend, 2);
    device->SetRenderState(kDestBlend, 1);
    device->SetRenderState(kMagFilter, 2);
    device->SetRenderState(kMinFilter, 2);
    device->SetRenderState(kZEnable, 1);
    device->SetRenderState(kZWrite, 1);
    device->SetTexture(layer_->CurrentTexture());
    return 1;
}

}  // namespace qv
