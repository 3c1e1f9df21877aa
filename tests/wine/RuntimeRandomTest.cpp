// The sequencer's generator against the C runtime's own srand and rand. Built only for Windows:
// there the runtime is the one the saver itself calls, so the random branch picks the same
// destination in the saver as in these tests.

#include "timeline/FrameSequencer.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace cinefold;

// Each test stops at its first difference: the rest would repeat it thousands of times.
TEST(RuntimeRandom, GivesTheRuntimesRandValuesAfterSrandForManySeeds) {
    // The first 100000 seeds, then 100000 spread over the whole 32-bit range, as tick counts are.
    std::uint32_t seed = 0;
    for (int i = 0; i < 200000; ++i) {
        seed = i < 100000 ? std::uint32_t(i) : seed * 2654435761u + 97u;
        std::srand(seed);
        RuntimeRandom ours(seed);
        for (int k = 0; k < 3; ++k)
            ASSERT_EQ(ours.next(), std::rand()) << "seed " << seed << ", value " << k;
    }
}

TEST(FrameSequencer, ARandomBranchPicksTheFirstRandAfterSrandOfTheTickCount) {
    // Frame 4 jumps, and the first n branch tables offer 101..100 + n; ticks run across the
    // wrap of the 32-bit tick count.
    JumpTable jump(10, -1);
    std::array<JumpTable, branchTableCount> branches;
    branches.fill(jump);
    jump[4] = 1;
    for (int n = 1; n <= branchTableCount; ++n) {
        branches[std::size_t(n - 1)][4] = 100 + n;
        for (std::uint32_t i = 0, tick = 0xFFFFF000u; i < 3000; ++i, tick += 7) {
            std::srand(tick);
            const std::int32_t expected = 101 + std::rand() % n;
            ASSERT_EQ(followingFrame(4, jump, branches, 200, tick), expected)
                << n << " tables, tick " << tick;
        }
    }
}
