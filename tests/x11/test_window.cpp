// test_window WIDTH HEIGHT: a plain X window for the saver to draw into, as XScreenSaver's
// settings dialog or xsecurelock hands one over. It prints the window's id once the window is
// mapped and then keeps it until the X server closes its connection, which is how a test
// destroys the window under the saver (xdotool windowkill).

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    const unsigned width = argc == 3 ? unsigned(std::atoi(argv[1])) : 0;
    const unsigned height = argc == 3 ? unsigned(std::atoi(argv[2])) : 0;
    if (!display || !width || !height) {
        std::fputs("usage: test_window WIDTH HEIGHT, on an X display\n", stderr);
        return 2;
    }
    // Grey, so that a saver that draws nothing is told apart from one that draws black.
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width,
                                              height, 0, 0, 0x808080);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XEvent event;
    do
        XWindowEvent(display, window, StructureNotifyMask, &event);
    while (event.type != MapNotify);
    std::printf("window %lu\n", window);
    std::fflush(stdout);
    for (;;)
        XNextEvent(display, &event);
}
