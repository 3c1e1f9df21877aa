#pragma once
// The author's title and credit in the settings dialog, where the saver carries them.

#include <windows.h>

namespace cinefold {

// Shows the saver's own title (string 1) as dialog's caption and as the first part of its About
// text, and its credit (string 2) in the About text instead of the maker's notice. A string
// that the saver does not carry leaves the dialog's own text as it is.
void showAuthorTexts(HWND dialog);

} // namespace cinefold
