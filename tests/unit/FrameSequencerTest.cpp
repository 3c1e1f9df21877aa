#include "TimelineBytes.h"

#include "player/Player.h"
#include "timeline/FrameSequencer.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace cinefold;
using namespace cinefold::test;

// The frame after `frame`, with tables of 11 entries holding -1 except the entries listed.
struct NextFrameCase {
    const char* name;
    std::vector<std::pair<std::int32_t, std::int32_t>> jumps;          // frame, destination
    std::vector<std::tuple<int, std::int32_t, std::int32_t>> branches; // table, frame, destination
    std::int32_t frame, last;
    std::uint32_t tick;
    std::int32_t next;
};

TEST(FrameSequencer, FollowsJumpsAndBranchesWithinTheAnimation) {
    constexpr std::int32_t maxFrame = 2147483647;
    // srand(0) makes 38 the first rand, srand(1) 41: even picks the first table, odd the second.
    const std::vector<std::tuple<int, std::int32_t, std::int32_t>> fourTables = {
        {0, 5, 10}, {1, 5, 20}, {3, 5, 30}, {4, 5, 40}};
    const NextFrameCase cases[] = {
        {"runs on", {}, {}, 3, 4, 0, 4},
        {"wraps after the last key", {}, {}, 4, 4, 0, 0},
        {"stays at 0 without keys", {}, {}, 0, 0, 0, 0},
        {"jumps", {{5, 2}}, {}, 5, 9, 0, 2},
        {"branches by the clock: even", {{5, 2}}, fourTables, 5, 50, 0, 10},
        {"branches by the clock: odd", {{5, 2}}, fourTables, 5, 50, 1, 20},
        {"branches only where a jump is", {}, {{0, 5, 10}}, 5, 50, 0, 6},
        {"counting stops at the first empty table", {{5, 2}}, {{1, 5, 20}}, 5, 50, 0, 2},
        {"a jump beyond the last key lands on 0", {{3, 9}}, {}, 3, 8, 0, 0},
        {"a jump to the last key", {{3, 9}}, {}, 3, 9, 0, 9},
        {"a jump below 0 lands on 0", {{3, -7}}, {}, 3, 9, 0, 0},
        {"a branch below 0 lands on 0", {{3, 2}}, {{0, 3, -2}}, 3, 9, 0, 0},
        {"a jump to the largest frame", {{3, maxFrame}}, {}, 3, maxFrame, 0, maxFrame},
        {"the frame after the largest wraps below 0", {}, {}, maxFrame, maxFrame, 0, 0},
        {"frames past the tables run on", {}, {}, 50, 100, 0, 51},
        {"negative frames read no entry", {{0, 7}}, {}, -1, 100, 0, 0},
    };
    for (const NextFrameCase& c : cases) {
        JumpTable jump(11, -1);
        std::array<JumpTable, branchTableCount> branches;
        for (auto& table : branches)
            table.assign(11, -1);
        for (const auto& [frame, to] : c.jumps)
            jump[std::size_t(frame)] = to;
        for (const auto& [table, frame, to] : c.branches)
            branches[std::size_t(table)][std::size_t(frame)] = to;
        EXPECT_EQ(followingFrame(c.frame, jump, branches, c.last, c.tick), c.next) << c.name;
    }
    std::array<JumpTable, branchTableCount> noBranches;
    EXPECT_EQ(followingFrame(7, JumpTable{}, noBranches, 10, 0), 8) << "empty tables";
}

TEST(Player, TablesHoldJumpLengthPlusOneEntriesAndShortPayloadsLeaveMinusOne) {
    Player player;
    EXPECT_EQ(player.jumpTable, JumpTable(1001, -1)); // before any payload
    for (const JumpTable& table : player.branchTables)
        EXPECT_EQ(table, JumpTable(1001, -1));
    player.jumpLength = 4;
    ByteVector two;
    put32(two, 3);
    put32(two, 0xFFFFFFF0u); // below -1: kept, and a jump to it lands on 0
    player.loadJumpTable(two);
    EXPECT_EQ(player.jumpTable, (std::vector<std::int32_t>{3, -16, -1, -1, -1}));
    ByteVector branches; // the first table and half of the second
    for (std::uint32_t i = 0; i < 6; ++i)
        put32(branches, 10 + i);
    player.loadBranchTables(branches);
    EXPECT_EQ(player.branchTables[0], (std::vector<std::int32_t>{10, 11, 12, 13, -1}));
    EXPECT_EQ(player.branchTables[1], (std::vector<std::int32_t>{14, 15, -1, -1, -1}));
    EXPECT_EQ(player.branchTables[4], (std::vector<std::int32_t>(5, -1)));
    player.jumpLength = -3;
    player.loadJumpTable(two);
    EXPECT_EQ(player.jumpTable, (std::vector<std::int32_t>{-1}));
    player.jumpLength = 0;
    player.loadBranchTables(branches);
    EXPECT_EQ(player.branchTables[0], (std::vector<std::int32_t>{-1}));
}

TEST(Player, FramesBeyondTheTablesRunOnWithoutJumpsUntilTheLastKeyframe) {
    // Tables for four frames, a last keyframe at 9, and frame 2 jumping to 7, past the tables'
    // end: frames 4 (the spare entry) to 9 have no entry of their own and simply run on.
    Player player;
    player.jumpLength = 4;
    ByteVector jumps;
    for (std::int32_t entry : {-1, -1, 7, -1})
        put32(jumps, std::uint32_t(entry));
    player.loadJumpTable(jumps);
    player.loadBranchTables(ByteVector(5 * 4 * 4, 0xFF));
    player.trackSet.insertLayerKey(2, key(9, 0));
    std::vector<std::int32_t> frames;
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(player.advanceFrame(0), 9);
        frames.push_back(player.currentFrame);
    }
    EXPECT_EQ(frames, (std::vector<std::int32_t>{1, 2, 7, 8, 9, 0, 1, 2, 7}));
    player.currentFrame = 3;
    player.advanceFrame(0);
    EXPECT_EQ(player.currentFrame, 4);
    player.advanceFrame(0);
    EXPECT_EQ(player.currentFrame, 5);
}
