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

TEST(TrackEvaluation, AKeyShowsOnItsOwnFrameOnly) {
    Track track = trackOf({key(5, 1, 3, 4, 5, 6, 7)});
    KeyRecord at = track.evaluate(5);
    EXPECT_EQ(at, track.keys()[0]);
    EXPECT_EQ(at.interpolated, 0);
    EXPECT_TRUE(track.evaluate(4).isEmpty());
    EXPECT_TRUE(track.evaluate(6).isEmpty());
    EXPECT_TRUE(Track().evaluate(0).isEmpty());
    EXPECT_TRUE(track.evaluate(-2147483647 - 1).isEmpty());
    EXPECT_TRUE(track.evaluate(2147483647).isEmpty());
}

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
                         testing::Values(LinearCase{0, 0, 3, 10, 1, 2},
                                         LinearCase{0, 0, 3, 10, 2, 5},
                                         LinearCase{0, 0, 3, 10, 3, 10},
                                         LinearCase{0, 10, 3, 0, 1, 7}, // q = -250
                                         LinearCase{0, 0, 2, 1, 1, 0},  // q = 33
                                         // Products wrap at 32 bits as the saver's do.
                                         LinearCase{0, 30000000, 2, -30000000, 1, -18633115},
                                         LinearCase{100, 0, 2147483647, 5, 200, 0}));

TEST(LinearInterpolation, CopiesTheEarlierKeyMarkedInterpolatedWithoutANextKey) {
    Track track = trackOf({key(0, 1, 0, 0, 0, 0, 9, 4, 3), key(3, 2, 10, 10, 10, 10, 8, 5, 0)});
    KeyRecord r = track.evaluate(1);
    EXPECT_EQ(r.image, 9);
    EXPECT_EQ(r.group, 4);
    EXPECT_EQ(r.flip, 3);
    EXPECT_EQ(r.interpolation, 1);
    EXPECT_EQ(r.interpolated, 1);
    EXPECT_EQ(r.frame, 1);
    EXPECT_EQ(r.next, 0);
    EXPECT_EQ(r.prev, track.keys()[0].prev);
}

TEST(TrackEvaluation, OnlyTypes1And2ShowBetweenKeys) {
    for (std::int32_t type : {0, 3, -1, 7}) {
        Track track = trackOf({key(0, type, 5, 5, 5, 5), key(4, 1, 9, 9, 9, 9)});
        for (std::int32_t f = 1; f < 4; ++f)
            EXPECT_TRUE(track.evaluate(f).isEmpty()) << "type " << type << " frame " << f;
        EXPECT_EQ(track.evaluate(4).centerX, 9);
    }
}

TEST(CurveInterpolation, TwoPointsMoveStraightInTheParameterNotLikeLinear) {
    Track track = trackOf({key(0, 2, 0), key(3, 0, 10)});
    EXPECT_EQ(track.evaluate(1).centerX, 3);
    Track linear = trackOf({key(0, 1, 0), key(3, 0, 10)});
    EXPECT_EQ(linear.evaluate(1).centerX, 2);
}

TEST(CurveInterpolation, WorkedLayerGivesTheStatedCentresAndSizes) {
    Track track = trackOf({key(0, 2, 702, 208, 1000, 956), key(23, 2, 422, 134, 1000, 954),
                           key(47, 2, 214, 306, 1000, 954), key(72, 0, -56, 200, 1000, 984)});
    KeyRecord at10 = track.evaluate(10);
    EXPECT_EQ(at10.centerX, 562);
    EXPECT_EQ(at10.centerY, 112);
    EXPECT_EQ(at10.width, 1000);
    EXPECT_EQ(at10.height, 955);
    EXPECT_EQ(at10.interpolated, 1);
    KeyRecord at30 = track.evaluate(30);
    EXPECT_EQ(at30.centerX, 359);
    EXPECT_EQ(at30.centerY, 182);
    EXPECT_EQ(at30.height, 954);
}

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

TEST(CurveInterpolation, ATrackGivesTheUnroundedFactorsResult) {
    // The first case above through a track: A and B curve keys, C of type 0 ends the list.
    Track track = trackOf({key(0, 2, -81, 17), key(3, 2, -215, 177), key(6, 0, -59, -332)});
    KeyRecord r = track.evaluate(2);
    EXPECT_EQ(r.centerX, -202);
    EXPECT_EQ(r.centerY, 198);
}

TEST(CurveInterpolation, ConsecutiveFramesShowTheirKeysUnchanged) {
    Track track =
        trackOf({key(255, 2, 1, 2), key(256, 2, 50, 60), key(257, 2, -7, 9), key(258, 2, 1000, 3)});
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(track.evaluate(255 + std::int32_t(i)), track.keys()[i]);
}

TEST(CurveInterpolation, TheCentrePassesThroughEveryKeyOfARun) {
    // Four points through the middle keys: the polynomial meets each key's centre.
    const CentrePoint points[4] = {{10, 20}, {-40, 75}, {300, -12}, {7, 7}};
    const float xs[4] = {0, 1, 2, 3};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(lagrangeCentre(points, xs, 4, float(i)), points[i]) << i;
}

TEST(CurveInterpolation, PointListTakesAtMostThreeCurveKeysBeforeAndStopsAfterANonCurveKey) {
    // Keys 0..9, all curve keys: between 5 and 6 the list is 2,3,4,5,6,7 (C = 7 is a curve key
    // and so is D = 8, so C ends the list); m = 3, X = 3.5.
    std::vector<KeyRecord> keys;
    for (std::int32_t i = 0; i < 10; ++i)
        keys.push_back(key(i * 10, 2, i * i * 7, (i % 3) * 50));
    // The centre that Lagrange interpolation through `count` keys from key 2 on gives at 3.5.
    auto throughKeys = [&](int count) {
        CentrePoint points[7];
        float xs[7];
        for (int i = 0; i < count; ++i) {
            points[i] = {keys[std::size_t(2 + i)].centerX, keys[std::size_t(2 + i)].centerY};
            xs[i] = float(i);
        }
        return lagrangeCentre(points, xs, count, 3.5f);
    };
    KeyRecord r = interpolateCurve(keys, 5, 55);
    EXPECT_EQ((CentrePoint{r.centerX, r.centerY}), throughKeys(6));
    // With key 8 not a curve key, it ends the list: seven points.
    keys[8].interpolation = 0;
    r = interpolateCurve(keys, 5, 55);
    EXPECT_EQ((CentrePoint{r.centerX, r.centerY}), throughKeys(7));
}

TEST(CurveInterpolation, HugeCentresGiveTheConversionsOutOfRangeValue) {
    const CentrePoint points[3] = {
        {2147483647, 2147483647}, {-2147483647, 2147483647}, {2147483647, 0}};
    const float xs[3] = {0, 1, 2};
    CentrePoint c = lagrangeCentre(points, xs, 3, 2.5f);
    EXPECT_EQ(c.x, std::int32_t(-2147483647 - 1));
}
