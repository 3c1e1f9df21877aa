#include "linux/IncrementalPresent.h"

#include "player/PresentStage.h"
#include "player/PresentedArea.h"

#include <cstring>

namespace cinefold {

const std::vector<Rect>& IncrementalPresent::present(const Player& player, const SoftCanvas& stage,
                                                     std::span<const Rect> damage,
                                                     std::uint8_t* pixels, std::int32_t width,
                                                     std::int32_t height, std::uint32_t rowBytes,
                                                     std::int32_t screenWidth,
                                                     std::int32_t screenHeight) {
    const Geometry geometry{pixels,
                            width,
                            height,
                            screenWidth,
                            screenHeight,
                            player.stageWidth,
                            player.stageHeight,
                            player.stretchToDesktop};
    const PresentedStage shown{player.stageWidth, player.stageHeight, player.stretchToDesktop != 0};
    PixelTarget32 target(pixels, width, height, rowBytes);
    drawn_.clear();
    if (!shownValid_ || !(geometry == shownGeometry_)) {
        // presentStage draws only where the stage lands, as the saver's paint does on a window
        // that was erased black once; a picture whose geometry changed starts black again.
        for (std::int32_t y = 0; y < height; ++y)
            std::memset(pixels + std::size_t(y) * rowBytes, 0, std::size_t(width) * 4);
        presentStage(shown, stage, target, width, height, screenWidth, screenHeight);
        shownGeometry_ = geometry;
        shownValid_ = true;
        if (width > 0 && height > 0) drawn_.push_back({0, 0, width, height});
        return drawn_;
    }
    const PresentedArea area(shown, width, height, screenWidth, screenHeight);
    for (const Rect& changed : damage) {
        const Rect clip = area.of(changed);
        if (clip.left >= clip.right) continue;
        [[maybe_unused]] auto clipped = clipTo(target, clip);
        presentStage(shown, stage, target, width, height, screenWidth, screenHeight);
        drawn_.push_back(clip);
        // The preview's whole window is drawn once for any damage.
        if (clip == Rect{0, 0, width, height}) break;
    }
    return drawn_;
}

} // namespace cinefold
