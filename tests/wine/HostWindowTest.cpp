// The saver window's host procedures, driven in this process: the window is made with the saver's
// own class procedure, and the host's last step, the system's default procedure, is replaced by
// one that records what reaches it. Messages are sent, so every check sees the chain's effect at
// once: a close request is a posted WM_CLOSE in this thread's queue.

#include "host/Host.h"
#include "player/SaverWindow.h"

#include <gtest/gtest.h>

#include <vector>

using namespace cinefold;

namespace {

struct Reached {
    UINT message;
    WPARAM wParam;
};
std::vector<Reached> reachedSystem;

struct ParentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<ParentMessage> parentReceived;

LRESULT CALLBACK recordingParent(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HELP || message == WM_CONTEXTMENU) {
        parentReceived.push_back({message, wParam, lParam});
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

constexpr WPARAM nextWindow = 0xF040;
constexpr WPARAM previousWindow = 0xF050;
constexpr WPARAM screenSave = 0xF140;

LRESULT CALLBACK recordingDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    reachedSystem.push_back({message, wParam});
    // Switching windows or starting the system's saver would disturb the other tests.
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) != SC_CLOSE) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
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

        WNDCLASSA parentClass = {};
        parentClass.lpfnWndProc = recordingParent;
        parentClass.hInstance = GetModuleHandleA(nullptr);
        parentClass.lpszClassName = "CinefoldTestParent";
        ASSERT_NE(RegisterClassA(&parentClass), 0);
    }

    void SetUp() override {
        systemDefaultProc = recordingDefault;
        isPreview = 0;
        isWin95Family = 0;
        closeAllowed = 0;
        checkingPassword = 0;
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        parentReceived.clear();
    }

    void TearDown() override {
        if (window && IsWindow(window)) DestroyWindow(window);
        if (parent) DestroyWindow(parent);
        drain(nullptr);
        systemDefaultProc = DefWindowProcA;
    }

    void openFullScreen() {
        window = CreateWindowExA(WS_EX_TOPMOST, "WindowsScreenSaverClass", "Screen Saver",
                                 WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                 GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        settle();
    }

    void openPreview() {
        parent = CreateWindowExA(0, "CinefoldTestParent", "Display settings",
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 250, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
        isPreview = 1;
        RECT client = {};
        GetClientRect(parent, &client);
        window = CreateWindowExA(0, "WindowsScreenSaverClass", "Preview",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, client.right,
                                 client.bottom, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        settle();
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
        for (int i = 0; i < 10000 && PeekMessageA(&message, target, 0, 0, PM_REMOVE); ++i) {
            if (message.message == WM_PAINT && message.hwnd) ValidateRect(message.hwnd, nullptr);
        }
    }

    int postedCloses() {
        int count = 0;
        MSG message;
        while (PeekMessageA(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE))
            ++count;
        return count;
    }

    bool reached(UINT message, WPARAM wParam) const {
        for (const Reached& r : reachedSystem)
            if (r.message == message && r.wParam == wParam) return true;
        return false;
    }
    bool reached(UINT message) const {
        for (const Reached& r : reachedSystem)
            if (r.message == message) return true;
        return false;
    }

    HWND window = nullptr;
    HWND parent = nullptr;
};

struct InputCase {
    const char* name;
    UINT message;
    WPARAM wParam;
    int closesFullScreen;
};

constexpr InputCase inputCases[] = {
    {"key press", WM_KEYDOWN, VK_SPACE, 1},
    {"key press with Alt", WM_SYSKEYDOWN, VK_F4, 1},
    {"left button", WM_LBUTTONDOWN, MK_LBUTTON, 1},
    {"right button", WM_RBUTTONDOWN, MK_RBUTTON, 1},
    {"middle button", WM_MBUTTONDOWN, MK_MBUTTON, 1},
    {"deactivation", WM_ACTIVATEAPP, 0, 1},
    {"activation", WM_ACTIVATEAPP, 1, 0},
    {"key release", WM_KEYUP, VK_SPACE, 0},
    {"key release with Alt", WM_SYSKEYUP, VK_F4, 0},
    {"character", WM_CHAR, 'x', 0},
    {"left release", WM_LBUTTONUP, 0, 0},
    {"right release", WM_RBUTTONUP, 0, 0},
    {"middle release", WM_MBUTTONUP, 0, 0},
    {"wheel", WM_MOUSEWHEEL, WPARAM(WHEEL_DELTA) << 16, 0},
    {"sideways wheel", WM_MOUSEHWHEEL, WPARAM(WHEEL_DELTA) << 16, 0},
    {"left double-click", WM_LBUTTONDBLCLK, MK_LBUTTON, 0},
    {"right double-click", WM_RBUTTONDBLCLK, MK_RBUTTON, 0},
    {"middle double-click", WM_MBUTTONDBLCLK, MK_MBUTTON, 0},
};

TEST_F(SaverWindow, FullScreenClosesOnPressesAndDeactivationOnly) {
    openFullScreen();
    for (const InputCase& c : inputCases) {
        SendMessageA(window, c.message, c.wParam, 0);
        EXPECT_EQ(postedCloses(), c.closesFullScreen) << c.name;
        EXPECT_TRUE(reached(c.message, c.wParam)) << c.name << " did not reach the system";
        reachedSystem.clear();
    }
}

TEST_F(SaverWindow, PreviewClosesOnNothing) {
    openPreview();
    for (const InputCase& c : inputCases) {
        SendMessageA(window, c.message, c.wParam, 0);
        EXPECT_EQ(postedCloses(), 0) << c.name;
    }
    SetCursorPos(10, 10);
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    SetCursorPos(300, 300);
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(postedCloses(), 0) << "mouse travel";
}

TEST_F(SaverWindow, MouseTravelClosesBeyondFourPixelsFromTheRecordedPosition) {
    openFullScreen();
    // Pointer moves of earlier tests can reach the new window while it settles; start from a
    // known reference.
    ASSERT_TRUE(SetCursorPos(500, 400));
    startCursor = {500, 400};
    auto moveTo = [&](int x, int y) {
        ASSERT_TRUE(SetCursorPos(x, y));
        // The message's own coordinates are not used: only the cursor position counts.
        SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(0, 0));
    };
    moveTo(500, 400);
    EXPECT_EQ(postedCloses(), 0) << "a move message while the cursor stands still";
    moveTo(502, 400);
    moveTo(502, 402);
    EXPECT_EQ(postedCloses(), 0) << "2 right and 2 down is travel 4";
    moveTo(503, 402);
    EXPECT_EQ(postedCloses(), 1) << "one more pixel makes travel 5";
    // The close renews the reference: travel starts again from (503, 402).
    moveTo(506, 402);
    EXPECT_EQ(postedCloses(), 0) << "3 right of the renewed position";
    moveTo(506, 404);
    EXPECT_EQ(postedCloses(), 1) << "3 right then 2 down from the renewed position";
    // Travel is the distance from the reference, not the length of the path.
    moveTo(503, 404);
    moveTo(506, 404);
    EXPECT_EQ(postedCloses(), 0) << "back 3 and forth 3 ends where it began";
}

TEST_F(SaverWindow, SwitchingCommandsAreDroppedInFullScreenOnly) {
    openFullScreen();
    for (WPARAM command : {nextWindow, previousWindow, screenSave}) {
        EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, command, 0), 0);
        EXPECT_FALSE(reached(WM_SYSCOMMAND, command)) << std::hex << command;
    }
    // The command is compared whole: its low four bits make it another command.
    SendMessageA(window, WM_SYSCOMMAND, screenSave | 1, 0);
    EXPECT_TRUE(reached(WM_SYSCOMMAND, screenSave | 1));
    EXPECT_TRUE(IsWindow(window));

    TearDown();
    SetUp();
    openPreview();
    for (WPARAM command : {nextWindow, previousWindow, screenSave}) {
        SendMessageA(window, WM_SYSCOMMAND, command, 0);
        EXPECT_TRUE(reached(WM_SYSCOMMAND, command)) << std::hex << command;
    }
}

