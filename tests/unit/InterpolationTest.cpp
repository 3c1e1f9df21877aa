#include "TimelineBytes.h"

#include "timeline/Interpolation.h"
#include "timeline/Track.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace cinefold;
using namespace cinefold::test;

namespace cinefold {
inline void PrintTo(const CentrePoint& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ")";
}
} // namespace cinefold

namespace {

Track trackOf(std::initializer_list<KeyRecord> keys) {
    Track track;
    for (const KeyRecord& k : keys)
        track.insert(k);
    return track;
}

} // namespace

struct LinearCase {
    std::int32_t aFrame, a, bFrame, b, frame, expected;
};

class LinearInterpolation : public testing::TestWithParam<LinearCase> {};

TEST_P(LinearInterpolation, MovesInHundredthsOverTheFramesFromAToBCountingBoth) {
    const LinearCase& c = GetParam();
    Track track =
        trackOf({key(c.aFrame, 1, c.a, c.a, c.a, c.a), key(c.bFrame, 0, c.b, c.b, c.b, c.b)});
    KeyRecord r = track.evaluate(c.frame);
    EXPECT_EQ(r.centerX, c.expected);
    EXPECT_EQ(r.centerY, c.expected);
    EXPECT_EQ(r.width, c.expected);
    EXPECT_EQ(r.height, c.expected);
}

INSTANTIATE_TEST_SUITE_P(WorkedCases, LinearInterpolation,
                         // Products wrap at 32 bits as the saver's do; the random tracks
                         // compared with the reference hold no centres this large.
                         testing::Values(LinearCase{0, 30000000, 2, -30000000, 1, -18633115},
                                         LinearCase{100, 0, 2147483647, 5, 200, 0}));

// Each numerator is rounded to single after every factor, but the factors x - j are not rounded
// before they are multiplied. These are cases where rounding the factors as well would move the
// centre by one pixel (to the value in the comment).
struct NumeratorCase {
    std::vector<CentrePoint> points;
    std::int32_t t, d; // x = t / d, rounded to single; no curve key before the first point
    CentrePoint expected;
};

inline void PrintTo(const NumeratorCase& c, std::ostream* os) {
    *os << c.points.size() << " points at " << c.t << "/" << c.d;
}

class CurveNumerator : public testing::TestWithParam<NumeratorCase> {};

TEST_P(CurveNumerator, FactorsAreMultipliedUnroundedAndEachProductRounded) {
    const NumeratorCase& c = GetParam();
    std::vector<float> xs;
    for (std::size_t i = 0; i < c.points.size(); ++i)
        xs.push_back(float(i));
    float x = float(double(c.t) / double(c.d));
    EXPECT_EQ(lagrangeCentre(c.points.data(), xs.data(), int(c.points.size()), x), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    RoundingPoints, CurveNumerator,
    testing::Values(
        NumeratorCase{{{-81, 17}, {-215, 177}, {-59, -332}}, 2, 3, {-202, 198}},     // y 197
        NumeratorCase{{{1128, 28}, {967, 992}, {641, 795}}, 25, 125, {1109, 313}},   // x 1108
        NumeratorCase{{{1022, 633}, {-423, 780}, {-412, 144}}, 40, 60, {-103, 818}}, // y 817
        NumeratorCase{
            {{1014, 526}, {618, 417}, {837, -303}, {721, -331}}, 4, 10, {720, 639}}, // x 721
        NumeratorCase{{{427, 358}, {767, -430}, {720, 118}, {601, -345}, {-46, 902}, {153, -119}},
                      13,
                      39,
                      {712, -761}})); // x 713

TEST(CurveInterpolation, EachNumeratorProductIsRoundedOnceFromItsExactValue) {
    // For the third point the numerator is (x - x0)(x - 3). The first factor rounds to
    // 0x1.9dc19ap-4; its exact product with x - 3 needs more bits than double has, and rounded
    // to double first it would sit on a tie between two floats and round away from the exact
    // value, moving the centre by 3.
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
