// A minimal host for the saver: full screen for "S", closing on a key or a click, exit code -1
// for anything it does not run yet. It loads the container behind the executable and paints
// the stage's background colour at the stage's size, centred on a black screen.

#include "player/Player.h"

#include <windows.h>

namespace {

cinefold::Player player;
const char saverClassName[] = "WindowsScreenSaverClass";

LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        player.loadContainer();
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_SETCURSOR:
        SetCursor(nullptr);
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        int left = (client.right - player.stageWidth) / 2;
        int top = (client.bottom - player.stageHeight) / 2;
        RECT stage = {left, top, left + player.stageWidth, top + player.stageHeight};
        HBRUSH brush = CreateSolidBrush(player.backColor & 0x00FFFFFF);
        FillRect(dc, &stage, brush);
        DeleteObject(brush);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int runFullScreen(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = saverWindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = saverClassName;
    if (!RegisterClassA(&windowClass)) return -1;
    HWND window = CreateWindowExA(WS_EX_TOPMOST, saverClassName, "Screen Saver",
                                  WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                  nullptr, nullptr, instance, nullptr);
    if (!window) return -1;
    SetForegroundWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return int(message.wParam);
}

// The argument text after the program name.
const char* skipProgramName(const char* line) {
    if (*line == '"') {
        ++line;
        while (*line && *line != '"')
            ++line;
        if (*line == '"') ++line;
    } else {
        while (static_cast<unsigned char>(*line) > ' ')
            ++line;
    }
    while (*line && static_cast<unsigned char>(*line) <= ' ')
        ++line;
    return line;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const char* arguments = skipProgramName(GetCommandLineA());
    while (*arguments == ' ' || *arguments == '-' || *arguments == '/')
        ++arguments;
    int result = -1;
    if (*arguments == 's' || *arguments == 'S') result = runFullScreen(instance);
    ExitProcess(UINT(result));
}
