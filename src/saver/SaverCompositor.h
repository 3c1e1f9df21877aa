#pragma once
// The compositor and the presentation for the GDI canvas, as the saver paints: the compositor is
// instantiated once, in SaverCompositor.cpp.
//
// The saver keeps its stage bitmap from paint to paint. Each frame's damage (Damage.h) marks the
// stage rectangles the bitmap lacks and the window rectangles that show them; only those are
// invalidated, so a frame that changes nothing is not painted at all. A paint composes what the
// bitmap lacks and presents it through the whole-window transfer clipped to each rectangle of
// the window's update region, which gives there the pixels a whole present gives, while an
// exposed part of the window is presented again from the kept stage.

#include "player/FrameCompositor.h"
#include "player/PresentStage.h"
#include "saver/GdiCanvas.h"
#include "saver/SaverPlayer.h"

#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

namespace cinefold {

extern template void composeFrame<GdiCanvas>(const Player&, GdiCanvas&);
extern template void composeFrame<GdiCanvas>(const Player&, GdiCanvas&, const StageDamage&);

// The window of the saver's paint: its client area and the screen it is on.
struct PaintedWindow {
    std::int32_t clientWidth = 0;
    std::int32_t clientHeight = 0;
    std::int32_t screenWidth = 0;
    std::int32_t screenHeight = 0;
};

// Takes the damage of the Player's current frame into its staleStage and gives the rectangles of
// the window that show it: none when the frame changes nothing that shows.
std::vector<Rect> takeFrameDamage(SaverPlayer& player, const PaintedWindow& window);

// One paint on the window's DC: composes what the stage bitmap lacks, then presents the stage
// clipped to each of parts (window rectangles), or on the whole window when parts is empty.
void paintStage(SaverPlayer& player, HDC windowDc, const PaintedWindow& window,
                std::span<const Rect> parts);

} // namespace cinefold
