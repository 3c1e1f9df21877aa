// The real saver, started with each kind of command line: exit codes, the windows it opens and
// the rules a user meets (one full-screen saver at a time, the preview as a quiet child of the
// window that shows it). The saver's Windows path comes in CINEFOLD_SAVER.

#include "WineTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace cinefold::test;

namespace {

constexpr DWORD limitMs = 30000;
const char saverClass[] = "WindowsScreenSaverClass";

class Saver {
  public:
    // Starts the saver with exactly this command line (the program name included).
    explicit Saver(const std::string& commandLine, const std::string& application = "") {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::string line = commandLine;
        started = CreateProcessA(application.empty() ? nullptr : application.c_str(), line.data(),
                                 nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
        if (started)
            CloseHandle(process.hThread);
        else
            ADD_FAILURE() << "cannot start " << commandLine;
    }
    ~Saver() {
        if (!started) return;
        if (running()) TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hProcess);
    }

    bool running() const { return WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT; }

    // The exit code once the process has ended, or STILL_ACTIVE at the limit. A configuration
    // dialog that shows on the way is closed with Escape's command, as a user would close it.
    DWORD exitCode() {
        waitFor(
            [&] {
                if (HWND dialog = ownWindow("#32770", nullptr))
                    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                return !running();
            },
            limitMs);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process.hProcess, &code);
        return code;
    }

    // The first top-level window of this process with the saver's class, waiting for it to be
    // shown (a window is made first and shown at the end of its creation).
    HWND saverWindow() {
        HWND found = nullptr;
        waitFor(
            [&] {
                found = ownWindow(saverClass, "Screen Saver");
                return (found && IsWindowVisible(found)) || !running();
            },
            limitMs);
        return found;
    }

    // A top-level window of this process with this class and title (any title when null).
    HWND ownWindow(const char* className, const char* title) const {
        for (HWND w = FindWindowExA(nullptr, nullptr, className, title); w;
             w = FindWindowExA(nullptr, w, className, title)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == process.dwProcessId) return w;
        }
        return nullptr;
    }

    bool started = false;
    PROCESS_INFORMATION process = {};
};

// A window of this test that hosts a preview, and records the requests the preview passes on.
struct PreviewParent {
    static inline std::vector<MSG> received;
    static LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != WM_HELP && message != WM_CONTEXTMENU)
            return DefWindowProcA(window, message, wParam, lParam);
        received.push_back({window, message, wParam, lParam, 0, {}});
        return 1;
    }
    PreviewParent()
        : window(makeWindow("CinefoldPreviewParent", parentProc, WS_POPUP | WS_VISIBLE,
                            {40, 30, 192, 142}, "Display")) {
        received.clear();
    }
    ~PreviewParent() {
        if (window) DestroyWindow(window);
        pumpMessages();
    }
    std::string number() const { return std::to_string(reinterpret_cast<UINT_PTR>(window)); }
    HWND child() const { return FindWindowExA(window, nullptr, saverClass, nullptr); }
    HWND window;
};

// Every test runs a copy of the saver in a folder named "... x s": read without its quotes, the
// program's path would leave arguments that begin with "s" and start the full-screen saver.
class SaverModes : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        const char* original = std::getenv("CINEFOLD_SAVER");
        ASSERT_NE(original, nullptr) << "CINEFOLD_SAVER names no saver";
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        directory = std::string(temp) + "cinefold quoted x s";
        CreateDirectoryA(directory.c_str(), nullptr);
        saver = directory + "\\cinefold.scr";
        ASSERT_TRUE(CopyFileA(original, saver.c_str(), FALSE)) << original;
    }
    static void TearDownTestSuite() {
        DeleteFileA(saver.c_str());
        RemoveDirectoryA(directory.c_str());
    }
    // The saver with these arguments after its quoted path.
    static std::string line(const std::string& arguments) {
        return "\"" + saver + "\" " + arguments;
    }
    static inline std::string directory, saver;
};

TEST_F(SaverModes, RefusedCommandLinesExitWithMinusOneAndShowNothing) {
    PreviewParent parent;
    const std::string texts[] = {
        "/x", "/?", "/p", "/p 0", "/p abc", "/p:" + parent.number(), "/l", "-\ts", "/p 4294967295"};
    for (const std::string& text : texts) {
        Saver run(line(text));
        EXPECT_EQ(run.exitCode(), DWORD(-1)) << "for \"" << text << "\"";
        EXPECT_EQ(parent.child(), nullptr) << "for \"" << text << "\"";
    }
    // An unterminated quote takes the whole line, "/s" with it: configuration.
    Saver unterminated("\"" + saver + " /s", saver);
    EXPECT_EQ(unterminated.exitCode(), DWORD(-1));
    EXPECT_EQ(unterminated.ownWindow(saverClass, nullptr), nullptr);
}

// That the window covers the screen is for the screenshots of the saver to say.
TEST_F(SaverModes, FullScreenTextsOpenOneTopmostWindowThatAKeyCloses) {
    for (const char* text : {"/s", "-S", " s", "s more words", "/S /p 12"}) {
        Saver run(line(text));
        HWND window = run.saverWindow();
        ASSERT_NE(window, nullptr) << text << ": no full-screen window";
        EXPECT_EQ(GetWindowLongA(window, GWL_STYLE),
                  LONG(WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN))
            << text;
        EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, WS_EX_TOPMOST) << text;
        EXPECT_EQ(GetParent(window), nullptr) << text;
        PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
        EXPECT_EQ(run.exitCode(), 0u) << text;
    }
}

