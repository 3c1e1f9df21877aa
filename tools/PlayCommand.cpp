// cinefold play [FILE]: plays FILE, or the built-in demo, in a window on the desktop, as the
// saver plays it: the same loading, ticks and composition, and the same presenter as the Linux
// saver, with the window standing for the screen. The window can be resized; the keys are
// Escape or q to quit, f for full screen, s to stretch, space to pause, and Left and Right to
// step a frame back or on while paused.

#include "Commands.h"
#include "FileWatch.h"
#include "Inspection.h"
#include "Report.h"

#include "demo/DemoData.h"
#include "linux/OwnWindow.h"
#include "linux/PlayWindow.h"
#include "player/PlaybackLoop.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

namespace cinefold {

namespace {

// The window starts at the stage's size, within these bounds, so that a tiny stage still gives
// a window that can be grabbed and a huge one fits on the screen.
constexpr int smallestSide = 64;

// The window at the size asked for, or else at the stage's.
OwnWindow openWindow(Display* display, const Player& player, const std::string& title,
                     int askedWidth, int askedHeight) {
    const int screen = DefaultScreen(display);
    const int width = askedWidth ? askedWidth
                                 : std::clamp(player.stageWidth, smallestSide,
                                              DisplayWidth(display, screen));
    const int height = askedHeight ? askedHeight
                                   : std::clamp(player.stageHeight, smallestSide,
                                                DisplayHeight(display, screen));
    return openOwnWindow(display, width, height, title, KeyPressMask);
}

// A key's action; false when it quits.
bool pressKey(KeySym key, const OwnWindow& play, X11Presenter& presenter, PlaybackLoop& loop) {
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
    if (present) presenter.present(loop);
    return true;
}

// Plays until the window is closed (true) or, when wakeFd is not -1, until it is readable
// (false).
bool run(const OwnWindow& play, X11Presenter& presenter, PlaybackLoop& loop, int wakeFd) {
    bool quit = false;
    playInWindow(play.display, presenter, loop, wakeFd, [&](const XEvent* event) {
        if (!event) return true;
        if (event->type == KeyPress)
            quit = !pressKey(XLookupKeysym(const_cast<XKeyEvent*>(&event->xkey), 0), play,
                             presenter, loop);
        else
            quit = play.closeRequested(*event);
        return !quit;
    });
    return quit;
}

struct PlayOptions {
    std::string path; // empty for the demo
    bool watch = false;
    bool stretch = false;
    bool paused = false;
    std::optional<std::int32_t> frame;
    int width = 0, height = 0; // the window's size; 0 for the stage's
};

// A loop loaded from the options' file (a project packed as pack packs it), at the options'
// frame; null after the problem has been printed. `files` receives what a project read.
std::unique_ptr<PlaybackLoop> loadLoop(const PlayOptions& options, std::vector<std::string>& files,
                                       std::string& firstProblem) {
    auto loop = std::make_unique<PlaybackLoop>();
    FileProblem problem;
    if (options.path.empty()) {
        loop->loadBytes(demoContainer(), problem);
        return loop;
    }
    if (isProjectPath(options.path)) {
        const std::optional<std::vector<std::uint8_t>> packed =
            packProjectFile(options.path, &files, &firstProblem);
        if (!packed) return nullptr;
        if (loop->loadBytes(*packed, problem)) return loop;
    } else if (loop->loadFile(options.path, problem)) {
        files = {options.path};
        return loop;
    }
    reportProblem(options.path, problem);
    firstProblem = problem.what;
    return nullptr;
}

// The loop's first frame: the one asked for, else frame 0.
void startAt(PlaybackLoop& loop, const PlayOptions& options, std::int32_t frame) {
    loop.player().stretchToDesktop = options.stretch;
    loop.player().currentFrame = frame;
    loop.start();
    loop.setPaused(options.paused);
}

} // namespace

int runPlay(const Arguments& arguments) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(arguments, {"--watch", "--stretch", "--paused"}, {"--screen", "--frame"},
                        parsed, error))
        return usageError(error);
    if (parsed.positional.size() > 1) return usageError("play takes at most one FILE");
    PlayOptions options;
    if (!parsed.positional.empty()) options.path = parsed.positional[0];
    options.watch = parsed.has("--watch");
    options.stretch = parsed.has("--stretch");
    options.paused = parsed.has("--paused");
    if (options.watch && options.path.empty()) return usageError("--watch needs a FILE to watch");
    if (const std::string* frame = parsed.option("--frame")) {
        long long n = 0;
        if (!parseInteger(*frame, INT32_MIN, INT32_MAX, n))
            return usageError("--frame takes a 32-bit signed integer, not '" + *frame + "'");
        options.frame = std::int32_t(n);
    }
    if (const std::string* screen = parsed.option("--screen")) {
        const std::size_t cross = screen->find('x');
        long long w = 0, h = 0;
        if (cross == std::string::npos || !parseInteger(screen->substr(0, cross), 1, 32767, w) ||
            !parseInteger(screen->substr(cross + 1), 1, 32767, h))
            return usageError("--screen takes WxH (1 to 32767 each), not '" + *screen + "'");
        options.width = int(w);
        options.height = int(h);
    }

    std::vector<std::string> files;
    std::string problem;
    std::unique_ptr<PlaybackLoop> loop = loadLoop(options, files, problem);
    if (!loop) return exitBadInput;
    FileWatch watch;
    if (options.watch && !watch.watch(files, problem)) return fileError(options.path, problem);
    const std::string title =
        "Cinefold \u2014 " +
        (options.path.empty() ? std::string("demo")
                              : std::filesystem::path(options.path).filename().string());

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cinefold: play needs an X display and cannot open \"%s\"%s\n",
                     XDisplayName(nullptr), *XDisplayName(nullptr) ? "" : " (DISPLAY is not set)");
        return exitBadInput;
    }
    const OwnWindow play = openWindow(display, loop->player(), title, options.width,
                                       options.height);
    {
        X11Presenter presenter(display, play.window, WindowRole::screen);
        startAt(*loop, options, options.frame.value_or(0));
        presenter.present(*loop);
        // With --watch, an edit that packs takes the place of what plays, at the same frame
        // when it still has it; one that does not is shown in the title and on stderr while
        // the last good animation goes on.
        while (!run(play, presenter, *loop, options.watch ? watch.descriptor() : -1)) {
            if (!watch.settle(150)) continue;
            std::vector<std::string> read;
            std::unique_ptr<PlaybackLoop> next = loadLoop(options, read, problem);
            if (!read.empty()) watch.watch(read, problem);
            if (!next) {
                setTitle(play, title + " \u2014 refused: " + problem);
                continue;
            }
            const std::int32_t frame = loop->player().currentFrame;
            options.paused = loop->paused();
            options.stretch = loop->player().stretchToDesktop;
            startAt(*next, options, frame <= next->player().trackSet.lastFrame() ? frame : 0);
            loop = std::move(next);
            presenter.present(*loop);
            setTitle(play, title);
            std::fprintf(stderr, "cinefold: %s: reloaded\n", options.path.c_str());
        }
    }
    XDestroyWindow(display, play.window);
    XCloseDisplay(display);
    return exitDone;
}

} // namespace cinefold
