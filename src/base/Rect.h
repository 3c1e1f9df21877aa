#pragma once
// The rectangle and the row range that every layer places pictures with.

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

// Rows first up to end - 1; empty when end is not above first.
struct RowRange {
    std::int32_t first = 0;
    std::int32_t end = 0;
    bool empty() const { return first >= end; }
    friend bool operator==(const RowRange&, const RowRange&) = default;
};

} // namespace cinefold
