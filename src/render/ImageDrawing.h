#pragma once
// Drawing one image of the store on the stage: a sprite into its rectangle, masked or opaque,
// and the background by its mode. Both are written once for every canvas (Canvas.h). The order
// in which the scoped objects are declared below is the order in which they are given back, in
// reverse: the palette is restored first, then the mask's source is released, then the image's.

#include "base/Arithmetic32.h"
#include "render/Canvas.h"
#include "render/DrawingGeometry.h"
#include "render/ImageStore.h"
#include "render/StretchMapping.h"

#include <algorithm>
#include <cstdint>

namespace cinefold {

namespace detail {

// Draws the rows of a sprite's band one by one, each stretched from one source row; for a
// stretch that the canvas refused as a whole. Only the rows that lie on the stage are drawn.
template <Canvas C, class Source>
void drawRowByRow(C& stage, const Source& source, const Section& section, const Rect& rect,
                  RasterOp op) {
    const std::int32_t width = sub32(rect.right, rect.left);
    const std::int32_t height = sub32(rect.bottom, rect.top);
    const RowRange rows = fallbackRows(rect.top, height, stage.height());
    for (std::int32_t i = rows.first; i < rows.end; ++i)
        stage.stretch(rect.left, rect.top + i, width, 1, source, 0,
                      fallbackSourceRow(section.height, height, i), section.width, 1, op);
}

template <Canvas C, class Source>
void stretchWhole(C& stage, const Source& source, const Section& section, const Rect& rect,
                  RasterOp op) {
    if (!stage.stretch(rect.left, rect.top, sub32(rect.right, rect.left),
                       sub32(rect.bottom, rect.top), source, 0, 0, section.width, section.height,
                       op))
        drawRowByRow(stage, source, section, rect, op);
}

} // namespace detail

// Draws the entry's image onto the rectangle: through its mask (the mask ANDed, then the image
// ORed, so that the stage shows through where the mask is 1), or opaque without one. An entry
// without a bitmap draws nothing.
template <Canvas C> void drawSprite(C& stage, const ImageEntry& entry, const Rect& rect) {
    if (!entry.drawBitmap) return;
    auto image = selectImage(stage, entry);
    auto mask = selectMask(stage, entry); // selects nothing without a mask
    [[maybe_unused]] auto palette = selectPalette(stage, entry.palette);
    useColourOnColour(stage);
    if (entry.mask) {
        detail::stretchWhole(stage, mask, entry.mask, rect, RasterOp::sourceAnd);
        detail::stretchWhole(stage, image, entry.drawBitmap, rect, RasterOp::sourcePaint);
    } else {
        detail::stretchWhole(stage, image, entry.drawBitmap, rect, RasterOp::copy);
    }
}

// The part of a stageWidth x stageHeight stage that drawBackground paints over in full, every
// pixel copied from the image: the centred block clipped to the stage (backMode 1), or the whole
// stage (tiled or stretched). Empty (left == right) when the background draws nothing.
inline Rect backgroundArea(const ImageEntry& entry, std::int32_t stageWidth,
                           std::int32_t stageHeight, std::int32_t backMode) {
    const Section& bitmap = entry.drawBitmap;
    if (!bitmap || stageWidth <= 0 || stageHeight <= 0) return {};
    switch (backMode) {
    case 1: {
        const BackgroundBlock block =
            centredBackground(bitmap.width, bitmap.height, stageWidth, stageHeight);
        const Rect area{block.x, block.y, std::min(block.x + block.width, stageWidth),
                        std::min(block.y + block.height, stageHeight)};
        return area.left < area.right && area.top < area.bottom ? area : Rect{};
    }
    case 2:
    case 3:
        return {0, 0, stageWidth, stageHeight};
    default:
        return {};
    }
}

// Draws the entry's image as the background of a stage of stageWidth x stageHeight: centred at
// its own size (backMode 1), tiled from the top left (2) or stretched to the stage (3); any
// other mode draws nothing. False when a stretch failed, so that part of backgroundArea may not
// have been painted. Tiles outside `within` (a clip in force, say) are left out: each is a copy
// at its own size, which draws nothing outside it and never fails.
template <Canvas C>
bool drawBackground(C& stage, const ImageEntry& entry, std::int32_t stageWidth,
                    std::int32_t stageHeight, std::int32_t backMode, const Rect& within = noClip) {
    const Section& bitmap = entry.drawBitmap;
    if (!bitmap) return true;
    auto image = selectImage(stage, entry);
    [[maybe_unused]] auto palette = selectPalette(stage, entry.palette);
    useColourOnColour(stage);
    const std::int32_t bw = bitmap.width, bh = bitmap.height;
    bool drawn = true;
    switch (backMode) {
    case 1: {
        BackgroundBlock block = centredBackground(bw, bh, stageWidth, stageHeight);
        drawn = stage.stretch(block.x, block.y, block.width, block.height, image, block.sourceX,
                              block.sourceY, block.width, block.height, RasterOp::copy);
        break;
    }
    case 2: {
        const RowRange columns = tilesWithin(stageWidth, bw, within.left, within.right);
        const RowRange rows = tilesWithin(stageHeight, bh, within.top, within.bottom);
        for (std::int32_t r = rows.first; r < rows.end; ++r) {
            const std::int32_t h = tileExtent(stageHeight, bh, r);
            for (std::int32_t c = columns.first; c < columns.end; ++c) {
                const std::int32_t w = tileExtent(stageWidth, bw, c);
                drawn &= stage.stretch(c * bw, r * bh, w, h, image, 0, 0, w, h, RasterOp::copy);
            }
        }
        break;
    }
    case 3:
        drawn = stage.stretch(0, 0, stageWidth, stageHeight, image, 0, 0, bw, bh, RasterOp::copy);
        break;
    default:
        break;
    }
    return drawn;
}

} // namespace cinefold
