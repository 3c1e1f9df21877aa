#pragma once
// The frame sequencer: after each frame the jump table may send the animation elsewhere, and the
// five branch tables may offer destinations of which one is picked at random; past the last
// keyframe the animation starts again at frame 0.
//
// "JP__" payload, decoded: jumpLength little-endian signed 32-bit entries, entry i for frame i:
// -1 means that frame i + 1 follows, any other value is the frame to go to (subject to the
// branch tables). "JPEX" payload, decoded: the five branch tables one after the other, each of
// jumpLength entries; an entry is -1 (no alternative) or an alternative destination.

#include <array>
#include <cstdint>
#include <vector>

namespace cinefold {

// The C runtime's pseudo-random generator: state = state x 214013 + 2531011 modulo 2^32, each
// value bits 16..30 of the new state (0..32767). The saver seeds it with the tick count.
class RuntimeRandom {
  public:
    explicit RuntimeRandom(std::uint32_t seed) : state_(seed) {}
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return int((state_ >> 16) & 0x7FFF);
    }

  private:
    std::uint32_t state_;
};

constexpr int branchTableCount = 5;
using JumpTable = std::vector<std::int32_t>;

// The frame after `current`, given the tables, the last keyframe over all tracks and the tick
// count (milliseconds) at this tick, which seeds the generator on a tick that branches.
//
// A frame outside a table (the table ends before it, or the frame is negative) reads that
// table's entry as -1. A destination below 0 is treated like one beyond the last keyframe and
// lands on frame 0, so the next tick again reads inside the tables.
std::int32_t followingFrame(std::int32_t current, const JumpTable& jumpTable,
                            const std::array<JumpTable, branchTableCount>& branchTables,
                            std::int32_t lastFrame, std::uint32_t tickCount);

} // namespace cinefold
