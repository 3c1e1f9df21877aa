// The timeline against the plain reference of TimelineReference.h, on random tracks and groups.
// The same comparisons run in the native build and, under Wine, in both Windows builds, so all
// three are held to the same floating-point results.

#include "TimelineReference.h"
#include "TimelineBytes.h"

#include "timeline/Interpolation.h"
#include "timeline/TrackSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

using namespace cinefold;
using namespace cinefold::test;

namespace {

// A linear congruential generator of its own, so that every build draws the same cases.
class Draw {
  public:
    explicit Draw(std::uint32_t seed) : state_(seed) {}
    // 0 .. n - 1.
    std::uint32_t below(std::uint32_t n) {
        state_ = state_ * 1664525u + 1013904223u;
        return std::uint32_t((std::uint64_t(state_ >> 4) * n) >> 28);
    }
    std::int32_t between(std::int32_t low, std::int32_t high) {
        return std::int32_t(std::int64_t(low) + below(std::uint32_t(std::int64_t(high) - low + 1)));
    }

  private:
    std::uint32_t state_;
};

// Mismatches, counted, with the first few described.
struct Mismatches {
    int count = 0;
    std::ostringstream text;
    template <class... Parts> void add(const Parts&... parts) {
        if (count++ < 5) (text << ... << parts) << "\n";
    }
};

reference::Key seen(const KeyRecord& r) {
    return {r.image,  r.group, r.centerX,       r.centerY,      r.width,
            r.height, r.flip,  r.interpolation, r.interpolated, r.frame};
}

KeyRecord recordOf(const reference::Key& k, std::int32_t prev, std::int32_t next) {
    return {k.image, k.group,         k.centerX,      k.centerY, k.width, k.height,
            k.flip,  k.interpolation, k.interpolated, k.frame,   prev,    next};
}

std::string shown(const reference::Key& k) {
    std::ostringstream s;
    s << "centre (" << k.centerX << ", " << k.centerY << ") size " << k.width << " x " << k.height;
    return s.str();
}

// One round: three layers of random keys (mostly curve keys, some linear, none and unknown
// types, groups on a third of them, frames often met twice) and three random groups, every frame
// from just before the first key to just after the last compared: records, run starts, cel images
// and cel sizes.
void compareRound(Draw& draw, Mismatches& mismatches) {
    TrackSet set;
    std::vector<reference::Keys> keys(4);
    ByteVector schedule;
    for (int layer = 1; layer <= 3; ++layer) {
        std::vector<KeyRecord> scheduled;
        int count = int(draw.below(12));
        std::uint32_t spread = 1 + draw.below(40);
        for (int k = 0; k < count; ++k) {
            reference::Key r;
            r.image = draw.between(0, 100);
            r.group = draw.below(3) ? 0 : draw.between(1, 3);
            r.centerX = draw.between(-700, 1299);
            r.centerY = draw.between(-500, 999);
            r.width = draw.below(4) ? draw.between(0, 1199) : draw.between(-1500, 1499);
            r.height = draw.between(0, 1199);
            r.flip = draw.between(0, 3);
            r.interpolation = draw.below(9) < 4 ? 2 : draw.between(0, 3);
            r.interpolated = draw.between(0, 1);
            r.frame = std::int32_t(draw.below(spread * 12));
            // The first keys one at a time, the rest from a schedule merged into them at once.
            const KeyRecord record = recordOf(r, draw.between(0, 8), draw.between(-3, 3));
            if (k < count / 3) {
                set.insertLayerKey(layer, record);
            } else {
                scheduled.push_back(record);
            }
            reference::insert(keys[std::size_t(layer)], r);
        }
        putSection(schedule, std::int16_t(layer), scheduled);
    }
    set.loadSchedule(std::int32_t(schedule.size()), schedule);
    std::vector<std::vector<CelEntry>> groups(3);
    for (std::vector<CelEntry>& cels : groups) {
        std::int32_t start = 0;
        for (std::uint32_t e = draw.below(5); e > 0; --e) {
            cels.push_back(
                {draw.between(1, 100), start, draw.between(0, 299), draw.between(0, 299)});
            start += draw.between(0, 2);
        }
    }
    set.loadGroups(groupsPayload(groups));

    for (int layer = 1; layer <= 3; ++layer) {
        const reference::Keys& track = keys[std::size_t(layer)];
        std::int32_t last = track.empty() ? 0 : track.back().frame;
        for (std::int32_t f = -2; f <= last + 2; ++f) {
            reference::Key got = seen(set.evaluateLayer(layer, f));
            reference::Key expected = reference::evaluate(track, f);
            if (!(got == expected)) {
                mismatches.add("layer ", layer, " at frame ", f, ": ", shown(got), ", reference ",
                               shown(expected));
                continue;
            }
            if (expected.group == 0) continue;
            std::int32_t start = reference::runStart(track, f);
            if (set.runStart(layer, f) != start)
                mismatches.add("run start of layer ", layer, " at frame ", f, ": ",
                               set.runStart(layer, f), ", reference ", start);
            const std::vector<CelEntry>& cels = groups[std::size_t(expected.group - 1)];
            std::vector<reference::Cel> plain;
            for (const CelEntry& c : cels)
                plain.push_back({c.image, c.start, c.width, c.height});
            int index = reference::celIndex(plain, track, f);
            CelEntry cel = index < 0 ? CelEntry{} : cels[std::size_t(index)];
            if (set.celImage(expected.group, layer, f) != cel.image)
                mismatches.add("cel image of layer ", layer, " at frame ", f, ": ",
                               set.celImage(expected.group, layer, f), ", reference ", cel.image);
            if (set.celSize(expected.group, layer, f) != (CelSize{cel.width, cel.height}))
                mismatches.add("cel width of layer ", layer, " at frame ", f, ": ",
                               set.celSize(expected.group, layer, f).width, ", reference ",
                               cel.width);
        }
    }
}

} // namespace

