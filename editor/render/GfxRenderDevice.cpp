#include "editor/render/GfxRenderDevice.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

#include "editor/render/FontAtlas.h"
#include "editor/texture/TextureTable.h"

namespace qv {

namespace {

// Blue, green, red of pixel (x, y) counted from the top row.
void PixelAt(const Dib& d, int32_t x, int32_t y, uint8_t bgr[3]) {
    const int32_t h = d.Height();
    const uint16_t bits = d.header.bitCount;
    const uint32_t row = RowBytes(d.header.width, bits);
    const int32_t storedRow = d.header.height < 0 ? y : h - 1 - y;  // bottom-up unless the height is negative
    const size_t at = static_cast<size_t>(storedRow) * row;
    bgr[0] = bgr[1] = bgr[2] = 0;
    if (bits == 24 || bits == 32) {
        const size_t p = at + static_cast<size_t>(x) * (bits / 8);
        if (p + 2 < d.pixels.size()) std::memcpy(bgr, &d.pixels[p], 3);
    } else if (bits == 8 || bits == 4 || bits == 1) {
        size_t index = 0;
        if (bits == 8 && at + static_cast<size_t>(x) < d.pixels.size()) index = d.pixels[at + static_cast<size_t>(x)];
        if (bits == 4 && at + static_cast<size_t>(x / 2) < d.pixels.size())
            index = (d.pixels[at + static_cast<size_t>(x / 2)] >> ((x & 1) ? 0 : 4)) & 0xF;
        if (bits == 1 && at + static_cast<size_t>(x / 8) < d.pixels.size())
            index = (d.pixels[at + static_cast<size_t>(x / 8)] >> (7 - (x & 7))) & 1;
        if (index * 4 + 2 < d.colourTable.size()) std::memcpy(bgr, &d.colourTable[index * 4], 3);
        else if (d.colourTable.empty()) bgr[0] = bgr[1] = bgr[2] = static_cast<uint8_t>(index * (bits == 1 ? 255 : 1));
    }
}

}  // namespace

std::vector<uint8_t> DibToRgba(const Dib& colour, const Dib* alpha) {
    const int32_t w = std::max(colour.header.width, 0), h = colour.Height();
    std::vector<uint8_t> out(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    const bool useAlpha = alpha && alpha->header.width == w && alpha->Height() == h;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t bgr[3];
            PixelAt(colour, x, y, bgr);
            uint8_t* o = &out[(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 4];
            o[0] = bgr[2], o[1] = bgr[1], o[2] = bgr[0], o[3] = 255;
            if (useAlpha) {
                uint8_t grey[3];
                PixelAt(*alpha, x, y, grey);
                o[3] = grey[0];
                if (o[3] == 0) o[0] = 255, o[1] = 0, o[2] = 255;
            }
        }
    return out;
}

GfxRenderDevice::~GfxRenderDevice() {
    if (font_) gfx_->DestroyTexture(font_);
    for (auto& [slot, c] : cache_)
        if (c.texture) gfx_->DestroyTexture(c.texture);
}

void GfxRenderDevice::SetRenderState(uint32_t state, uint32_t value) { gfx_->SetRenderState(state, value); }

void GfxRenderDevice::SetTexture(uint32_t slot) { gfx_->SetTexture(TextureFor(slot)); }

void GfxRenderDevice::SetStageTexture(uint32_t stage, uint32_t slot) {
    if (stage >= plat::GfxDevice::kTextureStages) return;
    gfx_->SetStageTexture(static_cast<int>(stage), TextureFor(slot));
}

plat::GfxTexture* GfxRenderDevice::TextureFor(uint32_t slot) {
    if (slot == kFontTextureSlot) {
        if (!font_) {
            // White texels whose alpha is the glyph coverage; the vertex colour tints them.
            const FontAtlas& atlas = FontAtlas::Editor();
            if (!atlas.Ok()) return nullptr;
            plat::GfxLevel level;
            level.width = FontAtlas::kWidth;
            level.height = FontAtlas::kHeight;
            level.rgba.assign(atlas.Coverage().size() * 4, 255);
            for (size_t i = 0; i < atlas.Coverage().size(); ++i) level.rgba[i * 4 + 3] = atlas.Coverage()[i];
            font_ = gfx_->CreateTexture({level}, true);
        }
        return font_;
    }
    const TextureEntry* entry = slot && textures_ ? textures_->Get(slot) : nullptr;
    if (!entry || entry->colour.header.width <= 0 || entry->colour.Height() <= 0) return nullptr;
    Cached& c = cache_[slot];
    const void* source = entry->colour.pixels.data();
    if (c.texture && (c.source != source || c.hadAlpha != entry->alpha.has_value())) {
        gfx_->DestroyTexture(c.texture);
        c.texture = nullptr;
    }
    if (!c.texture) {
        plat::GfxLevel level;
        level.width = entry->colour.header.width;
        level.height = entry->colour.Height();
        level.rgba = DibToRgba(entry->colour, entry->alpha ? &*entry->alpha : nullptr);
        c.texture = gfx_->CreateTexture({level}, entry->alpha.has_value());
        c.source = source;
        c.hadAlpha = entry->alpha.has_value();
    }
    return c.texture;
}

void GfxRenderDevice::DrawIndexed(uint32_t type, const ScreenVertex* vertices, uint32_t vertexCount,
                                  const uint16_t* indices, uint32_t indexCount) {
    moved_.resize(vertexCount);
    const float ox = static_cast<float>(clip_.left), oy = static_cast<float>(clip_.top);
    for (uint32_t i = 0; i < vertexCount; ++i) {
        const ScreenVertex& v = vertices[i];
        moved_[i] = plat::GfxVertex{v.sx + ox, v.sy + oy, v.sz, v.rhw, v.colour, v.specular | 0xFF000000u, v.u, v.v};
    }
    if (type == kLineList || type == kLineStrip) return DrawLines(type == kLineStrip, indices, indexCount);
    gfx_->DrawIndexed(type, moved_.data(), vertexCount, indices, indexCount);
}

// The shared back end draws triangles only: each line becomes a quad one pixel wide across it, with
// the colour, depth and texture coordinates of its ends.
void GfxRenderDevice::DrawLines(bool strip, const uint16_t* indices, uint32_t indexCount) {
    std::vector<plat::GfxVertex> quads;
    std::vector<uint16_t> triangles;
    const uint32_t step = strip ? 1 : 2;
    for (uint32_t i = 0; i + 1 < indexCount && quads.size() + 4 <= 65535; i += step) {
        if (indices[i] >= moved_.size() || indices[i + 1] >= moved_.size()) continue;
        const plat::GfxVertex& a = moved_[indices[i]];
        const plat::GfxVertex& b = moved_[indices[i + 1]];
        const float dx = b.sx - a.sx, dy = b.sy - a.sy, length = std::sqrt(dx * dx + dy * dy);
        // Half a pixel to each side; a line of no length still covers its pixel.
        const float nx = length > 0 ? -dy / length * 0.5f : 0.5f, ny = length > 0 ? dx / length * 0.5f : 0.5f;
        const float ex = length > 0 ? dx / length * 0.5f : 0.5f, ey = length > 0 ? dy / length * 0.5f : 0.0f;
        const auto base = static_cast<uint16_t>(quads.size());
        for (const auto& [v, sx, sy] : {std::tuple{a, -ex + nx, -ey + ny}, std::tuple{a, -ex - nx, -ey - ny},
                                        std::tuple{b, ex - nx, ey - ny}, std::tuple{b, ex + nx, ey + ny}}) {
            plat::GfxVertex c = v;
            c.sx += sx;
            c.sy += sy;
            quads.push_back(c);
        }
        for (uint16_t k : {0, 1, 2, 0, 2, 3}) triangles.push_back(static_cast<uint16_t>(base + k));
    }
    if (!triangles.empty())
        gfx_->DrawIndexed(kTriangleList, quads.data(), static_cast<uint32_t>(quads.size()), triangles.data(),
                          static_cast<uint32_t>(triangles.size()));
}

void GfxRenderDevice::SetClip(const PixelRect& rect) {
    clip_ = rect;
    gfx_->SetClipRect({rect.left, rect.top, rect.right, rect.bottom});
}

void GfxRenderDevice::Clear(const PixelRect& rect) {
    const plat::GfxRect r{rect.left, rect.top, rect.right, rect.bottom};
    gfx_->ClearColour(r, 0xFF000000u);
    gfx_->ClearDepth(r, 1.0f);
}

}  // namespace qv
