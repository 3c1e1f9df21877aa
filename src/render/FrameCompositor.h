#pragma once
// Draws the frame currentFrame on the stage, through the stage's device context. For now it
// fills the stage with backColor; tracks and images come with the compositor.

#include <windows.h>

namespace cinefold {

class Player;

void composeFrame(const Player& player, HDC stage);

} // namespace cinefold
