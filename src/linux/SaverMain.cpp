// cinefold-saver: the animation as an XScreenSaver or xsecurelock saver program. It draws into
// the window it is given (--window-id, or else $XSCREENSAVER_WINDOW, which XScreenSaver and
// xsecurelock set to the window that covers the screen and which --root also means when it is
// set), into the root window (--root), or else into a window of its own, until SIGTERM or SIGINT.
// It never grabs input, and on a window it did not make it listens only for exposure and for
// changes of size and existence.
//
// Exit status: 0 after SIGTERM or SIGINT, after its own window is closed, or when the window it
// draws into is destroyed under it; 1 when there is no display or the given window does not
// exist at the start, or when the connection to the X server is lost; 2 for wrong usage.

#include "HelpText.h" // made by the build from tools/help/HelpPages.cpp
#include "demo/DemoData.h"
#include "linux/OwnWindow.h"
#include "linux/PlayWindow.h"
#include "linux/SaverOptions.h"
#include "player/PlaybackLoop.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>

using namespace cinefold;

namespace {

// SIGTERM and SIGINT write a byte here; the main loop polls it beside the X connection, so no
// X call is ever made from the handler.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t written = write(signalPipe[1], &byte, 1);
    errno = saved;
}

bool catchSignals() {
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0;
}

// The window being drawn into, and whether the server has said it no longer exists. A request
// on a destroyed window comes back as an error event; Xlib's default handler would end the
// process, this one notes it and the main loop ends quietly.
Window drawnWindow = None;
bool windowGone = false;

int onXError(Display*, XErrorEvent* error) {
    if ((error->error_code == BadWindow || error->error_code == BadDrawable) &&
        error->resourceid == drawnWindow)
        windowGone = true;
    return 0;
}

int onConnectionLost(Display*) {
    std::fprintf(stderr, "cinefold-saver: lost the connection to the X server\n");
    std::_Exit(1);
}

// The resident set size in KiB, from /proc/self/statm (its second field, in pages).
long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Without a file, or when the file cannot be loaded, the saver plays the demo it carries.
void load(PlaybackLoop& loop, const std::string& file) {
    FileProblem problem;
    if (!file.empty()) {
        if (loop.loadFile(file, problem)) return;
        if (problem.atOffset)
            std::fprintf(stderr, "cinefold-saver: %s: offset %llu: %s; playing the demo\n",
                         file.c_str(), static_cast<unsigned long long>(problem.offset),
                         problem.what.c_str());
        else
            std::fprintf(stderr, "cinefold-saver: %s: %s; playing the demo\n", file.c_str(),
                         problem.what.c_str());
    }
    loop.loadBytes(demoContainer(), problem);
}

// Draws until a signal, the window's end or the close of the program's own window.
void run(Display* display, X11Presenter& presenter, PlaybackLoop& loop, const OwnWindow& own) {
    playInWindow(display, presenter, loop, signalPipe[0], [&](const XEvent* event) {
        if (event && event->type == DestroyNotify && event->xdestroywindow.window == drawnWindow)
            windowGone = true;
        if (event && own.closeRequested(*event)) return false;
        return !windowGone;
    });
}

// Whether SIGTERM or SIGINT has arrived.
bool signalled() {
    char byte;
    return read(signalPipe[0], &byte, 1) == 1;
}

// Runs ticks back to back on a clock that moves one timer period per tick, composing and
// presenting as the running saver does, and reports the resident memory around them. SIGTERM
// and SIGINT end it early, as they end the running saver.
void simulate(X11Presenter& presenter, PlaybackLoop& loop, std::uint64_t& now, std::int64_t ticks) {
    std::printf("resident at start: %ld KiB\n", residentKiB());
    std::fflush(stdout);
    std::int64_t done = 0;
    for (; done < ticks && !signalled(); ++done) {
        now += loop.period();
        if (loop.tick()) presenter.present(loop);
    }
    std::printf("resident at end: %ld KiB\nticks: %lld, frames composed: %llu\n", residentKiB(),
                static_cast<long long>(done), static_cast<unsigned long long>(loop.compositions()));
}

} // namespace

int main(int argc, char** argv) {
    SaverOptions options;
    std::string error;
    if (!parseSaverOptions(argc, argv, options, error)) {
        std::fprintf(stderr,
                     "cinefold-saver: %s\nusage: cinefold-saver [--file FILE] [--stretch] "
                     "[--root | --window-id ID]\nRun 'cinefold-saver --help' for more.\n",
                     error.c_str());
        return 2;
    }
    if (options.help || options.version) {
        if (options.help)
            std::fputs(help::saverUsage, stdout);
        else
            std::printf("cinefold-saver %s\n", help::version);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    if (options.windowId == None) {
        const char* given = std::getenv("XSCREENSAVER_WINDOW");
        if (!windowFromEnvironment(given, options.windowId)) {
            std::fprintf(stderr, "cinefold-saver: XSCREENSAVER_WINDOW is not a window id: %s\n",
                         given);
            return 2;
        }
    }

    std::uint64_t simulatedNow = 0;
    PlaybackLoop loop = options.simulateTicks >= 0
                            ? PlaybackLoop([&simulatedNow] { return simulatedNow; })
                            : PlaybackLoop();
    load(loop, options.file);
    loop.player().stretchToDesktop = options.stretch ? 1 : 0;

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "cinefold-saver: cannot open the display \"%s\"\n",
                     XDisplayName(nullptr));
        return 1;
    }
    XSetErrorHandler(onXError);
    XSetIOErrorHandler(onConnectionLost);

    // Without a window to draw into, a window of the program's own, for trying it from a
    // terminal.
    const bool ownWindow = !options.root && options.windowId == None;
    const OwnWindow own = ownWindow ? openOwnWindow(display, 800, 600, "cinefold-saver")
                                    : OwnWindow{};
    drawnWindow = ownWindow                  ? own.window
                  : options.windowId != None ? options.windowId
                                             : DefaultRootWindow(display);
    if (!ownWindow) XSelectInput(display, drawnWindow, ExposureMask | StructureNotifyMask);
    XSync(display, False);
    int status = 0;
    if (windowGone) {
        std::fprintf(stderr, "cinefold-saver: no window 0x%lx\n", drawnWindow);
        status = 1;
    } else if (!catchSignals()) {
        std::perror("cinefold-saver: signals");
        status = 1;
    } else {
        X11Presenter presenter(display, drawnWindow,
                               ownWindow ? WindowRole::screen : WindowRole::given);
        loop.start();
        presenter.present(loop);
        if (options.simulateTicks >= 0)
            simulate(presenter, loop, simulatedNow, options.simulateTicks);
        else
            run(display, presenter, loop, own);
    }
    if (ownWindow && !windowGone) XDestroyWindow(display, drawnWindow);
    XCloseDisplay(display);
    return status;
}
