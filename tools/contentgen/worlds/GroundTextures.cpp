#include "tools/contentgen/worlds/GroundTextures.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tools::worlds {

namespace {

constexpr int kSide = 256;

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return h ^ (h >> 15);
}

// Value noise with cellsU x cellsV lattice cells over the picture, wrapping at its edges.
float PeriodicNoise(float u, float v, int cellsU, int cellsV, uint32_t seed) {
    const float x = u * static_cast<float>(cellsU), y = v * static_cast<float>(cellsV);
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    float fx = x - static_cast<float>(x0), fy = y - static_cast<float>(y0);
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    auto at = [&](int i, int j) {
        const uint32_t wi = static_cast<uint32_t>((i % cellsU + cellsU) % cellsU), wj = static_cast<uint32_t>((j % cellsV + cellsV) % cellsV);
        return static_cast<float>(Hash(wi, wj, seed) & 0xFFFF) / 65535.0f;
    };
    const float a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * fx;
    const float b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * fx;
    return a + (b - a) * fy;
}

struct Look {
    Rgb dark, light;
    float ruts;  // strength of the streaks along v
};

Look LookOf(GroundLook look) {
    switch (look) {
    case GroundLook::Grass: return {{0x5f, 0x7f, 0x2f}, {0x86, 0xa8, 0x46}, 0.0f};
    case GroundLook::Dirt: return {{0x7a, 0x52, 0x30}, {0xa0, 0x70, 0x3f}, 0.35f};
    case GroundLook::Sand: return {{0xb8, 0x98, 0x64}, {0xd2, 0xb4, 0x7c}, 0.2f};
    case GroundLook::Rock: return {{0x5e, 0x5a, 0x55}, {0x8a, 0x85, 0x80}, 0.0f};
    case GroundLook::Chalk: return {{0xc8, 0xc6, 0xc0}, {0xe8, 0xe6, 0xe0}, 0.0f};
    }
    return {{0, 0, 0}, {255, 255, 255}, 0};
}

}  // namespace

qv::Dib GroundTexture(GroundLook look, uint32_t seed) {
    const Look l = LookOf(look);
    qv::Dib dib;
    dib.header.width = dib.header.height = kSide;
    dib.header.bitCount = 24;
    dib.header.sizeImage = kSide * kSide * 3;
    dib.pixels.resize(dib.header.sizeImage);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const float u = static_cast<float>(x) / kSide, v = static_cast<float>(y) / kSide;
            // Octaves from 4 to 32 cells across: nothing finer than 8 texels, so no shimmer when the
            // texture is shrunk.
            float n = 0.5f * PeriodicNoise(u, v, 4, 4, seed) + 0.3f * PeriodicNoise(u, v, 8, 8, seed + 1) +
                      0.2f * PeriodicNoise(u, v, 32, 32, seed + 2);
            if (l.ruts > 0) {
                // Ruts: noise stretched along v (32 cells across, 2 along), darkened where it is low.
                const float rut = PeriodicNoise(u, v, 32, 2, seed + 3);
                n -= l.ruts * std::max(0.0f, 0.45f - rut) * 2.0f;
            }
            n = std::clamp(n, 0.0f, 1.0f);
            uint8_t* p = &dib.pixels[(static_cast<size_t>(y) * kSide + static_cast<size_t>(x)) * 3];
            p[0] = static_cast<uint8_t>(l.dark.b + (l.light.b - l.dark.b) * n);
            p[1] = static_cast<uint8_t>(l.dark.g + (l.light.g - l.dark.g) * n);
            p[2] = static_cast<uint8_t>(l.dark.r + (l.light.r - l.dark.r) * n);
        }
    }
    return dib;
}

}  // namespace tools::worlds
