#include "player/PresentLayout.h"

#include "render/StageSurface.h"

#include <algorithm>

namespace cinefold {

namespace {
// The stage bitmap is 24 bits a pixel; a stage record may claim any size, so the saver makes
// no stage larger than this (a 4096 x 4096 stage is about 48 MiB).
constexpr std::int64_t largestStageBytes = std::int64_t(128) << 20;
constexpr std::int32_t largestStageSide = 32767;
} // namespace

bool stageSizeUsable(std::int32_t stageWidth, std::int32_t stageHeight) {
    if (stageWidth <= 0 || stageHeight <= 0) return false;
    if (stageWidth > largestStageSide || stageHeight > largestStageSide) return false;
    const std::uint64_t rowLength = dibRowLength(std::uint64_t(stageWidth), 24);
    return rowLength * std::uint64_t(stageHeight) <= std::uint64_t(largestStageBytes);
}

PresentLayout presentLayout(std::int32_t clientWidth, std::int32_t screenWidth,
                            std::int32_t screenHeight, std::int32_t stageWidth,
                            std::int32_t stageHeight, bool stretchToDesktop) {
    PresentLayout layout;
    if (!stageSizeUsable(stageWidth, stageHeight)) return layout;
    layout.width = stageWidth;
    layout.height = stageHeight;
    if (clientWidth != screenWidth) {
        layout.kind = PresentKind::preview;
    } else if (stretchToDesktop) {
        layout.kind = PresentKind::stretched;
        std::int64_t across = std::int64_t(screenWidth) * 10 / stageWidth;
        std::int64_t down = std::int64_t(screenHeight) * 10 / stageHeight;
        std::int64_t scale = std::max<std::int64_t>(std::min(across, down), 0);
        layout.scaleTenths = std::int32_t(scale);
        layout.width = std::int32_t(scale * stageWidth / 10);
        layout.height = std::int32_t(scale * stageHeight / 10);
    } else {
        layout.kind = PresentKind::centred;
    }
    layout.x = centredOrigin(screenWidth, layout.width);
    layout.y = centredOrigin(screenHeight, layout.height);
    return layout;
}

} // namespace cinefold
