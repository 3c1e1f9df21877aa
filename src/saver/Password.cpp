// The screen-saver password of the 95 family. When the desktop settings say that a password is
// in use, the system's password control-panel module is loaded for the full-screen run, and
// every close of the saver window is confirmed through it first. A separate mode asks the
// system's network provider module to change the password. The password itself never passes
// through this program. On the NT family every step here does nothing.

#include "saver/Host.h"
#include "player/HostLogic.h"

namespace cinefold {

HMODULE passwordModule = nullptr;
VerifyPasswordProc verifyPassword = nullptr;
// All ones: no verification has ended yet.
DWORD lastCheckTick = 0xFFFFFFFF;

namespace {

const char desktopKeyName[] = "Control Panel\\Desktop";
const char usePasswordValueName[] = "ScreenSaveUsePassword";
const char passwordModuleName[] = "PASSWORD.CPL";
const char verifyEntryName[] = "VerifyScreenSavePwd";
const char providerModuleName[] = "MPR.DLL";
const char changeEntryName[] = "PwdChangePasswordA";
const char screenSaverProvider[] = "SCRSAVE";
constexpr DWORD noCheckYet = 0xFFFFFFFF;

// The desktop's password flag: a 32-bit word with no type test. Data longer than the word
// cannot be read into it and counts as no password.
bool passwordInUse(HKEY desktop) {
    DWORD word = 0;
    DWORD size = sizeof word;
    return RegQueryValueExA(desktop, usePasswordValueName, nullptr, nullptr,
                            reinterpret_cast<BYTE*>(&word), &size) == ERROR_SUCCESS &&
           word != 0;
}

} // namespace

void loadPasswordModule() {
    if (!isWin95Family) return;
    if (passwordModule) releasePasswordModule();
    // The key is closed on the way out; the module, once loaded, stays for the whole run.
    RegistryKey desktop = RegistryKey::open(HKEY_CURRENT_USER, desktopKeyName);
    if (!desktop || !passwordInUse(desktop.get())) return;
    passwordModule = LoadLibraryA(passwordModuleName);
    if (!passwordModule) return;
    verifyPassword = entryPoint<VerifyPasswordProc>(passwordModule, verifyEntryName);
    if (verifyPassword) {
        setSaverRunning(1);
    } else {
        releasePasswordModule();
    }
}

void releasePasswordModule() {
    if (!isWin95Family || !passwordModule) return;
    FreeLibrary(passwordModule);
    passwordModule = nullptr;
    if (verifyPassword) {
        verifyPassword = nullptr;
        setSaverRunning(0);
    }
}

int verifyBeforeClose(HWND window) {
    if (checkingPassword || closeAllowed) return 0;
    if (!verifyPassword) {
        closeAllowed = 1;
        return 1;
    }
    // A burst of input posts several closes; those that arrive shortly after a verification
    // has ended are refused without asking again.
    DWORD now = GetTickCount();
    if (lastCheckTick != noCheckYet && elapsedTicks(lastCheckTick, now) < passwordDebounceTicks)
        return closeAllowed;

    checkingPassword = 1;
    // Ticks that queued up while the input arrived would otherwise run the animation on
    // behind the password dialog; at most two are dropped.
    MSG pending;
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    closeAllowed = SendMessageA(window, verifyRequestMessage, 0, 0) ? 1 : 0;
    checkingPassword = 0;
    if (!closeAllowed) SetCursor(nullptr);
    lastCheckTick = GetTickCount();
    return closeAllowed;
}

void changePassword(HWND parent) {
    LoadedModule provider(providerModuleName);
    // A null module would look the entry up in this program itself.
    if (!provider) return;
    if (auto change = provider.entry<ChangePasswordProc>(changeEntryName))
        change(screenSaverProvider, parent, 0, 0);
}

} // namespace cinefold
