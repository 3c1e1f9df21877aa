// The configuration dialog. Placeholder until the dialog resource lands.

#include "host/Host.h"

namespace cinefold {

INT_PTR CALLBACK configDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

int configureHook(HINSTANCE instance) {
    DialogBoxParamA(instance, MAKEINTRESOURCEA(101), nullptr, configDialogProc, 0);
    return 1;
}

} // namespace cinefold
