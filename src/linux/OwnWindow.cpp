#include "linux/OwnWindow.h"

#include <X11/Xatom.h>

namespace cinefold {

namespace {

// EWMH's _NET_WM_STATE actions, sent to the root window for the window manager to carry out.
constexpr long netWmStateToggle = 2;
constexpr long sourceApplication = 1;

} // namespace

OwnWindow openOwnWindow(Display* display, int width, int height, const std::string& title,
                        long extraEvents) {
    OwnWindow own;
    own.display = display;
    const int screen = DefaultScreen(display);
    own.window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, unsigned(width),
                                     unsigned(height), 0, BlackPixel(display, screen),
                                     BlackPixel(display, screen));
    setTitle(own, title);
    own.deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, own.window, &own.deleteWindow, 1);
    XSelectInput(display, own.window, ExposureMask | StructureNotifyMask | extraEvents);
    XMapWindow(display, own.window);
    return own;
}

void setTitle(const OwnWindow& own, const std::string& title) {
    const Atom utf8 = XInternAtom(own.display, "UTF8_STRING", False);
    for (const Atom name : {XInternAtom(own.display, "_NET_WM_NAME", False), XA_WM_NAME})
        XChangeProperty(own.display, own.window, name, utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title.data()), int(title.size()));
}

void toggleFullScreen(const OwnWindow& own) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = own.window;
    event.xclient.message_type = XInternAtom(own.display, "_NET_WM_STATE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = netWmStateToggle;
    event.xclient.data.l[1] = long(XInternAtom(own.display, "_NET_WM_STATE_FULLSCREEN", False));
    event.xclient.data.l[3] = sourceApplication;
    XSendEvent(own.display, DefaultRootWindow(own.display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

} // namespace cinefold
