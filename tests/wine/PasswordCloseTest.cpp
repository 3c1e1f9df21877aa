// The 95 family's password confirmation, in this process: the saver's default procedure on a
// window of its own, a stand-in verification entry point whose answer each test chooses, and
// the system's default procedure replaced by a recorder, so that each test sees which closes
// reach the system. The password module's loading is checked with the test module that the
// build places beside this program as "PASSWORD.CPL".

#include "host/Host.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace cinefold;

namespace {

constexpr UINT screenSaverRunningQuery = 114; // SPI_GETSCREENSAVERRUNNING
const char desktopKeyName[] = "Control Panel\\Desktop";
const char usePasswordValueName[] = "ScreenSaveUsePassword";

std::vector<UINT> systemMessages;

LRESULT CALLBACK recordingDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    systemMessages.push_back(message);
    return DefWindowProcA(window, message, wParam, lParam);
}

struct StandInVerifier {
    int calls = 0;
    BOOL answer = FALSE;
    int checkingSeen = -1;
    HWND windowSeen = nullptr;
    std::function<void()> whileAsking;
};
StandInVerifier verifier;

BOOL WINAPI standInVerify(HWND window) {
    ++verifier.calls;
    verifier.checkingSeen = checkingPassword;
    verifier.windowSeen = window;
    if (verifier.whileAsking) verifier.whileAsking();
    return verifier.answer;
}

LRESULT CALLBACK plainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND makeWindow(const char* className, WNDPROC procedure) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, className, "Screen Saver", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}

int queuedCount(HWND window, UINT message) {
    int count = 0;
    MSG pending;
    while (PeekMessageA(&pending, window, message, message, PM_REMOVE))
        ++count;
    return count;
}

void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
}

bool saverRunningState() {
    BOOL running = FALSE;
    SystemParametersInfoA(screenSaverRunningQuery, 0, &running, 0);
    return running != FALSE;
}

bool testModuleBesideProgram() {
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return false;
    std::string module(path, length);
    module = module.substr(0, module.find_last_of("\\/") + 1) + "PASSWORD.CPL";
    return GetFileAttributesA(module.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void resetHostState() {
    isWin95Family = 1;
    isPreview = 0;
    closeAllowed = 0;
    checkingPassword = 0;
    lastCheckTick = 0xFFFFFFFF;
    passwordModule = nullptr;
    verifyPassword = nullptr;
    startCursor = {};
    systemMessages.clear();
    verifier = StandInVerifier{};
}

} // namespace

class PasswordClose : public testing::Test {
  protected:
    void SetUp() override {
        resetHostState();
        verifyPassword = standInVerify;
        systemDefaultProc = recordingDefault;
        window = makeWindow("CinefoldPasswordCloseTest", defaultSaverProc);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        closeAllowed = 1; // lets the destruction through to the system
        if (IsWindow(window)) DestroyWindow(window);
        pumpMessages();
        systemDefaultProc = DefWindowProcA;
        resetHostState();
    }
    LRESULT close() { return SendMessageA(window, WM_CLOSE, 0, 0); }
    int systemCount(UINT message) const {
        int count = 0;
        for (UINT seen : systemMessages)
            count += seen == message;
        return count;
    }
    HWND window = nullptr;
};

TEST_F(PasswordClose, AWrongAnswerKeepsTheWindowHidesTheCursorAndRenewsTheMouseReference) {
    verifier.whileAsking = [] { SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512))); };
    startCursor = {-5000, -5000};
    EXPECT_EQ(close(), 0);
    EXPECT_EQ(verifier.calls, 1);
    EXPECT_EQ(verifier.checkingSeen, 1);
    EXPECT_EQ(verifier.windowSeen, window);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(systemCount(WM_CLOSE), 0);
    EXPECT_EQ(closeAllowed, 0);
    EXPECT_EQ(checkingPassword, 0);
    EXPECT_EQ(GetCursor(), nullptr) << "the cursor the dialog showed is hidden again";
    POINT now = {};
    GetCursorPos(&now);
    EXPECT_EQ(startCursor.x, now.x);
    EXPECT_EQ(startCursor.y, now.y);
    EXPECT_NE(lastCheckTick, 0xFFFFFFFFu);
}

