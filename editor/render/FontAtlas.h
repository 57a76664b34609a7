#pragma once
// The editor's text font: DejaVu Sans baked once into a coverage atlas with stb_truetype, the printable
// ASCII characters at one size.
#include <cstdint>
#include <string>
#include <vector>

namespace qv {

struct GlyphQuad {
    float x0, y0, x1, y1;  // pixels, relative to the pen on the baseline
    float s0, t0, s1, t1;  // atlas coordinates 0..1
};

class FontAtlas {
public:
    static constexpr int kFirstChar = 32, kCharCount = 95;
    static constexpr int kWidth = 256, kHeight = 128;

    // Bakes the font file at `pixelHeight`; Ok() is false when the file is missing or unusable.
    FontAtlas(const std::string& fontFile, float pixelHeight);
    // The editor's font (DejaVu Sans at 13 pixels), made at the first use.
    static const FontAtlas& Editor();

    bool Ok() const { return ok_; }
    // Coverage bytes, kWidth x kHeight, top row first.
    const std::vector<uint8_t>& Coverage() const { return coverage_; }
    // The quad of a character at the pen (x on the baseline), and the pen's advance. Characters outside
    // the printable range draw as '?'. False for a space (nothing to draw; the pen still advances).
    bool Glyph(char c, float penX, GlyphQuad* quad, float* advance) const;
    // Distance from a text cell's top to the baseline, and the cell's height.
    float Ascent() const { return ascent_; }
    int LineHeight() const { return lineHeight_; }

private:
    struct Baked {
        uint16_t x0, y0, x1, y1;
        float xoff, yoff, xadvance;
    };
    bool ok_ = false;
    std::vector<uint8_t> coverage_;
    std::vector<Baked> chars_;
    float ascent_ = 0;
    int lineHeight_ = 0;
};

inline constexpr const char* kEditorFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

}  // namespace qv
