#include "editor/app/Resources.h"

#include <cmath>

namespace qv {

namespace {

constexpr uint32_t kInk = 0xFF000000;
constexpr uint32_t kPane = 0xFF9098A8;
constexpr uint32_t kMark = 0xFF2050C0;

// One image of the strip, drawn at its place.
class Painter {
public:
    Painter(plat::Bitmap& b, int index) : b_(b), left_(index * kToolbarImageSize) {}
    void Pixel(int x, int y, uint32_t c) { b_.SetPixel(left_ + x, y, c); }
    void Line(int x0, int y0, int x1, int y1, uint32_t c) { b_.Line(left_ + x0, y0, left_ + x1, y1, c); }
    void Fill(int l, int t, int r, int btm, uint32_t c) { b_.FillRect(left_ + l, t, left_ + r, btm, c); }
    void Frame(int l, int t, int r, int btm, uint32_t c) {
        Line(l, t, r, t, c);
        Line(l, btm, r, btm, c);
        Line(l, t, l, btm, c);
        Line(r, t, r, btm, c);
    }
    // An arc of a circle from angle a0 to a1 (degrees, 0 to the right, counter-clockwise on screen).
    void Arc(float cx, float cy, float radius, float a0, float a1, uint32_t c) {
        for (float a = a0; a <= a1; a += 4.0f) {
            const float r = a * 3.14159265f / 180.0f;
            Pixel(static_cast<int>(std::lround(cx + radius * std::cos(r))),
                  static_cast<int>(std::lround(cy - radius * std::sin(r))), c);
        }
    }

private:
    plat::Bitmap& b_;
    int left_;
};

void Panes(Painter& p, int filled) {
    const int boxes[4][2] = {{1, 1}, {8, 1}, {1, 8}, {8, 8}};
    for (int i = 0; i < 4; ++i) {
        const int x = boxes[i][0], y = boxes[i][1];
        p.Fill(x + 1, y + 1, x + 6, y + 6, i == filled ? kMark : kPane);
        p.Frame(x, y, x + 6, y + 6, kInk);
    }
}

void Arrow(Painter& p, int x, int y, int dx, int dy) {
    // A head of three pixels' depth pointing along (dx, dy) with its tip at (x, y).
    for (int i = 1; i <= 3; ++i) {
        p.Pixel(x - dx * i + dy * i, y - dy * i + dx * i, kInk);
        p.Pixel(x - dx * i - dy * i, y - dy * i - dx * i, kInk);
    }
}

void DrawImage(plat::Bitmap& strip, int index) {
    Painter p(strip, index);
    switch (index) {
        case 0: Panes(p, -1); break;
        case 1: case 2: case 3: case 4: Panes(p, index - 1); break;
        case 6:  // Move: four arrows
            p.Line(2, 7, 13, 7, kInk);
            p.Line(7, 2, 7, 13, kInk);
            Arrow(p, 13, 7, 1, 0);
            Arrow(p, 2, 7, -1, 0);
            Arrow(p, 7, 2, 0, -1);
            Arrow(p, 7, 13, 0, 1);
            break;
        case 7:  // Forward / Zoom: a lens with a handle
            p.Arc(6, 6, 4, 0, 360, kInk);
            p.Fill(4, 4, 9, 9, kPane);
            p.Line(9, 9, 14, 14, kInk);
            p.Line(10, 9, 14, 13, kInk);
            break;
        case 8:  // Rotate: a turning arc with its arrow
            p.Arc(7.5f, 7.5f, 5.5f, 30, 330, kInk);
            Arrow(p, 12, 4, 0, -1);
            break;
        case 9:  // Tilt: a leaning horizon over a level one
            p.Line(2, 11, 13, 4, kMark);
            p.Line(2, 13, 13, 13, kInk);
            p.Arc(2, 13, 7, 0, 32, kInk);
            break;
        case 10:  // Field of View: the viewing wedge
            p.Line(2, 8, 13, 2, kInk);
            p.Line(2, 8, 13, 14, kInk);
            p.Arc(2, 8, 9, -28, 28, kMark);
            break;
        case 11:  // Select: the pointer
            for (int y = 0; y < 11; ++y) p.Line(3, 2 + y, 3 + y * 7 / 10, 2 + y, y == 10 ? kInk : kPane);
            p.Line(3, 2, 3, 12, kInk);
            p.Line(3, 2, 10, 9, kInk);
            p.Line(7, 10, 10, 14, kInk);
            p.Line(8, 9, 11, 13, kInk);
            break;
        default: break;  // the separators' places stay empty
    }
}

}  // namespace

plat::Bitmap ToolbarStrip() {
    plat::Bitmap strip(kToolbarImageSize * kToolbarImageCount, kToolbarImageSize);
    for (int i = 0; i < kToolbarImageCount; ++i) DrawImage(strip, i);
    return strip;
}

plat::Bitmap DefaultPluginBitmap() {
    // A plug-in block: a filled square with a notch on top, as one piece fits another.
    plat::Bitmap b(kToolbarImageSize, kToolbarImageSize);
    b.FillRect(2, 4, 14, 14, 0xFF40A060);
    b.FillRect(6, 1, 10, 4, 0xFF40A060);
    b.Line(2, 4, 13, 4, kInk);
    b.Line(2, 13, 13, 13, kInk);
    b.Line(2, 4, 2, 13, kInk);
    b.Line(13, 4, 13, 13, kInk);
    b.FillRect(6, 6, 10, 10, 0xFFFFFFFF);
    return b;
}

CursorImage NavigationCursor(int id) {
    int image = -1;
    switch (id) {
        case 190: image = 6; break;
        case 191: image = 7; break;
        case 194: image = 8; break;
        case 197: image = 10; break;
        case 198: image = 9; break;
        default: return {};
    }
    const plat::Bitmap icon = ToolbarStrip().Cut(image, kToolbarImageSize);
    CursorImage c{plat::Bitmap(kCursorSize, kCursorSize), kCursorSize / 2, kCursorSize / 2};
    // A white rim around every drawn pixel keeps the cursor visible over dark viewports.
    for (int y = 0; y < kCursorSize; ++y)
        for (int x = 0; x < kCursorSize; ++x) {
            if (icon.Pixel(x / 2, y / 2) >> 24) {
                c.image.SetPixel(x, y, icon.Pixel(x / 2, y / 2));
                continue;
            }
            for (int d = 0; d < 4 && !(c.image.Pixel(x, y) >> 24); ++d) {
                const int nx = x + (d == 0) - (d == 1), ny = y + (d == 2) - (d == 3);
                if (nx >= 0 && ny >= 0 && (icon.Pixel(nx / 2, ny / 2) >> 24)) c.image.SetPixel(x, y, 0xFFFFFFFF);
            }
        }
    return c;
}

}  // namespace qv
