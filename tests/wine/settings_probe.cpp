// settings_probe: the Wine tests' view of the registry and of dialogs from inside the prefix,
// for the settings and password tests. Output is "key=value" fields, one line per answer.
//
//   settings_probe get KEY VALUE           type, size and data (hex) as RegQueryValueExA sees
//                                          them, and the size stored (UTF-16 for texts); exit
//                                          1 and "key=absent" or "value=absent"
//   settings_probe set KEY VALUE TYPE HEX  stores exactly these bytes ("" for none)
//   settings_probe delete KEY [VALUE]      a value, or a key with everything under it
//   settings_probe handle CLASS TITLE      the window's handle, in decimal
//   settings_probe controls CLASS TITLE    the window, then each child control: id, class,
//                                          style, rectangle on the screen, check state, text
//   settings_probe foreground              the foreground window's handle
//   settings_probe saverrunning            the system's screen-saver-running state
//   settings_probe window TITLE WAIT_MS    shows a window of its own until WAIT_MS have passed
//
// KEY is under HKEY_CURRENT_USER. An empty CLASS or TITLE matches any. Usage errors exit 2,
// failed system calls 3.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>

namespace {

constexpr int exitDone = 0;
constexpr int exitNotMet = 1;
constexpr int exitUsage = 2;
constexpr int exitSystem = 3;
constexpr UINT screenSaverRunningQuery = 114; // SPI_GETSCREENSAVERRUNNING

int usage() {
    std::fputs("usage: settings_probe get KEY VALUE | set KEY VALUE TYPE HEX | delete KEY [VALUE]\n"
               "       settings_probe handle|controls CLASS TITLE | foreground | saverrunning\n"
               "       settings_probe window TITLE WAIT_MS\n",
               stderr);
    return exitUsage;
}

const char* orAny(const char* text) {
    return *text ? text : nullptr;
}

unsigned long handleNumber(HWND window) {
    return static_cast<unsigned long>(UINT_PTR(window));
}

bool parseHex(const char* text, std::vector<BYTE>& bytes) {
    std::size_t length = std::strlen(text);
    if (length % 2) return false;
    for (std::size_t i = 0; i < length; i += 2) {
        char pair[3] = {text[i], text[i + 1], 0};
        char* end = nullptr;
        unsigned long value = std::strtoul(pair, &end, 16);
        if (*end) return false;
        bytes.push_back(BYTE(value));
    }
    return true;
}

int getCommand(const char* keyName, const char* valueName) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyName, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        std::puts("key=absent");
        return exitNotMet;
    }
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) {
        RegCloseKey(key);
        std::puts("value=absent");
        return exitNotMet;
    }
    std::vector<BYTE> data(size + 1);
    status = RegQueryValueExA(key, valueName, nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return exitSystem;
    // The size the registry holds, in UTF-16 for texts, beside what the ANSI call reports.
    DWORD storedSize = 0;
    std::wstring wideName(valueName, valueName + std::strlen(valueName));
    HKEY wideKey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyName, 0, KEY_READ, &wideKey) == ERROR_SUCCESS) {
        RegQueryValueExW(wideKey, wideName.c_str(), nullptr, nullptr, nullptr, &storedSize);
        RegCloseKey(wideKey);
    }
    std::printf("type=%lu size=%lu stored=%lu data=", static_cast<unsigned long>(type),
                static_cast<unsigned long>(size), static_cast<unsigned long>(storedSize));
    for (DWORD i = 0; i < size && i < 64; ++i)
        std::printf("%02x", data[i]);
    std::puts(size > 64 ? "..." : "");
    return exitDone;
}

