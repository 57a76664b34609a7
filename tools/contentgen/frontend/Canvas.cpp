#include "tools/contentgen/frontend/Canvas.h"

#include <stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <string>

#include "platform/bytes/ByteIO.h"

namespace tools {

namespace {

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

// Fonts are read once per run.
const std::vector<uint8_t>* FontBytes(std::string_view path) {
    static std::map<std::string, std::vector<uint8_t>> cache;
    auto [it, fresh] = cache.try_emplace(std::string(path));
    if (fresh) {
        std::ifstream in(it->first, std::ios::binary);
        it->second.assign(std::istreambuf_iterator<char>(in), {});
    }
    return it->second.empty() ? nullptr : &it->second;
}

bool OpenFont(std::string_view path, stbtt_fontinfo* font) {
    const std::vector<uint8_t>* bytes = FontBytes(path);
    return bytes && stbtt_InitFont(font, bytes->data(), stbtt_GetFontOffsetForIndex(bytes->data(), 0)) != 0;
}

float Smooth(float distance) { return std::clamp(0.5f - distance, 0.0f, 1.0f); }

float SegmentDistance(float px, float py, float ax, float ay, float bx, float by) {
    const float dx = bx - ax, dy = by - ay;
    const float len = dx * dx + dy * dy;
    const float t = len > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / len, 0.0f, 1.0f) : 0.0f;
    return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

void WriteBmpHeader(plat::ByteWriter& w, int width, int height, uint16_t bits, uint32_t tableBytes,
                    uint32_t rowBytes) {
    const uint32_t pixels = rowBytes * static_cast<uint32_t>(height);
    w.U8('B');
    w.U8('M');
    w.U32(14 + 40 + tableBytes + pixels);
    w.U32(0);
    w.U32(14 + 40 + tableBytes);
    w.U32(40);
    w.I32(width);
    w.I32(height);
    w.U16(1);
    w.U16(bits);
    w.U32(0);
    w.U32(pixels);
    w.U32(2835);
    w.U32(2835);
    w.U32(0);
    w.U32(0);
}

}  // namespace

Colour Hex(uint32_t rgb) {
    return {static_cast<float>((rgb >> 16) & 0xFF) / 255.0f, static_cast<float>((rgb >> 8) & 0xFF) / 255.0f,
            static_cast<float>(rgb & 0xFF) / 255.0f};
}

Colour Mix(Colour a, Colour b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Canvas::Canvas(int width, int height, Colour fill, float alpha)
    : width_(width), height_(height), rgb_(static_cast<size_t>(width) * height, fill),
      alpha_(static_cast<size_t>(width) * height, alpha) {}

void Canvas::Blend(int x, int y, Colour c, float coverage, float alpha) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const float a = std::clamp(coverage * alpha, 0.0f, 1.0f);
    if (a <= 0) return;
    const size_t i = Index(x, y);
    const float out = a + alpha_[i] * (1 - a);
    // Colour weighted by opacity, so that a translucent panel over nothing keeps its own colour.
    const float keep = out > 0 ? alpha_[i] * (1 - a) / out : 0.0f;
    rgb_[i] = Mix(c, rgb_[i], keep);
    alpha_[i] = out;
}

void Canvas::Paint(const std::function<Colour(int, int)>& colour) {
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            rgb_[Index(x, y)] = colour(x, y);
            alpha_[Index(x, y)] = 1.0f;
        }
}

void Canvas::RoundedRect(float left, float top, float right, float bottom, float radius,
                         const std::function<Colour(float)>& colour, float alpha) {
    const float cx = (left + right) / 2, cy = (top + bottom) / 2;
    const float hx = (right - left) / 2 - radius, hy = (bottom - top) / 2 - radius;
    for (int y = static_cast<int>(top) - 1; y <= static_cast<int>(bottom) + 1; ++y)
        for (int x = static_cast<int>(left) - 1; x <= static_cast<int>(right) + 1; ++x) {
            const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
            const float qx = std::max(std::fabs(px - cx) - hx, 0.0f), qy = std::max(std::fabs(py - cy) - hy, 0.0f);
            const float d = std::hypot(qx, qy) - radius;
            const float v = std::clamp((py - top) / std::max(bottom - top, 1.0f), 0.0f, 1.0f);
            Blend(x, y, colour(v), Smooth(d), alpha);
        }
}

void Canvas::Polygon(const std::vector<std::pair<float, float>>& p, Colour fill, Colour outline, float width,
                     float alpha) {
    float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
    for (auto [x, y] : p) minX = std::min(minX, x), minY = std::min(minY, y), maxX = std::max(maxX, x), maxY = std::max(maxY, y);
    for (int y = static_cast<int>(minY - width) - 1; y <= static_cast<int>(maxY + width) + 1; ++y)
        for (int x = static_cast<int>(minX - width) - 1; x <= static_cast<int>(maxX + width) + 1; ++x) {
            const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
            bool inside = false;
            float edge = 1e9f;
            for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
                const auto [xi, yi] = p[i];
                const auto [xj, yj] = p[j];
                if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) inside = !inside;
                edge = std::min(edge, SegmentDistance(px, py, xi, yi, xj, yj));
            }
            const float signedDistance = inside ? -edge : edge;
            // The outline band straddles the edge; the fill lies inside it.
            Blend(x, y, outline, Smooth(signedDistance - width / 2), alpha);
            Blend(x, y, fill, Smooth(signedDistance + width / 2), alpha);
        }
}

