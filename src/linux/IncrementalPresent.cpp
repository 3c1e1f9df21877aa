#include "linux/IncrementalPresent.h"

#include "player/PresentLayout.h"
#include "player/PresentStage.h"

#include <cstring>

namespace cinefold {

RowRange IncrementalPresent::present(const Player& player, const SoftCanvas& stage,
                                     std::uint8_t* pixels, std::int32_t width, std::int32_t height,
                                     std::uint32_t rowBytes, std::int32_t screenWidth,
                                     std::int32_t screenHeight) {
    const Geometry geometry{pixels,
                            width,
                            height,
                            screenWidth,
                            screenHeight,
                            player.stageWidth,
                            player.stageHeight,
                            player.stretchToDesktop};
    const bool same = shownValid_ && geometry == shownGeometry_;
    // presentStage draws only where the stage lands, as the saver's paint does on a window that
    // was erased black once; a picture whose geometry changed starts black again.
    if (!same)
        for (std::int32_t y = 0; y < height; ++y)
            std::memset(pixels + std::size_t(y) * rowBytes, 0, std::size_t(width) * 4);

    PixelTarget32 target(pixels, width, height, rowBytes);
    const DibView view = stage.view();
    const std::size_t stageBytes = std::size_t(view.rowLength) * std::size_t(view.height);
    if (same && view.pixels != nullptr && shownStage_.size() == stageBytes) {
        unchanged_.resize(std::size_t(view.height));
        for (std::int32_t y = 0; y < view.height; ++y)
            unchanged_[std::size_t(y)] =
                std::memcmp(stage.row(y), shownStage_.data() + std::size_t(y) * view.rowLength,
                            view.rowLength) == 0;
        target.keepRows(view.pixels, unchanged_.data());
    }
    presentStage(
        PresentedStage{player.stageWidth, player.stageHeight, player.stretchToDesktop != 0}, stage,
        target, width, height, screenWidth, screenHeight);

    if (view.pixels != nullptr) shownStage_.assign(view.pixels, view.pixels + stageBytes);
    shownGeometry_ = geometry;
    shownValid_ = true;
    if (!same) return {0, height};
    return {target.firstDrawn(), target.endDrawn()};
}

} // namespace cinefold