TEST(TimelineReference, RandomTracksGiveTheSameRecordsRunStartsAndCelsAtEveryFrame) {
    for (std::uint32_t seed : {20260101u, 7u}) {
        Draw draw(seed);
        Mismatches mismatches;
        for (int round = 0; round < 200; ++round)
            compareRound(draw, mismatches);
        EXPECT_EQ(mismatches.count, 0) << "seed " << seed << ":\n" << mismatches.text.str();
    }
}

// Keys up to two billion frames apart give parameters down to 2^-31, where the products of the
// curve's numerators need more bits than double has to be exact.
TEST(TimelineReference, CurvesBetweenKeysFarApartGiveTheSameCentres) {
    Draw draw(4242);
    Mismatches mismatches;
    for (int round = 0; round < 3000; ++round) {
        Track track;
        reference::Keys plain;
        int count = 2 + int(draw.below(6));
        for (int k = 0; k < count; ++k) {
            reference::Key r;
            r.centerX = draw.between(-100000, 100000);
            r.centerY = draw.between(-100000, 100000);
            r.width = draw.between(0, 2000);
            r.interpolation = draw.below(6) ? 2 : draw.between(0, 1);
            r.frame = draw.below(3) ? draw.between(0, 2147483646) : draw.between(0, 5000);
            track.insert(recordOf(r, 0, 0));
            reference::insert(plain, r);
        }
        for (auto it = plain.begin(); std::next(it) != plain.end(); ++it) {
            std::int32_t a = it->frame, b = std::next(it)->frame;
            if (b - a < 2) continue;
            for (std::int32_t f : {a + 1, a + 2, b - 1, a + draw.between(1, b - a - 1)}) {
                reference::Key got = seen(track.evaluate(f));
                reference::Key expected = reference::evaluate(plain, f);
                if (!(got == expected))
                    mismatches.add("frame ", f, ": ", shown(got), ", reference ", shown(expected));
            }
        }
    }
    EXPECT_EQ(mismatches.count, 0) << mismatches.text.str();
}

// The polynomial alone, at evaluation points of every scale the tracks produce: m + u for m in
// 0..3 and u down to 2^-31, through 2 to 7 points.
TEST(TimelineReference, LagrangeCentreAgreesAtEvaluationPointsOfEveryScale) {
    Draw draw(99);
    Mismatches mismatches;
    for (int round = 0; round < 200000; ++round) {
        int count = 2 + int(draw.below(6));
        std::vector<reference::Point> points;
        CentrePoint ours[7];
        float abscissae[7];
        std::int32_t range = draw.below(4) ? 2000 : 100000000;
        for (int i = 0; i < count; ++i) {
            points.push_back({draw.between(-range, range), draw.between(-range, range)});
            ours[i] = {points.back().x, points.back().y};
            abscissae[i] = float(i);
        }
        int m = int(draw.below(std::uint32_t(std::min(count - 1, 4))));
        float mantissa = float(draw.between(1 << 23, (1 << 24) - 1));
        float u = std::ldexp(mantissa, -24 - int(draw.below(31)));
        float x = float(m) + u;
        reference::Point expected = reference::lagrange(points, x);
        CentrePoint got = lagrangeCentre(ours, abscissae, count, x);
        if (got.x != expected.x || got.y != expected.y)
            mismatches.add(count, " points at x = ", std::hexfloat, x, std::defaultfloat, ": (",
                           got.x, ", ", got.y, "), reference (", expected.x, ", ", expected.y, ")");
    }
    EXPECT_EQ(mismatches.count, 0) << mismatches.text.str();
}
