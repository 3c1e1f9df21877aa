#pragma once
// The command line of cinefold-saver, in the conventions of XScreenSaver's programs: each
// option with one dash or two.
//
//   cinefold-saver [--file FILE] [--stretch] [--root | --window-id ID]
//   cinefold-saver --help | --version
//
// ID is decimal or 0x hexadecimal. --simulate-ticks N, for tests and measurements, runs N ticks
// without waiting and reports the resident memory before and after.

#include <X11/Xlib.h>

#include <cstdint>
#include <string>

namespace cinefold {

struct SaverOptions {
    std::string file; // empty: the built-in demo
    bool stretch = false;
    bool root = false;
    Window windowId = None; // None: $XSCREENSAVER_WINDOW, then the root with root set
    std::int64_t simulateTicks = -1;
    bool help = false;    // --help or -h: print the usage and do nothing else
    bool version = false; // --version
};

// False, with a message, for wrong usage.
bool parseSaverOptions(int argc, char** argv, SaverOptions& options, std::string& error);

// A window id as XScreenSaver and xsecurelock pass it: decimal or 0x hexadecimal, above 0. A
// leading 0 does not make it octal.
bool parseWindowId(const char* text, Window& window);

// The window that $XSCREENSAVER_WINDOW names, given its value: None when it is unset or empty
// (the saver then opens its own window). False when it is set to anything but a window id.
bool windowFromEnvironment(const char* value, Window& window);

} // namespace cinefold
