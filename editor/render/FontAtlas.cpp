#include "editor/render/FontAtlas.h"

#include <stb_truetype.h>

#include <cmath>
#include <fstream>
#include <iterator>

namespace qv {

FontAtlas::FontAtlas(const std::string& fontFile, float pixelHeight) {
    std::ifstream in(fontFile, std::ios::binary);
    std::vector<unsigned char> ttf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (ttf.size() < 12 || pixelHeight <= 0) return;
    stbtt_fontinfo info;
    if (!stbtt_InitFont(&info, ttf.data(), stbtt_GetFontOffsetForIndex(ttf.data(), 0))) return;
    coverage_.assign(static_cast<size_t>(kWidth) * kHeight, 0);
    stbtt_bakedchar baked[kCharCount];
    if (stbtt_BakeFontBitmap(ttf.data(), 0, pixelHeight, coverage_.data(), kWidth, kHeight, kFirstChar, kCharCount,
                             baked) <= 0)
        return;  // the atlas was too small for every character
    for (const stbtt_bakedchar& b : baked) chars_.push_back({b.x0, b.y0, b.x1, b.y1, b.xoff, b.yoff, b.xadvance});
    int ascent = 0, descent = 0, gap = 0;
    stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
    const float scale = stbtt_ScaleForPixelHeight(&info, pixelHeight);
    ascent_ = std::round(static_cast<float>(ascent) * scale);
    lineHeight_ = static_cast<int>(std::ceil(static_cast<float>(ascent - descent) * scale));
    ok_ = true;
}

const FontAtlas& FontAtlas::Editor() {
    static const FontAtlas font(kEditorFontFile, 13.0f);
    return font;
}

bool FontAtlas::Glyph(char c, float penX, GlyphQuad* quad, float* advance) const {
    if (!ok_) return false;
    int index = static_cast<unsigned char>(c) - kFirstChar;
    if (index < 0 || index >= kCharCount) index = '?' - kFirstChar;
    const Baked& b = chars_[static_cast<size_t>(index)];
    if (advance) *advance = b.xadvance;
    if (c == ' ' || b.x1 == b.x0 || b.y1 == b.y0) return false;
    if (quad) {
        const float x0 = std::floor(penX + b.xoff + 0.5f), y0 = std::floor(b.yoff + 0.5f);
        *quad = {x0,
                 y0,
                 x0 + static_cast<float>(b.x1 - b.x0),
                 y0 + static_cast<float>(b.y1 - b.y0),
                 static_cast<float>(b.x0) / kWidth,
                 static_cast<float>(b.y0) / kHeight,
                 static_cast<float>(b.x1) / kWidth,
                 static_cast<float>(b.y1) / kHeight};
    }
    return true;
}

}  // namespace qv
