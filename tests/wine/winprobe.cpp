// winprobe: a small console program that the Wine tests run inside the same prefix as the
// saver, to look at the saver from the Windows side: which top-level windows exist and where,
// what the screen metrics are, what exit code a program ends with, and what a window does when
// it receives a message. Output is one "key=value" line per answer, in binary mode so that the
// shell reads plain "\n" line ends.
//
//   winprobe find CLASS TITLE [WAIT_MS]    wait until the window exists; exit 0 found, 1 not
//   winprobe shown CLASS TITLE [WAIT_MS]   wait until it exists and is visible
//   winprobe gone CLASS TITLE [WAIT_MS]    wait until it no longer exists; exit 0 gone, 1 not
//   winprobe list                          every top-level window, one line each
//   winprobe screen                        the primary screen size
//   winprobe run WAIT_MS PROGRAM [ARG...]  start a program, wait, exit with its exit code
//   winprobe cursor [X Y WAIT_MS]         the cursor position; with X Y, wait until it is there
//   winprobe memory CLASS TITLE            memory and graphics objects of the window's process
//   winprobe post CLASS TITLE MESSAGE [WPARAM [LPARAM]]
//   winprobe send CLASS TITLE MESSAGE [WPARAM [LPARAM]]
//
// An empty CLASS or TITLE matches any. MESSAGE is a name from the table below or a number.
// Usage errors exit 2, failed system calls 3.

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <string>

