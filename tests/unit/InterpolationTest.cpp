#include "TimelineBytes.h"

#include "timeline/Interpolation.h"
#include "timeline/Track.h"

#include <gtest/gtest.h>

using namespace cinefold;
using namespace cinefold::test;

// Products wrap at 32 bits as the saver's do; the random tracks compared with the reference hold
// no centres this large. Every field of the record moves by the same rule.
TEST(LinearInterpolation, MovesInHundredthsOverTheFramesFromAToBCountingBoth) {
    struct {
        std::int32_t aFrame, a, bFrame, b, frame, expected;
    } const cases[] = {{0, 30000000, 2, -30000000, 1, -18633115}, {100, 0, 2147483647, 5, 200, 0}};
    for (const auto& c : cases) {
        Track track;
        track.insert(key(c.aFrame, 1, c.a, c.a, c.a, c.a));
        track.insert(key(c.bFrame, 0, c.b, c.b, c.b, c.b));
        const KeyRecord r = track.evaluate(c.frame);
        EXPECT_EQ(std::vector<std::int32_t>({r.centerX, r.centerY, r.width, r.height}),
                  std::vector<std::int32_t>(4, c.expected))
            << "frame " << c.frame;
    }
}

TEST(CurveInterpolation, EachNumeratorProductIsRoundedOnceFromItsExactValue) {
    // For the third point the numerator is (x - x0)(x - 3). The first factor rounds to
    // 0x1.9dc19ap-4; its exact product with x - 3 needs more bits than double has, and rounded
    // to double first it would sit on a tie between two floats and round away from the exact
    // value, moving the centre by 3. The random comparisons do not meet such a tie.
    const float xs[3] = {-0x1.81431ap-4f, 3, 5};
    const CentrePoint points[3] = {{0, 0}, {0, 0}, {1000000000, 0}};
    EXPECT_EQ(lagrangeCentre(points, xs, 3, 0x1.c7e7f6p-8f).x, -29675891);
}

TEST(CurveInterpolation, HugeCentresGiveTheConversionsOutOfRangeValue) {
    const CentrePoint points[3] = {
        {2147483647, 2147483647}, {-2147483647, 2147483647}, {2147483647, 0}};
    const float xs[3] = {0, 1, 2};
    CentrePoint c = lagrangeCentre(points, xs, 3, 2.5f);
    EXPECT_EQ(c.x, std::int32_t(-2147483647 - 1));
}
