#include "TimelineBytes.h"

#include "timeline/TrackSet.h"

#include <gtest/gtest.h>

#include <map>

using namespace cinefold;
using namespace cinefold::test;

namespace {

std::vector<std::int32_t> framesOf(const Track& track) {
    std::vector<std::int32_t> frames;
    for (const KeyRecord& k : track.keys())
        frames.push_back(k.frame);
    return frames;
}

} // namespace

TEST(Track, KeysAreSortedLinkedBothWaysReplacedInPlaceAndRefusedOnNegativeFrames) {
    Track track;
    for (std::int32_t frame : {30, 10, 20})
        EXPECT_EQ(track.insert(key(frame, 0, 1)), 1);
    KeyRecord replacement = key(20, 1, 99, 98, 97, 96, 5);
    replacement.prev = 1234; // a stored key's own links mean nothing
    replacement.next = -5;
    track.insert(replacement);
    EXPECT_EQ(framesOf(track), (std::vector<std::int32_t>{10, 20, 30}));
    std::vector<std::int32_t> links; // positions counted from 1, 0 at either end
    for (const KeyRecord& k : track.keys())
        links.insert(links.end(), {k.prev, k.next});
    EXPECT_EQ(links, (std::vector<std::int32_t>{0, 2, 1, 3, 2, 0}));
    EXPECT_EQ(track.keys()[1].centerX, 99);
    EXPECT_EQ(track.keys()[1].image, 5);
    EXPECT_EQ(track.insert(key(-1, 1)), 0);
    const std::vector<KeyRecord> keys = {key(-10, 1), key(4, 1), key(-2147483647 - 1, 2)};
    track.insertAll(keys);
    EXPECT_EQ(framesOf(track), (std::vector<std::int32_t>{4, 10, 20, 30}));
}

// A schedule payload, the decoded size it is loaded with (its own length unless given), and
// the frames of the keys that each track then holds (layer 0 is the background); every track
// not listed stays empty.
struct ScheduleCase {
    const char* name;
    ByteVector schedule;
    std::map<int, std::vector<std::int32_t>> frames;
    std::int64_t decodedSize = -1;
};

ByteVector sections(std::initializer_list<std::pair<int, std::vector<KeyRecord>>> list,
                    std::int64_t firstLength = -1) {
    ByteVector v;
    for (const auto& [layer, keys] : list) {
        putSection(v, std::int16_t(layer), keys, firstLength);
        firstLength = -1;
    }
    return v;
}

TEST(TrackSet, ScheduleSectionsFillTheirTracks) {
    ByteVector pastTheEnd = sections({{1, {key(1, 0), key(2, 0)}}}, 48 * 1000);
    pastTheEnd.resize(pastTheEnd.size() + 20, 0xAB); // part of a third record
    const ScheduleCase cases[] = {
        {"layers 0 to 50, others dropped",
         sections({{0, {key(0, 1), key(700, 1)}},
                   {51, {key(3, 0)}},
                   {-1, {key(4, 0)}},
                   {3, {key(9, 0)}},
                   {50, {key(12, 0)}}}),
         {{0, {0, 700}}, {3, {9}}, {50, {12}}}},
        {"a zero-length section is six bytes", sections({{2, {}}, {4, {key(8, 0)}}}), {{4, {8}}}},
        // 100 bytes: two records, and the next section starts right after them.
        {"length not a multiple of 48",
         sections({{1, {key(1, 0), key(2, 0)}}, {2, {key(3, 0)}}}, 100),
         {{1, {1, 2}}, {2, {3}}}},
        {"section past the payload keeps its whole records", pastTheEnd, {{1, {1, 2}}}},
        {"later sections add to the same track",
         sections({{5, {key(30, 0), key(10, 0)}}, {5, {key(20, 0), key(30, 0)}}}),
         {{5, {10, 20, 30}}}},
        {"only decodedSize bytes are read",
         sections({{1, {key(1, 0)}}, {2, {key(2, 0)}}}),
         {{1, {1}}},
         54},
        {"a negative decodedSize reads nothing", sections({{1, {key(1, 0)}}}), {}, -5},
        {"a decodedSize past the bytes reads the bytes",
         sections({{1, {key(1, 0)}}}),
         {{1, {1}}},
         1 << 30},
    };
    for (const ScheduleCase& c : cases) {
        TrackSet set;
        std::int64_t size = c.decodedSize == -1 ? std::int64_t(c.schedule.size()) : c.decodedSize;
        set.loadSchedule(std::int32_t(size), c.schedule);
        for (int layer = 0; layer < TrackSet::layerCount; ++layer) {
            auto it = c.frames.find(layer);
            const Track& track = layer == 0 ? set.background() : set.layer(layer);
            EXPECT_EQ(framesOf(track),
                      it == c.frames.end() ? std::vector<std::int32_t>{} : it->second)
                << c.name << ", layer " << layer;
        }
        EXPECT_TRUE(set.layer(0).empty()) << c.name;
    }
}

// Refused keys on frame 99 do not count towards the last frame either.
TEST(TrackSet, LayersOutsideTheSetAreRefusedAndTheLastFrameIsTheLatestKeyOfAnyTrack) {
    TrackSet set;
    EXPECT_EQ(set.lastFrame(), 0);
    EXPECT_EQ(set.insertLayerKey(51, key(99, 0)), 0);
    EXPECT_EQ(set.insertLayerKey(-1, key(99, 0)), 0);
    EXPECT_EQ(set.insertLayerKey(50, key(1, 0)), 1);
    EXPECT_TRUE(set.evaluateLayer(51, 99).isEmpty());
    EXPECT_TRUE(set.evaluateLayer(-1, 99).isEmpty());
    EXPECT_FALSE(set.evaluateLayer(50, 1).isEmpty());
    set.insertBackgroundKey(key(40, 1));
    set.insertLayerKey(6, key(35, 0));
    EXPECT_EQ(set.lastFrame(), 40);
    set.insertLayerKey(0, key(41, 0));
    EXPECT_EQ(set.lastFrame(), 41);
    set.clear();
    EXPECT_EQ(set.lastFrame(), 0);
}
