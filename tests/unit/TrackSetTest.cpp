#include "TimelineBytes.h"

#include "timeline/TrackSet.h"

#include <gtest/gtest.h>

using namespace cinefold;
using namespace cinefold::test;

namespace {

std::vector<std::int32_t> framesOf(const Track& track) {
    std::vector<std::int32_t> frames;
    for (const KeyRecord& k : track.keys())
        frames.push_back(k.frame);
    return frames;
}

// Follows the links from the last key back to the first, as positions counted from 1.
std::vector<std::int32_t> framesBackwards(const Track& track) {
    std::vector<std::int32_t> frames;
    auto keys = track.keys();
    std::int32_t at = std::int32_t(keys.size());
    for (std::size_t guard = 0; at != 0 && guard <= keys.size(); ++guard) {
        frames.push_back(keys[std::size_t(at - 1)].frame);
        at = keys[std::size_t(at - 1)].prev;
    }
    return frames;
}

TrackSet loaded(const ByteVector& schedule) {
    TrackSet set;
    EXPECT_EQ(set.loadSchedule(std::int32_t(schedule.size()), schedule), 1);
    return set;
}

} // namespace

TEST(Track, InsertsOutOfOrderAreSortedAndLinkedBothWays) {
    Track track;
    for (std::int32_t frame : {30, 10, 20})
        EXPECT_EQ(track.insert(key(frame, 0)), 1);
    EXPECT_EQ(framesOf(track), (std::vector<std::int32_t>{10, 20, 30}));
    EXPECT_EQ(framesBackwards(track), (std::vector<std::int32_t>{30, 20, 10}));
    EXPECT_EQ(track.keys()[0].prev, 0);
    EXPECT_EQ(track.keys()[2].next, 0);
    EXPECT_EQ(track.keys()[0].next, 2);
}

TEST(Track, ASecondKeyOnAFrameReplacesTheFirstInPlace) {
    Track track;
    for (std::int32_t frame : {10, 20, 30})
        track.insert(key(frame, 0, 1));
    track.insert(key(20, 1, 99, 98, 97, 96, 5));
    ASSERT_EQ(track.keys().size(), 3u);
    const KeyRecord& middle = track.keys()[1];
    EXPECT_EQ(middle.centerX, 99);
    EXPECT_EQ(middle.height, 96);
    EXPECT_EQ(middle.image, 5);
    EXPECT_EQ(middle.interpolation, 1);
    EXPECT_EQ(framesBackwards(track), (std::vector<std::int32_t>{30, 20, 10}));
}

TEST(Track, StoredKeysAreNeverInterpolatedAndIgnoreTheirOwnLinks) {
    Track track;
    KeyRecord k = key(7, 1);
    k.interpolated = 1;
    k.prev = 1234;
    k.next = -5;
    track.insert(k);
    EXPECT_EQ(track.keys()[0].interpolated, 0);
    EXPECT_EQ(track.keys()[0].prev, 0);
    EXPECT_EQ(track.keys()[0].next, 0);
}

TEST(Track, KeysOnNegativeFramesAreRefused) {
    Track track;
    EXPECT_EQ(track.insert(key(-1, 1)), 0);
    EXPECT_TRUE(track.empty());
    const std::vector<KeyRecord> keys = {key(-10, 1), key(4, 1), key(-2147483647 - 1, 2)};
    track.insertAll(keys);
    EXPECT_EQ(framesOf(track), (std::vector<std::int32_t>{4}));
}

TEST(Track, InsertAllMatchesInsertingOneAtATime) {
    std::uint32_t state = 99;
    auto below = [&](std::uint32_t n) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % n;
    };
    for (int round = 0; round < 200; ++round) {
        std::vector<KeyRecord> records;
        for (std::uint32_t i = below(30); i > 0; --i)
            records.push_back(key(std::int32_t(below(40)) - 3, 1, std::int32_t(below(1000))));
        Track one, all;
        all.insert(key(5, 2, 77)); // keys already there come before the new ones
        one.insert(key(5, 2, 77));
        for (const KeyRecord& r : records)
            one.insert(r);
        all.insertAll(records);
        ASSERT_TRUE(
            std::equal(one.keys().begin(), one.keys().end(), all.keys().begin(), all.keys().end()))
            << "round " << round;
    }
}

