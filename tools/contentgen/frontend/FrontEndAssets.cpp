// The front end's pictures and sounds: page backgrounds, loading screens, the pointer, the sixteen
// button textures with their alpha, the six fonts baked from DejaVu (codes 32-179, accented letters
// at 128-163), and the menu sounds.
#include <cmath>
#include <cstdio>
#include <string>

#include "game/core/text/TextTable.h"
#include "game/frontend/menu/ButtonImages.h"
#include "tools/contentgen/AssetFamilies.h"
#include "tools/contentgen/frontend/Canvas.h"
#include "tools/contentgen/frontend/MenuSounds.h"

namespace tools {

namespace {

// The palette of the look: race colours and the sky.
const Colour kOrange = Hex(0xf28c1a), kYellow = Hex(0xf5d31f), kBlue = Hex(0x2a62c9), kWhite = Hex(0xffffff);
const Colour kSkyLow = Hex(0xcfe3f0), kSkyHigh = Hex(0x3a6ea5), kGrass = Hex(0x5f7f2f), kGrassLight = Hex(0x86a846);
const Colour kDirt = Hex(0x7a5230), kSand = Hex(0xd2b47c), kDuskLow = Hex(0xf3b06b), kDuskHigh = Hex(0x5b4a8a);

// Pictures are stored unpacked (see PackContent::Add).
bool AddBitmap(PackContent& pack, const std::string& name, std::vector<uint8_t> bmp, std::string* error) {
    return pack.Add(name, std::move(bmp), error, false);
}

bool AddPicture(PackContent& pack, const std::string& name, const Canvas& canvas, std::string* error) {
    return AddBitmap(pack, name, canvas.ColourBmp(), error);
}

// Rolling hills under a sky: the backdrop of every page and loading screen.
Canvas Landscape(Colour skyLow, Colour skyHigh, float phase) {
    Canvas c(640, 480);
    c.Paint([&](int x, int y) {
        const float fx = static_cast<float>(x), fy = static_cast<float>(y);
        const float far = 250 + 30 * std::sin(fx * 0.011f + phase) + 14 * std::sin(fx * 0.031f + 2 * phase);
        const float near = 330 + 40 * std::sin(fx * 0.007f + 3 * phase) + 10 * std::sin(fx * 0.05f);
        if (fy < far) return Mix(skyHigh, skyLow, fy / far);
        if (fy < near) return Mix(kGrassLight, kGrass, (fy - far) / std::max(near - far, 1.0f));
        // A dirt track sweeping across the foreground.
        const float track = 400 + 35 * std::sin(fx * 0.009f + phase);
        if (std::fabs(fy - track) < 22) return Mix(kDirt, kSand, 0.3f + 0.2f * std::sin(fx * 0.2f));
        return Mix(kGrass, kGrassLight, 0.25f * (1 + std::sin(fx * 0.05f + fy * 0.08f)));
    });
    return c;
}

void Title(Canvas& c, const std::string& text, float y, float size) {
    const float width = static_cast<float>(text.size()) * size * 0.62f;
    c.Text(kSansBold, size, 320 - width / 2, y, text, kYellow, 1.0f, true);
}

bool AddBackgrounds(PackContent& pack, std::string* error) {
    struct Page {
        const char* name;
        float phase;
        bool dusk;
        const char* title;
    } pages[] = {
        {"FrontEnd\\back01.bmp", 0.3f, false, "GRAVELON"},
        {"FrontEnd\\back02.bmp", 1.7f, false, nullptr},
        {"FrontEnd\\back03.bmp", 2.9f, true, nullptr},
        {"FrontEnd\\tutorial menu.bmp", 4.1f, false, "TUTORIAL"},
        {"FrontEnd\\tutorial menu spanish.bmp", 4.1f, false, "TUTORIAL"},
        {"FrontEnd\\tutorial menu french.bmp", 4.1f, false, "TUTORIEL"},
        {"FrontEnd\\tutorial menu german.bmp", 4.1f, false, "TUTORIUM"},
        {"FrontEnd\\score screen solo player.bmp", 5.3f, true, nullptr},
        {"FrontEnd\\score screen multiplayer.bmp", 0.9f, true, nullptr},
    };
    for (const Page& p : pages) {
        Canvas c = p.dusk ? Landscape(kDuskLow, kDuskHigh, p.phase) : Landscape(kSkyLow, kSkyHigh, p.phase);
        // A race-orange band along the top edge frames every page.
        c.RoundedRect(-10, 8, 650, 14, 3, [](float) { return kOrange; }, 1.0f);
        if (p.title) Title(c, p.title, 24, 40);
        if (!AddPicture(pack, p.name, c, error)) return false;
    }
    for (int i = 1; i <= 8; ++i) {
        const bool dusk = i % 3 == 0;
        Canvas c = dusk ? Landscape(kDuskLow, kDuskHigh, 0.8f * i) : Landscape(kSkyLow, kSkyHigh, 0.8f * i);
        c.RoundedRect(120, 440, 520, 456, 6, [](float) { return Hex(0x202020); }, 0.8f);
        c.RoundedRect(122, 442, 518, 454, 5, [](float v) { return Mix(kYellow, kOrange, v); }, 1.0f);
        Title(c, "GRAVELON", 30, 44);
        if (!AddPicture(pack, "loading screen" + std::to_string(i) + ".bmp", c, error)) return false;
    }
    return true;
}

// The pointer: an arrow whose tip is the hot spot, 5 pixels in and 2 down from the sprite's corner.
// The sprite shows texels 2-254 as 52 pixels.
bool AddCursor(PackContent& pack, std::string* error) {
    Canvas c(256, 256);
    const float s = 252.0f / 52.0f;
    const std::pair<float, float> points[] = {{5, 2}, {5, 32}, {12, 25}, {17, 36}, {22, 34}, {17, 23}, {27, 23}};
    std::vector<std::pair<float, float>> polygon;
    for (auto [x, y] : points) polygon.push_back({2 + x * s, 2 + y * s});
    c.Polygon(polygon, kWhite, Hex(0x101010), 2.5f * s, 1.0f);
    return AddPicture(pack, "FrontEnd\\mcursor.bmp", c, error) && AddBitmap(pack, "FrontEnd\\mcursorA.bmp", c.AlphaBmp(), error);
}

enum class Style { Panel, Heading, Field, Button, LitButton, Knob, Arrow, LitArrow, Track, Spot, LitSpot };

// What each image is (unused images are left unpainted; image 20 would overlap image 19).
Style StyleOf(uint32_t image, bool* used) {
    *used = true;
    switch (image) {
    case 0: case 1: case 28: case 29: return Style::Heading;
    case 2: case 3: case 34: case 35: case 41: case 42: case 43: case 44: return Style::Field;
    case 4: case 6: return Style::Button;
    case 5: case 7: return Style::LitButton;
    case 8: return Style::Knob;
    case 9: case 11: case 13: case 15: return Style::Arrow;
    case 10: case 12: case 14: case 16: return Style::LitArrow;
    case 21: return Style::Track;
    case 38: return Style::Spot;
    case 40: return Style::LitSpot;
    case 20: case 36: case 37: case 39: *used = false; return Style::Panel;
    default: return Style::Panel;
    }
}

// Arrow direction of an arrow image: 0 left, 1 right, 2 up, 3 down.
int ArrowDirection(uint32_t image) {
    if (image == 13 || image == 14) return 0;
    if (image == 11 || image == 12) return 1;
    if (image == 15 || image == 16) return 2;
    return 3;
}

void PaintButton(Canvas& c, uint32_t image, const kes::ButtonImage& b) {
    bool used = false;
    const Style style = StyleOf(image, &used);
    if (!used) return;
    const float l = b.left, t = b.top, r = b.right, bt = b.bottom;
    const float radius = std::min(8.0f, (std::min(r - l, bt - t)) / 3);
    auto light = [&](float) { return Hex(0xd8d8d8); };
    switch (style) {
    case Style::Panel:
        c.RoundedRect(l, t, r, bt, radius, [](float) { return Hex(0xc8c8c8); }, 0.85f);
        c.RoundedRect(l + 2, t + 2, r - 2, bt - 2, radius - 1, [](float v) { return Mix(Hex(0x20242c), Hex(0x0c0e12), v); }, 0.9f);
        break;
    case Style::Heading:
        c.RoundedRect(l, t, r, bt, radius, light, 1.0f);
        c.RoundedRect(l + 2, t + 2, r - 2, bt - 2, radius - 1, [](float v) { return Mix(Hex(0x4a82e0), kBlue, v); }, 1.0f);
        break;
    case Style::Field:
        c.RoundedRect(l, t, r, bt, radius, [](float) { return Hex(0x909090); }, 0.9f);
        c.RoundedRect(l + 2, t + 2, r - 2, bt - 2, radius - 1, [](float v) { return Mix(Hex(0x303846), Hex(0x161a20), v); }, 0.9f);
        break;
    case Style::Button:
        c.RoundedRect(l, t, r, bt, radius, [](float) { return Hex(0x3a2008); }, 1.0f);
        c.RoundedRect(l + 2, t + 2, r - 2, bt - 2, radius - 1, [](float v) { return Mix(Hex(0xf7a94a), kOrange, v); }, 1.0f);
        c.RoundedRect(l + 4, t + 3, r - 4, t + 5, 1, [](float) { return Hex(0xffe0b0); }, 0.8f);
        break;
    case Style::LitButton:
        // Drawn tinted yellow: painted in light neutral tones.
        c.RoundedRect(l, t, r, bt, radius, [](float v) { return Mix(Hex(0xffffff), Hex(0xd0d0d0), v); }, 1.0f);
        break;
    case Style::Knob:
        c.RoundedRect(l, t, r, bt, 4, [](float) { return Hex(0x101010); }, 1.0f);
        c.RoundedRect(l + 2, t + 2, r - 2, bt - 2, 3, [](float v) { return Mix(kWhite, kOrange, v); }, 1.0f);
        break;
    case Style::Arrow:
    case Style::LitArrow: {
        const bool lit = style == Style::LitArrow;
        c.RoundedRect(l, t, r, bt, radius, [](float) { return Hex(0x202020); }, 1.0f);
        c.RoundedRect(l + 2, t + 2, r - 2, bt - 2, radius - 1,
                      [&](float v) { return lit ? Mix(kWhite, Hex(0xd0d0d0), v) : Mix(Hex(0xf7a94a), kOrange, v); }, 1.0f);
        const float cx = (l + r) / 2, cy = (t + bt) / 2, k = std::min(r - l, bt - t) * 0.28f;
        std::vector<std::pair<float, float>> tri;
        switch (ArrowDirection(image)) {
        case 0: tri = {{cx - k, cy}, {cx + k, cy - k}, {cx + k, cy + k}}; break;
        case 1: tri = {{cx + k, cy}, {cx - k, cy + k}, {cx - k, cy - k}}; break;
        case 2: tri = {{cx, cy - k}, {cx + k, cy + k}, {cx - k, cy + k}}; break;
        default: tri = {{cx, cy + k}, {cx - k, cy - k}, {cx + k, cy - k}}; break;
        }
        c.Polygon(tri, Hex(0x202020), Hex(0x202020), 0.5f, 1.0f);
        break;
    }
    case Style::Track:
        c.RoundedRect(l + 3, t, r - 3, bt, 3, [](float) { return Hex(0x404850); }, 0.85f);
        break;
    case Style::Spot:
    case Style::LitSpot: {
        const Colour ring = style == Style::LitSpot ? kWhite : kYellow;
        c.RoundedRect(l + 1, t + 1, r - 1, bt - 1, (bt - t) / 2 - 1, [&](float) { return ring; }, 1.0f);
        c.RoundedRect(l + 5, t + 5, r - 5, bt - 5, (bt - t) / 2 - 5, [](float) { return Hex(0x202020); }, 0.6f);
        break;
    }
    }
}

bool AddButtons(PackContent& pack, std::string* error) {
    for (uint32_t texture = 0; texture < 16; ++texture) {
        Canvas c(256, 256);
        for (uint32_t image = 0; image < kes::kButtonImageCount; ++image)
            if (kes::kButtons[image].texture == texture) PaintButton(c, image, kes::kButtons[image]);
        if (texture == 0) {
            const float* bar = kes::kSelectionBarTexels;
            c.RoundedRect(bar[0] - 1, bar[1] - 1, bar[2] + 1, bar[3] + 1, 0, [](float) { return kYellow; }, 0.45f);
        }
        char name[64];
        std::snprintf(name, sizeof name, "FrontEnd\\Buttons\\256buttons%02u", texture + 1);
        if (!AddBitmap(pack, std::string(name) + ".bmp", c.ColourBmp(), error) ||
            !AddBitmap(pack, std::string(name) + "-a.bmp", c.AlphaBmp(), error))
            return false;
    }
    return true;
}

// The Unicode character drawn for a glyph code: ASCII as it is, 128-163 the accented letters the
// language files map there, nothing for the rest.
uint32_t CodePointOfGlyph(uint32_t code) {
    if (code >= 32 && code < 127) return code;
    if (code < 128) return 0;
    for (uint32_t byte = 0x80; byte <= 0xFF; ++byte)
        if (kes::MapTextChar(static_cast<uint8_t>(byte)) == code && code != 32) return byte == 0x84 ? 0x201E : byte;
    return 0;
}

struct FontRecipe {
    const char* image;
    const char* alpha;  // null: shares the alpha of the font before it
    bool large;
    Colour colour;
    bool outline;
};

bool AddFonts(PackContent& pack, std::string* error) {
    const FontRecipe fonts[] = {
        {"FrontEnd\\Fonts\\font16x18.bmp", "FrontEnd\\Fonts\\font16x18_a.bmp", true, kWhite, false},
        {"FrontEnd\\Fonts\\font16x18grey.bmp", nullptr, true, Hex(0xb4b4b4), false},
        {"FrontEnd\\Fonts\\big font outline.bmp", "FrontEnd\\Fonts\\big font outline_a.bmp", true, kYellow, true},
        {"FrontEnd\\Fonts\\little font outline.bmp", "FrontEnd\\Fonts\\little font outline_a.bmp", false, kWhite, true},
        {"FrontEnd\\Fonts\\Fonts8.BMP", "FrontEnd\\Fonts\\Fonts8A.BMP", false, kWhite, false},
        {"FrontEnd\\Fonts\\Fonts8gray.bmp", nullptr, false, Hex(0xb4b4b4), false},
        {"TEXTURES\\OVERLAY\\Fonts8.BMP", "TEXTURES\\OVERLAY\\Fonts8A.BMP", false, kWhite, false},  // name labels
    };
    for (const FontRecipe& f : fonts) {
        const int size = f.large ? 256 : 128, cellW = f.large ? 16 : 8, cellH = f.large ? 18 : 10;
        const float pixelHeight = f.large ? 15.0f : 9.5f;
        const int baseline = f.large ? 14 : 8;
        Canvas c(size, size, f.colour, 0.0f);
        for (uint32_t code = 32; code < 180; ++code) {
            const uint32_t cp = CodePointOfGlyph(code);
            if (cp == 0 || cp == ' ') continue;  // blanks stay fully transparent
            std::vector<float> cover;
            if (!BakeGlyph(kMonoBold, pixelHeight, cp, cellW, cellH, baseline, &cover)) {
                *error = "cannot bake the fonts from " + std::string(kMonoBold);
                return false;
            }
            const int ox = static_cast<int>((code - 32) % 16) * cellW, oy = static_cast<int>((code - 32) / 16) * cellH;
            for (int y = 0; y < cellH; ++y)
                for (int x = 0; x < cellW; ++x) {
                    const float a = cover[static_cast<size_t>(y) * cellW + x];
                    if (f.outline) {
                        float around = a;
                        for (int dy = -1; dy <= 1; ++dy)
                            for (int dx = -1; dx <= 1; ++dx) {
                                const int sx = x + dx, sy = y + dy;
                                if (sx >= 0 && sy >= 0 && sx < cellW && sy < cellH)
                                    around = std::max(around, cover[static_cast<size_t>(sy) * cellW + sx]);
                            }
                        c.Blend(ox + x, oy + y, Colour{}, around);
                    }
                    c.Blend(ox + x, oy + y, f.colour, a);
                }
        }
        if (!AddBitmap(pack, f.image, c.ColourBmp(), error)) return false;
        if (f.alpha && !AddBitmap(pack, f.alpha, c.AlphaBmp(), error)) return false;
    }
    return true;
}

}  // namespace

bool AddFrontEnd(PackContent& pack, std::string* error) {
    return AddBackgrounds(pack, error) && AddCursor(pack, error) && AddButtons(pack, error) &&
           AddFonts(pack, error) && AddMenuSounds(pack, error);
}

}  // namespace tools
