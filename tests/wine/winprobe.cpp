// winprobe: a small console program that the Wine tests run inside the same prefix as the
// saver, to look at it from the Windows side: its windows and dialogs, the screen, the cursor,
// its memory, the registry, and what a window does with a message. Output is "key=value" fields,
// one line per answer, in binary mode so that the shell reads plain "\n" line ends.
//
//   winprobe find|shown CLASS TITLE [WAIT_MS]  wait until the window exists (and is visible);
//                                          exit 0 found, 1 not
//   winprobe list                          every top-level window, one line each
//   winprobe screen                        the primary screen size
//   winprobe cursor X Y WAIT_MS            wait until the cursor is at X, Y
//   winprobe memory CLASS TITLE            memory and graphics objects of the window's process
//   winprobe post|send CLASS TITLE MESSAGE [WPARAM [LPARAM]]
//   winprobe controls CLASS TITLE          the window, then each child control: id, class,
//                                          style, rectangle on the screen, check state, text
//   winprobe foreground                    the foreground window's handle
//   winprobe saverrunning                  the system's screen-saver-running state
//   winprobe window TITLE WAIT_MS          shows a window of its own until WAIT_MS have passed
//   winprobe get KEY VALUE                 type, size and data (hex) as RegQueryValueExA sees
//                                          them; exit 1 and "key=absent" or "value=absent"
//   winprobe set KEY VALUE TYPE HEX        stores exactly these bytes ("" for none)
//   winprobe delete KEY [VALUE]            a value, or a key with everything under it
//
// An empty CLASS or TITLE matches any; KEY is under HKEY_CURRENT_USER. MESSAGE is WM_CLOSE or a
// number. Usage errors exit 2, failed system calls 3.

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>

namespace {

constexpr int exitFound = 0;
constexpr int exitNotMet = 1;
constexpr int exitUsage = 2;
constexpr int exitSystem = 3;
constexpr UINT screenSaverRunningQuery = 114; // SPI_GETSCREENSAVERRUNNING
constexpr DWORD pollMilliseconds = 50;
constexpr UINT sendTimeoutMilliseconds = 5000;

struct MessageName {
    const char* name;
    UINT value;
};

constexpr MessageName messageNames[] = {{"WM_CLOSE", WM_CLOSE}};

int usage() {
    std::fputs("usage: winprobe find|shown|memory|post|send|controls CLASS TITLE [...]\n"
               "       winprobe list|screen|foreground|saverrunning | cursor X Y WAIT_MS\n"
               "       winprobe window TITLE WAIT_MS | get|set|delete KEY [VALUE [TYPE HEX]]\n",
               stderr);
    return exitUsage;
}
// A whole decimal or 0x-prefixed hexadecimal number; anything else is refused.
bool parseNumber(const char* text, unsigned long long& value) {
    if (*text == '\0' || *text == '-') return false;
    char* end = nullptr;
    value = std::strtoull(text, &end, 0);
    return *end == '\0';
}

bool parseMessage(const char* text, UINT& message) {
    for (const MessageName& entry : messageNames) {
        if (_stricmp(entry.name, text) == 0) {
            message = entry.value;
            return true;
        }
    }
    unsigned long long value = 0;
    if (!parseNumber(text, value) || value > 0xFFFFFFFFull) return false;
    message = UINT(value);
    return true;
}

const char* orAny(const char* text) {
    return *text ? text : nullptr;
}

unsigned long handleNumber(HWND window) {
    return static_cast<unsigned long>(UINT_PTR(window));
}

void printWindow(HWND window) {
    char className[256] = {};
    char title[256] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    RECT rect = {};
    GetWindowRect(window, &rect);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    std::printf("window=%lu\tclass=%s\ttitle=%s\trect=%ld,%ld,%ld,%ld\tvisible=%d\tpid=%lu\n",
                handleNumber(window), className, title, rect.left, rect.top, rect.right,
                rect.bottom, IsWindowVisible(window) ? 1 : 0,
                static_cast<unsigned long>(processId));
}

enum class Wanted { present, shown };

bool isMet(HWND window, Wanted wanted) {
    switch (wanted) {
    case Wanted::present:
        return window != nullptr;
    case Wanted::shown:
        // A window created visible exists, hidden, while its WM_CREATE runs.
        return window != nullptr && IsWindowVisible(window);
    }
    return false;
}

// Polls FindWindowA until the window is as wanted or the wait runs out; returns the window
// last found, if any, and whether it was as wanted.
HWND waitForWindow(const char* className, const char* title, Wanted wanted, DWORD waitMs,
                   bool& met) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowA(orAny(className), orAny(title));
        met = isMet(window, wanted);
        if (met || GetTickCount() - start >= waitMs) return window;
        Sleep(pollMilliseconds);
    }
}

bool parseWait(int argc, char** argv, int index, DWORD& waitMs) {
    waitMs = 0;
    if (argc <= index) return true;
    unsigned long long value = 0;
    if (!parseNumber(argv[index], value) || value > 0x7FFFFFFFull) return false;
    waitMs = DWORD(value);
    return true;
}

int findCommand(int argc, char** argv, Wanted wanted) {
    DWORD waitMs = 0;
    if (argc < 4 || argc > 5 || !parseWait(argc, argv, 4, waitMs)) return usage();
    bool met = false;
    HWND window = waitForWindow(argv[2], argv[3], wanted, waitMs, met);
    if (window) printWindow(window);
    return met ? exitFound : exitNotMet;
}

BOOL CALLBACK printEach(HWND window, LPARAM) {
    printWindow(window);
    return TRUE;
}

int listCommand() {
    return EnumWindows(printEach, 0) ? exitFound : exitSystem;
}

