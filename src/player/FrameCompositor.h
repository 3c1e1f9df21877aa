#pragma once
// composeFrame: the frame currentFrame drawn on the stage. The stage is filled with backColor,
// the background track's image is laid by backMode, and layers 1 to 50 are drawn in order, so
// that layer 50 ends up on top: each layer's image (its record's own, or its cel group's cel at
// this frame) centred on its record's position, scaled to its size (a cel's size in thousandths
// where the record names a group), mirrored by its flip code and made transparent by its mask.
//
// Its clipped form draws only inside a frame's damage (Damage.h): for each damaged rectangle the
// fill, the background and the layers that meet it, in the same order and clipped to it, which
// gives there the pixels of the whole frame. A stage that holds the frame the damage was taken
// against then holds the new frame everywhere.
//
// One compositor serves every canvas: the saver draws through the GDI canvas and the tools and
// tests through the software canvas. Each build instantiates it for the canvases it has; the
// software canvas's instantiation is in FrameCompositor.cpp, the GDI canvas's on the saver's
// Win32 side.

#include "player/Damage.h"
#include "player/Player.h"
#include "render/ImageDrawing.h"
#include "render/SoftCanvasSelection.h"
#include "timeline/LayerPlacement.h"

#include <array>

namespace cinefold {

namespace detail {

// Fills the stage with colour outside `keep`, in at most four bands around it; the whole stage
// when keep is empty.
template <Canvas C>
void fillAround(C& stage, const Rect& keep, std::int32_t width, std::int32_t height,
                std::uint32_t colour) {
    if (keep.left >= keep.right) {
        stage.fill(0, 0, width, height, colour);
        return;
    }
    if (keep.top > 0) stage.fill(0, 0, width, keep.top, colour);
    if (keep.bottom < height) stage.fill(0, keep.bottom, width, height, colour);
    if (keep.left > 0) stage.fill(0, keep.top, keep.left, keep.bottom, colour);
    if (keep.right < width) stage.fill(keep.right, keep.top, width, keep.bottom, colour);
}

// The stage before its layers: backColor with the background laid over it, where the stage is
// clipped to `within` (or not at all).
template <Canvas C> void composeBack(const Player& player, C& stage, const Rect& within = noClip) {
    const std::int32_t width = player.stageWidth, height = player.stageHeight;
    // Only the image of the background record counts; its place, size, flip and group do not.
    const std::int32_t background = player.trackSet.evaluateBackground(player.currentFrame).image;
    const ImageEntry* entry = background >= 1 && background <= ImageStore::slotCount
                                  ? player.imageStore.entry(background - 1)
                                  : nullptr;

    // The stage is backColor with the background laid over it. The fill leaves out what the
    // background paints over in full, usually the whole stage: filling it first would cost a
    // third of the fill and background of an ordinary frame for pixels nobody sees.
    const Rect painted = entry ? backgroundArea(*entry, width, height, player.backMode) : Rect{};
    detail::fillAround(stage, painted, width, height, player.backColor);
    if (entry && !drawBackground(stage, *entry, width, height, player.backMode, within)) {
        // A stretch that failed left some of that area as it was: fill it, and lay the
        // background again, which gives what filling first would have given.
        stage.fill(painted.left, painted.top, painted.right, painted.bottom, player.backColor);
        drawBackground(stage, *entry, width, height, player.backMode, within);
    }
}

} // namespace detail

template <Canvas C> void composeFrame(const Player& player, C& stage) {
    detail::composeBack(player, stage);
    for (int layer = 1; layer < TrackSet::layerCount; ++layer) {
        const LayerPlacement placement = placeLayer(player.trackSet, layer, player.currentFrame);
        if (!placement.hasImageNumber()) continue;
        drawSprite(stage, *player.imageStore.entry(placement.image - 1), placement.rect);
    }
}

template <Canvas C> void composeFrame(const Player& player, C& stage, const StageDamage& damage) {
    if (damage.whole) {
        composeFrame(player, stage);
        return;
    }
    if (damage.empty()) return;

    // The layers that draw something on the stage, with the pixels each can touch.
    struct Sprite {
        const ImageEntry* entry;
        Rect rect, bounds;
    };
    std::array<Sprite, TrackSet::layerCount> sprites;
    std::size_t count = 0;
    for (int layer = 1; layer < TrackSet::layerCount; ++layer) {
        const LayerPlacement placement = placeLayer(player.trackSet, layer, player.currentFrame);
        if (!placement.hasImageNumber()) continue;
        const ImageEntry* entry = player.imageStore.entry(placement.image - 1);
        const Rect bounds = spriteBounds(placement.rect, player.stageWidth, player.stageHeight);
        if (entry->drawBitmap && bounds.left < bounds.right)
            sprites[count++] = {entry, placement.rect, bounds};
    }

    for (const Rect& area : damage.rects) {
        [[maybe_unused]] auto clip = clipTo(stage, area);
        detail::composeBack(player, stage, area);
        for (std::size_t i = 0; i < count; ++i)
            if (overlap(sprites[i].bounds, area))
                drawSprite(stage, *sprites[i].entry, sprites[i].rect);
    }
}

extern template void composeFrame<SoftCanvas>(const Player&, SoftCanvas&);
extern template void composeFrame<SoftCanvas>(const Player&, SoftCanvas&, const StageDamage&);

} // namespace cinefold