// Where the preview lies in its parent is for the screenshots of the preview to say.
TEST_F(SaverModes, PreviewIsAQuietChildOfItsParent) {
    for (const char* letter : {"/p ", "/l ", "-P   "}) {
        PreviewParent parent;
        Saver run(line(letter + parent.number()));
        HWND child = nullptr;
        ASSERT_TRUE(waitFor(
            [&] {
                child = FindWindowExA(parent.window, nullptr, saverClass, "Preview");
                return (child && IsWindowVisible(child)) || !run.running();
            },
            limitMs))
            << letter << ": no window titled \"Preview\"";
        ASSERT_NE(child, nullptr) << letter << ": the saver ended without a preview";

        EXPECT_EQ(GetWindowLongA(child, GWL_STYLE), LONG(WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN));
        EXPECT_EQ(GetWindowLongA(child, GWL_EXSTYLE), 0);

        // Input that would close the full-screen saver; each is handled before it returns.
        DWORD_PTR answer = 0;
        for (UINT message :
             {UINT(WM_KEYDOWN), UINT(WM_SYSKEYDOWN), UINT(WM_LBUTTONDOWN), UINT(WM_RBUTTONDOWN),
              UINT(WM_MBUTTONDOWN), UINT(WM_MOUSEMOVE), UINT(WM_ACTIVATEAPP)})
            SendMessageTimeoutA(child, message, 0, 0, SMTO_NORMAL, 5000, &answer);
        // A context menu request travels to the parent behind any close those posted: when it
        // arrives, the preview must still be there.
        PostMessageA(child, WM_CONTEXTMENU, WPARAM(child), 0x00200010);
        ASSERT_TRUE(waitFor([&] { return !PreviewParent::received.empty(); }, limitMs));
        EXPECT_TRUE(IsWindow(child)) << letter << ": input closed the preview";
        EXPECT_TRUE(run.running());
        EXPECT_EQ(PreviewParent::received[0].message, UINT(WM_CONTEXTMENU));
        EXPECT_EQ(PreviewParent::received[0].wParam, WPARAM(parent.window));
        EXPECT_EQ(PreviewParent::received[0].lParam, 0x00200010);

        HELPINFO help = {sizeof help, HELPINFO_WINDOW, 0, child, 0, {20, 10}};
        PreviewParent::received.clear();
        SendMessageTimeoutA(child, WM_HELP, WPARAM(child), LPARAM(&help), SMTO_NORMAL, 5000,
                            &answer);
        pumpMessages();
        ASSERT_EQ(PreviewParent::received.size(), 1u) << "WM_HELP did not reach the parent";
        EXPECT_EQ(PreviewParent::received[0].wParam, WPARAM(parent.window));

        // Closing the window that shows the preview ends it.
        DestroyWindow(parent.window);
        parent.window = nullptr;
        EXPECT_EQ(run.exitCode(), 0u) << letter;
    }
}

// Another program in the foreground would close the first saver, so the test can only see that
// the first one keeps the foreground and stays the only one. Commands that would switch to
// another window are dropped, and the close command closes.
TEST_F(SaverModes, ASecondStartAndSwitchingCommandsLeaveTheFullScreenSaverAlone) {
    Saver first(line("/s"));
    HWND window = first.saverWindow();
    ASSERT_NE(window, nullptr);

    Saver second(line("/s"));
    EXPECT_EQ(second.exitCode(), 0u);
    EXPECT_EQ(FindWindowA(saverClass, "Screen Saver"), window) << "another saver window";
    EXPECT_EQ(FindWindowExA(nullptr, window, saverClass, "Screen Saver"), nullptr);
    EXPECT_TRUE(waitFor([&] { return GetForegroundWindow() == window; }, limitMs))
        << "the first saver is not in the foreground";

    DWORD_PTR answer = 1;
    for (WPARAM command : {WPARAM(0xF040), WPARAM(0xF050), WPARAM(0xF140)}) {
        ASSERT_TRUE(
            SendMessageTimeoutA(window, WM_SYSCOMMAND, command, 0, SMTO_NORMAL, 5000, &answer));
        EXPECT_EQ(answer, 0u);
    }
    EXPECT_TRUE(first.running());
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(first.exitCode(), 0u);
}

TEST_F(SaverModes, LosingTheForegroundClosesTheFullScreenSaver) {
    Saver run(line("/s"));
    HWND window = run.saverWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitFor([&] { return GetForegroundWindow() == window; }, limitMs));
    // Wine may hand the foreground back to the saver while its own activation is still under
    // way, so the other window asks again for as long as it does not have it.
    PreviewParent other;
    waitFor(
        [&] {
            if (GetForegroundWindow() != other.window) SetForegroundWindow(other.window);
            return !run.running();
        },
        limitMs);
    EXPECT_EQ(run.exitCode(), 0u);
}

} // namespace
