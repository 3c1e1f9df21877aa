// Plays the part of the display settings for the screenshot tests: a white window of the given
// client size at the given screen position, titled "Preview host", showing the saver's preview.
//
//   preview_host X Y WIDTH HEIGHT
//
// Wine does not draw a child window that belongs to another process, so the preview runs here,
// in this process, through the saver's own dispatch with "/p" and this window's number: the
// saver's host, window procedure and presentation, with the container that is bundled into this
// program (it carries the saver's offset resource). Posting WM_CLOSE to the window ends both;
// the exit code is the preview's.

#include "saver/Host.h"

#include "WineTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("usage: preview_host X Y WIDTH HEIGHT\n", stderr);
        return 2;
    }
    const int x = std::atoi(argv[1]), y = std::atoi(argv[2]);
    HWND host = cinefold::test::makeWindow(
        "CinefoldPreviewHost", DefWindowProcA, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
        {x, y, x + std::atoi(argv[3]), y + std::atoi(argv[4])}, "Preview host");
    if (!host) return 3;
    std::string arguments = "/p " + std::to_string(reinterpret_cast<UINT_PTR>(host));
    int result = cinefold::dispatchMode(GetModuleHandleA(nullptr), arguments.c_str());
    std::printf("exit=%d\n", result);
    return result;
}
