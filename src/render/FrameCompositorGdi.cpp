#include "render/FrameCompositor.h"

#include "player/Player.h"

namespace cinefold {

void composeFrame(const Player& player, HDC stage) {
    RECT whole = {0, 0, player.stageWidth, player.stageHeight};
    HBRUSH background = CreateSolidBrush(player.backColor);
    FillRect(stage, &whole, background);
    DeleteObject(background);
}

} // namespace cinefold
