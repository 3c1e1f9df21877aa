// The configuration dialog: one check box, "Stretch as Desktop Size", and an OK button. The
// dialog opens centred on the screen with the box showing the stored option; OK stores the
// box's state and Escape closes without storing anything.

#include "saver/Settings.h"

#include "saver/AuthorTexts.h"
#include "saver/Host.h"

#include "player/HostLogic.h"
#include "player/PresentLayout.h"

#include <string>

namespace cinefold {

namespace {

constexpr int configDialogId = 101;
constexpr int stretchCheckBoxId = 1000;

void centreOnScreen(HWND dialog) {
    RECT rect = {};
    GetWindowRect(dialog, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    MoveWindow(dialog, centredOrigin(GetSystemMetrics(SM_CXSCREEN), width),
               centredOrigin(GetSystemMetrics(SM_CYSCREEN), height), width, height, TRUE);
}

} // namespace

INT_PTR CALLBACK configDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        showAuthorTexts(dialog);
        centreOnScreen(dialog);
        std::string setting;
        if (readSetting(stretchSettingName, setting)) {
            // The whole setting is read; only its first character counts, and a value that
            // begins with a zero byte counts as on, like any other character but "0".
            CheckDlgButton(dialog, stretchCheckBoxId,
                           settingMeansStretch(setting.c_str()) ? BST_CHECKED : BST_UNCHECKED);
        }
        return 1;
    }
    case WM_COMMAND:
        // The whole parameter is compared: a command whose notification code is not 0 is not
        // the button's click.
        if (wParam == IDOK) {
            UINT state = IsDlgButtonChecked(dialog, stretchCheckBoxId);
            // The dialog's result says whether the option was stored.
            EndDialog(dialog, writeSetting(stretchSettingName, state ? "1" : "0"));
            return 1;
        }
        if (wParam == IDCANCEL) {
            EndDialog(dialog, 0);
            return 1;
        }
        return 0;
    }
    return 0;
}

int configureHook(HINSTANCE instance) {
    // A Unicode dialog shows an author's text in any script; the 95 family has ANSI ones only.
    if (saverState().isWin95Family)
        DialogBoxParamA(instance, MAKEINTRESOURCEA(configDialogId), nullptr, configDialogProc, 0);
    else
        DialogBoxParamW(instance, MAKEINTRESOURCEW(configDialogId), nullptr, configDialogProc, 0);
    return 1;
}

} // namespace cinefold
