#include "game/core/maths/Segment2D.h"

#include <gtest/gtest.h>

namespace kes {
namespace {

struct SegmentCase {
    const char* name;
    float x1, y1, x2, y2, x3, y3, x4, y4;
    int result;
    float crossX, crossY;  // when result is kSegmentsCross
};

TEST(IntersectSegments2DTest, CasesOfTwoSegments) {
    const SegmentCase cases[] = {
        {"x crossing", 0, 0, 10, 10, 0, 10, 10, 0, kSegmentsCross, 5, 5},
        {"crossing off the grid", 0, 0, 4, 1, 1, -1, 2, 3, kSegmentsCross, 4.0f * 5 / 15, 1.0f * 5 / 15},
        {"t touching at an end", 0, 0, 10, 0, 10, 0, 10, 10, kSegmentsCross, 10, 0},
        {"end on the middle of the other", 0, 0, 10, 0, 4, 0, 4, 5, kSegmentsCross, 4, 0},
        {"parallel apart on y", 0, 0, 10, 0, 0, 1, 10, 1, kSegmentsDisjoint, 0, 0},
        {"parallel diagonal with overlapping extents", 0, 0, 10, 10, 1, 0, 11, 10, kSegmentsDisjoint, 0,
         0},
        {"collinear overlapping", 0, 0, 10, 0, 5, 0, 15, 0, kSegmentsParallel, 0, 0},
        {"collinear diagonal overlapping", 0, 0, 4, 4, 2, 2, 6, 6, kSegmentsParallel, 0, 0},
        {"collinear apart", 0, 0, 1, 0, 5, 0, 6, 0, kSegmentsDisjoint, 0, 0},
        {"extents apart on x", 0, 0, 1, 1, 2, 0, 3, 1, kSegmentsDisjoint, 0, 0},
        {"extents apart on y", 0, 0, 5, 1, 0, 3, 5, 2, kSegmentsDisjoint, 0, 0},
        {"lines cross beyond one segment", 0, 0, 10, 10, 6, 0, 10, 2, kSegmentsDisjoint, 0, 0},
    };
    for (const SegmentCase& c : cases) {
        float x = -99.0f;
        float y = -99.0f;
        EXPECT_EQ(IntersectSegments2D(c.x1, c.y1, c.x2, c.y2, c.x3, c.y3, c.x4, c.y4, &x, &y), c.result)
            << c.name;
        if (c.result == kSegmentsCross) {
            EXPECT_NEAR(x, c.crossX, 1e-5f) << c.name;
            EXPECT_NEAR(y, c.crossY, 1e-5f) << c.name;
        } else {
            EXPECT_EQ(x, -99.0f) << c.name;
            EXPECT_EQ(y, -99.0f) << c.name;
        }
        // Swapping the segments or the ends of a segment does not change the answer.
        float sx = 0.0f;
        float sy = 0.0f;
        EXPECT_EQ(IntersectSegments2D(c.x3, c.y3, c.x4, c.y4, c.x1, c.y1, c.x2, c.y2, &sx, &sy), c.result)
            << c.name << " (swapped)";
        EXPECT_EQ(IntersectSegments2D(c.x2, c.y2, c.x1, c.y1, c.x4, c.y4, c.x3, c.y3, &sx, &sy), c.result)
            << c.name << " (reversed)";
    }
}

TEST(IntersectSegments2DTest, CrossingPointIsNotShiftedByRounding) {
    // Small real-valued coordinates such as water outlines: the point must be exact, not pushed
    // half a unit away.
    float x = 0.0f;
    float y = 0.0f;
    ASSERT_EQ(IntersectSegments2D(0.0f, 0.0f, 0.2f, 0.2f, 0.0f, 0.2f, 0.2f, 0.0f, &x, &y), kSegmentsCross);
    EXPECT_NEAR(x, 0.1f, 1e-7f);
    EXPECT_NEAR(y, 0.1f, 1e-7f);
}

}  // namespace
}  // namespace kes
