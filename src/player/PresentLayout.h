#pragma once
// Where one paint puts the stage: centred at 1:1, stretched in tenths to the desktop, or shrunk
// into the preview. Plain arithmetic, every division truncating toward zero.

#include <cstdint>

namespace cinefold {

// ((screen - size) / 2), truncated toward zero: how windows, dialogs and the stage are centred.
inline std::int32_t centredOrigin(std::int32_t screen, std::int32_t size) {
    return std::int32_t((std::int64_t(screen) - size) / 2);
}

// How one paint puts the stage on the window.
enum class PresentKind {
    nothing,   // the stage has no usable size: the window stays black
    centred,   // full screen, 1:1 at (x, y)
    stretched, // full screen, scaled to width x height at (x, y)
    preview,   // the stage at 1:1 at (x, y) on a black screen-sized picture, shrunk into the client
};

struct PresentLayout {
    PresentKind kind = PresentKind::nothing;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t scaleTenths = 10; // stretched only
};

// A stage size that the saver can make a bitmap of and present: positive, and small enough that
// no stage record can make the saver allocate more than a bounded amount.
bool stageSizeUsable(std::int32_t stageWidth, std::int32_t stageHeight);

// Full screen when the client is as wide as the screen, preview otherwise.
PresentLayout presentLayout(std::int32_t clientWidth, std::int32_t screenWidth,
                            std::int32_t screenHeight, std::int32_t stageWidth,
                            std::int32_t stageHeight, bool stretchToDesktop);

} // namespace cinefold
