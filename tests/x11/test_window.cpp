// test_window WIDTH HEIGHT: a plain X window for the saver to draw into, as XScreenSaver's
// settings dialog or xsecurelock hands one over. It prints the window's id once the window is
// mapped, then obeys commands on standard input, one a line, and answers each with "ok" once
// the X server has carried it out:
//   resize W H    changes the window's size
//   destroy       destroys the window (the program stays, so the test can watch the saver)
// It ends at the end of its input.

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void waitForMap(Display* display, Window window) {
    XEvent event;
    do
        XWindowEvent(display, window, StructureNotifyMask, &event);
    while (event.type != MapNotify);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: test_window WIDTH HEIGHT\n", stderr);
        return 2;
    }
    const unsigned width = unsigned(std::atoi(argv[1])), height = unsigned(std::atoi(argv[2]));
    Display* display = XOpenDisplay(nullptr);
    if (!display || !width || !height) {
        std::fputs("test_window: no display, or a zero size\n", stderr);
        return 1;
    }
    // Grey, so that a saver that draws nothing is told apart from one that draws black.
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width,
                                              height, 0, 0, 0x808080);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    waitForMap(display, window);
    std::printf("window %lu\n", window);
    std::fflush(stdout);

    char line[128];
    while (std::fgets(line, sizeof line, stdin)) {
        unsigned newWidth = 0, newHeight = 0;
        if (std::sscanf(line, "resize %u %u", &newWidth, &newHeight) == 2)
            XResizeWindow(display, window, newWidth, newHeight);
        else if (!std::strncmp(line, "destroy", 7))
            XDestroyWindow(display, window);
        else
            continue;
        XSync(display, False);
        std::puts("ok");
        std::fflush(stdout);
    }
    XCloseDisplay(display);
    return 0;
}
