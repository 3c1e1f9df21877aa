#pragma once
// The event and tick loop that the saver program and the player window share: the frame moves on
// at the saver's ticks and is presented when it changed, an exposed window is repainted from the
// last image, and a resized one gets a new image and the frame again. Between ticks it waits on
// the X connection, so nothing runs while nothing changes.

#include "linux/X11Presenter.h"
#include "player/PlaybackLoop.h"

#include <X11/Xlib.h>

#include <functional>

namespace cinefold {

// Called with each event after the loop has dealt with it, and with none once the queue is
// empty; false ends the loop.
using PlayEvents = std::function<bool(const XEvent*)>;

// Plays until `events` says to stop, or until wakeFd (when not -1) becomes readable. Expose and
// ConfigureNotify count only for the presenter's window.
void playInWindow(Display* display, X11Presenter& presenter, PlaybackLoop& loop, int wakeFd,
                  const PlayEvents& events);

} // namespace cinefold
