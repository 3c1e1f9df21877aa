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

// Thrown by an argument that does not parse; main answers it with the usage.
struct UsageError {};

// A whole decimal or 0x-prefixed hexadecimal number no larger than LIMIT.
unsigned long long number(const char* text, unsigned long long limit = ~0ull) {
    char* end = nullptr;
    unsigned long long value = std::strtoull(text, &end, 0);
    if (*text == '\0' || *text == '-' || *end || value > limit) throw UsageError();
    return value;
}

unsigned long handleNumber(HWND window) {
    return static_cast<unsigned long>(UINT_PTR(window));
}

HWND findWindow(const char* className, const char* title) {
    return FindWindowA(*className ? className : nullptr, *title ? title : nullptr);
}

// Polls until CONDITION holds or WAIT_MS have passed; returns whether it held.
template <typename Condition> bool waitFor(DWORD waitMs, Condition condition) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= waitMs) return false;
        Sleep(pollMilliseconds);
    }
    return true;
}

BOOL CALLBACK printWindow(HWND window, LPARAM) {
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
    return TRUE;
}

int findCommand(int argc, char** argv, bool shown) {
    const DWORD waitMs = argc > 4 ? DWORD(number(argv[4], 0x7FFFFFFF)) : 0;
    HWND window = nullptr;
    // A window created visible exists, hidden, while its WM_CREATE runs.
    const bool met = waitFor(waitMs, [&] {
        window = findWindow(argv[2], argv[3]);
        return window && (!shown || IsWindowVisible(window));
    });
    if (window) printWindow(window, 0);
    return met ? exitFound : exitNotMet;
}

// The system's cursor position moves once the program under the pointer has taken in the
// pointer's motion, so waiting for it tells a test that the motion has reached that program.
int cursorCommand(char** argv) {
    const long x = std::strtol(argv[2], nullptr, 10);
    const long y = std::strtol(argv[3], nullptr, 10);
    POINT cursor = {};
    const bool met = waitFor(DWORD(number(argv[4], 0x7FFFFFFF)), [&] {
        return GetCursorPos(&cursor) && cursor.x == x && cursor.y == y;
    });
    std::printf("cursor=%ld,%ld\n", cursor.x, cursor.y);
    return met ? exitFound : exitNotMet;
}

// What a long run watches for growth: the process's private memory and working set, and the
// graphics objects it holds.
int memoryCommand(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return exitSystem;
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    BOOL read = K32GetProcessMemoryInfo(
        process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    DWORD gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    CloseHandle(process);
    if (!read) return exitSystem;
    std::printf("private=%llu\tworkingSet=%llu\tgdiObjects=%lu\n",
                static_cast<unsigned long long>(counters.PrivateUsage),
                static_cast<unsigned long long>(counters.WorkingSetSize),
                static_cast<unsigned long>(gdiObjects));
    return exitFound;
}

int messageCommand(HWND window, int argc, char** argv, bool send) {
    const UINT message = _stricmp(argv[4], "WM_CLOSE") == 0 ? WM_CLOSE : UINT(number(argv[4], ~0u));
    const WPARAM wParam = argc > 5 ? WPARAM(number(argv[5])) : 0;
    const LPARAM lParam = argc > 6 ? LPARAM(number(argv[6])) : 0;
    if (!send) return PostMessageA(window, message, wParam, lParam) ? exitFound : exitSystem;
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &answer)) {
        std::fputs("winprobe: the window did not answer\n", stderr);
        return exitSystem;
    }
    std::printf("result=%lld\n", static_cast<long long>(answer));
    return exitFound;
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
        char escaped[8] = {char(byte)};
        if (byte == '\n')
            std::strcpy(escaped, "\\n");
        else if (byte < 32 || byte >= 127)
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
        flat += escaped;
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

int controlsCommand(HWND window) {
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
    const UINT waitMs = UINT(number(waitText, 0x7FFFFFFF));
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
    SetTimer(window, 1, waitMs, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == window) DestroyWindow(window);
        DispatchMessageA(&message);
    }
    return exitFound;
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
    std::vector<BYTE> data(size + 1);
    if (status == ERROR_SUCCESS)
        status = RegQueryValueExA(key, valueName, nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        std::puts("value=absent");
        return exitNotMet;
    }
    std::printf("type=%lu size=%lu data=", static_cast<unsigned long>(type),
                static_cast<unsigned long>(size));
    for (DWORD i = 0; i < size && i < 64; ++i)
        std::printf("%02x", data[i]);
    std::puts(size > 64 ? "..." : "");
    return exitFound;
}