TEST_F(SaverWindow, CloseCommandClosesFullScreenOnTheNtFamily) {
    openFullScreen();
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(reached(WM_SYSCOMMAND, SC_CLOSE));
    EXPECT_TRUE(reached(WM_CLOSE));
    EXPECT_FALSE(IsWindow(window));
    MSG quit = {};
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}

TEST_F(SaverWindow, VerifyRequestGoesToTheSystemOnTheNtFamily) {
    openFullScreen();
    EXPECT_EQ(SendMessageA(window, verifyRequestMessage, 0, 0), 0);
    EXPECT_TRUE(reached(verifyRequestMessage));
}

TEST_F(SaverWindow, CursorIsHiddenInFullScreenAndLeftAloneInPreview) {
    openFullScreen();
    EXPECT_EQ(GetCursor(), nullptr) << "after creation";
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(SendMessageA(window, WM_SETCURSOR, WPARAM(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
    EXPECT_EQ(GetCursor(), nullptr) << "after the system asked for a cursor";
    EXPECT_FALSE(reached(WM_SETCURSOR));
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    SendMessageA(window, WM_SHOWWINDOW, 1, 0);
    EXPECT_EQ(GetCursor(), nullptr) << "after being shown";

    TearDown();
    SetUp();
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    SetCursor(arrow);
    openPreview();
    EXPECT_EQ(GetCursor(), arrow) << "after creation";
    SendMessageA(window, WM_SHOWWINDOW, 1, 0);
    SendMessageA(window, WM_SETCURSOR, WPARAM(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_TRUE(reached(WM_SETCURSOR));
    EXPECT_NE(GetCursor(), nullptr);
}

TEST_F(SaverWindow, PreviewPassesHelpAndContextMenuToItsParent) {
    openPreview();
    HELPINFO help = {sizeof help, HELPINFO_WINDOW, 0, window, 0, {10, 20}};
    struct {
        UINT message;
        LPARAM lParam;
    } cases[] = {{WM_CONTEXTMENU, 0x00140010}, {WM_HELP, LPARAM(&help)}};
    for (const auto& c : cases) {
        parentReceived.clear();
        EXPECT_EQ(SendMessageA(window, c.message, WPARAM(window), c.lParam), 1);
        EXPECT_FALSE(reached(c.message));
        MSG posted = {};
        while (PeekMessageA(&posted, parent, c.message, c.message, PM_REMOVE))
            DispatchMessageA(&posted);
        ASSERT_EQ(parentReceived.size(), 1u) << "message " << c.message;
        EXPECT_EQ(parentReceived[0].wParam, WPARAM(parent)) << "the parent's own handle first";
        EXPECT_EQ(parentReceived[0].lParam, c.lParam) << "second parameter unchanged";
    }
}

TEST_F(SaverWindow, FullScreenLetsHelpAndContextMenuThrough) {
    openFullScreen();
    SendMessageA(window, WM_CONTEXTMENU, WPARAM(window), 0x00140010);
    EXPECT_TRUE(reached(WM_CONTEXTMENU));
}

TEST_F(SaverWindow, TextNeverChanges) {
    openFullScreen();
    EXPECT_EQ(SendMessageA(window, WM_SETTEXT, 0, LPARAM("Something else")), 0);
    char text[32] = {};
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ(text, "Screen Saver");
    EXPECT_FALSE(reached(WM_SETTEXT));
}

TEST_F(SaverWindow, OnceClosingIsAllowedTheAnimationStopsAndInputGoesToTheSystem) {
    openFullScreen();
    std::int32_t frame = player.currentFrame;
    closeAllowed = 1;
    EXPECT_EQ(SendMessageA(window, WM_TIMER, 1, 0), 0);
    EXPECT_FALSE(reached(WM_TIMER));
    EXPECT_EQ(player.currentFrame, frame) << "a tick moved the animation on";
    SendMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_EQ(postedCloses(), 0);
    EXPECT_TRUE(reached(WM_KEYDOWN));
    InvalidateRect(window, nullptr, FALSE);
    SendMessageA(window, WM_PAINT, 0, 0);
    EXPECT_TRUE(reached(WM_PAINT));
    RECT update = {};
    EXPECT_FALSE(GetUpdateRect(window, &update, FALSE)) << "the system's paint validates";
}

TEST_F(SaverWindow, TimerTicksInvalidateWithoutErasing) {
    openFullScreen();
    player.currentFrame = 0;
    SendMessageA(window, WM_TIMER, 1, 0);
    RECT update = {};
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE)) << "a tick invalidates the window";
    EXPECT_TRUE(reached(WM_TIMER));
}

TEST_F(SaverWindow, PlayerHoldsTheStagePaletteAndADefaultStageBitmap) {
    openFullScreen();
    ASSERT_NE(player.stagePalette, nullptr);
    PALETTEENTRY entries[256] = {};
    ASSERT_EQ(GetPaletteEntries(static_cast<HPALETTE>(player.stagePalette), 0, 256, entries),
              256u);
    struct {
        int index;
        BYTE red, green, blue, flags;
    } expected[] = {{10, 0, 16, 0, PC_RESERVED},      {23, 0, 224, 0, PC_RESERVED},
                    {24, 32, 16, 0, PC_RESERVED},     {122, 0, 16, 128, PC_RESERVED},
                    {233, 224, 224, 128, PC_RESERVED}, {234, 0, 0, 0, 0},
                    {245, 0, 0, 0, 0}};
    for (const auto& e : expected) {
        const PALETTEENTRY& got = entries[e.index];
        EXPECT_EQ(got.peRed, e.red) << "entry " << e.index;
        EXPECT_EQ(got.peGreen, e.green) << "entry " << e.index;
        EXPECT_EQ(got.peBlue, e.blue) << "entry " << e.index;
        EXPECT_EQ(got.peFlags, e.flags) << "entry " << e.index;
    }

    // This program carries no container: the stage keeps the Player's default size.
    ASSERT_NE(player.stageBitmap, nullptr);
    DIBSECTION section = {};
    ASSERT_EQ(GetObjectA(static_cast<HBITMAP>(player.stageBitmap), sizeof section, &section),
              int(sizeof section));
    EXPECT_EQ(section.dsBm.bmWidth, 300);
    EXPECT_EQ(section.dsBm.bmHeight, 200);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
    EXPECT_EQ(section.dsBm.bmWidthBytes, 900);
    EXPECT_GT(section.dsBmih.biHeight, 0) << "rows are stored bottom-up";
}

TEST_F(SaverWindow, DestructionDrainsTheQueueAndQuitsWithZero) {
    openFullScreen();
    PostMessageA(window, WM_USER + 7, 0, 0);
    InvalidateRect(window, nullptr, FALSE);
    DestroyWindow(window);
    bool quit = false;
    MSG message = {};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        EXPECT_NE(message.message, UINT(WM_USER + 7)) << "a message survived the destruction";
        if (message.message == WM_QUIT) {
            quit = true;
            EXPECT_EQ(message.wParam, 0u);
        }
    }
    EXPECT_TRUE(quit);
}

} // namespace
