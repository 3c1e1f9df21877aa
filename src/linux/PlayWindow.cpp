#include "linux/PlayWindow.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace cinefold {

namespace {

bool handleEvents(Display* display, X11Presenter& presenter, PlaybackLoop& loop,
                  const PlayEvents& events) {
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == Expose && event.xexpose.window == presenter.window())
            presenter.repaint(event.xexpose.x, event.xexpose.y, event.xexpose.width,
                              event.xexpose.height);
        else if (event.type == ConfigureNotify && event.xconfigure.window == presenter.window() &&
                 presenter.resize(event.xconfigure.width, event.xconfigure.height))
            presenter.present(loop);
        if (!events(&event)) return false;
    }
    return events(nullptr);
}

} // namespace

void playInWindow(Display* display, X11Presenter& presenter, PlaybackLoop& loop, int wakeFd,
                  const PlayEvents& events) {
    while (handleEvents(display, presenter, loop, events)) {
        if (loop.runDueTick()) presenter.present(loop);
        XFlush(display);
        // Events read during the present are queued already, where poll would not see them.
        if (XPending(display) > 0) continue;
        pollfd waits[2] = {{ConnectionNumber(display), POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const std::int64_t until = loop.millisecondsUntilTick();
        if (poll(waits, wakeFd < 0 ? 1 : 2, int(std::min<std::int64_t>(until, INT_MAX))) < 0 &&
            errno != EINTR)
            return;
        if (wakeFd >= 0 && waits[1].revents != 0) return;
    }
}

} // namespace cinefold
