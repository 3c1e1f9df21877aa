#pragma once
// The rectangle and the row range that every layer places pictures with.

#include <algorithm>
#include <cstdint>

namespace cinefold {

// Left, top, right, bottom in pixels. A negative extent (right < left, bottom < top) mirrors the
// picture along that axis.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The pixels that a and b, both left to right and top to bottom, cover together; all zero when
// they do not meet.
inline Rect intersection(const Rect& a, const Rect& b) {
    const Rect both{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
    return both.left < both.right && both.top < both.bottom ? both : Rect{};
}
// Whether a and b, both left to right and top to bottom, share a pixel.
inline bool overlap(const Rect& a, const Rect& b) {
    return std::max(a.left, b.left) < std::min(a.right, b.right) &&
           std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

// Rows first up to end - 1; empty when end is not above first.
struct RowRange {
    std::int32_t first = 0;
    std::int32_t end = 0;
    bool empty() const { return first >= end; }
    friend bool operator==(const RowRange&, const RowRange&) = default;
};

} // namespace cinefold
