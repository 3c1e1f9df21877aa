// The real saver, started with each kind of command line: exit codes, the windows it opens and
// the rules a user meets (one full-screen saver at a time, the preview as a quiet child of the
// window that shows it). The saver's Windows path comes in CINEFOLD_SAVER.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr DWORD exitLimitMs = 30000;
constexpr DWORD windowLimitMs = 30000;
constexpr DWORD stillRunning = 259; // STILL_ACTIVE
constexpr DWORD minusOne = 0xFFFFFFFF;
const char saverClass[] = "WindowsScreenSaverClass";

std::string saverPath() {
    const char* path = std::getenv("CINEFOLD_SAVER");
    return path ? path : "";
}

// Handles this thread's messages while waiting, so that a saver's preview window, a child of a
// window of this thread, never waits on it.
void pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

template <typename Condition> bool waitFor(Condition condition, DWORD limitMs) {
    DWORD start = GetTickCount();
    for (;;) {
        pump();
        if (condition()) return true;
        if (GetTickCount() - start > limitMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

struct WindowSearch {
    DWORD processId;
    const char* className;
    const char* title; // any title when null
    HWND found;
};

BOOL CALLBACK findOwnWindow(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = {}, text[64] = {};
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, text, sizeof text);
    if (owner == search.processId && std::strcmp(name, search.className) == 0 &&
        (!search.title || std::strcmp(text, search.title) == 0)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

class Saver {
  public:
    // Starts the saver with exactly this command line (the program name included).
    explicit Saver(const std::string& commandLine, const std::string& application = "") {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::string line = commandLine;
        started = CreateProcessA(application.empty() ? nullptr : application.c_str(), line.data(),
                                 nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
        if (started) CloseHandle(process.hThread);
    }
    ~Saver() {
        if (!started) return;
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hProcess);
    }

    bool running() const { return WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT; }

    // The exit code once the process has ended, or STILL_ACTIVE at the limit. A configuration
    // dialog that shows on the way is closed with Escape's command, as a user would close it.
    DWORD exitCode(DWORD limitMs = exitLimitMs) {
        waitFor(
            [&] {
                if (HWND dialog = ownDialog()) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                return !running();
            },
            limitMs);
        DWORD code = stillRunning;
        GetExitCodeProcess(process.hProcess, &code);
        return code;
    }

    // The first top-level window of this process with the saver's class, waiting for it to be
    // shown (a window is made first and shown at the end of its creation).
    HWND saverWindow(const char* title = "Screen Saver", DWORD limitMs = windowLimitMs) {
        HWND found = nullptr;
        waitFor(
            [&] {
                found = ownWindow(saverClass, title);
                return (found && IsWindowVisible(found)) || !running();
            },
            limitMs);
        return found;
    }

    HWND ownWindow(const char* className, const char* title) const {
        WindowSearch search = {process.dwProcessId, className, title, nullptr};
        EnumWindows(findOwnWindow, LPARAM(&search));
        return search.found;
    }

    HWND ownDialog() const { return ownWindow("#32770", nullptr); }

    bool started = false;
    PROCESS_INFORMATION process = {};
};

std::string inQuotes(const std::string& path) {
    return "\"" + path + "\"";
}

// A window of this test that hosts a preview, and records what the preview passes to it.
struct PreviewParent {
    struct Received {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    static std::vector<Received>& received() {
        static std::vector<Received> list;
        return list;
    }

    static LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_HELP || message == WM_CONTEXTMENU) {
            received().push_back({message, wParam, lParam});
            return 1;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    PreviewParent() {
        static bool registered = false;
        if (!registered) {
            WNDCLASSA parentClass = {};
            parentClass.lpfnWndProc = parentProc;
            parentClass.hInstance = GetModuleHandleA(nullptr);
            parentClass.lpszClassName = "CinefoldPreviewParent";
            parentClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            registered = RegisterClassA(&parentClass) != 0;
        }
        window =
            CreateWindowExA(0, "CinefoldPreviewParent", "Display", WS_POPUP | WS_VISIBLE, 40, 30,
                            152, 112, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        received().clear();
    }
    ~PreviewParent() {
        if (window) DestroyWindow(window);
        pump();
    }
    std::string number() const { return std::to_string(reinterpret_cast<UINT_PTR>(window)); }
    HWND child() const { return FindWindowExA(window, nullptr, saverClass, nullptr); }
    HWND window = nullptr;
};

class SaverModes : public testing::Test {
  protected:
    void SetUp() override {
        saver = saverPath();
        ASSERT_FALSE(saver.empty()) << "CINEFOLD_SAVER names no saver";
        ASSERT_NE(GetFileAttributesA(saver.c_str()), INVALID_FILE_ATTRIBUTES) << saver;
    }
    // Starts the saver in full screen and waits until its window shows; none when it does not.
    HWND startFullScreen(std::optional<Saver>& run) {
        run.emplace(inQuotes(saver) + " /s");
        return run->started ? run->saverWindow() : nullptr;
    }

    std::string saver;
};

TEST_F(SaverModes, RefusedCommandLinesExitWithMinusOneAndShowNothing) {
    PreviewParent parent;
    ASSERT_NE(parent.window, nullptr);
    const std::string texts[] = {
        "/x", "/?", "/p", "/p 0", "/p abc", "/p:" + parent.number(), "/l", "-\ts", "/p 4294967295",
        "/a"};
    for (const std::string& text : texts) {
        Saver run(inQuotes(saver) + " " + text);
        ASSERT_TRUE(run.started);
        EXPECT_EQ(run.exitCode(), minusOne) << "for \"" << text << "\"";
        EXPECT_EQ(parent.child(), nullptr) << "for \"" << text << "\"";
    }
}

void expectFullScreenWindow(HWND window, const std::string& what) {
    ASSERT_NE(window, nullptr) << what << ": no full-screen window";
    RECT rect = {};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, 0) << what;
    EXPECT_EQ(rect.top, 0) << what;
    EXPECT_EQ(rect.right, GetSystemMetrics(SM_CXSCREEN)) << what;
    EXPECT_EQ(rect.bottom, GetSystemMetrics(SM_CYSCREEN)) << what;
    LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style, LONG(WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN))
        << what << std::hex << ": style " << style;
    LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    EXPECT_EQ(exStyle & WS_EX_TOPMOST, WS_EX_TOPMOST) << what << std::hex << ": " << exStyle;
    EXPECT_EQ(GetParent(window), nullptr) << what;
}

TEST_F(SaverModes, FullScreenTextsOpenOneScreenSizedWindowThatAKeyCloses) {
    for (const char* text : {"/s", "-S", " s", "s more words", "/S /p 12"}) {
        Saver run(inQuotes(saver) + " " + text);
        ASSERT_TRUE(run.started);
        HWND window = run.saverWindow();
        expectFullScreenWindow(window, text);
        PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
        EXPECT_EQ(run.exitCode(), 0u) << text;
    }
}

TEST_F(SaverModes, QuotedProgramPathIsSkippedWhole) {
    // A directory named "x s": read without its quotes, the arguments would begin with "s".
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string directory = std::string(temp) + "cinefold quoted x s";
    CreateDirectoryA(directory.c_str(), nullptr);
    std::string copy = directory + "\\cinefold.scr";
    ASSERT_TRUE(CopyFileA(saver.c_str(), copy.c_str(), FALSE));

    Saver refused(inQuotes(copy) + " /x");
    ASSERT_TRUE(refused.started);
    EXPECT_EQ(refused.exitCode(), minusOne);

    Saver fullScreen(inQuotes(copy) + " /s");
    ASSERT_TRUE(fullScreen.started);
    HWND window = fullScreen.saverWindow();
    expectFullScreenWindow(window, "quoted path");
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(fullScreen.exitCode(), 0u);

    // An unterminated quote takes the whole line, "/s" with it: configuration.
    Saver unterminated("\"" + copy + " /s", copy);
    ASSERT_TRUE(unterminated.started);
    EXPECT_EQ(unterminated.exitCode(), minusOne);
    EXPECT_EQ(unterminated.ownWindow(saverClass, nullptr), nullptr);

    DeleteFileA(copy.c_str());
    RemoveDirectoryA(directory.c_str());
}

TEST_F(SaverModes, PreviewIsAQuietChildFillingItsParent) {
    for (const char* letter : {"/p ", "/l ", "-P   "}) {
        PreviewParent parent;
        ASSERT_NE(parent.window, nullptr);
        Saver run(inQuotes(saver) + " " + letter + parent.number());
        ASSERT_TRUE(run.started);
        HWND child = nullptr;
        ASSERT_TRUE(waitFor(
            [&] {
                child = parent.child();
                return (child && IsWindowVisible(child)) || !run.running();
            },
            windowLimitMs))
            << letter << ": no preview window";
        ASSERT_NE(child, nullptr) << letter << ": the saver ended without a preview";

        char title[32] = {};
        GetWindowTextA(child, title, sizeof title);
        EXPECT_STREQ(title, "Preview");
        EXPECT_EQ(GetWindowLongA(child, GWL_STYLE), LONG(WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN));
        EXPECT_EQ(GetWindowLongA(child, GWL_EXSTYLE), 0);
        RECT client = {}, rect = {};
        GetClientRect(parent.window, &client);
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, parent.window, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.left, 0);
        EXPECT_EQ(rect.top, 0);
        EXPECT_EQ(rect.right, client.right);
        EXPECT_EQ(rect.bottom, client.bottom);

        // Input that would close the full-screen saver; each is handled before it returns.
        DWORD_PTR answer = 0;
        for (UINT message : {UINT(WM_KEYDOWN), UINT(WM_SYSKEYDOWN), UINT(WM_LBUTTONDOWN),
                             UINT(WM_RBUTTONDOWN), UINT(WM_MBUTTONDOWN), UINT(WM_MOUSEMOVE)})
            SendMessageTimeoutA(child, message, 0, 0, SMTO_NORMAL, 5000, &answer);
        SendMessageTimeoutA(child, WM_ACTIVATEAPP, 0, 0, SMTO_NORMAL, 5000, &answer);
        // A context menu request travels to the parent behind any close those posted: when it
        // arrives, the preview must still be there.
        PostMessageA(child, WM_CONTEXTMENU, WPARAM(child), 0x00200010);
        ASSERT_TRUE(waitFor([&] { return !PreviewParent::received().empty(); }, windowLimitMs));
        EXPECT_TRUE(IsWindow(child)) << letter << ": input closed the preview";
        EXPECT_TRUE(run.running());
        EXPECT_EQ(PreviewParent::received()[0].message, UINT(WM_CONTEXTMENU));
        EXPECT_EQ(PreviewParent::received()[0].wParam, WPARAM(parent.window));
        EXPECT_EQ(PreviewParent::received()[0].lParam, 0x00200010);

        HELPINFO help = {sizeof help, HELPINFO_WINDOW, 0, child, 0, {20, 10}};
        PreviewParent::received().clear();
        SendMessageTimeoutA(child, WM_HELP, WPARAM(child), LPARAM(&help), SMTO_NORMAL, 5000,
                            &answer);
        pump();
        ASSERT_EQ(PreviewParent::received().size(), 1u) << "WM_HELP did not reach the parent";
        EXPECT_EQ(PreviewParent::received()[0].wParam, WPARAM(parent.window));

        // Closing the window that shows the preview ends it.
        DestroyWindow(parent.window);
        parent.window = nullptr;
        EXPECT_EQ(run.exitCode(), 0u) << letter;
    }
}

// Another program in the foreground would close the first saver, so the test can only see that
// the first one keeps the foreground and stays the only one.
TEST_F(SaverModes, SecondFullScreenStartLeavesTheFirstAloneAndEndsWithZero) {
    std::optional<Saver> first;
    HWND window = startFullScreen(first);
    ASSERT_NE(window, nullptr);

    Saver second(inQuotes(saver) + " /s");
    ASSERT_TRUE(second.started);
    EXPECT_EQ(second.exitCode(), 0u);
    int count = 0;
    for (HWND w = FindWindowA(saverClass, "Screen Saver"); w;
         w = FindWindowExA(nullptr, w, saverClass, "Screen Saver"))
        ++count;
    EXPECT_EQ(count, 1);
    EXPECT_TRUE(waitFor([&] { return GetForegroundWindow() == window; }, windowLimitMs))
        << "the first saver is not in the foreground";
    EXPECT_TRUE(first->running());
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(first->exitCode(), 0u);
}

TEST_F(SaverModes, SwitchingCommandsAreDroppedAndTheCloseCommandCloses) {
    std::optional<Saver> run;
    HWND window = startFullScreen(run);
    ASSERT_NE(window, nullptr);
    DWORD_PTR answer = 1;
    for (WPARAM command : {WPARAM(0xF040), WPARAM(0xF050), WPARAM(0xF140)}) {
        ASSERT_TRUE(
            SendMessageTimeoutA(window, WM_SYSCOMMAND, command, 0, SMTO_NORMAL, 5000, &answer));
        EXPECT_EQ(answer, 0u);
    }
    EXPECT_TRUE(IsWindow(window));
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(run->exitCode(), 0u);
}

TEST_F(SaverModes, LosingTheForegroundClosesTheFullScreenSaver) {
    std::optional<Saver> run;
    HWND window = startFullScreen(run);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitFor([&] { return GetForegroundWindow() == window; }, windowLimitMs));
    // Wine may hand the foreground back to the saver while its own activation is still under
    // way, so the other window asks again for as long as it does not have it.
    PreviewParent other;
    waitFor(
        [&] {
            if (GetForegroundWindow() != other.window) SetForegroundWindow(other.window);
            return !run->running();
        },
        exitLimitMs);
    EXPECT_EQ(run->exitCode(), 0u);
}

} // namespace
