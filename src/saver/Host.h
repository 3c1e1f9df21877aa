#pragma once
// The screen-saver host: the command-line modes, the saver window and its two host procedures,
// the password of the 95 family, and the state they keep.

#include "saver/Owners.h"
#include "saver/SaverPlayer.h"

#include <windows.h>

namespace cinefold {

using VerifyPasswordProc = BOOL(WINAPI*)(HWND window);
using ChangePasswordProc = DWORD(WINAPI*)(LPCSTR provider, HWND parent, DWORD reserved1,
                                          DWORD reserved2);
using AssociateContextProc = HANDLE(WINAPI*)(HWND window, HANDLE context);

constexpr UINT verifyRequestMessage = 0x8000;
constexpr UINT screenSaverRunningAction = 97; // SPI_SETSCREENSAVERRUNNING
constexpr DWORD passwordDebounceTicks = 200;

// Everything the saver keeps while it runs, in one object: its options and mode, its window, the
// Player, and the state of its window's behaviour and of the password. Used on the window's
// thread only.
struct SaverState {
    // Set by the entry routine.
    HINSTANCE instanceHandle = nullptr;
    int isWin95Family = 0;
    int isPreview = 0;
    HWND saverWindow = nullptr;

    // The window's behaviour and the password.
    int closeAllowed = 0;
    int checkingPassword = 0;
    LoadedModule passwordModule;
    VerifyPasswordProc verifyPassword = nullptr;
    DWORD lastCheckTick = 0xFFFFFFFF; // all ones: no verification has ended yet
    POINT startCursor = {};
    HMODULE imeModule = nullptr;
    AssociateContextProc imeAssociate = nullptr;
    HANDLE savedImeContext = nullptr;

    // Where the host's procedures end a message: DefWindowProcA. The Windows test programs point
    // it elsewhere to see which messages reach the system.
    WNDPROC systemDefaultProc = DefWindowProcA;

    // The one Player of the saver, and whether its frame timer runs: SetTimer fails when the
    // system is out of timers, and the saver then tries again at each paint rather than show
    // one frame for ever.
    SaverPlayer player;
    bool frameTimerRunning = false;
};

// The saver's state, made on first use: the one place every part of the saver reaches it from.
SaverState& saverState();

// Entry and modes.
[[noreturn]] void hostEntry();
int dispatchMode(HINSTANCE instance, const char* arguments);
int runSaver(HWND parent);
int configureSaver(HWND owner);

// The saver window's chain: hostWindowProc, the Player's saverWindowProc, defaultSaverProc.
LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK defaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void setSaverRunning(int running);

// The password of the 95 family; on the NT family each does nothing.
void loadPasswordModule();
void releasePasswordModule();
int verifyBeforeClose(HWND window);
void changePassword(HWND parent);

} // namespace cinefold
