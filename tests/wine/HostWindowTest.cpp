// The saver window's host procedures in this process, for what the real saver's tests cannot
// see from outside: which input closes it, the hidden cursor, the 95 family's password
// confirmation and module, and stored settings that cannot be set by hand. The host's last step,
// the system's default procedure, is replaced by a recorder; messages are sent, so a check sees
// their effect at once (a close request is a WM_CLOSE posted to this thread's queue).

#include "player/Player.h"
#include "saver/Host.h"
#include "saver/SaverWindow.h"
#include "saver/Settings.h"

#include "WineTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace cinefold;
using namespace cinefold::test;

namespace {

std::vector<MSG> reachedSystem;

LRESULT CALLBACK recordingDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    reachedSystem.push_back({window, message, wParam, lParam, 0, {}});
    // Switching windows or starting the system's saver would disturb the other tests.
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) != SC_CLOSE) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

// How often the message, with this first parameter unless it is -1, reached the system.
int systemCount(UINT message, WPARAM wParam = WPARAM(-1)) {
    int count = 0;
    for (const MSG& r : reachedSystem)
        count += r.message == message && (wParam == WPARAM(-1) || r.wParam == wParam);
    return count;
}

struct StandInVerifier {
    int calls = 0;
    BOOL answer = FALSE;
    int checkingSeen = -1;
    std::function<void()> whileAsking;
};
StandInVerifier verifier;

BOOL WINAPI standInVerify(HWND) {
    ++verifier.calls;
    verifier.checkingSeen = saverState().checkingPassword;
    if (verifier.whileAsking) verifier.whileAsking();
    return verifier.answer;
}

void resetHostState() {
    saverState().isWin95Family = 0;
    saverState().isPreview = 0;
    saverState().closeAllowed = 0;
    saverState().checkingPassword = 0;
    saverState().lastCheckTick = 0xFFFFFFFF;
    saverState().passwordModule.reset();
    saverState().verifyPassword = nullptr;
    saverState().startCursor = {};
    reachedSystem.clear();
    verifier = StandInVerifier{};
}

class SaverWindow : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        WNDCLASSA windowClass = {};
        windowClass.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = hostWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        windowClass.lpszClassName = "WindowsScreenSaverClass";
        ASSERT_NE(RegisterClassA(&windowClass), 0);
    }

    void SetUp() override {
        resetHostState();
        saverState().systemDefaultProc = recordingDefault;
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    }

    void TearDown() override {
        saverState().closeAllowed = 1; // lets the destruction through to the system
        if (window && IsWindow(window)) DestroyWindow(window);
        drain(nullptr);
        saverState().systemDefaultProc = DefWindowProcA;
    }

    void openFullScreen() {
        window = CreateWindowExA(WS_EX_TOPMOST, "WindowsScreenSaverClass", "Screen Saver",
                                 WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                 GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        settle();
    }

    // The 95 family's confirmation on a window whose procedure is the chain's last step, with
    // the stand-in verifier in place of the module's.
    void openForPassword() {
        saverState().isWin95Family = 1;
        saverState().verifyPassword = standInVerify;
        window = makeWindow("CinefoldPasswordCloseTest", defaultSaverProc);
        ASSERT_NE(window, nullptr);
    }

    // Handles what creation queued (activation, paints, timer ticks) and forgets it, so that a
    // check sees only what its own message did.
    void settle() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_CLOSE || message.message == WM_QUIT) continue;
            DispatchMessageA(&message);
        }
        drain(window);
        reachedSystem.clear();
    }

    static void drain(HWND target) {
        MSG message;
        for (int i = 0; i < 10000 && PeekMessageA(&message, target, 0, 0, PM_REMOVE); ++i)
            if (message.message == WM_PAINT && message.hwnd) ValidateRect(message.hwnd, nullptr);
    }

    LRESULT close() { return SendMessageA(window, WM_CLOSE, 0, 0); }

    HWND window = nullptr;
};

