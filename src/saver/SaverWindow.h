#pragma once
// The Player's window procedure, between the host's class procedure and its default procedure:
// it loads the animation when the window is created, advances it on every timer tick and
// composes and presents one frame on every paint.

#include "saver/SaverPlayer.h"

#include <windows.h>

namespace cinefold {

LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace cinefold
