#pragma once
// The saver's one persistent option, "Stretch as Desktop Size", and the dialog that edits it.
// The option is a text value under the current user's settings key; only its first character
// counts (settingMeansStretch).

#include <windows.h>

#include <string>

namespace cinefold {

// The name of the option's value.
inline constexpr char stretchSettingName[] = "StageSize";

// Fills `text` with the value's whole data and returns 1 when the value exists with data, else
// 0. Reading creates the settings key when it does not exist yet.
int readSetting(const char* valueName, std::string& text);
// Stores a text as REG_SZ with its terminating zero. Returns 1 when it was stored, else 0.
int writeSetting(const char* valueName, const char* text);

// Runs dialog 101 modally with no owner; returns 1 once it has closed, whatever its result.
int configureHook(HINSTANCE instance);
// Dialog 101's procedure: the box shows the stored option, OK stores it, Escape closes.
INT_PTR CALLBACK configDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace cinefold
