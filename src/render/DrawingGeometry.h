#pragma once
// The arithmetic of drawing one image on the stage, apart from any canvas: the extents of a
// sprite rectangle, the blocks of a centred or tiled background, and the rows that the
// row-by-row fallback draws. Every value is a signed 32-bit integer and every division
// truncates toward zero, as the saver computes them.

#include "base/Rect.h"

#include <cstdint>

namespace cinefold {

// The block of the background image that backMode 1 copies at its own size: the width x height
// block at (sourceX, sourceY) of the image goes to (x, y) on the stage. The image is centred,
// and where it is larger than the stage it is cropped by the same amount on both sides (an odd
// surplus leaves its extra column or row hanging over the right or bottom edge).
struct BackgroundBlock {
    std::int32_t sourceX = 0;
    std::int32_t sourceY = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const BackgroundBlock&, const BackgroundBlock&) = default;
};
BackgroundBlock centredBackground(std::int32_t imageWidth, std::int32_t imageHeight,
                                  std::int32_t stageWidth, std::int32_t stageHeight);

// Tiling (backMode 2) along one axis: how many tiles of `tile` pixels cover `stage` pixels (the
// last one cut at the edge), and how wide tile `index` of them is. tile is at least 1.
std::int32_t tileCount(std::int32_t stage, std::int32_t tile);
std::int32_t tileExtent(std::int32_t stage, std::int32_t tile, std::int32_t index);
// The tiles, first to end - 1, that cover any of the pixels from `from` to to - 1.
RowRange tilesWithin(std::int32_t stage, std::int32_t tile, std::int32_t from, std::int32_t to);

// The row fallback draws destination row top + i from source row
// ((sourceHeight x 100) / destinationHeight x i) / 100, for i from 0 to destinationHeight - 1.
std::int32_t fallbackSourceRow(std::int32_t sourceHeight, std::int32_t destinationHeight,
                               std::int32_t i);

// The values of i, first to end - 1, whose destination rows lie on a stage of stageHeight rows:
// the other rows would draw nothing, so a band of two billion rows costs no more than the stage.
// Empty when destinationHeight is 0 or negative.
RowRange fallbackRows(std::int32_t top, std::int32_t destinationHeight, std::int32_t stageHeight);

// The pixels of a stageWidth x stageHeight stage that drawing a sprite into rect can touch, as a
// rectangle with left <= right and top <= bottom (empty when left == right or top == bottom).
// The sprite is drawn from the origin (left, top) with the extents right - left and
// bottom - top, wrapped to 32 bits; a negative extent covers origin + extent + 1 to origin, so a
// mirrored sprite lands one pixel further right or down than its rectangle reads. The row
// fallback draws a part of the same pixels.
Rect spriteBounds(const Rect& rect, std::int32_t stageWidth, std::int32_t stageHeight);

} // namespace cinefold
