// The sequencer's generator against the C runtime's own srand and rand. Built only for Windows:
// there the runtime is the one the saver itself calls, so the random branch picks the same
// destination in the saver as in these tests.

#include "timeline/FrameSequencer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

using namespace cinefold;

TEST(RuntimeRandom, GivesTheRuntimesRandValuesAfterSrandForManySeeds) {
    // The first 100000 seeds, then 100000 spread over the whole 32-bit range, as tick counts are.
    int mismatches = 0;
    std::ostringstream first;
    std::uint32_t seed = 0;
    for (int i = 0; i < 200000; ++i) {
        seed = i < 100000 ? std::uint32_t(i) : seed * 2654435761u + 97u;
        std::srand(seed);
        RuntimeRandom ours(seed);
        for (int k = 0; k < 3; ++k) {
            int expected = std::rand();
            int got = ours.next();
            if (got != expected && mismatches++ == 0)
                first << "seed " << seed << " value " << k << ": " << got << ", rand gave "
                      << expected;
        }
    }
    EXPECT_EQ(mismatches, 0) << first.str();
}

TEST(FrameSequencer, ARandomBranchPicksTheFirstRandAfterSrandOfTheTickCount) {
    // Frame 4 jumps, and the first n branch tables offer 101..100 + n; ticks run across the
    // wrap of the 32-bit tick count.
    JumpTable jump(10, -1);
    std::array<JumpTable, branchTableCount> branches;
    for (JumpTable& table : branches)
        table.assign(10, -1);
    jump[4] = 1;
    for (int n = 1; n <= branchTableCount; ++n) {
        branches[std::size_t(n - 1)][4] = 100 + n;
        int mismatches = 0;
        std::ostringstream first;
        for (std::uint32_t i = 0, tick = 0xFFFFF000u; i < 3000; ++i, tick += 7) {
            std::srand(tick);
            std::int32_t expected = 101 + std::rand() % n;
            std::int32_t got = followingFrame(4, jump, branches, 200, tick);
            if (got != expected && mismatches++ == 0)
                first << "tick " << tick << ": " << got << ", expected " << expected;
        }
        EXPECT_EQ(mismatches, 0) << n << " tables: " << first.str();
    }
}