// The presses, the wheel and deactivation are checked on the real saver with real input.
constexpr struct {
    const char* name;
    UINT message;
    WPARAM wParam;
    int closesFullScreen;
} inputCases[] = {
    {"key press with Alt", WM_SYSKEYDOWN, VK_F4, 1},
    {"activation", WM_ACTIVATEAPP, 1, 0},
    {"key release", WM_KEYUP, VK_SPACE, 0},
    {"key release with Alt", WM_SYSKEYUP, VK_F4, 0},
    {"character", WM_CHAR, 'x', 0},
    {"left release", WM_LBUTTONUP, 0, 0},
    {"right release", WM_RBUTTONUP, 0, 0},
    {"middle release", WM_MBUTTONUP, 0, 0},
    {"sideways wheel", WM_MOUSEHWHEEL, WPARAM(WHEEL_DELTA) << 16, 0},
    {"left double-click", WM_LBUTTONDBLCLK, MK_LBUTTON, 0},
    {"right double-click", WM_RBUTTONDBLCLK, MK_RBUTTON, 0},
    {"middle double-click", WM_MBUTTONDBLCLK, MK_MBUTTON, 0},
};

TEST_F(SaverWindow, FullScreenClosesOnPressesOnlyPassesEveryInputOnAndHidesTheCursor) {
    openFullScreen();
    EXPECT_EQ(GetCursor(), nullptr) << "after creation";
    for (const auto& c : inputCases) {
        SendMessageA(window, c.message, c.wParam, 0);
        EXPECT_EQ(queuedCount(window, WM_CLOSE), c.closesFullScreen) << c.name;
        EXPECT_EQ(systemCount(c.message, c.wParam), 1) << c.name << " did not reach the system";
        reachedSystem.clear();
    }

    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(
        SendMessageA(window, WM_SETCURSOR, WPARAM(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
    EXPECT_EQ(GetCursor(), nullptr) << "after the system asked for a cursor";
    EXPECT_EQ(systemCount(WM_SETCURSOR), 0);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    SendMessageA(window, WM_SHOWWINDOW, 1, 0);
    EXPECT_EQ(GetCursor(), nullptr) << "after being shown";
}

// Ticks that play the animation are the screenshots' to check.
TEST_F(SaverWindow, OnceClosingIsAllowedTheAnimationStopsAndInputAndPaintGoToTheSystem) {
    openFullScreen();
    const std::int32_t frame = saverState().player.currentFrame;
    saverState().closeAllowed = 1;
    EXPECT_EQ(SendMessageA(window, WM_TIMER, 1, 0), 0);
    EXPECT_EQ(systemCount(WM_TIMER), 0);
    EXPECT_EQ(saverState().player.currentFrame, frame) << "a tick moved the animation on";
    SendMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_EQ(queuedCount(window, WM_CLOSE), 0);
    EXPECT_EQ(systemCount(WM_KEYDOWN), 1);
    InvalidateRect(window, nullptr, FALSE);
    SendMessageA(window, WM_PAINT, 0, 0);
    EXPECT_EQ(systemCount(WM_PAINT), 1);
    RECT update = {};
    EXPECT_FALSE(GetUpdateRect(window, &update, FALSE)) << "the system's paint validates";
}

// Refusals and answers as the password scripts cannot time them: the renewed mouse reference
// and the 200 ms after each question.
TEST_F(SaverWindow, AWrongAnswerKeepsTheWindowAndRefusesClosesForThe200MsAfter) {
    openForPassword();
    verifier.whileAsking = [] { SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512))); };
    saverState().startCursor = {-5000, -5000};
    EXPECT_EQ(close(), 0);
    EXPECT_EQ(verifier.calls, 1);
    EXPECT_EQ(verifier.checkingSeen, 1);
    EXPECT_EQ(systemCount(WM_CLOSE), 0);
    EXPECT_EQ(saverState().closeAllowed, 0);
    EXPECT_EQ(saverState().checkingPassword, 0);
    EXPECT_EQ(GetCursor(), nullptr) << "the cursor the dialog showed is hidden again";
    POINT now = {};
    GetCursorPos(&now);
    EXPECT_EQ(saverState().startCursor.x, now.x);
    EXPECT_EQ(saverState().startCursor.y, now.y);

    EXPECT_EQ(close(), 0);
    saverState().lastCheckTick = GetTickCount() - 150;
    EXPECT_EQ(close(), 0);
    EXPECT_EQ(verifier.calls, 1) << "asked again within 200 ms of the last question";
    saverState().lastCheckTick = GetTickCount() - 250;
    close();
    EXPECT_EQ(verifier.calls, 2) << "250 ms after the last question";
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(systemCount(WM_CLOSE), 0);
}

