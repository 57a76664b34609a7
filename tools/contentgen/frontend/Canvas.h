#pragma once
// A picture being painted for the front end: linear RGB and coverage per pixel, written out as a
// 24-bit colour bitmap and an 8-bit grey alpha bitmap (the game loads alpha as a separate picture).
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace tools {

struct Colour {
    float r = 0, g = 0, b = 0;
};
// "#rrggbb" at compile time is overkill; the palette is given as 0xRRGGBB.
Colour Hex(uint32_t rgb);
Colour Mix(Colour a, Colour b, float t);

class Canvas {
public:
    Canvas(int width, int height, Colour fill = {}, float alpha = 0.0f);
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Paints over what is there with the given coverage (0..1) and opacity.
    void Blend(int x, int y, Colour c, float coverage, float alpha = 1.0f);
    Colour At(int x, int y) const { return rgb_[Index(x, y)]; }
    float AlphaAt(int x, int y) const { return alpha_[Index(x, y)]; }

    // Every pixel's colour from a function of its position (backgrounds, gradients).
    void Paint(const std::function<Colour(int x, int y)>& colour);
    // A rounded rectangle over the continuous rectangle [left, right] x [top, bottom], antialiased;
    // colour from a function of the vertical position inside it (0 top, 1 bottom).
    void RoundedRect(float left, float top, float right, float bottom, float radius,
                     const std::function<Colour(float v)>& colour, float alpha);
    // A filled polygon (screen order), antialiased, with an outline of the given width.
    void Polygon(const std::vector<std::pair<float, float>>& points, Colour fill, Colour outline, float outlineWidth,
                 float alpha);
    // Text in a TrueType font, top left of the first line's em box at (x, y).
    bool Text(std::string_view fontPath, float pixelHeight, float x, float y, std::string_view latin1, Colour c,
              float alpha = 1.0f, bool outline = false);

    std::vector<uint8_t> ColourBmp() const;
    std::vector<uint8_t> AlphaBmp() const;

private:
    size_t Index(int x, int y) const { return static_cast<size_t>(y) * width_ + x; }
    int width_, height_;
    std::vector<Colour> rgb_;
    std::vector<float> alpha_;
};

// The DejaVu fonts the front end is drawn with.
constexpr std::string_view kSansBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr std::string_view kMonoBold = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";

// Bakes one character (a Unicode code point) into a box of the canvas: coverage 0..1 per pixel of the
// box, with the baseline at `baseline` rows from its top and the glyph centred horizontally.
bool BakeGlyph(std::string_view fontPath, float pixelHeight, uint32_t codePoint, int boxWidth, int boxHeight,
               int baseline, std::vector<float>* coverage);

}  // namespace tools