int setCommand(const char* keyName, const char* valueName, const char* typeText, const char* hex) {
    std::vector<BYTE> bytes;
    char* end = nullptr;
    unsigned long type = std::strtoul(typeText, &end, 10);
    if (*end || !parseHex(hex, bytes)) return usage();
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyName, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return exitSystem;
    // The system lengthens a text whose next byte is a zero by that zero; a non-zero byte after
    // the data keeps the stored size exactly as given.
    const DWORD size = DWORD(bytes.size());
    bytes.push_back(0xFF);
    LONG status = RegSetValueExA(key, valueName, 0, DWORD(type), bytes.data(), size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? exitDone : exitSystem;
}

int deleteCommand(const char* keyName, const char* valueName) {
    if (!valueName) {
        LONG status = RegDeleteTreeA(HKEY_CURRENT_USER, keyName);
        if (status == ERROR_SUCCESS) RegDeleteKeyA(HKEY_CURRENT_USER, keyName);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? exitDone : exitSystem;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyName, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
        return exitDone;
    LONG status = RegDeleteValueA(key, valueName);
    RegCloseKey(key);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? exitDone : exitSystem;
}

HWND findWindow(const char* className, const char* title) {
    HWND window = FindWindowA(orAny(className), orAny(title));
    if (!window)
        std::fprintf(stderr, "settings_probe: no window \"%s\" \"%s\"\n", className, title);
    return window;
}

BOOL CALLBACK printControl(HWND control, LPARAM) {
    char className[64] = {};
    char text[512] = {};
    GetClassNameA(control, className, sizeof className);
    GetWindowTextA(control, text, sizeof text);
    // Line ends in the text are written as "\n" and other unprintable bytes as "\xNN", so that
    // a control stays on one printable line.
    std::string flat;
    for (const char* c = text; *c; ++c) {
        unsigned char byte = static_cast<unsigned char>(*c);
        if (byte == '\n') {
            flat += "\\n";
        } else if (byte < 32 || byte >= 127) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            flat += escaped;
        } else {
            flat += char(byte);
        }
    }
    RECT rect = {};
    GetWindowRect(control, &rect);
    LONG style = GetWindowLongA(control, GWL_STYLE);
    int check = -1;
    if (_stricmp(className, "Button") == 0) check = int(SendMessageA(control, BM_GETCHECK, 0, 0));
    int icon = _stricmp(className, "Static") == 0 && SendMessageA(control, STM_GETICON, 0, 0) != 0;
    std::printf(
        "id=%d\tclass=%s\tstyle=0x%08lx\trect=%ld,%ld,%ld,%ld\tcheck=%d\ticon=%d\ttext=%s\n",
        GetDlgCtrlID(control), className, static_cast<unsigned long>(style), rect.left, rect.top,
        rect.right, rect.bottom, check, icon, flat.c_str());
    return TRUE;
}

int controlsCommand(const char* className, const char* title) {
    HWND window = findWindow(className, title);
    if (!window) return exitNotMet;
    RECT rect = {};
    GetWindowRect(window, &rect);
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    std::printf("window=%lu\tstyle=0x%08lx\trect=%ld,%ld,%ld,%ld\tmenu=%d\ttitle=%s\n",
                handleNumber(window), static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)),
                rect.left, rect.top, rect.right, rect.bottom, GetSystemMenu(window, FALSE) ? 1 : 0,
                text);
    EnumChildWindows(window, printControl, 0);
    return exitDone;
}

LRESULT CALLBACK ownWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

int windowCommand(const char* title, const char* waitText) {
    char* end = nullptr;
    unsigned long waitMs = std::strtoul(waitText, &end, 10);
    if (*end) return usage();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ownWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = "CinefoldTestWindow";
    RegisterClassA(&windowClass);
    HWND window =
        CreateWindowExA(0, windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20,
                        20, 200, 120, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) return exitSystem;
    SetForegroundWindow(window);
    std::printf("window=%lu\n", handleNumber(window));
    std::fflush(stdout);
    SetTimer(window, 1, UINT(waitMs), nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == window) DestroyWindow(window);
        DispatchMessageA(&message);
    }
    return exitDone;
}

} // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) return usage();
    const std::string command = argv[1];
    int result = exitUsage;
    if (command == "get" && argc == 4) {
        result = getCommand(argv[2], argv[3]);
    } else if (command == "set" && argc == 6) {
        result = setCommand(argv[2], argv[3], argv[4], argv[5]);
    } else if (command == "delete" && (argc == 3 || argc == 4)) {
        result = deleteCommand(argv[2], argc == 4 ? argv[3] : nullptr);
    } else if (command == "handle" && argc == 4) {
        HWND window = findWindow(argv[2], argv[3]);
        if (window) std::printf("window=%lu\n", handleNumber(window));
        result = window ? exitDone : exitNotMet;
    } else if (command == "controls" && argc == 4) {
        result = controlsCommand(argv[2], argv[3]);
    } else if (command == "foreground" && argc == 2) {
        std::printf("window=%lu\n", handleNumber(GetForegroundWindow()));
        result = exitDone;
    } else if (command == "saverrunning" && argc == 2) {
        BOOL running = FALSE;
        result =
            SystemParametersInfoA(screenSaverRunningQuery, 0, &running, 0) ? exitDone : exitSystem;
        std::printf("running=%d\n", running ? 1 : 0);
    } else if (command == "window" && argc == 4) {
        result = windowCommand(argv[2], argv[3]);
    } else {
        result = usage();
    }
    std::fflush(stdout);
    return result;
}
