// The screen-saver password of the 95 family. Placeholder until the password module lands: the
// NT family's behaviour, where every step does nothing and the first close closes.

#include "host/Host.h"

namespace cinefold {

HMODULE passwordModule = nullptr;
VerifyPasswordProc verifyPassword = nullptr;
DWORD lastCheckTick = 0xFFFFFFFF;

void loadPasswordModule() {}
void releasePasswordModule() {}

int verifyBeforeClose(HWND) {
    if (checkingPassword || closeAllowed) return 0;
    closeAllowed = 1;
    return 1;
}

void changePassword(HWND) {}

} // namespace cinefold
