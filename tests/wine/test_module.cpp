// Stand-ins for the 95 family's password modules, which the Wine tests place beside the saver.
// Built twice. As "PASSWORD.CPL" (CINEFOLD_PASSWORD_MODULE defined) its "VerifyScreenSavePwd"
// opens a small window titled "Cinefold Test Password" and runs its own message loop, as a modal
// password dialog would, until the test answers by sending the window message 0x0401 with the
// answer (non-zero: the right password) as first parameter. As "MPR.DLL" its
// "PwdChangePasswordA" records its four arguments. Every call, the answer and the module's
// loading and unloading are appended to the file named by the environment variable
// CINEFOLD_TEST_LOG.

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {

HINSTANCE moduleInstance = nullptr;

void record(const char* format, ...) {
    char path[MAX_PATH] = {}, line[512];
    const DWORD length = GetEnvironmentVariableA("CINEFOLD_TEST_LOG", path, sizeof path);
    va_list arguments;
    va_start(arguments, format);
    const int size = std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    if (length == 0 || length >= sizeof path || size <= 0) return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, DWORD(size < int(sizeof line) ? size : int(sizeof line) - 1), &written,
              nullptr);
    CloseHandle(file);
}

#ifdef CINEFOLD_PASSWORD_MODULE
const char moduleName[] = "password-module";
constexpr UINT answerMessage = WM_USER + 1;
constexpr UINT_PTR giveUpTimer = 1;
// A test that never answers must not leave the saver waiting for ever.
constexpr UINT giveUpMilliseconds = 60000;
const char windowClassName[] = "CinefoldTestPassword";
const char windowTitle[] = "Cinefold Test Password";
bool answered = false;
BOOL answer = FALSE;

LRESULT CALLBACK passwordWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == answerMessage || (message == WM_TIMER && wParam == giveUpTimer)) {
        answer = message == answerMessage && wParam != 0;
        answered = true;
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND saver) {
    BOOL running = FALSE;
    SystemParametersInfoA(114, 0, &running, 0); // SPI_GETSCREENSAVERRUNNING
    record("verify window=%lu running=%d\n", static_cast<unsigned long>(UINT_PTR(saver)),
           running ? 1 : 0);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = passwordWindowProc;
    windowClass.hInstance = moduleInstance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = windowClassName;
    RegisterClassA(&windowClass);
    answered = false;
    answer = FALSE;
    HWND window = CreateWindowExA(WS_EX_TOPMOST, windowClassName, windowTitle,
                                  WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 100, 240, 80, saver,
                                  nullptr, moduleInstance, nullptr);
    if (!window) return FALSE;
    SetTimer(window, giveUpTimer, giveUpMilliseconds, nullptr);
    MSG message;
    BOOL got = 1;
    while (!answered && (got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // A quit that ended this loop is meant for the saver's own loop.
    if (got == 0) PostQuitMessage(int(message.wParam));
    if (IsWindow(window)) DestroyWindow(window);
    record("answer=%d\n", answer ? 1 : 0);
    return answer;
}

#else
const char moduleName[] = "provider-module";
} // namespace

extern "C" __declspec(dllexport) DWORD WINAPI
    PwdChangePasswordA(LPCSTR provider, HWND parent, DWORD reserved1, DWORD reserved2) {
    record("change provider=%.200s window=%lu reserved=%lu,%lu\n", provider ? provider : "(null)",
           static_cast<unsigned long>(UINT_PTR(parent)), static_cast<unsigned long>(reserved1),
           static_cast<unsigned long>(reserved2));
    return 0;
}
#endif

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        moduleInstance = instance;
        record("%s loaded\n", moduleName);
    } else if (reason == DLL_PROCESS_DETACH) {
        // At process exit the system passes a non-null reserved pointer; a FreeLibrary passes
        // null.
        record("%s %s\n", moduleName, reserved ? "unloaded-at-exit" : "freed");
    }
    return TRUE;
}
