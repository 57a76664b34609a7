#include "tools/contentgen/worlds/WorldPreview.h"

#include <algorithm>
#include <cmath>

#include "tools/contentgen/worlds/WorldScenery.h"

namespace tools::worlds {

namespace {

Rgb MeanColour(GroundLook look) {
    const qv::Dib t = GroundTexture(look, 1);
    uint64_t sum[3] = {0, 0, 0};
    for (size_t i = 0; i < t.pixels.size(); ++i) sum[i % 3] += t.pixels[i];
    const uint64_t n = t.pixels.size() / 3;
    return {static_cast<uint8_t>(sum[2] / n), static_cast<uint8_t>(sum[1] / n), static_cast<uint8_t>(sum[0] / n)};
}

}  // namespace

qv::Dib PreviewPicture(const WorldRecipe& recipe, const ShapedGround& ground) {
    constexpr int kSide = 256;
    // World units across the picture, round the middle (500, 500): the course and a margin.
    const float span = recipe.loop ? 2 * std::max(LoopReach(*recipe.loop, true), LoopReach(*recipe.loop, false)) + 600 : 2800.0f;
    const Rgb land = MeanColour(recipe.land), track = MeanColour(recipe.track);
    qv::Dib dib;
    dib.header.width = dib.header.height = kSide;
    dib.header.bitCount = 24;
    dib.header.sizeImage = kSide * kSide * 3;
    dib.pixels.resize(dib.header.sizeImage);
    for (int y = 0; y < kSide; ++y) {  // bottom row first: north is up
        for (int x = 0; x < kSide; ++x) {
            const float wx = 500 + (static_cast<float>(x) / kSide - 0.5f) * span;
            const float wy = 500 + (static_cast<float>(y) / kSide - 0.5f) * span;
            const uint32_t c = static_cast<uint32_t>(std::clamp(std::lround((wx - kGroundMin) / kKnotStep), 0L, static_cast<long>(kKnots - 1)));
            const uint32_t r = static_cast<uint32_t>(std::clamp(std::lround((wy - kGroundMin) / kKnotStep), 0L, static_cast<long>(kKnots - 1)));
            const Rgb base = ground.distance[size_t{r} * kKnots + c] < 30.0f ? track : land;
            const float light = static_cast<float>(GroundLight(ground, c, r)) / 255.0f;
            uint8_t* p = &dib.pixels[(static_cast<size_t>(y) * kSide + static_cast<size_t>(x)) * 3];
            p[0] = static_cast<uint8_t>(std::min(255.0f, base.b * light * 1.15f));
            p[1] = static_cast<uint8_t>(std::min(255.0f, base.g * light * 1.15f));
            p[2] = static_cast<uint8_t>(std::min(255.0f, base.r * light * 1.15f));
        }
    }
    return dib;
}

}  // namespace tools::worlds
