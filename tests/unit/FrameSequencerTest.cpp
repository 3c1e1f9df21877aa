#include "TimelineBytes.h"

#include "player/Player.h"
#include "timeline/FrameSequencer.h"

#include <gtest/gtest.h>

#include <set>

using namespace cinefold;
using namespace cinefold::test;

namespace {

struct Tables {
    JumpTable jump = JumpTable(11, -1);
    std::array<JumpTable, branchTableCount> branches;
    Tables() {
        for (auto& t : branches)
            t.assign(11, -1);
    }
    std::int32_t after(std::int32_t frame, std::int32_t last, std::uint32_t tick = 0) const {
        return followingFrame(frame, jump, branches, last, tick);
    }
};

std::vector<std::int32_t> run(const Tables& t, std::int32_t last, int ticks) {
    std::vector<std::int32_t> frames;
    std::int32_t frame = 0;
    for (int i = 0; i < ticks; ++i)
        frames.push_back(frame = t.after(frame, last));
    return frames;
}

} // namespace

TEST(RuntimeRandom, FollowsTheRuntimesGenerator) {
    // srand(0): 38, 7719, 21238; srand(1): 41, 18467, 6334.
    RuntimeRandom zero(0), one(1);
    EXPECT_EQ(zero.next(), 38);
    EXPECT_EQ(zero.next(), 7719);
    EXPECT_EQ(zero.next(), 21238);
    EXPECT_EQ(one.next(), 41);
    EXPECT_EQ(one.next(), 18467);
    EXPECT_EQ(one.next(), 6334);
}

TEST(FrameSequencer, WithoutJumpsTheFramesRunToTheLastKeyAndWrap) {
    Tables t;
    EXPECT_EQ(run(t, 4, 7), (std::vector<std::int32_t>{1, 2, 3, 4, 0, 1, 2}));
    EXPECT_EQ(run(t, 0, 3), (std::vector<std::int32_t>{0, 0, 0}));
}

TEST(FrameSequencer, AJumpWithoutBranchesLoops) {
    Tables t;
    t.jump[5] = 2;
    EXPECT_EQ(run(t, 9, 9), (std::vector<std::int32_t>{1, 2, 3, 4, 5, 2, 3, 4, 5}));
}

TEST(FrameSequencer, BranchesReplaceTheJumpAndCountingStopsAtTheFirstEmptyTable) {
    Tables t;
    t.jump[5] = 2;
    t.branches[0][5] = 10;
    t.branches[1][5] = 20;
    t.branches[3][5] = 30;
    t.branches[4][5] = 40;
    std::set<std::int32_t> seen;
    for (std::uint32_t tick = 0; tick < 200; ++tick) {
        std::int32_t next = t.after(5, 50, tick);
        seen.insert(next);
        // The pick is the first value of the generator seeded with the tick count, modulo 2.
        EXPECT_EQ(next, RuntimeRandom(tick).next() % 2 ? 20 : 10) << tick;
    }
    EXPECT_EQ(seen, (std::set<std::int32_t>{10, 20}));
}

TEST(FrameSequencer, BranchEntriesWithoutAJumpAreIgnored) {
    Tables t;
    t.branches[0][5] = 10;
    EXPECT_EQ(t.after(5, 50), 6);
    t.jump[5] = 2;
    t.branches[0][5] = -1;
    t.branches[1][5] = 20;
    EXPECT_EQ(t.after(5, 50), 2);
}

TEST(FrameSequencer, DestinationsBeyondTheLastKeyOrBelowZeroLandOnZero) {
    Tables t;
    t.jump[3] = 9;
    EXPECT_EQ(t.after(3, 8), 0);
    EXPECT_EQ(t.after(3, 9), 9);
    t.jump[3] = -7;
    EXPECT_EQ(t.after(3, 9), 0);
    t.jump[3] = 2;
    t.branches[0][3] = -2;
    EXPECT_EQ(t.after(3, 9), 0);
    t.jump[3] = 2147483647;
    t.branches[0][3] = -1;
    EXPECT_EQ(t.after(3, 2147483647), 2147483647);
    EXPECT_EQ(t.after(2147483647, 2147483647), 0); // the frame after wraps below zero
}

TEST(FrameSequencer, FramesOutsideTheTablesReadNoJump) {
    Tables t;
    t.jump.assign(3, 1); // every entry would jump to 1
    t.branches[2].clear();
    EXPECT_EQ(t.after(2, 100), 1);
    EXPECT_EQ(t.after(3, 100), 4); // no entry for frame 3
    EXPECT_EQ(t.after(50, 100), 51);
    EXPECT_EQ(t.after(-5, 100), 0);
    EXPECT_EQ(t.after(-1, 100), 0);
    JumpTable none;
    std::array<JumpTable, branchTableCount> noBranches;
    EXPECT_EQ(followingFrame(7, none, noBranches, 10, 0), 8);
}

TEST(Player, AdvanceFrameWrapsAfterTheLastKeyframeOfAllTracks) {
    Player player;
    player.trackSet.insertLayerKey(3, key(2, 0));
    std::vector<std::int32_t> frames;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(player.advanceFrame(0), 2);
        frames.push_back(player.currentFrame);
    }
    EXPECT_EQ(frames, (std::vector<std::int32_t>{1, 2, 0, 1}));
}

TEST(Player, TablesHoldJumpLengthPlusOneEntriesAndShortPayloadsLeaveMinusOne) {
    Player player;
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

TEST(Player, TablesThatNoPayloadFillsHoldMinusOneSoTheFramesRunOn) {
    Player player;
    EXPECT_EQ(player.jumpTable, JumpTable(1001, -1));
    for (const JumpTable& table : player.branchTables)
        EXPECT_EQ(table, JumpTable(1001, -1));
    player.trackSet.insertLayerKey(1, key(3, 0));
    std::vector<std::int32_t> frames;
    for (int i = 0; i < 5; ++i) {
        player.advanceFrame(0);
        frames.push_back(player.currentFrame);
    }
    EXPECT_EQ(frames, (std::vector<std::int32_t>{1, 2, 3, 0, 1}));
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
        player.advanceFrame(0);
        frames.push_back(player.currentFrame);
    }
    EXPECT_EQ(frames, (std::vector<std::int32_t>{1, 2, 7, 8, 9, 0, 1, 2, 7}));
    player.currentFrame = 3;
    player.advanceFrame(0);
    EXPECT_EQ(player.currentFrame, 4);
    player.advanceFrame(0);
    EXPECT_EQ(player.currentFrame, 5);
}
