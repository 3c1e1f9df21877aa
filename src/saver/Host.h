#pragma once
// The screen-saver host: the command-line modes, the saver window and its two host procedures,
// and the password of the 95 family. Process-wide state, used on the window's thread only.

#include "saver/Owners.h"

#include <windows.h>

namespace cinefold {

using VerifyPasswordProc = BOOL(WINAPI*)(HWND window);
using ChangePasswordProc = DWORD(WINAPI*)(LPCSTR provider, HWND parent, DWORD reserved1,
                                          DWORD reserved2);
using AssociateContextProc = HANDLE(WINAPI*)(HWND window, HANDLE context);

constexpr UINT verifyRequestMessage = 0x8000;
constexpr UINT screenSaverRunningAction = 97; // SPI_SETSCREENSAVERRUNNING
constexpr DWORD passwordDebounceTicks = 200;

// Set by the entry routine.
extern HINSTANCE instanceHandle;
extern int isWin95Family;
extern int isPreview;
extern HWND saverWindow;

// The window's behaviour and the password.
extern int closeAllowed;
extern int checkingPassword;
extern HMODULE passwordModule;
extern VerifyPasswordProc verifyPassword;
extern DWORD lastCheckTick;
extern POINT startCursor;
extern HMODULE imeModule;
extern AssociateContextProc imeAssociate;
extern HANDLE savedImeContext;

// Where the host's procedures end a message: DefWindowProcA. The Windows test programs point it
// elsewhere to see which messages reach the system.
extern WNDPROC systemDefaultProc;

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
