#include "player/PresentedArea.h"

#include <algorithm>

namespace cinefold {

namespace {

// The destination pixels along one axis whose source pixel lies in [low, high): the map's
// sources never decrease, since presentStage's transfers have positive extents.
void shownBy(const AxisMap& map, std::int32_t low, std::int32_t high, std::int32_t& first,
             std::int32_t& end) {
    const auto begin = std::lower_bound(map.sources.begin(), map.sources.end(), low);
    const auto stop = std::lower_bound(begin, map.sources.end(), high);
    first = map.first + std::int32_t(begin - map.sources.begin());
    end = map.first + std::int32_t(stop - map.sources.begin());
}

} // namespace

PresentedArea::PresentedArea(const PresentedStage& shown, std::int32_t clientWidth,
                             std::int32_t clientHeight, std::int32_t screenWidth,
                             std::int32_t screenHeight)
    : clientWidth_(std::max(clientWidth, 0)), clientHeight_(std::max(clientHeight, 0)) {
    const PresentLayout layout = presentLayout(clientWidth, screenWidth, screenHeight, shown.width,
                                               shown.height, shown.stretchToDesktop);
    switch (layout.kind) {
    case PresentKind::nothing: // black whatever the stage holds
        break;
    case PresentKind::preview:
        wholeWindow_ = true;
        break;
    case PresentKind::centred:
    case PresentKind::stretched: {
        // The copy at 1:1 is the transfer with equal extents.
        const bool centred = layout.kind == PresentKind::centred;
        planStretch({layout.x, centred ? shown.width : layout.width, clientWidth, 0, shown.width,
                     shown.width},
                    {layout.y, centred ? shown.height : layout.height, clientHeight, 0,
                     shown.height, shown.height},
                    plan_);
        break;
    }
    }
}

Rect PresentedArea::of(const Rect& stageRect) const {
    if (wholeWindow_) return {0, 0, clientWidth_, clientHeight_};
    if (plan_.result != StretchResult::drawn || stageRect.left >= stageRect.right ||
        stageRect.top >= stageRect.bottom)
        return {};
    Rect area;
    shownBy(plan_.columns, stageRect.left, stageRect.right, area.left, area.right);
    shownBy(plan_.rows, stageRect.top, stageRect.bottom, area.top, area.bottom);
    if (area.left >= area.right || area.top >= area.bottom) return {};
    return area;
}

} // namespace cinefold