namespace {

constexpr int exitFound = 0;
constexpr int exitNotMet = 1;
constexpr int exitUsage = 2;
constexpr int exitSystem = 3;
constexpr int exitTimeout = 124;
constexpr DWORD pollMilliseconds = 50;
constexpr UINT sendTimeoutMilliseconds = 5000;

struct MessageName {
    const char* name;
    UINT value;
};

constexpr MessageName messageNames[] = {
    {"WM_CLOSE", WM_CLOSE},
    {"WM_KEYDOWN", WM_KEYDOWN},
    {"WM_KEYUP", WM_KEYUP},
    {"WM_CHAR", WM_CHAR},
    {"WM_SYSKEYDOWN", WM_SYSKEYDOWN},
    {"WM_LBUTTONDOWN", WM_LBUTTONDOWN},
    {"WM_LBUTTONUP", WM_LBUTTONUP},
    {"WM_RBUTTONDOWN", WM_RBUTTONDOWN},
    {"WM_MBUTTONDOWN", WM_MBUTTONDOWN},
    {"WM_MOUSEMOVE", WM_MOUSEMOVE},
    {"WM_ACTIVATE", WM_ACTIVATE},
    {"WM_ACTIVATEAPP", WM_ACTIVATEAPP},
    {"WM_SYSCOMMAND", WM_SYSCOMMAND},
    {"WM_TIMER", WM_TIMER},
    {"WM_PAINT", WM_PAINT},
    {"WM_NULL", WM_NULL},
};

int usage() {
    std::fputs("usage: winprobe find|shown|gone CLASS TITLE [WAIT_MS]\n"
               "       winprobe list | screen\n"
               "       winprobe run WAIT_MS PROGRAM [ARG...]\n"
               "       winprobe cursor [X Y WAIT_MS]\n"
               "       winprobe memory CLASS TITLE\n"
               "       winprobe post|send CLASS TITLE MESSAGE [WPARAM [LPARAM]]\n",
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

void printWindow(HWND window) {
    char className[256] = {};
    char title[256] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    RECT rect = {};
    GetWindowRect(window, &rect);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    std::printf("class=%s\ttitle=%s\trect=%ld,%ld,%ld,%ld\tvisible=%d\tpid=%lu\n", className, title,
                rect.left, rect.top, rect.right, rect.bottom, IsWindowVisible(window) ? 1 : 0,
                static_cast<unsigned long>(processId));
}

enum class Wanted { present, shown, absent };

bool isMet(HWND window, Wanted wanted) {
    switch (wanted) {
    case Wanted::present:
        return window != nullptr;
    case Wanted::shown:
        // A window created visible exists, hidden, while its WM_CREATE runs.
        return window != nullptr && IsWindowVisible(window);
    case Wanted::absent:
        return window == nullptr;
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

// Appends one argument quoted the way the C runtime splits a command line: backslashes are
// literal except before a double quote, where each is doubled and the quote escaped.
void appendQuoted(std::string& line, const char* argument) {
    if (!line.empty()) line += ' ';
    if (*argument && !std::strpbrk(argument, " \t\n\v\"")) {
        line += argument;
        return;
    }
    line += '"';
    std::size_t backslashes = 0;
    for (const char* c = argument;; ++c) {
        if (*c == '\\') {
            ++backslashes;
            continue;
        }
        if (*c == '\0') {
            line.append(backslashes * 2, '\\');
            break;
        }
        if (*c == '"') {
            line.append(backslashes * 2 + 1, '\\');
        } else {
            line.append(backslashes, '\\');
        }
        backslashes = 0;
        line += *c;
    }
    line += '"';
}

int runCommand(int argc, char** argv) {
    DWORD waitMs = 0;
    if (argc < 4 || !parseWait(argc, argv, 2, waitMs)) return usage();
    std::string commandLine;
    for (int i = 3; i < argc; ++i)
        appendQuoted(commandLine, argv[i]);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "winprobe: cannot start %s (error %lu)\n", argv[3],
                     static_cast<unsigned long>(GetLastError()));
        return exitSystem;
    }
    CloseHandle(process.hThread);
    int result = exitSystem;
    DWORD waited = WaitForSingleObject(process.hProcess, waitMs);
    DWORD exitCode = 0;
    if (waited == WAIT_OBJECT_0 && GetExitCodeProcess(process.hProcess, &exitCode)) {
        std::printf("exit=%ld\n", static_cast<long>(exitCode));
        result = int(exitCode);
    } else if (waited == WAIT_TIMEOUT) {
        std::printf("timeout=%lu\n", static_cast<unsigned long>(waitMs));
        TerminateProcess(process.hProcess, exitTimeout);
        result = exitTimeout;
    }
    CloseHandle(process.hProcess);
    return result;
}

// The system's cursor position moves once the program under the pointer has taken in the
// pointer's motion, so waiting for it tells a test that the motion has reached that program.
int cursorCommand(int argc, char** argv) {
    POINT cursor = {};
    if (argc == 2) {
        if (!GetCursorPos(&cursor)) return exitSystem;
        std::printf("cursor=%ld,%ld\n", cursor.x, cursor.y);
        return exitFound;
    }
    DWORD waitMs = 0;
    if (argc != 5 || !parseWait(argc, argv, 4, waitMs)) return usage();
    long x = std::strtol(argv[2], nullptr, 10);
    long y = std::strtol(argv[3], nullptr, 10);
    DWORD start = GetTickCount();
    for (;;) {
        GetCursorPos(&cursor);
        if (cursor.x == x && cursor.y == y) break;
        if (GetTickCount() - start >= waitMs) {
            std::printf("cursor=%ld,%ld\n", cursor.x, cursor.y);
            return exitNotMet;
        }
        Sleep(pollMilliseconds);
    }
    std::printf("cursor=%ld,%ld\n", cursor.x, cursor.y);
    return exitFound;
}

// What a long run watches for growth: the process's private memory and working set, and the
// graphics and window-manager objects it holds.
int memoryCommand(int argc, char** argv) {
    if (argc != 4) return usage();
    HWND window = FindWindowA(orAny(argv[2]), orAny(argv[3]));
    if (!window) return exitNotMet;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
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

} // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) return usage();
    const char* command = argv[1];
    int result = exitUsage;
    if (std::strcmp(command, "find") == 0) {
        result = findCommand(argc, argv, Wanted::present);
    } else if (std::strcmp(command, "shown") == 0) {
        result = findCommand(argc, argv, Wanted::shown);
    } else if (std::strcmp(command, "gone") == 0) {
        result = findCommand(argc, argv, Wanted::absent);
    } else if (std::strcmp(command, "list") == 0 && argc == 2) {
        result = listCommand();
    } else if (std::strcmp(command, "screen") == 0 && argc == 2) {
        result = screenCommand();
    } else if (std::strcmp(command, "run") == 0) {
        result = runCommand(argc, argv);
    } else if (std::strcmp(command, "cursor") == 0) {
        result = cursorCommand(argc, argv);
    } else if (std::strcmp(command, "memory") == 0) {
        result = memoryCommand(argc, argv);
    } else if (std::strcmp(command, "post") == 0) {
        result = messageCommand(argc, argv, false);
    } else if (std::strcmp(command, "send") == 0) {
        result = messageCommand(argc, argv, true);
    } else {
        result = usage();
    }
    std::fflush(stdout);
    return result;
}
