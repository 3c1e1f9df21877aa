// The screen-saver password of the 95 family. When the desktop settings say that a password is
// in use, the system's password control-panel module is loaded for the full-screen run, and
// every close of the saver window is confirmed through it first. A separate mode asks the
// system's network provider module to change the password. The password itself never passes
// through this program. On the NT family every step here does nothing.

#include "player/HostLogic.h"
#include "saver/Host.h"

namespace cinefold {

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
    SaverState& state = saverState();
    if (!state.isWin95Family) return;
    if (state.passwordModule) releasePasswordModule();
    // The key is closed on the way out; the module, once loaded, stays for the whole run.
    RegistryKey desktop = RegistryKey::open(HKEY_CURRENT_USER, desktopKeyName);
    if (!desktop || !passwordInUse(desktop.get())) return;
    state.passwordModule = LoadedModule(passwordModuleName);
    if (!state.passwordModule) return;
    state.verifyPassword = state.passwordModule.entry<VerifyPasswordProc>(verifyEntryName);
    if (state.verifyPassword) {
        setSaverRunning(1);
    } else {
        releasePasswordModule();
    }
}

void releasePasswordModule() {
    SaverState& state = saverState();
    if (!state.isWin95Family || !state.passwordModule) return;
    state.passwordModule.reset();
    if (state.verifyPassword) {
        state.verifyPassword = nullptr;
        setSaverRunning(0);
    }
}

int verifyBeforeClose(HWND window) {
    SaverState& state = saverState();
    if (state.checkingPassword || state.closeAllowed) return 0;
    if (!state.verifyPassword) {
        state.closeAllowed = 1;
        return 1;
    }
    // A burst of input posts several closes; those that arrive shortly after a verification
    // has ended are refused without asking again.
    DWORD now = GetTickCount();
    if (state.lastCheckTick != noCheckYet &&
        elapsedTicks(state.lastCheckTick, now) < passwordDebounceTicks)
        return state.closeAllowed;

    state.checkingPassword = 1;
    // Ticks that queued up while the input arrived would otherwise run the animation on
    // behind the password dialog; at most two are dropped.
    MSG pending;
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    state.closeAllowed = SendMessageA(window, verifyRequestMessage, 0, 0) ? 1 : 0;
    state.checkingPassword = 0;
    if (!state.closeAllowed) SetCursor(nullptr);
    state.lastCheckTick = GetTickCount();
    return state.closeAllowed;
}

void changePassword(HWND parent) {
    LoadedModule provider(providerModuleName);
    // A null module would look the entry up in this program itself.
    if (!provider) return;
    if (auto change = provider.entry<ChangePasswordProc>(changeEntryName))
        change(screenSaverProvider, parent, 0, 0);
}

} // namespace cinefold
