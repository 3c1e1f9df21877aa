#pragma once
// The Player's window procedure, between the host's class procedure and its default procedure:
// it loads the animation when the window is created, advances it on every timer tick and asks
// for a paint of what the new frame changed, and on every paint composes and presents that (see
// SaverCompositor.h).

#include "saver/SaverPlayer.h"

#include <windows.h>

namespace cinefold {

LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace cinefold
