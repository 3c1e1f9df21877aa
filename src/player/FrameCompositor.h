#pragma once
// composeFrame: the frame currentFrame drawn on the stage. The stage is filled with backColor,
// the background track's image is laid by backMode, and layers 1 to 50 are drawn in order, so
// that layer 50 ends up on top: each layer's image (its record's own, or its cel group's cel at
// this frame) centred on its record's position, scaled to its size (a cel's size in thousandths
// where the record names a group), mirrored by its flip code and made transparent by its mask.
//
// One compositor serves every canvas: the saver draws through the GDI canvas and the tools and
// tests through the software canvas. Each build instantiates it for the canvases it has; the
// software canvas's instantiation is in FrameCompositor.cpp, the GDI canvas's on the saver's
// Win32 side.

#include "player/Player.h"
#include "render/ImageDrawing.h"
#include "timeline/LayerPlacement.h"

namespace cinefold {

template <class Canvas> void composeFrame(const Player& player, Canvas& stage) {
    stage.fill(0, 0, player.stageWidth, player.stageHeight, player.backColor);

    // Only the image of the background record counts; its place, size, flip and group do not.
    const std::int32_t background = player.trackSet.evaluateBackground(player.currentFrame).image;
    if (background >= 1 && background <= ImageStore::slotCount)
        drawBackground(stage, *player.imageStore.entry(background - 1), player.stageWidth,
                       player.stageHeight, player.backMode);

    for (int layer = 1; layer < TrackSet::layerCount; ++layer) {
        const LayerPlacement placement = placeLayer(player.trackSet, layer, player.currentFrame);
        if (!placement.hasImageNumber()) continue;
        const SpriteRect& r = placement.rect;
        drawSprite(stage, *player.imageStore.entry(placement.image - 1),
                   StageRect{r.left, r.top, r.right, r.bottom});
    }
}

extern template void composeFrame<SoftCanvas>(const Player&, SoftCanvas&);

} // namespace cinefold
