#include "saver/SaverWindow.h"

#include "player/TimerPeriod.h"
#include "saver/Host.h"
#include "saver/SaverCompositor.h"

#include <cstdint>
#include <vector>

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

PaintedWindow paintedWindow(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    return {client.right, client.bottom, GetSystemMetrics(SM_CXSCREEN),
            GetSystemMetrics(SM_CYSCREEN)};
}

// Asks for a paint of the window rectangles that show what the current frame changed; a frame
// that changes nothing asks for none.
void invalidateFrame(HWND window) {
    const std::vector<Rect> parts = takeFrameDamage(saverState().player, paintedWindow(window));
    if (parts.empty()) return;
    // One region for all of them: each invalidation is a request to the window system.
    GdiObject<HRGN> region(CreateRectRgn(0, 0, 0, 0));
    for (const Rect& part : parts) {
        GdiObject<HRGN> rect(CreateRectRgn(part.left, part.top, part.right, part.bottom));
        if (region && rect) CombineRgn(region.get(), region.get(), rect.get(), RGN_OR);
    }
    if (region)
        InvalidateRgn(window, region.get(), FALSE);
    else
        InvalidateRect(window, nullptr, FALSE);
}

void createPlayer(HWND window) {
    SaverPlayer& player = saverState().player;
    player.loadContainer();
    player.createStageBitmap();
    player.readStretchSetting();
    // The first frame is the whole stage; the window's first paint shows it whole anyway.
    player.damage.reset();
    player.staleStage.clear();
    invalidateFrame(window);
    startTimer(window);
}

// The rectangles of the window's update region, in client coordinates; none when it has none.
// A region of many small rectangles is painted through its bounding box.
std::vector<Rect> updateRects(HWND window) {
    constexpr DWORD mostRects = 32;
    std::vector<Rect> rects;
    GdiObject<HRGN> region(CreateRectRgn(0, 0, 0, 0));
    if (!region || GetUpdateRgn(window, region.get(), FALSE) <= NULLREGION) return rects;
    const DWORD bytes = GetRegionData(region.get(), 0, nullptr);
    std::vector<std::uint8_t> data(bytes);
    auto* header = reinterpret_cast<RGNDATA*>(data.data());
    if (bytes < sizeof(RGNDATAHEADER) || GetRegionData(region.get(), bytes, header) != bytes ||
        header->rdh.nCount > mostRects) {
        RECT box = {};
        GetRgnBox(region.get(), &box);
        rects.push_back({box.left, box.top, box.right, box.bottom});
        return rects;
    }
    const auto* list = reinterpret_cast<const RECT*>(header->Buffer);
    for (DWORD i = 0; i < header->rdh.nCount; ++i)
        rects.push_back({list[i].left, list[i].top, list[i].right, list[i].bottom});
    return rects;
}

// A paint: the parts of the window in its update region, or all of it when whole is set (after
// the background was erased) or when the paint has no update region.
void paintFrame(HWND window, bool whole) {
    SaverPlayer& player = saverState().player;
    const std::vector<Rect> parts = whole ? std::vector<Rect>() : updateRects(window);
    WindowDc windowDc(window);
    PaletteSelection palette(windowDc, player.stagePalette.get());
    palette.realize();
    paintStage(player, windowDc, paintedWindow(window), parts);
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
        saverState().player.advanceFrame(GetTickCount());
        invalidateFrame(window);
        break;
    case WM_PAINT:
        paintFrame(window, false);
        if (!saverState().frameTimerRunning) startTimer(window);
        break;
    case WM_ERASEBKGND: {
        // The system erases an exposed window after the paint that showed the frame, and the
        // default procedure erases once more: the black covers the whole window, which is then
        // presented again from the kept stage.
        eraseBackground(window);
        const LRESULT erased = defaultSaverProc(window, message, wParam, lParam);
        paintFrame(window, true);
        return erased;
    }
    case WM_DESTROY:
        drainQueue(window);
        PostQuitMessage(0);
        break;
    }
    return defaultSaverProc(window, message, wParam, lParam);
}

} // namespace cinefold
