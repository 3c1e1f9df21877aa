#pragma once
// presentStage: one paint's copy of the composed stage to the window, as presentLayout places
// it: centred at 1:1, stretched to the desktop, or, in the preview, the stage at 1:1 on a black
// screen-sized picture that is then shrunk into the client area. Written once for every canvas:
// the saver presents through the GDI canvas onto its window, and the tools through the software
// canvas onto a picture of the client's size, so that both show the same pixels.

#include "player/PresentLayout.h"
#include "render/Canvas.h"

#include <cstdint>

namespace cinefold {

// What the presentation needs of the animation: the stage's size and whether the saver's option
// stretches it to the desktop.
struct PresentedStage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool stretchToDesktop = false;
};

// target is the window's client area, clientWidth x clientHeight, on a screen of screenWidth x
// screenHeight; stage holds the composed stage, shown.width x shown.height.
template <class Target, class Stage>
requires PresentTarget<Target, Stage>
void presentStage(const PresentedStage& shown, const Stage& stage, Target& target,
                  std::int32_t clientWidth, std::int32_t clientHeight, std::int32_t screenWidth,
                  std::int32_t screenHeight) {
    constexpr std::uint32_t black = 0;
    const PresentLayout layout = presentLayout(clientWidth, screenWidth, screenHeight, shown.width,
                                               shown.height, shown.stretchToDesktop);
    useColourOnColour(target);
    switch (layout.kind) {
    case PresentKind::nothing:
        target.fill(0, 0, clientWidth, clientHeight, black);
        break;
    case PresentKind::centred:
        copyBlock(target, layout.x, layout.y, shown.width, shown.height,
                  selectSource(target, stage), 0, 0);
        break;
    case PresentKind::stretched:
        target.stretch(layout.x, layout.y, layout.width, layout.height, selectSource(target, stage),
                       0, 0, shown.width, shown.height, RasterOp::copy);
        break;
    case PresentKind::preview: {
        auto screen = makePicture(target, screenWidth, screenHeight);
        screen.fill(0, 0, screenWidth, screenHeight, black);
        copyBlock(screen, layout.x, layout.y, shown.width, shown.height,
                  selectSource(screen, stage), 0, 0);
        target.stretch(0, 0, clientWidth, clientHeight, selectSource(target, screen), 0, 0,
                       screenWidth, screenHeight, RasterOp::copy);
        break;
    }
    }
}

} // namespace cinefold
