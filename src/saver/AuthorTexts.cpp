// The dialog's About text is the title, an empty line and the maker's notice; the title and
// the credit take the place of its parts one by one. The dialog is Unicode on the NT family and
// ANSI on the 95 family, so the texts are read and shown in the dialog's own character width:
// the system converts the string table's UTF-16 for an ANSI dialog.

#include "saver/AuthorTexts.h"

#include "container/SaverTexts.h"

#include <iterator>
#include <string>

namespace cinefold {

namespace {

int loadText(HINSTANCE instance, UINT id, wchar_t* text, int size) {
    return LoadStringW(instance, id, text, size);
}
int loadText(HINSTANCE instance, UINT id, char* text, int size) {
    return LoadStringA(instance, id, text, size);
}
int getText(HWND window, wchar_t* text, int size) {
    return GetWindowTextW(window, text, size);
}
int getText(HWND window, char* text, int size) {
    return GetWindowTextA(window, text, size);
}
void setText(HWND window, const wchar_t* text) {
    SetWindowTextW(window, text);
}
void setText(HWND window, const char* text) {
    SetWindowTextA(window, text);
}

// The static control of the About text: the one that shows text rather than the icon.
HWND aboutControl(HWND dialog) {
    for (HWND control = GetWindow(dialog, GW_CHILD); control;
         control = GetWindow(control, GW_HWNDNEXT)) {
        char className[16] = {};
        GetClassNameA(control, className, sizeof className);
        if (lstrcmpiA(className, "Static") == 0 &&
            (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_LEFT)
            return control;
    }
    return nullptr;
}

template <class Char> void showTexts(HWND dialog) {
    const HINSTANCE instance = HINSTANCE(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
    // Room for each text at its slot's limit, twice over for an ANSI copy in a double-byte
    // code page.
    Char title[2 * saverTitleLimit + 1] = {};
    Char credit[2 * saverCreditLimit + 1] = {};
    const bool hasTitle = loadText(instance, saverTitleString, title, int(std::size(title))) > 0;
    const bool hasCredit =
        loadText(instance, saverCreditString, credit, int(std::size(credit))) > 0;
    if (!hasTitle && !hasCredit) return;
    if (hasTitle) setText(dialog, title);

    const HWND about = aboutControl(dialog);
    Char text[512] = {};
    if (!about || getText(about, text, int(std::size(text))) <= 0) return;
    const std::basic_string<Char> old = text;
    const Char gap[] = {'\n', '\n', 0};
    const std::size_t split = old.find(gap);
    if (split == old.npos) return;
    const std::basic_string<Char> shown = (hasTitle ? title : old.substr(0, split)) + gap +
                                          (hasCredit ? credit : old.substr(split + 2));
    setText(about, shown.c_str());
}

} // namespace

void showAuthorTexts(HWND dialog) {
    if (IsWindowUnicode(dialog))
        showTexts<wchar_t>(dialog);
    else
        showTexts<char>(dialog);
}

} // namespace cinefold
