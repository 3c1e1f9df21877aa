// Runs the timeline's arithmetic checks inside a Windows build: the curve's worked examples,
// random tracks against the plain reference, and the sequencer's random branch against the C
// runtime's own srand and rand. Prints one line per kind of check and exits with 1 when any
// check failed, so that the 32-bit and 64-bit Windows builds are held to the same results as the
// native one.

#include "TimelineChecks.h"

#include "timeline/FrameSequencer.h"

#include <cstdio>
#include <cstdlib>

namespace {

int report(const char* what, const cinefold::checks::Failures& failures) {
    if (failures.count == 0) {
        std::printf("ok: %s\n", what);
        return 0;
    }
    std::printf("FAILED: %s: %d failures, the first: %s\n", what, failures.count,
                failures.first.c_str());
    return 1;
}

// The generator against the runtime's srand and rand: several values after each seed, for
// seeds spread over the whole 32-bit range, as tick counts are.
cinefold::checks::Failures compareGenerator() {
    cinefold::checks::Failures failures;
    std::uint32_t seed = 0;
    for (int i = 0; i < 200000; ++i) {
        seed = i < 100000 ? std::uint32_t(i) : seed * 2654435761u + 97u;
        std::srand(seed);
        cinefold::RuntimeRandom ours(seed);
        for (int k = 0; k < 3; ++k) {
            int expected = std::rand();
            int got = ours.next();
            if (got != expected) {
                char text[120];
                std::snprintf(text, sizeof text, "seed %u value %d: got %d, rand gave %d", seed, k,
                              got, expected);
                failures.add(text);
            }
        }
    }
    return failures;
}

// The sequencer's pick on a branching tick: the first rand after srand(tick count), modulo the
// number of branch tables that offer a destination.
cinefold::checks::Failures compareBranches() {
    cinefold::checks::Failures failures;
    cinefold::JumpTable jump(10, -1);
    std::array<cinefold::JumpTable, cinefold::branchTableCount> branches;
    for (auto& t : branches)
        t.assign(10, -1);
    jump[4] = 1;
    for (int n = 1; n <= cinefold::branchTableCount; ++n) {
        branches[std::size_t(n - 1)][4] = 100 + n;
        for (std::uint32_t i = 0, tick = 0xFFFFF000u; i < 3000; ++i, tick += 7) {
            std::srand(tick);
            std::int32_t expected = 101 + std::rand() % n;
            std::int32_t got = cinefold::followingFrame(4, jump, branches, 200, tick);
            if (got != expected) {
                char text[120];
                std::snprintf(text, sizeof text, "%d tables, tick %u: got %d, expected %d", n, tick,
                              int(got), int(expected));
                failures.add(text);
            }
        }
    }
    return failures;
}

} // namespace

int main() {
    int failed = 0;
    failed += report("worked curve examples", cinefold::checks::checkWorkedCurves());
    failed += report("random timelines against the reference",
                     cinefold::checks::compareRandomTimelines(20260101, 400));
    failed +=
        report("random timelines, second seed", cinefold::checks::compareRandomTimelines(7, 400));
    failed += report("generator against srand and rand", compareGenerator());
    failed += report("random branch against srand and rand", compareBranches());
    return failed ? 1 : 0;
}
