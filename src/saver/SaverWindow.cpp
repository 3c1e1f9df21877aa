#include "saver/SaverWindow.h"

#include "player/TimerPeriod.h"
#include "saver/Host.h"
#include "saver/SaverCompositor.h"

namespace cinefold {

namespace {

constexpr UINT_PTR frameTimer = 1;
// WM_DESTROY drains the window's queue; a timer or a paint that keeps coming back cannot hold
// the window in its destruction for longer than this many messages.
constexpr int largestDrain = 100000;

void startTimer(HWND window) {
    SaverState& state = saverState();
    state.frameTimerRunning =
        SetTimer(window, frameTimer, timerPeriod(state.player.framePeriod), nullptr) != 0;
}

void createPlayer(HWND window) {
    SaverPlayer& player = saverState().player;
    player.loadContainer();
    player.createStageBitmap();
    player.readStretchSetting();
    startTimer(window);
}

void paintFrame(HWND window) {
    const SaverPlayer& player = saverState().player;
    WindowDc windowDc(window);
    MemoryDc stageDc(windowDc);
    Selection bitmap(stageDc, player.stageBitmap.get());
    PaletteSelection palette(windowDc, player.stagePalette.get());
    palette.realize();

    RECT client = {};
    GetClientRect(window, &client);
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);

    GdiCanvas stage(stageDc, player.stageWidth, player.stageHeight);
    if (player.stageBitmap) composeFrame(player, stage);
    GdiCanvas target(windowDc, client.right, client.bottom);
    presentStage(
        PresentedStage{player.stageWidth, player.stageHeight, player.stretchToDesktop != 0}, stage,
        target, client.right, client.bottom, screenWidth, screenHeight);
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

LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        createPlayer(window);
        break;
    case WM_TIMER:
        InvalidateRect(window, nullptr, FALSE);
        saverState().player.advanceFrame(GetTickCount());
        break;
    case WM_PAINT:
        paintFrame(window);
        if (!saverState().frameTimerRunning) startTimer(window);
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
