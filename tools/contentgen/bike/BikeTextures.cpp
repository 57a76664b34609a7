#include "tools/contentgen/bike/BikeTextures.h"

#include <cmath>
#include <cstdio>

#include "tools/contentgen/bike/BikeAtlas.h"
#include "tools/contentgen/frontend/Canvas.h"

namespace tools::bike {

namespace {

const Colour kOrange = Hex(0xf28c1a), kYellow = Hex(0xf5d31f), kRed = Hex(0xd8342b), kBlue = Hex(0x2a62c9),
             kGreen = Hex(0x2f9e44), kBlack = Hex(0x151515), kWhite = Hex(0xf4f4f4);

struct Scheme {
    Colour main, trim, frame;
    int number;
};
// Each skin pairs two race colours with white or black.
const Scheme kSchemes[kBikeSkinCount] = {
    {kOrange, kBlack, Hex(0x303030), 7},  {kBlue, kWhite, Hex(0xb0b4b8), 12}, {kRed, kWhite, Hex(0xb0b4b8), 3},
    {kGreen, kBlack, Hex(0x303030), 21},  {kYellow, kBlue, Hex(0x2a3a60), 5}, {kWhite, kRed, Hex(0xb0b4b8), 44},
    {kBlack, kOrange, Hex(0x282828), 9},  {kBlue, kYellow, Hex(0x303030), 17}};

void Fill(Canvas& c, const AtlasArea& a, Colour colour) {
    c.RoundedRect(static_cast<float>(a.x0), static_cast<float>(a.y0), static_cast<float>(a.x1),
                  static_cast<float>(a.y1), 0, [&](float) { return colour; }, 1.0f);
}

void Stripe(Canvas& c, const AtlasArea& a, float from, float to, Colour colour) {
    const float h = static_cast<float>(a.y1 - a.y0);
    c.RoundedRect(static_cast<float>(a.x0), a.y0 + from * h, static_cast<float>(a.x1), a.y0 + to * h, 0,
                  [&](float) { return colour; }, 1.0f);
}

std::vector<uint8_t> Skin(const Scheme& s) {
    Canvas c(256, 256, Hex(0x808080), 0.0f);
    Fill(c, kMainPlastic, s.main);
    Stripe(c, kMainPlastic, 0.55f, 0.72f, s.trim);
    Stripe(c, kMainPlastic, 0.76f, 0.82f, kWhite);
    Fill(c, kTrimPlastic, s.trim);
    Stripe(c, kTrimPlastic, 0.4f, 0.6f, s.main);
    // Number plate: a white (or yellow on white bikes) field with the number in black.
    const Colour plate = s.main.r > 0.9f && s.main.b > 0.9f ? kYellow : kWhite;
    Fill(c, kNumberPlate, Hex(0x202020));
    c.RoundedRect(kNumberPlate.x0 + 2.0f, kNumberPlate.y0 + 2.0f, kNumberPlate.x1 - 2.0f, kNumberPlate.y1 - 2.0f, 10,
                  [&](float) { return plate; }, 1.0f);
    char digits[8];
    std::snprintf(digits, sizeof digits, "%d", s.number);
    const float size = 52.0f, width = static_cast<float>(std::string(digits).size()) * size * 0.62f;
    c.Text(kSansBold, size, (kNumberPlate.x0 + kNumberPlate.x1) / 2.0f - width / 2.0f, kNumberPlate.y0 + 6.0f, digits,
           kBlack);
    Fill(c, kSeat, Hex(0x1c1c1c));
    for (int y = kSeat.y0 + 4; y < kSeat.y1; y += 8) Stripe(c, kSeat, (y - kSeat.y0) / 64.0f, (y - kSeat.y0 + 2) / 64.0f, Hex(0x2e2e2e));
    Fill(c, kMetal, Hex(0xc8ccd0));
    Stripe(c, kMetal, 0.3f, 0.45f, Hex(0xeef0f2));
    Fill(c, kEngine, Hex(0x55585c));
    for (int k = 0; k < 8; ++k) Stripe(c, kEngine, k / 8.0f, k / 8.0f + 0.05f, Hex(0x3a3c3f));
    Fill(c, kFrame, s.frame);
    Fill(c, kForkTube, Hex(0xd9a93a));
    Stripe(c, kForkTube, 0.4f, 0.5f, Hex(0xf0cc70));
    Fill(c, kHub, s.main);
    Fill(c, kRubber, Hex(0x1a1a1a));
    return c.ColourBmp();
}

// Opaque over every area of the atlas, clear elsewhere; the plate's corners are rounded off.
std::vector<uint8_t> SkinMask() {
    Canvas c(256, 256, Hex(0xffffff), 0.0f);
    for (const AtlasArea& a : kAtlasAreas) {
        const float r = &a == &kAtlasAreas[2] ? 10.0f : 0.0f;
        c.RoundedRect(static_cast<float>(a.x0), static_cast<float>(a.y0), static_cast<float>(a.x1),
                      static_cast<float>(a.y1), r, [](float) { return Hex(0xffffff); }, 1.0f);
    }
    return c.AlphaBmp();
}

// 128 x 128: the tread strip on the top 32 rows, the spoked wheel (radius 46, centre (64, 80)) below.
Canvas WheelPicture(bool rear) {
    Canvas c(128, 128, Hex(0x202020), 0.0f);
    for (int x = 0; x < 128; ++x)
        for (int y = 0; y < 32; ++y) {
            // Knob blocks in two staggered rows.
            const bool knob = ((x / 8 + (y / 16)) % 2 == 0) && (x % 8 > 1) && (y % 16 > 2) && (y % 16 < 14);
            c.Blend(x, y, knob ? Hex(0x3a3a3a) : Hex(0x161616), 1.0f, 1.0f);
        }
    const float cx = 64.0f, cy = 80.0f;
    auto ring = [&](float r0, float r1, Colour colour) {
        for (int y = 33; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
                if (d >= r0 && d <= r1) c.Blend(x, y, colour, 1.0f, 1.0f);
            }
    };
    ring(40.0f, 47.0f, Hex(0xb8bcc0));  // rim
    ring(0.0f, rear ? 13.0f : 9.0f, Hex(0x9a9ea2));
    if (rear) ring(9.0f, 19.0f, Hex(0x505458));  // sprocket
    for (int k = 0; k < 36; ++k) {
        // Spokes leave the hub at a slant, crossing their neighbours on the way to the rim.
        const float a = 6.2831853f * k / 36.0f, b = a + (k % 2 ? 0.5f : -0.5f);
        const float x0 = cx + 8.0f * std::cos(b), y0 = cy + 8.0f * std::sin(b);
        const float x1 = cx + 41.0f * std::cos(a), y1 = cy + 41.0f * std::sin(a);
        c.Polygon({{x0 - 0.6f, y0}, {x0 + 0.6f, y0}, {x1 + 0.6f, y1}, {x1 - 0.6f, y1}}, Hex(0xd0d4d8), Hex(0xd0d4d8), 0.4f,
                  1.0f);
    }
    return c;
}

}  // namespace

std::vector<std::pair<std::string, std::vector<uint8_t>>> BikeTextureFiles(std::string*) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
    out.emplace_back("BIKES\\TEXTURES\\bike-a.bmp", SkinMask());
    for (int i = 0; i < kBikeSkinCount; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "BIKES\\TEXTURES\\BIKET%02d.BMP", i + 1);
        out.emplace_back(name, Skin(kSchemes[i]));
    }
    const Canvas front = WheelPicture(false), rear = WheelPicture(true);
    out.emplace_back("BIKES\\TEXTURES\\FrntWhel.bmp", front.ColourBmp());
    out.emplace_back("BIKES\\TEXTURES\\FrntWhelA.bmp", front.AlphaBmp());
    out.emplace_back("BIKES\\TEXTURES\\RearWhel.bmp", rear.ColourBmp());
    out.emplace_back("BIKES\\TEXTURES\\RearWhelA.bmp", rear.AlphaBmp());
    return out;
}

}  // namespace tools::bike
