#include "tools/contentgen/worldfx/WorldFxPictures.h"

#include <algorithm>
#include <cmath>

namespace tools {

namespace {

constexpr float kPi = 3.14159265f;

// Value noise on a torus of period cells, smooth, 0..1: tileable pictures.
float Hash(int x, int y, int seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 static_cast<uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<float>((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

float Noise(float x, float y, int period, int seed) {
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const float fx = x - static_cast<float>(x0), fy = y - static_cast<float>(y0);
    auto at = [&](int i, int j) { return Hash(((i % period) + period) % period, ((j % period) + period) % period, seed); };
    const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const float a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    const float b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return a + (b - a) * sy;
}

// Octaves of noise over a picture of size pixels, tileable.
float Fractal(float x, float y, int size, int baseCells, int octaves, int seed) {
    float sum = 0, weight = 0, amp = 1;
    int cells = baseCells;
    for (int o = 0; o < octaves; ++o) {
        const float scale = static_cast<float>(cells) / static_cast<float>(size);
        sum += amp * Noise(x * scale, y * scale, cells, seed + o);
        weight += amp;
        amp *= 0.5f;
        cells *= 2;
    }
    return sum / weight;
}

PicturePair Out(const Canvas& c) { return {c.ColourBmp(), c.AlphaBmp()}; }

// Sets colour and alpha of every pixel (a fresh transparent canvas takes them as they are).
void Fill(Canvas& c, const std::function<std::pair<Colour, float>(int, int)>& f) {
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x) {
            const auto [colour, alpha] = f(x, y);
            c.Blend(x, y, colour, 1.0f, std::clamp(alpha, 0.0f, 1.0f));
        }
}

struct ParticleStyle {
    Colour light, dark;
    float grain;    // how lumpy the puff is
    float spread;   // how far it grows over its frames
    int seed;
};

ParticleStyle Style(ParticleLook look) {
    switch (look) {
    case ParticleLook::Grass: return {Hex(0x86a846), Hex(0x5f7f2f), 0.8f, 0.6f, 11};
    case ParticleLook::Mud: return {Hex(0xa0703f), Hex(0x7a5230), 0.7f, 0.5f, 12};
    case ParticleLook::Snow: return {Hex(0xffffff), Hex(0xe8e6e0), 0.5f, 0.8f, 13};
    case ParticleLook::Water: return {Hex(0xeef6ff), Hex(0xa8c8e8), 0.6f, 0.9f, 14};
    case ParticleLook::Sand: return {Hex(0xe6cc96), Hex(0xd2b47c), 0.5f, 0.8f, 15};
    case ParticleLook::Exhaust: return {Hex(0xd8dce0), Hex(0x8a8f96), 0.35f, 1.0f, 16};
    case ParticleLook::Dust: default: return {Hex(0xfaf6f0), Hex(0xd8d0c4), 0.45f, 1.0f, 17};
    }
}

}  // namespace

PicturePair LensFlarePicture() {
    // A white glare: a bright core, a soft halo and a thin ring, tinted by the sun's colour in the game.
    constexpr int kSize = 128;
    Canvas c(kSize, kSize);
    Fill(c, [](int x, int y) {
        const float dx = (static_cast<float>(x) + 0.5f) / kSize * 2 - 1, dy = (static_cast<float>(y) + 0.5f) / kSize * 2 - 1;
        const float r = std::sqrt(dx * dx + dy * dy);
        const float core = std::exp(-r * r * 18.0f);
        const float halo = std::max(0.0f, 1.0f - r) * 0.35f;
        const float fromRing = (r - 0.8f) * 14.0f;
        const float ring = std::exp(-fromRing * fromRing) * 0.45f;
        const float a = std::min(1.0f, core + halo * halo * 2.0f + ring) * (r < 1.0f ? 1.0f : 0.0f);
        return std::make_pair(Mix(Hex(0xffffff), Hex(0xfff0c8), std::min(1.0f, r)), a);
    });
    return Out(c);
}

PicturePair ParticleAtlas(ParticleLook look) {
    // 8 x 8 cells of 16 pixels: cell k shows the puff at frame k, growing and fading.
    constexpr int kCell = 16, kCells = 8, kSize = kCell * kCells;
    const ParticleStyle s = Style(look);
    Canvas c(kSize, kSize);
    Fill(c, [&](int x, int y) {
        const int frame = (y / kCell) * kCells + x / kCell;
        const float age = std::min(1.0f, static_cast<float>(frame) / 22.0f);
        const float cx = (static_cast<float>(x % kCell) + 0.5f) / kCell * 2 - 1;
        const float cy = (static_cast<float>(y % kCell) + 0.5f) / kCell * 2 - 1;
        const float radius = 0.45f + 0.5f * s.spread * age;
        const float lump = Fractal(static_cast<float>(x), static_cast<float>(y), kSize, 16, 2, s.seed);
        const float r = std::sqrt(cx * cx + cy * cy) / radius + (lump - 0.5f) * s.grain;
        const float body = std::clamp(1.0f - r, 0.0f, 1.0f);
        const float a = std::min(1.0f, body * 2.0f) * (1.0f - age * 0.85f);
        return std::make_pair(Mix(s.dark, s.light, std::clamp(body + lump * 0.3f, 0.0f, 1.0f)), a);
    });
    return Out(c);
}

PicturePair SkyHorizonPicture(bool dusk) {
    constexpr int kSize = 256;
    const Colour nearHill = dusk ? Hex(0x3c2f55) : Hex(0x5f7f2f), farHill = dusk ? Hex(0x5b4a8a) : Hex(0x8aa0a8);
    Canvas c(kSize, kSize);
    // Each half is 128 rows: the hills' height over 512 columns, the far range paler behind the near.
    auto ridge = [](float column, int seed, float base, float rise) {
        return base + rise * Fractal(column, 0.0f, 512, 6, 3, seed);
    };
    Fill(c, [&](int x, int y) {
        const float column = static_cast<float>(x + (y >= 128 ? 256 : 0));
        const float row = static_cast<float>(y % 128);  // 0 top of the half, 127 its foot
        const float fromFoot = 127.0f - row;
        const float farTop = ridge(column, 31, 30.0f, 70.0f), nearTop = ridge(column, 47, 10.0f, 45.0f);
        if (fromFoot < nearTop) {
            const float shade = Fractal(column, row, 512, 32, 2, 5) * 0.25f;
            return std::make_pair(Mix(nearHill, Hex(0x000000), shade), 1.0f);
        }
        if (fromFoot < farTop) return std::make_pair(Mix(farHill, Hex(0xcfe3f0), 0.25f), 1.0f);
        return std::make_pair(Hex(0xcfe3f0), 0.0f);
    });
    return Out(c);
}

PicturePair SkyLayerPicture(bool dusk) {
    constexpr int kSize = 256;
    const Colour horizon = dusk ? Hex(0xf3b06b) : Hex(0xcfe3f0), zenith = dusk ? Hex(0x5b4a8a) : Hex(0x3a6ea5);
    Canvas c(kSize, kSize);
    Fill(c, [&](int x, int y) {
        const float t = static_cast<float>(y) / (kSize - 1);  // 0 zenith, 1 horizon
        const Colour sky = Mix(zenith, horizon, std::pow(t, 1.6f));
        const float cloud = std::clamp((Fractal(static_cast<float>(x), static_cast<float>(y), kSize, 4, 4, 71) - 0.55f) * 3.0f,
                                       0.0f, 1.0f) * (0.3f + 0.7f * t);
        return std::make_pair(Mix(sky, dusk ? Hex(0xffd8b0) : Hex(0xffffff), cloud * 0.8f), 1.0f);
    });
    return Out(c);
}

bool AddWorldEffectPictures(PackContent& pack, std::string* error) {
    const PicturePair flare = LensFlarePicture();
    if (!pack.Add("TEXTURES\\LENZ.BMP", flare.colour, error, false) ||
        !pack.Add("TEXTURES\\LENZ-A.BMP", flare.alpha, error, false))
        return false;
    const struct {
        ParticleLook look;
        const char* name;
        const char* alpha;
    } atlases[] = {
        {ParticleLook::Grass, "grass.bmp", "grass-alpha.bmp"}, {ParticleLook::Mud, "mud.bmp", "mud-alpha.bmp"},
        {ParticleLook::Snow, "snow.bmp", "snow-alpha.bmp"},    {ParticleLook::Water, "water.bmp", "water-alpha.bmp"},
        {ParticleLook::Sand, "sand.bmp", "sand-alpha.bmp"},    {ParticleLook::Exhaust, "exhaust.bmp", "exhaust-a.bmp"},
        {ParticleLook::Dust, "dust.bmp", "dust-a.bmp"},
    };
    for (const auto& a : atlases) {
        const PicturePair p = ParticleAtlas(a.look);
        const std::string folder = "Textures\\Particles\\";
        if (!pack.Add(folder + a.name, p.colour, error, false) || !pack.Add(folder + a.alpha, p.alpha, error, false))
            return false;
    }
    return true;
}

}  // namespace tools
