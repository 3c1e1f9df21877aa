#include "render/FrameCompositorGdi.h"

#include "win32/Owners.h"

namespace cinefold {

void composeFrame(HDC stage, std::int32_t stageWidth, std::int32_t stageHeight,
                  std::uint32_t backColor) {
    RECT whole = {0, 0, stageWidth, stageHeight};
    GdiObject<HBRUSH> background(CreateSolidBrush(backColor));
    FillRect(stage, &whole, background.get());
}

} // namespace cinefold
