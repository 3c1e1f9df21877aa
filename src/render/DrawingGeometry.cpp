#include "render/DrawingGeometry.h"

#include "base/Arithmetic32.h"

#include <algorithm>
#include <utility>

namespace cinefold {

BackgroundBlock centredBackground(std::int32_t imageWidth, std::int32_t imageHeight,
                                  std::int32_t stageWidth, std::int32_t stageHeight) {
    // The image's size is positive and the stage's is not negative, so nothing here overflows.
    BackgroundBlock block;
    block.x = (stageWidth - imageWidth) / 2;
    block.y = (stageHeight - imageHeight) / 2;
    block.width = imageWidth;
    block.height = imageHeight;
    if (block.x < 0) {
        block.sourceX = -block.x;
        block.width = imageWidth - 2 * block.sourceX;
        block.x = 0;
    }
    if (block.y < 0) {
        block.sourceY = -block.y;
        block.height = imageHeight - 2 * block.sourceY;
        block.y = 0;
    }
    return block;
}

std::int32_t tileCount(std::int32_t stage, std::int32_t tile) {
    return stage / tile + (stage % tile != 0 ? 1 : 0);
}

std::int32_t tileExtent(std::int32_t stage, std::int32_t tile, std::int32_t index) {
    std::int64_t start = std::int64_t(index) * tile;
    return std::int32_t(std::min<std::int64_t>(tile, stage - start));
}

RowRange tilesWithin(std::int32_t stage, std::int32_t tile, std::int32_t from, std::int32_t to) {
    const std::int64_t first = std::max<std::int64_t>(from, 0) / tile;
    const std::int64_t end = (std::min<std::int64_t>(to, stage) + tile - 1) / tile;
    return first < end ? RowRange{std::int32_t(first), std::int32_t(end)} : RowRange{};
}

std::int32_t fallbackSourceRow(std::int32_t sourceHeight, std::int32_t destinationHeight,
                               std::int32_t i) {
    // 32-bit products that wrap, as the saver's own arithmetic does; destinationHeight > 0.
    auto wrap = [](std::int64_t value) { return std::int32_t(std::uint32_t(value)); };
    std::int32_t step = wrap(std::int64_t(sourceHeight) * 100) / destinationHeight;
    return wrap(std::int64_t(step) * i) / 100;
}

RowRange fallbackRows(std::int32_t top, std::int32_t destinationHeight, std::int32_t stageHeight) {
    if (destinationHeight <= 0) return {};
    std::int64_t first = std::max<std::int64_t>(0, -std::int64_t(top));
    std::int64_t end = std::min<std::int64_t>(destinationHeight, std::int64_t(stageHeight) - top);
    if (end <= first) return {};
    return {std::int32_t(first), std::int32_t(end)};
}

namespace {

// The span origin .. origin + extent - 1 (or origin + extent + 1 .. origin for a negative
// extent) cut to 0 .. size, as [first, end) with first == end when nothing is left.
std::pair<std::int32_t, std::int32_t> coveredSpan(std::int32_t origin, std::int32_t extent,
                                                  std::int32_t size) {
    std::int64_t first = extent >= 0 ? origin : std::int64_t(origin) + extent + 1;
    std::int64_t end = extent >= 0 ? std::int64_t(origin) + extent : std::int64_t(origin) + 1;
    first = std::max<std::int64_t>(first, 0);
    end = std::min<std::int64_t>(end, size);
    if (end <= first) return {0, 0};
    return {std::int32_t(first), std::int32_t(end)};
}

} // namespace

Rect spriteBounds(const Rect& rect, std::int32_t stageWidth, std::int32_t stageHeight) {
    auto [left, right] = coveredSpan(rect.left, sub32(rect.right, rect.left), stageWidth);
    auto [top, bottom] = coveredSpan(rect.top, sub32(rect.bottom, rect.top), stageHeight);
    if (left == right || top == bottom) return {};
    return {left, top, right, bottom};
}

} // namespace cinefold
