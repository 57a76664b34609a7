#pragma once
// The centre line of a course: a closed Catmull-Rom curve through a world's control points, sampled
// every few units and measured along its length, so that gates, ground shaping and texture painting
// all follow the same line.
#include <cstddef>
#include <vector>

namespace tools::worlds {

struct Point2 {
    float x = 0, y = 0;
};

struct CourseSample {
    float x, y;    // on the line
    float hx, hy;  // unit heading along the riding direction
    float s;       // distance from the first control point
};

class CourseLine {
public:
    // The riding direction is the order of the control points. At least three points.
    explicit CourseLine(const std::vector<Point2>& controls, float step = 5.0f);

    float Length() const { return length_; }
    const std::vector<CourseSample>& Samples() const { return samples_; }
    // The sample nearest to distance s along the line (s wraps round the loop).
    const CourseSample& At(float s) const;

private:
    std::vector<CourseSample> samples_;
    float length_ = 0;
};

}  // namespace tools::worlds