TEST_F(PasswordClose, ARightAnswerClosesAndNoLaterCloseIsAsked) {
    verifier.answer = TRUE;
    close();
    EXPECT_EQ(verifier.calls, 1);
    EXPECT_EQ(systemCount(WM_CLOSE), 1);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(closeAllowed, 1);
    EXPECT_EQ(verifyBeforeClose(window), 0) << "closing was confirmed once already";
    EXPECT_EQ(verifier.calls, 1);
}

TEST_F(PasswordClose, ClosesWithin200MillisecondsOfAVerificationAreRefusedWithoutAsking) {
    close();
    ASSERT_EQ(verifier.calls, 1);
    EXPECT_EQ(close(), 0);
    EXPECT_EQ(verifier.calls, 1);

    lastCheckTick = GetTickCount() - 150;
    EXPECT_EQ(close(), 0);
    EXPECT_EQ(verifier.calls, 1) << "150 ms after the last verification";

    lastCheckTick = GetTickCount() - 250;
    close();
    EXPECT_EQ(verifier.calls, 2) << "250 ms after the last verification";
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(systemCount(WM_CLOSE), 0);
}

TEST_F(PasswordClose, ThreeClosesQueuedByOneBurstAskOnce) {
    for (int i = 0; i < 3; ++i)
        PostMessageA(window, WM_CLOSE, 0, 0);
    pumpMessages();
    EXPECT_EQ(verifier.calls, 1);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(systemCount(WM_CLOSE), 0);
}

