#pragma once
// Draws one frame on the stage through the stage's device context: the stage filled with the
// background colour.

#include <windows.h>

#include <cstdint>

namespace cinefold {

void composeFrame(HDC stage, std::int32_t stageWidth, std::int32_t stageHeight,
                  std::uint32_t backColor);

} // namespace cinefold
