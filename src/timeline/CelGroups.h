#pragma once
// Cel groups: short looping sequences of images, each cel with its own pixel size. A key that
// names a group steps through its cels by the frames elapsed since the layer began showing it.
//
// "GRP_" payload, decoded: 101 sections, one per group slot, slot k for group k + 1:
//
//   offset 0  u16  slot index (equal to the section's position; not used)
//          2  u32  byte length L of the entries that follow
//          6  L    L / 16 cel entries; the next section starts after the L bytes
//
// Cel entry, 16 bytes, four little-endian signed 32-bit fields:
//
//   offset 0 image   image number 1..100
//          4 start   elapsed frame, within one cycle, from which this cel shows
//          8 width   cel width in pixels
//         12 height  cel height in pixels

#include <cstddef>
#include <cstdint>

namespace cinefold {

struct CelEntry {
    std::int32_t image = 0;
    std::int32_t start = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const CelEntry&, const CelEntry&) = default;
};

constexpr std::size_t celEntrySize = 16;
static_assert(sizeof(CelEntry) == celEntrySize);

constexpr int groupSlotCount = 101;

struct CelSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const CelSize&, const CelSize&) = default;
};

} // namespace cinefold