int setCommand(const char* keyName, const char* valueName, const char* typeText, const char* hex) {
    const DWORD type = DWORD(number(typeText, 0xFFFFFFFF));
    std::vector<BYTE> bytes;
    for (std::size_t i = 0; hex[i]; i += 2) {
        const char pair[5] = {'0', 'x', hex[i], hex[i + 1], 0};
        if (!hex[i + 1]) throw UsageError();
        bytes.push_back(BYTE(number(pair, 0xFF)));
    }
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyName, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return exitSystem;
    // The system lengthens a text whose next byte is a zero by that zero; a non-zero byte after
    // the data keeps the stored size exactly as given.
    const DWORD size = DWORD(bytes.size());
    bytes.push_back(0xFF);
    LONG status = RegSetValueExA(key, valueName, 0, type, bytes.data(), size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? exitFound : exitSystem;
}

int deleteCommand(const char* keyName, const char* valueName) {
    LONG status = ERROR_SUCCESS;
    HKEY key = nullptr;
    if (!valueName) {
        status = RegDeleteTreeA(HKEY_CURRENT_USER, keyName);
        if (status == ERROR_SUCCESS) RegDeleteKeyA(HKEY_CURRENT_USER, keyName);
    } else if (RegOpenKeyExA(HKEY_CURRENT_USER, keyName, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        status = RegDeleteValueA(key, valueName);
        RegCloseKey(key);
    }
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? exitFound : exitSystem;
}

// The commands that act on a window found by CLASS and TITLE (argv[2], argv[3]).
int windowCommandOf(int argc, char** argv) {
    const std::string command = argv[1];
    HWND window = findWindow(argv[2], argv[3]);
    if (!window) {
        std::fprintf(stderr, "winprobe: no window of class \"%s\" titled \"%s\"\n", argv[2],
                     argv[3]);
        return exitNotMet;
    }
    if (command == "memory") return memoryCommand(window);
    if (command == "controls") return controlsCommand(window);
    return messageCommand(window, argc, argv, command == "send");
}

int screenCommand(int, char**) {
    std::printf("screen=%dx%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return exitFound;
}

int foregroundCommand(int, char**) {
    std::printf("window=%lu\n", handleNumber(GetForegroundWindow()));
    return exitFound;
}

int saverRunningCommand(int, char**) {
    BOOL running = FALSE;
    const BOOL read = SystemParametersInfoA(screenSaverRunningQuery, 0, &running, 0);
    std::printf("running=%d\n", running ? 1 : 0);
    return read ? exitFound : exitSystem;
}

struct Command {
    const char* name;
    int leastArgs, mostArgs; // after the command's name
    int (*run)(int argc, char** argv);
};

const Command commands[] = {
    {"find", 2, 3, [](int argc, char** argv) { return findCommand(argc, argv, false); }},
    {"shown", 2, 3, [](int argc, char** argv) { return findCommand(argc, argv, true); }},
    {"list", 0, 0,
     [](int, char**) { return EnumWindows(printWindow, 0) ? exitFound : exitSystem; }},
    {"screen", 0, 0, screenCommand},
    {"cursor", 3, 3, [](int, char** argv) { return cursorCommand(argv); }},
    {"memory", 2, 2, windowCommandOf},
    {"post", 3, 5, windowCommandOf},
    {"send", 3, 5, windowCommandOf},
    {"controls", 2, 2, windowCommandOf},
    {"foreground", 0, 0, foregroundCommand},
    {"saverrunning", 0, 0, saverRunningCommand},
    {"window", 2, 2, [](int, char** argv) { return windowCommand(argv[2], argv[3]); }},
    {"get", 2, 2, [](int, char** argv) { return getCommand(argv[2], argv[3]); }},
    {"set", 4, 4, [](int, char** argv) { return setCommand(argv[2], argv[3], argv[4], argv[5]); }},
    {"delete", 1, 2,
     [](int argc, char** argv) { return deleteCommand(argv[2], argc == 4 ? argv[3] : nullptr); }},
};

int run(int argc, char** argv) {
    for (const Command& command : commands) {
        if (argc < 2 || std::strcmp(argv[1], command.name) != 0) continue;
        if (argc - 2 < command.leastArgs || argc - 2 > command.mostArgs) break;
        return command.run(argc, argv);
    }
    throw UsageError();
}

} // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    int result = exitUsage;
    try {
        result = run(argc, argv);
    } catch (const UsageError&) {
        std::fputs("usage: winprobe find|shown|memory|post|send|controls CLASS TITLE [...]\n"
                   "       winprobe list|screen|foreground|saverrunning | cursor X Y WAIT_MS\n"
                   "       winprobe window TITLE WAIT_MS | get|set|delete KEY [VALUE [TYPE HEX]]\n",
                   stderr);
    }
    std::fflush(stdout);
    return result;
}
