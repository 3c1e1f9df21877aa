#pragma once
// The work budget of one load: how many bytes the walk of one container may allocate and write
// for what it decodes and hands over, stated once for every reader of the format.
//
// A few header bytes can claim a great deal of output: a 10-byte run-length header asks for
// 64 MiB, a pair-expanded block of a few hundred bytes expands to as much, and a container may
// hold any number of such entries, or repeat its image list, its schedule or its jump tables.
// Each is bounded on its own, but only a total bounds the load. The budget is
//
//     floorBytes + bytesPerInputByte x the container's length
//
// and everything a load allocates and writes for its payloads is charged to it: each decoder's
// output buffer before it is allocated, each jump and branch table before it is filled, and the
// keys that a schedule merges into the tracks. The image store copies no more than the decoded
// bytes it is given, so it is covered by their charge. A charge that does not fit is refused and
// ends the load: the saver plays what it has, and the tools name the entry that did not fit.
//
// Why this size. The floor is the largest output a single decode may claim (64 MiB, the
// decoders' own limit), so that the largest image a decoder accepts loads however few bytes it
// packs to, and so do small animations of large, nearly empty images. The multiple holds any
// animation whose images compress to a sixty-fourth of their size or worse taken together;
// painted images and their masks do far better than that only when they are nearly empty, and
// then the floor takes them in. The benchmarks' container of the stored container's shape
// (836,794 bytes) decodes 2.6 MiB of images, under a fortieth of its 115 MiB; the demo animation
// decodes 0.9 MiB from 242,865 bytes. A container of 1 MiB, whatever it holds, is charged at
// most 128 MiB.

#include <cstddef>
#include <cstdint>

namespace cinefold {

class LoadBudget {
  public:
    static constexpr std::uint64_t floorBytes = std::uint64_t(64) << 20;
    static constexpr std::uint64_t bytesPerInputByte = 64;
    // What a refused charge reports.
    static constexpr const char* exceeded = "over the load's budget";

    explicit LoadBudget(std::size_t containerSize)
        : left_(floorBytes + bytesPerInputByte * std::uint64_t(containerSize)) {}

    // Takes bytes from the budget; false, taking nothing, when fewer are left. After a refusal
    // the load is over: every later charge is refused too.
    bool spend(std::uint64_t bytes) {
        if (spent_ || bytes > left_) {
            spent_ = true;
            return false;
        }
        left_ -= bytes;
        return true;
    }
    bool spent() const { return spent_; }
    std::uint64_t left() const { return left_; }

  private:
    std::uint64_t left_;
    bool spent_ = false;
};

} // namespace cinefold