int screenCommand() {
    std::printf("screen=%dx%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return exitFound;
}

// The system's cursor position moves once the program under the pointer has taken in the
// pointer's motion, so waiting for it tells a test that the motion has reached that program.
int cursorCommand(int argc, char** argv) {
    DWORD waitMs = 0;
    if (argc != 5 || !parseWait(argc, argv, 4, waitMs)) return usage();
    long x = std::strtol(argv[2], nullptr, 10);
    long y = std::strtol(argv[3], nullptr, 10);
    POINT cursor = {};
    const DWORD start = GetTickCount();
    while (GetCursorPos(&cursor) && (cursor.x != x || cursor.y != y)) {
        if (GetTickCount() - start >= waitMs) break;
        Sleep(pollMilliseconds);
    }
    std::printf("cursor=%ld,%ld\n", cursor.x, cursor.y);
    return cursor.x == x && cursor.y == y ? exitFound : exitNotMet;
}

// What a long run watches for growth: the process's private memory and working set, and the
// graphics and window-manager objects it holds.
int memoryCommand(int argc, char** argv) {
    if (argc != 4) return usage();
    HWND window = FindWindowA(orAny(argv[2]), orAny(argv[3]));
    if (!window) return exitNotMet;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return exitSystem;
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    BOOL read = K32GetProcessMemoryInfo(
        process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    DWORD gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    DWORD userObjects = GetGuiResources(process, GR_USEROBJECTS);
    CloseHandle(process);
    if (!read) return exitSystem;
    std::printf("private=%llu\tworkingSet=%llu\tgdiObjects=%lu\tuserObjects=%lu\n",
                static_cast<unsigned long long>(counters.PrivateUsage),
                static_cast<unsigned long long>(counters.WorkingSetSize),
                static_cast<unsigned long>(gdiObjects), static_cast<unsigned long>(userObjects));
    return exitFound;
}

int messageCommand(int argc, char** argv, bool send) {
    UINT message = 0;
    unsigned long long wParam = 0;
    unsigned long long lParam = 0;
    if (argc < 5 || argc > 7 || !parseMessage(argv[4], message)) return usage();
    if (argc > 5 && !parseNumber(argv[5], wParam)) return usage();
    if (argc > 6 && !parseNumber(argv[6], lParam)) return usage();
    HWND window = FindWindowA(orAny(argv[2]), orAny(argv[3]));
    if (!window) {
        std::fprintf(stderr, "winprobe: no window of class \"%s\" titled \"%s\"\n", argv[2],
                     argv[3]);
        return exitNotMet;
    }
    if (!send) {
        return PostMessageA(window, message, WPARAM(wParam), LPARAM(lParam)) ? exitFound
                                                                             : exitSystem;
    }
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, message, WPARAM(wParam), LPARAM(lParam), SMTO_ABORTIFHUNG,
                             sendTimeoutMilliseconds, &answer)) {
        std::fputs("winprobe: the window did not answer\n", stderr);
        return exitSystem;
    }
    std::printf("result=%lld\n", static_cast<long long>(answer));
    return exitFound;
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
    std::printf("type=%lu size=%lu data=", static_cast<unsigned long>(type),
                static_cast<unsigned long>(size));
    for (DWORD i = 0; i < size && i < 64; ++i)
        std::printf("%02x", data[i]);
    std::puts(size > 64 ? "..." : "");
    return exitFound;
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
    return status == ERROR_SUCCESS ? exitFound : exitSystem;
}

int deleteCommand(const char* keyName, const char* valueName) {
    if (!valueName) {
        LONG status = RegDeleteTreeA(HKEY_CURRENT_USER, keyName);
        if (status == ERROR_SUCCESS) RegDeleteKeyA(HKEY_CURRENT_USER, keyName);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? exitFound : exitSystem;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyName, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
        return exitFound;
    LONG status = RegDeleteValueA(key, valueName);
    RegCloseKey(key);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? exitFound : exitSystem;
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
    return exitFound;
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
    return exitFound;
}

} // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) return usage();
    const std::string command = argv[1];
    int result = exitUsage;
    if (command == "find" || command == "shown") {
        result = findCommand(argc, argv, command == "find" ? Wanted::present : Wanted::shown);
    } else if (command == "list" && argc == 2) {
        result = listCommand();
    } else if (command == "screen" && argc == 2) {
        result = screenCommand();
    } else if (command == "cursor") {
        result = cursorCommand(argc, argv);
    } else if (command == "memory") {
        result = memoryCommand(argc, argv);
    } else if (command == "post" || command == "send") {
        result = messageCommand(argc, argv, command == "send");
    } else if (command == "controls" && argc == 4) {
        result = controlsCommand(argv[2], argv[3]);
    } else if (command == "foreground" && argc == 2) {
        std::printf("window=%lu\n", handleNumber(GetForegroundWindow()));
        result = exitFound;
    } else if (command == "saverrunning" && argc == 2) {
        BOOL running = FALSE;
        result =
            SystemParametersInfoA(screenSaverRunningQuery, 0, &running, 0) ? exitFound : exitSystem;
        std::printf("running=%d\n", running ? 1 : 0);
    } else if (command == "window" && argc == 4) {
        result = windowCommand(argv[2], argv[3]);
    } else if (command == "get" && argc == 4) {
        result = getCommand(argv[2], argv[3]);
    } else if (command == "set" && argc == 6) {
        result = setCommand(argv[2], argv[3], argv[4], argv[5]);
    } else if (command == "delete" && (argc == 3 || argc == 4)) {
        result = deleteCommand(argv[2], argc == 4 ? argv[3] : nullptr);
    } else {
        result = usage();
    }
    std::fflush(stdout);
    return result;
}
