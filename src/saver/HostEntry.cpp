// The start of the program: the command line, the mode, the saver window and its message loop,
// and the process exit with the mode's result.

#include "player/HostLogic.h"
#include "saver/Host.h"
#include "saver/Settings.h"

namespace cinefold {

SaverState& saverState() {
    static SaverState state;
    return state;
}

namespace {

const char saverClassName[] = "WindowsScreenSaverClass";
const char fullScreenTitle[] = "Screen Saver";
const char previewTitle[] = "Preview";

// The exit code when a fault ends the dispatch: the mode's own result never arrived.
constexpr int faultExitCode = -1;

const char* nextCharacter(const char* position) {
    return CharNextA(position);
}

bool detectWin95Family() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = 148;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// A decimal window number from the command line, or none when it is 0 or names no window.
HWND existingWindow(const char* text) {
    HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(parseWindowHandle(text)));
    return window && IsWindow(window) ? window : nullptr;
}

// mingw's compiler has no structured exception blocks, so the guard around the dispatch is the
// process's unhandled-exception filter: it applies the system's filter to the fault, and when
// that chooses to handle it, takes the saver out of the system's screen-saver state and ends
// the process, as a handler at the end of the dispatch would.
LONG WINAPI dispatchGuard(EXCEPTION_POINTERS* information) {
    LONG decision = UnhandledExceptionFilter(information);
    if (decision == EXCEPTION_EXECUTE_HANDLER) {
        setSaverRunning(0);
        ExitProcess(UINT(faultExitCode));
    }
    return decision;
}

} // namespace

[[noreturn]] void hostEntry() {
    const char* arguments = skipProgramName(GetCommandLineA(), nextCharacter);
    ExitProcess(UINT(dispatchMode(GetModuleHandleA(nullptr), arguments)));
}

int dispatchMode(HINSTANCE instance, const char* arguments) {
    SaverState& state = saverState();
    state.instanceHandle = instance;
    state.isWin95Family = detectWin95Family();
    LPTOP_LEVEL_EXCEPTION_FILTER previousGuard = SetUnhandledExceptionFilter(dispatchGuard);

    int result = -1;
    ModeRequest request = readMode(arguments);
    switch (request.mode) {
    case SaverMode::configure:
        result = configureSaver(nullptr);
        break;
    case SaverMode::configureOwned:
        result = configureSaver(GetForegroundWindow());
        break;
    case SaverMode::fullScreen:
        result = runSaver(nullptr);
        break;
    case SaverMode::preview:
        if (HWND parent = existingWindow(request.handleText)) result = runSaver(parent);
        break;
    case SaverMode::changePassword:
        if (state.isWin95Family) {
            HWND parent = existingWindow(request.handleText);
            changePassword(parent ? parent : GetForegroundWindow());
            result = 0;
        }
        break;
    case SaverMode::refused:
        break;
    }

    SetUnhandledExceptionFilter(previousGuard);
    return result;
}

int runSaver(HWND parent) {
    SaverState& state = saverState();
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = hostWindowProc;
    windowClass.hInstance = state.instanceHandle;
    // The executable has no icon 100; the class takes the program's own icon, group 106.
    windowClass.hIcon = LoadIconA(state.instanceHandle, MAKEINTRESOURCEA(106));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = saverClassName;

    int width;
    int height;
    const char* title;
    DWORD exStyle;
    DWORD style;
    if (parent) {
        RECT client = {};
        GetClientRect(parent, &client);
        width = client.right;
        height = client.bottom;
        state.isPreview = 1;
        title = previewTitle;
        exStyle = 0;
        style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
    } else {
        width = GetSystemMetrics(SM_CXSCREEN);
        height = GetSystemMetrics(SM_CYSCREEN);
        HWND running = FindWindowA(saverClassName, fullScreenTitle);
        if (running && IsWindow(running)) {
            SetForegroundWindow(running);
            return 0;
        }
        loadPasswordModule();
        title = fullScreenTitle;
        exStyle = WS_EX_TOPMOST;
        style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    }

    // The quit message's parameter; it stays -1 when no window could be made.
    int result = -1;
    if (RegisterClassA(&windowClass)) {
        state.saverWindow = CreateWindowExA(exStyle, saverClassName, title, style, 0, 0, width,
                                            height, parent, nullptr, state.instanceHandle, nullptr);
    }
    if (state.saverWindow) {
        if (!parent) SetForegroundWindow(state.saverWindow);
        MSG message;
        BOOL got;
        while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
            if (got == -1) break;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (got == 0) result = int(message.wParam);
    }
    releasePasswordModule();
    return result;
}

int configureSaver(HWND owner) {
    SaverState& state = saverState();
    if (!configureHook(state.instanceHandle)) return 0;
    return int(
        DialogBoxParamA(state.instanceHandle, MAKEINTRESOURCEA(2003), owner, configDialogProc, 0));
}

} // namespace cinefold
