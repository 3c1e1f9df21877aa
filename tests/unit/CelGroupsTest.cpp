#include "TimelineBytes.h"

#include "timeline/TrackSet.h"

#include <gtest/gtest.h>

using namespace cinefold;
using namespace cinefold::test;

namespace {

const std::vector<CelEntry> group1 = {
    {1, 0, 10, 11}, {2, 1, 20, 21}, {3, 2, 30, 31}, {4, 3, 40, 41}};
const std::vector<CelEntry> group5 = {
    {5, 0, 50, 51}, {6, 2, 60, 61}, {7, 4, 70, 71}, {8, 6, 80, 81}};
const std::vector<CelEntry> group7 = {
    {17, 0, 1, 1}, {18, 2, 1, 1}, {19, 4, 1, 1}, {20, 6, 1, 1}, {21, 7, 1, 1}};
const std::vector<CelEntry> lateStart = {{9, 2, 90, 91}, {10, 3, 100, 101}};

// A set whose layer 1 shows `group` from frame 0 on, through one long curve segment, so the
// elapsed frame count is the frame number.
TrackSet showingFromZero(int group, const std::vector<std::vector<CelEntry>>& groups) {
    TrackSet set;
    set.loadGroups(groupsPayload(groups));
    set.insertLayerKey(1, key(0, 2, 100, 100, 1000, 1000, 0, group));
    set.insertLayerKey(1, key(1000, 0, 100, 100, 1000, 1000, 0, group));
    return set;
}

} // namespace

// Cycles of groups whose first cel starts at 0 are the random tracks' (compared with the
// reference). Group 8 starts at 2, so it shows nothing at 0 and 1 of a cycle; group 2 is empty;
// groups 9 and 10 end on a negative start, which shows nothing, and group 11 on the largest,
// which leaves the cycle unbounded; 0, 102 and -1 are out of range.
TEST(CelCycle, ShowsTheLastCelWhoseStartIsReachedWithinTheCycle) {
    const struct {
        int group;
        std::int32_t elapsed, image;
    } cases[] = {{8, 0, 0}, {8, 1, 0},  {8, 2, 9},    {8, 4, 0}, {2, 3, 0},   {9, 0, 0},
                 {9, 3, 0}, {10, 2, 0}, {11, 999, 4}, {0, 3, 0}, {102, 3, 0}, {-1, 3, 0}};
    const std::vector<CelEntry> endsAt[] = {{{4, 0, 1, 1}, {5, -1, 1, 1}},
                                            {{4, 0, 1, 1}, {5, -5, 1, 1}},
                                            {{4, 0, 1, 1}, {5, 2147483647, 1, 1}}};
    TrackSet set = showingFromZero(
        8, {group1, {}, {}, {}, group5, {}, group7, lateStart, endsAt[0], endsAt[1], endsAt[2]});
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "group " << c.group << " at " << c.elapsed);
        EXPECT_EQ(set.runStart(1, c.elapsed), 0);
        EXPECT_EQ(set.celImage(c.group, 1, c.elapsed), c.image);
        CelSize expected;
        for (const CelEntry& cel : set.group(c.group))
            if (cel.image == c.image) expected = {cel.width, cel.height};
        EXPECT_EQ(set.celSize(c.group, 1, c.elapsed), expected);
    }
}

TEST(CelGroups, LoadingReplacesEveryGroupAndStoresTheEntriesAsGiven) {
    TrackSet set;
    set.loadGroups(groupsPayload({group1, group5}));
    set.loadGroups(groupsPayload({{}, group7}));
    EXPECT_TRUE(set.group(1).empty());
    ASSERT_EQ(set.group(2).size(), 5u);
    EXPECT_EQ(set.group(2)[4], (CelEntry{21, 7, 1, 1}));
    EXPECT_EQ(set.clearGroup(1), 1);
    EXPECT_TRUE(set.group(2).empty());
    EXPECT_EQ(set.clearGroup(101), 0);
}

// The first section's length is not a multiple of 16: its whole entries are kept and the next
// section follows its bytes. The third loses its last byte, and the slots after it stay empty.
TEST(CelGroups, SectionsKeepWholeEntriesAndFewerThan101FillTheSlotsTheyHold) {
    ByteVector payload;
    put16(payload, 0);
    put32(payload, 16 + 5);
    for (std::int32_t field : {3, 0, 7, 8})
        put32(payload, std::uint32_t(field));
    payload.insert(payload.end(), {1, 2, 3, 4, 5});
    appendCelSection(payload, 1, group1);
    appendCelSection(payload, 2, group7);
    payload.resize(payload.size() - 1);
    TrackSet set;
    set.loadGroups(payload);
    ASSERT_EQ(set.group(1).size(), 1u);
    EXPECT_EQ(set.group(1)[0], (CelEntry{3, 0, 7, 8}));
    EXPECT_EQ(set.group(2).size(), 4u);
    EXPECT_TRUE(set.group(3).empty());
    set.loadGroups({});
    EXPECT_TRUE(set.group(1).empty());
}

TEST(RunStart, AVeryLongRunIsFoundWithoutVisitingEveryFrame) {
    // Two billion frames of one group: walking frame by frame would not end in any test's time.
    TrackSet set;
    set.loadGroups(groupsPayload({group1}));
    set.insertLayerKey(2, key(5, 1, 0, 0, 1000, 1000, 0, 1));
    set.insertLayerKey(2, key(2147483600, 0, 0, 0, 1000, 1000, 0, 1));
    EXPECT_EQ(set.runStart(2, 2147483000), 5);
    EXPECT_EQ(set.celImage(1, 2, 2147483000), 4); // (2147483000 - 5) mod 4 = 3
    EXPECT_EQ(set.runStart(2, 2147483600), 5);
    EXPECT_EQ(set.runStart(2, -2147483647 - 1), -2147483647 - 1);
    // A layer outside the set has no run: it starts at the frame asked for.
    EXPECT_EQ(set.runStart(51, 15), 15);
    EXPECT_EQ(set.runStart(-1, 15), 15);
}
