#include "player/SaverWindow.h"

#include "host/Host.h"
#include "player/PresentLayout.h"
#include "player/TimerPeriod.h"
#include "render/FrameCompositorGdi.h"

namespace cinefold {

SaverPlayer player;

namespace {

constexpr UINT_PTR frameTimer = 1;
// WM_DESTROY drains the window's queue; a timer or a paint that keeps coming back cannot hold
// the window in its destruction for longer than this many messages.
constexpr int largestDrain = 100000;

void createPlayer(HWND window) {
    player.loadContainer();
    player.createStageBitmap();
    player.readStretchSetting();
    SetTimer(window, frameTimer, timerPeriod(player.framePeriod), nullptr);
}

void paintFrame(HWND window) {
    WindowDc windowDc(window);
    MemoryDc stage(windowDc);
    Selection bitmap(stage, player.stageBitmap.get());
    PaletteSelection palette(windowDc, player.stagePalette.get());
    palette.realize();

    RECT client = {};
    GetClientRect(window, &client);
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);

    if (player.stageBitmap)
        composeFrame(stage, player.stageWidth, player.stageHeight, player.backColor);
    SetStretchBltMode(windowDc, COLORONCOLOR);
    presentStage(player, windowDc, stage, client, screenWidth, screenHeight);
}

void eraseBackground(HWND window) {
    WindowDc windowDc(window);
    RECT client = {};
    GetClientRect(window, &client);
    FillRect(windowDc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void drainQueue(HWND window) {
    MSG message;
    for (int drained = 0; drained < largestDrain && PeekMessageA(&message, window, 0, 0, PM_REMOVE);
         ++drained) {
        // A paint stays queued until the window is validated; removing it does not end it.
        if (message.message == WM_PAINT) ValidateRect(window, nullptr);
    }
}

} // namespace

void presentStage(const Player& player, HDC windowDc, HDC stage, const RECT& client,
                  int screenWidth, int screenHeight) {
    PresentLayout layout =
        presentLayout(client.right - client.left, screenWidth, screenHeight, player.stageWidth,
                      player.stageHeight, player.stretchToDesktop != 0);
    switch (layout.kind) {
    case PresentKind::nothing:
        FillRect(windowDc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        break;
    case PresentKind::centred:
        BitBlt(windowDc, layout.x, layout.y, player.stageWidth, player.stageHeight, stage, 0, 0,
               SRCCOPY);
        break;
    case PresentKind::stretched:
        StretchBlt(windowDc, layout.x, layout.y, layout.width, layout.height, stage, 0, 0,
                   player.stageWidth, player.stageHeight, SRCCOPY);
        break;
    case PresentKind::preview: {
        MemoryDc screen(windowDc);
        GdiObject<HBITMAP> picture(CreateCompatibleBitmap(windowDc, screenWidth, screenHeight));
        Selection selected(screen, picture.get());
        RECT whole = {0, 0, screenWidth, screenHeight};
        FillRect(screen, &whole, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        BitBlt(screen, layout.x, layout.y, player.stageWidth, player.stageHeight, stage, 0, 0,
               SRCCOPY);
        StretchBlt(windowDc, 0, 0, client.right, client.bottom, screen, 0, 0, screenWidth,
                   screenHeight, SRCCOPY);
        break;
    }
    }
}

LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        createPlayer(window);
        break;
    case WM_TIMER:
        InvalidateRect(window, nullptr, FALSE);
        player.advanceFrame(GetTickCount());
        break;
    case WM_PAINT:
        paintFrame(window);
        break;
    case WM_ERASEBKGND:
        eraseBackground(window);
        break;
    case WM_DESTROY:
        drainQueue(window);
        PostQuitMessage(0);
        break;
    }
    return defaultSaverProc(window, message, wParam, lParam);
}

} // namespace cinefold
