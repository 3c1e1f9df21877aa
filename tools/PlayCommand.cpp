// cinefold play [FILE]: plays FILE, or the built-in demo, in a window on the desktop, as the
// saver plays it: the same loading, ticks and composition, and the same presenter as the Linux
// saver, with the window standing for the screen. The window can be resized; the keys are
// Escape or q to quit, f for full screen, s to stretch, space to pause, and Left and Right to
// step a frame back or on while paused.

#include "Commands.h"
#include "Report.h"

#include "demo/DemoData.h"
#include "linux/PlayWindow.h"
#include "player/PlaybackLoop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace cinefold {

namespace {

// The window starts at the stage's size, within these bounds, so that a tiny stage still gives
// a window that can be grabbed and a huge one fits on the screen.
constexpr int smallestSide = 64;

// EWMH's _NET_WM_STATE actions, sent to the root window for the window manager to carry out.
constexpr long netWmStateToggle = 2;
constexpr long sourceApplication = 1;

struct PlayWindow {
    Display* display = nullptr;
    Window window = None;
    Atom deleteWindow = None;
    Atom wmState = None;
    Atom fullScreen = None;
};

// The title holds a dash outside Latin-1, so both names are UTF-8 text: the window manager's
// name and the legacy one, which window managers and tools still read.
void setTitle(const PlayWindow& play, const std::string& title) {
    const Atom utf8 = XInternAtom(play.display, "UTF8_STRING", False);
    for (const Atom name : {XInternAtom(play.display, "_NET_WM_NAME", False), XA_WM_NAME})
        XChangeProperty(play.display, play.window, name, utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title.data()), int(title.size()));
}

PlayWindow openWindow(Display* display, const Player& player, const std::string& title) {
    PlayWindow play;
    play.display = display;
    const int screen = DefaultScreen(display);
    const int width = std::clamp(player.stageWidth, smallestSide, DisplayWidth(display, screen));
    const int height = std::clamp(player.stageHeight, smallestSide, DisplayHeight(display, screen));
    play.window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, unsigned(width),
                                      unsigned(height), 0, BlackPixel(display, screen),
                                      BlackPixel(display, screen));
    setTitle(play, title);
    play.deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    play.wmState = XInternAtom(display, "_NET_WM_STATE", False);
    play.fullScreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    XSetWMProtocols(display, play.window, &play.deleteWindow, 1);
    XSelectInput(display, play.window, ExposureMask | StructureNotifyMask | KeyPressMask);
    XMapWindow(display, play.window);
    return play;
}

void toggleFullScreen(const PlayWindow& play) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = play.window;
    event.xclient.message_type = play.wmState;
    event.xclient.format = 32;
    event.xclient.data.l[0] = netWmStateToggle;
    event.xclient.data.l[1] = long(play.fullScreen);
    event.xclient.data.l[3] = sourceApplication;
    XSendEvent(play.display, DefaultRootWindow(play.display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

// A key's action; false when it quits.
bool pressKey(KeySym key, const PlayWindow& play, X11Presenter& presenter, PlaybackLoop& loop) {
    bool present = false;
    switch (key) {
    case XK_Escape:
    case XK_q:
        return false;
    case XK_f:
        toggleFullScreen(play);
        break;
    case XK_s:
        loop.player().stretchToDesktop ^= 1;
        present = true;
        break;
    case XK_space:
        loop.setPaused(!loop.paused());
        break;
    case XK_Left:
        present = loop.paused() && loop.stepBack();
        break;
    case XK_Right:
        present = loop.paused() && loop.stepForward();
        break;
    default:
        break;
    }
    if (present) presenter.present(loop.player(), loop.stage());
    return true;
}

void run(const PlayWindow& play, X11Presenter& presenter, PlaybackLoop& loop) {
    playInWindow(play.display, presenter, loop, -1, [&](const XEvent* event) {
        if (!event) return true;
        if (event->type == KeyPress)
            return pressKey(XLookupKeysym(const_cast<XKeyEvent*>(&event->xkey), 0), play, presenter,
                            loop);
        return !(event->type == ClientMessage &&
                 Atom(event->xclient.data.l[0]) == play.deleteWindow);
    });
}

} // namespace

int runPlay(const Arguments& arguments) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(arguments, {}, {}, parsed, error)) return usageError(error);
    if (parsed.positional.size() > 1) return usageError("play takes at most one FILE");

    PlaybackLoop loop;
    FileProblem problem;
    std::string title = "Cinefold \u2014 demo";
    if (parsed.positional.empty()) {
        loop.loadBytes(demoContainer(), problem);
    } else {
        const std::string& path = parsed.positional[0];
        if (!loop.loadFile(path, problem)) return reportProblem(path, problem);
        title = "Cinefold \u2014 " + std::filesystem::path(path).filename().string();
    }

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cinefold: play needs an X display and cannot open \"%s\"%s\n",
                     XDisplayName(nullptr), *XDisplayName(nullptr) ? "" : " (DISPLAY is not set)");
        return exitBadInput;
    }
    const PlayWindow play = openWindow(display, loop.player(), title);
    {
        X11Presenter presenter(display, play.window, WindowRole::screen);
        loop.start();
        presenter.present(loop.player(), loop.stage());
        run(play, presenter, loop);
    }
    XDestroyWindow(display, play.window);
    XCloseDisplay(display);
    return exitDone;
}

} // namespace cinefold
