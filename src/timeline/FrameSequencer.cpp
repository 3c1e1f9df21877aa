#include "timeline/FrameSequencer.h"

#include "base/Arithmetic32.h"

namespace cinefold {

namespace {
std::int32_t entryAt(const JumpTable& table, std::int32_t frame) {
    if (frame < 0 || std::size_t(frame) >= table.size()) return -1;
    return table[std::size_t(frame)];
}
} // namespace

std::int32_t followingFrame(std::int32_t current, const JumpTable& jumpTable,
                            const std::array<JumpTable, branchTableCount>& branchTables,
                            std::int32_t lastFrame, std::uint32_t tickCount) {
    std::int32_t next;
    std::int32_t jump = entryAt(jumpTable, current);
    if (jump == -1) {
        next = add32(current, 1);
    } else {
        // Counting stops at the first table without an alternative; the jump table's own entry
        // only opens the branch and is not itself a candidate.
        int count = 0;
        while (count < branchTableCount && entryAt(branchTables[std::size_t(count)], current) != -1)
            ++count;
        if (count == 0) {
            next = jump;
        } else {
            // The generator is seeded anew on every tick that branches, and on no other.
            RuntimeRandom random(tickCount);
            next = entryAt(branchTables[std::size_t(random.next() % count)], current);
        }
    }
    if (next > lastFrame || next < 0) next = 0;
    return next;
}

} // namespace cinefold
