// The generic screen-saver behaviour of the saver window: the host's class procedure, which
// stands before the Player's procedure, and the default procedure that ends the chain. Input
// closes the full-screen saver, the cursor stays hidden, the system commands that switch
// windows or start the system's own saver are dropped, and text input is detached while the
// window lives. The preview window is a quiet child of the window that shows it.

#include "player/HostLogic.h"
#include "saver/Host.h"
#include "saver/SaverWindow.h"

namespace cinefold {

namespace {

constexpr WPARAM nextWindowCommand = 0xF040;     // SC_NEXTWINDOW
constexpr WPARAM previousWindowCommand = 0xF050; // SC_PREVWINDOW
constexpr WPARAM screenSaveCommand = 0xF140;     // SC_SCREENSAVE
constexpr UINT parentAnswerLimitMs = 1000;

LRESULT systemDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return saverState().systemDefaultProc(window, message, wParam, lParam);
}

void detachTextInput(HWND window) {
    SaverState& state = saverState();
    state.imeModule = GetModuleHandleA("IMM32.DLL");
    if (!state.imeModule) return;
    state.imeAssociate = entryPoint<AssociateContextProc>(state.imeModule, "ImmAssociateContext");
    if (state.imeAssociate) state.savedImeContext = state.imeAssociate(window, nullptr);
}

// The window that shows the preview answers help and context-menu requests for it; they reach
// it with its own handle as the window concerned. WM_HELP carries a pointer to the help record,
// and the system refuses to post such a message, so it is sent instead, with a time limit so
// that a hung parent cannot stop the saver.
void passToParent(HWND parent, UINT message, LPARAM lParam) {
    WPARAM self = reinterpret_cast<WPARAM>(parent);
    if (PostMessageA(parent, message, self, lParam) || message != WM_HELP) return;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(parent, message, self, lParam, SMTO_ABORTIFHUNG, parentAnswerLimitMs,
                        &ignored);
}

void postClose(HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
}

} // namespace

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SaverState& state = saverState();
    switch (message) {
    case WM_CREATE:
        detachTextInput(window);
        GetCursorPos(&state.startCursor);
        if (!state.isPreview) SetCursor(nullptr);
        break;
    case WM_DESTROY:
        if (state.imeModule && state.imeAssociate && state.savedImeContext)
            state.imeAssociate(window, state.savedImeContext);
        PostQuitMessage(0);
        break;
    case WM_SETTEXT:
        return 0;
    case WM_PAINT:
        if (state.closeAllowed) return systemDefault(window, message, wParam, lParam);
        if (!state.isPreview) SetCursor(nullptr);
        break;
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (state.isPreview) {
            HWND parent = GetParent(window);
            if (parent && IsWindow(parent)) passToParent(parent, message, lParam);
            return 1;
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (state.closeAllowed) return systemDefault(window, message, wParam, lParam);
        break;
    case WM_SYSCOMMAND:
        if (!state.isPreview && (wParam == nextWindowCommand || wParam == previousWindowCommand ||
                                 wParam == screenSaveCommand))
            return 0;
        break;
    case WM_TIMER:
        if (state.closeAllowed) return 0;
        Sleep(0);
        break;
    }
    return saverWindowProc(window, message, wParam, lParam);
}

LRESULT CALLBACK defaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SaverState& state = saverState();
    if (state.isPreview || state.closeAllowed)
        return systemDefault(window, message, wParam, lParam);

    if (message == WM_CLOSE) {
        if (!state.isWin95Family || verifyBeforeClose(window))
            return systemDefault(window, message, wParam, lParam);
        GetCursorPos(&state.startCursor);
        return 0;
    }
    if (message == verifyRequestMessage) {
        if (!state.isWin95Family) return systemDefault(window, message, wParam, lParam);
        return state.verifyPassword ? state.verifyPassword(window) : 1;
    }
    if (state.checkingPassword) return systemDefault(window, message, wParam, lParam);

    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam) SetCursor(nullptr);
        break;
    case WM_ACTIVATEAPP:
        if (!wParam) postClose(window);
        break;
    case WM_SETCURSOR:
        SetCursor(nullptr);
        return 1;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        postClose(window);
        break;
    case WM_MOUSEMOVE: {
        POINT cursor = {};
        GetCursorPos(&cursor);
        if (mouseTravel(state.startCursor.x, state.startCursor.y, cursor.x, cursor.y) >
            moveThreshold) {
            postClose(window);
            state.startCursor = cursor;
        }
        break;
    }
    }
    return systemDefault(window, message, wParam, lParam);
}

void setSaverRunning(int running) {
    if (!saverState().isWin95Family) return;
    UINT previous = 0;
    SystemParametersInfoA(screenSaverRunningAction, UINT(running), &previous, 0);
}

} // namespace cinefold