TEST_F(SaverWindow, ARightAnswerClosesOnceAndInputWhileAskingClosesNothing) {
    openForPassword();
    int closesPosted = -1;
    verifier.whileAsking = [&] {
        SendMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
        SendMessageA(window, WM_LBUTTONDOWN, 0, 0);
        closesPosted = queuedCount(window, WM_CLOSE);
    };
    verifier.answer = TRUE;
    close();
    EXPECT_EQ(closesPosted, 0) << "input while asking posted a close";
    EXPECT_EQ(systemCount(WM_KEYDOWN), 1);
    EXPECT_EQ(systemCount(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(systemCount(WM_CLOSE), 1) << "only the confirmed close reached the system";
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(saverState().closeAllowed, 1);
    EXPECT_EQ(verifyBeforeClose(window), 0) << "closing was confirmed once already";
    EXPECT_EQ(verifier.calls, 1);
}

TEST_F(SaverWindow, TwoQueuedTimerTicksOfTheWindowAreDroppedBeforeAsking) {
    openForPassword();
    HWND other = makeWindow("CinefoldPasswordOtherWindow", DefWindowProcA);
    for (int i = 0; i < 3; ++i) {
        PostMessageA(window, WM_TIMER, 1, 0);
        PostMessageA(other, WM_TIMER, 1, 0);
    }
    int ownLeft = -1, otherLeft = -1;
    verifier.whileAsking = [&] {
        ownLeft = queuedCount(window, WM_TIMER);
        otherLeft = queuedCount(other, WM_TIMER);
    };
    close();
    EXPECT_EQ(ownLeft, 1);
    EXPECT_EQ(otherLeft, 3);
    DestroyWindow(other);
}

void setDesktopValue(DWORD type, const std::vector<BYTE>& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key), ERROR_SUCCESS);
    if (type == 0)
        RegDeleteValueA(key, "ScreenSaveUsePassword");
    else
        RegSetValueExA(key, "ScreenSaveUsePassword", 0, type, data.data(), DWORD(data.size()));
    RegCloseKey(key);
}

// With the test module beside this program as PASSWORD.CPL. No value, 0, a DWORD 1 and the
// module's release are the password script's cases, with the whole saver.
TEST_F(SaverWindow, PasswordModuleLoadsOnlyWhenTheDesktopAsksForAPassword) {
    struct Row {
        const char* what;
        int platformIs95;
        DWORD type;
        std::vector<BYTE> data;
        bool loads;
    };
    const Row rows[] = {
        {"binary, high byte", 1, REG_BINARY, {0, 0, 0, 1}, true},
        {"text \"1\"", 1, REG_SZ, {'1'}, true},
        {"longer than a word", 1, REG_BINARY, {1, 0, 0, 0, 0, 0, 0, 0}, false},
        {"NT family", 0, REG_DWORD, {1, 0, 0, 0}, false},
    };
    for (const Row& c : rows) {
        SystemParametersInfoA(97, 0, nullptr, 0); // SPI_SETSCREENSAVERRUNNING off
        setDesktopValue(c.type, c.data);
        saverState().isWin95Family = c.platformIs95;
        loadPasswordModule();
        EXPECT_EQ(bool(saverState().passwordModule), c.loads) << c.what;
        EXPECT_EQ(saverState().verifyPassword != nullptr, c.loads) << c.what;
        EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL") != nullptr, c.loads) << c.what;
        BOOL running = FALSE;
        SystemParametersInfoA(114, 0, &running, 0); // SPI_GETSCREENSAVERRUNNING
        EXPECT_EQ(running != FALSE, c.loads) << c.what << ": screen-saver-running state";
        releasePasswordModule();
    }
    setDesktopValue(0, {});
}

// Texts set by hand are the dialog test's, which shows what each reads as; here a binary value
// and sizes around the largest value read.
TEST(SettingsStore, ReadsAValueWholeUpToAMebibyteAndLargerValuesAsAbsent) {
    const char keyName[] = "Software\\Quillmark\\CinefoldScreenSaver";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, keyName, &key), ERROR_SUCCESS);
    for (std::size_t size : {std::size_t(1), std::size_t(1) << 20, (std::size_t(1) << 20) + 1}) {
        const std::string data(size, '1');
        RegSetValueExA(key, "StageSize", 0, REG_BINARY, reinterpret_cast<const BYTE*>(data.data()),
                       DWORD(size));
        const int found = size <= (std::size_t(1) << 20);
        std::string text = "left over";
        EXPECT_EQ(readSetting("StageSize", text), found) << size;
        EXPECT_EQ(text, found ? data : std::string()) << size;
    }
    RegCloseKey(key);
    RegDeleteTreeA(HKEY_CURRENT_USER, keyName);
    RegDeleteKeyA(HKEY_CURRENT_USER, keyName);
}

} // namespace
