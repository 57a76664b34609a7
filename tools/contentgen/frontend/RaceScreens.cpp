// The race session's pictures: a loading screen per world identifier the game knows (and the
// generic one), the translated "loading" strips laid over them, the progress bar, and the countdown
// texture with its alpha ("3", "2", "1" and "GO" in their cells of a 256 x 256 picture).
#include <algorithm>
#include <cmath>
#include <string>

#include "tools/contentgen/AssetFamilies.h"
#include "tools/contentgen/frontend/Canvas.h"

namespace tools {

namespace {

const Colour kOrange = Hex(0xf28c1a), kYellow = Hex(0xf5d31f), kWhite = Hex(0xffffff), kBlack = Hex(0x000000);
const Colour kSkyLow = Hex(0xcfe3f0), kSkyHigh = Hex(0x3a6ea5), kDuskLow = Hex(0xf3b06b), kDuskHigh = Hex(0x5b4a8a);
const Colour kGrass = Hex(0x5f7f2f), kGrassLight = Hex(0x86a846), kDirt = Hex(0x7a5230), kDirtLight = Hex(0xa0703f);
const Colour kSand = Hex(0xd2b47c), kRock = Hex(0x8a8580), kRockDark = Hex(0x5e5a55), kSnow = Hex(0xe8e6e0);

// Where the game puts the translated strip and the bar (pixels of the 640 x 480 screen).
constexpr int kStripTop = 333, kStripHeight = 40;
constexpr float kBarLeft = 72, kBarTop = 433, kBarRight = 568, kBarBottom = 454;

enum class Scene { Outdoor, Stadium, Quarry };

struct LoadingScreen {
    const char* file;
    Scene scene;
    Colour ground, groundLight;  // the land's two tones
    bool dusk;
};

// One picture per world identifier of the game's table: motocross hills, supercross stadiums and
// freestyle quarries, each in its own colours.
const LoadingScreen kScreens[] = {
    {"mx_forest.bmp", Scene::Outdoor, kGrass, kGrassLight, false},
    {"mx_mud.bmp", Scene::Outdoor, kDirt, kDirtLight, false},
    {"mx_ice.bmp", Scene::Outdoor, kRock, kSnow, false},
    {"mx_desert.bmp", Scene::Outdoor, kSand, Hex(0xe4cc98), false},
    {"mx_volcano.bmp", Scene::Outdoor, kRockDark, Hex(0xd8342b), true},
    {"mx_quarry.bmp", Scene::Outdoor, kRock, kSand, false},
    {"mx_mount.bmp", Scene::Outdoor, kGrass, kRock, false},
    {"mx_fantasy.bmp", Scene::Outdoor, Hex(0x2f9e44), kGrassLight, true},
    {"mx_hell.bmp", Scene::Outdoor, Hex(0x5a1e1a), Hex(0xd8342b), true},
    {"sx_6.bmp", Scene::Stadium, kDirt, kDirtLight, false},
    {"sx_3.bmp", Scene::Stadium, kDirt, kSand, true},
    {"sx_4.bmp", Scene::Stadium, kDirtLight, kSand, false},
    {"sx_8.bmp", Scene::Stadium, kDirt, kDirtLight, true},
    {"sx_9.bmp", Scene::Stadium, kRockDark, kDirt, false},
    {"sx_10.bmp", Scene::Stadium, kDirt, kRock, true},
    {"sx_1.bmp", Scene::Stadium, kDirtLight, kDirt, false},
    {"fs_flatlands.bmp", Scene::Quarry, kSand, kDirtLight, false},
    {"fs_badlands.bmp", Scene::Quarry, kDirtLight, Hex(0xd8342b), true},
    {"fs_ice.bmp", Scene::Quarry, kRock, kSnow, false},
    {"fs_oasis.bmp", Scene::Quarry, kSand, Hex(0x2f9e44), false},
    {"fs_underworld.bmp", Scene::Quarry, kRockDark, Hex(0x5a1e1a), true},
    {"fs_quake.bmp", Scene::Quarry, kRock, kRockDark, false},
    {"fs_paris.bmp", Scene::Quarry, kRock, kSand, true},
    {"fs_high.bmp", Scene::Quarry, kRock, kSnow, true},
    {"fs_wall.bmp", Scene::Quarry, kRockDark, kRock, false},
    {"fs_babel.bmp", Scene::Quarry, kSand, kRock, true},
    {"generic.bmp", Scene::Outdoor, kGrass, kGrassLight, false},
};

const char* const kSceneTitles[3] = {"MOTOCROSS", "SUPERCROSS", "FREESTYLE"};

// The word the band shows, per language, and the strip folders of languages 1-3.
const char* const kLoadingWords[4] = {"LOADING", "CARGANDO", "CHARGEMENT", "LADEN"};
const char* const kStripFolders[4] = {nullptr, "FrontEnd\\LoadSpanish\\", "FrontEnd\\LoadFrench\\",
                                      "FrontEnd\\LoadGermain\\"};

float Wave(float x, float phase) { return std::sin(x * 0.011f + phase) + 0.45f * std::sin(x * 0.029f + 2 * phase); }

Colour Sky(const LoadingScreen& s, float y, float horizon) {
    return s.dusk ? Mix(kDuskHigh, kDuskLow, y / horizon) : Mix(kSkyHigh, kSkyLow, y / horizon);
}

// The scene behind everything: land, a track or arena floor, and the sky.
Canvas Backdrop(const LoadingScreen& s, float phase) {
    Canvas c(640, 480);
    c.Paint([&](int xi, int yi) {
        const float x = static_cast<float>(xi), y = static_cast<float>(yi);
        switch (s.scene) {
        case Scene::Outdoor: {
            const float far = 230 + 28 * Wave(x, phase);
            const float near = 300 + 24 * Wave(x * 0.6f, phase + 1.3f);
            if (y < far) return Sky(s, y, far);
            if (y < near) return Mix(s.groundLight, s.ground, (y - far) / std::max(near - far, 1.0f));
            const float track = 370 + 40 * std::sin(x * 0.008f + phase);
            if (std::fabs(y - track) < 26) return Mix(kDirt, kDirtLight, 0.4f + 0.3f * std::sin(x * 0.23f));
            return Mix(s.ground, s.groundLight, 0.3f + 0.2f * std::sin(x * 0.05f + y * 0.07f));
        }
        case Scene::Stadium: {
            // Stands under a night or dusk sky, floodlights, and a lit floor of whoops.
            if (y < 90) return s.dusk ? Mix(kDuskHigh, kBlack, 0.4f) : Mix(kSkyHigh, kBlack, 0.6f);
            if (y < 250) {
                const bool seatRow = static_cast<int>(y) % 12 < 8;
                const Colour stand = Mix(Hex(0x2a2a34), Hex(0x44444f), (y - 90) / 160);
                return seatRow ? stand : Mix(stand, kOrange, 0.15f + 0.1f * std::sin(x * 0.9f));
            }
            const float whoops = 0.5f + 0.5f * std::sin(x * 0.06f + phase) * std::sin(y * 0.2f);
            return Mix(s.ground, s.groundLight, 0.2f + 0.5f * whoops);
        }
        case Scene::Quarry: {
            // Terraced walls around a bowl with a kicker ramp in the middle.
            const float rim = 150 + 20 * Wave(x, phase);
            if (y < rim) return Sky(s, y, rim);
            const float terrace = std::fmod(y - rim, 34.0f) / 34.0f;
            if (y < 300) return Mix(s.ground, kRockDark, 0.15f + 0.35f * terrace);
            const float ramp = 330 + std::fabs(x - 320) * 0.35f;
            if (y < ramp && std::fabs(x - 320) < 120) return Mix(kDirtLight, kSand, (ramp - y) / 60);
            return Mix(s.groundLight, s.ground, 0.3f + 0.3f * std::sin(x * 0.04f));
        }
        }
        return kBlack;
    });
    return c;
}

void CentredText(Canvas& c, const char* text, float y, float size, Colour colour) {
    const float width = static_cast<float>(std::string(text).size()) * size * 0.62f;
    c.Text(kSansBold, size, 320 - width / 2, y, text, colour, 1.0f, true);
}

// The dark band the word "loading" stands in; the strips cover exactly this band.
void LoadingBand(Canvas& c, uint32_t language, int top) {
    c.RoundedRect(-10, static_cast<float>(top), 650, static_cast<float>(top + kStripHeight), 0,
                  [](float v) { return Mix(Hex(0x101014), Hex(0x202028), v); }, 0.7f);
    CentredText(c, kLoadingWords[language], static_cast<float>(top + 6), 26, kWhite);
}

Canvas LoadingPicture(const LoadingScreen& s, float phase) {
    Canvas c = Backdrop(s, phase);
    c.RoundedRect(-10, 8, 650, 14, 3, [](float) { return kOrange; }, 1.0f);
    CentredText(c, "GRAVELON", 28, 44, kYellow);
    CentredText(c, kSceneTitles[static_cast<int>(s.scene)], 84, 22, kWhite);
    LoadingBand(c, 0, kStripTop);
    // The trough the bar fills from its left end.
    c.RoundedRect(kBarLeft - 4, kBarTop - 4, kBarRight + 4, kBarBottom + 4, 6, [](float) { return Hex(0x141414); }, 0.85f);
    return c;
}

Canvas Strip(const LoadingScreen& s, float phase, uint32_t language) {
    const Canvas full = Backdrop(s, phase);
    Canvas c(640, kStripHeight);
    c.Paint([&](int x, int y) { return full.At(x, y + kStripTop); });
    LoadingBand(c, language, 0);
    return c;
}

Canvas LoadingBar() {
    Canvas c(496, 21);
    c.Paint([](int x, int y) {
        // Race orange to yellow along its length, lit along the top edge, with diagonal stripes.
        const Colour base = Mix(kOrange, kYellow, static_cast<float>(x) / 495.0f);
        const float light = y < 4 ? 0.35f : 0.0f;
        const bool stripe = ((x + y) / 8) % 2 == 0;
        return Mix(stripe ? base : Mix(base, kBlack, 0.12f), kWhite, light);
    });
    return c;
}

// Copies what a scratch canvas painted (its opaque part) scaled into a cell, keeping the aspect.
void FitInto(const Canvas& from, Canvas& to, int left, int top, int right, int bottom) {
    int x0 = from.Width(), y0 = from.Height(), x1 = -1, y1 = -1;
    for (int y = 0; y < from.Height(); ++y)
        for (int x = 0; x < from.Width(); ++x)
            if (from.AlphaAt(x, y) > 0.02f) x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    if (x1 < x0) return;
    const float sw = static_cast<float>(x1 - x0 + 1), sh = static_cast<float>(y1 - y0 + 1);
    const float scale = std::min(static_cast<float>(right - left) / sw, static_cast<float>(bottom - top) / sh);
    const float ox = static_cast<float>(left) + (static_cast<float>(right - left) - sw * scale) / 2;
    const float oy = static_cast<float>(top) + (static_cast<float>(bottom - top) - sh * scale) / 2;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const int sx = x0 + static_cast<int>((static_cast<float>(x) + 0.5f - ox) / scale);
            const int sy = y0 + static_cast<int>((static_cast<float>(y) + 0.5f - oy) / scale);
            if (sx < x0 || sx > x1 || sy < y0 || sy > y1) continue;
            to.Blend(x, y, from.At(sx, sy), from.AlphaAt(sx, sy));
        }
}

struct CountdownCell {
    const char* text;
    int left, top, right, bottom;  // texels, as the game cuts them out
};
const CountdownCell kCells[4] = {
    {"3", 15, 4, 85, 115}, {"2", 91, 5, 160, 114}, {"1", 172, 3, 231, 114}, {"GO", 22, 121, 229, 250}};

Canvas Countdown() {
    Canvas c(256, 256);
    for (const CountdownCell& cell : kCells) {
        Canvas scratch(400, 260);
        scratch.Text(kSansBold, 200, 10, 10, cell.text, kYellow, 1.0f, true);
        // Two texels of margin so that filtering never reaches the neighbouring cell.
        FitInto(scratch, c, cell.left + 2, cell.top + 2, cell.right - 2, cell.bottom - 2);
    }
    return c;
}

}  // namespace

bool AddRaceScreens(PackContent& pack, std::string* error) {
    float phase = 0.4f;
    for (const LoadingScreen& s : kScreens) {
        phase += 0.9f;
        const std::string file = s.file;
        if (!pack.Add("FrontEnd\\Loading\\" + file, LoadingPicture(s, phase).ColourBmp(), error, false)) return false;
        for (uint32_t language = 1; language <= 3; ++language)
            if (!pack.Add(kStripFolders[language] + file, Strip(s, phase, language).ColourBmp(), error, false)) return false;
    }
    const Canvas numbers = Countdown();
    return pack.Add("FrontEnd\\Loading bar.bmp", LoadingBar().ColourBmp(), error, false) &&
           pack.Add("numbers\\321go.bmp", numbers.ColourBmp(), error, false) &&
           pack.Add("numbers\\321go-a.bmp", numbers.AlphaBmp(), error, false);
}

}  // namespace tools
