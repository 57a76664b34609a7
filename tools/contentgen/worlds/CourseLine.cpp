#include "tools/contentgen/worlds/CourseLine.h"

#include <cmath>

namespace tools::worlds {

namespace {

Point2 CatmullRom(const Point2& a, const Point2& b, const Point2& c, const Point2& d, float t) {
    const float t2 = t * t, t3 = t2 * t;
    auto axis = [&](float p0, float p1, float p2, float p3) {
        return 0.5f * (2 * p1 + (-p0 + p2) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t2 + (-p0 + 3 * p1 - 3 * p2 + p3) * t3);
    };
    return {axis(a.x, b.x, c.x, d.x), axis(a.y, b.y, c.y, d.y)};
}

}  // namespace

CourseLine::CourseLine(const std::vector<Point2>& controls, float step) {
    // A dense polyline first, then resampled at even steps so that every sample stands for the same
    // length of course.
    const size_t n = controls.size();
    std::vector<Point2> dense;
    constexpr int kPerSpan = 64;
    for (size_t i = 0; i < n; ++i) {
        const Point2& a = controls[(i + n - 1) % n];
        const Point2& b = controls[i];
        const Point2& c = controls[(i + 1) % n];
        const Point2& d = controls[(i + 2) % n];
        for (int k = 0; k < kPerSpan; ++k) dense.push_back(CatmullRom(a, b, c, d, static_cast<float>(k) / kPerSpan));
    }
    std::vector<float> along(dense.size() + 1, 0.0f);
    for (size_t i = 0; i < dense.size(); ++i) {
        const Point2& p = dense[i];
        const Point2& q = dense[(i + 1) % dense.size()];
        along[i + 1] = along[i] + std::hypot(q.x - p.x, q.y - p.y);
    }
    length_ = along.back();
    const size_t count = static_cast<size_t>(std::max(3.0f, std::round(length_ / step)));
    size_t segment = 0;
    for (size_t k = 0; k < count; ++k) {
        const float s = length_ * static_cast<float>(k) / static_cast<float>(count);
        while (segment + 1 < dense.size() && along[segment + 1] < s) ++segment;
        const Point2& p = dense[segment];
        const Point2& q = dense[(segment + 1) % dense.size()];
        const float span = along[segment + 1] - along[segment];
        const float t = span > 0 ? (s - along[segment]) / span : 0.0f;
        const float dx = q.x - p.x, dy = q.y - p.y;
        const float len = std::hypot(dx, dy);
        samples_.push_back({p.x + dx * t, p.y + dy * t, len > 0 ? dx / len : 1.0f, len > 0 ? dy / len : 0.0f, s});
    }
}

const CourseSample& CourseLine::At(float s) const {
    float wrapped = std::fmod(s, length_);
    if (wrapped < 0) wrapped += length_;
    size_t k = static_cast<size_t>(std::lround(wrapped / length_ * static_cast<float>(samples_.size())));
    return samples_[k % samples_.size()];
}

}  // namespace tools::worlds
