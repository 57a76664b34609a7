#include "tools/contentgen/worlds/GroundShape.h"

#include <algorithm>
#include <cmath>

namespace tools::worlds {

namespace {

float SmoothStep(float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

}  // namespace

ShapedGround ShapeGround(const CourseLine* course, const GroundRecipe& recipe) {
    ShapedGround out;
    const size_t knots = size_t{kKnots} * kKnots;
    out.distance.assign(knots, kFar);
    std::vector<int32_t> nearest(knots, -1);
    if (course) {
        // The nearest centre-line sample of every knot within reach of the course: each sample
        // stamps the square of knots around it.
        const float reach = recipe.flatHalfWidth + recipe.blend;
        const auto& samples = course->Samples();
        for (size_t k = 0; k < samples.size(); ++k) {
            const CourseSample& p = samples[k];
            const int c0 = std::max(0, static_cast<int>(std::floor((p.x - reach - kGroundMin) / kKnotStep)));
            const int c1 = std::min(static_cast<int>(kKnots) - 1, static_cast<int>(std::ceil((p.x + reach - kGroundMin) / kKnotStep)));
            const int r0 = std::max(0, static_cast<int>(std::floor((p.y - reach - kGroundMin) / kKnotStep)));
            const int r1 = std::min(static_cast<int>(kKnots) - 1, static_cast<int>(std::ceil((p.y + reach - kGroundMin) / kKnotStep)));
            for (int r = r0; r <= r1; ++r) {
                for (int c = c0; c <= c1; ++c) {
                    const size_t i = static_cast<size_t>(r) * kKnots + static_cast<size_t>(c);
                    const float d = std::hypot(KnotX(static_cast<uint32_t>(c)) - p.x, KnotX(static_cast<uint32_t>(r)) - p.y);
                    if (d < out.distance[i]) {
                        out.distance[i] = d;
                        nearest[i] = static_cast<int32_t>(k);
                    }
                }
            }
        }
        // The course's own height: the ground under the centre line averaged over a window, so
        // that it rises and falls with the land without its small bumps, plus the features.
        const size_t n = samples.size();
        std::vector<float> raw(n);
        for (size_t k = 0; k < n; ++k) raw[k] = recipe.ground(samples[k].x, samples[k].y, 0.0f);
        const float step = course->Length() / static_cast<float>(n);
        const int half = std::max(1, static_cast<int>(recipe.smoothing / step / 2));
        out.courseHeight.resize(n);
        for (size_t k = 0; k < n; ++k) {
            float sum = 0;
            for (int j = -half; j <= half; ++j) sum += raw[(k + n + static_cast<size_t>(j + static_cast<int>(n))) % n];
            out.courseHeight[k] = sum / static_cast<float>(2 * half + 1) + (recipe.features ? recipe.features(samples[k].s) : 0.0f);
        }
    }
    out.heights.resize(knots);
    for (uint32_t r = 0; r < kKnots; ++r) {
        for (uint32_t c = 0; c < kKnots; ++c) {
            const size_t i = size_t{r} * kKnots + c;
            const float d = out.distance[i];
            const float land = recipe.ground(KnotX(c), KnotX(r), d);
            if (nearest[i] < 0) {
                out.heights[i] = land;
                continue;
            }
            const float t = SmoothStep((d - recipe.flatHalfWidth) / recipe.blend);
            out.heights[i] = out.courseHeight[static_cast<size_t>(nearest[i])] * (1 - t) + land * t;
        }
    }
    return out;
}

float HeightAtKnot(const ShapedGround& ground, float x, float y) {
    const uint32_t c = static_cast<uint32_t>(std::clamp(std::lround((x - kGroundMin) / kKnotStep), 0L, static_cast<long>(kKnots - 1)));
    const uint32_t r = static_cast<uint32_t>(std::clamp(std::lround((y - kGroundMin) / kKnotStep), 0L, static_cast<long>(kKnots - 1)));
    return ground.heights[size_t{r} * kKnots + c];
}

float DistanceAt(const ShapedGround& ground, float x, float y) {
    const long c = std::lround((x - kGroundMin) / kKnotStep), r = std::lround((y - kGroundMin) / kKnotStep);
    if (c < 0 || r < 0 || c >= static_cast<long>(kKnots) || r >= static_cast<long>(kKnots)) return kFar;
    return ground.distance[static_cast<size_t>(r) * kKnots + static_cast<size_t>(c)];
}

}  // namespace tools::worlds
