#pragma once
// What the Wine test programs share: handling this thread's messages while they wait, windows of
// classes of their own, and where two 24-bit pictures first differ.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace cinefold::test {

// Handles this thread's messages, so that a window of another process that is a child of one of
// this thread's windows never waits on it.
inline void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

template <typename Condition> bool waitFor(Condition condition, DWORD limitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        pumpMessages();
        if (condition()) return true;
        if (GetTickCount() - start > limitMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// A popup window of a class registered on first use (later registrations fail harmlessly).
inline HWND makeWindow(const char* className, WNDPROC procedure, DWORD style = WS_POPUP,
                       RECT at = {0, 0, 100, 100}, const char* title = "Screen Saver") {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, className, title, style, at.left, at.top, at.right - at.left,
                           at.bottom - at.top, nullptr, nullptr, windowClass.hInstance, nullptr);
}

// Removes the window's queued messages of this kind and says how many there were.
inline int queuedCount(HWND window, UINT message) {
    int count = 0;
    MSG pending;
    while (PeekMessageA(&pending, window, message, message, PM_REMOVE))
        ++count;
    return count;
}

// How many pixels of two pictures of 24-bit rows (blue, green, red) differ, and the first of them
// with both colours as 0xRRGGBB; "" when they agree. RowA and RowB give row y counted from the top.
template <typename RowA, typename RowB>
std::string pixelDifference(std::int32_t width, std::int32_t height, RowA gdiRow, RowB canvasRow) {
    int count = 0;
    char first[96] = {};
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t* a = gdiRow(y) + 3 * x;
            const std::uint8_t* b = canvasRow(y) + 3 * x;
            if (std::memcmp(a, b, 3) != 0 && count++ == 0)
                std::snprintf(first, sizeof first,
                              "(%d, %d): GDI %02X%02X%02X, canvas %02X%02X%02X", x, y, a[2], a[1],
                              a[0], b[2], b[1], b[0]);
        }
    return count ? std::to_string(count) + " pixels differ, the first at " + first : "";
}

} // namespace cinefold::test
