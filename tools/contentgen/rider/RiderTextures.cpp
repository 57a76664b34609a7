#include "tools/contentgen/rider/RiderTextures.h"

#include <cstdio>
#include <string>

#include "tools/contentgen/frontend/Canvas.h"
#include "tools/contentgen/rider/RiderAtlas.h"

namespace tools::rider {

namespace {

const Colour kOrange = Hex(0xf28c1a), kYellow = Hex(0xf5d31f), kRed = Hex(0xd8342b), kBlue = Hex(0x2a62c9),
             kGreen = Hex(0x2f9e44), kBlack = Hex(0x1a1a1a), kWhite = Hex(0xf4f4f4);

struct Kit {
    Colour main, second, trousers, boots;
    int number;
};
const Kit kKits[kRiderSkinCount] = {
    {kOrange, kBlack, kBlack, kWhite, 7},    {kBlue, kWhite, kWhite, kBlack, 12}, {kRed, kWhite, kBlack, kWhite, 3},
    {kGreen, kBlack, kBlack, kWhite, 21},    {kYellow, kBlue, kBlue, kBlack, 5},  {kWhite, kRed, kRed, kWhite, 44},
    {kBlack, kOrange, kBlack, kOrange, 9},   {kBlue, kYellow, kBlack, kWhite, 17}};

void Area(Canvas& c, const RiderArea& a, float v0, float v1, Colour colour, float u0 = 0.0f, float u1 = 1.0f) {
    const float w = static_cast<float>(a.x1 - a.x0), h = static_cast<float>(a.y1 - a.y0);
    c.RoundedRect(a.x0 + u0 * w, a.y0 + v0 * h, a.x0 + u1 * w, a.y0 + v1 * h, 0, [&](float) { return colour; }, 1.0f);
}

std::vector<uint8_t> Skin(const Kit& k) {
    Canvas c(256, 256, Hex(0x404040), 1.0f);
    // Helmet: shell in the main colour, a stripe over the crown, goggles across the front.
    Area(c, kHelmet, 0.0f, 1.0f, k.main);
    Area(c, kHelmet, 0.0f, 1.0f, k.second, 0.44f, 0.56f);
    Area(c, kHelmet, 0.0f, 1.0f, k.second, 0.94f, 1.0f);
    Area(c, kHelmet, 0.0f, 1.0f, k.second, 0.0f, 0.06f);
    Area(c, kHelmet, 0.3f, 0.5f, Hex(0x202020), 0.3f, 0.7f);
    Area(c, kHelmet, 0.34f, 0.46f, Hex(0x8fd0f0), 0.34f, 0.66f);
    Area(c, kVisor, 0.0f, 1.0f, k.second);
    // Jersey: main colour with side panels, the number big on the back.
    Area(c, kJersey, 0.0f, 1.0f, k.main);
    Area(c, kJersey, 0.0f, 1.0f, k.second, 0.2f, 0.3f);
    Area(c, kJersey, 0.0f, 1.0f, k.second, 0.7f, 0.8f);
    Area(c, kJersey, 0.9f, 1.0f, k.second);
    char digits[8];
    std::snprintf(digits, sizeof digits, "%d", k.number);
    const float size = 40.0f, width = static_cast<float>(std::string(digits).size()) * size * 0.62f;
    const Colour ink = k.main.r > 0.9f && k.main.g > 0.9f ? kBlack : kWhite;
    c.Text(kSansBold, size, 64.0f - width / 2.0f, kJersey.y0 + 34.0f, digits, ink, 1.0f, true);
    Area(c, kSleeve, 0.0f, 1.0f, k.main);
    Area(c, kSleeve, 0.0f, 1.0f, k.second, 0.4f, 0.6f);
    Area(c, kGlove, 0.0f, 1.0f, k.second);
    Area(c, kGlove, 0.6f, 1.0f, kBlack);
    Area(c, kTrousers, 0.0f, 1.0f, k.trousers);
    Area(c, kTrousers, 0.0f, 1.0f, k.main, 0.15f, 0.3f);
    Area(c, kBoot, 0.0f, 1.0f, k.boots);
    Area(c, kBoot, 0.25f, 0.35f, k.main);
    Area(c, kBoot, 0.75f, 1.0f, Hex(0x303030));
    return c.ColourBmp();
}

}  // namespace

std::vector<std::pair<std::string, std::vector<uint8_t>>> RiderSkinFiles() {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
    for (int i = 0; i < kRiderSkinCount; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "RIDER\\TEXTURE\\RIDERT%02d.BMP", i + 1);
        out.emplace_back(name, Skin(kKits[i]));
    }
    return out;
}

}  // namespace tools::rider
