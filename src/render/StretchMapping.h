#pragma once
// Which destination pixels a nearest-neighbour StretchBlt (stretch mode COLORONCOLOR) draws and
// which source pixel each of them shows, worked out once per transfer and one axis at a time, so
// that drawing is a walk through two tables. The rules are those of Wine's GDI, which the
// software canvas must match pixel for pixel:
//
// - An origin and a signed extent cover origin .. origin + extent - 1, or for a negative extent
//   origin + extent + 1 .. origin, drawn from the origin outwards.
// - Equal extents on both axes copy one to one. Otherwise each axis runs one Bresenham line
//   through (source step, destination step). With S and D the magnitudes of the extents and j, i
//   steps from the origins: enlarging (D >= S), destination step j shows source step
//   ((2j + 1) S - 1) / (2D); shrinking, source step i lands on destination step
//   ((2i + 1) D - 1) / (2S), and where several land on one destination pixel the last one wins
//   along a row and the first one down the rows.
// - Only pixels inside the destination surface and inside the source bitmap are drawn. Before
//   that, the visible parts of the two rectangles are narrowed against each other with integer
//   truncation and a pixel of slack, and a mirrored source rectangle that sticks out of its
//   bitmap moves the destination, as Windows does.
// - A destination extent of exactly +1 takes one source pixel less from a source extent above +1.
// - The transfer fails when the lines miss the visible rectangles after that narrowing.

#include "base/Rect.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace cinefold {

// One axis of a transfer: a destination origin and signed extent on a surface of dstSize pixels,
// a source origin and signed extent in a bitmap of srcSize pixels.
struct StretchAxis {
    std::int32_t dstOrigin = 0;
    std::int32_t dstExtent = 0;
    std::int32_t dstSize = 0;
    std::int32_t srcOrigin = 0;
    std::int32_t srcExtent = 0;
    std::int32_t srcSize = 0;
};

// Along one axis, destination pixel first + k shows source pixel sources[k].
struct AxisMap {
    std::int32_t first = 0;
    std::vector<std::int32_t> sources;
};

enum class StretchResult {
    drawn,   // columns and rows hold what to draw
    nothing, // nothing is visible; the transfer succeeds without drawing
    failed,  // the transfer fails and draws nothing
};

struct StretchPlan {
    StretchResult result = StretchResult::nothing;
    AxisMap columns;
    AxisMap rows;
};

// Plans a transfer into plan, reusing its storage. The work is bounded by the surface's size
// whatever the extents: only the visible range is mapped, in 64-bit arithmetic.
void planStretch(const StretchAxis& x, const StretchAxis& y, StretchPlan& plan);

// A clip that leaves every pixel drawable.
inline constexpr Rect noClip{
    std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min(),
    std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max()};

// Keeps of a planned transfer the destination pixels inside clip (left to right - 1, top to
// bottom - 1), each showing the source pixel it showed before; a transfer with none left draws
// nothing. The transfer was planned on the whole surface, so it fails, and maps every pixel, as
// it would without the clip.
void clipPlan(StretchPlan& plan, const Rect& clip);

} // namespace cinefold
