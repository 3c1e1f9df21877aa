// cinefold play in a tool built without X11: the player's window is an X11 window (src/linux/),
// so this build has no player. play says so in one line and names what does work without one.

#include "Commands.h"
#include "Report.h"

namespace cinefold {

int runPlay(const Arguments&) {
    return fileError("play", "this build of cinefold has no X11 player; 'cinefold render' writes "
                             "the animation's frames as pictures or a video instead");
}

} // namespace cinefold