bool BakeGlyph(std::string_view fontPath, float pixelHeight, uint32_t codePoint, int boxWidth, int boxHeight,
               int baseline, std::vector<float>* coverage) {
    coverage->assign(static_cast<size_t>(boxWidth) * boxHeight, 0.0f);
    stbtt_fontinfo font;
    if (!OpenFont(fontPath, &font)) return false;
    const int glyph = stbtt_FindGlyphIndex(&font, static_cast<int>(codePoint));
    if (glyph == 0) return codePoint == ' ';
    const float scale = stbtt_ScaleForPixelHeight(&font, pixelHeight);
    int advance = 0, bearing = 0, x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetGlyphHMetrics(&font, glyph, &advance, &bearing);
    stbtt_GetGlyphBitmapBox(&font, glyph, scale, scale, &x0, &y0, &x1, &y1);
    const int w = x1 - x0, h = y1 - y0;
    if (w <= 0 || h <= 0) return true;
    std::vector<uint8_t> bitmap(static_cast<size_t>(w) * h);
    stbtt_MakeGlyphBitmap(&font, bitmap.data(), w, h, w, scale, scale, glyph);
    const int left = (boxWidth - static_cast<int>(std::lround(static_cast<float>(advance) * scale))) / 2 + x0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int bx = left + x, by = baseline + y0 + y;
            if (bx < 0 || by < 0 || bx >= boxWidth || by >= boxHeight) continue;
            (*coverage)[static_cast<size_t>(by) * boxWidth + bx] = bitmap[static_cast<size_t>(y) * w + x] / 255.0f;
        }
    return true;
}

bool Canvas::Text(std::string_view fontPath, float pixelHeight, float x, float y, std::string_view latin1, Colour c,
                  float alpha, bool outline) {
    stbtt_fontinfo font;
    if (!OpenFont(fontPath, &font)) return false;
    const float scale = stbtt_ScaleForPixelHeight(&font, pixelHeight);
    int ascent = 0, descent = 0, gap = 0;
    stbtt_GetFontVMetrics(&font, &ascent, &descent, &gap);
    const int baseline = static_cast<int>(std::lround(static_cast<float>(ascent) * scale));
    float penX = x;
    for (char ch : latin1) {
        const uint32_t cp = static_cast<uint8_t>(ch);
        int advance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&font, static_cast<int>(cp), &advance, &bearing);
        const int box = static_cast<int>(std::ceil(static_cast<float>(advance) * scale)) + 4;
        const int boxHeight = static_cast<int>(pixelHeight * 1.3f) + 4;
        std::vector<float> cover;
        BakeGlyph(fontPath, pixelHeight, cp, box, boxHeight, baseline + 2, &cover);
        const int ox = static_cast<int>(penX) - 2, oy = static_cast<int>(y) - 2;
        for (int gy = 0; gy < boxHeight; ++gy)
            for (int gx = 0; gx < box; ++gx) {
                float a = cover[static_cast<size_t>(gy) * box + gx];
                if (outline) {
                    float around = a;
                    for (int dy = -2; dy <= 2; ++dy)
                        for (int dx = -2; dx <= 2; ++dx) {
                            const int sx = gx + dx, sy = gy + dy;
                            if (sx >= 0 && sy >= 0 && sx < box && sy < boxHeight)
                                around = std::max(around, cover[static_cast<size_t>(sy) * box + sx]);
                        }
                    Blend(ox + gx, oy + gy, Colour{}, around, alpha);
                }
                Blend(ox + gx, oy + gy, c, a, alpha);
            }
        penX += static_cast<float>(advance) * scale;
    }
    return true;
}

std::vector<uint8_t> Canvas::ColourBmp() const {
    plat::ByteWriter w;
    const uint32_t row = (static_cast<uint32_t>(width_) * 3 + 3) & ~3u;
    WriteBmpHeader(w, width_, height_, 24, 0, row);
    for (int y = height_ - 1; y >= 0; --y) {
        for (int x = 0; x < width_; ++x) {
            const Colour& c = rgb_[Index(x, y)];
            w.U8(ToByte(c.b));
            w.U8(ToByte(c.g));
            w.U8(ToByte(c.r));
        }
        w.Zeros(row - static_cast<uint32_t>(width_) * 3);
    }
    return w.Take();
}

std::vector<uint8_t> Canvas::AlphaBmp() const {
    plat::ByteWriter w;
    const uint32_t row = (static_cast<uint32_t>(width_) + 3) & ~3u;
    WriteBmpHeader(w, width_, height_, 8, 1024, row);
    for (uint32_t i = 0; i < 256; ++i) w.U32(i | (i << 8) | (i << 16));
    for (int y = height_ - 1; y >= 0; --y) {
        for (int x = 0; x < width_; ++x) w.U8(ToByte(alpha_[Index(x, y)]));
        w.Zeros(row - static_cast<uint32_t>(width_));
    }
    return w.Take();
}

}  // namespace tools
