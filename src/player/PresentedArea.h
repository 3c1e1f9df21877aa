#pragma once
// Where a change of the stage shows on the window. presentStage maps the whole stage onto the
// window in one transfer (a copy at 1:1 or a nearest-neighbour stretch); a window pixel shows one
// stage pixel, and the window pixels that show a rectangle of the stage form a rectangle too,
// since the mapping keeps order along each axis. Redrawing just that rectangle of the window by
// the same whole-window transfer, clipped to it, gives the pixels a full present gives, so a
// presenter can send only the parts of the window that a frame changed.

#include "base/Rect.h"
#include "player/PresentStage.h"
#include "render/StretchMapping.h"

#include <cstdint>

namespace cinefold {

class PresentedArea {
  public:
    // Plans the mapping for a window of clientWidth x clientHeight on a screen of screenWidth x
    // screenHeight, as presentStage places the stage there.
    PresentedArea(const PresentedStage& shown, std::int32_t clientWidth, std::int32_t clientHeight,
                  std::int32_t screenWidth, std::int32_t screenHeight);

    // The window pixels that show stage pixels inside stageRect (left, top inclusive; right,
    // bottom exclusive), clipped to the window; empty (left == right) when none do. The preview
    // shrinks a screen-sized picture with the stage in it, and any of its pixels may show the
    // stage: there it is the whole window.
    Rect of(const Rect& stageRect) const;

  private:
    bool wholeWindow_ = false;
    std::int32_t clientWidth_ = 0;
    std::int32_t clientHeight_ = 0;
    StretchPlan plan_;
};

} // namespace cinefold