TEST(TrackSet, SectionsGoToTheirTracksAndUnknownLayersAreDropped) {
    ByteVector schedule;
    putSection(schedule, 0, {key(0, 1, 0, 0, 0, 0, 100), key(700, 1, 0, 0, 0, 0, 100)});
    putSection(schedule, 51, {key(3, 0)});
    putSection(schedule, -1, {key(4, 0)});
    putSection(schedule, 7, {});
    putSection(schedule, 3, {key(9, 0, 11)});
    putSection(schedule, 50, {key(12, 0, 13)});
    TrackSet set = loaded(schedule);
    EXPECT_EQ(framesOf(set.background()), (std::vector<std::int32_t>{0, 700}));
    EXPECT_TRUE(set.layer(0).empty());
    EXPECT_EQ(set.evaluateLayer(3, 9).centerX, 11);
    EXPECT_EQ(set.evaluateLayer(50, 12).centerX, 13);
    for (int layer = 0; layer < TrackSet::layerCount; ++layer) {
        if (layer != 3 && layer != 50) {
            EXPECT_TRUE(set.layer(layer).empty()) << layer;
        }
    }
    EXPECT_EQ(set.lastFrame(), 700);
}

TEST(TrackSet, AZeroLengthSectionIsSixBytes) {
    ByteVector schedule;
    putSection(schedule, 2, {});
    putSection(schedule, 4, {key(8, 0)});
    ASSERT_EQ(schedule.size(), 6u + 6u + 48u);
    TrackSet set = loaded(schedule);
    EXPECT_EQ(framesOf(set.layer(4)), (std::vector<std::int32_t>{8}));
}

TEST(TrackSet, ALengthNotAMultipleOf48CoversItsWholeRecords) {
    ByteVector schedule;
    // 100 bytes: two records, and the next section starts right after them.
    putSection(schedule, 1, {key(1, 0), key(2, 0)}, 100);
    putSection(schedule, 2, {key(3, 0)});
    TrackSet set = loaded(schedule);
    EXPECT_EQ(framesOf(set.layer(1)), (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(framesOf(set.layer(2)), (std::vector<std::int32_t>{3}));
}

TEST(TrackSet, ASectionReachingPastThePayloadLoadsItsWholeRecordsOnly) {
    ByteVector schedule;
    putSection(schedule, 1, {key(1, 0), key(2, 0)}, 48 * 1000);
    schedule.resize(schedule.size() + 20, 0xAB); // part of a third record
    TrackSet set = loaded(schedule);
    EXPECT_EQ(framesOf(set.layer(1)), (std::vector<std::int32_t>{1, 2}));
}

TEST(TrackSet, OnlyDecodedSizeBytesAreRead) {
    ByteVector schedule;
    putSection(schedule, 1, {key(1, 0)});
    putSection(schedule, 2, {key(2, 0)});
    TrackSet set;
    set.loadSchedule(54, schedule);
    EXPECT_EQ(set.layer(1).keys().size(), 1u);
    EXPECT_TRUE(set.layer(2).empty());
    TrackSet none;
    none.loadSchedule(-5, schedule);
    EXPECT_EQ(none.lastFrame(), 0);
    TrackSet shortPayload; // a decoded size beyond the bytes given reads only those
    shortPayload.loadSchedule(1 << 30, Bytes(schedule).first(57));
    EXPECT_EQ(shortPayload.layer(1).keys().size(), 1u);
}

TEST(TrackSet, LaterSectionsAddToTheSameTrack) {
    ByteVector schedule;
    putSection(schedule, 5, {key(30, 0, 1), key(10, 0, 2)});
    putSection(schedule, 5, {key(20, 0, 3), key(30, 0, 4)});
    TrackSet set = loaded(schedule);
    EXPECT_EQ(framesOf(set.layer(5)), (std::vector<std::int32_t>{10, 20, 30}));
    EXPECT_EQ(set.evaluateLayer(5, 30).centerX, 4);
}

TEST(TrackSet, LayersOutsideTheSetAreRefusedAndShowNothing) {
    TrackSet set;
    EXPECT_EQ(set.insertLayerKey(51, key(1, 0)), 0);
    EXPECT_EQ(set.insertLayerKey(-1, key(1, 0)), 0);
    EXPECT_EQ(set.insertLayerKey(50, key(1, 0)), 1);
    EXPECT_EQ(set.insertBackgroundKey(key(2, 0)), 1);
    EXPECT_TRUE(set.evaluateLayer(51, 1).isEmpty());
    EXPECT_TRUE(set.evaluateLayer(-1, 1).isEmpty());
    EXPECT_FALSE(set.evaluateLayer(50, 1).isEmpty());
}

TEST(TrackSet, LastFrameIsTheLatestKeyOfAnyTrackIncludingLayerZero) {
    TrackSet set;
    EXPECT_EQ(set.lastFrame(), 0);
    set.insertBackgroundKey(key(40, 1));
    set.insertLayerKey(6, key(35, 0));
    EXPECT_EQ(set.lastFrame(), 40);
    set.insertLayerKey(0, key(41, 0));
    EXPECT_EQ(set.lastFrame(), 41);
    set.clear();
    EXPECT_EQ(set.lastFrame(), 0);
}