TEST_F(PasswordClose, ACloseOrInputWhileTheDialogIsUpIsRefusedAtOnce) {
    LRESULT nestedClose = -1;
    verifier.whileAsking = [&] {
        nestedClose = SendMessageA(window, WM_CLOSE, 0, 0);
        SendMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
        SendMessageA(window, WM_LBUTTONDOWN, 0, 0);
    };
    verifier.answer = TRUE;
    close();
    EXPECT_EQ(nestedClose, 0);
    EXPECT_EQ(verifier.calls, 1) << "the nested close did not ask again";
    EXPECT_EQ(systemCount(WM_KEYDOWN), 1);
    EXPECT_EQ(systemCount(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(systemCount(WM_CLOSE), 1) << "only the confirmed close reached the system";
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(PasswordClose, InputWhileTheDialogIsUpPostsNoClose) {
    int closesPosted = -1;
    verifier.whileAsking = [&] {
        SendMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
        closesPosted = queuedCount(window, WM_CLOSE);
    };
    close();
    EXPECT_EQ(closesPosted, 0);
}

TEST_F(PasswordClose, TwoQueuedTimerTicksOfTheWindowAreDroppedBeforeAsking) {
    HWND other = makeWindow("CinefoldPasswordOtherWindow", plainWindowProc);
    ASSERT_NE(other, nullptr);
    for (int i = 0; i < 3; ++i) {
        PostMessageA(window, WM_TIMER, 1, 0);
        PostMessageA(other, WM_TIMER, 1, 0);
    }
    int ownLeft = -1;
    int otherLeft = -1;
    verifier.whileAsking = [&] {
        ownLeft = queuedCount(window, WM_TIMER);
        otherLeft = queuedCount(other, WM_TIMER);
    };
    close();
    EXPECT_EQ(ownLeft, 1);
    EXPECT_EQ(otherLeft, 3);
    DestroyWindow(other);
}

TEST_F(PasswordClose, WithoutAVerificationEntryTheFirstCloseCloses) {
    verifyPassword = nullptr;
    close();
    EXPECT_EQ(verifier.calls, 0);
    EXPECT_EQ(closeAllowed, 1);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(PasswordClose, OnTheNtFamilyNothingIsAskedAndTheVerifyRequestGoesToTheSystem) {
    isWin95Family = 0;
    EXPECT_EQ(SendMessageA(window, verifyRequestMessage, 0, 0), 0);
    EXPECT_EQ(systemCount(verifyRequestMessage), 1);
    close();
    EXPECT_EQ(verifier.calls, 0);
    EXPECT_FALSE(IsWindow(window));
}

struct DesktopValue {
    const char* what;
    int platformIs95;
    DWORD type; // 0: no value at all
    std::vector<BYTE> data;
    bool loads;
};

class PasswordModule : public testing::TestWithParam<DesktopValue> {
  protected:
    void SetUp() override {
        resetHostState();
        SystemParametersInfoA(97, 0, nullptr, 0); // SPI_SETSCREENSAVERRUNNING off
        isWin95Family = 1;
        setDesktopValue(0, {});
    }
    void TearDown() override {
        releasePasswordModule();
        setDesktopValue(0, {});
        resetHostState();
    }
    static void setDesktopValue(DWORD type, const std::vector<BYTE>& data) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, desktopKeyName, &key), ERROR_SUCCESS);
        if (type == 0) {
            RegDeleteValueA(key, usePasswordValueName);
        } else {
            RegSetValueExA(key, usePasswordValueName, 0, type, data.data(), DWORD(data.size()));
        }
        RegCloseKey(key);
    }
};

TEST_P(PasswordModule, LoadsOnlyWhenTheDesktopAsksForAPassword) {
    const DesktopValue& c = GetParam();
    ASSERT_TRUE(testModuleBesideProgram()) << "the test module is not beside this program";
    setDesktopValue(c.type, c.data);
    isWin95Family = c.platformIs95;
    loadPasswordModule();
    EXPECT_EQ(passwordModule != nullptr, c.loads);
    EXPECT_EQ(verifyPassword != nullptr, c.loads);
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL") != nullptr, c.loads);
    EXPECT_EQ(saverRunningState(), c.loads) << "the system's screen-saver-running state";

    releasePasswordModule();
    EXPECT_EQ(passwordModule, nullptr);
    EXPECT_EQ(verifyPassword, nullptr);
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr) << "the module is freed";
    EXPECT_FALSE(saverRunningState());
}

INSTANTIATE_TEST_SUITE_P(
    DesktopValues, PasswordModule,
    testing::Values(DesktopValue{"Dword1", 1, REG_DWORD, {1, 0, 0, 0}, true},
                    DesktopValue{"BinaryHighByte", 1, REG_BINARY, {0, 0, 0, 1}, true},
                    DesktopValue{"TextOneWithoutTypeTest", 1, REG_SZ, {'1'}, true},
                    DesktopValue{"Dword0", 1, REG_DWORD, {0, 0, 0, 0}, false},
                    DesktopValue{"NoValue", 1, 0, {}, false},
                    DesktopValue{"LongerThanAWord", 1, REG_BINARY, {1, 0, 0, 0, 0, 0, 0, 0}, false},
                    DesktopValue{"NtFamily", 0, REG_DWORD, {1, 0, 0, 0}, false}),
    [](const testing::TestParamInfo<DesktopValue>& info) { return std::string(info.param.what); });

TEST(PasswordModuleReload, LoadingAgainReleasesTheModuleFirst) {
    resetHostState();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, desktopKeyName, &key), ERROR_SUCCESS);
    DWORD one = 1;
    RegSetValueExA(key, usePasswordValueName, 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4);
    loadPasswordModule();
    loadPasswordModule();
    ASSERT_NE(passwordModule, nullptr);
    releasePasswordModule();
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr) << "one release frees the module";
    EXPECT_FALSE(saverRunningState());
    RegDeleteValueA(key, usePasswordValueName);
    RegCloseKey(key);
    resetHostState();
}
