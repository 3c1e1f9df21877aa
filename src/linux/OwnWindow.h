#pragma once
// A top-level window of the program's own: black, on the default screen, titled, and closed by
// the window manager asking (WM_DELETE_WINDOW) rather than destroying it under the program. The
// player's window is one, and so is the saver's when it is tried from a terminal.

#include <X11/Xlib.h>

#include <string>

namespace cinefold {

struct OwnWindow {
    Display* display = nullptr;
    Window window = None;
    Atom deleteWindow = None;

    // Whether the event is the window manager asking to close the window.
    bool closeRequested(const XEvent& event) const {
        return event.type == ClientMessage && event.xclient.window == window &&
               Atom(event.xclient.data.l[0]) == deleteWindow;
    }
};

// The window of width x height, mapped, listening for exposure and for changes of its size and
// existence, and for the events of extraEvents besides.
OwnWindow openOwnWindow(Display* display, int width, int height, const std::string& title,
                        long extraEvents = NoEventMask);

// The title, UTF-8 text, as the window manager's name and as the legacy one, which window
// managers and tools still read.
void setTitle(const OwnWindow& own, const std::string& title);

// Asks the window manager to switch the window to full screen, or back (EWMH's _NET_WM_STATE).
void toggleFullScreen(const OwnWindow& own);

} // namespace cinefold
